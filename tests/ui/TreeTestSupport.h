#pragma once
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <memory>
#include <string>

#include "UiTestSupport.h"
#include "core/catalogue/Catalogue.h"
#include "ui/app/MainWindow.h"
#include "ui/catalogue/CatalogueController.h"
#include "ui/catalogue/CatalogueTree.h"
#include "ui/catalogue/TreeCommands.h"

namespace vexilon {

// Cameras
//   City   (auth city:pw, prefix P1, suffix S1, headers X-City:1 and X-Shared:city)
//     Shop (prefix P2, header X-Shared:shop)
//       Lobby (nothing of its own but a header; separate sound with its own auth and suffix)
//       Till  (own auth and prefix)
//     Square
//   Pub    (published)
//     Bar
//     Cellar (published)
//   Gate
inline const char* const kTreeCatalogue =
    "Vexilon Data File\r\n"
    "TYPE=ROOT NAME=Cameras\r\n"
    ":TYPE=GROUP NAME=City AUTH=city:pw PREFIX=P1 SUFFIX=S1 FLAGS=0 SUBGROUP=\"\" "
    "HEADERS=X-City:1,X-Shared:city\r\n"
    "::TYPE=GROUP NAME=Shop AUTH=\"\" PREFIX=P2 SUFFIX=\"\" FLAGS=0 SUBGROUP=\"\" "
    "HEADERS=X-Shared:shop\r\n"
    ":::TYPE=ITEM NAME=Lobby WEB=lobby.cgi AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=X-Entry:1 "
    "FLAGS=1 WIDTH=320 HEIGHT=240 INTERVAL=1000 AUDIO=(WEB=lobby.au AUTH=own PREFIX=\"\" "
    "SUFFIX=AS HEADERS=X-Audio:1 FLAGS=3)\r\n"
    ":::TYPE=ITEM NAME=Till WEB=till.cgi AUTH=till:pw PREFIX=P3 SUFFIX=\"\" HEADERS=\"\" FLAGS=0 "
    "WIDTH=640 HEIGHT=480 INTERVAL=250\r\n"
    "::TYPE=ITEM NAME=Square WEB=s AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 "
    "WIDTH=320 HEIGHT=240 INTERVAL=250\r\n"
    ":TYPE=GROUP NAME=Pub AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" FLAGS=256 SUBGROUP=\"\" "
    "HEADERS=\"\"\r\n"
    "::TYPE=ITEM NAME=Bar WEB=b AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 "
    "WIDTH=320 HEIGHT=240 INTERVAL=250\r\n"
    "::TYPE=GROUP NAME=Cellar AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" FLAGS=256 SUBGROUP=\"\" "
    "HEADERS=\"\"\r\n"
    ":TYPE=ITEM NAME=Gate WEB=g AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 "
    "WIDTH=320 HEIGHT=240 INTERVAL=250\r\n";

inline const char* const kTreeShape =
    "Cameras(City(Shop(Lobby Till) Square) Pub(Bar Cellar()) Gate)";

// The texts of the rows in folder.
inline QStringList Rows(const QTreeWidgetItem* folder) {
  QStringList rows;
  for (int i = 0; i < folder->childCount(); ++i) rows << folder->child(i)->text(0);
  return rows;
}

// A primary window showing kTreeCatalogue, fresh for each test (Reopen for a table row).
class TTreeTest : public TUiTest {
 protected:
  void SetUp() override {
    TUiTest::SetUp();
    SetCommandLine({"/NOWEB"});
    WriteFileAtomically(File("Vexilon.vxc"), kTreeCatalogue);
    Reopen();
  }
  void TearDown() override {
    FWindow.reset();
    TUiTest::TearDown();
  }

  void Reopen() {
    FWindow.reset();
    FWindow = std::make_unique<TfrmVexilon>();
    FWindow->StartPrimary(false);
    FWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));
    TDialogs::Reset();
  }

  TCatalogueTree* Tree() const { return static_cast<TCatalogueTree*>(FWindow->Tree()); }
  TCatalogue& Catalogue() const { return FWindow->Catalogue()->Catalogue(); }
  TCatalogueTreeCommands& Commands() const { return *FWindow->Catalogue()->TreeCommands(); }
  QTreeWidgetItem* RootRow() const { return Tree()->topLevelItem(0); }

  // The row at a path of row texts below the root, opening the folders on the way; the root
  // row itself for an empty path.
  QTreeWidgetItem* Row(const QString& path) const {
    QTreeWidgetItem* row = RootRow();
    if (path.isEmpty()) return row;
    for (const QString& part : path.split(QLatin1Char('/'))) {
      row->setExpanded(true);
      QTreeWidgetItem* found = nullptr;
      for (int i = 0; i < row->childCount() && found == nullptr; ++i) {
        if (row->child(i)->text(0) == part) found = row->child(i);
      }
      EXPECT_NE(found, nullptr) << path.toStdString();
      if (found == nullptr) return nullptr;
      row = found;
    }
    return row;
  }

  // Selects the row at path; nothing for nullptr.
  void Select(const char* path) const {
    Tree()->setCurrentItem(path != nullptr ? Row(path) : nullptr);
  }

  // The model as nested names: groups with their children in parentheses.
  static std::string Shape(const TCamBase& node) {
    std::string text = node.Name;
    if (const TCamRoot* folder = node.AsRoot()) {
      text += '(';
      for (std::size_t i = 0; i < folder->ChildCount(); ++i) {
        if (i > 0) text += ' ';
        text += Shape(*folder->Child(i));
      }
      text += ')';
    }
    return text;
  }
  std::string Shape() const { return Shape(*Catalogue().FRoot); }

  void Click(const char* button) const {
    QTest::mouseClick(Child<QPushButton>(*FWindow, button), Qt::LeftButton);
  }

  QPoint Centre(QTreeWidgetItem* row) const { return Tree()->visualItemRect(row).center(); }

  // A double click as a person makes it: a click, then the second press.
  void DoubleClick(QTreeWidgetItem* row) const {
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, Centre(row));
    QTest::mouseDClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, Centre(row));
  }

  std::unique_ptr<TfrmVexilon> FWindow;
};

// Presses OK in a dialog handed to the dialog seam, after fill has typed into it.
template <class Fill>
void AnswerWithOk(Fill fill) {
  TDialogs::SetNextDialogHandler([fill](QDialog& dialog) {
    dialog.show();
    fill(dialog);
    QTest::mouseClick(Child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
    return dialog.result();
  });
}

}  // namespace vexilon
