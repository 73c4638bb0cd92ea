#pragma once
#include <string>
#include <vector>

namespace vexilon {

// vexilonctl snapshot (URL | --entry PATH) OUT.jpg [options]: saves the first frame of a camera
// as received; answers the exit code (0 saved, 1 no frame in time, 2 bad arguments).
int RunSnapshotCommand(const std::vector<std::string>& args);

}  // namespace vexilon
