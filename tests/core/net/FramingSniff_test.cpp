#include "core/net/FramingSniff.h"

#include <gtest/gtest.h>

#include <string>

namespace vexilon {
namespace {

using namespace std::string_literals;

const std::string kOk = "HTTP/1.0 200 OK\r\nContent-Type: x\r\n\r\n";
const std::string kJpeg = "\xFF\xD8\xFF\xE0"s + std::string(200, 'j');
// A vod frame header: number 1, 40 ms, 204 bytes.
const std::string kVodHeader = "\0\0\0\1\0\0\0\x28\0\0\0\xCC"s;
// A webcam32 length: 204 bytes.
const std::string kCam32Length = "\xCC\0\0\0"s;

TEST(FramingSniff, TellsTheLengthFramingsFromTheRest) {
  const struct {
    const char* Name;
    std::string Start;
    TSniffedFraming Expected;
  } cases[] = {
      {"vod", kOk + kVodHeader + kJpeg, TSniffedFraming::Vod},
      {"vod behind a proxy tunnel",
       "HTTP/1.0 200 Connection established\r\n\r\n" + kOk + kVodHeader + kJpeg,
       TSniffedFraming::Vod},
      {"webcam32", kOk + "WEBCAM32 cam\0"s + kCam32Length + kJpeg, TSniffedFraming::Webcam32},
      {"webcam32 without head", "WEBCAM32 cam\0"s + kCam32Length + kJpeg,
       TSniffedFraming::Webcam32},
      {"webcam32, empty preamble", kOk + "\0"s + kCam32Length + kJpeg, TSniffedFraming::Webcam32},
      {"vod header without a head", kVodHeader + kJpeg, TSniffedFraming::Other},
      {"vod, absurd length", kOk + "\0\0\0\1\0\0\0\x28\x7F\0\0\0"s + kJpeg, TSniffedFraming::Other},
      {"webcam32, absurd length", kOk + "W\0"s + "\xFF\xFF\xFF\x7F"s + kJpeg,
       TSniffedFraming::Other},
      {"multipart", kOk + "--b\r\nContent-Type: image/jpeg\r\n\r\n" + kJpeg,
       TSniffedFraming::Other},
      {"one picture", kOk + kJpeg, TSniffedFraming::Other},
      {"tagged", "<Simg>" + kJpeg, TSniffedFraming::Other},
      {"refusal", "HTTP/1.0 401 Unauthorized\r\n\r\n" + kVodHeader + kJpeg, TSniffedFraming::Other},
      {"binary preamble", kOk + "\x01\x02\0"s + kCam32Length + kJpeg, TSniffedFraming::Other},
      {"endless preamble", kOk + std::string(5000, 'a') + "\0"s + kCam32Length + kJpeg,
       TSniffedFraming::Other},
      {"endless head", "HTTP/1.0 200 OK\r\n" + std::string(kSniffLimit, 'h'),
       TSniffedFraming::Other},
      {"nothing yet", "", TSniffedFraming::Undecided},
      {"status line cut", "HTT", TSniffedFraming::Undecided},
      {"head cut", "HTTP/1.0 200 OK\r\nContent", TSniffedFraming::Undecided},
      {"frame header cut", kOk + kVodHeader.substr(0, 7), TSniffedFraming::Undecided},
      {"preamble cut", kOk + "WEBCAM32", TSniffedFraming::Undecided},
      {"length cut", kOk + "W\0\xCC\0"s, TSniffedFraming::Undecided},
  };
  for (const auto& c : cases) EXPECT_EQ(SniffFraming(c.Start), c.Expected) << c.Name;
}

}  // namespace
}  // namespace vexilon
