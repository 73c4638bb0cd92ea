#include "ui/camera/FlashbackWindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "core/app/AtomicFile.h"
#include "core/app/ProgramPath.h"
#include "core/app/Settings.h"
#include "core/capture/CaptureNames.h"
#include "core/imaging/Jpeg.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/app/WindowPlaces.h"

namespace vexilon {
namespace {

QImage DecodeForView(const std::string& jpeg) {
  TBitmap bitmap;
  if (!DecodeJpeg(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), bitmap))
    return QImage();
  return QImage(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, bitmap.Width * 3,
                QImage::Format_RGB888)
      .copy();
}

}  // namespace

// The frame, as large as the window allows with its proportions kept, centred.
class TfrmFlashback::TPictureView : public QWidget {
 public:
  TPictureView(TfrmFlashback& owner) : QWidget(&owner), FOwner(owner) {
    setObjectName("Image1");
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QImage& image = FOwner.Shown();
    if (image.isNull()) return;
    QSize size = image.size();
    size.scale(this->size(), Qt::KeepAspectRatio);
    QRect target(QPoint(), size);
    target.moveCenter(rect().center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
  }
  void mouseDoubleClickEvent(QMouseEvent*) override { FOwner.actQuickSaveExecute(); }

 private:
  TfrmFlashback& FOwner;
};

TfrmFlashback::TfrmFlashback(TfrmVexilon* desktop, QWidget* parent)
    : QWidget(parent, Qt::Window), FDesktop(desktop) {
  setObjectName("frmFlashback");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Flashback"));
  resize(414, 381);
  setMinimumWidth(265);
  RestorePlace(*this, Settings().Remembered.FlashbackWindow, false);

  actPrevious = AddAction("actPrevious", "Previous", Qt::Key_P);
  actNext = AddAction("actNext", "Next", Qt::Key_N);
  actQuickSave = AddAction("actQuickSave", "Quick Save", Qt::Key_Q);
  actSaveAs = AddAction("actSaveAs", "Save As...", Qt::Key_S);
  actClose = AddAction("actClose", "Close", Qt::Key_F4);
  actPrevious->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
  actNext->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
  connect(actPrevious, &QAction::triggered, this, &TfrmFlashback::actPreviousExecute);
  connect(actNext, &QAction::triggered, this, &TfrmFlashback::actNextExecute);
  connect(actQuickSave, &QAction::triggered, this, &TfrmFlashback::actQuickSaveExecute);
  connect(actSaveAs, &QAction::triggered, this, &TfrmFlashback::actSaveAsExecute);
  connect(actClose, &QAction::triggered, this, &QWidget::close);
  // The keys a picture viewer answers to, beside the menu's.
  actPrevious->setShortcuts({actPrevious->shortcut(), QKeySequence(Qt::Key_Left)});
  actNext->setShortcuts({actNext->shortcut(), QKeySequence(Qt::Key_Right)});
  actClose->setShortcuts({actClose->shortcut(), QKeySequence(Qt::Key_Escape)});
  const struct {
    const char* Name;
    Qt::Key Key;
    bool Last;
  } ends[] = {{"actFirst", Qt::Key_Home, false}, {"actLast", Qt::Key_End, true}};
  for (const auto& end : ends) {
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(end.Name));
    action->setShortcut(QKeySequence(end.Key));
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, last = end.Last] {
      FIndex = last ? std::max(0, Count() - 1) : 0;
      Refresh();
    });
  }
  FContextMenu = new QMenu(this);
  FContextMenu->addActions({actPrevious, actNext, actQuickSave, actSaveAs, actClose});

  auto* layout = new QVBoxLayout(this);
  Image1 = new TPictureView(*this);
  layout->addWidget(Image1, 1);
  lblPictureIndex = new QLabel(this);
  lblPictureIndex->setObjectName("lblPictureIndex");
  lblPictureIndex->setAlignment(Qt::AlignCenter);
  layout->addWidget(lblPictureIndex);
  auto* buttons = new QHBoxLayout();
  for (QAction* action : {actPrevious, actNext}) {
    auto* button = new QToolButton(this);
    button->setObjectName(action == actPrevious ? "btnPrevious" : "btnNext");
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName("btnClose");
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  buttons->addWidget(close);
  layout->addLayout(buttons);

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect place(QPoint(), size());
    place.moveCenter(screen->availableGeometry().center());
    move(place.topLeft());
  }
}

void TfrmFlashback::closeEvent(QCloseEvent* event) {
  RememberPlace(Settings().Remembered.FlashbackWindow, PlaceOf(*this));
  QWidget::closeEvent(event);
}

QAction* TfrmFlashback::AddAction(const char* name, const char* caption, int key) {
  auto* action = new QAction(QString::fromLatin1(caption), this);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(key)));
  action->setShortcutContext(Qt::WindowShortcut);
  addAction(action);
  return action;
}

void TfrmFlashback::Open(const std::string& baseName, const TFlashbackStore& store) {
  FBaseName = baseName;
  setWindowTitle(QString::fromLocal8Bit(baseName) + QStringLiteral(" - Flashback"));
  FFrames.assign(store.Frames().rbegin(), store.Frames().rend());
  FIndex = 0;
  Refresh();
  show();
}

QString TfrmFlashback::StatusLine() const {
  return lblPictureIndex->text();
}

void TfrmFlashback::Refresh() {
  const bool any = !FFrames.empty();
  actQuickSave->setEnabled(any);
  actSaveAs->setEnabled(any);
  actNext->setEnabled(any && FIndex < Count() - 1);
  actPrevious->setEnabled(any && FIndex >= 1);
  if (!any) {
    lblPictureIndex->setText(QStringLiteral("No Flashback Data is Available"));
    FShown = QImage();
  } else {
    const TFlashData& frame = FFrames[std::size_t(FIndex)];
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(frame.Time.time_since_epoch())
            .count());
    lblPictureIndex->setText(QStringLiteral("Image %1 of %2, %3")
                                 .arg(FIndex + 1)
                                 .arg(Count())
                                 .arg(time.toString(QStringLiteral("HH:mm:ss yyyy/MM/dd"))));
    FShown = DecodeForView(*frame.Jpeg);
  }
  Image1->update();
}

void TfrmFlashback::actPreviousExecute() {
  if (FIndex <= 0) return;
  --FIndex;
  Refresh();
}

void TfrmFlashback::actNextExecute() {
  if (FIndex >= Count() - 1) return;
  ++FIndex;
  Refresh();
}

bool TfrmFlashback::SaveShown(const std::string& path) {
  try {
    WriteFileAtomically(path, *FFrames[std::size_t(FIndex)].Jpeg);
    return true;
  } catch (const std::exception& e) {
    TDialogs::Error(this, QString::fromLocal8Bit(e.what()));
    return false;
  }
}

void TfrmFlashback::actQuickSaveExecute() {
  if (FIndex < 0 || FIndex >= Count()) return;
  // No counter is kept here: every save continues after the highest number on disk.
  int counter = 0;
  const std::string path =
      NextNumberedFileName(ExpandProgramPath("./CAPTURE"), FBaseName, ".jpg", counter);
  if (!SaveShown(path)) return;
  if (FDesktop != nullptr) {
    FDesktop->SetStatusText(QStringLiteral("Captured to file: ") +
                            QString::fromLocal8Bit(path.substr(path.find_last_of('/') + 1)));
  }
}

void TfrmFlashback::actSaveAsExecute() {
  if (FIndex < 0 || FIndex >= Count()) return;
  const QString path = TDialogs::SaveFileName(
      this, QStringLiteral("Save As"), QString::fromLocal8Bit(ExpandProgramPath("./CAPTURE")),
      QStringLiteral("JPEG Images (*.jpg *.jpeg)"), QStringLiteral("jpg"));
  if (!path.isEmpty()) SaveShown(path.toLocal8Bit().toStdString());
}

void TfrmFlashback::contextMenuEvent(QContextMenuEvent* event) {
  FContextMenu->popup(event->globalPos());
}

}  // namespace vexilon
