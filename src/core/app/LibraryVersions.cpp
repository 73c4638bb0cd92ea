#include "core/app/LibraryVersions.h"

#include <zlib.h>

#include <cstdio>

#include <jpeglib.h>

namespace vexilon {
namespace {

#define VEXILON_TEXT(x) #x
#define VEXILON_EXPANDED_TEXT(x) VEXILON_TEXT(x)

}  // namespace

std::string LibraryVersions() {
  std::string text = "zlib " + std::string(zlibVersion());
#ifdef LIBJPEG_TURBO_VERSION
  text += ", libjpeg-turbo " VEXILON_EXPANDED_TEXT(LIBJPEG_TURBO_VERSION);
#else
  text += ", libjpeg " + std::to_string(JPEG_LIB_VERSION);
#endif
  return text;
}

}  // namespace vexilon
