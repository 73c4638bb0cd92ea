// Command-line switches from untrusted bytes (a second viewer sends its file switches over
// the local socket): parameters split at NUL, looked up, and their file switches made
// absolute without losing or adding a parameter.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "core/app/Switches.h"

using namespace vexilon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parameters(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      parameters.emplace_back();
    else
      parameters.back() += char(data[i]);
  }
  const std::vector<std::string> absolute = WithAbsoluteFileSwitches(parameters, "/work/here");
  Check(absolute.size() == parameters.size());
  SetCommandLine(parameters);
  for (const char* name : {"C", "D", "P", "NOSPLASH", "DEBUG", ""}) {
    const std::string value = SwitchValue(name);
    Check(value.size() <= size);
    SwitchPresent(name);
  }
  return 0;
}
