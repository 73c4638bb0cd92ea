#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
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

TEST_F(TGroupEditorTest, NewEditorShowsItsCaptionsAndAnOpenFilePanel) {
  TfrmEditGroup editor;
  EXPECT_EQ(editor.windowTitle(), "Group Details");
  EXPECT_EQ(editor.minimumSize(), editor.maximumSize());  // a fixed dialog
  EXPECT_GE(editor.width(), 340);
  EXPECT_GE(editor.height(), 293);
  const struct {
    const char* Label;
    const char* Caption;
    const char* Field;
  } labels[] = {{"lblName", "Name", "edtName"},
                {"lblAuth", "Authorization", "edtAuth"},
                {"lblPrefix", "Prefix", "edtPrefix"},
                {"lblSuffix", "Suffix", "edtSuffix"},
                {"lblHeaders", "Additional Internet Headers", "mHeaders"},
                {"lblFilename", "Filename", "stFilename"}};
  for (const auto& row : labels) {
    QLabel* label = Child<QLabel>(editor, row.Label);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), row.Caption);
    ASSERT_NE(label->buddy(), nullptr) << row.Label;
    EXPECT_EQ(label->buddy()->objectName(), row.Field);
  }
  EXPECT_EQ(Child<QLineEdit>(editor, "edtName")->text(), "New Group");
  auto* check = Child<QCheckBox>(editor, "chkSubGroup");
  EXPECT_EQ(check->text(), "Data is saved in auxilliary .vxc file");
  EXPECT_FALSE(check->isEnabled());
  EXPECT_FALSE(check->isChecked());
  EXPECT_EQ(Child<QPushButton>(editor, "btnSetFile")->text(), "&Set");
  EXPECT_TRUE(Child<QPushButton>(editor, "btnSetFile")->isEnabled());
  auto* note = Child<QLabel>(editor, "lblNote");
  EXPECT_EQ(note->text(), "NOTE: Auxilliary files will not be processed beyond the first level");
  EXPECT_TRUE(note->alignment() & Qt::AlignHCenter);

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
    stored.Prefix = stored.Suffix = stored.Headers = "";
    stored.Auth = "";
    editor.StoreToGroup(stored);
    if (row.Published) {
      // The hidden fields leave what the group had.
      EXPECT_EQ(stored.Prefix, "");
      EXPECT_EQ(stored.Headers, "");
      stored.Prefix = source.Prefix;
      stored.Suffix = source.Suffix;
      stored.Headers = source.Headers;
    }
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

TEST_F(TGroupEditorTest, NameLosesItsColons) {
  TfrmEditGroup editor;
  QLineEdit* name = Child<QLineEdit>(editor, "edtName");
  name->selectAll();
  QTest::keyClicks(name, "North:East");
  TCamGroup group(nullptr);
  editor.StoreToGroup(group);
  EXPECT_EQ(group.Name, "NorthEast");
}

}  // namespace
}  // namespace vexilon
