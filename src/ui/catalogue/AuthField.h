#pragma once
#include <QString>
#include <QWidget>

class QLineEdit;

namespace vexilon {

// An authorisation as two fields, user name and password (masked), stored as "user:password"
// as always. A value the user did not change is given back exactly as it was loaded.
class TAuthField : public QWidget {
  Q_OBJECT
 public:
  // name: the object name; the fields are name + "User" and name + "Password".
  TAuthField(const char* name, QWidget* parent);
  void SetText(const QString& auth);
  QString Text() const;
  QLineEdit* User() const { return FUser; }
  QLineEdit* Password() const { return FPassword; }

 private:
  QLineEdit* FUser;
  QLineEdit* FPassword;
  QString FLoaded;
};

}  // namespace vexilon
