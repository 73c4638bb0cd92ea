#pragma once
#include <string>
#include <vector>

namespace vexilon {

// vexilonctl probe (URL | --entry PATH) [options]: runs one video connection thread against
// the camera and reports the response head, every frame and the rate; answers the exit code
// (0 when a frame arrived, 1 when none did, 2 for bad arguments).
int RunProbeCommand(const std::vector<std::string>& args);

}  // namespace vexilon
