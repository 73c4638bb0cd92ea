#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "UiTestSupport.h"
#include "core/catalogue/CamNodes.h"
#include "ui/catalogue/GroupEditor.h"

namespace vexilon {
namespace {

using TGroupEditorTest = TUiTest;

void FillGroup(TCamGroup& group, int flags) {
  group.Name = "City";
  group.Auth = "city:pw";
  group.Prefix = "http://proxy/";
  group.Suffix = "?city";
  group.Headers = "X-City: 1\r\nX-Region: north\r\n";
  group.SubGroup = "/data/city.vxc";
  group.Flags = flags;
}

TEST_F(TGroupEditorTest, NewEditorBindsItsLabelsAndHoldsTheDefaults) {
  TfrmEditGroup editor;
  EXPECT_EQ(LabelsLeadingToTheirFields(editor), 6);
  EXPECT_EQ(Child<QLineEdit>(editor, "edtName")->text(), "New Group");
  // The file panel is open: a file may be set, and only then kept in it.
  auto* check = Child<QCheckBox>(editor, "chkSubGroup");
  EXPECT_FALSE(check->isEnabled());
  EXPECT_FALSE(check->isChecked());
  EXPECT_TRUE(Child<QPushButton>(editor, "btnSetFile")->isEnabled());

  TCamGroup group(nullptr);
  editor.StoreToGroup(group);
  EXPECT_EQ(group.GetDataText(),
            "TYPE=GROUP NAME=\"New Group\" AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" FLAGS=0 "
            "SUBGROUP=\"\" HEADERS=\"\"");
}

TEST_F(TGroupEditorTest, LoadAndStoreKeepEveryFieldAndLockTheFilePanel) {
  const struct {
    const char* Case;
    int Flags;
    bool Published;
  } rows[] = {{"plain group", 0, false},
              {"group with auxiliary file", kSubGroupFlag, false},
              {"published group", kPublishedGroupFlag, true},
              {"published auxiliary file",
               kSubGroupFlag | kPublishedGroupFlag | kPublishedFileGroupFlag, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Case);
    TCamGroup source(nullptr);
    FillGroup(source, row.Flags);
    TfrmEditGroup editor;
    editor.LoadFromGroup(source);
    editor.show();

    auto* panel = Child<QFrame>(editor, "pnlSubGroup");
    EXPECT_FALSE(panel->isEnabled());
    for (QWidget* control : panel->findChildren<QWidget*>()) EXPECT_FALSE(control->isEnabled());
    EXPECT_EQ(Child<QLabel>(editor, "stFilename")->text(), "/data/city.vxc");
    EXPECT_EQ(Child<QCheckBox>(editor, "chkSubGroup")->isChecked(),
              (row.Flags & kSubGroupFlag) != 0);
    const char* const hideable[][2] = {
        {"edtPrefix", "lblPrefix"}, {"edtSuffix", "lblSuffix"}, {"mHeaders", "lblHeaders"}};
    for (const auto& pair : hideable) {
      EXPECT_EQ(Child<QWidget>(editor, pair[0])->isHidden(), row.Published) << pair[0];
      EXPECT_EQ(Child<QLabel>(editor, pair[1])->isEnabled(), !row.Published) << pair[1];
    }

    TCamGroup stored(nullptr);
    FillGroup(stored, row.Flags);
    stored.Auth = stored.Prefix = stored.Suffix = stored.Headers = "";
    editor.StoreToGroup(stored);
    // The hidden fields of a published group leave what the group had.
    if (row.Published) source.Prefix = source.Suffix = source.Headers = "";
    EXPECT_EQ(stored.GetDataText(), source.GetDataText());
  }
}

TEST_F(TGroupEditorTest, SetNamesTheAuxiliaryFileAndTheUserMayUncheckIt) {
  TfrmEditGroup editor;
  auto* check = Child<QCheckBox>(editor, "chkSubGroup");
  auto* set = Child<QPushButton>(editor, "btnSetFile");

  QTest::mouseClick(set, Qt::LeftButton);  // cancelled: nothing changes
  EXPECT_FALSE(check->isEnabled());
  EXPECT_TRUE(Child<QLabel>(editor, "stFilename")->text().isEmpty());

  const QString file = QString::fromStdString(File("city.vxc"));
  TDialogs::SetNextFileName(file);
  QTest::mouseClick(set, Qt::LeftButton);
  EXPECT_EQ(Child<QLabel>(editor, "stFilename")->text(), file);
  EXPECT_TRUE(check->isEnabled());
  EXPECT_TRUE(check->isChecked());

  TCamGroup group(nullptr);
  editor.StoreToGroup(group);
  EXPECT_EQ(group.SubGroup, File("city.vxc"));
  EXPECT_EQ(group.Flags, kSubGroupFlag);

  editor.show();
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_FALSE(check->isChecked());
  editor.StoreToGroup(group);
  EXPECT_EQ(group.Flags, 0);
  EXPECT_EQ(group.SubGroup, File("city.vxc"));  // named, but its contents stay in this file
}

}  // namespace
}  // namespace vexilon
