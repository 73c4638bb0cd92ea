#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "UiTestSupport.h"
#include "core/catalogue/CamNodes.h"
#include "ui/catalogue/EntryEditor.h"

namespace vexilon {
namespace {

using TEntryEditorTest = TUiTest;

// An entry with every field of both descriptors set to something of its own.
void FillEntry(TCamItem& entry, bool published) {
  entry.Name = "Lobby";
  TVideoConnect& video = entry.Video();
  video.Web = "cam.example/video.cgi";
  video.Auth = "user:secret";
  video.Prefix = "http://gate/";
  video.Suffix = "?res=full";
  video.Headers = "X-One: 1\r\nX-Two: two words\r\n";
  video.Flags = 1 | 4 | (published ? kPublishedFlag : 0);
  video.Width = 1024;
  video.Height = 768;
  video.Interval = 9999999;
  TAudioConnect& audio = entry.Audio();
  audio.Web = "cam.example/audio.au";
  audio.Auth = "listener:pw";
  audio.Prefix = "http://audio-gate/";
  audio.Suffix = "?codec=au";
  audio.Headers = "X-Audio: yes\r\n";
  audio.Flags = 1 | 2;
}

TEST_F(TEntryEditorTest, NewEditorBindsItsLabelsAndHoldsTheDefaults) {
  TfrmEntry editor;
  EXPECT_EQ(editor.windowTitle(), "Camera Properties");
  EXPECT_EQ(editor.size(), QSize(550, 304));
  EXPECT_TRUE(editor.isSizeGripEnabled());
  EXPECT_EQ(Child<QTabWidget>(editor, "pgcConnections")->currentWidget()->objectName(), "tabVideo");
  // A label leads to its own field, for its mnemonic and for screen readers.
  const char* const buddies[][2] = {{"lblName", "edtName"},
                                    {"lblWEB", "edtWEB"},
                                    {"lblAuth", "edtAuth"},
                                    {"lblPrefix", "edtPrefix"},
                                    {"lblSuffix", "edtSuffix"},
                                    {"lblHeaders", "mHeaders"},
                                    {"lblWidth", "spnWidth"},
                                    {"lblHeight", "spnHeight"},
                                    {"lblInterval", "spnInterval"},
                                    {"lblAudioWEB", "edtAudioWEB"},
                                    {"lblAudioAuth", "edtAudioAuth"},
                                    {"lblAudioPrefix", "edtAudioPrefix"},
                                    {"lblAudioSuffix", "edtAudioSuffix"},
                                    {"lblAudioHeaders", "memoAudioHeaders"}};
  for (const auto& [label, field] : buddies)
    EXPECT_EQ(Child<QLabel>(editor, label)->buddy(), Child<QWidget>(editor, field)) << label;
  const std::tuple<const char*, int, int> spins[] = {
      {"spnWidth", 1, 1024}, {"spnHeight", 1, 768}, {"spnInterval", 1, 9999999}};
  for (const auto& [name, minimum, maximum] : spins) {
    EXPECT_EQ(Child<QSpinBox>(editor, name)->minimum(), minimum) << name;
    EXPECT_EQ(Child<QSpinBox>(editor, name)->maximum(), maximum) << name;
  }

  // The initial values, as New Entry stores them when OK is pressed at once.
  TCamItem entry(nullptr);
  editor.StoreToEntry(entry);
  EXPECT_EQ(entry.GetDataText(),
            "TYPE=ITEM NAME=\"New Entry\" WEB=\"\" AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" "
            "FLAGS=1 WIDTH=320 HEIGHT=240 INTERVAL=1000");
  EXPECT_EQ(entry.Audio().Flags, kSimpleGetFlag);  // simple GET, no separate sound
}

TEST_F(TEntryEditorTest, EveryFieldSurvivesLoadAndStore) {
  TCamItem source(nullptr);
  FillEntry(source, false);
  TfrmEntry editor;
  editor.LoadFromEntry(source);
  TCamItem stored(nullptr);
  stored.Flags = 77;  // the entry's own XFLAGS are not the editor's business
  editor.StoreToEntry(stored);
  EXPECT_EQ(stored.Video().GetRecordText(), source.Video().GetRecordText());
  EXPECT_EQ(stored.Audio().GetRecordText(), source.Audio().GetRecordText());
  EXPECT_EQ(stored.Name, "Lobby");
  EXPECT_EQ(stored.Flags, 77);
  EXPECT_EQ(Child<QPlainTextEdit>(editor, "mHeaders")->toPlainText(), "X-One: 1\nX-Two: two words");
}

TEST_F(TEntryEditorTest, FlagsKeepOnlySimpleGetFormatAndThePublishedMark) {
  const struct {
    int VideoIn, VideoOut, AudioIn, AudioOut;
  } rows[] = {
      {0, 0, 0, 0},
      {1 | 6, 1 | 6, 1 | 2, 1 | 2},
      {2, 2, 2, 2},
      {4, 4, 4, 0},  // audio has no third format
      {1 | 8 | 16 | 512 | 4096, 1, 1 | 6, 1},
      {kPublishedFlag | 4 | 128, kPublishedFlag | 4, 8, 0},
  };
  for (const auto& row : rows) {
    TCamItem entry(nullptr);
    entry.Video().Flags = row.VideoIn;
    entry.Audio().Flags = row.AudioIn;
    TfrmEntry editor;
    editor.LoadFromEntry(entry);
    editor.StoreToEntry(entry);
    EXPECT_EQ(entry.Video().Flags, row.VideoOut) << row.VideoIn;
    EXPECT_EQ(entry.Audio().Flags, row.AudioOut) << row.AudioIn;
  }
}

TEST_F(TEntryEditorTest, PublishedEntryHidesAndKeepsItsAddresses) {
  TCamItem entry(nullptr);
  FillEntry(entry, true);
  const std::string webBefore = entry.Video().Web;
  TfrmEntry editor;
  editor.LoadFromEntry(entry);
  editor.show();
  const char* const hidden[][2] = {{"edtWEB", "lblWEB"},
                                   {"edtPrefix", "lblPrefix"},
                                   {"edtSuffix", "lblSuffix"},
                                   {"mHeaders", "lblHeaders"},
                                   {"edtAudioWEB", "lblAudioWEB"},
                                   {"edtAudioPrefix", "lblAudioPrefix"},
                                   {"edtAudioSuffix", "lblAudioSuffix"},
                                   {"memoAudioHeaders", "lblAudioHeaders"}};
  for (const auto& pair : hidden) {
    QWidget* field = Child<QWidget>(editor, pair[0]);
    EXPECT_TRUE(field->isHidden()) << pair[0];
    const char* property = qobject_cast<QPlainTextEdit*>(field) ? "plainText" : "text";
    EXPECT_TRUE(field->property(property).toString().isEmpty()) << pair[0];
    EXPECT_FALSE(Child<QLabel>(editor, pair[1])->isEnabled()) << pair[1];
  }
  for (const char* shown : {"edtName", "edtAuth", "spnWidth", "spnHeight", "spnInterval",
                            "chkSimpleGET", "grpFormat", "edtAudioAuth"}) {
    EXPECT_FALSE(Child<QWidget>(editor, shown)->isHidden()) << shown;
  }
  // User and password apart, the password masked.
  EXPECT_EQ(Child<QLineEdit>(editor, "edtAuthUser")->text(), "user");
  EXPECT_EQ(Child<QLineEdit>(editor, "edtAuthPassword")->text(), "secret");
  EXPECT_EQ(Child<QLineEdit>(editor, "edtAuthPassword")->echoMode(), QLineEdit::Password);

  // Whatever reaches the hidden fields, the published values stay and the mark survives.
  Child<QLineEdit>(editor, "edtWEB")->setText("elsewhere");
  Child<QLineEdit>(editor, "edtAuthUser")->setText("new");
  Child<QLineEdit>(editor, "edtAuthPassword")->setText("auth");
  QLineEdit* name = Child<QLineEdit>(editor, "edtName");
  name->selectAll();
  QTest::keyClicks(name, "Hall:2");
  editor.StoreToEntry(entry);
  EXPECT_EQ(entry.Video().Web, webBefore);
  EXPECT_EQ(entry.Video().Prefix, "http://gate/");
  EXPECT_EQ(entry.Audio().Headers, "X-Audio: yes\r\n");
  EXPECT_EQ(entry.Video().Auth, "new:auth");
  EXPECT_EQ(entry.Video().Flags, kPublishedFlag | 1 | 4);
  EXPECT_EQ(entry.Name, "Hall2");
}

TEST_F(TEntryEditorTest, TypedHeadersBecomeLinesWithoutAnEmptyLast) {
  const struct {
    const char* Typed;
    const char* Headers;
  } rows[] = {{"", ""},
              {"X-A: 1", "X-A: 1\r\n"},
              {"X-A: 1\nX-B: 2\n", "X-A: 1\r\nX-B: 2\r\n"},
              {"X-A: 1\n\nX-B: 2", "X-A: 1\r\n\r\nX-B: 2\r\n"}};
  for (const auto& row : rows) {
    TfrmEntry editor;
    Child<QPlainTextEdit>(editor, "mHeaders")->setPlainText(QString::fromLatin1(row.Typed));
    TCamItem entry(nullptr);
    editor.StoreToEntry(entry);
    EXPECT_EQ(entry.Video().Headers, row.Headers) << row.Typed;
  }
}

}  // namespace
}  // namespace vexilon
