#include "ui/catalogue/AuthField.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace vexilon {
namespace {

std::pair<QString, QString> Split(const QString& auth) {
  const qsizetype colon = auth.indexOf(QLatin1Char(':'));
  if (colon < 0) return {auth, QString()};
  return {auth.left(colon), auth.mid(colon + 1)};
}

}  // namespace

TAuthField::TAuthField(const char* name, QWidget* parent) : QWidget(parent) {
  setObjectName(QString::fromLatin1(name));
  FUser = new QLineEdit(this);
  FUser->setObjectName(objectName() + QStringLiteral("User"));
  FUser->setPlaceholderText(QStringLiteral("user name"));
  FPassword = new QLineEdit(this);
  FPassword->setObjectName(objectName() + QStringLiteral("Password"));
  FPassword->setPlaceholderText(QStringLiteral("password"));
  FPassword->setEchoMode(QLineEdit::Password);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(FUser, 1);
  row->addWidget(FPassword, 1);
  setFocusProxy(FUser);
}

void TAuthField::SetText(const QString& auth) {
  FLoaded = auth;
  const auto [user, password] = Split(auth);
  FUser->setText(user);
  FPassword->setText(password);
}

QString TAuthField::Text() const {
  if (Split(FLoaded) == std::pair(FUser->text(), FPassword->text())) return FLoaded;
  if (FUser->text().isEmpty() && FPassword->text().isEmpty()) return QString();
  return FUser->text() + QLatin1Char(':') + FPassword->text();
}

}  // namespace vexilon
