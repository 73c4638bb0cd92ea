#include "core/ffmpeg/LibraryMessages.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "core/app/DebugLog.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace vexilon {
namespace {

void LibraryMessage(void*, int level, const char* format, va_list args) {
  if (level > AV_LOG_WARNING || !DebugEnabled()) return;
  char line[512];
  std::vsnprintf(line, sizeof line, format, args);
  std::string text(line);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  Log("FFmpeg: " + text);
}

}  // namespace

void RouteLibraryMessages() {
  static std::once_flag routed;
  std::call_once(routed, [] { av_log_set_callback(&LibraryMessage); });
}

std::string LibraryWords(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace vexilon
