#include "ProbeSink.h"

#include <cctype>

#include "core/net/CameraState.h"

namespace vexilon {
namespace {

// The status code of a head's status line; 0 before its digits came.
int StatusOf(const std::string& head) {
  if (!head.starts_with("HTTP")) return 0;
  const size_t blank = head.find(' ');
  int code = 0;
  for (size_t i = blank + 1; blank != std::string::npos && i < head.size() && i < blank + 4 &&
                             std::isdigit(static_cast<unsigned char>(head[i]));
       ++i)
    code = code * 10 + (head[i] - '0');
  return code;
}

// Statuses that a camera gives again however often it is asked.
bool Final(int status) {
  return status == 401 || status == 403 || status == 404;
}

}  // namespace

void TProbeSink::Frame(std::string bytes) {
  std::lock_guard lock(FLock);
  // The page that comes with a refusal is no picture of the camera.
  if (!Heard() || FRefused) return;
  ++FResult.Frames;
  FResult.Bytes += bytes.size();
  if (FHandlers.Frame) FHandlers.Frame(FResult.Frames, bytes, FResult.Head);
  if (FMaxFrames > 0 && FResult.Frames >= FMaxFrames) Finish();
}

void TProbeSink::SetPageText(const std::string& text) {
  std::lock_guard lock(FLock);
  if (!Heard()) return;
  FResult.Head = text;
  FResult.Status = StatusOf(text);
  const size_t lineEnd = text.find_first_of("\r\n");
  if (FResult.Status == 0 || lineEnd == std::string::npos) return;
  FRefused = text[text.find(' ') + 1] != '2';
  // A final refusal is said in words when the probe stops.
  if (FRefused && !FRefusalNoted && !Final(FResult.Status) && FHandlers.Note) {
    FRefusalNoted = true;
    FHandlers.Note("the server answered " + text.substr(0, lineEnd));
  }
}

void TProbeSink::AddPageLine(const std::string& line) {
  std::lock_guard lock(FLock);
  // Kept out of the head, which stays as the server sent it.
  if (Heard() && FHandlers.Note) FHandlers.Note(line);
}

void TProbeSink::ShowPageText(const std::string& text) {
  std::lock_guard lock(FLock);
  if (!Heard()) return;
  if (FHandlers.Note) FHandlers.Note(text);
  // A server never reached is not worth waiting for; one that went away may come back.
  if (!FEverConnected) {
    FResult.Unreachable = true;
    Finish();
  }
}

void TProbeSink::Connected() {
  std::lock_guard lock(FLock);
  if (!Heard()) return;
  FEverConnected = true;
  FRefused = false;
}

void TProbeSink::State(const std::string& reason, TClock::time_point) {
  std::lock_guard lock(FLock);
  if (!Heard() || !Final(FResult.Status)) return;
  // Only the words the connection gives for a refusal stop the probe, not a proxy's answer.
  const int status = FResult.Status;
  if (reason != StatusWords(status, true) && reason != StatusWords(status, false)) return;
  FResult.Refusal = status;
  Finish();
}

void TProbeSink::UntrustedCertificate(const std::string& fingerprint, const std::string& why) {
  std::lock_guard lock(FLock);
  if (!Heard()) return;
  FResult.Certificate = fingerprint;
  FResult.Why = why;
  FResult.Untrusted = true;
  Finish();
}

void TProbeSink::CertificateSeen(const std::string& fingerprint) {
  std::lock_guard lock(FLock);
  if (Heard()) FResult.Certificate = fingerprint;
}

void TProbeSink::FramingFound(TSniffedFraming framing) {
  std::lock_guard lock(FLock);
  if (framing == TSniffedFraming::Other || !Heard() || FResult.Frames > 0) return;
  FFound = framing;
  FIgnoring = true;
  FChanged.notify_all();
}

void TProbeSink::Restart() {
  std::lock_guard lock(FLock);
  FIgnoring = false;
  FFound = TSniffedFraming::Other;
  FResult = TResult{};
  FEverConnected = FRefused = FRefusalNoted = false;
}

TSniffedFraming TProbeSink::Wait(TClock::time_point deadline) {
  std::unique_lock lock(FLock);
  FChanged.wait_until(lock, deadline, [&] { return FDone || FFound != TSniffedFraming::Other; });
  if (FFound != TSniffedFraming::Other) return FFound;
  FDone = true;
  return TSniffedFraming::Other;
}

TProbeSink::TResult TProbeSink::Result() {
  std::lock_guard lock(FLock);
  return FResult;
}

void TProbeSink::Finish() {
  FDone = true;
  FChanged.notify_all();
}

}  // namespace vexilon
