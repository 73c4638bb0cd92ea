#pragma once
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "core/app/AtomicFile.h"
#include "core/app/ProgramPath.h"
#include "core/app/ScreenGrid.h"
#include "core/app/Settings.h"
#include "core/app/Switches.h"
#include "ui/app/Dialogs.h"

namespace vexilon {

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
