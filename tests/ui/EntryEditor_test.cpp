#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
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
  video.RtspUdp = true;
  video.CertPin =
      "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:"
      "EE:FF";
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
  EXPECT_EQ(LabelsLeadingToTheirFields(editor), 16);
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

TEST_F(TEntryEditorTest, TransportIsAChoiceOnlyWhileTheCameraIsAnRtspOne) {
  TCamGroup nvr(nullptr);
  nvr.Prefix = "rtsps://nvr.example/";
  const struct {
    const TCamGroup* Folder;
    const char* Prefix;
    const char* Typed;
    bool Enabled;
  } rows[] = {{nullptr, "", "http://cam/video.mjpg", false},
              {nullptr, "", "RTSP://cam/stream", true},
              {nullptr, "rtsp://cam/", "stream", true},
              {&nvr, "", "ch1", true},  // the group's prefix, as the camera is opened
              {&nvr, "http://gate/", "ch1", false}};
  for (const auto& row : rows) {
    TfrmEntry editor;
    editor.SetFolder(row.Folder);
    Child<QLineEdit>(editor, "edtPrefix")->setText(QString::fromLatin1(row.Prefix));
    auto* transport = Child<QComboBox>(editor, "cmbRtspTransport");
    QTest::keyClicks(Child<QLineEdit>(editor, "edtWEB"), QString::fromLatin1(row.Typed));
    EXPECT_EQ(transport->isEnabled(), row.Enabled) << row.Typed;
  }
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
  // The addresses hide and their labels grey out; names, sizes and authorisation stay.
  const QStringList hidden = {"edtWEB",         "edtPrefix",       "edtSuffix",
                              "mHeaders",       "edtAudioWEB",     "edtAudioPrefix",
                              "edtAudioSuffix", "memoAudioHeaders"};
  for (const QLabel* label : editor.findChildren<QLabel*>()) {
    const QWidget* field = label->buddy();
    if (field == nullptr) continue;
    SCOPED_TRACE(field->objectName().toStdString());
    const bool hide = hidden.contains(field->objectName());
    EXPECT_EQ(field->isHidden(), hide);
    EXPECT_EQ(label->isEnabled(), !hide);
    const char* property = qobject_cast<const QPlainTextEdit*>(field) ? "plainText" : "text";
    if (hide) {
      EXPECT_TRUE(field->property(property).toString().isEmpty());
    }
  }
  for (const char* shown : {"chkSimpleGET", "grpFormat"})
    EXPECT_FALSE(Child<QWidget>(editor, shown)->isHidden()) << shown;
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
