#pragma once
#include <string>
#include <string_view>

namespace vexilon {

class TCamBase;
class TCamRoot;
class TCamItem;
class TVideoConnect;
class TAudioConnect;

// The names of node's enclosing groups, outermost first, then its own name, joined by ":";
// the catalogue root is not part of it.
std::string CatalogPath(const TCamBase& node);

// The node that path leads to from root, each step taking the first child of exactly that
// name; null when a step finds none.
TCamBase* FindByPath(TCamRoot& root, std::string_view path);

// What an entry's camera window is given: the entry's own values where it has them, else
// the innermost enclosing group's, and the groups' headers merged outermost first.
struct TEffectiveConnection {
  std::string Auth;
  std::string Prefix;
  std::string Suffix;
  bool AuthFromGroup = false;
  bool PrefixFromGroup = false;
  bool SuffixFromGroup = false;
  std::string VideoHeaders;
  std::string AudioHeaders;
};

TEffectiveConnection EffectiveConnection(const TCamItem& entry);
// The same for an entry that is (or is about to be) in folder.
TEffectiveConnection EffectiveConnection(const TCamItem& entry, const TCamRoot* folder);

// Copies of an entry opened from the tree: values taken from groups go into both copies and
// the merged header texts replace both copies' headers.
void ApplyFromTree(const TEffectiveConnection& effective, TVideoConnect& video,
                   TAudioConnect& audio);
// Copies of an entry opened by its catalogue path (favorites, desktop files): the resulting
// values and video headers go into the video copy only.
void ApplyByPath(const TEffectiveConnection& effective, TVideoConnect& video);

// Appends the lines of more to headers; a line "Name: value" first removes every line of
// headers that starts with the same "Name:" regardless of case. Empty lines are skipped.
void MergeHeaders(std::string& headers, std::string_view more);

}  // namespace vexilon
