// The playback window's widgets: the picture area above a panel of position, buttons, speed,
// zoom and window choice, and its menus.
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/playback/PlaybackLayout.h"
#include "core/playback/PlaybackPacing.h"
#include "ui/playback/PlaybackView.h"
#include "ui/playback/PlaybackWindow.h"

namespace vexilon {
namespace {

// The speed labels, each centred under its tick of the slider above.
class TSpeedScale : public QWidget {
 public:
  TSpeedScale(QSlider* slider, QWidget* parent) : QWidget(parent), FSlider(slider) {
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    setFont(small);
    setFixedHeight(fontMetrics().height() + 2);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    static const char* const kLabels[kPlaybackSpeedCount] = {"R/4", "R/2", "Real", "50", "250",
                                                             "500", "1s",  "2.5s", "5s", "10s"};
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const int handle = FSlider->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, FSlider);
    const int span = FSlider->width() - handle;
    const int left = FSlider->mapTo(parentWidget(), QPoint()).x() - x() + handle / 2;
    for (int i = 0; i < kPlaybackSpeedCount; ++i) {
      const int centre =
          left + QStyle::sliderPositionFromValue(0, kPlaybackSpeedCount - 1, i, span);
      QRect cell(centre - 30, 0, 60, height());
      painter.drawText(cell, Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(kLabels[i]));
    }
  }

 private:
  QSlider* FSlider;
};

// Tool buttons with icon and caption: the row keeps room for the time stamp in a narrow window.
QToolButton* AddButton(QHBoxLayout* row, QWidget* parent, const char* name, const QString& caption,
                       QStyle::StandardPixmap icon) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(caption);
  if (icon != QStyle::SP_CustomBase) {
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  }
  button->setFocusPolicy(Qt::TabFocus);
  row->addWidget(button);
  return button;
}

}  // namespace

void TfrmPlayback::BuildBottomPanel(QWidget* central) {
  ScrollBox1 = new QScrollArea(central);
  ScrollBox1->setObjectName("ScrollBox1");
  ScrollBox1->setWidgetResizable(true);
  ScrollBox1->setBackgroundRole(QPalette::Base);
  FView = new TPlaybackView(ScrollBox1);
  ScrollBox1->setWidget(FView);
  connect(FView, &TPlaybackView::WindowPressed, this, &TfrmPlayback::WindowPressed);
  connect(FView, &TPlaybackView::WindowDoubleClicked, this, &TfrmPlayback::ViewFullSize1Click);

  auto* panel = new QWidget(central);
  panel->setObjectName("Panel1");
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(6, 4, 6, 6);
  panelLayout->setSpacing(4);

  TrackBar1 = new QSlider(Qt::Horizontal, panel);
  TrackBar1->setObjectName("TrackBar1");
  TrackBar1->setRange(0, 0);
  TrackBar1->setPageStep(10);
  connect(TrackBar1, &QSlider::valueChanged, this, &TfrmPlayback::TrackBarMoved);
  panelLayout->addWidget(TrackBar1);

  auto* buttons = new QHBoxLayout();
  buttons->setSpacing(4);
  connect(AddButton(buttons, panel, "btnPlay", QStringLiteral("&Play"), QStyle::SP_MediaPlay),
          &QToolButton::clicked, this, &TfrmPlayback::btnPlayClick);
  connect(AddButton(buttons, panel, "btnStop", QStringLiteral("&Stop"), QStyle::SP_MediaStop),
          &QToolButton::clicked, this, &TfrmPlayback::btnStopClick);
  connect(AddButton(buttons, panel, "btnRewind", QStringLiteral("&Rewind"),
                    QStyle::SP_MediaSkipBackward),
          &QToolButton::clicked, this, &TfrmPlayback::btnRewindClick);
  connect(AddButton(buttons, panel, "btnBack", QStringLiteral("&<<"), QStyle::SP_CustomBase),
          &QToolButton::clicked, this, &TfrmPlayback::btnBackClick);
  connect(AddButton(buttons, panel, "btnForward", QStringLiteral("&>>"), QStyle::SP_CustomBase),
          &QToolButton::clicked, this, &TfrmPlayback::btnForwardClick);
  QToolButton* cut =
      AddButton(buttons, panel, "btnCut", QStringLiteral("Cut"), QStyle::SP_CustomBase);
  cut->setToolTip(
      QStringLiteral("Mark the frame on display as the first of a range, or the "
                     "last, and choose what to do with the range"));
  connect(cut, &QToolButton::clicked, this, &TfrmPlayback::btnCutClick);
  const char* const tips[][2] = {{"btnPlay", "Play (Ctrl+P)"},
                                 {"btnStop", "Stop (Ctrl+S)"},
                                 {"btnRewind", "Rewind (Ctrl+R)"},
                                 {"btnBack", "Back One (Ctrl+B)"},
                                 {"btnForward", "Forward One (Ctrl+F)"}};
  for (const auto& tip : tips)
    panel->findChild<QToolButton*>(QString::fromLatin1(tip[0]))
        ->setToolTip(QString::fromLatin1(tip[1]));
  buttons->addStretch(1);
  lblTime = new QLabel(panel);
  lblTime->setObjectName("lblTime");
  lblTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  buttons->addWidget(lblTime);
  panelLayout->addLayout(buttons);

  auto* lower = new QHBoxLayout();
  lower->setSpacing(12);
  auto* speedBox = new QGroupBox(QStringLiteral("Playback Speed"), panel);
  speedBox->setObjectName("gbSpeed");
  auto* speedLayout = new QVBoxLayout(speedBox);
  speedLayout->setContentsMargins(8, 4, 8, 6);
  speedLayout->setSpacing(0);
  auto* unit = new QLabel(QStringLiteral("(in milliseconds)"), speedBox);
  unit->setObjectName("lblSpeedUnit");
  unit->setAlignment(Qt::AlignRight);
  unit->setForegroundRole(QPalette::PlaceholderText);
  speedLayout->addWidget(unit);
  trkSpeed = new QSlider(Qt::Horizontal, speedBox);
  trkSpeed->setObjectName("trkSpeed");
  trkSpeed->setRange(0, kPlaybackSpeedCount - 1);
  trkSpeed->setValue(kDefaultPlaybackSpeed);
  trkSpeed->setPageStep(1);
  trkSpeed->setTickPosition(QSlider::TicksBelow);
  trkSpeed->setTickInterval(1);
  speedLayout->addWidget(trkSpeed);
  speedLayout->addWidget(new TSpeedScale(trkSpeed, speedBox));
  ProgressBar1 = new QProgressBar(speedBox);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setMaximumHeight(8);
  ProgressBar1->hide();
  speedLayout->addSpacing(4);
  speedLayout->addWidget(ProgressBar1);
  lower->addWidget(speedBox, 3);

  auto* choices = new QFormLayout();
  choices->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  cbZoom = new QComboBox(panel);
  cbZoom->setObjectName("cbZoom");
  for (const char* zoom : {"0.25x", "0.5x", "1.0x", "1.5x", "2.0x", "3.0x", "4.0x"})
    cbZoom->addItem(QString::fromLatin1(zoom));
  cbZoom->setCurrentIndex(kDefaultZoomChoice);
  connect(cbZoom, &QComboBox::currentIndexChanged, this, &TfrmPlayback::ZoomChanged);
  auto* zoomLabel = new QLabel(QStringLiteral("&Zoom"), panel);
  zoomLabel->setBuddy(cbZoom);
  choices->addRow(zoomLabel, cbZoom);
  cbWindow = new QComboBox(panel);
  cbWindow->setObjectName("cbWindow");
  cbWindow->setMinimumContentsLength(16);
  cbWindow->setPlaceholderText(QStringLiteral("(choose a window)"));
  connect(cbWindow, &QComboBox::activated, this, &TfrmPlayback::WindowChosen);
  auto* windowLabel = new QLabel(QStringLiteral("Select &Window"), panel);
  windowLabel->setBuddy(cbWindow);
  choices->addRow(windowLabel, cbWindow);
  lower->addLayout(choices, 2);
  panelLayout->addLayout(lower);

  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ScrollBox1, 1);
  layout->addWidget(panel);
}

QAction* TfrmPlayback::AddAction(QMenu* menu, const char* name, const QString& caption,
                                 QKeySequence key) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  if (!key.isEmpty()) {
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    // Also for the context menu's items, which are in no menu of the bar.
    addAction(action);
  }
  return action;
}

void TfrmPlayback::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName("File1");
  connect(AddAction(file, "Open1", QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O)),
          &QAction::triggered, this, &TfrmPlayback::Open1Click);
  connect(AddAction(file, "OpenNext1", QStringLiteral("Open &Next"),
                    QKeySequence(Qt::CTRL | Qt::Key_BracketRight)),
          &QAction::triggered, this, &TfrmPlayback::OpenNext1Click);
  connect(AddAction(file, "OpenPrior1", QStringLiteral("Open &Prior"),
                    QKeySequence(Qt::CTRL | Qt::Key_BracketLeft)),
          &QAction::triggered, this, &TfrmPlayback::OpenPrior1Click);
  connect(AddAction(file, "ExportVideo1", QStringLiteral("&Export Video\u2026"),
                    QKeySequence(Qt::CTRL | Qt::Key_E)),
          &QAction::triggered, this, &TfrmPlayback::ExportVideo1Click);
  file->addSeparator();
  connect(AddAction(file, "Exit1", QStringLiteral("E&xit"), QKeySequence(Qt::ALT | Qt::Key_X)),
          &QAction::triggered, this, &QWidget::close);

  QMenu* actions = menuBar()->addMenu(QStringLiteral("&Actions"));
  actions->setObjectName("Actions1");
  const struct {
    const char* Name;
    const char* Caption;
    Qt::Key Key;
    void (TfrmPlayback::*Command)();
  } commands[] = {{"Play1", "&Play", Qt::Key_P, &TfrmPlayback::btnPlayClick},
                  {"Stop1", "&Stop", Qt::Key_S, &TfrmPlayback::btnStopClick},
                  {"Rewind1", "&Rewind", Qt::Key_R, &TfrmPlayback::btnRewindClick},
                  {"ForwardOne1", "&Forward One", Qt::Key_F, &TfrmPlayback::btnForwardClick},
                  {"BackOne1", "&Back One", Qt::Key_B, &TfrmPlayback::btnBackClick}};
  for (const auto& command : commands) {
    connect(AddAction(actions, command.Name, QString::fromLatin1(command.Caption),
                      QKeySequence(Qt::CTRL | command.Key)),
            &QAction::triggered, this, command.Command);
  }

  QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
  options->setObjectName("Options1");
  QAction* arrange = AddAction(options, "AutoArrange1", QStringLiteral("&Auto-Arrange"), {});
  arrange->setCheckable(true);
  connect(arrange, &QAction::triggered, this, &TfrmPlayback::AutoArrange1Click);

  FWindowMenu = new QMenu(this);
  FWindowMenu->setObjectName("PopupMenu1");
  connect(AddAction(FWindowMenu, "ViewFullSize1", QStringLiteral("&View Full-Size"),
                    QKeySequence(Qt::CTRL | Qt::Key_V)),
          &QAction::triggered, this, &TfrmPlayback::ViewFullSize1Click);
  connect(AddAction(FWindowMenu, "ClipFrame1", QStringLiteral("&Clip Frame"),
                    QKeySequence(Qt::CTRL | Qt::Key_C)),
          &QAction::triggered, this, &TfrmPlayback::ClipFrame1Click);
  connect(AddAction(FWindowMenu, "QuickSave1", QStringLiteral("&Quick Save"),
                    QKeySequence(Qt::CTRL | Qt::Key_Q)),
          &QAction::triggered, this, &TfrmPlayback::QuickSave1Click);
  // Ctrl+S is Stop in this window, so Save As takes the shifted key, shown and bound.
  connect(AddAction(FWindowMenu, "SaveAs1", QStringLiteral("&Save As..."),
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)),
          &QAction::triggered, this, &TfrmPlayback::SaveAs1Click);
  FWindowMenu->addSeparator();
  connect(AddAction(FWindowMenu, "Explode1", QStringLiteral("&Explode into many .JPG files"), {}),
          &QAction::triggered, this, &TfrmPlayback::Explode1Click);
  connect(AddAction(FWindowMenu, "Extract1", QStringLiteral("E&xtract window into .VMC file"), {}),
          &QAction::triggered, this, &TfrmPlayback::Extract1Click);
}

}  // namespace vexilon
