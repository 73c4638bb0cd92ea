// The HTTP text a camera or a user supplies: head scanning (whole or resumed in pieces),
// boundary, length and transfer-encoding lines, and addresses with the requests and proxy
// targets built from them. A request never carries a line break it did not put there itself,
// so an address cannot smuggle header lines to the camera or the proxy.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "core/net/HttpRequest.h"
#include "core/net/StreamText.h"
#include "core/net/Url.h"

using namespace vexilon;

namespace {

// Every line ends in CR LF, and no line is empty before the blank line that ends the head.
bool WellFramed(const std::string& request) {
  const std::size_t end = request.find("\r\n\r\n");
  if (end == std::string::npos || end + 4 != request.size()) return false;
  for (std::size_t i = 0; i < end; ++i) {
    if (request[i] == '\n' && (i == 0 || request[i - 1] != '\r')) return false;
    if (request[i] == '\r' && request[i + 1] != '\n') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  std::size_t resume = 0;
  const std::size_t whole = FindHeadEnd(text, resume);
  Check(whole == std::string_view::npos || whole <= text.size());
  std::size_t resumed = 0, found = std::string_view::npos;
  for (std::size_t length = 0; length <= text.size(); length += 7) {
    found = FindHeadEnd(text.substr(0, length), resumed);
    if (found != std::string_view::npos) break;
  }
  if (found == std::string_view::npos) found = FindHeadEnd(text, resumed);
  Check(found == whole);
  Check(BoundaryMarker(text).size() <= 256);
  IsChunkedHead(text);
  PartContentLength(text);
  const std::size_t at = FindNoCase(text, "content-length");
  Check(at == std::string_view::npos || at + 14 <= text.size());

  // The first line is an address, the second a proxy, the rest extra header lines.
  const std::size_t lineEnd = text.find('\n');
  TRequestInput input;
  input.Address = std::string(text.substr(0, lineEnd));
  std::string_view rest = lineEnd == std::string_view::npos ? "" : text.substr(lineEnd + 1);
  const std::string proxy(rest.substr(0, rest.find('\n')));
  input.ProxyType = size > 0 ? data[0] % 4 : 0;
  input.Flags = size > 1 ? data[1] & 1 : 0;
  input.Auth = UrlUser(input.Address) + ":" + UrlPassword(input.Address);
  UrlScheme(input.Address);
  UrlAuthority(input.Address);
  UrlPath(input.Address);
  const int port = UrlPort(input.Address, 80);
  Check(port >= 0 && port <= 65535);
  IsDottedAddress(UrlHost(input.Address));
  Check(WellFramed(BuildRequest(input, proxy)));
  Check(WellFramed(BuildConnectRequest(input.Address)));
  const TConnectTarget target = ConnectTarget(input.Address, proxy, input.ProxyType);
  Check(target.Port >= 0 && target.Port <= 65535);
  return 0;
}
