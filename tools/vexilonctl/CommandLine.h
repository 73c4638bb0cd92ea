#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/app/Settings.h"
#include "core/catalogue/WebConnect.h"
#include "core/net/ConnectThread.h"

namespace vexilon {

// What every command shares: asking for help, numbers, and the one line that says what went
// wrong. Usage errors end with status 2, failures with 1.

// Whether args ask for the command's help.
bool WantsHelp(const std::vector<std::string>& args);

// A whole decimal number within low and high, or none.
std::optional<long> WholeNumber(const std::string& text, long low, long high);

// A number of seconds above 0 and at most a day, or none.
std::optional<double> Seconds(const std::string& text);

// Prints "vexilonctl COMMAND: message" and where the usage is described; answers 2.
int UsageError(const std::string& command, const std::string& message);

// Prints message as it is; answers 1.
int Failure(const std::string& message);

// "vexilonctl: no such file: PATH" when path names nothing, else empty.
std::string MissingFile(const std::string& path);

// Arguments split into positional ones and options, each option taken with the number of
// values it has.
struct TArguments {
  std::vector<std::string> Positional;
  std::map<std::string, std::vector<std::string>> Options;
  bool Has(const std::string& option) const { return Options.count(option) != 0; }
  // The option's first value, or fallback.
  std::string Value(const std::string& option, const std::string& fallback = {}) const;
};
// Splits args by arity (option name to number of values); an error message for an unknown
// option, an option given twice or one short of its values, else empty.
std::string SplitArguments(const std::vector<std::string>& args,
                           const std::map<std::string, int>& arity, TArguments& out);

// How a command reaches a camera, as probe and record take it.
struct TCameraOptions {
  std::string Url;
  int Format = 0;  // the descriptor's format flag
  std::string Auth;
  std::string Proxy;
  int ProxyType = 0;
  bool ProxyTypeGiven = false;

  // Adds --format, --auth, --proxy and --proxy-type to an arity map for SplitArguments.
  static std::map<std::string, int> WithOptions(std::map<std::string, int> arity);
  // Reads those options and the URL (the one positional argument from position first on); an
  // error message when they are not usable, else empty.
  std::string Read(const TArguments& parsed, std::size_t first = 0);
  // Reads the options alone.
  std::string ReadOptions(const TArguments& parsed);
  // The connection settings of a camera window for these options.
  TConnectConfig Config() const;
  // "could not connect to [the proxy ]HOST:PORT".
  std::string UnreachableText() const;
  // The proxy type in force: 1 when a proxy is given without one, 0 without a proxy.
  int EffectiveProxyType() const;
};

// The option lines for TCameraOptions, for a command's usage text.
extern const char* const kCameraOptionsHelp;

}  // namespace vexilon
