#include "VmcExport.h"

#include "MediaHandOver.h"

#ifdef VEXILON_MEDIA
#include <csignal>
#include <cstdio>

#include "CommandLine.h"
#include "core/export/VideoExport.h"
#endif

namespace vexilon {

#ifdef VEXILON_MEDIA
namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
  gInterrupted = 1;
}

}  // namespace

int RunVmcExport(const std::string& source, const std::string& target,
                 std::optional<std::int32_t> window, std::int32_t first, std::int32_t last) {
  // Ctrl+C ends the export through its cancel, which removes the half-written file.
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  TVideoExportOptions options{source, target, VideoFormatFor(target), window, first, last};
  const TVideoExportResult result =
      ExportVideo(options, [](std::int32_t, std::int32_t) { return gInterrupted == 0; });
  if (result.Cancelled) return Failure("export interrupted; " + target + " was not written");
  std::printf("frames=%d file=%s\n", int(result.Frames), target.c_str());
  return 0;
}
#else
int RunVmcExport(const std::string&, const std::string&, std::optional<std::int32_t>, std::int32_t,
                 std::int32_t) {
  return HandOverToMediaTool("Video export");
}
#endif

}  // namespace vexilon
