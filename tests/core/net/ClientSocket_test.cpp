#include "core/net/ClientSocket.h"

#include <gtest/gtest.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "support/LoopbackServer.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// Records the events of a socket as letters: L lookup, C connecting, O connect, D disconnect,
// E error.
struct TEventLog {
  std::string Events;
  TErrorEvent Kind = eeGeneral;
  int Code = 0;
  bool Suppress = false;

  void Attach(TXSClientSocket& socket) {
    socket.OnLookup = [this](TXSClientSocket&, TXSClientWinSocket&) { Events += 'L'; };
    socket.OnConnecting = [this](TXSClientSocket&, TXSClientWinSocket&) { Events += 'C'; };
    socket.OnConnect = [this](TXSClientSocket&, TXSClientWinSocket&) { Events += 'O'; };
    socket.OnDisconnect = [this](TXSClientSocket&, TXSClientWinSocket&) { Events += 'D'; };
    socket.OnError = [this](TXSClientSocket&, TXSClientWinSocket&, TErrorEvent kind, int& code) {
      Events += 'E';
      Kind = kind;
      Code = code;
      if (Suppress) code = 0;
    };
  }
};

// The message of the socket error that action raises, or "" when it raises none.
std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EXSSocketError& error) {
    return error.what();
  }
  return "";
}

std::string OpenError(TXSClientSocket& socket) {
  return ErrorOf([&] { socket.Open(); });
}

TResolved NoSuchName(const std::string&, int) {
  TResolved none;
  none.Error = EAI_NONAME;
  none.ErrorText = "Name or service not known";
  return none;
}

const std::string kRequest = "GET / HTTP/1.0\r\n\r\n";

TEST(ClientSocket, BlockingSocketFiresItsEventsInOrderKeepsItsValuesWhileActiveAndSeesTheClose) {
  TLoopbackServer server([](TServerConnection& c, int) { c.Send("echo:" + c.ReadHead()); });
  TXSClientSocket socket(ctBlocking);
  TEventLog log;
  log.Attach(socket);
  socket.Close();  // idle: nothing happens
  EXPECT_EQ(log.Events, "");
  socket.SetHost("localhost");
  socket.SetService(std::to_string(server.Port()));
  socket.SetPort(1);  // the service wins
  socket.SetActive(true);
  EXPECT_TRUE(socket.Active());
  EXPECT_EQ(log.Events, "LCO");
  EXPECT_EQ(OpenError(socket), "Socket already open");

  EXPECT_EQ(ErrorOf([&] { socket.SetPort(2); }), "Can't change value while socket is active");
  EXPECT_EQ(socket.Port(), 1);
  EXPECT_THROW(socket.SetHost("other"), EXSSocketError);
  EXPECT_THROW(socket.SetAddress("10.0.0.1"), EXSSocketError);
  EXPECT_THROW(socket.SetService("http"), EXSSocketError);
  EXPECT_THROW(socket.SetClientType(ctNonBlocking), EXSSocketError);
  socket.SetPort(1);  // the same value is no change
  EXPECT_EQ(socket.Host(), "localhost");

  EXPECT_EQ(socket.Socket().SendBuf(kRequest.data(), int(kRequest.size())), int(kRequest.size()));
  std::string received;
  const auto deadline = TClock::now() + 5s;
  while (received.size() < 5 + kRequest.size() && TClock::now() < deadline) {
    if (socket.Socket().WaitReadable(10ms)) received += socket.Socket().ReceiveText();
  }
  EXPECT_EQ(received, "echo:" + kRequest);
  // The server has closed: readable, yet nothing waits.
  EXPECT_TRUE(socket.Socket().WaitReadable(2s));
  EXPECT_EQ(socket.Socket().ReceiveBuf(nullptr, -1), 0);
  char byte;
  EXPECT_EQ(socket.Socket().ReceiveBuf(&byte, 1), 0);

  socket.SetActive(false);
  EXPECT_FALSE(socket.Active());
  EXPECT_EQ(socket.Socket().Handle(), -1);
  socket.Close();
  EXPECT_EQ(log.Events, "LCOD");
  TSocketAddress address;
  EXPECT_TRUE(ParseNumericAddress("[::1]", 80, address));
  EXPECT_FALSE(ParseNumericAddress("cam.example", 80, address));
}

TEST(ClientSocket, OpenFailures) {
  TXSClientSocket socket(ctBlocking);
  EXPECT_EQ(OpenError(socket), "No address specified");

  socket.SetAddress("127.0.0.1");
  socket.SetPort(ClosedPort());
  EXPECT_EQ(OpenError(socket), "Socket error: Connection refused (111), on API 'connect'");
  EXPECT_FALSE(socket.Active());

  // A name that does not resolve fails after the look-up event: as the connect when blocking,
  // from the poll that learns of it when not.
  for (TClientType type : {ctBlocking, ctNonBlocking}) {
    TXSClientSocket named(type);
    TEventLog log;
    log.Attach(named);
    named.SetResolver(NoSuchName);
    named.SetHost("no-such-camera.invalid");
    named.SetPort(80);
    std::string message = OpenError(named);
    const auto deadline = TClock::now() + 5s;
    while (message.empty() && TClock::now() < deadline)
      message = ErrorOf([&] { named.Poll(10ms); });
    EXPECT_EQ(message, "Socket error: Name or service not known (" + std::to_string(EAI_NONAME) +
                           "), on API '" + (type == ctBlocking ? "connect" : "ASync Lookup") + "'");
    EXPECT_EQ(log.Events, "L");
    EXPECT_FALSE(named.Poll(1ms));
  }
}

TEST(ClientSocket, AReceiveFailureFiresTheErrorEventClosesAndRaises) {
  for (bool suppress : {false, true}) {
    // The server resets the connection once the request is in (not earlier, which could
    // fail the connect instead), so recv fails with ECONNRESET.
    TLoopbackServer server([](TServerConnection& c, int) {
      c.ReadHead();
      c.ResetOnEnd();
    });
    TXSClientSocket socket(ctBlocking);
    TEventLog log;
    log.Suppress = suppress;
    log.Attach(socket);
    socket.SetAddress("127.0.0.1");
    socket.SetPort(server.Port());
    socket.Open();
    socket.Socket().SendBuf(kRequest.data(), int(kRequest.size()));
    ASSERT_TRUE(socket.Socket().WaitReadable(2s));
    char block[16];
    const std::string message = ErrorOf([&] { socket.Socket().ReceiveBuf(block, sizeof block); });
    EXPECT_EQ(log.Kind, eeReceive);
    EXPECT_EQ(log.Code, ECONNRESET);
    EXPECT_EQ(log.Events, "LCOED");
    EXPECT_FALSE(socket.Active());
    EXPECT_EQ(message,
              suppress ? "" : "Socket error: Connection reset by peer (104), on API 'recv'");
  }
}

TEST(ClientSocket, ShutdownFromAnotherThreadEndsAHangingConnect) {
  TBlackholePort blackhole;
  TXSClientSocket socket(ctBlocking);
  socket.SetAddress("127.0.0.1");
  socket.SetPort(blackhole.Port());
  std::string message;
  std::thread opener([&] { message = OpenError(socket); });
  std::this_thread::sleep_for(200ms);
  EXPECT_TRUE(message.empty()) << "the connect did not hang: " << message;
  const auto start = TClock::now();
  socket.Socket().Shutdown();
  opener.join();
  EXPECT_LT(TClock::now() - start, 300ms);
  EXPECT_EQ(message, "Socket error: Software caused connection abort (103), on API 'connect'");
  // Once shut down, the socket stays down.
  EXPECT_NE(OpenError(socket), "");
}

TEST(ClientSocket, NonBlockingOpenCompletesThroughPoll) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.Send("hello");
    c.WaitPeerClose(1s);
  });
  TXSClientSocket socket(ctNonBlocking);
  TEventLog log;
  log.Attach(socket);
  std::string read;
  socket.OnRead = [&](TXSClientSocket&, TXSClientWinSocket& s) { read += s.ReceiveText(); };
  socket.SetHost("localhost");
  socket.SetPort(server.Port());
  socket.Open();
  EXPECT_EQ(log.Events, "L");  // the look-up runs beside us
  const auto deadline = TClock::now() + 5s;
  while (read.size() < 5 && TClock::now() < deadline) socket.Poll(10ms);
  EXPECT_EQ(read, "hello");
  EXPECT_EQ(log.Events, "LCO");
  socket.Close();
  EXPECT_EQ(log.Events, "LCOD");
  EXPECT_FALSE(socket.Poll(1ms));
}

}  // namespace
}  // namespace vexilon
