#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "core/net/FramingSniff.h"
#include "core/net/StreamSink.h"

namespace vexilon {

// What a probe learns from a connection thread: the response head and the frames, and when
// to stop: the frames are complete, the server was never reached, or the camera refused with
// a status that waiting will not change (401, 403, 404).
class TProbeSink : public TStreamSink {
 public:
  using TClock = std::chrono::steady_clock;
  struct THandlers {
    // A frame numbered from 1, with the head it came under; one call at a time.
    std::function<void(long number, const std::string& bytes, const std::string& head)> Frame;
    // A line the server or the connection gave, for standard error; may be empty.
    std::function<void(const std::string& line)> Note;
  };
  struct TResult {
    long Frames = 0;
    size_t Bytes = 0;
    std::string Head;  // the last response head, as received
    int Status = 0;    // its status code; 0 without one
    int Refusal = 0;   // the status that stopped the probe
    bool Unreachable = false;
    std::string Certificate;  // an https:// camera's SHA-256 fingerprint
    bool Untrusted = false;   // and it was refused
    std::string Why;          // why, in the TLS library's words
  };

  // maxFrames 0: no limit.
  TProbeSink(long maxFrames, THandlers handlers)
      : FMaxFrames(maxFrames), FHandlers(std::move(handlers)) {}

  void Frame(std::string bytes) override;
  void SetPageText(const std::string& text) override;
  void AddPageLine(const std::string& line) override;
  void ShowPageText(const std::string& text) override;
  void WaveFormat(const TWaveFormat&) override {}
  void PlayAudio(const uint8_t*, size_t) override {}
  void Connected() override;
  void State(const std::string& reason, TClock::time_point nextTry) override;
  // A refused certificate ends the probe: trying again shows the same one.
  void UntrustedCertificate(const std::string& fingerprint, const std::string& why) override;
  void CertificateSeen(const std::string& fingerprint) override;

  // The first bytes show a framing the connection's parser does not read: unless a frame came
  // already, the thread's calls are ignored from now on and Wait returns.
  void FramingFound(TSniffedFraming framing);
  // Takes calls again, from a connection thread that reads the framing found; what the one
  // before it set is forgotten.
  void Restart();
  // Waits until the probe is over or a framing was found, at most until deadline; answers the
  // framing to read the camera with, or Other when the probe is over.
  TSniffedFraming Wait(TClock::time_point deadline);
  TResult Result();

 private:
  void Finish();
  // Whether calls of the connection thread count.
  bool Heard() const { return !FIgnoring && !FDone; }

  const long FMaxFrames;
  const THandlers FHandlers;
  std::mutex FLock;
  std::condition_variable FChanged;
  TResult FResult;
  bool FEverConnected = false;
  bool FRefused = false;  // the current response has a failure status
  bool FRefusalNoted = false;
  bool FIgnoring = false;
  TSniffedFraming FFound = TSniffedFraming::Other;
  bool FDone = false;
};

}  // namespace vexilon
