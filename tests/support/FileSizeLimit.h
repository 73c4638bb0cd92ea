#pragma once
// Stands in for a full disk while it lives: the process may not grow a file past the limit,
// so a write beyond it fails with EFBIG (and without the signal that would end the process).
#include <signal.h>
#include <sys/resource.h>

#include <cstdint>

namespace vexilon {

class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(std::uint64_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &FOld);
    FOldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = FOld;
    limit.rlim_cur = rlim_t(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &FOld);
    ::signal(SIGXFSZ, FOldHandler);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit FOld{};
  sighandler_t FOldHandler = SIG_DFL;
};

}  // namespace vexilon
