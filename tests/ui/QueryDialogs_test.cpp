#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include "UiTestSupport.h"
#include "ui/app/QueryDialogs.h"
#include "ui/app/WaitDialog.h"

namespace vexilon {
namespace {

using TQueryTest = TUiTest;

TEST_F(TQueryTest, NumberQueryEdgeCases) {
  // Keys: text typed over the whole field (empty: the field cleared), or arrow presses as
  // "^" (up) and "v" (down). Leave: the field then loses the focus, as a mouse click on OK does.
  struct TRow {
    const char* Name;
    int Initial, Minimum, Maximum;
    QString Keys;
    bool Leave;
    int Expected;
  } rows[] = {
      {"cleared field gives the minimum", 15, 1, 600, "", false, 1},
      {"cleared field, focus left", 15, 1, 600, "", true, 1},
      {"cleared field, zero minimum", 40, 0, 100, "", false, 0},
      {"typed above the range is kept", 15, 1, 600, "700", false, 700},
      {"typed above the range survives leaving", 15, 1, 600, "700", true, 700},
      {"typed below the range is kept", 20, 1, 100, "-3", false, -3},
      {"letters are refused", 15, 1, 600, "4x2", false, 42},
      {"arrows stop at the maximum", 598, 1, 600, "^^^^^", false, 600},
      {"arrows stop at the minimum", 2, 1, 600, "vvvvv", false, 1},
      {"arrows from a typed outside value come back in range", 700, 1, 600, "^", false, 600},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    TDialogs::SetNextDialogHandler([&row](QDialog& dialog) {
      auto* spin = Child<TSpinField>(dialog, "spnValue");
      if (row.Keys.startsWith('^') || row.Keys.startsWith('v')) {
        for (QChar key : row.Keys) QTest::keyClick(spin, key == '^' ? Qt::Key_Up : Qt::Key_Down);
      } else {
        QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(spin, row.Keys);
        if (row.Keys.isEmpty()) QTest::keyClick(spin, Qt::Key_Backspace);
      }
      QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
      if (row.Leave) QCoreApplication::sendEvent(spin, &out);
      return int(QDialog::Accepted);
    });
    int value = row.Initial;
    EXPECT_TRUE(NumberQuery("Caption", "Prompt", value, row.Minimum, row.Maximum));
    EXPECT_EQ(value, row.Expected);
  }
}

TEST_F(TQueryTest, TextQueryKeepsAtMost255Characters) {
  QString shown;
  TDialogs::SetNextDialogHandler([&shown](QDialog& dialog) {
    auto* edit = Child<QLineEdit>(dialog, "edtText");
    shown = edit->text();
    edit->selectAll();
    QTest::keyClicks(edit, QString(300, QLatin1Char('x')));
    return int(QDialog::Accepted);
  });
  QString text = "Lobby";
  EXPECT_TRUE(TextQuery("Add to Favorites", "Name", text));
  EXPECT_EQ(shown, "Lobby");
  EXPECT_EQ(text, QString(255, QLatin1Char('x')));

  TDialogs::SetNextDialogHandler([](QDialog& dialog) {
    Child<QLineEdit>(dialog, "edtText")->setText("changed");
    return int(QDialog::Rejected);
  });
  text = "Lobby";
  EXPECT_FALSE(TextQuery("Add to Favorites", "Name", text));  // cancelled
  EXPECT_EQ(text, "Lobby");
}

TEST_F(TQueryTest, QueryIsWideEnoughForItsPromptAndCentredInTheGridCell) {
  ScreenGrid().Columns = 2;
  ScreenGrid().Rows = 3;
  const QString prompt = "After how long of inactivity should the connection be reset?";
  QPoint position;
  QSize size;
  int labelWidth = 0;
  TDialogs::SetNextDialogHandler([&](QDialog& dialog) {
    position = dialog.pos();
    size = dialog.size();
    labelWidth = Child<QLabel>(dialog, "lblPrompt")->sizeHint().width();
    return int(QDialog::Rejected);
  });
  int value = 15;
  NumberQuery("Enter Timeout", prompt, value, 1, 600);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(position, QPoint((screen.width() / 2 - size.width()) / 2,
                             (screen.height() / 3 - size.height()) / 2));
  EXPECT_GE(labelWidth, QFontMetrics(QApplication::font()).horizontalAdvance(prompt));
}

TEST_F(TQueryTest, WaitDialogShowsAndGrowsWithItsText) {
  std::unique_ptr<TfrmWait> wait = ShowWaitDialog("Please Wait", "Loading");
  ASSERT_TRUE(wait->isVisible());
  EXPECT_FALSE(wait->isModal());
  EXPECT_FALSE(wait->windowFlags().testFlag(Qt::WindowCloseButtonHint));
  auto* prompt = Child<QLabel>(*wait, "Prompt");
  EXPECT_EQ(prompt->text(), "Loading");

  const QString longer = "Loading connection file, 12345 entries read so far from the file";
  const int before = wait->width();
  SetWaitText(wait.get(), longer);
  EXPECT_EQ(prompt->text(), longer);
  EXPECT_GT(wait->width(), before);
  EXPECT_GE(prompt->width(), prompt->fontMetrics().horizontalAdvance(longer));
}

}  // namespace
}  // namespace vexilon
