#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vexilon {

// The lines of a multi-line text; CR LF, a lone CR and a lone LF each end a line, and a last
// line break adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Each line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// Multi-line header text as one comma-separated value: lines that hold a character of code 32
// or less, a quote character or a comma are quoted; one empty line is written as "".
std::string HeadersToCommaText(std::string_view headers);

// The reverse: comma text back to header lines, each ended by CR LF.
std::string CommaTextToHeaders(std::string_view commaText);

}  // namespace vexilon
