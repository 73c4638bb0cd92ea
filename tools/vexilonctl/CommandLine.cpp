#include "CommandLine.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "core/net/HttpRequest.h"
#include "core/net/Url.h"

namespace vexilon {

const char* const kCameraOptionsHelp =
    "  --format F          the stream's framing: auto (default), vod, html or webcam32\n"
    "  --auth USER:PASS    credentials for the camera\n"
    "  --proxy HOST:PORT   connect through this proxy\n"
    "  --proxy-type N      1 tunnels with CONNECT (default), 2 sends absolute addresses,\n"
    "                      3 plain requests\n";

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args)
    if (arg == "--help" || arg == "-h") return true;
  return false;
}

std::optional<long> WholeNumber(const std::string& text, long low, long high) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < low || value > high) return std::nullopt;
  return value;
}

std::optional<double> Seconds(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(value > 0) || value > 86400) return std::nullopt;
  return value;
}

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "vexilonctl %s: %s (see vexilonctl %s --help)\n", command.c_str(),
               message.c_str(), command.c_str());
  return 2;
}

int Failure(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  return 1;
}

std::string MissingFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 || (errno != ENOENT && errno != ENOTDIR)) return {};
  return "vexilonctl: no such file: " + path;
}

std::string TArguments::Value(const std::string& option, const std::string& fallback) const {
  const auto found = Options.find(option);
  return found == Options.end() || found->second.empty() ? fallback : found->second[0];
}

std::string SplitArguments(const std::vector<std::string>& args,
                           const std::map<std::string, int>& arity, TArguments& out) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!arg.starts_with("--") || arg == "--") {
      out.Positional.push_back(arg);
      continue;
    }
    const auto known = arity.find(arg);
    if (known == arity.end()) return "unknown option '" + arg + "'";
    if (out.Has(arg)) return arg + " is given twice";
    std::size_t given = 0;  // an option never takes another option for its value
    while (given < std::size_t(known->second) && i + 1 + given < args.size() &&
           !args[i + 1 + given].starts_with("--"))
      ++given;
    if (given < std::size_t(known->second))
      return arg + (known->second == 1 ? " needs a value"
                                       : " needs " + std::to_string(known->second) + " values");
    std::vector<std::string>& values = out.Options[arg];
    for (int n = 0; n < known->second; ++n) values.push_back(args[++i]);
  }
  return {};
}

std::map<std::string, int> TCameraOptions::WithOptions(std::map<std::string, int> arity) {
  for (const char* option : {"--format", "--auth", "--proxy", "--proxy-type"}) arity[option] = 1;
  return arity;
}

std::string TCameraOptions::Read(const TArguments& parsed, std::size_t first) {
  const std::vector<std::string>& p = parsed.Positional;
  if (p.size() > first + 1)
    return "more than one URL ('" + p[first] + "' and '" + p[first + 1] + "')";
  if (p.size() == first) return "no URL given";
  Url = p[first];
  if (UrlHost(Url).empty())
    return "'" + Url + "' names no server (write it as http://host[:port]/path)";
  return ReadOptions(parsed);
}

std::string TCameraOptions::ReadOptions(const TArguments& parsed) {
  if (parsed.Has("--format")) {
    const std::string text = parsed.Value("--format");
    const std::map<std::string, int> formats = {
        {"auto", 0}, {"vod", 2}, {"html", 4}, {"webcam32", 6}};
    const auto found = formats.find(text);
    if (found == formats.end())
      return "unknown format '" + text + "' (auto, vod, html or webcam32)";
    Format = found->second;
  }
  if (parsed.Has("--auth")) {
    Auth = parsed.Value("--auth");
    if (Auth.find(':') == std::string::npos) return "--auth needs USER:PASS";
  }
  if (parsed.Has("--proxy")) {
    Proxy = parsed.Value("--proxy");
    if (Proxy.empty()) return "--proxy needs HOST:PORT";
  }
  if (parsed.Has("--proxy-type")) {
    const std::string text = parsed.Value("--proxy-type");
    const auto type = WholeNumber(text, 1, 3);
    if (!type) return "--proxy-type needs 1, 2 or 3, not '" + text + "'";
    if (Proxy.empty()) return "--proxy-type needs --proxy HOST:PORT";
    ProxyType = int(*type);
    ProxyTypeGiven = true;
  }
  return {};
}

TConnectConfig TCameraOptions::Config() const {
  TNetSettings settings;
  settings.Proxy = Proxy;
  settings.ProxyType = EffectiveProxyType();
  TConnectConfig config;
  config.Settings = [settings] { return settings; };
  return config;
}

int TCameraOptions::EffectiveProxyType() const {
  return Proxy.empty() ? 0 : ProxyTypeGiven ? ProxyType : 1;
}

std::string TCameraOptions::UnreachableText() const {
  const TConnectTarget target = ConnectTarget(Url, Proxy, EffectiveProxyType());
  return std::string("could not connect to ") + (Proxy.empty() ? "" : "the proxy ") + target.Host +
         ":" + std::to_string(target.Port);
}

}  // namespace vexilon
