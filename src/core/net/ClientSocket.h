#pragma once
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexilon {

// Every failure of the client sockets. Code is the system's number (errno, or a look-up's
// EAI value with LookUp set) where there is one.
class EXSSocketError : public std::runtime_error {
 public:
  explicit EXSSocketError(const std::string& text, int code = 0, bool lookUp = false)
      : std::runtime_error(text), Code(code), LookUp(lookUp) {}
  int Code;
  bool LookUp;
};

// "Socket error: <text> (<code>), on API '<api>'": the failure, its number and the call that
// failed, for the header text and support threads.
std::string SocketErrorText(const std::string& text, int code, const std::string& api);
// The same with the system's text for errno value code.
std::string SocketErrorText(int code, const std::string& api);

enum TClientType { ctNonBlocking = 0, ctBlocking = 1 };

// The kind of failure an error event reports.
enum TErrorEvent {
  eeGeneral = 0,
  eeSend = 1,
  eeReceive = 2,
  eeConnect = 3,
  eeDisconnect = 4,
  eeAccept = 5
};

struct TSocketAddress {
  sockaddr_storage Storage{};
  socklen_t Length = 0;
  int Family() const { return Storage.ss_family; }
};

// What a name look-up found: addresses to try in order (IPv4 first), or the resolver's error.
struct TResolved {
  std::vector<TSocketAddress> Addresses;
  int Error = 0;
  std::string ErrorText;
};

// Looks up host for port; blocks as long as the name service takes. The sockets take the
// real one (getaddrinfo) unless a test injects another.
using TResolver = std::function<TResolved(const std::string& host, int port)>;
TResolved ResolveHost(const std::string& host, int port);

// A numeric IPv4 or IPv6 address; false when text is neither.
bool ParseNumericAddress(const std::string& text, int port, TSocketAddress& address);

class TXSClientSocket;
class TTlsSession;
struct TTlsOptions;

// The socket object of a TXSClientSocket: one handle with its connected flag. Send, receive
// and close are serialised by the object's lock; Shutdown may come from any thread.
class TXSClientWinSocket {
 public:
  explicit TXSClientWinSocket(TXSClientSocket& owner);
  ~TXSClientWinSocket();
  TXSClientWinSocket(const TXSClientWinSocket&) = delete;
  TXSClientWinSocket& operator=(const TXSClientWinSocket&) = delete;

  int Handle() const { return FHandle.load(); }
  bool Connected() const { return FConnected.load(); }

  // count -1: the number of bytes waiting (0 when not connected). Otherwise receives up to
  // count bytes and answers the number (0 when the peer has closed, -1 when nothing was
  // waiting on a non-blocking socket). A failure fires the error event (receive), closes, and
  // raises unless the handler cleared the code.
  int ReceiveBuf(void* buffer, int count);
  // Sends up to count bytes; the number sent or -1. Failures as for ReceiveBuf (send).
  int SendBuf(const void* buffer, int count);
  // All bytes waiting, as text.
  std::string ReceiveText();
  // Waits up to timeout for bytes or the peer's close; for the owning thread. A readable
  // wakeHandle (an eventfd the owner's controller writes) ends the wait early; the answer is
  // then false unless the socket is readable too.
  bool WaitReadable(std::chrono::microseconds timeout, int wakeHandle = -1);
  // Fires the disconnect event and closes; nothing at all when idle.
  void Close();
  // Turns the open connection into TLS (after a proxy's tunnel has opened). Raises ETlsError
  // with the reason; the connection stays open for the caller to close.
  void StartTls(const TTlsOptions& options);
  // The leaf certificate's SHA-256 fingerprint of a TLS connection; empty otherwise.
  std::string Fingerprint();
  // Decrypted bytes held in the TLS layer, which the socket itself no longer shows as readable.
  bool TlsBuffered();
  // Wakes a connect, send or receive blocked in another thread and makes every later open
  // fail. Never closes the handle, so it cannot hit a handle number reused meanwhile.
  void Shutdown();
  bool ShutDown() const { return FShutDown.load(); }

 private:
  friend class TXSClientSocket;
  void Adopt(int handle);
  void SetConnected(bool connected) { FConnected = connected; }
  // Fires the error event, closes, raises unless the handler cleared the code.
  void Fail(TErrorEvent kind, int code, const char* api);

  TXSClientSocket& FOwner;
  std::atomic<int> FHandle{-1};
  std::atomic<bool> FConnected{false};
  std::atomic<bool> FShutDown{false};
  std::unique_ptr<TTlsSession> FTls;  // under FLock; empty for plain TCP
  std::recursive_mutex FLock;         // send, receive and close; the events they fire may re-enter
  std::mutex FHandleLock;             // the handle's life, for Shutdown from another thread
};

// A TCP client. In blocking mode (the connection threads) Open looks the name up, connects
// and fires the connect event before it returns. In non-blocking mode (TSocketControl) Open
// starts a look-up and a connect that Poll completes, firing the events as things happen.
class TXSClientSocket {
 public:
  using TNotifyEvent = std::function<void(TXSClientSocket& sender, TXSClientWinSocket& socket)>;
  // A handler that sets code to 0 suppresses the exception that would follow.
  using TErrorEventHandler = std::function<void(TXSClientSocket& sender, TXSClientWinSocket& socket,
                                                TErrorEvent kind, int& code)>;

  explicit TXSClientSocket(TClientType clientType = ctNonBlocking);
  ~TXSClientSocket();
  TXSClientSocket(const TXSClientSocket&) = delete;
  TXSClientSocket& operator=(const TXSClientSocket&) = delete;

  // Each setter raises "Can't change value while socket is active" when the value changes
  // while a connection is open, and keeps the old value.
  void SetClientType(TClientType type);
  void SetHost(const std::string& host);
  void SetAddress(const std::string& address);
  void SetPort(int port);
  void SetService(const std::string& service);
  TClientType ClientType() const { return FClientType; }
  const std::string& Host() const { return FHost; }
  const std::string& Address() const { return FAddress; }
  int Port() const { return FPort; }
  const std::string& Service() const { return FService; }
  void SetResolver(TResolver resolver) { FResolver = std::move(resolver); }
  // Blocking mode: each open handshakes TLS with a copy of options before its connect
  // event; nullptr: plain TCP.
  void SetTls(const TTlsOptions* options);

  void SetActive(bool active);
  bool Active() const { return FSocket->Connected(); }
  void Open();
  void Close() { FSocket->Close(); }
  TXSClientWinSocket& Socket() { return *FSocket; }

  // Non-blocking mode: waits up to timeout for the look-up, the connect, arriving bytes or
  // the peer's close, and fires the events. Answers false when nothing is in progress.
  bool Poll(std::chrono::milliseconds timeout);

  TNotifyEvent OnLookup, OnConnecting, OnConnect, OnDisconnect, OnRead, OnWrite;
  TErrorEventHandler OnError;

 private:
  friend class TXSClientWinSocket;
  struct TLookup;
  void CheckInactive() const;
  int ResolvePort() const;
  void OpenBlocking();
  void OpenNonBlocking();
  void StartConnect(const TResolved& resolved);
  bool PollConnect(std::chrono::milliseconds timeout);
  bool PollConnected(std::chrono::milliseconds timeout);
  void Fire(const TNotifyEvent& event);
  void AbandonOpen();

  std::unique_ptr<TXSClientWinSocket> FSocket;
  TClientType FClientType;
  std::string FHost;
  std::string FAddress;
  int FPort = 0;
  std::string FService;
  TResolver FResolver;
  std::shared_ptr<TTlsOptions> FTlsOptions;
  std::shared_ptr<TLookup> FLookup;      // non-blocking: a look-up in progress
  std::vector<TSocketAddress> FPending;  // non-blocking: addresses still to try
  int FLastConnectError = 0;
  bool FConnecting = false;  // non-blocking: a connect in progress
};

}  // namespace vexilon
