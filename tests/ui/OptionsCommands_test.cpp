#include <QAction>
#include <QButtonGroup>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "UiTestSupport.h"
#include "ui/app/MainWindow.h"

namespace vexilon {
namespace {

using TOptionsTest = TUiTest;

struct TAsked {
  QString Caption;
  QString Prompt;
  int Shown = -1;
};

// Answers the next number query by typing text over the field and pressing OK.
void TypeIntoNextQuery(const QString& text, TAsked& asked) {
  TDialogs::SetNextDialogHandler([text, &asked](QDialog& dialog) {
    asked.Caption = dialog.windowTitle();
    asked.Prompt = dialog.findChild<QLabel*>("lblPrompt")->text();
    auto* spin = dialog.findChild<QSpinBox*>("spnValue");
    asked.Shown = spin->value();
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, text);
    return int(QDialog::Accepted);
  });
}

bool HasLine(const std::string& text, const std::string& line) {
  return text.find("\r\n" + line + "\r\n") != std::string::npos;
}

TEST_F(TOptionsTest, NumberCommandsAskAndWriteTheConfiguration) {
  struct TRow {
    const char* Item;
    const char* Caption;
    const char* Prompt;
    int Shown;
    const char* Typed;
    const char* Line;
  };
  const TRow rows[] = {
      {"Timeout1", "Enter Timeout", "After how long of inactivity should the connection be reset?",
       15, "30", "TIMEOUT=30"},
      {"Flashback1", "Enter Flashback", "Enter the number of frames to preserve in flashback", 0,
       "12", "FLASHBACK=12"},
      {"AudioBufferSize1", "Enter Audio Buffer",
       "Enter the number of audio frames to buffer before starting", 20, "50", "AUDIOBUFFER=50"},
      {"CPUUtilization1", "Enter CPU Utilization", "Enter the amount of CPU resources to use", 99,
       "40", "CPUUSAGE=40"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Item);
    Settings() = TSettings();
    TfrmVexilon window;
    TAsked asked;
    TypeIntoNextQuery(row.Typed, asked);
    window.findChild<QAction*>(row.Item)->trigger();
    EXPECT_EQ(asked.Caption, row.Caption);
    EXPECT_EQ(asked.Prompt, row.Prompt);
    EXPECT_EQ(asked.Shown, row.Shown);
    EXPECT_TRUE(HasLine(IniText(), row.Line)) << IniText();
    EXPECT_TRUE(window.SettingsFromFile());
  }
  // Each window started from the file the previous one wrote, so every answer is kept.
  for (const TRow& row : rows) EXPECT_TRUE(HasLine(IniText(), row.Line)) << row.Line;
}

TEST_F(TOptionsTest, AudioBufferKeepsTheBufferCountInStep) {
  TfrmVexilon window;
  TAsked asked;
  TypeIntoNextQuery("50", asked);
  window.findChild<QAction*>("AudioBufferSize1")->trigger();
  EXPECT_EQ(Settings().AudioBuffer, 50);
  EXPECT_EQ(Settings().AudioBufferCount, 70);
}

TEST_F(TOptionsTest, CancelledQueryChangesNothing) {
  TfrmVexilon window;
  TDialogs::SetNextDialogHandler([](QDialog& dialog) {
    QTest::keyClicks(dialog.findChild<QSpinBox*>("spnValue"), "9");
    return int(QDialog::Rejected);
  });
  window.findChild<QAction*>("Timeout1")->trigger();
  EXPECT_EQ(Settings().Timeout, 15);
  EXPECT_EQ(IniText(), "");
}

TEST_F(TOptionsTest, TogglesAndReformattingWriteAtOnce) {
  struct TRow {
    const char* Item;
    const char* Line;
  };
  const TRow rows[] = {{"AudioDevice1", "AUDIOOUTPUT=1"},    {"ResetImageSizes1", "RESETSIZE=1"},
                       {"ResizeWindows1", "RESETCLIENT=1"},  {"AutoArrange1", "RESETCLIENT=2"},
                       {"AutoFitWindows1", "RESETCLIENT=3"}, {"None1", "RESETCLIENT=0"}};
  TfrmVexilon window;
  int arranged = 0;
  window.SetArrangeHandler([&] { ++arranged; });
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Item);
    window.findChild<QAction*>(row.Item)->trigger();
    EXPECT_TRUE(HasLine(IniText(), row.Line)) << IniText();
  }
  EXPECT_EQ(arranged, 2);  // Auto-Arrange and Auto-Fit Windows
  window.findChild<QAction*>("AudioDevice1")->trigger();
  EXPECT_TRUE(HasLine(IniText(), "AUDIOOUTPUT=0"));
}

TEST_F(TOptionsTest, MaintainAspectRatioOnlyToggles) {
  TfrmVexilon window;
  window.findChild<QAction*>("MaintainAspectRatio1")->trigger();
  EXPECT_FALSE(Settings().Aspect);
  EXPECT_EQ(IniText(), "");
  // The next written change takes it along.
  window.findChild<QAction*>("ResetImageSizes1")->trigger();
  EXPECT_TRUE(HasLine(IniText(), "ASPECT=0"));
}

TEST_F(TOptionsTest, ProxyServerStoresTheTextAsTypedAndTheKind) {
  Settings().Proxy = "old:80";
  Settings().ProxyType = 1;
  TfrmVexilon window;
  QString shownAddress;
  int shownKind = -1;
  TDialogs::SetNextDialogHandler([&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Proxy Server Settings");
    auto* edit = dialog.findChild<QLineEdit*>("edtProxyAddress");
    shownAddress = edit->text();
    const QList<QRadioButton*> radios = dialog.findChildren<QRadioButton*>();
    for (int i = 0; i < radios.size(); ++i)
      if (radios[i]->isChecked()) shownKind = i;
    edit->setText(" proxy.lan:3128 ");
    radios[2]->click();
    return int(QDialog::Accepted);
  });
  window.findChild<QAction*>("ProxyServer1")->trigger();
  EXPECT_EQ(shownAddress, "old:80");
  EXPECT_EQ(shownKind, 1);
  EXPECT_EQ(Settings().Proxy, " proxy.lan:3128 ");
  EXPECT_EQ(Settings().ProxyType, 2);
  EXPECT_TRUE(HasLine(IniText(), "PROXY= proxy.lan:3128 "));
  EXPECT_TRUE(HasLine(IniText(), "PROXYTYPE=2"));
}

TEST_F(TOptionsTest, ProxyServerCancelKeepsEverything) {
  Settings().Proxy = "old:80";
  TfrmVexilon window;
  TDialogs::SetNextDialogHandler([](QDialog& dialog) {
    dialog.findChild<QLineEdit*>("edtProxyAddress")->setText("new:81");
    dialog.findChildren<QRadioButton*>()[3]->click();
    return int(QDialog::Rejected);
  });
  window.findChild<QAction*>("ProxyServer1")->trigger();
  EXPECT_EQ(Settings().Proxy, "old:80");
  EXPECT_EQ(Settings().ProxyType, 0);
  EXPECT_EQ(IniText(), "");
}

TEST_F(TOptionsTest, WriteFailureIsShownAndTheSettingStaysInMemory) {
  // A folder where the file should be makes every write fail.
  ASSERT_TRUE(QDir(FFolder.path()).mkdir("Vexilon.ini"));
  TfrmVexilon window;
  window.findChild<QAction*>("AudioDevice1")->trigger();
  EXPECT_TRUE(Settings().AudioOutput);
  EXPECT_EQ(TDialogs::LastMessageCaption(), "Error");
  EXPECT_FALSE(TDialogs::LastMessageText().isEmpty());
  EXPECT_FALSE(window.SettingsFromFile());
}

TEST_F(TOptionsTest, StartsFromTheConfigurationFile) {
  WriteFileAtomically(File("Vexilon.ini"), "TIMEOUT=45\r\n");
  TfrmVexilon window;
  EXPECT_TRUE(window.SettingsFromFile());
  EXPECT_EQ(Settings().Timeout, 45);
}

TEST_F(TOptionsTest, ChangedUserSettingsAreWrittenWhenTheWindowGoes) {
  {
    TfrmVexilon window;
    Settings().User[0] = "preset";
    SettingsChanged = true;
  }
  EXPECT_TRUE(HasLine(IniText(), "USER1=preset"));
  EXPECT_FALSE(SettingsChanged);
}

using TCloseQueryTest = TUiTest;

TEST_F(TCloseQueryTest, AnswersDecideWhetherTheWindowCloses) {
  struct TRow {
    bool CatalogChanged;
    bool FavoritesChanged;
    QMessageBox::StandardButton Answer;
    bool Saved;
    bool Asked;
    bool SaveCalled;
    bool Closed;
  };
  const TRow rows[] = {
      {false, false, QMessageBox::Cancel, true, false, false, true},
      {true, false, QMessageBox::No, true, true, false, true},
      {false, true, QMessageBox::Cancel, true, true, false, false},
      {true, true, QMessageBox::Yes, true, true, true, true},
      {true, false, QMessageBox::Yes, false, true, true, false},
  };
  int index = 0;
  for (const TRow& row : rows) {
    SCOPED_TRACE(index++);
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
    window.findChild<QAction*>("Exit1")->trigger();
    EXPECT_EQ(TDialogs::MessageCount(), row.Asked ? 1 : 0);
    if (row.Asked) {
      EXPECT_EQ(TDialogs::LastMessageText(), "Connections have changed, do you want to save?");
    }
    EXPECT_EQ(saveCalled, row.SaveCalled);
    EXPECT_EQ(window.isVisible(), !row.Closed);
  }
}

}  // namespace
}  // namespace vexilon
