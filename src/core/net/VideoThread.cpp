#include "core/net/VideoThread.h"

#include <algorithm>

#include "core/app/DebugLog.h"
#include "core/net/VideoStreamParser.h"

namespace vexilon {
namespace {

TConnectConfig WithInterval(const TConnectConfig& given, const TVideoConnect& descriptor) {
  TConnectConfig config = given;
  if (config.Interval.count() == 0) {
    config.Interval = std::chrono::milliseconds(std::max(descriptor.Interval, 0));
  }
  return config;
}

}  // namespace

TVideoThread::TVideoThread(const TVideoConnect& descriptor, std::shared_ptr<TStreamSink> sink,
                           TConnectConfig config)
    : TConnectThread("TVideoThread", descriptor, std::move(sink), WithInterval(config, descriptor),
                     "CAPTURE.BIN",
                     [flags = descriptor.Flags, limits = config.Limits](TStreamSink& target) {
                       return std::make_unique<TVideoStreamParser>(target, flags, limits);
                     }) {}

TVideoThread::~TVideoThread() {
  Log("TVideoThread.Destroy");
}

}  // namespace vexilon
