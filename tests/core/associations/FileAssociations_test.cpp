#include "core/associations/FileAssociations.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/app/AtomicFile.h"
#include "core/associations/XdgFileTypes.h"
#include "support/Command.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

constexpr std::size_t kVxc = 0, kVxp = 2, kVmc = 3, kVxf = 4;

// Answers each question with the next answer (then no) and keeps the questions.
struct TUser {
  explicit TUser(std::vector<bool> answers) : Answers(std::move(answers)) {}
  std::vector<bool> Answers;
  std::vector<std::string> Questions;
  TAskUser Ask() {
    return [this](const std::string& question) {
      Questions.push_back(question);
      return Questions.size() <= Answers.size() && Answers[Questions.size() - 1];
    };
  }
};

std::string SetQuestion(const char* extension) {
  return std::string("Do you want to set the association for the file extension .") + extension +
         " to Vexilon?";
}

TEST(FileAssociations, SettingRemovingAndTheSharedConnectionFileType) {
  TMemoryRegistry registry;
  TUser user{{true}};
  ToggleAssociation(registry, kVxc, "/opt/my cams/vexilon", user.Ask());
  EXPECT_EQ(user.Questions, std::vector<std::string>{SetQuestion("vxc")});
  EXPECT_EQ(registry.Keys(),
            (std::map<std::string, std::string>{
                {"\\.vxc", "Vexilon.ConnectionFile"},
                {"\\Vexilon.ConnectionFile\\DefaultIcon", "\"/opt/my cams/vexilon\",-1"},
                {"\\Vexilon.ConnectionFile\\Shell", ""},
                {"\\Vexilon.ConnectionFile\\Shell\\Open", "&Open"},
                {"\\Vexilon.ConnectionFile\\Shell\\Open\\command",
                 "\"/opt/my cams/vexilon\" /C=\"%1\""}}));

  // .vxp shares the type: removing it leaves .vxc working; removing .vxc takes the type along.
  user = TUser({true, true, true});
  ToggleAssociation(registry, kVxp, "/usr/bin/vexilon", user.Ask());
  EXPECT_EQ(registry.ReadDefault("\\Vexilon.ConnectionFile\\Shell\\Open\\command"),
            "/usr/bin/vexilon /C=\"%1\"");
  ToggleAssociation(registry, kVxp, "/usr/bin/vexilon", user.Ask());
  EXPECT_EQ(user.Questions.back(),
            "The file extension .vxp appears to be already associated with Vexilon.\r\nDo you "
            "want to remove the current association?");
  EXPECT_EQ(AssociationMarks(registry), (std::array<bool, 5>{true, false, false, false, false}));
  ToggleAssociation(registry, kVxp, "/usr/bin/vexilon", user.Ask());
  ToggleAssociation(registry, kVxc, "/usr/bin/vexilon", TUser({true}).Ask());
  EXPECT_EQ(AssociationMarks(registry), (std::array<bool, 5>{false, false, true, false, false}));
  EXPECT_FALSE(registry.ReadDefault("\\Vexilon.ConnectionFile\\DefaultIcon"));

  // No to the removal asks to set it again, naming what it is tied to; No to that keeps all.
  user = TUser({false, false});
  ToggleAssociation(registry, kVxp, "/usr/bin/vexilon", user.Ask());
  EXPECT_EQ(user.Questions.back(),
            SetQuestion("vxp") + "\r\nCurrently associated with: Vexilon.ConnectionFile");
  EXPECT_EQ(AssociationMarks(registry)[kVxp], true);

  // Another program's type is named; favorites files get an icon but no open command.
  registry.WriteDefault("\\.vxf", "OtherApp.Document");
  user = TUser({true});
  ToggleAssociation(registry, kVxf, "/usr/bin/vexilon", user.Ask());
  EXPECT_EQ(user.Questions.back(),
            SetQuestion("vxf") + "\r\nCurrently associated with: OtherApp.Document");
  EXPECT_EQ(registry.ReadDefault("\\Vexilon.FavoritesFile\\DefaultIcon"), "/usr/bin/vexilon,-2");
  EXPECT_FALSE(registry.ReadDefault("\\Vexilon.FavoritesFile\\Shell"));
  EXPECT_EQ(QuotedExecutable("/a,b/vexilon"), "\"/a,b/vexilon\"");
}

TEST(FileAssociations, TheDesktopsRegistryWritesMimeTypesLaunchersAndDefaults) {
  TTempDir dir;
  const TXdgFileTypes::TFolders folders{dir.File("data"), dir.File("config")};
  std::vector<std::string> tools;
  const auto recordTools = [&](const std::vector<std::string>& command) {
    tools.push_back(command.front());
    TXdgFileTypes::RunQuietly(command);
  };
  std::filesystem::create_directories(dir.File("config"));
  WriteFileAtomically(dir.File("config/mimeapps.list"),
                      "[Added Associations]\ntext/plain=editor.desktop;\n");
  {
    TXdgFileTypes registry(folders, recordTools);
    ToggleAssociation(registry, kVmc, "/opt/v x/vexilon", TUser({true}).Ask());
    ToggleAssociation(registry, kVxf, "/opt/v x/vexilon", TUser({true}).Ask());
  }
  EXPECT_EQ(tools.front(), "update-mime-database");
  std::string text;
  ASSERT_TRUE(ReadWholeFile(dir.File("data/applications/vexilon-multicapture.desktop"), text));
  EXPECT_NE(text.find("\nExec=\"/opt/v x/vexilon\" %f\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nMimeType=application/x-vexilon-multicapture;\n"), std::string::npos);
  ASSERT_TRUE(ReadWholeFile(dir.File("data/mime/packages/vexilon-vmc.xml"), text));
  EXPECT_NE(text.find("<glob pattern=\"*.vmc\"/>"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(dir.File("data/applications/vexilon-favorites.desktop")));
  ASSERT_TRUE(ReadWholeFile(dir.File("config/mimeapps.list"), text));
  EXPECT_EQ(text,
            "[Added Associations]\ntext/plain=editor.desktop;\n[Default Applications]\n"
            "application/x-vexilon-multicapture=vexilon-multicapture.desktop;\n");
  if (::access("/usr/bin/xdg-mime", X_OK) == 0) {
    const std::string query = "XDG_CONFIG_HOME=" + dir.File("config") +
                              " XDG_DATA_HOME=" + dir.File("data") +
                              " xdg-mime query default application/x-vexilon-multicapture";
    EXPECT_EQ(RunCommand(query).Out, "vexilon-multicapture.desktop\n");
  }

  // A fresh look sees the same, until another program is made the type's default.
  TXdgFileTypes again(folders, [](const std::vector<std::string>&) {});
  EXPECT_EQ(AssociationMarks(again), (std::array<bool, 5>{false, false, false, true, true}));
  WriteFileAtomically(
      dir.File("config/mimeapps.list"),
      "[Default Applications]\napplication/x-vexilon-multicapture=player.desktop;\n");
  EXPECT_EQ(again.ReadDefault("\\.vmc"), "player.desktop");
  EXPECT_FALSE(AssociationMarks(again)[kVmc]);

  // Removing takes the launcher and the MIME package away.
  ToggleAssociation(again, kVxf, "/opt/v x/vexilon", TUser({true}).Ask());
  EXPECT_FALSE(std::filesystem::exists(dir.File("data/mime/packages/vexilon-vxf.xml")));
  TXdgFileTypes later(folders, [](auto&) {});
  EXPECT_FALSE(AssociationMarks(later)[kVxf]);
}

}  // namespace
}  // namespace vexilon
