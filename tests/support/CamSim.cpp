#include "support/CamSim.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace vexilon {
namespace {

constexpr std::chrono::seconds kStartTimeout{10};
const std::string kListening = "camsim listening on 127.0.0.1:";

}  // namespace

TCamSim::TCamSim(std::vector<std::string> args) {
  args.insert(args.begin(), {CAMSIM_PATH, "--port", "0", "--exit-with-parent"});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    FError = std::strerror(errno);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  const int spawned = posix_spawn(&FPid, CAMSIM_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  FOut = pipeFds[0];
  if (spawned != 0) {
    FPid = -1;
    FError = std::string("cannot start " CAMSIM_PATH ": ") + std::strerror(spawned);
    return;
  }

  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (out.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{FOut, POLLIN, 0};
    char buffer[256];
    ssize_t n = 0;
    if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0 ||
        (n = ::read(FOut, buffer, sizeof buffer)) <= 0) {
      FError = "camsim did not say where it listens; it printed: " + out;
      return;
    }
    out.append(buffer, size_t(n));
  }
  const std::size_t at = out.find(kListening);
  if (at == std::string::npos) {
    FError = "camsim printed: " + out;
    return;
  }
  FPort = std::atoi(out.c_str() + at + kListening.size());
}

TCamSim& SharedCamSim() {
  static TCamSim sim({"--size", "160x120", "--fps", "50", "--loop", "1"});
  return sim;
}

TCamSim::~TCamSim() {
  if (FPid > 0) {
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
  }
  if (FOut >= 0) ::close(FOut);
}

}  // namespace vexilon
