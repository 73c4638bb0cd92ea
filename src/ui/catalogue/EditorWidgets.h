#pragma once
#include <QLabel>
#include <QPlainTextEdit>
#include <QString>

namespace vexilon {

// The controls the entry and group editors build alike, named so that tests can find them.
template <class T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

inline QLabel* Label(QWidget* parent, const char* name, const char* caption, QWidget* buddy) {
  auto* label = Named(new QLabel(QString::fromLatin1(caption), parent), name);
  label->setBuddy(buddy);
  return label;
}

// Header lines: one per row, never wrapped; Tab moves on rather than typing a tab.
inline QPlainTextEdit* HeadersField(QWidget* parent, const char* name) {
  auto* field = Named(new QPlainTextEdit(parent), name);
  field->setLineWrapMode(QPlainTextEdit::NoWrap);
  field->setTabChangesFocus(true);
  return field;
}

}  // namespace vexilon
