#pragma once
#include <QDialog>
#include <QString>
#include <memory>

class QLabel;

namespace vexilon {

// A small modeless notice shown during a long operation on the UI thread (a catalogue load).
// Its one label is named "Prompt".
class TfrmWait : public QDialog {
  Q_OBJECT
 public:
  TfrmWait(const QString& caption, const QString& text);
  QString Text() const;
  void SetText(const QString& text);

 private:
  void FitTo(const QString& text);
  QLabel* FPrompt;
};

// Creates, places and shows the dialog; the caller keeps it as long as the operation runs.
std::unique_ptr<TfrmWait> ShowWaitDialog(const QString& caption, const QString& text);

// Replaces the dialog's text and lets pending events run so that the change is seen while the
// caller keeps the UI thread busy.
void SetWaitText(TfrmWait* dialog, const QString& text);

}  // namespace vexilon
