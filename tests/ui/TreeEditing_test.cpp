#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>

#include "TreeTestSupport.h"
#include "ui/catalogue/QtTreeNodes.h"

namespace vexilon {
namespace {

using TTreeEditingTest = TTreeTest;

void TypeInto(QDialog& dialog, const char* field, const char* text) {
  auto* edit = Child<QLineEdit>(dialog, field);
  edit->selectAll();
  QTest::keyClicks(edit, QString::fromLatin1(text));
}

TEST_F(TTreeEditingTest, ButtonsWorkOnlyOnceTheWindowHoldsTheCatalogue) {
  TfrmVexilon desktop;  // a further desktop window has no catalogue of its own
  for (const char* name : {"btnNewGroup", "btnNewEntry", "btnDelete", "btnEdit"}) {
    EXPECT_TRUE(Child<QPushButton>(*FWindow, name)->isEnabled()) << name;
    EXPECT_FALSE(Child<QPushButton>(desktop, name)->isEnabled()) << name;
  }
}

TEST_F(TTreeEditingTest, NewEntryGoesIntoTheNearestFolderThatIsNotPublished) {
  // Published folders and entries hand it up to the root.
  const char* const inRoot = "Cameras(City(Shop(Lobby Till) Square) Pub(Bar Cellar()) Gate Cam1)";
  const struct {
    const char* Selected;  // row path, nullptr for no selection
    const char* Shape;
  } rows[] = {
      {nullptr, inRoot},
      {"", inRoot},
      {"City", "Cameras(City(Shop(Lobby Till) Square Cam1) Pub(Bar Cellar()) Gate)"},
      {"City/Shop/Lobby", "Cameras(City(Shop(Lobby Till Cam1) Square) Pub(Bar Cellar()) Gate)"},
      {"Gate", inRoot},
      {"Pub", inRoot},
      {"Pub/Bar", inRoot},
      {"Pub/Cellar", inRoot}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Selected ? row.Selected : "(none)");
    Reopen();
    Select(row.Selected);
    AnswerWithOk([](QDialog& dialog) {
      TypeInto(dialog, "edtName", "Cam:1");
      TypeInto(dialog, "edtWEB", "cam/video.cgi");
    });
    Click("btnNewEntry");
    EXPECT_EQ(Shape(), row.Shape);
    EXPECT_TRUE(Catalogue().FCatalogChanged);
  }
  // The defaults of the editor reach the entry (last placed in the root).
  const TCamRoot& root = *Catalogue().FRoot;
  EXPECT_EQ(root.Child(root.ChildCount() - 1)->GetDataText(),
            "TYPE=ITEM NAME=Cam1 WEB=cam/video.cgi AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" "
            "FLAGS=1 WIDTH=320 HEIGHT=240 INTERVAL=1000");
  EXPECT_EQ(Rows(RootRow()).last(), "Cam1");
}

TEST_F(TTreeEditingTest, NewNodesOpenTheirFolderAndShowLast) {
  for (const char* button : {"btnNewEntry", "btnNewGroup"}) {
    SCOPED_TRACE(button);
    Reopen();
    QTreeWidgetItem* city = Row("City");
    city->setExpanded(false);
    Tree()->setCurrentItem(city);
    AnswerWithOk([](QDialog& dialog) {
      TypeInto(dialog, "edtName", "Harbour");
      TypeInto(dialog, "edtPrefix", "http://harbour/");
    });
    Click(button);
    EXPECT_TRUE(city->isExpanded());
    EXPECT_EQ(Rows(city), QStringList({"Shop", "Square", "Harbour"}));
    EXPECT_EQ(TQtTreeNodes::NodeOf(city)->StateIndex(), 2);  // the open folder's icon
  }
  const TCamGroup* harbour = Catalogue().FRoot->Child(0)->AsRoot()->Child(2)->AsGroup();
  ASSERT_NE(harbour, nullptr);
  EXPECT_EQ(harbour->Prefix, "http://harbour/");
  EXPECT_EQ(TQtTreeNodes::NodeOf(Row("City/Harbour"))->StateIndex(), 1);

  // A new entry is selected, even in an empty catalogue.
  WriteFileAtomically(File("Vexilon.vxc"), "Vexilon Data File\r\nTYPE=ROOT NAME=Cameras\r\n");
  Reopen();
  RootRow()->setExpanded(false);
  AnswerWithOk([](QDialog&) {});
  Click("btnNewEntry");
  EXPECT_TRUE(RootRow()->isExpanded());
  ASSERT_EQ(Rows(RootRow()), QStringList({"New Entry"}));
  EXPECT_TRUE(RootRow()->child(0)->isSelected());
}

TEST_F(TTreeEditingTest, NewGroupWithAnAuxiliaryFileReadsItAtOnce) {
  WriteFileAtomically(File("outlet.vxc"),
                      "Vexilon Data File\r\n"
                      "TYPE=ROOT NAME=Cameras\r\n"
                      ":TYPE=GROUP NAME=Outlet AUTH=o PREFIX=\"\" SUFFIX=\"\" FLAGS=0 "
                      "SUBGROUP=\"\" HEADERS=\"\"\r\n"
                      "::TYPE=ITEM NAME=Door WEB=d AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" "
                      "FLAGS=0 WIDTH=320 HEIGHT=240 INTERVAL=250\r\n");
  const struct {
    const char* File;
    const char* Shape;
  } rows[] = {{"outlet.vxc", "Outlet(Door)"}, {"missing.vxc", "Mall()"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.File);
    Reopen();
    const std::string file = File(row.File);
    AnswerWithOk([&file](QDialog& dialog) {
      TypeInto(dialog, "edtName", "Mall");
      TDialogs::SetNextFileName(QString::fromStdString(file));
      QTest::mouseClick(Child<QPushButton>(dialog, "btnSetFile"), Qt::LeftButton);
    });
    Click("btnNewGroup");
    const TCamRoot& root = *Catalogue().FRoot;
    const TCamGroup* group = root.Child(root.ChildCount() - 1)->AsGroup();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(Shape(*group), row.Shape);
    EXPECT_EQ(group->SubGroup, file);
    EXPECT_EQ(group->Flags, kSubGroupFlag);
    EXPECT_EQ(TDialogs::MessageCount(), 0);
  }
}

TEST_F(TTreeEditingTest, CancelledEditorsChangeNothing) {
  for (const char* button : {"btnNewGroup", "btnNewEntry", "btnEdit"}) {
    SCOPED_TRACE(button);
    Reopen();
    Select("City/Shop/Lobby");
    TDialogs::SetNextDialogHandler([](QDialog&) { return int(QDialog::Rejected); });
    Click(button);
    EXPECT_EQ(Shape(), kTreeShape);
    EXPECT_FALSE(Catalogue().FCatalogChanged);
  }
}

TEST_F(TTreeEditingTest, EditItemLoadsTheNodeAndStoresBack) {
  // The editor shows one of the node's own fields; OK stores the name without its colons.
  const struct {
    const char *Path, *Field, *Shown, *Typed, *Stored;
  } rows[] = {{"City/Shop", "edtPrefix", "P2", "Shop:Front", "ShopFront"},
              {"City/Shop/Lobby", "edtWEB", "lobby.cgi", "Hall", "Hall"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Path);
    Reopen();
    QTreeWidgetItem* node = Row(row.Path);
    Tree()->setCurrentItem(node);
    QString shown;
    AnswerWithOk([&](QDialog& dialog) {
      shown = Child<QLineEdit>(dialog, row.Field)->text();
      TypeInto(dialog, "edtName", row.Typed);
    });
    Click("btnEdit");
    EXPECT_EQ(shown, row.Shown);
    EXPECT_EQ(node->text(0), row.Stored);
    EXPECT_TRUE(Catalogue().FCatalogChanged);
  }

  // The root and an empty selection open nothing.
  Catalogue().FCatalogChanged = false;
  for (const char* path : {"", static_cast<const char*>(nullptr)}) {
    Select(path);
    TDialogs::SetNextDialogHandler([](QDialog&) {
      ADD_FAILURE() << "an editor opened";
      return int(QDialog::Rejected);
    });
    Click("btnEdit");
  }
  EXPECT_FALSE(Catalogue().FCatalogChanged);
}

TEST_F(TTreeEditingTest, DeleteAsksOnlyForGroupsWithEntriesAndUndoBringsTheNodeBack) {
  const struct {
    const char* Selected;
    const char* Shape;
    const char* Question;  // nullptr: deleted at once
  } rows[] = {
      {"City/Shop/Lobby", "Cameras(City(Shop(Till) Square) Pub(Bar Cellar()) Gate)", nullptr},
      {"City", "Cameras(Pub(Bar Cellar()) Gate)", "Delete group \"City\" and its 3 entries?"},
      {"Pub/Cellar", "Cameras(City(Shop(Lobby Till) Square) Pub(Bar) Gate)", nullptr},
      {"", kTreeShape, nullptr},  // the root stays
      {nullptr, kTreeShape, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Selected ? row.Selected : "(none)");
    Reopen();
    Select(row.Selected);
    Click("btnDelete");
    EXPECT_EQ(Shape(), row.Shape);
    EXPECT_EQ(TDialogs::LastMessageText(), row.Question ? row.Question : "");
    // Only a real deletion counts as a change to save.
    EXPECT_EQ(Catalogue().FCatalogChanged, row.Shape != std::string(kTreeShape));
    EXPECT_EQ(Tree()->topLevelItemCount(), 1);
    // Ctrl+Z in the tree puts it back in its place, shown and selected.
    Tree()->setFocus();
    QTest::keyClick(Tree(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Shape(), kTreeShape);
  }
  // No to the question keeps the group.
  Tree()->setCurrentItem(Row("City"));
  TDialogs::SetNextAnswer(QMessageBox::No);
  Click("btnDelete");
  EXPECT_EQ(Shape(), kTreeShape);
}

TEST_F(TTreeEditingTest, RenameInPlaceStoresTheNameWithoutColons) {
  QTreeWidgetItem* gate = Row("Gate");
  Tree()->setCurrentItem(gate);
  Tree()->setFocus();
  QTest::keyClick(Tree(), Qt::Key_F2);
  auto* editor = Tree()->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, "Front:Gate");
  QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents();  // the edit ends through a queued call
  EXPECT_EQ(gate->text(0), "Front:Gate");
  EXPECT_EQ(Catalogue().FRoot->Child(2)->Name, "FrontGate");
  EXPECT_TRUE(Catalogue().FCatalogChanged);

  // The root cannot be renamed, by key or by call.
  Tree()->setCurrentItem(RootRow());
  QTest::keyClick(Tree(), Qt::Key_F2);
  Tree()->editItem(RootRow());
  QApplication::processEvents();
  for (QLineEdit* open : Tree()->viewport()->findChildren<QLineEdit*>())
    EXPECT_FALSE(open->isVisible());
}

// Runs a drag of the row at from, as the tree starts one, onto the row at to (or onto empty
// space below the rows when to is null); answers whether the tree accepted the drop there.
bool DragAndDrop(TCatalogueTree* tree, QTreeWidgetItem* from, QTreeWidgetItem* to,
                 Qt::KeyboardModifiers modifiers) {
  tree->setCurrentItem(from);
  std::unique_ptr<TDragItem> data(tree->CreateDragItem());
  EXPECT_TRUE(tree->Dragging());
  const QPoint at = to != nullptr ? tree->visualItemRect(to).center()
                                  : QPoint(10, tree->viewport()->height() - 3);
  QWidget* viewport = tree->viewport();
  QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, modifiers);
  QApplication::sendEvent(viewport, &enter);
  QDragMoveEvent move(at, Qt::MoveAction, data.get(), Qt::LeftButton, modifiers);
  QApplication::sendEvent(viewport, &move);
  const bool accepted = enter.isAccepted() && move.isAccepted();
  if (accepted) {
    QDropEvent drop(at, Qt::MoveAction, data.get(), Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &drop);
  } else {
    QDragLeaveEvent leave;
    QApplication::sendEvent(viewport, &leave);
  }
  data.reset();
  EXPECT_FALSE(tree->Dragging());
  return accepted;
}

TEST_F(TTreeEditingTest, DropRulesFollowTheTarget) {
  const struct {
    const char* Case;
    const char* From;
    const char* To;  // nullptr: empty space
    bool Shift;
    bool Accepted;
    const char* Shape;
  } rows[] = {
      {"entry onto a group goes last into it", "Gate", "City", false, true,
       "Cameras(City(Shop(Lobby Till) Square Gate) Pub(Bar Cellar()))"},
      {"entry onto an entry goes just before it", "Gate", "City/Shop/Till", false, true,
       "Cameras(City(Shop(Lobby Gate Till) Square) Pub(Bar Cellar()))"},
      {"group with Shift onto a group goes before it", "City/Shop", "Pub", true, true,
       "Cameras(City(Square) Shop(Lobby Till) Pub(Bar Cellar()) Gate)"},
      {"group onto a group goes into it, published or not", "City/Shop", "Pub", false, true,
       "Cameras(City(Square) Pub(Bar Cellar() Shop(Lobby Till)) Gate)"},
      {"Shift onto an entry still inserts before it", "City/Square", "Gate", true, true,
       "Cameras(City(Shop(Lobby Till)) Pub(Bar Cellar()) Square Gate)"},
      {"anything onto the root goes last into it", "City/Square", "", true, true,
       "Cameras(City(Shop(Lobby Till)) Pub(Bar Cellar()) Gate Square)"},
      {"a group onto its own sub-group stays", "City", "City/Shop", false, true, kTreeShape},
      {"a group onto its own entry stays", "City", "City/Shop/Lobby", false, true, kTreeShape},
      {"onto itself is refused", "Gate", "Gate", false, false, kTreeShape},
      {"onto empty space is refused", "Gate", nullptr, false, false, kTreeShape},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Case);
    Reopen();
    QTreeWidgetItem* to = row.To != nullptr ? Row(row.To) : nullptr;
    EXPECT_EQ(
        DragAndDrop(Tree(), Row(row.From), to, row.Shift ? Qt::ShiftModifier : Qt::NoModifier),
        row.Accepted);
    EXPECT_EQ(Shape(), row.Shape);
    EXPECT_EQ(Catalogue().FCatalogChanged, row.Accepted);
  }
}

TEST_F(TTreeEditingTest, DroppedNodeIsSelectedWhereItsFolderIsOpen) {
  QTreeWidgetItem* city = Row("City");
  city->setExpanded(true);
  EXPECT_TRUE(DragAndDrop(Tree(), Row("Gate"), city, Qt::NoModifier));
  ASSERT_NE(Tree()->currentItem(), nullptr);
  EXPECT_EQ(Tree()->currentItem()->text(0), "Gate");
  EXPECT_EQ(Tree()->currentItem()->parent(), city);

  // Into a closed folder: no row to select, and the rows shown still match the catalogue.
  QTreeWidgetItem* pub = Row("Pub");
  pub->setExpanded(false);
  EXPECT_TRUE(DragAndDrop(Tree(), Row("City/Square"), pub, Qt::NoModifier));
  EXPECT_EQ(Rows(city), QStringList({"Shop", "Gate"}));
  pub->setExpanded(true);
  EXPECT_EQ(Rows(pub), QStringList({"Bar", "Cellar", "Square"}));
}

}  // namespace
}  // namespace vexilon
