#include "ui/app/ProxyDialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app/Settings.h"
#include "ui/app/Dialogs.h"

namespace vexilon {

namespace {

constexpr int kClientWidth = 352;
constexpr int kClientHeight = 153;

}  // namespace

TfrmProxy::TfrmProxy(QWidget* parent) : QDialog(parent) {
  setObjectName("frmProxy");
  setWindowTitle(QStringLiteral("Proxy Server Settings"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  auto* label = new QLabel(QStringLiteral("Address of Proxy Server"), this);
  edtProxyAddress = new QLineEdit(this);
  edtProxyAddress->setObjectName("edtProxyAddress");
  label->setBuddy(edtProxyAddress);

  auto* rgProxy = new QGroupBox(QStringLiteral("Type of Proxy Server"), this);
  rgProxy->setObjectName("rgProxy");
  FProxyButtons = new QButtonGroup(this);
  auto* radios = new QVBoxLayout(rgProxy);
  radios->setSpacing(0);
  radios->setContentsMargins(8, 2, 8, 4);
  const char* const kinds[] = {"None", "Send 'CONNECT host:port' commands",
                               "Send Extended GET commands with Host line (Recommended)",
                               "Only Send Host line"};
  for (int i = 0; i < 4; ++i) {
    auto* radio = new QRadioButton(QString::fromLatin1(kinds[i]), rgProxy);
    radio->setObjectName(QStringLiteral("rgProxyItem%1").arg(i));
    FProxyButtons->addButton(radio, i);
    radios->addWidget(radio);
  }

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("btnOk");
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName("btnCancel");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  // Address and buttons share the top row so that the four kinds fit the small dialog.
  auto* top = new QHBoxLayout;
  top->addWidget(edtProxyAddress, 1);
  top->addWidget(ok);
  top->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 6, 8, 8);
  layout->setSpacing(4);
  layout->addWidget(label);
  layout->addLayout(top);
  layout->addWidget(rgProxy);

  const QSize hint = sizeHint();
  setFixedSize(std::max(hint.width(), kClientWidth), std::max(hint.height(), kClientHeight));
}

void TfrmProxy::LoadFromSettings(const TSettings& settings) {
  edtProxyAddress->setText(QString::fromLocal8Bit(settings.Proxy));
  SetProxyTypeIndex(settings.ProxyType);
}

void TfrmProxy::StoreToSettings(TSettings& settings) const {
  settings.Proxy = edtProxyAddress->text().toLocal8Bit().toStdString();
  settings.ProxyType = ProxyTypeIndex();
}

int TfrmProxy::ProxyTypeIndex() const {
  // An index outside the four kinds leaves no radio checked; it is kept as none.
  return std::max(FProxyButtons->checkedId(), 0);
}

void TfrmProxy::SetProxyTypeIndex(int index) {
  QAbstractButton* button = FProxyButtons->button(index);
  if (button != nullptr) {
    button->setChecked(true);
    return;
  }
  // No radio for this kind: clear the choice (exclusive groups refuse to uncheck otherwise).
  FProxyButtons->setExclusive(false);
  for (QAbstractButton* b : FProxyButtons->buttons()) b->setChecked(false);
  FProxyButtons->setExclusive(true);
}

bool ExecuteProxyDialog(QWidget* parent, TSettings& settings) {
  TfrmProxy dialog(parent);
  dialog.LoadFromSettings(settings);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = dialog.rect();
    frame.moveCenter(screen->geometry().center());
    dialog.move(frame.topLeft());
  }
  if (TDialogs::Exec(dialog) != QDialog::Accepted) return false;
  dialog.StoreToSettings(settings);
  return true;
}

}  // namespace vexilon
