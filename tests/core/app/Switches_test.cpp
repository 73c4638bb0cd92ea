#include "core/app/Switches.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/AtomicFile.h"
#include "core/app/TerminalAnswer.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

TEST(Switches, ReadsBothForms) {
  struct Case {
    std::vector<std::string> parameters;
    const char* name;
    bool present;
    const char* value;
  } cases[] = {
      // Both separators; the value runs from the first separator, so a drive colon stays.
      {{"/c:D:\\cams\\x.vxc"}, "C", false, "D:\\cams\\x.vxc"},
      {{"/C=D:\\x.vxc"}, "C", false, "D:\\x.vxc"},
      {{"/P:a=b"}, "p", false, "a=b"},
      {{"/D=a:b"}, "D", false, "a:b"},
      {{"/C="}, "C", false, ""},
      // A switch alone is a flag and an empty value.
      {{"/C"}, "C", true, ""},
      {{"/NOWEB", "/Debug"}, "debug", true, ""},
      // A longer name is another switch; a flag with a value attached is no flag.
      {{"/CX=a"}, "C", false, ""},
      {{"/CX=a"}, "CX", false, "a"},
      {{"/NTX"}, "NT", false, ""},
      {{"/DEBUG=1"}, "DEBUG", false, "1"},
      // The first matching parameter wins, and one that is alone matches.
      {{"/C=first", "/C=second"}, "C", false, "first"},
      {{"/CX=1", "/C=2"}, "C", false, "2"},
      {{"/C", "/C=x"}, "C", true, ""},
      // Without the slash, or with a file path that merely begins like a switch.
      {{"C=x", "-C=x"}, "C", false, ""},
      {{"/Cameras/x.vxc"}, "C", false, ""},
      {{}, "C", false, ""},
      {{"/"}, "C", false, ""},
  };
  for (const Case& c : cases) {
    SetCommandLine(c.parameters);
    EXPECT_EQ(SwitchPresent(c.name), c.present) << ::testing::PrintToString(c.parameters);
    EXPECT_EQ(SwitchValue(c.name), c.value) << ::testing::PrintToString(c.parameters);
  }
  SetCommandLine({});
}

TEST(Switches, FilesRelativeToTheWorkingFolderBecomeAbsoluteBeforeTheyTravel) {
  TTempDir dir;
  std::filesystem::create_directories(dir.File("cams"));
  for (const char* name : {"rec.vmc", "cams/a.vxd", "x.vxc"})
    WriteFileAtomically(dir.File(name), "");
  // Each row: a parameter as given, and as it travels.
  const std::pair<std::string, std::string> rows[] = {
      {"/p=rec.vmc", "/p=" + dir.File("rec.vmc")},
      {"/D:./cams/../cams/a.vxd", "/D:" + dir.File("cams/a.vxd")},
      {"/C=x.vxc", "/C=" + dir.File("x.vxc")},
      {"/C=gone.vxc", "/C=gone.vxc"},  // left to the program folder
      {"/D=/abs.vxd", "/D=/abs.vxd"},
      {"/X=rec.vmc", "/X=rec.vmc"},
      {"/P", "/P"},
      {"/NOWEB", "/NOWEB"},
      {"/P=cams", "/P=cams"},                          // a folder
      {"cams/a.vxd", "/D=" + dir.File("cams/a.vxd")},  // alone, as launchers pass files
      {dir.File("rec.vmc"), "/P=" + dir.File("rec.vmc")},
      {"gone.vmc", "gone.vmc"}};
  std::vector<std::string> given, expected;
  for (const auto& [in, out] : rows) {
    given.push_back(in);
    expected.push_back(out);
  }
  EXPECT_EQ(WithAbsoluteFileSwitches(given, dir.Path()), expected);
}

TEST(Switches, HelpAndVersionAreAnsweredOnTheTerminal) {
  EXPECT_NE(TerminalAnswer({"--help"})->find("/P=FILE"), std::string::npos);
  EXPECT_EQ(TerminalAnswer({"/NOWEB", "-h"}), TerminalAnswer({"--help"}));
  EXPECT_EQ(TerminalAnswer({"--version"})->rfind("vexilon ", 0), 0u);
  EXPECT_FALSE(TerminalAnswer({"/NOWEB", "/help", "rec.vmc"}));
}

}  // namespace
}  // namespace vexilon
