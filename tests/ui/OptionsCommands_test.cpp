#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "UiTestSupport.h"
#include "ui/app/MainWindow.h"

namespace vexilon {
namespace {

using TOptionsTest = TUiTest;

bool HasLine(const std::string& text, const std::string& line) {
  return text.find("\r\n" + line + "\r\n") != std::string::npos;
}

void Trigger(TfrmVexilon& window, const char* name) {
  Child<QAction>(window, name)->trigger();
}

TEST_F(TOptionsTest, NumberCommandsAskAndWriteTheConfiguration) {
  struct TRow {
    const char* Item;
    int Shown;
    const char *Typed, *Line;
  } rows[] = {{"Timeout1", 15, "30", "TIMEOUT=30"},
              {"Flashback1", 0, "12", "FLASHBACK=12"},
              {"AudioBufferSize1", 20, "50", "AUDIOBUFFER=50"},
              {"CPUUtilization1", 99, "40", "CPUUSAGE=40"}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Item);
    Settings() = TSettings();
    TfrmVexilon window;
    int shown = -1;
    TDialogs::SetNextDialogHandler([&](QDialog& dialog) {
      auto* spin = Child<QSpinBox>(dialog, "spnValue");
      shown = spin->value();
      QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(spin, row.Typed);
      return int(QDialog::Accepted);
    });
    Trigger(window, row.Item);
    EXPECT_EQ(shown, row.Shown);
    EXPECT_TRUE(HasLine(IniText(), row.Line)) << IniText();
    EXPECT_TRUE(window.SettingsFromFile());
  }
  // Each window started from the file the previous one wrote, so every answer is kept.
  for (const TRow& row : rows) EXPECT_TRUE(HasLine(IniText(), row.Line)) << row.Line;
  EXPECT_EQ(Settings().AudioBufferCount, 70);  // kept in step with the buffer size
}

TEST_F(TOptionsTest, TogglesAndReformattingWriteAtOnceButAspectWaits) {
  const char* const rows[][2] = {
      {"AudioDevice1", "AUDIOOUTPUT=1"},    {"ResetImageSizes1", "RESETSIZE=1"},
      {"ResizeWindows1", "RESETCLIENT=1"},  {"AutoArrange1", "RESETCLIENT=2"},
      {"AutoFitWindows1", "RESETCLIENT=3"}, {"None1", "RESETCLIENT=0"},
      {"AudioDevice1", "AUDIOOUTPUT=0"}};
  TfrmVexilon window;
  Trigger(window, "MaintainAspectRatio1");
  EXPECT_FALSE(Settings().Aspect);
  EXPECT_EQ(IniText(), "");  // the next written change takes it along
  int arranged = 0;
  window.SetArrangeHandler([&] { ++arranged; });
  for (const auto& row : rows) {
    Trigger(window, row[0]);
    EXPECT_TRUE(HasLine(IniText(), row[1])) << row[0] << IniText();
  }
  EXPECT_EQ(arranged, 2);  // Auto-Arrange and Auto-Fit Windows
  EXPECT_TRUE(HasLine(IniText(), "ASPECT=0"));
}

TEST_F(TOptionsTest, ProxyServerStoresTheTextAsTypedAndTheKindButNotWhenCancelled) {
  Settings().Proxy = "old:80";
  Settings().ProxyType = 1;
  TfrmVexilon window;
  TDialogs::SetNextDialogHandler([](QDialog& dialog) {
    QTest::keyClicks(Child<QSpinBox>(dialog, "spnValue"), "9");
    return int(QDialog::Rejected);
  });
  Trigger(window, "Timeout1");
  TDialogs::SetNextDialogHandler([](QDialog& dialog) {
    Child<QLineEdit>(dialog, "edtProxyAddress")->setText("new:81");
    dialog.findChildren<QRadioButton*>()[3]->click();
    return int(QDialog::Rejected);
  });
  Trigger(window, "ProxyServer1");
  EXPECT_EQ(Settings().Timeout, 15);
  EXPECT_EQ(IniText(), "");

  QString shownAddress;
  int shownKind = -1;
  TDialogs::SetNextDialogHandler([&](QDialog& dialog) {
    auto* edit = Child<QLineEdit>(dialog, "edtProxyAddress");
    shownAddress = edit->text();
    const QList<QRadioButton*> radios = dialog.findChildren<QRadioButton*>();
    for (int i = 0; i < radios.size(); ++i)
      if (radios[i]->isChecked()) shownKind = i;
    edit->setText(" proxy.lan:3128 ");
    radios[2]->click();
    return int(QDialog::Accepted);
  });
  Trigger(window, "ProxyServer1");
  EXPECT_EQ(shownAddress, "old:80");
  EXPECT_EQ(shownKind, 1);
  EXPECT_EQ(Settings().ProxyType, 2);
  EXPECT_TRUE(HasLine(IniText(), "PROXY= proxy.lan:3128 "));
  EXPECT_TRUE(HasLine(IniText(), "PROXYTYPE=2"));
}

TEST_F(TOptionsTest, WriteFailureIsShownAndTheSettingStaysInMemory) {
  // A folder where the file should be makes every write fail.
  ASSERT_TRUE(QDir(FFolder.path()).mkdir("Vexilon.ini"));
  TfrmVexilon window;
  Trigger(window, "AudioDevice1");
  EXPECT_TRUE(Settings().AudioOutput);
  EXPECT_EQ(TDialogs::LastMessageCaption(), "Error");
  EXPECT_FALSE(window.SettingsFromFile());
}

TEST_F(TOptionsTest, ChangedUserSettingsAreWrittenWhenTheWindowGoes) {
  WriteFileAtomically(File("Vexilon.ini"), "TIMEOUT=45\r\n");
  {
    TfrmVexilon window;
    EXPECT_TRUE(window.SettingsFromFile());
    EXPECT_EQ(Settings().Timeout, 45);
    Settings().User[0] = "preset";
    SettingsChanged = true;
  }
  EXPECT_TRUE(HasLine(IniText(), "TIMEOUT=45"));
  EXPECT_TRUE(HasLine(IniText(), "USER1=preset"));
  EXPECT_FALSE(SettingsChanged);
}

using TCloseQueryTest = TUiTest;

TEST_F(TCloseQueryTest, AnswersDecideWhetherTheWindowCloses) {
  struct TRow {
    bool CatalogChanged, FavoritesChanged;
    QMessageBox::StandardButton Answer;
    bool Saved, Asked, SaveCalled, Closed;
  } rows[] = {
      {false, false, QMessageBox::Cancel, true, false, false, true},
      {true, false, QMessageBox::No, true, true, false, true},
      {false, true, QMessageBox::Cancel, true, true, false, false},
      {true, true, QMessageBox::Yes, true, true, true, true},
      {true, false, QMessageBox::Yes, false, true, true, false},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(&row - rows);
    TDialogs::Reset();
    TfrmVexilon window;
    window.show();
    bool saveCalled = false;
    window.SetSaveHandler([&] {
      saveCalled = true;
      return row.Saved;
    });
    window.SetCatalogChanged(row.CatalogChanged);
    window.SetFavoritesChanged(row.FavoritesChanged);
    TDialogs::SetNextAnswer(row.Answer);
    Trigger(window, "Exit1");
    EXPECT_EQ(TDialogs::MessageCount(), row.Asked ? 1 : 0);
    EXPECT_EQ(TDialogs::LastMessageText(),
              row.Asked ? QStringLiteral("Connections have changed, do you want to save?") : "");
    EXPECT_EQ(saveCalled, row.SaveCalled);
    EXPECT_EQ(window.isVisible(), !row.Closed);
  }
}

}  // namespace
}  // namespace vexilon
