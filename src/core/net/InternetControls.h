#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "core/net/ClientSocket.h"

namespace vexilon {

class TAuthSession;

// A response that outgrew TSocketControl::MaxResponse, told apart from other transfer failures
// so that a caller expecting a known size can report the size.
class EResponseTooLarge : public EXSSocketError {
 public:
  using EXSSocketError::EXSSocketError;
};

// A synchronous TCP client for the user-interface thread: every wait polls the socket in
// short slices and runs the caller's event loop between them (Pump), so windows stay alive
// while a file is fetched. Where there is no event loop, Pump stays empty.
class TSocketControl {
 public:
  TSocketControl();
  virtual ~TSocketControl();
  TSocketControl(const TSocketControl&) = delete;
  TSocketControl& operator=(const TSocketControl&) = delete;

  std::string Host;         // server name or address, optionally ":port"
  std::string Proxy;        // proxy "host[:port]"; empty for none
  int TimeOut = 60;         // seconds without progress before "Timed Out"; below 1: none
  int Port = 0;             // when Host names none
  int ConnectTimeOut = 30;  // seconds a connect may take
  // Servers are untrusted: a response (head and body) larger than this ends the read with
  // an error instead of exhausting memory.
  size_t MaxResponse = size_t(64) << 20;
  // https: TLS over the connection (through a proxy's tunnel), its certificate checked against
  // the system's trust store or TlsPin (a SHA-256 fingerprint). Failures raise ETlsError.
  bool Tls = false;
  std::string TlsPin;

  // Progress texts ("Connecting to: ...", "Retrieving File ..."), without a trailing CR LF.
  std::function<void(const std::string&)> OnStatus;
  // Runs the caller's pending events between two polls, e.g. QCoreApplication::processEvents.
  std::function<void()> Pump;
  // Ends every wait at once when it answers true (the application is closing).
  std::function<bool()> Terminating;

  TXSClientSocket& Socket() { return FSocket; }

  virtual bool Handshake();
  // Connects to Proxy (when set) or Host, then shakes hands with a proxy. Answers whether the
  // connection is open or data is buffered.
  bool SocketControlConnect();
  // Raises "Not Connected" unless connected or holding buffered data.
  void CheckConnected();
  // One slice of waiting: socket events, then the caller's event loop.
  void PumpMessages();
  bool ConnectTo(const std::string& host);
  virtual void Disconnect();
  // A line through its line feed; timeout in seconds counts from the last arrival of data
  // (-1: TimeOut). At time-out or disconnect, whatever is buffered.
  std::string ReadLine(int timeout = -1);
  std::string ReadStatusLine(int timeout = -1);
  // Lines up to the blank one (at most 64 KiB of them); kept as LastHead.
  std::string ReadHead();
  void SendText(const std::string& text);
  bool SendCommand(const std::string& text, bool report, int timeout = -1);
  // Appends everything that arrives until the server closes; raises "Timed Out" when
  // nothing arrives for TimeOut seconds, and EResponseTooLarge when the body outgrows
  // MaxResponse.
  void ReadBody(std::string& stream);
  virtual bool StatusOK() const;

  bool Connected() const { return FConnected; }
  const std::string& LastStatus() const { return FLastStatus; }
  const std::string& LastHead() const { return FLastHead; }
  bool ErrorFlagged() const { return FError; }
  TErrorEvent ErrorKind() const { return FErrorKind; }

 protected:
  void Status(std::string text);
  // The server's name or address in Host, without its port.
  std::string HostName() const;
  bool Stopping() const { return Terminating && Terminating(); }

  std::string FReadBuffer;
  std::string FLastStatus;
  std::string FLastHead;

 private:
  TXSClientSocket FSocket;
  bool FConnected = false;
  bool FError = false;
  TErrorEvent FErrorKind = eeGeneral;

  void StartTls();
};

// An HTTP/1.0 file fetcher over TSocketControl, with the three proxy modes and Basic or
// Digest authentication, as the server asks.
class THTTPControl : public TSocketControl {
 public:
  THTTPControl();

  std::string Credentials;  // "user:password"; empty for none; cleared by Disconnect
  int ProxyMode = 0;        // 0 tunnel with CONNECT, 1 absolute addresses, 2 plain
  // Keeps the server's Digest challenge from one fetch to the next; empty: this fetch's own.
  TAuthSession* Auth = nullptr;

  bool Handshake() override;
  void Disconnect() override;
  bool StatusOK() const override;
  // The code of the last status line; 0 when it has none.
  int StatusCode() const;
  // Fetches path from Host: on a success status, the response head into head and the body
  // into stream; otherwise the head is read and dropped. A refusal with a Digest challenge
  // is answered on a new connection at once. Answers StatusOK.
  bool GetFile(const std::string& path, const std::string& extraHeaders, std::string& head,
               std::string& stream);
};

}  // namespace vexilon
