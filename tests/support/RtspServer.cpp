#include "support/RtspServer.h"

namespace vexilon {
namespace {

std::vector<std::string> Command(const std::vector<std::string>& args) {
  // Debian's Python: its GStreamer bindings are not in other interpreters' paths.
  std::vector<std::string> command = {"/usr/bin/python3", VEXILON_TEST_SUPPORT "/rtsp_server.py"};
  command.insert(command.end(), args.begin(), args.end());
  return command;
}

}  // namespace

TRtspServer::TRtspServer(const std::vector<std::string>& args) : FProcess(Command(args)) {
  const std::string port = FProcess.WaitForLine("PORT ", std::chrono::seconds(20));
  if (!port.empty()) FPort = std::stoi(port);
}

std::string TRtspServer::Url(const std::string& auth) const {
  return "rtsp://" + (auth.empty() ? "" : auth + "@") + "127.0.0.1:" + std::to_string(FPort) +
         "/live";
}

}  // namespace vexilon
