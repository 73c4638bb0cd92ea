#include "ui/playback/ClippedFrames.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vexilon {

TfrmClippedFrames::TfrmClippedFrames(QWidget* parent, std::int32_t cutStart, std::int32_t cutEnd)
    : QDialog(parent) {
  setObjectName("frmClippedFrames");
  setWindowTitle(QStringLiteral("Clipped Frames"));
  auto* layout = new QVBoxLayout(this);
  auto* question = new QLabel(QStringLiteral("What do you want to do with the selected frames?"));
  question->setObjectName("lblQuestion");
  layout->addWidget(question);
  auto* range = new QLabel(QStringLiteral("Frames %1 to %2").arg(cutStart).arg(cutEnd));
  range->setObjectName("lblFrameRange");
  layout->addWidget(range);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  const struct {
    const char* Name;
    const char* Caption;
    int Result;
  } choices[] = {{"btnExtract", "Extract", QDialog::Accepted},
                 {"btnDelete", "Delete", kClippedDelete},
                 {"btnCancel", "Cancel", QDialog::Rejected}};
  for (const auto& choice : choices) {
    auto* button = new QPushButton(QString::fromLatin1(choice.Caption), this);
    button->setObjectName(QString::fromLatin1(choice.Name));
    const int result = choice.Result;
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    buttons->addWidget(button);
  }
  // Deleting frames cannot be undone: the harmless choice is the one Enter takes.
  findChild<QPushButton*>("btnExtract")->setDefault(true);
  layout->addLayout(buttons);
}

}  // namespace vexilon
