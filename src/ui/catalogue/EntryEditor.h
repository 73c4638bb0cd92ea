#pragma once
#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QCheckBox;
class QComboBox;
class QTabWidget;

namespace vexilon {

class TAuthField;
class TCamItem;
class TCamRoot;
class TConnectionTest;
class TRadioGroup;

// "Camera Properties": an entry's name and its video and audio connections. A published
// entry's addresses, prefixes, suffixes and headers are neither shown nor changed.
class TfrmEntry : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmEntry(QWidget* parent = nullptr);

  void LoadFromEntry(const TCamItem& entry);
  void StoreToEntry(TCamItem& entry) const;
  // The folder the entry is or will be in: Test takes what its groups pass on.
  void SetFolder(const TCamRoot* folder);

  // OK: a web address that cannot be an address is said so, and the dialog stays.
  void btnOkClick();
  // Connects with the dialog's values and says below the address what came back.
  void btnTestClick();
  // Test met a certificate nobody trusts: asks, and with a yes keeps it and tests again.
  void OfferToTrust(const std::string& fingerprint, const std::string& why);

 private:
  QWidget* BuildVideoPage();
  QWidget* BuildAudioPage();
  // The fields a published entry keeps to itself, with their labels.
  void HidePublishedFields();

  void SetTabOrderAndTips();
  // The transport is a choice only for the rtsp:// address the camera will be opened at, the
  // trusted certificate only for an https:// one.
  void UpdateAddressKind();
  // The address the camera will be opened at: with its group's prefix when it has none.
  std::string OpenedAddress() const;

  bool FPublished = false;
  std::string FPublishedPrefix, FPublishedWeb;  // what the hidden fields would hold
  const TCamRoot* FFolder = nullptr;
  TConnectionTest* FTest = nullptr;
  QLabel* lblTestResult = nullptr;
  QLineEdit* edtName;
  QTabWidget* FPages;
  QLabel* lblWEB;
  QLineEdit* edtWEB;
  QComboBox* cmbRtspTransport;
  QLineEdit* edtCertPin;
  TAuthField* edtAuth;
  QLabel* lblPrefix;
  QLineEdit* edtPrefix;
  QLabel* lblSuffix;
  QLineEdit* edtSuffix;
  QLabel* lblHeaders;
  QPlainTextEdit* mHeaders;
  QCheckBox* chkSimpleGET;
  TRadioGroup* grpFormat;
  QSpinBox* spnWidth;
  QSpinBox* spnHeight;
  QSpinBox* spnInterval;
  QLabel* lblAudioWEB;
  QLineEdit* edtAudioWEB;
  TAuthField* edtAudioAuth;
  QLabel* lblAudioPrefix;
  QLineEdit* edtAudioPrefix;
  QLabel* lblAudioSuffix;
  QLineEdit* edtAudioSuffix;
  QLabel* lblAudioHeaders;
  QPlainTextEdit* memoAudioHeaders;
  QCheckBox* chkAudioSimpleGet;
  TRadioGroup* rgAudioFormat;
};

}  // namespace vexilon
