#include "CatalogueCommand.h"

#include <cstdio>
#include <exception>
#include <string_view>

#include "CommandLine.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/WindowlessHost.h"

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

// Depth first without recursion: a hostile file may nest as deep as the model allows.
void PrintTree(const TCamRoot& root) {
  struct TFrame {
    const TCamBase* Node;
    int Depth;
  };
  std::vector<TFrame> stack{{&root, 0}};
  while (!stack.empty()) {
    TFrame frame = stack.back();
    stack.pop_back();
    std::printf("%d\t%s\t%s\t%s\n", frame.Depth, KindName(*frame.Node), PathOf(*frame.Node).c_str(),
                frame.Node->GetDataText().c_str());
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
    "usage: vexilonctl catalogue list FILE\n"
    "       vexilonctl catalogue convert IN OUT\n"
    "  list      prints every node of a connection file, depth first: depth, kind, path and\n"
    "            its record text\n"
    "  convert   saves IN as OUT, published when OUT ends in .vxp, else private text\n";

}  // namespace

int RunCatalogueCommand(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  bool list = args.size() == 2 && args[0] == "list";
  bool convert = args.size() == 3 && args[0] == "convert";
  if (!list && !convert) return UsageError("catalogue", "expected list FILE or convert IN OUT");
  // The user's configuration is never touched, and favorites travel with the file.
  TWindowlessHost host(true);
  TCatalogue catalogue(host, nullptr);
  try {
    catalogue.ClearCatalogue(true);
    catalogue.LoadMainFile(args[1]);
    if (list) {
      PrintTree(*catalogue.FRoot);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    catalogue.FPublished = EndsWith(args[2], ".vxp");
    TSaveResult result = catalogue.Save(args[2]);
    for (const TCatalogueMessage& message : result.Messages)
      std::fprintf(stderr, "%s\n", message.Text.c_str());
    return result.Saved ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}

}  // namespace vexilon
