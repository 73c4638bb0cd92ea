// The camera window's Commands and Style menus, the context menu that copies Commands, and
// the moves between window styles.
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include "ui/app/DesktopList.h"
#include "ui/app/MainWindow.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/CameraWindows.h"

namespace vexilon {
namespace {

// The multi-capture suspension item; its copies follow its check mark.
constexpr int kSuspendTag = 99;

QAction* AddItem(QMenu* menu, const char* name, const char* caption, int key = 0) {
  QAction* item = menu->addAction(QString::fromLatin1(caption));
  item->setObjectName(QString::fromLatin1(name));
  if (key != 0) item->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(key)));
  return item;
}

}  // namespace

void TfrmCamera::BuildMenus() {
  Commands1 = new QMenu(QStringLiteral("&Commands"), this);
  Commands1->setObjectName("Commands1");
  QMenu* m = Commands1;
  connect(AddItem(m, "ClipFrame1", "&Clip Frame", Qt::Key_C), &QAction::triggered, this,
          &TfrmCamera::Clip1Click);
  connect(AddItem(m, "DefaultSize1", "&Default Size", Qt::Key_D), &QAction::triggered, this,
          &TfrmCamera::DefaultSize1Click);
  connect(AddItem(m, "Pause1", "&Pause", Qt::Key_P), &QAction::triggered, this,
          &TfrmCamera::Pause1Click);
  connect(AddItem(m, "Resume1", "&Resume", Qt::Key_R), &QAction::triggered, this,
          &TfrmCamera::Resume1Click);
  connect(AddItem(m, "PauseOthers1", "Pause &Others", Qt::Key_O), &QAction::triggered, this,
          &TfrmCamera::PauseOthers1Click);
  connect(AddItem(m, "QuickCapture1", "&Quick Capture (DblClk)", Qt::Key_Q), &QAction::triggered,
          this, &TfrmCamera::QuickCapture1Click);
  connect(AddItem(m, "ResumeAll1", "Resume &All", Qt::Key_A), &QAction::triggered, this,
          &TfrmCamera::ResumeAll1Click);
  m->addSeparator()->setObjectName("N2");
  connect(AddItem(m, "MultiCapture1", "&Multi-Capture"), &QAction::triggered, this,
          &TfrmCamera::MultiCapture1Click);
  QAction* suspend = AddItem(m, "SuspendMultiCapture1", "&Suspend Multi-Capture", Qt::Key_S);
  suspend->setCheckable(true);
  suspend->setData(kSuspendTag);
  connect(suspend, &QAction::triggered, this, &TfrmCamera::SuspendMultiCapture1Click);
  m->addSeparator()->setObjectName("N1");
  // The entry's address, password and the rest, changed where the camera is seen.
  connect(AddItem(m, "EditItem1", "Edit &Item..."), &QAction::triggered, this,
          [this] { FDesktop->EditCameraEntry(this); });
  connect(AddItem(m, "ViewHeaders1", "View Headers"), &QAction::triggered, this,
          &TfrmCamera::ViewHeaders1Click);
  connect(AddItem(m, "ViewAudioHeaders1", "View Audio Headers"), &QAction::triggered, this,
          &TfrmCamera::ViewAudioHeaders1Click);
  connect(AddItem(m, "ViewFlashback1", "View &Flashback", Qt::Key_F), &QAction::triggered, this,
          &TfrmCamera::ViewFlashback1Click);

  Style1 = new QMenu(QStringLiteral("&Style"), this);
  Style1->setObjectName("Style1");
  auto* group = new QActionGroup(Style1);
  QAction* mdi = AddItem(Style1, "MDIChild1", "&MDI-Child");
  QAction* popup = AddItem(Style1, "Popup1", "&Popup");
  QAction* top = AddItem(Style1, "StayonTop1", "&Stay on Top");
  for (QAction* item : {mdi, popup, top}) {
    item->setCheckable(true);
    group->addAction(item);
  }
  connect(mdi, &QAction::triggered, this, [this, mdi] {
    // With several desktops the item only opens the list of them.
    if (mdi->menu() != nullptr) return;
    const std::vector<TDesktopEntry>& desktops = DesktopList();
    MoveToDesktop(desktops.size() == 1 && desktops.front().Window != nullptr
                      ? desktops.front().Window.data()
                      : FDesktop);
  });
  connect(popup, &QAction::triggered, this, [this] { SetWindowStyle(csPopup); });
  connect(top, &QAction::triggered, this, [this] { SetWindowStyle(csStayOnTop); });
  connect(Style1, &QMenu::aboutToShow, this, &TfrmCamera::Style1Popup);
}

void TfrmCamera::BuildContextMenu() {
  FContextMenu = new QMenu(this);
  FContextMenu->setObjectName("PopupMenu1");
  for (QAction* item : Commands1->actions()) {
    if (item->isSeparator()) {
      FContextMenu->addSeparator();
      continue;
    }
    QAction* copy = FContextMenu->addAction(item->text());
    copy->setObjectName(item->objectName() + QStringLiteral("Copy"));
    copy->setData(item->data());
    copy->setCheckable(item->isCheckable());
    copy->setEnabled(item->isEnabled());
    connect(copy, &QAction::triggered, item, &QAction::trigger);
  }
  FContextMenu->addSeparator();
  QAction* close = FContextMenu->addAction(QStringLiteral("Close"));
  close->setObjectName("ContextClose1");
  connect(close, &QAction::triggered, this, &TfrmCamera::CloseWindow);
  connect(FContextMenu, &QMenu::aboutToShow, this, [this] {
    for (QAction* item : FContextMenu->actions()) {
      if (item->data().toInt() == kSuspendTag) item->setChecked(CaptureSuspended());
    }
  });
}

void TfrmCamera::contextMenuEvent(QContextMenuEvent* event) {
  FContextMenu->popup(event->globalPos());
}

QList<QMenu*> TfrmCamera::Menus() const {
  return {Commands1, Style1};
}

void TfrmCamera::Style1Popup() {
  // The desktops are listed afresh each time: they come and go.
  QAction* mdi = Style1->findChild<QAction*>(QStringLiteral("MDIChild1"));
  if (QMenu* old = mdi->menu()) {
    mdi->setMenu(nullptr);
    delete old;
  }
  const std::vector<TDesktopEntry>& desktops = DesktopList();
  if (desktops.size() >= 2) {
    auto* list = new QMenu(Style1);
    list->setObjectName("MDIChild1Menu");
    auto* group = new QActionGroup(list);
    for (const TDesktopEntry& desktop : desktops) {
      QAction* item = list->addAction(desktop.Name);
      item->setCheckable(true);
      item->setChecked(desktop.Window == FDesktop);
      group->addAction(item);
      QPointer<TfrmVexilon> target = desktop.Window;
      connect(item, &QAction::triggered, this, [this, target] {
        if (target != nullptr) MoveToDesktop(target);
      });
    }
    mdi->setMenu(list);
  }
  const char* name = FStyle == csMdiChild    ? "MDIChild1"
                     : FStyle == csStayOnTop ? "StayonTop1"
                                             : "Popup1";
  if (QAction* item = Style1->findChild<QAction*>(QString::fromLatin1(name)))
    item->setChecked(true);
}

void TfrmCamera::MoveToDesktop(TfrmVexilon* target) {
  if (target != FDesktop) {
    // The window leaves its MDI frame in the old area as it becomes a child of the new one, so
    // it need not pass through a window of its own on the way.
    FWindows->Removed(this);
    FDesktop = target;
    FWindows = target->CameraWindows();
    FWindows->Added(this);
  }
  SetWindowStyle(csMdiChild);
}

void TfrmCamera::SetWindowStyle(int style) {
  if (style != csMdiChild && style != csStayOnTop) style = csPopup;
  if (style == csMdiChild && (FDesktop == nullptr || FDesktop->MdiArea() == nullptr))
    style = csPopup;
  PaintBox1->SetNoPaint(true);
  const QSize client = PaintBox1->size();
  const bool wasActive = FWindows->Active() == this;
  if (wasActive && FDesktop != nullptr) FDesktop->UnmergeChildMenus();
  const QRect place = Frame()->geometry();
  const bool shown = !FSubWindow ? isVisible() : FSubWindow->isVisible();

  if (FSubWindow) {
    QMdiSubWindow* sub = FSubWindow;
    FSubWindow = nullptr;
    sub->setWidget(nullptr);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    if (QMdiArea* area = sub->mdiArea()) area->removeSubWindow(sub);
    sub->deleteLater();
  }
  FStyle = style;
  if (style == csMdiChild) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setParent(nullptr);
    // An MDI child's menus live in the desktop's bar while it is active, and nowhere else:
    // the shortcuts of inactive children must not compete with the active one's.
    FMenuBar->removeAction(Commands1->menuAction());
    FMenuBar->removeAction(Style1->menuAction());
    FMenuBar->setVisible(false);
    FSubWindow = FDesktop->MdiArea()->addSubWindow(this);
    FSubWindow->setAttribute(Qt::WA_DeleteOnClose);
    FSubWindow->setWindowTitle(windowTitle());
    FSubWindow->setWindowIcon(windowIcon());
    FSubWindow->show();
  } else {
    Qt::WindowFlags flags = Qt::Window;
    if (style == csStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    // A popup stays above its desktop window and is minimised with it; on top has no owner.
    setParent(style == csPopup ? FDesktop : nullptr, flags);
    setAttribute(Qt::WA_DeleteOnClose);
    if (FMenuBar->actions().isEmpty()) {
      FMenuBar->addMenu(Commands1);
      FMenuBar->addMenu(Style1);
    }
    FMenuBar->setVisible(true);
    if (shown) move(place.topLeft());
    show();
  }
  if (FWindows->Active() == this && style == csMdiChild && FDesktop != nullptr)
    FDesktop->MergeChildMenus(Menus());
  QCoreApplication::processEvents();
  SetClientSize(client.width(), client.height());
  PaintBox1->SetNoPaint(false);
  PaintBox1->update();
  if (style == csMdiChild && FDesktop != nullptr) {
    QMetaObject::invokeMethod(FDesktop, &TfrmVexilon::ArrangeCameras, Qt::QueuedConnection);
  }
}

}  // namespace vexilon
