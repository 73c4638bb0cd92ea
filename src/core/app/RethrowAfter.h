#pragma once
#include <exception>

namespace vexilon {

// Inside a catch block: runs cleanup, whatever it throws itself, then passes the failure being
// handled on.
template <class F>
[[noreturn]] void RethrowAfter(F&& cleanup) {
  const std::exception_ptr failure = std::current_exception();
  try {
    cleanup();
  } catch (...) {
  }
  std::rethrow_exception(failure);
}

}  // namespace vexilon
