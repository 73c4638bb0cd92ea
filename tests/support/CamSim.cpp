#include "support/CamSim.h"

#include <algorithm>

namespace vexilon {
namespace {

std::vector<std::string> Command(std::vector<std::string> args) {
  args.insert(args.begin(), {CAMSIM_PATH, "--port", "0", "--exit-with-parent"});
  return args;
}

}  // namespace

TCamSim::TCamSim(std::vector<std::string> args) : FProcess(Command(args)) {
  const std::string port =
      FProcess.WaitForLine("camsim listening on 127.0.0.1:", std::chrono::seconds(10));
  if (!port.empty()) FPort = std::stoi(port);
  if (FPort > 0 && std::find(args.begin(), args.end(), "--https") != args.end()) {
    FFingerprint = FProcess.WaitForLine("camsim certificate sha256=", std::chrono::seconds(10));
  }
}

TCamSim& SharedCamSim() {
  static TCamSim sim({"--size", "160x120", "--fps", "50", "--loop", "1"});
  return sim;
}

}  // namespace vexilon
