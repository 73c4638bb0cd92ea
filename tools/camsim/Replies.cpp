#include "Replies.h"

#include <ctime>

#include "Peer.h"

namespace vexilon::camsim {
namespace {

const char* Reason(int code) {
  switch (code) {
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    default:
      return code < 300   ? "OK"
             : code < 400 ? "Redirect"
             : code < 500 ? "Client Error"
                          : "Server Error";
  }
}

std::string EscapeHtml(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '&')
      out += "&amp;";
    else
      out += c;
  }
  return out;
}

}  // namespace

std::string StatusLine(int code) {
  return "HTTP/1.0 " + std::to_string(code) + " " + Reason(code) + "\r\n";
}

void SendStatus(TPeer& peer, int code, std::string_view detail, std::string_view extraHeaders) {
  const std::string title = std::to_string(code) + " " + Reason(code);
  const std::string body = "<html><head><title>" + title + "</title></head><body><h1>" + title +
                           "</h1><p>" + EscapeHtml(detail) + "</p></body></html>\r\n";
  peer.Send(StatusLine(code) + "Server: camsim\r\nContent-Type: text/html\r\nContent-Length: " +
            std::to_string(body.size()) + "\r\n" + std::string(extraHeaders) + "\r\n" + body);
}

std::string WeatherPage(std::uint64_t reading) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char clock[32];
  std::strftime(clock, sizeof clock, "%Y-%m-%d %H:%M:%S", &local);
  const char* const winds[] = {"north", "north-east", "east", "south-east",
                               "south", "south-west", "west", "north-west"};
  const int tenths = int(reading * 37 % 300) - 50;
  char values[256];
  std::snprintf(
      values, sizeof values,
      "<p>Temperature <font color=yellow>%.1f C</font><font color=white>, wind %d m/s from the "
      "%s, pressure %d hPa.</p>\r\n",
      tenths / 10.0, int(reading * 7 % 15), winds[reading % 8], int(990 + reading * 13 % 40));
  // Simple markup, as small camera servers send: colours, line breaks, an entity.
  return "<html><body bgcolor=\"#203050\"><font color=\"#a0e0ff\">\r\n"
         "<p>Weather station &amp; garden<br>Reading " +
         std::to_string(reading) + " at " + clock + "</p>\r\n" + values + "</body></html>\r\n";
}

}  // namespace vexilon::camsim
