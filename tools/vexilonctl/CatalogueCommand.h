#pragma once
#include <string>
#include <vector>

namespace vexilon {

// vexilonctl catalogue list FILE | convert IN OUT; answers the exit code.
int RunCatalogueCommand(const std::vector<std::string>& args);

}  // namespace vexilon
