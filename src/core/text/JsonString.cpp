#include "core/text/JsonString.h"

#include <cstdint>
#include <cstdio>

namespace vexilon {
namespace {

// Length of the UTF-8 sequence at text's start (one that starts with a byte from 0x80 on);
// 0 when it is not valid: cut short, overlong, a surrogate or beyond U+10FFFF.
size_t Utf8Length(std::string_view text) {
  const auto first = uint8_t(text[0]);
  size_t length = 0;
  uint32_t code = 0, least = 0;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2, code = first & 0x1F, least = 0x80;
  } else if ((first & 0xF0) == 0xE0) {
    length = 3, code = first & 0x0F, least = 0x800;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4, code = first & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const auto next = uint8_t(text[i]);
    if ((next & 0xC0) != 0x80) return 0;
    code = code << 6 | (next & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

void AppendCodeUnit(std::string& out, uint8_t byte) {
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
  out += escaped;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (size_t i = 0; i < text.size();) {
    const auto c = uint8_t(text[i]);
    if (c >= 0x80) {
      if (const size_t length = Utf8Length(text.substr(i)); length > 0) {
        out.append(text, i, length);
        i += length;
      } else {
        AppendCodeUnit(out, c);
        ++i;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F)
          AppendCodeUnit(out, c);
        else
          out += char(c);
    }
    ++i;
  }
  out += '"';
  return out;
}

}  // namespace vexilon
