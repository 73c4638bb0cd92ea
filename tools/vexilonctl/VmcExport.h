#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace vexilon {

// vmc export: writes the frames first to last (0: to the end) of a recording, or of one
// window of it, into a video file; the format follows target's extension. Returns the exit
// code. vexilonctl hands the command to vexilonctl-media, which links the video libraries.
int RunVmcExport(const std::string& source, const std::string& target,
                 std::optional<std::int32_t> window, std::int32_t first, std::int32_t last);

}  // namespace vexilon
