#pragma once
#include <QDialog>
#include <QSpinBox>
#include <QString>

namespace vexilon {

// A spin field whose arrows stay within [minimum, maximum] while the user may type any
// decimal number, which is then taken as typed. A cleared field reads as the minimum.
class TSpinField : public QSpinBox {
  Q_OBJECT
 public:
  TSpinField(int minimum, int maximum, QWidget* parent = nullptr);
  int Minimum() const { return FMinimum; }
  int Maximum() const { return FMaximum; }
  // The field's text as a decimal integer; the minimum when it is not a number.
  int TypedValue() const;

 protected:
  QValidator::State validate(QString& text, int& pos) const override;
  void fixup(QString& text) const override;
  void stepBy(int steps) override;
  StepEnabled stepEnabled() const override;

 private:
  int FMinimum;
  int FMaximum;
};

// The small modal question of NumberQuery and TextQuery: a prompt above one field, OK and
// Cancel. Children: lblPrompt, the field, btnOk, btnCancel.
class TfrmQuery : public QDialog {
  Q_OBJECT
 public:
  TfrmQuery(const QString& caption, const QString& prompt, QWidget* field);
};

// Asks for a number in [minimum, maximum] (spin field spnValue); on OK stores it in value and
// answers true, else leaves value alone.
bool NumberQuery(const QString& caption, const QString& prompt, int& value, int minimum,
                 int maximum);

// Asks for one line of at most 255 characters (edit field edtText); on OK stores it in text.
bool TextQuery(const QString& caption, const QString& prompt, QString& text);

}  // namespace vexilon
