#include "ui/app/QueryDialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "ui/app/Dialogs.h"
#include "ui/app/GridPlacement.h"

namespace vexilon {

namespace {

constexpr int kMinimumTextWidth = 220;
constexpr int kMaxTextLength = 255;

bool IsSignOnly(const QString& text) {
  return text.isEmpty() || text == QLatin1String("-") || text == QLatin1String("+");
}

}  // namespace

TSpinField::TSpinField(int minimum, int maximum, QWidget* parent)
    : QSpinBox(parent), FMinimum(minimum), FMaximum(maximum) {
  // The box itself accepts every int so that a typed number outside the range survives
  // leaving the field; the arrows keep to the range in stepBy.
  setRange(INT_MIN, INT_MAX);
  setValue(minimum);
}

int TSpinField::TypedValue() const {
  bool ok = false;
  const int value = text().toInt(&ok, 10);
  return ok ? value : FMinimum;
}

QValidator::State TSpinField::validate(QString& text, int& /*pos*/) const {
  if (IsSignOnly(text)) return QValidator::Intermediate;
  const int start = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  for (int i = start; i < text.size(); ++i)
    if (text[i].unicode() < u'0' || text[i].unicode() > u'9') return QValidator::Invalid;
  bool ok = false;
  text.toInt(&ok, 10);
  return ok ? QValidator::Acceptable : QValidator::Invalid;
}

void TSpinField::fixup(QString& text) const {
  if (IsSignOnly(text)) text = QString::number(FMinimum);
}

void TSpinField::stepBy(int steps) {
  const long long next = static_cast<long long>(TypedValue()) + steps;
  setValue(static_cast<int>(std::clamp<long long>(next, FMinimum, FMaximum)));
  selectAll();
}

QAbstractSpinBox::StepEnabled TSpinField::stepEnabled() const {
  const int value = TypedValue();
  StepEnabled enabled = StepNone;
  // From a typed value outside the range either arrow brings it back to the nearest end.
  if (value != FMaximum) enabled |= StepUpEnabled;
  if (value != FMinimum) enabled |= StepDownEnabled;
  return enabled;
}

TfrmQuery::TfrmQuery(const QString& caption, const QString& prompt, QWidget* field) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(caption);
  auto* label = new QLabel(prompt, this);
  label->setObjectName("lblPrompt");
  const QFontMetrics metrics(font());
  // Room for the caption too, since a title bar cannot widen its window.
  const int textWidth = std::max({metrics.horizontalAdvance(caption) + 60,
                                  metrics.horizontalAdvance(prompt), kMinimumTextWidth});
  label->setMinimumWidth(textWidth);
  field->setParent(this);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("btnOk");
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName("btnCancel");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(label);
  layout->addWidget(field);
  layout->addSpacing(4);
  layout->addLayout(buttons);
  field->setFocus();
}

namespace {

int RunQuery(TfrmQuery& dialog) {
  dialog.adjustSize();
  PlaceInGridCell(dialog);
  return TDialogs::Exec(dialog);
}

}  // namespace

bool NumberQuery(const QString& caption, const QString& prompt, int& value, int minimum,
                 int maximum) {
  auto* spin = new TSpinField(minimum, maximum);
  spin->setObjectName("spnValue");
  spin->setValue(value);
  TfrmQuery dialog(caption, prompt, spin);
  spin->selectAll();
  if (RunQuery(dialog) != QDialog::Accepted) return false;
  value = spin->TypedValue();
  return true;
}

bool TextQuery(const QString& caption, const QString& prompt, QString& text) {
  auto* edit = new QLineEdit;
  edit->setObjectName("edtText");
  edit->setMaxLength(kMaxTextLength);
  edit->setText(text);
  TfrmQuery dialog(caption, prompt, edit);
  edit->selectAll();
  if (RunQuery(dialog) != QDialog::Accepted) return false;
  text = edit->text();
  return true;
}

}  // namespace vexilon
