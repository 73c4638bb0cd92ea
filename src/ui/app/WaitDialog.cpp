#include "ui/app/WaitDialog.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/app/GridPlacement.h"

namespace vexilon {

namespace {

constexpr int kMargin = 16;
constexpr int kTitleButtonRoom = 40;

}  // namespace

TfrmWait::TfrmWait(const QString& caption, const QString& text) {
  // A title without any buttons: the operation cannot be cancelled from here.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(caption);
  setModal(false);
  FPrompt = new QLabel(text, this);
  FPrompt->setObjectName("Prompt");
  FPrompt->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->addWidget(FPrompt);
  FitTo(text);
}

QString TfrmWait::Text() const {
  return FPrompt->text();
}

void TfrmWait::SetText(const QString& text) {
  FPrompt->setText(text);
  if (FPrompt->minimumWidth() < fontMetrics().horizontalAdvance(text)) FitTo(text);
}

void TfrmWait::FitTo(const QString& text) {
  const QFontMetrics metrics(font());
  const int width = std::max(metrics.horizontalAdvance(windowTitle()) + kTitleButtonRoom,
                             metrics.horizontalAdvance(text));
  FPrompt->setMinimumWidth(width);
  setFixedSize(width + 2 * kMargin, metrics.height() + 2 * kMargin);
}

std::unique_ptr<TfrmWait> ShowWaitDialog(const QString& caption, const QString& text) {
  auto dialog = std::make_unique<TfrmWait>(caption, text);
  PlaceInGridCell(*dialog);
  dialog->show();
  QApplication::processEvents();
  return dialog;
}

void SetWaitText(TfrmWait* dialog, const QString& text) {
  if (dialog == nullptr) return;
  dialog->SetText(text);
  dialog->repaint();
  QApplication::processEvents();
}

}  // namespace vexilon
