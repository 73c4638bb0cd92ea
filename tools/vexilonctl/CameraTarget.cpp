#include "CameraTarget.h"

#include <exception>

#include "core/app/StartupFiles.h"
#include "core/catalogue/CamNodes.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/CatalogueRules.h"
#include "core/catalogue/WindowlessHost.h"
#include "core/net/Url.h"

namespace vexilon {

const char* const kEntryOptionsHelp =
    "  --entry PATH        the catalogue entry PATH (groups and name joined by ':') instead\n"
    "                      of a URL, with the credentials, prefix, suffix and headers its\n"
    "                      groups pass on; its own format and credentials apply\n"
    "  --catalogue FILE    the connection file of --entry (default: the program folder's\n"
    "                      Vexilon.vxp, else Vexilon.vxc)\n";

std::map<std::string, int> TCameraTarget::WithOptions(std::map<std::string, int> arity) {
  arity["--entry"] = 1;
  arity["--catalogue"] = 1;
  return TCameraOptions::WithOptions(std::move(arity));
}

std::string TCameraTarget::Read(const TArguments& parsed) {
  if (!parsed.Has("--entry")) {
    if (parsed.Has("--catalogue")) return "--catalogue goes with --entry PATH";
    if (const std::string error = Camera.Read(parsed); !error.empty()) return error;
    Video.Web = Camera.Url;
    Video.Auth = Camera.Auth;
    Video.Flags = Camera.Format;
    return {};
  }
  Entry = parsed.Value("--entry");
  if (Entry.empty()) return "--entry needs a catalogue path such as Outdoor:Gate";
  if (!parsed.Positional.empty())
    return "--entry takes the place of a URL ('" + parsed.Positional[0] + "')";
  for (const char* own : {"--format", "--auth"})
    if (parsed.Has(own)) return std::string(own) + " comes from the catalogue with --entry";
  Catalogue = parsed.Value("--catalogue");
  if (parsed.Has("--catalogue") && Catalogue.empty()) return "--catalogue needs a file";
  return Camera.ReadOptions(parsed);
}

std::string TCameraTarget::Load() {
  if (Entry.empty()) return {};
  const std::string file = Catalogue.empty() ? StartupConnectionFile() : Catalogue;
  if (std::string missing = MissingFile(file); !missing.empty()) return missing;
  // Favorites and settings lines of the file are of no use to one entry.
  TWindowlessHost host(false);
  TCatalogue catalogue(host, nullptr);
  try {
    catalogue.ClearCatalogue(true);
    catalogue.LoadMainFile(file);
  } catch (const std::exception& e) {
    return e.what();
  }
  const TCamBase* node = FindByPath(*catalogue.FRoot, Entry);
  if (node == nullptr) return "vexilonctl: no entry '" + Entry + "' in " + file;
  const TCamItem* item = node->AsItem();
  if (item == nullptr) return "vexilonctl: '" + Entry + "' in " + file + " is a group";
  // Copied through record text, as every descriptor copy is made.
  Video.SetRecordText(item->Video().GetRecordText());
  ApplyByPath(EffectiveConnection(*item), Video);
  Camera.Url = Video.Prefix + Video.Web;
  Camera.Auth = Video.Auth;
  Camera.Format = Video.Flags & kFormatMask;
  if (UrlHost(Camera.Url).empty())
    return "vexilonctl: the address of '" + Entry + "' (" + Camera.Url + ") names no server";
  return {};
}

}  // namespace vexilon
