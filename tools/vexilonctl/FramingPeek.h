#pragma once
#include <functional>
#include <string>

#include "core/net/ConnectThread.h"
#include "core/net/FramingSniff.h"

namespace vexilon {

// Looks at the first bytes a connection thread receives, before they are parsed, and says
// once how they are framed (never Undecided). Bytes beyond what that takes are not kept.
class TFramingPeek : public TCaptureOutput {
 public:
  using TFound = std::function<void(TSniffedFraming)>;
  explicit TFramingPeek(TFound found) : FFound(std::move(found)) {}

  void Write(const char* data, size_t size) override;

 private:
  TFound FFound;
  std::string FStart;
  bool FDecided = false;
};

}  // namespace vexilon
