#include "support/FfmpegServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "support/LoopbackServer.h"

extern char** environ;

namespace vexilon {
namespace {

constexpr const char* kFfmpeg = "/usr/bin/ffmpeg";

// ffmpeg serves one client and ends, so a probing connect would use it up: wait instead
// until the port is taken (bind fails) by ffmpeg's listening socket.
bool Listening(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(uint16_t(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool taken = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0;
  ::close(fd);
  return taken;
}

}  // namespace

bool TFfmpegServer::Installed() {
  return ::access(kFfmpeg, X_OK) == 0;
}

TFfmpegServer::TFfmpegServer(const std::string& contentType) {
  FPort = ClosedPort();  // free now, for ffmpeg to take
  std::vector<std::string> args = {kFfmpeg, "-hide_banner", "-loglevel",
                                   "error", "-re",          "-f",
                                   "lavfi", "-i",           "testsrc2=size=640x480:rate=25",
                                   "-c:v",  "mjpeg",        "-f",
                                   "mpjpeg"};
  if (!contentType.empty()) args.insert(args.end(), {"-content_type", contentType});
  args.insert(args.end(), {"-listen", "1", "http://127.0.0.1:" + std::to_string(FPort) + kPath});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  // ffmpeg must not read the terminal of the test.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  // Nor fill it with its complaints about the test client hanging up.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawn(&FPid, kFfmpeg, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    FPid = -1;
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!(FStarted = Listening(FPort)) && std::chrono::steady_clock::now() < deadline) {
    if (::waitpid(FPid, nullptr, WNOHANG) == FPid) {
      FPid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TFfmpegServer::~TFfmpegServer() {
  if (FPid <= 0) return;
  ::kill(FPid, SIGKILL);
  ::waitpid(FPid, nullptr, 0);
}

}  // namespace vexilon
