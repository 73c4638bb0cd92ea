#include "support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace vexilon {

TChildProcess::TChildProcess(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    FError = std::strerror(errno);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  const int spawned = posix_spawn(&FPid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  FOut = pipeFds[0];
  if (spawned != 0) {
    FPid = -1;
    FError = "cannot start " + argv[0] + ": " + std::strerror(spawned);
  }
}

std::string TChildProcess::WaitForLine(const std::string& marker,
                                       std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const size_t at = FRead.find(marker);
    const size_t end = at == std::string::npos ? at : FRead.find('\n', at);
    if (end != std::string::npos) return FRead.substr(at + marker.size(), end - at - marker.size());
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{FOut, POLLIN, 0};
    char buffer[256];
    ssize_t n = 0;
    if (FOut < 0 || left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0 ||
        (n = ::read(FOut, buffer, sizeof buffer)) <= 0) {
      if (FError.empty()) FError = "no line with '" + marker + "'; it printed: " + FRead;
      return {};
    }
    FRead.append(buffer, size_t(n));
  }
}

TChildProcess::~TChildProcess() {
  if (FPid > 0) {
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
  }
  if (FOut >= 0) ::close(FOut);
}

}  // namespace vexilon
