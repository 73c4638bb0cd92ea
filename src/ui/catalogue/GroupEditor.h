#pragma once
#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vexilon {

class TAuthField;

class TCamGroup;

// "Group Details": a group's name and what its entries inherit, and for a new group the
// auxiliary connection file that holds its contents. An existing group keeps its file.
class TfrmEditGroup : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmEditGroup(QWidget* parent = nullptr);

  void LoadFromGroup(const TCamGroup& group);
  void StoreToGroup(TCamGroup& group) const;

  // "&Set": asks for the auxiliary file; a chosen file is named and checked.
  void btnSetFileClick();

 private:
  QFrame* BuildSubGroupPanel();
  void ShowFileName(const QString& file);

  bool FPublished = false;
  QLineEdit* edtName;
  TAuthField* edtAuth;
  QLabel* lblPrefix;
  QLineEdit* edtPrefix;
  QLabel* lblSuffix;
  QLineEdit* edtSuffix;
  QLabel* lblHeaders;
  QPlainTextEdit* mHeaders;
  QFrame* pnlSubGroup;
  QCheckBox* chkSubGroup;
  QLabel* stFilename;
  QPushButton* btnSetFile;
};

}  // namespace vexilon
