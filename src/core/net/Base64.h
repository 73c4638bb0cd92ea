#pragma once
#include <string>
#include <string_view>

namespace vexilon {

// Standard Base64 (RFC 2045 alphabet, "=" padding, no line breaks), as HTTP Basic
// authentication needs it.
std::string EncodeBase64(std::string_view data);

}  // namespace vexilon
