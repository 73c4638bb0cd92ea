#include "core/app/Switches.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vexilon
