#include "ui/app/Dialogs.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <deque>

namespace vexilon {

namespace {

struct TSeam {
  bool Unattended = false;
  std::deque<QMessageBox::StandardButton> Answers;
  std::deque<QString> FileNames;
  std::deque<std::function<int(QDialog&)>> DialogHandlers;
  QString LastText;
  QString LastCaption;
  int Count = 0;
  QUrl LastUrl;
};

TSeam& Seam() {
  static TSeam seam;
  return seam;
}

// A queued test answer for the next file dialog, or nothing when a person should choose.
bool TakeFileName(QString& fileName) {
  TSeam& seam = Seam();
  if (!seam.FileNames.empty()) {
    fileName = seam.FileNames.front();
    seam.FileNames.pop_front();
    return true;
  }
  if (seam.Unattended) {
    fileName.clear();
    return true;
  }
  return false;
}

}  // namespace

QMessageBox::StandardButton TDialogs::Message(QWidget* parent, QMessageBox::Icon icon,
                                              const QString& caption, const QString& text,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton) {
  TSeam& seam = Seam();
  seam.LastText = text;
  seam.LastCaption = caption;
  ++seam.Count;
  if (!seam.Answers.empty()) {
    const QMessageBox::StandardButton answer = seam.Answers.front();
    seam.Answers.pop_front();
    return answer;
  }
  if (seam.Unattended) return defaultButton;
  QMessageBox box(icon, caption, text, buttons, parent);
  box.setDefaultButton(defaultButton);
  // Fingerprints, addresses and error texts can be copied out.
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton TDialogs::Confirm(QWidget* parent, const QString& text,
                                              QMessageBox::StandardButtons buttons) {
  // The first button in the order Yes, No, Cancel is the default, as in every confirmation.
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  for (QMessageBox::StandardButton b :
       {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel}) {
    if (buttons.testFlag(b)) {
      defaultButton = b;
      break;
    }
  }
  return Message(parent, QMessageBox::Question, QStringLiteral("Confirm"), text, buttons,
                 defaultButton);
}

void TDialogs::Error(QWidget* parent, const QString& text) {
  Message(parent, QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok,
          QMessageBox::Ok);
}

void TDialogs::Information(QWidget* parent, const QString& text) {
  Message(parent, QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok,
          QMessageBox::Ok);
}

void TDialogs::Plain(QWidget* parent, const QString& text) {
  Message(parent, QMessageBox::NoIcon, QStringLiteral("Vexilon"), text, QMessageBox::Ok,
          QMessageBox::Ok);
}

QString TDialogs::OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                               const QString& filter) {
  QString fileName;
  if (TakeFileName(fileName)) return fileName;
  return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString TDialogs::SaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                               const QString& filter, const QString& defaultSuffix,
                               bool confirmOverwrite) {
  QString fileName;
  if (TakeFileName(fileName)) return fileName;
  QFileDialog dialog(parent, caption, folder, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

QString TDialogs::CreateFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter, const QString& defaultSuffix) {
  QString fileName;
  if (TakeFileName(fileName)) return fileName;
  QFileDialog dialog(parent, caption, folder, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
  while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    fileName = dialog.selectedFiles().constFirst();
    if (QFileInfo::exists(fileName) ||
        Confirm(parent, fileName + QStringLiteral("\nThis file does not exist. Create it?"),
                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
      return fileName;
  }
  return QString();
}

int TDialogs::Exec(QDialog& dialog) {
  TSeam& seam = Seam();
  if (!seam.DialogHandlers.empty()) {
    const std::function<int(QDialog&)> handler = std::move(seam.DialogHandlers.front());
    seam.DialogHandlers.pop_front();
    return handler(dialog);
  }
  if (seam.Unattended) return QDialog::Rejected;
  return dialog.exec();
}

void TDialogs::OpenUrl(const QUrl& url) {
  TSeam& seam = Seam();
  seam.LastUrl = url;
  if (!seam.Unattended) QDesktopServices::openUrl(url);
}

void TDialogs::SetUnattended(bool unattended) {
  Seam().Unattended = unattended;
}

void TDialogs::SetNextAnswer(QMessageBox::StandardButton answer) {
  Seam().Answers.push_back(answer);
}

void TDialogs::SetNextFileName(const QString& fileName) {
  Seam().FileNames.push_back(fileName);
}

void TDialogs::SetNextDialogHandler(std::function<int(QDialog&)> handler) {
  Seam().DialogHandlers.push_back(std::move(handler));
}

QString TDialogs::LastMessageText() {
  return Seam().LastText;
}

QString TDialogs::LastMessageCaption() {
  return Seam().LastCaption;
}

int TDialogs::MessageCount() {
  return Seam().Count;
}

QUrl TDialogs::LastUrl() {
  return Seam().LastUrl;
}

void TDialogs::Reset() {
  TSeam& seam = Seam();
  const bool unattended = seam.Unattended;
  seam = TSeam();
  seam.Unattended = unattended;
}

}  // namespace vexilon
