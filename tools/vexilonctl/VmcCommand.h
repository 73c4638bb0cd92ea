#pragma once
#include <string>
#include <vector>

namespace vexilon {

// vexilonctl vmc info|cut|extract|explode: multi-capture files read and edited as the
// playback window does; answers the exit code.
int RunVmcCommand(const std::vector<std::string>& args);

// The caption height written into recordings and extracts, which have no window to ask.
inline constexpr int kDefaultCaptionHeight = 22;

}  // namespace vexilon
