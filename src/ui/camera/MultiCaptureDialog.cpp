#include "ui/camera/MultiCaptureDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/app/Settings.h"
#include "ui/app/Dialogs.h"
#include "ui/catalogue/RadioGroup.h"

namespace vexilon {
namespace {

QSpinBox* Spin(QWidget* parent, const char* name, int minimum, int maximum) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QString::fromLatin1(name));
  spin->setRange(minimum, maximum);
  return spin;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

// A number field with its label in front.
QHBoxLayout* Numbered(QWidget* parent, QSpinBox* spin) {
  auto* row = new QHBoxLayout;
  row->setSpacing(6);
  auto* label = new QLabel(QStringLiteral("Number"), parent);
  label->setBuddy(spin);
  row->addWidget(label);
  row->addWidget(spin);
  row->addStretch(1);
  return row;
}

}  // namespace

TfrmMultiCapture::TfrmMultiCapture(QWidget* parent, bool forDesktop) : QDialog(parent) {
  setObjectName("frmMultiCapture");
  setWindowTitle(QStringLiteral("Initiate Multiple Image Capture"));

  spnMilliseconds = Spin(this, "spnMilliseconds", forDesktop ? 1 : 0, kMaxCaptureDelay);
  auto* delayLabel = new QLabel(QStringLiteral("Milliseconds between captures"), this);
  delayLabel->setBuddy(spnMilliseconds);
  auto* warning = new QLabel(
      QStringLiteral("NOTE: Capture frequency will not be less than the window frequency"), this);
  warning->setObjectName("lblWarning");
  warning->setWordWrap(true);

  rgSingleCapture =
      new TRadioGroup("rgSingleCapture", QStringLiteral("Limit to Single Capture Request"),
                      {QStringLiteral("No Limit"), QStringLiteral("Number of Frames"),
                       QStringLiteral("Number of Megabytes"), QStringLiteral("Number of Minutes")},
                      this, 2);
  spnCount = Spin(this, "spnCount", 0, kMaxCaptureCount);
  static_cast<QGridLayout*>(rgSingleCapture->layout())
      ->addLayout(Numbered(this, spnCount), 2, 0, 1, 2);

  rgNumberofCaptures = new TRadioGroup(
      "rgNumberofCaptures", QStringLiteral("Limit to Number of Captures"),
      {QStringLiteral("No Limit"), QStringLiteral("Number of Capture Files")}, this, 2);
  spnCapturesLimit = Spin(this, "spnCapturesLimit", 0, kMaxCaptureCount);
  static_cast<QGridLayout*>(rgNumberofCaptures->layout())
      ->addLayout(Numbered(this, spnCapturesLimit), 1, 0, 1, 2);

  auto* style = new QGroupBox(QStringLiteral("Recording Style"), this);
  rdoJPG = new QRadioButton(QStringLiteral("Individual .JPG Files"), style);
  rdoJPG->setObjectName("rdoJPG");
  rdoVMC = new QRadioButton(QStringLiteral("Single .VMC File"), style);
  rdoVMC->setObjectName("rdoVMC");
  auto* styleRow = new QHBoxLayout(style);
  styleRow->addWidget(rdoJPG);
  styleRow->addWidget(rdoVMC);

  auto* quick = new QGroupBox(QStringLiteral("Quick Capture Options"), this);
  auto* quickColumn = new QVBoxLayout(quick);
  QPushButton* fast = Button(quick, "btnFastCapture", QStringLiteral("&A: 250ms, unlimited, .vmc"));
  QPushButton* fast2 =
      Button(quick, "btnFastCapture2", QStringLiteral("&B: 1000ms, unlimited, .vmc"));
  connect(fast, &QPushButton::clicked, this, [this] { FastCaptureClick(250); });
  connect(fast2, &QPushButton::clicked, this, [this] { FastCaptureClick(1000); });
  quickColumn->addWidget(fast);
  quickColumn->addWidget(fast2);
  for (int n = 1; n <= 4; ++n) {
    const std::string& line = Settings().User[std::size_t(n - 1)];
    const QString caption = line.empty() ? QStringLiteral("User Settings %1").arg(n)
                                         : QString::fromLocal8Bit(UserSettingsCaption(n, line));
    QPushButton* button =
        Button(quick, QStringLiteral("btnUserSettings%1").arg(n).toLatin1().constData(), caption);
    button->setProperty("tag", n);
    button->installEventFilter(this);
    connect(button, &QPushButton::clicked, this, [this, n] { UserSettingsClick(n); });
    quickColumn->addWidget(button);
    FUserButtons[n - 1] = button;
  }
  quickColumn->addStretch(1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOk");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &TfrmMultiCapture::btnOkClick);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* settings = new QVBoxLayout;
  auto* delayRow = new QHBoxLayout;
  delayRow->addWidget(delayLabel);
  delayRow->addWidget(spnMilliseconds);
  delayRow->addStretch(1);
  settings->addLayout(delayRow);
  settings->addWidget(warning);
  settings->addWidget(rgSingleCapture);
  settings->addWidget(rgNumberofCaptures);
  settings->addWidget(style);
  settings->addStretch(1);
  auto* columns = new QHBoxLayout;
  columns->addLayout(settings, 1);
  columns->addWidget(quick);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  if (forDesktop) {
    // A desktop's windows go into one file together; the note speaks of a single window.
    rdoVMC->setChecked(true);
    rdoJPG->setEnabled(false);
    warning->hide();
  }
  Show(LastMultiCaptureSettings());
}

void TfrmMultiCapture::Show(const TMultiCaptureSettings& s) {
  spnMilliseconds->setValue(s.Delay);
  spnCount->setValue(s.Count);
  rgSingleCapture->SetItemIndex(s.ClipMode);
  rgNumberofCaptures->SetItemIndex(s.FileMode);
  spnCapturesLimit->setValue(s.FileLimit);
  if (s.Style == TMultiCaptureSettings::JpegFiles) {
    if (rdoJPG->isEnabled()) rdoJPG->setChecked(true);
  } else if (rdoVMC->isEnabled()) {
    rdoVMC->setChecked(true);
  }
}

TMultiCaptureSettings TfrmMultiCapture::Chosen() const {
  TMultiCaptureSettings s;
  s.Delay = spnMilliseconds->value();
  s.Count = spnCount->value();
  s.Style = rdoJPG->isChecked() ? TMultiCaptureSettings::JpegFiles : TMultiCaptureSettings::VmcFile;
  s.ClipMode = rgSingleCapture->ItemIndex();
  s.FileMode = rgNumberofCaptures->ItemIndex();
  s.FileLimit = spnCapturesLimit->value();
  return s;
}

void TfrmMultiCapture::btnOkClick() {
  LastMultiCaptureSettings() = Chosen();
  accept();
}

void TfrmMultiCapture::FastCaptureClick(int delay) {
  spnMilliseconds->setValue(delay);
  spnCount->setValue(0);
  rdoVMC->setChecked(true);
  accept();
}

void TfrmMultiCapture::UserSettingsClick(int number) {
  Show(ParseUserSettings(Settings().User[std::size_t(number - 1)]));
  accept();
}

void TfrmMultiCapture::UserSettingsSave(int number) {
  if (TDialogs::Confirm(this, QStringLiteral("Do you want to save the settings under this button?"),
                        QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  const std::string line = FormatUserSettings(Chosen());
  Settings().User[std::size_t(number - 1)] = line;
  FUserButtons[number - 1]->setText(QString::fromLocal8Bit(UserSettingsCaption(number, line)));
  SettingsChanged = true;
}

bool TfrmMultiCapture::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    const int number = watched->property("tag").toInt();
    if (number >= 1 && number <= 4) {
      UserSettingsSave(number);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vexilon
