#include "core/net/AudioThread.h"

#include "core/app/DebugLog.h"
#include "core/net/AudioStreamParser.h"

namespace vexilon {
namespace {

TConnectConfig WithoutInterval(const TConnectConfig& given) {
  TConnectConfig config = given;
  config.Interval = std::chrono::milliseconds(0);  // sound comes back at once
  return config;
}

}  // namespace

std::atomic<TAudioThread*>& AudioOwner() {
  static std::atomic<TAudioThread*> owner{nullptr};
  return owner;
}

TAudioThread::TAudioThread(const TAudioConnect& descriptor, std::shared_ptr<TStreamSink> sink,
                           TConnectConfig config, std::function<void()> stopSound)
    : TConnectThread("TAudioThread", descriptor, std::move(sink), WithoutInterval(config),
                     "AUDIO.BIN",
                     [limits = config.Limits](TStreamSink& target) {
                       return std::make_unique<TAudioStreamParser>(target, limits);
                     }),
      FStopSound(std::move(stopSound)) {}

TAudioThread::~TAudioThread() {
  Log("TAudioThread.Destroy");
  TAudioThread* self = this;
  AudioOwner().compare_exchange_strong(self, nullptr);
}

void TAudioThread::PauseStream() {
  TAudioThread* self = this;
  AudioOwner().compare_exchange_strong(self, nullptr);
  TConnectThread::PauseStream();
  if (FStopSound) FStopSound();
}

void TAudioThread::ResumeStream() {
  if (FStopSound) FStopSound();
  AudioOwner() = this;
  TConnectThread::ResumeStream();
}

}  // namespace vexilon
