#pragma once
#include <string>
#include <vector>

namespace vexilon {

// vexilonctl picture info|convert: a picture file decoded as a camera window decodes a frame;
// answers the exit code.
int RunPictureCommand(const std::vector<std::string>& args);

}  // namespace vexilon
