#pragma once
#include <memory>

#include "core/catalogue/WebConnect.h"
#include "core/net/ConnectThread.h"

namespace vexilon {

// The connection thread of a camera window's picture: frames, header text, embedded sound
// and connection indicators go to the sink. Reconnects after the entry's INTERVAL.
class TVideoThread : public TConnectThread {
 public:
  // The interval comes from descriptor unless config names one.
  TVideoThread(const TVideoConnect& descriptor, std::shared_ptr<TStreamSink> sink,
               TConnectConfig config = {});
  ~TVideoThread() override;
};

}  // namespace vexilon
