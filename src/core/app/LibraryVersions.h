#pragma once
#include <string>

namespace vexilon {

// The libraries the core is built on, with their versions: "zlib 1.2.13, libjpeg-turbo 2.1.5".
std::string LibraryVersions();

}  // namespace vexilon
