#pragma once
#include <QImage>
#include <QWidget>
#include <string>
#include <vector>

#include "core/capture/Flashback.h"

class QAction;
class QLabel;
class QMenu;
class QToolButton;

namespace vexilon {

class TfrmVexilon;

// Shows a camera's kept frames, newest first, as they were when it opened, and saves any of
// them. Lives until closed; closing the camera window leaves it open.
class TfrmFlashback : public QWidget {
  Q_OBJECT
 public:
  TfrmFlashback(TfrmVexilon* desktop, QWidget* parent = nullptr);

  void Open(const std::string& baseName, const TFlashbackStore& store);

  int CurrentIndex() const { return FIndex; }
  int Count() const { return int(FFrames.size()); }
  QString StatusLine() const;
  const QImage& Shown() const { return FShown; }

  void actPreviousExecute();
  void actNextExecute();
  void actQuickSaveExecute();
  void actSaveAsExecute();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class TPictureView;

  QAction* AddAction(const char* name, const char* caption, int key);
  void Refresh();
  bool SaveShown(const std::string& path);

  TfrmVexilon* FDesktop;
  std::vector<TFlashData> FFrames;  // newest first
  int FIndex = 0;
  std::string FBaseName;
  QImage FShown;
  TPictureView* Image1 = nullptr;
  QLabel* lblPictureIndex = nullptr;
  QMenu* FContextMenu = nullptr;
  QAction* actPrevious = nullptr;
  QAction* actNext = nullptr;
  QAction* actQuickSave = nullptr;
  QAction* actSaveAs = nullptr;
  QAction* actClose = nullptr;
};

}  // namespace vexilon
