#pragma once
#include <string>

namespace vexilon {

// FFmpeg's own messages go to the debug log, not to the terminal; once per process.
void RouteLibraryMessages();

// FFmpeg's words for one of its error codes.
std::string LibraryWords(int code);

}  // namespace vexilon
