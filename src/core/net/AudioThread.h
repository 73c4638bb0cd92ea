#pragma once
#include <atomic>
#include <functional>
#include <memory>

#include "core/catalogue/WebConnect.h"
#include "core/net/ConnectThread.h"

namespace vexilon {

// The connection thread of a camera's separate sound stream (AU, plain or multipart). Only
// the AudioOwner is heard; pausing hands the sound focus away and stops the output.
class TAudioThread : public TConnectThread {
 public:
  // stopSound drops the sound queued on the output (TWaveOut::StopSound); may be empty.
  TAudioThread(const TAudioConnect& descriptor, std::shared_ptr<TStreamSink> sink,
               TConnectConfig config = {}, std::function<void()> stopSound = {});
  ~TAudioThread() override;

  void PauseStream() override;
  void ResumeStream() override;

 private:
  std::function<void()> FStopSound;
};

// The audio thread whose sound is audible, or none. Changed on the user-interface thread.
std::atomic<TAudioThread*>& AudioOwner();

}  // namespace vexilon
