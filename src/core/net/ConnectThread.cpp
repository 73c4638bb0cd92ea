#include "core/net/ConnectThread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "core/app/DebugLog.h"
#include "core/net/AuthSession.h"
#include "core/net/CameraState.h"
#include "core/net/ConnectSink.h"
#include "core/net/HttpFetcher.h"
#include "core/net/HttpRequest.h"
#include "core/net/ReconnectBackoff.h"
#include "core/net/TlsSession.h"
#include "core/net/Url.h"

namespace vexilon {
namespace {

using TClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A pass reads what is waiting, up to this much: a frame usually comes in one or two passes,
// and a fast camera is not held to a few megabytes a second by the CPU throttle.
constexpr size_t kChunk = 65536;
constexpr auto kPassPause = 50ms;
// Longest wait for data before the loop looks at its flags again; pause, restart and stop
// wake it at once anyway.
constexpr auto kLongestIdleWait = 250ms;
// Longest sleep of a paused camera, or of one whose next try is far off.
constexpr auto kLongestPausedWait = 1000ms;
// Stop waits this long for the thread before leaving it behind; the rest of its second is
// for the caller's own clean-up.
constexpr auto kStopWait = 800ms;

int64_t Ticks(TClock::time_point when) {
  return when.time_since_epoch().count();
}

TClock::time_point FromTicks(int64_t ticks) {
  return TClock::time_point(TClock::duration(ticks));
}

}  // namespace

// The state of one connection thread, shared by the thread and its handle. Fields marked
// atomic are read or written by the window side; everything else belongs to the thread.
struct TConnectCore {
  TConnectCore(const char* kind, const TWebConnect& descriptor, std::shared_ptr<TStreamSink> target,
               TConnectConfig config, const char* dumpName, const TParserFactory& parser);
  ~TConnectCore();
  TConnectCore(const TConnectCore&) = delete;
  TConnectCore& operator=(const TConnectCore&) = delete;

  // Ends any wait of the thread so that it sees a changed flag at once.
  void Notify();
  // Between passes: until the next try is due, or a resume, restart or stop.
  void IdleWait();

  void Execute();
  void Connect();
  void ReadLoop();
  int ReceiveData(char* block, size_t size);
  void ProcessData(const char* data, size_t size);
  // New pictures clear the window's reason and count as health for the reconnect schedule.
  void CountFrames();
  TRequestInput RequestInput() const;
  // The camera's authentication server: "host:port" of its address.
  std::string AuthServer() const;
  void SendRequest();
  void SendData(const std::string& text);
  // An https:// camera: TLS directly, or inside the proxy's tunnel.
  bool Https() const;
  bool Tunnelled() const;
  TTlsOptions TlsOptions();
  // The tunnel is open: TLS inside it, then the request. False with TlsFailure set.
  bool StartTunnelTls();
  // Words for a TLS failure; the fingerprint of a refused certificate goes to the window.
  std::string TlsFailureWords(const ETlsError& error);
  // The parser has the head of a 401 answer: true when the next request answers its Digest
  // challenge at once.
  bool TakeRefusal(std::string_view head);
  // After a connection: true when it was refused for a Digest challenge that the next request
  // answers at once, which is no failure.
  bool AnswerChallenge();
  void ClientConnect();
  void ClientDisconnect();
  void ClientError(TErrorEvent kind, int& code);
  void Cleanup();
  bool Stalled() const;
  void Pause(std::chrono::milliseconds duration);
  // A connection ended badly: the wait before the next one, said in the header text.
  std::chrono::milliseconds FailureWait();
  // Tells the window why there is no picture; the next try comes after wait.
  void ShowState(const std::string& reason, std::chrono::milliseconds wait);
  TClock::time_point Now() const { return Clock->Now(); }

  const std::string Kind;
  const std::unique_ptr<TWebConnect> Descriptor;
  const TConnectConfig Config;
  const std::shared_ptr<const TThreadClock> Clock;
  const std::string DumpName;
  std::chrono::milliseconds Timeout;

  TConnectSink Sink;
  TXSClientSocket Socket{ctBlocking};
  TSuffixUse SuffixUse;
  TAuthSession Auth;
  std::shared_ptr<TSuffixFetcher> Fetcher;
  std::unique_ptr<TStreamParser> Parser;
  TNetSettings ConnectionSettings;  // as they were when the current connection was made

  std::atomic<bool> Terminate{false};
  std::atomic<bool> Paused{false};
  std::atomic<bool> ReconnectDue{true};
  std::atomic<bool> Connecting{false};
  std::atomic<bool> Connected{false};
  std::atomic<bool> Finished{false};
  std::atomic<int64_t> LastActivity{0};
  std::atomic<int64_t> ReconnectTime{0};
  bool StopRequested = false;  // the parser asked for an immediate reconnect
  bool DropRequested = false;  // the parser gave up on the server
  bool DoneRequested = false;  // the answer is complete though the server keeps the line
  bool RefusalTaken = false;   // this connection's 401 answer was judged
  bool RetryAtOnce = false;    // and the next request takes it up at once
  std::string TlsFailure;      // why TLS inside the tunnel failed
  // A camera that keeps failing is asked less and less often.
  TReconnectBackoff Backoff;
  uint64_t FramesAtConnect = 0;
  uint64_t FramesCounted = 0;

  std::mutex CaptureLock;
  std::shared_ptr<TCaptureOutput> Capture;

  std::vector<char> Block;      // the receive block of a pass
  TClock::time_point NextPass;  // the CPU throttle: no chunk is taken before this

  std::mutex WakeLock;
  std::condition_variable Wake;
  bool Nudged = false;  // under WakeLock: Notify came since the last idle wait
  std::condition_variable Done;
  const int WakeHandle;  // eventfd beside the socket in the read loop's waits
};

TConnectCore::TConnectCore(const char* kind, const TWebConnect& descriptor,
                           std::shared_ptr<TStreamSink> target, TConnectConfig config,
                           const char* dumpName, const TParserFactory& parser)
    : Kind(kind),
      Descriptor(descriptor.Copy()),
      Config(std::move(config)),
      Clock(Config.Clock ? Config.Clock : SteadyThreadClock()),
      DumpName(dumpName),
      Timeout(Config.Timeout),
      Sink(std::move(target)),
      WakeHandle(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (Timeout.count() <= 0) {
    const TNetSettings settings = Config.Settings ? Config.Settings() : TNetSettings{};
    Timeout = std::chrono::seconds(settings.Timeout);
  }
  Capture = Config.CaptureOutput;
  Fetcher = Config.Fetcher;
  if (!Fetcher) {
    auto fetcher =
        std::make_shared<THttpSuffixFetcher>(Config.Settings, [this] { return Terminate.load(); });
    fetcher->SetCertPin(Descriptor->CertPin, UrlHost(Descriptor->Prefix + Descriptor->Web));
    Fetcher = std::move(fetcher);
  }
  Parser = parser(Sink);
  Parser->SetSuffixUse(&SuffixUse);
  Parser->SetRefusalCheck([this](std::string_view head) { return TakeRefusal(head); });
  if (Config.Resolver) Socket.SetResolver(Config.Resolver);
  Socket.OnConnect = [this](TXSClientSocket&, TXSClientWinSocket&) { ClientConnect(); };
  Socket.OnDisconnect = [this](TXSClientSocket&, TXSClientWinSocket&) { ClientDisconnect(); };
  Socket.OnError = [this](TXSClientSocket&, TXSClientWinSocket&, TErrorEvent kind, int& code) {
    ClientError(kind, code);
  };
  const auto now = Now();
  LastActivity = Ticks(now);
  ReconnectTime = Ticks(now);
}

TConnectCore::~TConnectCore() {
  if (WakeHandle >= 0) close(WakeHandle);
}

void TConnectCore::Notify() {
  {
    std::lock_guard lock(WakeLock);
    Nudged = true;
  }
  Wake.notify_all();
  if (WakeHandle < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(WakeHandle, &one, sizeof one);
}

void TConnectCore::IdleWait() {
  // A paused camera or one waiting for its next try sleeps until then: only a resume, a
  // restart or a stop wakes it earlier, and many idle cameras cost nothing.
  std::chrono::milliseconds wait = kPassPause;
  if (Paused) {
    wait = kLongestPausedWait;
  } else if (ReconnectDue && !Connecting) {
    const auto due = std::chrono::ceil<std::chrono::milliseconds>(FromTicks(ReconnectTime) - Now());
    wait = std::clamp(due, std::chrono::milliseconds(0), kLongestPausedWait);
  }
  std::unique_lock lock(WakeLock);
  Wake.wait_for(lock, Clock->RealWait(wait),
                [this] { return Terminate.load() || std::exchange(Nudged, false); });
}

void TConnectCore::Pause(std::chrono::milliseconds duration) {
  std::unique_lock lock(WakeLock);
  WaitOnClock(*Clock, lock, Wake, Now() + duration, [this] { return Terminate.load(); });
}

void TConnectCore::Execute() {
  while (!Terminate) {
    try {
      if (ReconnectDue && !Paused && !Connecting) {
        if (Now() >= FromTicks(ReconnectTime)) {
          ReconnectDue = false;
          Connect();
        }
      } else if (Connected) {
        LastActivity = Ticks(Now());
        ReadLoop();
      }
    } catch (const std::exception& error) {
      // A camera never stops for an error: the schedule retries by time. It leaves a trace.
      Log(std::string("Read loop failed: ") + error.what());
    } catch (...) {
      Log("Read loop failed");
    }
    if (!Terminate) IdleWait();
  }
  Cleanup();
  std::lock_guard lock(WakeLock);
  Finished = true;
  Done.notify_all();
}

void TConnectCore::Cleanup() {
  Log(Kind + ".Cleanup");
  Log("TConnectThread.Cleanup");
  Socket.OnConnect = Socket.OnDisconnect = nullptr;
  Socket.OnError = nullptr;
  try {
    Socket.Close();
  } catch (...) {
  }
  Sink.Detach();
}

void TConnectCore::Connect() {
  try {
    Socket.Close();
  } catch (...) {
  }
  ReconnectDue = false;
  if (!Terminate && !Paused) LastActivity = Ticks(Now());
  ConnectionSettings = Config.Settings ? Config.Settings() : TNetSettings{};
  const std::string address = Descriptor->Prefix + Descriptor->Web;
  const TConnectTarget target =
      ConnectTarget(address, ConnectionSettings.Proxy, ConnectionSettings.ProxyType);
  if (IsDottedAddress(target.Host)) {
    Socket.SetHost("");
    Socket.SetAddress(target.Host);
  } else {
    Socket.SetAddress("");
    Socket.SetHost(target.Host);
  }
  Socket.SetPort(target.Port);
  const TTlsOptions tls = Https() && !Tunnelled() ? TlsOptions() : TTlsOptions();
  Socket.SetTls(Https() && !Tunnelled() ? &tls : nullptr);
  LastActivity = Ticks(Now());
  // An address without a host: idle until the window restarts the stream.
  if (target.Host.empty()) {
    ShowState("Address not understood: " + address, 0ms);
    return;
  }
  Connecting = true;
  Sink.Connecting();
  ShowState("Connecting to " + target.Host + ":" + std::to_string(target.Port) + "\u2026", 0ms);
  std::string failure;
  try {
    Socket.Open();
  } catch (const ETlsError& error) {
    failure = TlsFailureWords(error);
    if (!Terminate) Sink.ShowPageText(error.what());
  } catch (const EXSSocketError& error) {
    failure = SocketFailureWords(error);
    if (!Terminate) Sink.ShowPageText(error.what());
  } catch (const std::exception& error) {
    failure = error.what();
    if (!Terminate) Sink.ShowPageText(error.what());
  }
  Connecting = false;
  if (!Socket.Active()) {
    const auto wait = std::max<std::chrono::milliseconds>(Config.RetryDelay, FailureWait());
    ShowState(failure.empty() ? "The connection could not be made" : failure, wait);
    ReconnectTime = Ticks(Now() + wait);
    ReconnectDue = true;
  }
}

void TConnectCore::ShowState(const std::string& reason, std::chrono::milliseconds wait) {
  if (Terminate) return;
  Sink.State(reason, wait.count() > 0 ? Now() + wait : TClock::time_point());
}

std::chrono::milliseconds TConnectCore::FailureWait() {
  const std::chrono::milliseconds wait = Backoff.Failure(Now());
  if (wait.count() > 0 && !Terminate) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait + 500ms);
    Sink.AddPageLine("Next try in " + std::to_string(seconds.count()) + " s");
  }
  return wait;
}

void TConnectCore::ClientConnect() {
  Log("ClientConnect");
  ReconnectDue = false;
  Connecting = false;
  Connected = true;
  LastActivity = Ticks(Now());
  StopRequested = DropRequested = DoneRequested = false;
  RefusalTaken = RetryAtOnce = false;
  FramesAtConnect = FramesCounted = Sink.FramesSeen();
  Parser->Connected();
  if (Terminate) return;
  Sink.Connected();
  if (const std::string seen = Socket.Socket().Fingerprint(); !seen.empty()) {
    Sink.CertificateSeen(seen);
  }
  TlsFailure.clear();
  if (Tunnelled()) {
    SendData(BuildConnectRequest(Descriptor->Prefix + Descriptor->Web));
    Parser->AwaitTunnel();
  } else {
    SendRequest();
  }
}

TRequestInput TConnectCore::RequestInput() const {
  TRequestInput input;
  input.Address = Descriptor->Prefix + Descriptor->Web;
  input.Auth = Descriptor->Auth;
  input.Headers = Descriptor->Headers;
  input.Flags = Descriptor->Flags;
  input.ProxyType = Tunnelled() ? 1 : ConnectionSettings.ProxyType;
  return input;
}

bool TConnectCore::Https() const {
  return IsHttpsUrl(Descriptor->Prefix + Descriptor->Web);
}

bool TConnectCore::Tunnelled() const {
  // Only a tunnel keeps TLS between the viewer and the camera, whatever the proxy's kind.
  if (ConnectionSettings.Proxy.empty() || ConnectionSettings.ProxyType == 0) return false;
  return ConnectionSettings.ProxyType == 1 || Https();
}

TTlsOptions TConnectCore::TlsOptions() {
  TTlsOptions options;
  options.Host = UrlHost(Descriptor->Prefix + Descriptor->Web);
  options.Pin = Descriptor->CertPin;
  options.Timeout = Timeout;
  options.WakeHandle = WakeHandle;
  options.Abandon = [this] { return Terminate.load(); };
  return options;
}

std::string TConnectCore::TlsFailureWords(const ETlsError& error) {
  if (error.Untrusted && !Terminate) Sink.UntrustedCertificate(error.Fingerprint, error.Why);
  Log(std::string("TLS: ") + error.what());
  return error.what();
}

bool TConnectCore::StartTunnelTls() {
  try {
    Socket.Socket().StartTls(TlsOptions());
    if (!Terminate) Sink.CertificateSeen(Socket.Socket().Fingerprint());
    return true;
  } catch (const ETlsError& error) {
    TlsFailure = TlsFailureWords(error);
  } catch (const std::exception& error) {
    TlsFailure = error.what();
  }
  return false;
}

std::string TConnectCore::AuthServer() const {
  const std::string address = Descriptor->Prefix + Descriptor->Web;
  return AuthServerKey(UrlHost(address), WebPort(address));
}

void TConnectCore::SendRequest() {
  TRequestInput input = RequestInput();
  input.Authorization = [this, server = AuthServer()](const std::string& credentials,
                                                      const std::string& target) {
    return Auth.Line(server, credentials, "GET", target);
  };
  TSuffixContext context{Config.SuffixItems ? *Config.SuffixItems : SuffixItemList(), *Fetcher,
                         SuffixUse};
  context.Terminating = [this] { return Terminate.load(); };
  const std::string suffix = ExpandSuffix(Descriptor->Suffix, context);
  SendData(BuildRequest(input, suffix));
}

void TConnectCore::SendData(const std::string& text) {
  // Send failures are left to the stall test.
  try {
    size_t sent = 0;
    while (sent < text.size() && !Terminate) {
      const int n = Socket.Socket().SendBuf(text.data() + sent, int(text.size() - sent));
      if (n <= 0) break;
      sent += size_t(n);
    }
  } catch (...) {
  }
}

void TConnectCore::ClientDisconnect() {
  Log("ClientDisconnect");
  Sink.Disconnected();
  Connected = false;
  ReconnectDue = false;
  if (!Terminate) {
    LastActivity = Ticks(Now());
    Parser->Disconnected(Paused);
  }
  ReconnectTime = Ticks(Now());
  ReconnectDue = true;
}

void TConnectCore::ClientError(TErrorEvent kind, int& code) {
  if (!Terminate) Sink.AddPageLine("ERROR CODE: " + std::to_string(code));
  Log("Received error code: " + std::to_string(int(kind)));
  if (kind != eeReceive) {
    ReconnectTime = Ticks(Now());
    ReconnectDue = true;
  }
  code = 0;
}

bool TConnectCore::Stalled() const {
  if (Terminate || Paused || Connecting) return false;
  const auto now = Now();
  if (ReconnectDue) return now >= FromTicks(ReconnectTime);
  return now - FromTicks(LastActivity) >= Timeout || !Socket.Active();
}

int TConnectCore::ReceiveData(char* block, size_t size) {
  if (Terminate) return 0;
  // Waits for data instead of polling and sleeping: nothing is burnt while a camera is
  // quiet, and a chunk is taken as soon as it arrives. The wait ends in time for the stall
  // test, and at once for a pause, restart or stop.
  const auto untilStall = FromTicks(LastActivity) + Timeout - Now();
  const auto wait =
      std::clamp(std::chrono::duration_cast<std::chrono::microseconds>(untilStall),
                 std::chrono::microseconds(100), std::chrono::microseconds(kLongestIdleWait));
  TXSClientWinSocket& socket = Socket.Socket();
  if (!socket.WaitReadable(Clock->RealWait(wait), WakeHandle) || Terminate) {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t drained = read(WakeHandle, &count, sizeof count);
    return 0;
  }
  // The throttle spaces the chunks of a stream that never pauses; one whose chunks come
  // further apart than that never waits for it.
  if (const auto early = NextPass - Now(); early > early.zero()) {
    Pause(std::chrono::ceil<std::chrono::milliseconds>(early));
    if (Terminate) return 0;
  }
  const int waiting = socket.ReceiveBuf(nullptr, -1);
  if (waiting == 0) {
    // Readable with nothing waiting: the peer has closed, or reset the connection, which only
    // a receive reports (as an error code in the header text).
    const int received = socket.ReceiveBuf(block, int(size));
    return received > 0 ? received : -1;
  }
  if (waiting < 0) return 0;  // TLS: a record not yet complete
  return socket.ReceiveBuf(block, std::min(waiting, int(size)));
}

void TConnectCore::ProcessData(const char* data, size_t size) {
  switch (Parser->Feed(data, size)) {
    case TParseResult::Continue:
      break;
    case TParseResult::TunnelOpen:
      if (!Https() || StartTunnelTls()) {
        SendRequest();
      } else {
        DropRequested = true;
      }
      break;
    case TParseResult::Done:
      DoneRequested = true;
      break;
    case TParseResult::Stop:
      StopRequested = true;
      break;
    case TParseResult::Disconnect:
      DropRequested = true;
      break;
  }
}

void TConnectCore::CountFrames() {
  const uint64_t seen = Sink.FramesSeen();
  if (seen == FramesCounted) return;
  if (FramesCounted == FramesAtConnect) ShowState("", 0ms);  // pictures again
  FramesCounted = seen;
  Backoff.GoodFrame(Now());
}

void TConnectCore::ReadLoop() {
  Block.resize(kChunk);
  char* const block = Block.data();
  int received = 0;
  do {
    try {
      received = ReceiveData(block, Block.size());
      if (received >= 1) {
        LastActivity = Ticks(Now());
        Log("Received " + std::to_string(received) + " bytes");
        std::shared_ptr<TCaptureOutput> capture;
        {
          std::lock_guard lock(CaptureLock);
          capture = Capture;
        }
        if (capture) capture->Write(block, size_t(received));
        AppendDebugDump(DumpName, std::string_view(block, size_t(received)));
        ProcessData(block, size_t(received));
        CountFrames();
        const int cpuUsage = Config.Settings ? Config.Settings().CpuUsage : 100;
        NextPass = Now() + std::chrono::milliseconds(std::clamp(100 - cpuUsage, 0, 100));
      }
    } catch (...) {
    }
  } while (!(Terminate || received == -1 || StopRequested || DropRequested || DoneRequested ||
             Stalled() || Paused));
  if (received == -1) Log("Remote Disconnect");
  const bool restartAsked = ReconnectDue.load();  // the close below sets it too
  try {
    Socket.Close();
  } catch (...) {
  }
  // Counted after the close: a picture the server ends by closing (a still image without a
  // length) comes out of the parser only then, and must not make its camera a failing one.
  CountFrames();
  if (AnswerChallenge()) {
    Log("Answering the camera's Digest challenge");
    StopRequested = DropRequested = DoneRequested = false;
    ReconnectTime = Ticks(Now());
    ReconnectDue = true;
    return;
  }
  // A refusal, a broken stream, silence, or a connection that gave no picture is a failure;
  // a close after pictures, a finished answer, a pause or a restart the window asked for are not.
  const bool failed = !Terminate && !Paused &&
                      (StopRequested || DropRequested ||
                       (!DoneRequested && !restartAsked &&
                        (received != -1 || Sink.FramesSeen() == FramesAtConnect)));
  const bool immediate = StopRequested;
  std::string reason;
  if (StopRequested)
    reason = StatusWords(Parser->StatusCode(), Descriptor->Auth.empty());
  else if (!TlsFailure.empty())
    reason = TlsFailure;
  else if (DropRequested)
    reason = "The camera sent a stream that could not be read";
  else if (received != -1)
    reason = "The camera stopped sending";
  else
    reason = "The camera closed the connection without a picture";
  StopRequested = DropRequested = DoneRequested = false;
  const std::chrono::milliseconds wait = failed ? FailureWait() : 0ms;
  if (failed) ShowState(reason, std::max<std::chrono::milliseconds>(wait, Config.Interval));
  ReconnectTime =
      Ticks(Now() + std::max<std::chrono::milliseconds>(immediate ? 0ms : Config.Interval, wait));
  ReconnectDue = true;
}

bool TConnectCore::AnswerChallenge() {
  if (Terminate || Paused) return false;
  if (Parser->StatusCode() != 401) {
    Auth.Answered();
    return false;
  }
  StopRequested = true;  // a refusal whose head was cut short is one all the same
  if (!RefusalTaken) TakeRefusal({});
  if (RetryAtOnce) return true;
  SuffixUse.MarkFailed();
  return false;
}

bool TConnectCore::TakeRefusal(std::string_view head) {
  RefusalTaken = true;
  RetryAtOnce = !Terminate && !Paused &&
                Auth.Refused(AuthServer(), head, !RequestCredentials(RequestInput()).empty());
  return RetryAtOnce;
}

// ---------------------------------------------------------------------------------------------

TConnectThread::TConnectThread(const char* kind, const TWebConnect& descriptor,
                               std::shared_ptr<TStreamSink> sink, TConnectConfig config,
                               const char* dumpName, const TParserFactory& parser)
    : FCore(std::make_shared<TConnectCore>(kind, descriptor, std::move(sink), std::move(config),
                                           dumpName, parser)) {
  FThread = std::thread([core = FCore] { core->Execute(); });
}

TConnectThread::~TConnectThread() {
  Log("TConnectThread.Destroy");
  Stop();
}

bool TConnectThread::Stop() {
  if (!FThread.joinable()) return true;
  TConnectCore& core = *FCore;
  {
    std::lock_guard lock(core.WakeLock);
    core.Terminate = true;
    core.Wake.notify_all();
  }
  core.Sink.Detach();
  core.Notify();
  core.Socket.Socket().Shutdown();
  bool finished;
  {
    std::unique_lock lock(core.WakeLock);
    finished = core.Done.wait_for(lock, kStopWait, [&] { return core.Finished.load(); });
  }
  if (finished) {
    FThread.join();
    return true;
  }
  // Stuck where no flag reaches it (a name look-up): it keeps the state alive and ends on
  // its own. An item it was fetching must not block other cameras meanwhile.
  if (TSuffixItem* item = core.SuffixUse.Evaluating.load()) {
    item->Done = true;
    item->Failed = true;
    item->Expired = true;
    item->Busy = 0;
  }
  FThread.detach();
  return false;
}

void TConnectThread::PauseStream() {
  FCore->Paused = true;
  FCore->Notify();
}

void TConnectThread::ResumeStream() {
  FCore->Paused = false;
  FCore->ReconnectTime = Ticks(FCore->Now());
  FCore->Notify();
}

void TConnectThread::RequestRestart() {
  if (FCore->Finished) return;
  FCore->ReconnectDue = true;
  FCore->Notify();
}

bool TConnectThread::IsStalled() const {
  return FCore->Stalled();
}

bool TConnectThread::IsFinished() const {
  return FCore->Finished;
}

bool TConnectThread::IsPaused() const {
  return FCore->Paused;
}

bool TConnectThread::IsConnected() const {
  return FCore->Connected;
}

void TConnectThread::SetCaptureOutput(std::shared_ptr<TCaptureOutput> output) {
  std::lock_guard lock(FCore->CaptureLock);
  FCore->Capture = std::move(output);
}

TSuffixItem* TConnectThread::EvaluatingItem() const {
  return FCore->SuffixUse.Evaluating.load();
}

}  // namespace vexilon
