#pragma once
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace vexilon {

// A program a test runs beside it, its standard output readable line by line. The destructor
// kills it.
class TChildProcess {
 public:
  explicit TChildProcess(std::vector<std::string> argv);
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  bool Running() const { return FPid > 0; }
  const std::string& Error() const { return FError; }
  // Reads until a line containing marker came; what follows the marker on that line, or
  // nothing (and Error says why) when it did not come within timeout.
  std::string WaitForLine(const std::string& marker, std::chrono::milliseconds timeout);

 private:
  pid_t FPid = -1;
  int FOut = -1;
  std::string FRead;
  std::string FError;
};

}  // namespace vexilon
