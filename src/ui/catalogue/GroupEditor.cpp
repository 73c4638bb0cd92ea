#include "ui/catalogue/GroupEditor.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app/ProgramPath.h"
#include "core/catalogue/CamNodes.h"
#include "ui/app/Dialogs.h"
#include "ui/catalogue/AuthField.h"
#include "ui/catalogue/EditorText.h"
#include "ui/catalogue/EditorWidgets.h"

namespace vexilon {

namespace {

constexpr int kClientWidth = 340;
constexpr int kClientHeight = 293;

}  // namespace

TfrmEditGroup::TfrmEditGroup(QWidget* parent) : QDialog(parent) {
  setObjectName("frmEditGroup");
  setWindowTitle(QStringLiteral("Group Details"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  edtName = Named(new QLineEdit(QStringLiteral("New Group"), this), "edtName");
  edtAuth = new TAuthField("edtAuth", this);
  edtPrefix = Named(new QLineEdit(this), "edtPrefix");
  edtSuffix = Named(new QLineEdit(this), "edtSuffix");
  mHeaders = HeadersField(this, "mHeaders");
  lblPrefix = Label(this, "lblPrefix", "Prefix", edtPrefix);
  lblSuffix = Label(this, "lblSuffix", "Suffix", edtSuffix);
  lblHeaders = Label(this, "lblHeaders", "Additional Internet Headers", mHeaders);

  auto* fields = new QGridLayout;
  fields->setVerticalSpacing(3);
  fields->addWidget(Label(this, "lblName", "Name", edtName), 0, 0);
  fields->addWidget(edtName, 0, 1);
  fields->addWidget(Label(this, "lblAuth", "Authorization", edtAuth), 1, 0);
  fields->addWidget(edtAuth, 1, 1);
  fields->addWidget(lblPrefix, 2, 0);
  fields->addWidget(edtPrefix, 2, 1);
  fields->addWidget(lblSuffix, 3, 0);
  fields->addWidget(edtSuffix, 3, 1);

  auto* ok = Named(new QPushButton(QStringLiteral("OK"), this), "btnOk");
  ok->setDefault(true);
  auto* cancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "btnCancel");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(4);
  layout->addLayout(fields);
  layout->addWidget(lblHeaders);
  layout->addWidget(mHeaders, 1);
  layout->addWidget(BuildSubGroupPanel());
  layout->addLayout(buttons);

  // The headers field takes what the other rows leave of the fixed size.
  mHeaders->setMinimumHeight(fontMetrics().lineSpacing() * 2 + 8);
  const QSize least = minimumSizeHint();
  setFixedSize(std::max(least.width(), kClientWidth), std::max(least.height(), kClientHeight));
  layout->activate();
  CentreOnScreen(*this);
}

QFrame* TfrmEditGroup::BuildSubGroupPanel() {
  pnlSubGroup = Named(new QFrame(this), "pnlSubGroup");
  pnlSubGroup->setFrameShape(QFrame::StyledPanel);
  chkSubGroup =
      Named(new QCheckBox(QStringLiteral("Data is saved in auxilliary .vxc file"), pnlSubGroup),
            "chkSubGroup");
  // Only a chosen file can be checked.
  chkSubGroup->setEnabled(false);
  stFilename = Named(new QLabel(pnlSubGroup), "stFilename");
  stFilename->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  stFilename->setTextFormat(Qt::PlainText);
  stFilename->setMinimumWidth(1);
  btnSetFile = Named(new QPushButton(QStringLiteral("&Set"), pnlSubGroup), "btnSetFile");
  connect(btnSetFile, &QPushButton::clicked, this, &TfrmEditGroup::btnSetFileClick);
  auto* note = Named(
      new QLabel(
          QStringLiteral("NOTE: Auxilliary files will not be processed beyond the first level"),
          pnlSubGroup),
      "lblNote");
  note->setAlignment(Qt::AlignCenter);
  note->setWordWrap(true);

  auto* file = new QHBoxLayout;
  file->addWidget(Label(pnlSubGroup, "lblFilename", "Filename", stFilename));
  file->addWidget(stFilename, 1);
  file->addWidget(btnSetFile);
  auto* layout = new QVBoxLayout(pnlSubGroup);
  layout->setContentsMargins(6, 4, 6, 4);
  layout->setSpacing(3);
  layout->addWidget(chkSubGroup);
  layout->addLayout(file);
  layout->addWidget(note);
  return pnlSubGroup;
}

void TfrmEditGroup::ShowFileName(const QString& file) {
  stFilename->setText(file);
  stFilename->setToolTip(file);
  // A long path shows its end: the file's own name matters more than its folders.
  const int room = stFilename->contentsRect().width() - 2 * stFilename->margin();
  const bool fits = stFilename->fontMetrics().horizontalAdvance(file) <= room;
  stFilename->setAlignment(Qt::AlignVCenter | (fits ? Qt::AlignLeft : Qt::AlignRight));
}

void TfrmEditGroup::LoadFromGroup(const TCamGroup& group) {
  edtName->setText(FromBytes(group.Name));
  edtAuth->SetText(FromBytes(group.Auth));
  ShowFileName(FromBytes(group.SubGroup));
  chkSubGroup->setChecked(group.Flags & kSubGroupFlag);
  // An existing group's auxiliary file cannot be changed.
  pnlSubGroup->setEnabled(false);
  for (QWidget* child : pnlSubGroup->findChildren<QWidget*>()) child->setEnabled(false);
  if (group.Flags & kPublishedGroupFlag) {
    FPublished = true;
    for (QWidget* field : {static_cast<QWidget*>(edtPrefix), static_cast<QWidget*>(edtSuffix),
                           static_cast<QWidget*>(mHeaders)}) {
      HideKeepingPlace(*field);
    }
    for (QLabel* label : {lblPrefix, lblSuffix, lblHeaders}) label->setEnabled(false);
    return;
  }
  edtPrefix->setText(FromBytes(group.Prefix));
  edtSuffix->setText(FromBytes(group.Suffix));
  mHeaders->setPlainText(HeadersToText(group.Headers));
}

void TfrmEditGroup::StoreToGroup(TCamGroup& group) const {
  group.SetName(ToBytes(edtName->text()));
  group.Auth = ToBytes(edtAuth->Text());
  group.SubGroup = ToBytes(stFilename->text());
  group.Flags = (group.Flags & ~kSubGroupFlag) | (chkSubGroup->isChecked() ? kSubGroupFlag : 0);
  if (FPublished) return;
  group.Prefix = ToBytes(edtPrefix->text());
  group.Suffix = ToBytes(edtSuffix->text());
  group.Headers = TextToHeaders(mHeaders->toPlainText());
}

void TfrmEditGroup::btnSetFileClick() {
  const QString folder = FromBytes(ProgramFolder());
  const QString proposed = stFilename->text().isEmpty()
                               ? folder
                               : QDir(folder).filePath(QFileInfo(stFilename->text()).fileName());
  const QString file =
      TDialogs::CreateFileName(this, QStringLiteral("Auxiliary File"), proposed,
                               QStringLiteral("Connection Files (*.vxc)"), QStringLiteral("vxc"));
  if (file.isEmpty()) return;
  ShowFileName(QFileInfo(file).absoluteFilePath());
  chkSubGroup->setEnabled(true);
  chkSubGroup->setChecked(true);
}

}  // namespace vexilon
