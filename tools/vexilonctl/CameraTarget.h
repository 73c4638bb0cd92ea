#pragma once
#include <map>
#include <string>

#include "CommandLine.h"
#include "core/catalogue/WebConnect.h"

namespace vexilon {

// The camera a command reads: a URL with the camera options, or a catalogue entry with what
// its groups pass on (credentials, prefix, suffix, headers), as a camera window opened by its
// catalogue path gets it. The proxy options apply to both.
struct TCameraTarget {
  TCameraOptions Camera;  // for an entry: its address and credentials once loaded
  TVideoConnect Video;
  std::string Entry;      // the catalogue path; empty for a URL
  std::string Catalogue;  // the file given for the entry; empty for the program folder's

  // Adds --entry, --catalogue and the camera options to an arity map for SplitArguments.
  static std::map<std::string, int> WithOptions(std::map<std::string, int> arity);
  // Reads the options and the URL, the one positional argument, or --entry in its place; a
  // usage error message, else empty.
  std::string Read(const TArguments& parsed);
  // Loads the entry from its catalogue; a one-line failure message, else empty. Nothing to
  // do for a URL.
  std::string Load();
};

// The option lines for --entry and --catalogue, for a command's usage text.
extern const char* const kEntryOptionsHelp;

}  // namespace vexilon
