#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QCheckBox;
class QTabWidget;

namespace vexilon {

class TCamItem;
class TRadioGroup;

// "Camera Properties": an entry's name and its video and audio connections. A published
// entry's addresses, prefixes, suffixes and headers are neither shown nor changed.
class TfrmEntry : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmEntry(QWidget* parent = nullptr);

  void LoadFromEntry(const TCamItem& entry);
  void StoreToEntry(TCamItem& entry) const;

 private:
  QWidget* BuildVideoPage();
  QWidget* BuildAudioPage();
  // The fields a published entry keeps to itself, with their labels.
  void HidePublishedFields();

  bool FPublished = false;
  QLineEdit* edtName;
  QTabWidget* FPages;
  QLabel* lblWEB;
  QLineEdit* edtWEB;
  QLineEdit* edtAuth;
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
  QLineEdit* edtAudioAuth;
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
