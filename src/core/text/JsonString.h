#pragma once
#include <string>
#include <string_view>

namespace vexilon {

// text as a quoted JSON string. Quotes, backslashes and control characters are escaped; bytes
// from 0x80 on are kept when they form valid UTF-8, else each becomes \u00XX (read as
// Latin-1), so that names and heads from files and cameras always give valid JSON.
std::string JsonString(std::string_view text);

}  // namespace vexilon
