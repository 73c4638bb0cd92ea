#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "UiTestSupport.h"
#include "core/catalogue/CamNodes.h"
#include "ui/catalogue/EntryEditor.h"
#include "ui/catalogue/GroupEditor.h"

namespace vexilon {
namespace {

using TEditorLayoutTest = TUiTest;

// Every control a person must read or use is inside the dialog and at least as tall as it
// needs to be, on every page. With VEXILON_SCREENSHOT_DIR set, each page is also saved there.
void ExpectNothingCut(QDialog& dialog, const QString& picture) {
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  auto* pages = dialog.findChild<QTabWidget*>();
  const int pageCount = pages != nullptr ? pages->count() : 1;
  for (int page = 0; page < pageCount; ++page) {
    if (pages != nullptr) pages->setCurrentIndex(page);
    QApplication::processEvents();
    for (QWidget* control : dialog.findChildren<QWidget*>()) {
      const bool readable = qobject_cast<QLabel*>(control) || qobject_cast<QLineEdit*>(control) ||
                            qobject_cast<QAbstractButton*>(control) ||
                            qobject_cast<QSpinBox*>(control);
      // Qt's own inner widgets (named qt_...) are their owners' business.
      if (!readable || !control->isVisible() || control->objectName().isEmpty() ||
          control->objectName().startsWith(QLatin1String("qt_")))
        continue;
      const QRect inDialog(control->mapTo(&dialog, QPoint(0, 0)), control->size());
      EXPECT_TRUE(dialog.rect().contains(inDialog))
          << control->objectName().toStdString() << " lies outside the dialog";
      EXPECT_GE(control->height(), control->minimumSizeHint().height())
          << control->objectName().toStdString() << " is cut";
    }
    const QByteArray folder = qgetenv("VEXILON_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
      dialog.grab().save(QString::fromLocal8Bit(folder) +
                         QStringLiteral("/%1-%2.png").arg(picture).arg(page));
    }
  }
}

TEST_F(TEditorLayoutTest, EntryAndGroupEditorsFitTheirSize) {
  TfrmEntry fresh;
  ExpectNothingCut(fresh, "entry-new");

  TCamItem entry(nullptr);
  entry.Name = "Harbour";
  entry.Video().Flags = kPublishedFlag | 1;
  entry.Video().Auth = "guest:guest";
  entry.Video().Width = 640;
  entry.Video().Height = 480;
  entry.Video().Interval = 250;
  TfrmEntry published;
  published.LoadFromEntry(entry);
  ExpectNothingCut(published, "entry-published");

  TfrmEditGroup freshGroup;
  ExpectNothingCut(freshGroup, "group-new");

  TCamGroup group(nullptr);
  group.Name = "City";
  group.SubGroup = "/home/user/vexilon/city-cameras.vxc";
  group.Flags = kSubGroupFlag;
  group.Headers = "X-City: 1\r\n";
  TfrmEditGroup existing;
  existing.LoadFromGroup(group);
  ExpectNothingCut(existing, "group-existing");
}

}  // namespace
}  // namespace vexilon
