#pragma once
#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/catalogue/CamOpenRequest.h"

class QAction;
class QMenu;

namespace vexilon {

class TCamBase;
class TCamRoot;
class TCatalogue;
class TCatalogueTree;
class TQtTreeNode;
class TfrmVexilon;

// A desktop window that an entry can be opened in, under its name in the desktop list.
struct TDesktopChoice {
  QString Name;
  TfrmVexilon* Window = nullptr;
};

// What the user does to the catalogue through the primary window's tree: the four buttons,
// renaming in place, drag and drop, the context menu, opening entries as camera windows, and
// keeping an entry's default size in step with its camera.
class TCatalogueTreeCommands : public QObject {
  Q_OBJECT
 public:
  // Lives as long as catalogue (parent owns both); the tree and window outlive it.
  TCatalogueTreeCommands(TfrmVexilon& window, TCatalogue& catalogue, TCatalogueTree& tree,
                         QObject* parent);
  ~TCatalogueTreeCommands() override;

  // Receives every entry opened from the tree; the desktop window opens the camera window.
  std::function<void(const TCamOpenRequest&)> OnOpenEntry;
  // The desktop windows in list order; only the primary window when not set.
  std::function<std::vector<TDesktopChoice>()> DesktopWindows;

  void btnNewGroupClick();
  void btnNewEntryClick();
  void btnEditClick();
  // Shows the entry at catalogPath and opens its editor; answers whether it was changed. An
  // entry that is gone is said so.
  bool EditEntryAt(const std::string& catalogPath);
  // Deletes the selected node; a group that holds entries asks first. The last deleted node
  // can be brought back (UndoDeleteClick, Ctrl+Z in the tree).
  void btnDeleteClick();
  void UndoDeleteClick();
  bool CanUndoDelete() const { return FDeleted != nullptr; }

  // Opens the selected entry in window as a camera window of style kMdiStyle or kPopupStyle,
  // capturing its raw data into captureFile when one is given.
  void OpenEntry(TfrmVexilon* window, int style, const QString& captureFile);

  // A camera window's picture size for the entry at catalogPath. With "Reset Default Sizes" on
  // the entry takes it as its default size. The entry is looked for among the tree's rows, so
  // one inside a closed folder is not found.
  void ImageSize(int width, int height, const std::string& catalogPath);

  QMenu* PopupMenu() const { return PopupMenu1; }
  // The row under the last right button press, while it still exists.
  TQtTreeNode* PopupNode() const;

 private:
  void BuildPopupMenu();
  void ConnectTree();
  void ConnectButtons();

  TQtTreeNode* Selected() const;
  TQtTreeNode* RootNode() const;
  TQtTreeNode* TargetFolder() const;
  std::vector<TDesktopChoice> Desktops() const;

  bool _tvEditing(TQtTreeNode* node) const;
  void _tvEdited(TQtTreeNode* node, const QString& text);
  void _tvMouseDown(TQtTreeNode* node, const QPoint& globalPos);
  void _tvDragDrop(TQtTreeNode* dragged, TQtTreeNode* target, Qt::KeyboardModifiers modifiers);
  void PopupMenu1Popup();
  void popupOpenClick();
  void asMDIWindow1Click();
  void CaptureOutput1Click();
  void Import1Click();
  void Export1Click();

  bool EditSelected();
  // Selects node's row, its folders opened.
  void ShowNode(TCamBase* node);

  TfrmVexilon& FWindow;
  TCatalogue& FCatalogue;
  TCatalogueTree& FTree;
  TQtTreeNode* FPopupNode = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* popupOpen = nullptr;
  QAction* asMDIWindow1 = nullptr;
  QMenu* FDesktopMenu = nullptr;
  QAction* UndoDelete1 = nullptr;
  // The last deleted node, where it was: its folder (looked for again before it is trusted)
  // and its place among the folder's children.
  std::unique_ptr<TCamBase> FDeleted;
  TCamRoot* FDeletedFrom = nullptr;
  std::size_t FDeletedAt = 0;
};

}  // namespace vexilon
