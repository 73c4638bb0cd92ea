#include "support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

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

int TChildProcess::Stop(std::chrono::milliseconds timeout) {
  if (FPid <= 0) return -1;
  ::kill(FPid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    if (::waitpid(FPid, &status, WNOHANG) == FPid) {
      FPid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TChildProcess::~TChildProcess() {
  if (FPid > 0 && Stop(std::chrono::seconds(5)) < 0) {
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
  }
  if (FOut >= 0) ::close(FOut);
}

}  // namespace vexilon
