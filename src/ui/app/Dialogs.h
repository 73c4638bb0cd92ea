#pragma once
#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <functional>

class QDialog;
class QWidget;

namespace vexilon {

// Every message box, file dialog, modal dialog and browser launch of the viewer goes through
// here, so that tests can answer them without a person and read what was said.
class TDialogs {
 public:
  // A message box; answers the button chosen.
  static QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                             const QString& caption, const QString& text,
                                             QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton);
  // A confirmation with the given buttons, the first of them the default.
  static QMessageBox::StandardButton Confirm(QWidget* parent, const QString& text,
                                             QMessageBox::StandardButtons buttons);
  static void Error(QWidget* parent, const QString& text);
  static void Information(QWidget* parent, const QString& text);
  // A box without an icon, captioned with the program's name.
  static void Plain(QWidget* parent, const QString& text);

  // File dialogs; an empty answer means the user cancelled.
  static QString OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                              const QString& filter);
  // A save dialog that asks before overwriting (unless the name only leads to other files);
  // a name typed without an extension gets defaultSuffix (without its dot) when one is given.
  static QString SaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                              const QString& filter, const QString& defaultSuffix = QString(),
                              bool confirmOverwrite = true);
  // A dialog for a file that need not exist yet: it asks before naming a new file rather than
  // before replacing an existing one.
  static QString CreateFileName(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& filter, const QString& defaultSuffix = QString());

  // Runs dialog modally; answers QDialog::Accepted or QDialog::Rejected.
  static int Exec(QDialog& dialog);

  static void OpenUrl(const QUrl& url);

  // --- test hooks ---
  // Without a person nothing is ever shown: unanswered message boxes take their default
  // button, file dialogs are cancelled, modal dialogs rejected and web pages only recorded.
  static void SetUnattended(bool unattended);
  static void SetNextAnswer(QMessageBox::StandardButton answer);
  static void SetNextFileName(const QString& fileName);
  // The handler gets the dialog (set up and placed, not shown) and answers its result.
  static void SetNextDialogHandler(std::function<int(QDialog&)> handler);
  static QString LastMessageText();
  static QString LastMessageCaption();
  static int MessageCount();
  static QUrl LastUrl();
  // Forgets queued answers and recorded texts.
  static void Reset();
};

}  // namespace vexilon
