#pragma once
#include <string>
#include <vector>

namespace vexilon {

// vexilonctl record URL [options]: records a camera as a camera window's multi-capture does
// until the limits end it, the time is up or SIGINT/SIGTERM arrives; answers the exit code.
int RunRecordCommand(const std::vector<std::string>& args);

}  // namespace vexilon
