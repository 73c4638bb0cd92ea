#include "core/net/InternetControls.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "core/net/AuthSession.h"
#include "core/net/TlsSession.h"
#include "core/net/Url.h"

namespace vexilon {
namespace {

using TClock = std::chrono::steady_clock;
constexpr auto kSlice = std::chrono::milliseconds(10);
constexpr size_t kMaxHead = size_t(64) << 10;

bool OnlyAddressCharacters(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (c >= '0' && c <= '9') || c == '.' || c == ':'; });
}

// Host and Proxy are "host[:port]", an IPv6 address in brackets: read as a URL's authority.
std::string NameIn(const std::string& hostPort) {
  return UrlHost("tcp://" + hostPort);
}
int PortIn(const std::string& hostPort, int fallback) {
  return UrlPort("tcp://" + hostPort, fallback);
}

bool Expired(TClock::time_point since, int seconds) {
  return seconds >= 1 && TClock::now() - since >= std::chrono::seconds(seconds);
}

}  // namespace

TSocketControl::TSocketControl() : FSocket(ctNonBlocking) {
  FSocket.OnConnect = [this](TXSClientSocket&, TXSClientWinSocket&) { FConnected = true; };
  FSocket.OnDisconnect = [this](TXSClientSocket&, TXSClientWinSocket&) { FConnected = false; };
  FSocket.OnError = [this](TXSClientSocket&, TXSClientWinSocket&, TErrorEvent kind, int& code) {
    FErrorKind = kind;
    FError = true;
    code = 0;  // the waiting loops see the flag; callers get "Not Connected"
  };
  FSocket.OnRead = [this](TXSClientSocket&, TXSClientWinSocket& socket) {
    // Beyond the limit the bytes stay in the socket; ReadBody reports the overflow.
    if (FReadBuffer.size() <= MaxResponse) FReadBuffer += socket.ReceiveText();
  };
}

TSocketControl::~TSocketControl() = default;

void TSocketControl::Status(std::string text) {
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
    text.resize(text.size() - 2);
  if (OnStatus) OnStatus(text);
}

bool TSocketControl::Handshake() {
  return true;
}

void TSocketControl::PumpMessages() {
  FSocket.Poll(kSlice);
  if (Pump) Pump();
}

bool TSocketControl::SocketControlConnect() {
  FReadBuffer.clear();
  if (!FConnected) {
    // A proxy that names no port is asked on 80, as the camera streams ask it.
    const std::string& target = Proxy.empty() ? Host : Proxy;
    const std::string name = NameIn(target);
    const int port = PortIn(target, Proxy.empty() ? Port : 80);
    Status("Connecting to: " + name + ":" + std::to_string(port));
    if (OnlyAddressCharacters(name)) {
      FSocket.SetHost("");
      FSocket.SetAddress(name);
    } else {
      FSocket.SetAddress("");
      FSocket.SetHost(name);
    }
    FSocket.SetPort(port);
    FError = false;
    FSocket.Open();
    const auto start = TClock::now();
    while (!FConnected && !FError && !Stopping() &&
           TClock::now() - start < std::chrono::seconds(ConnectTimeOut)) {
      PumpMessages();
    }
    if (!FConnected) FSocket.Close();
    // Only a connection opened here is new to the proxy and to TLS.
    if (FConnected && !Proxy.empty() && !Handshake()) Disconnect();
    if (FConnected && Tls) StartTls();
  }
  return FConnected || !FReadBuffer.empty();
}

std::string TSocketControl::HostName() const {
  return NameIn(Host);
}

void TSocketControl::StartTls() {
  TTlsOptions options;
  options.Host = HostName();
  options.Pin = TlsPin;
  options.Timeout = std::chrono::seconds(std::max(ConnectTimeOut, 1));
  // The caller's windows stay alive during the handshake, as during every other wait.
  options.BetweenWaits = [this] {
    if (Pump) Pump();
    return Stopping();
  };
  try {
    FSocket.Socket().StartTls(options);
  } catch (const std::exception&) {
    Disconnect();
    throw;
  }
}

bool TSocketControl::ConnectTo(const std::string& host) {
  Host = host;
  FSocket.Close();
  FSocket.SetHost("");
  FSocket.SetAddress("");
  return SocketControlConnect();
}

void TSocketControl::CheckConnected() {
  if (!FConnected && FReadBuffer.empty()) throw EXSSocketError("Not Connected");
}

void TSocketControl::Disconnect() {
  FSocket.Close();
  FConnected = false;
}

void TSocketControl::SendText(const std::string& text) {
  CheckConnected();
  size_t sent = 0;
  auto progress = TClock::now();
  while (sent < text.size() && FConnected && !Stopping()) {
    const int n = FSocket.Socket().SendBuf(text.data() + sent, int(text.size() - sent));
    if (n > 0) {
      sent += size_t(n);
      progress = TClock::now();
      continue;
    }
    if (Expired(progress, TimeOut)) throw EXSSocketError("Timed Out");
    PumpMessages();
  }
}

std::string TSocketControl::ReadLine(int timeout) {
  if (timeout == -1) timeout = TimeOut;
  auto arrival = TClock::now();
  size_t seen = FReadBuffer.size();
  for (;;) {
    const size_t lineFeed = FReadBuffer.find('\n');
    if (lineFeed != std::string::npos) {
      std::string line = FReadBuffer.substr(0, lineFeed + 1);
      FReadBuffer.erase(0, lineFeed + 1);
      return line;
    }
    if (!FConnected || Stopping() || Expired(arrival, timeout)) break;
    PumpMessages();
    if (FReadBuffer.size() != seen) {
      seen = FReadBuffer.size();
      arrival = TClock::now();
    }
  }
  std::string rest;
  rest.swap(FReadBuffer);
  return rest;
}

std::string TSocketControl::ReadStatusLine(int timeout) {
  std::string line = ReadLine(timeout);
  Status(line);
  FLastStatus = line;
  return line;
}

std::string TSocketControl::ReadHead() {
  std::string head;
  // Buffered bytes count as an open connection: a fast server may be gone already.
  while (FConnected || !FReadBuffer.empty()) {
    std::string line = ReadLine();
    if (line.size() < 3) break;
    head += line;
    if (head.size() > kMaxHead) break;  // an endless head: the body reader copes
  }
  FLastHead = head;
  return head;
}

bool TSocketControl::SendCommand(const std::string& text, bool report, int timeout) {
  FLastStatus.clear();
  if (report) Status(text);
  SendText(text);
  ReadStatusLine(timeout);
  return StatusOK();
}

void TSocketControl::ReadBody(std::string& stream) {
  auto arrival = TClock::now();
  for (;;) {
    if (!FReadBuffer.empty()) {
      if (stream.size() + FReadBuffer.size() > MaxResponse) {
        Disconnect();
        throw EResponseTooLarge("The server sent more than " + std::to_string(MaxResponse) +
                                " bytes");
      }
      stream += FReadBuffer;
      FReadBuffer.clear();
      arrival = TClock::now();
    }
    if (!FConnected || Stopping()) break;
    if (Expired(arrival, TimeOut)) throw EXSSocketError("Timed Out");
    PumpMessages();
  }
}

bool TSocketControl::StatusOK() const {
  return FLastStatus.size() >= 3 && (FLastStatus[0] == '1' || FLastStatus[0] == '2');
}

// ---------------------------------------------------------------------------------------------

THTTPControl::THTTPControl() {
  Port = 80;
}

bool THTTPControl::Handshake() {
  // Only a tunnel keeps TLS between the viewer and the server, whatever the proxy's kind.
  if (ProxyMode != 0 && !Tls) return true;
  const std::string name = HostName();
  const std::string target = (name.find(':') == std::string::npos ? name : "[" + name + "]") + ":" +
                             std::to_string(PortIn(Host, Tls ? 443 : 80));
  SendCommand("CONNECT " + target + " HTTP/1.0\r\n\r\n", true);
  ReadHead();
  return StatusOK();
}

void THTTPControl::Disconnect() {
  Credentials.clear();
  TSocketControl::Disconnect();
}

bool THTTPControl::StatusOK() const {
  if (FLastStatus.compare(0, 5, "HTTP/") != 0) return false;
  const size_t blank = FLastStatus.find(' ');
  if (blank == std::string::npos || blank + 1 >= FLastStatus.size()) return false;
  return FLastStatus[blank + 1] == '1' || FLastStatus[blank + 1] == '2';
}

bool THTTPControl::GetFile(const std::string& path, const std::string& extraHeaders,
                           std::string& head, std::string& stream) {
  TAuthSession ownAuth;
  TAuthSession& auth = Auth != nullptr ? *Auth : ownAuth;
  const std::string name = HostName();
  const std::string server = AuthServerKey(name, PortIn(Host, Port));
  const std::string hostLine = name.find(':') == std::string::npos ? name : "[" + name + "]";
  const std::string target =
      !Proxy.empty() && ProxyMode == 1 && !Tls ? "http://" + Host + path : path;
  // At most two requests: the second answers the first one's Digest challenge.
  for (int attempt = 0;; ++attempt) {
    if (attempt > 0) TSocketControl::Disconnect();  // the credentials stay for the next try
    SocketControlConnect();
    Status("Retrieving File " + path);
    std::string request = "GET " + target + " HTTP/1.0\r\n" + extraHeaders;
    request += "Host: " + hostLine + "\r\n";
    request += auth.Line(server, Credentials, "GET", target);
    request += "\r\n";
    if (SendCommand(request, false)) {
      auth.Answered();
      head = ReadHead();
      ReadBody(stream);
      return true;
    }
    const std::string refusal = FLastStatus + ReadHead();
    if (StatusCode() != 401) {
      auth.Answered();
      return false;
    }
    if (attempt > 0 || !auth.Refused(server, refusal, !Credentials.empty())) return false;
  }
}

int THTTPControl::StatusCode() const {
  if (FLastStatus.compare(0, 5, "HTTP/") != 0) return 0;
  const size_t blank = FLastStatus.find(' ');
  int code = 0;
  for (size_t i = blank + 1;
       blank != std::string::npos && i < FLastStatus.size() && i < blank + 4 &&
       std::isdigit(static_cast<unsigned char>(FLastStatus[i]));
       ++i)
    code = code * 10 + (FLastStatus[i] - '0');
  return code;
}

}  // namespace vexilon
