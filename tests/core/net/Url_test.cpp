#include "core/net/Url.h"

#include <gtest/gtest.h>

#include "core/net/Base64.h"

namespace vexilon {
namespace {

struct TUrlCase {
  const char* Url;
  const char* Scheme;
  const char* Authority;
  const char* Host;
  const char* User;
  const char* Password;
  int Port;
  const char* Path;
};

// Defaults "H", "U", "P" and 0 show when a piece falls back.
const TUrlCase kUrls[] = {
    {"http://user:pw@cam.example:8080/video.cgi?x=1", "http", "user:pw@cam.example:8080",
     "cam.example", "user", "pw", 8080, "/video.cgi?x=1"},
    {"http://cam/", "http", "cam", "cam", "U", "P", 80, "/"},
    {"http://cam:81", "http", "cam", "cam", "U", "P", 81, "/"},
    {"HTTP://cam", "HTTP", "cam", "cam", "U", "P", 80, "/"},
    {"ftp://cam/x", "ftp", "cam", "cam", "U", "P", 21, "/x"},
    {"MailTo://cam", "MailTo", "cam", "cam", "U", "P", 25, "/"},
    {"https://cam/x", "https", "cam", "cam", "U", "P", 443, "/x"},
    {"http://cam:abc/x", "http", "cam", "cam", "U", "P", 80, "/x"},
    {"http://cam:99999/x", "http", "cam", "cam", "U", "P", 80, "/x"},
    {"http://cam\\cgi\\pic.jpg", "http", "cam", "cam", "U", "P", 80, "/cgi/pic.jpg"},
    {"http://u@cam/", "http", "u@cam", "cam", "u", "P", 80, "/"},
    {"http://:p@cam/", "http", ":p@cam", "cam", "U", "p", 80, "/"},
    {"http://u:p@ss@cam:82/", "http", "u:p@ss@cam:82", "cam", "u", "p@ss", 82, "/"},
    {"http://[::1]:8080/v", "http", "[::1]", "::1", "U", "P", 8080, "/v"},
    {"cam/video.cgi", "", "", "H", "U", "P", 0, "cam/video.cgi"},
    {"c:\\video.cgi", "", "", "H", "U", "P", 0, "c:\\video.cgi"},
    {"ab:cam", "ab", "", "H", "U", "P", 0, "ab:cam"},
    {"", "", "", "H", "U", "P", 0, ""},
};

TEST(Url, SplitsAddressesIntoTheirPieces) {
  for (const TUrlCase& c : kUrls) {
    SCOPED_TRACE(c.Url);
    EXPECT_EQ(UrlScheme(c.Url), c.Scheme);
    EXPECT_EQ(UrlAuthority(c.Url), c.Authority);
    EXPECT_EQ(UrlHost(c.Url, "H"), c.Host);
    EXPECT_EQ(UrlUser(c.Url, "U"), c.User);
    EXPECT_EQ(UrlPassword(c.Url, "P"), c.Password);
    EXPECT_EQ(UrlPort(c.Url), c.Port);
    EXPECT_EQ(UrlPath(c.Url), c.Path);
  }
}

TEST(Url, NonZeroPortDefaultIsKeptForEveryScheme) {
  EXPECT_EQ(UrlPort("ftp://cam/x", 80), 80);
  EXPECT_EQ(UrlPort("ftp://cam:2121/x", 80), 2121);
  EXPECT_EQ(UrlPort("no address", 7), 7);
}

TEST(Url, DottedAddressNeedsFourNumbers) {
  const std::pair<const char*, bool> cases[] = {
      {"10.0.0.1", true},  {"192.168.100.200", true}, {"1.2.34.", true},
      {"1.2.3", false},    {"1.2.3.4.5", false},      {"...", false},
      {"1.2.3.", false},   {"a.b.c.d", false},        {"", false},
      {"1.2.3.4 ", false}, {"cam.local", false},
  };
  for (const auto& [host, dotted] : cases) EXPECT_EQ(IsDottedAddress(host), dotted) << host;
}

TEST(Base64, EncodesTheStandardVectors) {
  const std::pair<std::string, const char*> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foob", "Zm9vYg=="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\xff\xfe\x00", 3), "//4A"},
  };
  for (const auto& [plain, coded] : cases) EXPECT_EQ(EncodeBase64(plain), coded) << plain;
}

}  // namespace
}  // namespace vexilon
