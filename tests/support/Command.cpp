#include "support/Command.h"

#include <sys/wait.h>

#include <cstdio>

#include "core/app/AtomicFile.h"
#include "support/TempDir.h"

namespace vexilon {

TCommandRun RunCommand(const std::string& commandLine) {
  TTempDir dir;
  const std::string errFile = dir.File("stderr.txt");
  TCommandRun run;
  FILE* pipe = ::popen((commandLine + " 2>'" + errFile + "'").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ReadWholeFile(errFile, run.Err);
  return run;
}

}  // namespace vexilon
