#include "core/app/Switches.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/AtomicFile.h"
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
  const std::vector<std::string> given = {"/p=rec.vmc",  "/D:./cams/../cams/a.vxd",
                                          "/C=x.vxc",    "/C=gone.vxc",
                                          "/D=/abs.vxd", "/X=rec.vmc",
                                          "/P",          "/NOWEB",
                                          "/P=cams"};
  const std::vector<std::string> expected = {"/p=" + dir.File("rec.vmc"),
                                             "/D:" + dir.File("cams/a.vxd"),
                                             "/C=" + dir.File("x.vxc"),
                                             "/C=gone.vxc",
                                             "/D=/abs.vxd",
                                             "/X=rec.vmc",
                                             "/P",
                                             "/NOWEB",
                                             "/P=cams"};
  EXPECT_EQ(WithAbsoluteFileSwitches(given, dir.Path()), expected);
}

}  // namespace
}  // namespace vexilon
