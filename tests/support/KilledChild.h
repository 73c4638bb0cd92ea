#pragma once
// Runs work in a child process and kills it without warning once ready says so, as a power cut
// or a crash would end the program: for tests of what such an end leaves on disk.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

namespace vexilon {

// False when the child could not be started or ready never came within the time allowed.
// work runs until it is killed (it never returns to the test framework).
inline bool RunAndKill(const std::function<void()>& work, const std::function<bool()>& ready,
                       std::chrono::seconds allowed = std::chrono::seconds(20)) {
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    work();
    _exit(0);
  }
  const auto end = std::chrono::steady_clock::now() + allowed;
  bool came = false;
  while (!(came = ready()) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  return came;
}

}  // namespace vexilon
