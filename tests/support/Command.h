#pragma once
#include <string>

namespace vexilon {

struct TCommandRun {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

// Runs commandLine through the shell and captures its exit code, output and error output.
TCommandRun RunCommand(const std::string& commandLine);

}  // namespace vexilon
