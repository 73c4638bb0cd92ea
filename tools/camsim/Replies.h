#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vexilon::camsim {

class TPeer;

// "HTTP/1.0 404 Not Found\r\n" and the like.
std::string StatusLine(int code);

// A complete short answer: the status, extra header lines (each ended by CR LF), a small
// HTML body that says why.
void SendStatus(TPeer& peer, int code, std::string_view detail, std::string_view extraHeaders = {});

// The page of the simulated weather station: its reading number, the time and made-up
// values that change with every reading. Always longer than the 128 bytes below which a
// viewer drops a frame.
std::string WeatherPage(std::uint64_t reading);

}  // namespace vexilon::camsim
