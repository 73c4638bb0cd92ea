#include "core/text/JsonString.h"

#include <gtest/gtest.h>

#include <string>

namespace vexilon {
namespace {

using namespace std::string_literals;

TEST(JsonString, EscapesWhatJsonCannotHoldAndKeepsValidUtf8) {
  const struct {
    std::string Text;
    const char* Json;
  } cases[] = {
      {"", R"("")"},
      {"Gate 1", R"("Gate 1")"},
      {"say \"hi\"\\", R"("say \"hi\"\\")"},
      {"a\r\nb\tc", R"("a\r\nb\tc")"},
      {"\0\x01\x1F\x7F"s, R"("\u0000\u0001\u001f\u007f")"},
      {"Caf\xC3\xA9 \xE2\x86\x92 \xF0\x9F\x93\xB7",
       "\"Caf\xC3\xA9 \xE2\x86\x92 \xF0\x9F\x93\xB7\""},
      {"Caf\xE9", R"("Caf\u00e9")"},                          // Latin-1
      {"\xC3", R"("\u00c3")"},                                // cut short at the end
      {"\xE2\x86x", R"("\u00e2\u0086x")"},                    // cut short before ASCII
      {"\xC0\xAF", R"("\u00c0\u00af")"},                      // overlong "/"
      {"\xED\xA0\x80", R"("\u00ed\u00a0\u0080")"},            // a surrogate
      {"\xF4\x90\x80\x80", R"("\u00f4\u0090\u0080\u0080")"},  // beyond U+10FFFF
      {"\xFF\xD8", R"("\u00ff\u00d8")"},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.Text), c.Json) << c.Json;
}

}  // namespace
}  // namespace vexilon
