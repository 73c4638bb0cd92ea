#pragma once
#include <string>
#include <string_view>

namespace vexilon {

// Whether an entry's address names an RTSP camera (rtsp:// or rtsps://, any case).
bool IsRtspAddress(std::string_view address);

// The address to open: auth ("user:password", as entries keep it) goes into the address with
// its reserved characters escaped, unless the address carries its own user already.
std::string RtspUrlWithAuth(std::string_view address, std::string_view auth);

// The address without its password, to show or log.
std::string RtspUrlForDisplay(std::string_view address);

}  // namespace vexilon
