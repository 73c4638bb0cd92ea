#include "core/app/Switches.h"

#include <gtest/gtest.h>

namespace vexilon {
namespace {

struct TSwitchCase {
  std::vector<std::string> Parameters;
  std::string Name;
  bool Present;
  std::string Value;
};

void PrintTo(const TSwitchCase& c, std::ostream* out) {
  for (const std::string& parameter : c.Parameters) *out << parameter << ' ';
  *out << "-> " << c.Name;
}

class SwitchTest : public ::testing::TestWithParam<TSwitchCase> {};

TEST_P(SwitchTest, ReadsBothForms) {
  const TSwitchCase& c = GetParam();
  SetCommandLine(c.Parameters);
  EXPECT_EQ(SwitchPresent(c.Name), c.Present);
  EXPECT_EQ(SwitchValue(c.Name), c.Value);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SwitchTest,
    ::testing::Values(
        // Both separators; the value runs from the first separator, so a drive colon stays.
        TSwitchCase{{"/c:D:\\cams\\x.vxc"}, "C", false, "D:\\cams\\x.vxc"},
        TSwitchCase{{"/C=D:\\x.vxc"}, "C", false, "D:\\x.vxc"},
        TSwitchCase{{"/P=a=b"}, "P", false, "a=b"}, TSwitchCase{{"/P:a=b"}, "p", false, "a=b"},
        TSwitchCase{{"/D=a:b"}, "D", false, "a:b"}, TSwitchCase{{"/C="}, "C", false, ""},
        // A switch alone is a flag and an empty value.
        TSwitchCase{{"/C"}, "C", true, ""}, TSwitchCase{{"/nt"}, "NT", true, ""},
        TSwitchCase{{"/NOWEB", "/Debug"}, "debug", true, ""},
        // A longer name is another switch.
        TSwitchCase{{"/CX=a"}, "C", false, ""}, TSwitchCase{{"/CX=a"}, "CX", false, "a"},
        TSwitchCase{{"/NTX"}, "NT", false, ""},
        // A flag with a value attached is no flag.
        TSwitchCase{{"/DEBUG=1"}, "DEBUG", false, "1"},
        // The first matching parameter wins, and one that is alone matches.
        TSwitchCase{{"/C=first", "/C=second"}, "C", false, "first"},
        TSwitchCase{{"/CX=1", "/C=2"}, "C", false, "2"}, TSwitchCase{{"/C", "/C=x"}, "C", true, ""},
        // Without the slash, or with a file path that merely begins like a switch.
        TSwitchCase{{"C=x", "-C=x"}, "C", false, ""},
        TSwitchCase{{"/Cameras/x.vxc"}, "C", false, ""}, TSwitchCase{{}, "C", false, ""},
        TSwitchCase{{"/"}, "C", false, ""}));

}  // namespace
}  // namespace vexilon
