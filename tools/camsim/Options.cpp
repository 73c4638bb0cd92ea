#include "Options.h"

#include <charconv>

namespace vexilon::camsim {
namespace {

bool ReadNumber(const std::string& text, long low, long high, long& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() &&
         value >= low && value <= high;
}

}  // namespace

bool ParseSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  long w = 0, h = 0;
  if (x == std::string::npos || !ReadNumber(text.substr(0, x), 16, kMaxSide, w) ||
      !ReadNumber(text.substr(x + 1), 16, kMaxSide, h)) {
    return false;
  }
  width = int(w);
  height = int(h);
  return true;
}

bool ParseOptions(const std::vector<std::string>& args, TOptions& options, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.Help = true;
      continue;
    }
    if (arg == "--demo") {
      options.Demo = true;
      continue;
    }
    if (arg == "--https") {
      options.Https = true;
      continue;
    }
    if (arg == "--exit-with-parent") {
      options.ExitWithParent = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      error = arg.starts_with("--") ? arg + " needs a value" : "unknown argument '" + arg + "'";
      return false;
    }
    const std::string& value = args[++i];
    long n = 0;
    if (arg == "--port" && ReadNumber(value, 0, 65535, n)) {
      options.Port = int(n);
    } else if (arg == "--cert") {
      options.CertFile = value;
      options.Https = true;
    } else if (arg == "--size" && ParseSize(value, options.Width, options.Height)) {
    } else if (arg == "--fps" && ReadNumber(value, 1, 100, n)) {
      options.Fps = double(n);
    } else if (arg == "--loop" && ReadNumber(value, 1, 60, n)) {
      options.LoopSeconds = int(n);
    } else if (arg == "--quality" && ReadNumber(value, 1, 100, n)) {
      options.Quality = int(n);
    } else if (arg == "--auth" && value.find(':') != std::string::npos) {
      options.Auth = value;
    } else if (arg == "--upstream" && ReadNumber(value, 1, 65535, n)) {
      options.Upstream = int(n);
    } else if (arg == "--max-connections" && ReadNumber(value, 1, 1024, n)) {
      options.MaxConnections = int(n);
    } else {
      error = "bad value '" + value + "' for " + arg + " (see --help)";
      return false;
    }
  }
  return true;
}

const char* UsageText() {
  return R"(usage: camsim [options]
A camera simulator: an HTTP/1.0 server on 127.0.0.1 that serves generated JPEG pictures in
every stream framing the viewer reads, sound, pages, a proxy, and faults on request.

options:
  --port N             port to listen on (0, the default: chosen by the system); camsim
                       prints "camsim listening on 127.0.0.1:PORT" once it listens
  --size WxH           picture size (default 640x480; 16 to 2048 each side)
  --fps N              pictures per second (default 25; 1 to 100)
  --loop SECONDS       pictures repeat after this many seconds (default 4); each is encoded once
  --quality N          JPEG quality (default 75)
  --auth USER:PASS     ask every request for Basic authentication
  --upstream PORT      a proxied request that names no port goes to 127.0.0.1:PORT
  --max-connections N  connections served at once (default 64); more get 503
  --demo               also serve the demo cameras (paths below)
  --https              serve every path over TLS with a self-signed certificate made at start;
                       prints "camsim certificate sha256=AB:CD:..." after the listening line
  --cert FILE          --https with the certificate, its chain and its key from a PEM file
  --exit-with-parent   stop when the process that started camsim ends, however it ends
  --help               this text

paths (the query may add options, joined by &):
  /push                multipart server push, Content-Length in every part head
  /push?nolength       the same, parts delimited by the boundary alone
  /tagged              "<Simg>" parts ended by "<END>", no response head
  /tagged?sound        the same with "<Ssnd>" parts: one second of 8-bit sound each second
  /vod                 12-byte frame headers (number, milliseconds, length; big-endian)
  /cam32               a preamble up to a zero byte, then 4-byte little-endian lengths;
                       /cam32?nohead without the HTTP response head
  /still.jpg           one picture per connection, then close
  /page.html           a text page that changes with each request, then close
  /htmlpush            multipart server push of such pages (one a second)
  /sound.au?ulaw       an endless AU sound stream, 8-bit mu-law, in real time
  /sound.au?pcm16      the same as 16-bit linear; add &multipart for parts with lengths

options for every path:
  size=WxH  fps=N  scene=N (colours, 0-7)  auth=USER:PASS  status=CODE (answer only that)
  digest=USER:PASS (Digest authentication instead of Basic), with algorithm=MD5,SHA-256
  (the challenges offered, any of MD5, MD5-sess, SHA-256, SHA-256-sess; none named means
  MD5), noqop (answers without qop, as RFC 2069), stale=N (each nonce's Nth use is stale)
  stamp (streams: each picture's send time in a JPEG comment, monotonic nanoseconds)
  chaos=SEED (streams: each connection draws a fault at random, printed as "camsim chaos
  KIND"; healthy, close, stall, status, garbage, endless, huge, trickle, refuse)
  calm=SECONDS (with chaos: connections that come later than this after start are healthy)
faults for streams (N counts parts sent):
  close=N    close the connection after N parts
  stall=N    stop sending after N parts, keep the connection open
  endless=N  after N parts, open one that never ends (filler without a delimiter)
  huge=N     after N parts, open one that announces 4294967295 bytes
  garbage    random bytes instead of parts

proxy (every mode, to 127.0.0.1 only; anything else gets 403):
  CONNECT 127.0.0.1:PORT             a tunnel to that port
  GET http://127.0.0.1:PORT/path     forwarded when PORT is not camsim's own
  GET /path with "Host: 127.0.0.1:PORT" the same; a Host line without a port means
                                     --upstream (camsim itself when not given)

demo cameras (--demo):
  /lobby/video.mjpg      push                 /entrance/video.mjpg  tagged with sound
  /gate/vod              video/vod            /carpark/still.jpg    one picture
  /pond/cam32            webcam32             /weather/page.html    text page
  /flaky/video.mjpg      push that drops the connection every 100 pictures
  /reception/video.mjpg  push, with its sound at /reception/sound.au (mu-law)
)";
}

}  // namespace vexilon::camsim
