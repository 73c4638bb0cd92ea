#include "CatalogueCommand.h"

#include <cstdio>
#include <exception>
#include <string_view>

#include "CommandLine.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/WindowlessHost.h"
#include "core/text/JsonString.h"

namespace vexilon {

namespace {

const char* KindName(const TCamBase& node) {
  if (node.AsItem() != nullptr) return "ITEM";
  if (node.AsGroup() != nullptr) return "GROUP";
  return "ROOT";
}

// The node's groups and its own name joined by ":"; empty for the root.
std::string PathOf(const TCamBase& node) {
  std::string path;
  for (const TCamBase* n = &node; n->Parent() != nullptr; n = n->Parent())
    path = path.empty() ? n->Name : n->Name + ":" + path;
  return path;
}

void PrintNode(int depth, const TCamBase& node, bool json) {
  if (json) {
    std::printf("{\"depth\":%d,\"kind\":\"%s\",\"path\":%s,\"record\":%s}\n", depth, KindName(node),
                JsonString(PathOf(node)).c_str(), JsonString(node.GetDataText()).c_str());
  } else {
    std::printf("%d\t%s\t%s\t%s\n", depth, KindName(node), PathOf(node).c_str(),
                node.GetDataText().c_str());
  }
}

// Depth first without recursion: a hostile file may nest as deep as the model allows.
void PrintTree(const TCamRoot& root, bool json) {
  struct TFrame {
    const TCamBase* Node;
    int Depth;
  };
  std::vector<TFrame> stack{{&root, 0}};
  while (!stack.empty()) {
    TFrame frame = stack.back();
    stack.pop_back();
    PrintNode(frame.Depth, *frame.Node, json);
    if (const TCamRoot* folder = frame.Node->AsRoot()) {
      for (std::size_t i = folder->ChildCount(); i-- > 0;)
        stack.push_back({folder->Child(i), frame.Depth + 1});
    }
  }
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = text[text.size() - suffix.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

const char* const kUsage =
    "usage: vexilonctl catalogue list FILE [--json]\n"
    "       vexilonctl catalogue convert IN OUT\n"
    "  list      prints every node of a connection file, depth first: depth, kind, path and\n"
    "            its record text, separated by tabs; with --json one object a line:\n"
    "            {\"depth\":0,\"kind\":\"ROOT\",\"path\":\"\",\"record\":\"...\"}\n"
    "  convert   saves IN as OUT, published when OUT ends in .vxp, else private text\n";

}  // namespace

int RunCatalogueCommand(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  TArguments parsed;
  if (const std::string error = SplitArguments(args, {{"--json", 0}}, parsed); !error.empty())
    return UsageError("catalogue", error);
  const std::vector<std::string>& p = parsed.Positional;
  const bool list = p.size() == 2 && p[0] == "list";
  const bool convert = p.size() == 3 && p[0] == "convert" && !parsed.Has("--json");
  if (!list && !convert)
    return UsageError("catalogue", "expected list FILE [--json] or convert IN OUT");
  if (const std::string missing = MissingFile(p[1]); !missing.empty()) return Failure(missing);
  // The user's configuration is never touched, and favorites travel with the file.
  TWindowlessHost host(true);
  TCatalogue catalogue(host, nullptr);
  try {
    catalogue.ClearCatalogue(true);
    catalogue.LoadMainFile(p[1]);
    if (list) {
      PrintTree(*catalogue.FRoot, parsed.Has("--json"));
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    catalogue.FPublished = EndsWith(p[2], ".vxp");
    TSaveResult result = catalogue.Save(p[2]);
    for (const TCatalogueMessage& message : result.Messages)
      std::fprintf(stderr, "%s\n", message.Text.c_str());
    return result.Saved ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}

}  // namespace vexilon
