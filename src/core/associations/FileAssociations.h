#pragma once
#include <array>
#include <functional>
#include <string>

#include "core/associations/FileTypeRegistry.h"

namespace vexilon {

// One kind of file the viewer opens, as it is tied to the viewer.
struct TFileType {
  const char* Extension;  // without the dot
  const char* TypeName;   // shared by the two kinds of connection file
  int IconNumber;         // 1 connection files, 2 desktop and favorites files, 3 recordings
  const char* Switch;     // how the viewer is started on such a file; empty: it is not
};

// vxc, vxd, vxp, vmc, vxf: the order of the File Associations menu.
extern const std::array<TFileType, 5> kFileTypes;

// The executable as the registry names it: in double quotes when it holds a blank or a comma.
std::string QuotedExecutable(const std::string& executable);

// Which kinds of file are tied to the viewer now: their extension names their type.
std::array<bool, 5> AssociationMarks(TFileTypeRegistry& registry);

// Answers whether the user agrees to the question.
using TAskUser = std::function<bool(const std::string& question)>;

// Offers to remove the association of kFileTypes[index] when it is the viewer's, else (or when
// the user keeps it) to set it to executable. Throws ERegistryWrite when a key cannot be
// written; nothing is written in another key's place.
void ToggleAssociation(TFileTypeRegistry& registry, std::size_t index,
                       const std::string& executable, const TAskUser& ask);

}  // namespace vexilon
