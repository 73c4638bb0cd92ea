#include "core/associations/FileAssociations.h"

namespace vexilon {

const std::array<TFileType, 5> kFileTypes = {{
    {"vxc", "Vexilon.ConnectionFile", 1, " /C=\"%1\""},
    {"vxd", "Vexilon.DesktopFile", 2, " /D=\"%1\""},
    {"vxp", "Vexilon.ConnectionFile", 1, " /C=\"%1\""},
    {"vmc", "Vexilon.MultiCaptureFile", 3, " /P=\"%1\""},
    {"vxf", "Vexilon.FavoritesFile", 2, ""},
}};

namespace {

std::string ExtensionKey(const TFileType& type) {
  return std::string("\\.") + type.Extension;
}

std::string TypeKey(const TFileType& type) {
  return std::string("\\") + type.TypeName;
}

}  // namespace

std::string QuotedExecutable(const std::string& executable) {
  if (executable.find_first_of(" ,") == std::string::npos) return executable;
  return "\"" + executable + "\"";
}

std::array<bool, 5> AssociationMarks(TFileTypeRegistry& registry) {
  std::array<bool, 5> marks{};
  for (std::size_t i = 0; i < kFileTypes.size(); ++i)
    marks[i] = registry.ReadDefault(ExtensionKey(kFileTypes[i])) == kFileTypes[i].TypeName;
  return marks;
}

void ToggleAssociation(TFileTypeRegistry& registry, std::size_t index,
                       const std::string& executable, const TAskUser& ask) {
  const TFileType& type = kFileTypes.at(index);
  const std::string current = registry.ReadDefault(ExtensionKey(type)).value_or(std::string());
  const std::string extension = type.Extension;
  if (current == type.TypeName) {
    if (ask("The file extension ." + extension +
            " appears to be already associated with Vexilon.\r\nDo you want to remove the "
            "current association?")) {
      registry.DeleteKey(ExtensionKey(type));
      // .vxp shares its type with .vxc, which keeps it.
      if (extension != "vxp") registry.DeleteKey(TypeKey(type));
      return;
    }
  }
  std::string question =
      "Do you want to set the association for the file extension ." + extension + " to Vexilon?";
  if (!current.empty()) question += "\r\nCurrently associated with: " + current;
  if (!ask(question)) return;
  const std::string quoted = QuotedExecutable(executable);
  registry.WriteDefault(ExtensionKey(type), type.TypeName);
  registry.WriteDefault(TypeKey(type) + "\\DefaultIcon",
                        quoted + ",-" + std::to_string(type.IconNumber));
  if (*type.Switch != '\0') {
    registry.WriteDefault(TypeKey(type) + "\\Shell", "");
    registry.WriteDefault(TypeKey(type) + "\\Shell\\Open", "&Open");
    registry.WriteDefault(TypeKey(type) + "\\Shell\\Open\\command", quoted + type.Switch);
  }
}

}  // namespace vexilon
