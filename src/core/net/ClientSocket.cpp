#include "core/net/ClientSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <thread>

#include "core/net/TlsSession.h"

namespace vexilon {
namespace {

// A connect in progress looks at the shutdown flag this often, so that a socket shut down
// from another thread stops trying at once even where shutdown(2) does not wake it.
constexpr int kConnectSliceMs = 50;

void SetNonBlocking(int handle, bool on) {
  const int flags = fcntl(handle, F_GETFL, 0);
  if (flags < 0) return;
  fcntl(handle, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK));
}

int PendingError(int handle) {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

// Connects handle to address, giving up when shutDown is set; 0 or an errno value.
int ConnectAbortable(int handle, const TSocketAddress& address, const std::atomic<bool>& shutDown) {
  SetNonBlocking(handle, true);
  int result = 0;
  if (connect(handle, reinterpret_cast<const sockaddr*>(&address.Storage), address.Length) != 0) {
    result = errno;
    while (result == EINPROGRESS || result == EINTR) {
      if (shutDown) {
        result = ECONNABORTED;
        break;
      }
      pollfd waiting{handle, POLLOUT, 0};
      const int ready = poll(&waiting, 1, kConnectSliceMs);
      if (ready > 0) {
        result = PendingError(handle);
      } else if (ready < 0 && errno != EINTR) {
        result = errno;
      }
    }
  }
  if (shutDown) result = ECONNABORTED;
  SetNonBlocking(handle, false);
  return result;
}

}  // namespace

std::string SocketErrorText(const std::string& text, int code, const std::string& api) {
  return "Socket error: " + text + " (" + std::to_string(code) + "), on API '" + api + "'";
}

std::string SocketErrorText(int code, const std::string& api) {
  char buffer[256];
  // The GNU strerror_r answers a pointer that may or may not be buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  return SocketErrorText(text, code, api);
}

bool ParseNumericAddress(const std::string& text, int port, TSocketAddress& address) {
  address = {};
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address.Storage);
  if (inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(uint16_t(port));
    address.Length = sizeof(sockaddr_in);
    return true;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address.Storage);
  std::string literal = text;
  if (literal.size() > 2 && literal.front() == '[' && literal.back() == ']') {
    literal = literal.substr(1, literal.size() - 2);
  }
  if (inet_pton(AF_INET6, literal.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(uint16_t(port));
    address.Length = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}

TResolved ResolveHost(const std::string& host, int port) {
  TResolved resolved;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int error = getaddrinfo(host.c_str(), nullptr, &hints, &list);
  if (error != 0) {
    resolved.Error = error;
    resolved.ErrorText = gai_strerror(error);
    return resolved;
  }
  for (addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6) continue;
    if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
    TSocketAddress address;
    std::memcpy(&address.Storage, entry->ai_addr, entry->ai_addrlen);
    address.Length = entry->ai_addrlen;
    if (entry->ai_family == AF_INET) {
      reinterpret_cast<sockaddr_in*>(&address.Storage)->sin_port = htons(uint16_t(port));
    } else {
      reinterpret_cast<sockaddr_in6*>(&address.Storage)->sin6_port = htons(uint16_t(port));
    }
    resolved.Addresses.push_back(address);
  }
  freeaddrinfo(list);
  // Cameras live on IPv4 networks; an IPv6 address is only tried after every IPv4 one.
  std::stable_sort(resolved.Addresses.begin(), resolved.Addresses.end(),
                   [](const TSocketAddress& a, const TSocketAddress& b) {
                     return a.Family() == AF_INET && b.Family() != AF_INET;
                   });
  if (resolved.Addresses.empty()) {
    resolved.Error = EAI_NONAME;
    resolved.ErrorText = gai_strerror(EAI_NONAME);
  }
  return resolved;
}

// ---------------------------------------------------------------------------------------------

TXSClientWinSocket::TXSClientWinSocket(TXSClientSocket& owner) : FOwner(owner) {}

TXSClientWinSocket::~TXSClientWinSocket() {
  std::lock_guard lock(FHandleLock);
  if (FHandle >= 0) ::close(FHandle);
}

void TXSClientWinSocket::Adopt(int handle) {
  std::lock_guard lock(FHandleLock);
  FHandle = handle;
  // A shutdown that came while the handle was being made must still reach it.
  if (FShutDown) ::shutdown(handle, SHUT_RDWR);
}

void TXSClientWinSocket::Shutdown() {
  std::lock_guard lock(FHandleLock);
  FShutDown = true;
  if (FHandle >= 0) ::shutdown(FHandle, SHUT_RDWR);
}

void TXSClientWinSocket::Close() {
  std::lock_guard lock(FLock);
  if (FHandle < 0 && !FOwner.FLookup && !FOwner.FConnecting) return;
  FOwner.AbandonOpen();
  FOwner.Fire(FOwner.OnDisconnect);
  FTls.reset();
  {
    std::lock_guard handleLock(FHandleLock);
    if (FHandle >= 0) ::close(FHandle);
    FHandle = -1;
  }
  FConnected = false;
}

void TXSClientWinSocket::Fail(TErrorEvent kind, int code, const char* api) {
  int reported = code;
  if (FOwner.OnError) FOwner.OnError(FOwner, *this, kind, reported);
  Close();
  if (reported != 0) throw EXSSocketError(SocketErrorText(code, api), code);
}

void TXSClientWinSocket::StartTls(const TTlsOptions& options) {
  std::lock_guard lock(FLock);
  const int handle = FHandle;
  if (handle < 0) throw EXSSocketError("Socket not open");
  FTls = TTlsSession::Connect(handle, options, FShutDown);
}

std::string TXSClientWinSocket::Fingerprint() {
  std::lock_guard lock(FLock);
  return FTls ? FTls->Fingerprint() : std::string();
}

bool TXSClientWinSocket::TlsBuffered() {
  std::lock_guard lock(FLock);
  return FTls && FTls->Buffered();
}

int TXSClientWinSocket::ReceiveBuf(void* buffer, int count) {
  std::lock_guard lock(FLock);
  const int handle = FHandle;
  if (FTls && handle >= 0) {
    if (count == -1 && !FConnected) return 0;
    if (count == 0 || count < -1) return 0;
    try {
      return FTls->Receive(buffer, count);
    } catch (const EXSSocketError& error) {
      Fail(eeReceive, error.Code, "SSL_read");
      return 0;
    }
  }
  if (count == -1) {
    if (!FConnected || handle < 0) return 0;
    int waiting = 0;
    if (ioctl(handle, FIONREAD, &waiting) != 0) return 0;
    return waiting;
  }
  if (handle < 0 || count <= 0) return 0;
  for (;;) {
    const ssize_t received = recv(handle, buffer, size_t(count), 0);
    if (received >= 0) return int(received);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    Fail(eeReceive, errno, "recv");
    return 0;
  }
}

int TXSClientWinSocket::SendBuf(const void* buffer, int count) {
  std::lock_guard lock(FLock);
  const int handle = FHandle;
  if (handle < 0 || count < 0) return -1;
  if (FTls) {
    try {
      return FTls->Send(buffer, count, FShutDown);
    } catch (const EXSSocketError& error) {
      Fail(eeSend, error.Code, "SSL_write");
      return -1;
    }
  }
  for (;;) {
    const ssize_t sent = send(handle, buffer, size_t(count), MSG_NOSIGNAL);
    if (sent >= 0) return int(sent);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    Fail(eeSend, errno, "send");
    return -1;
  }
}

std::string TXSClientWinSocket::ReceiveText() {
  std::lock_guard lock(FLock);
  std::string text;
  const int waiting = ReceiveBuf(nullptr, -1);
  if (waiting <= 0) return text;
  text.resize(size_t(waiting));
  const int received = ReceiveBuf(text.data(), waiting);
  text.resize(size_t(std::max(received, 0)));
  return text;
}

bool TXSClientWinSocket::WaitReadable(std::chrono::microseconds timeout, int wakeHandle) {
  const int handle = FHandle;
  if (handle < 0) return false;
  {
    std::lock_guard lock(FLock);
    if (FTls && FTls->Buffered()) return true;
  }
  pollfd waiting[2] = {{handle, POLLIN, 0}, {wakeHandle, POLLIN, 0}};
  timespec limit{time_t(timeout.count() / 1000000), long(timeout.count() % 1000000) * 1000};
  if (ppoll(waiting, wakeHandle >= 0 ? 2 : 1, &limit, nullptr) <= 0) return false;
  return (waiting[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

// ---------------------------------------------------------------------------------------------

struct TXSClientSocket::TLookup {
  std::mutex Lock;
  std::condition_variable Ready;
  bool Done = false;
  TResolved Result;
};

TXSClientSocket::TXSClientSocket(TClientType clientType)
    : FSocket(std::make_unique<TXSClientWinSocket>(*this)), FClientType(clientType) {}

TXSClientSocket::~TXSClientSocket() {
  // Destruction closes without telling anyone: the handlers' owners may be half gone.
  OnLookup = OnConnecting = OnConnect = OnDisconnect = OnRead = OnWrite = nullptr;
  OnError = nullptr;
  FSocket->Close();
}

void TXSClientSocket::CheckInactive() const {
  if (FSocket->Connected()) throw EXSSocketError("Can't change value while socket is active");
}

void TXSClientSocket::SetClientType(TClientType type) {
  if (type != FClientType) CheckInactive();
  FClientType = type;
}

void TXSClientSocket::SetHost(const std::string& host) {
  if (host != FHost) CheckInactive();
  FHost = host;
}

void TXSClientSocket::SetAddress(const std::string& address) {
  if (address != FAddress) CheckInactive();
  FAddress = address;
}

void TXSClientSocket::SetPort(int port) {
  if (port != FPort) CheckInactive();
  FPort = port;
}

void TXSClientSocket::SetService(const std::string& service) {
  if (service != FService) CheckInactive();
  FService = service;
}

void TXSClientSocket::SetTls(const TTlsOptions* options) {
  FTlsOptions = options ? std::make_shared<TTlsOptions>(*options) : nullptr;
}

void TXSClientSocket::SetActive(bool active) {
  if (active) {
    Open();
  } else {
    Close();
  }
}

void TXSClientSocket::Fire(const TNotifyEvent& event) {
  if (event) event(*this, *FSocket);
}

int TXSClientSocket::ResolvePort() const {
  if (FService.empty()) return FPort;
  if (std::all_of(FService.begin(), FService.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
      FService.size() <= 5 && std::stoi(FService) <= 65535) {
    return std::stoi(FService);
  }
  servent entry{};
  servent* found = nullptr;
  char buffer[1024];
  if (getservbyname_r(FService.c_str(), "tcp", &entry, buffer, sizeof buffer, &found) != 0 ||
      found == nullptr) {
    throw EXSSocketError(SocketErrorText("Unknown service " + FService, 0, "getservbyname"));
  }
  return ntohs(uint16_t(found->s_port));
}

void TXSClientSocket::Open() {
  if (FSocket->Connected() || FSocket->Handle() >= 0 || FLookup || FConnecting) {
    throw EXSSocketError("Socket already open");
  }
  if (FClientType == ctBlocking) {
    OpenBlocking();
  } else {
    OpenNonBlocking();
  }
}

void TXSClientSocket::OpenBlocking() {
  const int port = ResolvePort();
  Fire(OnLookup);
  TResolved resolved;
  if (!FHost.empty()) {
    resolved = FResolver ? FResolver(FHost, port) : ResolveHost(FHost, port);
  } else if (!FAddress.empty()) {
    TSocketAddress address;
    if (ParseNumericAddress(FAddress, port, address)) {
      resolved.Addresses.push_back(address);
    } else {
      resolved.Error = EAI_NONAME;
      resolved.ErrorText = gai_strerror(EAI_NONAME);
    }
  } else {
    throw EXSSocketError("No address specified");
  }
  // A name that does not resolve fails as a connect would: the caller retries the same way.
  if (resolved.Addresses.empty()) {
    throw EXSSocketError(SocketErrorText(resolved.ErrorText, resolved.Error, "connect"),
                         resolved.Error, true);
  }
  bool connectingFired = false;
  int lastError = ECONNREFUSED;
  for (const TSocketAddress& address : resolved.Addresses) {
    const int handle = socket(address.Family(), SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (handle < 0) throw EXSSocketError("Can't create new socket");
    FSocket->Adopt(handle);
    if (!connectingFired) {
      connectingFired = true;
      Fire(OnConnecting);
    }
    lastError = ConnectAbortable(handle, address, FSocket->FShutDown);
    if (lastError == 0 && FTlsOptions) {
      try {
        FSocket->StartTls(*FTlsOptions);
      } catch (...) {
        AbandonOpen();
        throw;
      }
    }
    if (lastError == 0) {
      FSocket->SetConnected(true);
      Fire(OnConnect);
      return;
    }
    AbandonOpen();
    if (FSocket->ShutDown()) break;
  }
  throw EXSSocketError(SocketErrorText(lastError, "connect"), lastError);
}

void TXSClientSocket::AbandonOpen() {
  FLookup.reset();
  FPending.clear();
  FConnecting = false;
  if (!FSocket->Connected()) {
    std::lock_guard lock(FSocket->FLock);
    FSocket->FTls.reset();
    std::lock_guard handleLock(FSocket->FHandleLock);
    if (FSocket->FHandle >= 0) ::close(FSocket->FHandle);
    FSocket->FHandle = -1;
  }
}

void TXSClientSocket::OpenNonBlocking() {
  const int port = ResolvePort();
  Fire(OnLookup);
  if (!FHost.empty()) {
    auto lookup = std::make_shared<TLookup>();
    TResolver resolver = FResolver ? FResolver : TResolver(ResolveHost);
    // The look-up runs beside the caller, whose event loop goes on; an abandoned look-up
    // finishes into its own record and is forgotten.
    std::thread([lookup, resolver, host = FHost, port] {
      TResolved result = resolver(host, port);
      std::lock_guard lock(lookup->Lock);
      lookup->Result = std::move(result);
      lookup->Done = true;
      lookup->Ready.notify_all();
    }).detach();
    FLookup = std::move(lookup);
    return;
  }
  if (FAddress.empty()) throw EXSSocketError("No address specified");
  TResolved resolved;
  TSocketAddress address;
  if (!ParseNumericAddress(FAddress, port, address)) {
    throw EXSSocketError(SocketErrorText(gai_strerror(EAI_NONAME), EAI_NONAME, "ASync Lookup"),
                         EAI_NONAME, true);
  }
  resolved.Addresses.push_back(address);
  StartConnect(resolved);
}

void TXSClientSocket::StartConnect(const TResolved& resolved) {
  FPending = resolved.Addresses;
  FConnecting = true;
  bool connectingFired = false;
  while (!FPending.empty()) {
    const TSocketAddress address = FPending.front();
    FPending.erase(FPending.begin());
    const int handle = socket(address.Family(), SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (handle < 0) {
      AbandonOpen();
      throw EXSSocketError("Can't create new socket");
    }
    FSocket->Adopt(handle);
    if (!connectingFired) {
      connectingFired = true;
      Fire(OnConnecting);
    }
    if (connect(handle, reinterpret_cast<const sockaddr*>(&address.Storage), address.Length) == 0 ||
        errno == EINPROGRESS) {
      return;  // PollConnect finds out how it went
    }
    FLastConnectError = errno;
    std::lock_guard handleLock(FSocket->FHandleLock);
    ::close(handle);
    FSocket->FHandle = -1;
  }
  const int code = FLastConnectError;
  int reported = code;
  if (OnError) OnError(*this, *FSocket, eeConnect, reported);
  FSocket->Close();
  if (reported != 0) throw EXSSocketError("Asynchronous socket error " + std::to_string(code));
}

bool TXSClientSocket::Poll(std::chrono::milliseconds timeout) {
  if (FLookup) {
    std::shared_ptr<TLookup> lookup = FLookup;
    TResolved result;
    {
      std::unique_lock lock(lookup->Lock);
      if (!lookup->Ready.wait_for(lock, timeout, [&] { return lookup->Done; })) return true;
      result = std::move(lookup->Result);
    }
    FLookup.reset();
    if (result.Addresses.empty()) {
      AbandonOpen();
      throw EXSSocketError(SocketErrorText(result.ErrorText, result.Error, "ASync Lookup"),
                           result.Error, true);
    }
    StartConnect(result);
    return true;
  }
  if (FConnecting) return PollConnect(timeout);
  if (FSocket->Connected()) return PollConnected(timeout);
  return false;
}

bool TXSClientSocket::PollConnect(std::chrono::milliseconds timeout) {
  pollfd waiting{FSocket->Handle(), POLLOUT, 0};
  if (poll(&waiting, 1, int(timeout.count())) <= 0) return true;
  const int error = PendingError(waiting.fd);
  if (error == 0) {
    FConnecting = false;
    FPending.clear();
    FSocket->SetConnected(true);
    Fire(OnConnect);
    Fire(OnWrite);
    return true;
  }
  FLastConnectError = error;
  {
    std::lock_guard handleLock(FSocket->FHandleLock);
    ::close(FSocket->FHandle);
    FSocket->FHandle = -1;
  }
  TResolved rest;
  rest.Addresses = FPending;
  StartConnect(rest);
  return true;
}

bool TXSClientSocket::PollConnected(std::chrono::milliseconds timeout) {
  if (FSocket->TlsBuffered()) {
    Fire(OnRead);
    return true;
  }
  pollfd waiting{FSocket->Handle(), POLLIN, 0};
  if (poll(&waiting, 1, int(timeout.count())) <= 0) return true;
  if (waiting.revents & POLLERR) {
    const int error = PendingError(waiting.fd);
    int reported = error;
    if (OnError) OnError(*this, *FSocket, eeGeneral, reported);
    FSocket->Close();
    if (reported != 0) throw EXSSocketError("Asynchronous socket error " + std::to_string(error));
    return true;
  }
  const int available = FSocket->ReceiveBuf(nullptr, -1);
  if (available > 0) {
    Fire(OnRead);
  } else if (available == 0) {
    FSocket->Close();  // readable with nothing waiting: the peer has closed
  }                    // else part of a TLS record, the rest still on its way
  return true;
}

}  // namespace vexilon
