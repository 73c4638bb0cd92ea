#pragma once
#include <string>
#include <vector>

namespace vexilon::camsim {

struct TOptions {
  int Port = 0;  // 0: chosen by the system
  int Width = 640, Height = 480;
  double Fps = 25;
  int LoopSeconds = 4;
  int Quality = 75;
  std::string Auth;  // "user:pass" asked of every request; empty for none
  int Upstream = 0;  // where a proxied request that names no port goes; 0: camsim itself
  int MaxConnections = 64;
  bool Demo = false;
  bool Https = false;           // every connection over TLS, with a certificate made at start
  std::string CertFile;         // with Https: a PEM file's certificate (chain) and key instead
  bool ExitWithParent = false;  // a test's camsim goes when the test process does
  bool Help = false;
};

// Reads the command line; false with a message for the user when it makes no sense.
bool ParseOptions(const std::vector<std::string>& args, TOptions& options, std::string& error);

// Big enough for any test, small enough that 64 connections rendering at once stay within
// a modest amount of memory.
inline constexpr int kMaxSide = 2048;

// "WxH" with both sides from 16 to kMaxSide.
bool ParseSize(const std::string& text, int& width, int& height);

const char* UsageText();

}  // namespace vexilon::camsim
