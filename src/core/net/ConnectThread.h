#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>

#include "core/app/Settings.h"
#include "core/catalogue/WebConnect.h"
#include "core/net/ClientSocket.h"
#include "core/net/StreamParser.h"
#include "core/net/StreamSink.h"
#include "core/net/StreamThread.h"
#include "core/net/SuffixItems.h"
#include "core/net/ThreadClock.h"

namespace vexilon {

// Where a camera window records the raw bytes of a stream ("Capture Output"): every chunk a
// connection thread receives, unchanged, before it is parsed. Called on the thread.
class TCaptureOutput {
 public:
  virtual ~TCaptureOutput() = default;
  virtual void Write(const char* data, size_t size) = 0;
};

// How a connection thread is set up beyond its descriptor. The defaults are the viewer's;
// tests shorten the times and inject look-ups and fetches.
struct TConnectConfig {
  using TMillis = std::chrono::milliseconds;
  TMillis Timeout{0};        // stall limit; 0: the TIMEOUT setting at creation
  TMillis Interval{0};       // wait before reconnecting after a normal end (video: INTERVAL)
  TMillis RetryDelay{1000};  // wait after a failed open
  // PROXY, PROXYTYPE and CPUUSAGE, read at each connect and chunk.
  std::function<TNetSettings()> Settings = NetSettings;
  TResolver Resolver;                       // empty: getaddrinfo
  std::shared_ptr<TSuffixFetcher> Fetcher;  // empty: HTTP through THttpSuffixFetcher
  TSuffixItemList* SuffixItems = nullptr;   // empty: the process's list
  TStreamLimits Limits;
  // Raw bytes go here from the very first chunk; may be empty.
  std::shared_ptr<TCaptureOutput> CaptureOutput;
  // Empty: the steady clock. Stop's one-second promise is kept in real time whatever this is.
  std::shared_ptr<const TThreadClock> Clock;
};

using TParserFactory = std::function<std::unique_ptr<TStreamParser>(TStreamSink& sink)>;

struct TConnectCore;

// The worker behind a camera connection: connects (directly or through the proxy), sends the
// request, reads chunks into its parser, and reconnects when the server closes, stalls,
// fails or answers with a failure status. Everything the thread touches lives in a shared
// state object, so that Stop can leave a thread stuck in a name look-up behind without
// freeing anything under it.
class TConnectThread : public TStreamThread {
 public:
  ~TConnectThread() override;
  TConnectThread(const TConnectThread&) = delete;
  TConnectThread& operator=(const TConnectThread&) = delete;

  // The read loop closes the connection at its next check and stays idle until resumed.
  void PauseStream() override;
  void ResumeStream() override;
  // Ends the connection; the next one comes after the interval.
  void RequestRestart() override;
  // No data for the time-out, connection lost, or a due reconnect whose time has come.
  bool IsStalled() const override;
  bool IsFinished() const override;
  bool IsPaused() const override;
  bool IsConnected() const;

  // A thread that cannot end in time is one in a name look-up, which does not return.
  bool Stop() override;

  // Raw bytes go to output from the next chunk on; may be empty.
  void SetCaptureOutput(std::shared_ptr<TCaptureOutput> output);

  // The suffix item being fetched right now, if any.
  TSuffixItem* EvaluatingItem() const;

 protected:
  // Starts the thread, which connects at once. kind names the class in the debug log
  // ("TVideoThread"); dumpName is the debug dump file of the received bytes.
  TConnectThread(const char* kind, const TWebConnect& descriptor, std::shared_ptr<TStreamSink> sink,
                 TConnectConfig config, const char* dumpName, const TParserFactory& parser);

 private:
  std::shared_ptr<TConnectCore> FCore;
  std::thread FThread;
};

}  // namespace vexilon
