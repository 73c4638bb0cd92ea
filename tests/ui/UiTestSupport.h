#pragma once
#include <gtest/gtest.h>

#include <QLabel>
#include <QObject>
#include <QTemporaryDir>
#include <stdexcept>
#include <string>

#include "core/app/AtomicFile.h"
#include "core/app/ProgramPath.h"
#include "core/app/ScreenGrid.h"
#include "core/app/Settings.h"
#include "core/app/Switches.h"
#include "ui/app/Dialogs.h"

namespace vexilon {

// The child of parent with the object name name. A test that looks for one that is not there
// fails with the name instead of crashing on a null pointer.
template <class T>
T* Child(const QObject& parent, const QString& name) {
  T* child = parent.findChild<T*>(name);
  if (child == nullptr)
    throw std::runtime_error("no " + std::string(T::staticMetaObject.className()) + " named " +
                             name.toStdString() + " in " +
                             std::string(parent.metaObject()->className()));
  return child;
}
template <class T>
T* Child(const QObject& parent, const char* name) {
  return Child<T>(parent, QString::fromLatin1(name));
}

// How many labels named lblX lead to a field whose name ends in X, for screen readers.
inline int LabelsLeadingToTheirFields(const QObject& dialog) {
  int count = 0;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) {
    const QWidget* field = label->buddy();
    count += field != nullptr && label->objectName().startsWith(QLatin1String("lbl")) &&
             field->objectName().endsWith(label->objectName().mid(3));
  }
  return count;
}

// Each test works in a program folder of its own, with default settings, an empty command
// line, a one-cell screen grid and no answers left over from another test.
class TUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FFolder.isValid());
    SetProgramFolder(FFolder.path().toStdString());
    Settings() = TSettings();
    SettingsChanged = false;
    SetCommandLine({});
    ScreenGrid() = TScreenGrid();
    TDialogs::Reset();
  }
  void TearDown() override {
    TDialogs::Reset();
    ScreenGrid() = TScreenGrid();
    SetCommandLine({});
  }

  std::string File(const char* name) const { return FFolder.path().toStdString() + "/" + name; }
  // The configuration file's text; empty when it was never written.
  std::string IniText() const {
    std::string text;
    ReadWholeFile(File("Vexilon.ini"), text);
    return text;
  }

  QTemporaryDir FFolder;
};

}  // namespace vexilon
