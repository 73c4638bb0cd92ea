#include "ui/app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "core/app/ProgramPath.h"
#include "core/app/Settings.h"
#include "core/app/Switches.h"
#include "core/catalogue/CamNodes.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/CatalogueRules.h"
#include "ui/app/AudioLevelPanel.h"
#include "ui/app/DesktopList.h"
#include "ui/app/Dialogs.h"
#include "ui/app/TextBytes.h"
#include "ui/app/WindowPlaces.h"
#include "ui/camera/CameraWindows.h"
#include "ui/camera/SoundOutput.h"
#include "ui/catalogue/CatalogueController.h"
#include "ui/catalogue/CatalogueTree.h"
#include "ui/catalogue/QtTreeNodes.h"

namespace vexilon {

namespace {

constexpr int kInitialWidth = 696;
constexpr int kInitialHeight = 480;
constexpr int kButtonStripHeight = 41;
constexpr int kFrameStatusWidth = 150;

TfrmVexilon* gMainWindowHandle = nullptr;

}  // namespace

TfrmVexilon* MainWindowHandle() {
  return gMainWindowHandle;
}

TfrmVexilon::TfrmVexilon(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmVexilon");
  setWindowTitle(QStringLiteral("Vexilon"));
  resize(kInitialWidth, kInitialHeight);

  Splitter1 = new QSplitter(Qt::Horizontal, this);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setHandleWidth(3);
  Splitter1->setChildrenCollapsible(false);
  pnlLeft = new QWidget(Splitter1);
  pnlLeft->setObjectName("pnlLeft");
  BuildLeftPanel(pnlLeft);
  FMdiArea = new QMdiArea(Splitter1);
  FMdiArea->setObjectName("MDIClient");
  // Windows arranged past the edges stay within reach.
  FMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  FMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  Splitter1->addWidget(pnlLeft);
  Splitter1->addWidget(FMdiArea);
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({kLeftPanelWidth, kInitialWidth - kLeftPanelWidth});
  setCentralWidget(Splitter1);
  connect(Splitter1, &QSplitter::splitterMoved, this, &TfrmVexilon::ArrangeCameras);

  BuildStatusBar();
  FCameraWindows = new TCameraWindows(*this);
  BuildMenus();
  SetArrangeHandler([this] { Fit(); });

  gMainWindowHandle = this;
  FSettingsFromFile = ReadSettings(ExpandProgramPath("./Vexilon.ini"), Settings());
  SoundOutput().ApplySettings();
}

TfrmVexilon::~TfrmVexilon() {
  if (gMainWindowHandle == this) gMainWindowHandle = nullptr;
  RemoveFromDesktopList(this);
  // Camera windows go first: they report to this window while they close.
  delete FCameraWindows;
  FCameraWindows = nullptr;
  // The catalogue deletes its tree rows as it goes, so it must go while the tree still exists.
  delete FCatalogue;
  FCatalogue = nullptr;
  if (SettingsChanged) SaveSettings();
}

void TfrmVexilon::BuildLeftPanel(QWidget* panel) {
  _tv = new TCatalogueTree(panel);
  _tv->setObjectName("_tv");
  FTreeNodes = new TQtTreeNodes(_tv);

  auto* strip = new QWidget(panel);
  strip->setObjectName("pnlButtons");
  strip->setFixedHeight(kButtonStripHeight);
  auto* grid = new QGridLayout(strip);
  grid->setContentsMargins(2, 2, 2, 2);
  grid->setSpacing(3);
  const struct {
    const char* Name;
    const char* Caption;
    int Row;
    int Column;
  } buttons[] = {{"btnNewGroup", "New Group", 0, 0},
                 {"btnNewEntry", "New Entry", 0, 1},
                 {"btnDelete", "Delete", 1, 0},
                 {"btnEdit", "Edit Item", 1, 1}};
  // The buttons are small (about 61 x 17); a smaller face keeps their captions whole.
  QFont buttonFont = strip->font();
  buttonFont.setPointSizeF(buttonFont.pointSizeF() * 0.8);
  for (const auto& b : buttons) {
    auto* button = new QPushButton(QString::fromLatin1(b.Caption), strip);
    button->setFont(buttonFont);
    button->setObjectName(QString::fromLatin1(b.Name));
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    // The catalogue's tree commands enable them once the window holds the catalogue.
    button->setEnabled(false);
    grid->addWidget(button, b.Row, b.Column);
  }

  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(_tv, 1);
  layout->addWidget(strip);
}

void TfrmVexilon::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  FFrameStatus = new QLabel(bar);
  FFrameStatus->setObjectName("pnlFrameStatus");
  FFrameStatus->setFixedWidth(kFrameStatusWidth);
  FAudioLevel = new TAudioLevelPanel(bar);
  FStatusText = new QLabel(bar);
  FStatusText->setObjectName("pnlStatusText");
  bar->addWidget(FFrameStatus);
  bar->addWidget(FAudioLevel);
  bar->addWidget(FStatusText, 1);

  // The sound's loudness and muting, the same in every desktop window and kept between runs.
  FMute = new QToolButton(bar);
  FMute->setObjectName("btnMute");
  FMute->setCheckable(true);
  FMute->setAutoRaise(true);
  FMute->setToolTip(QStringLiteral("Mute the sound"));
  FVolume = new QSlider(Qt::Horizontal, bar);
  FVolume->setObjectName("sldVolume");
  FVolume->setRange(0, 100);
  FVolume->setFixedWidth(80);
  FVolume->setToolTip(QStringLiteral("Volume"));
  bar->addPermanentWidget(FMute);
  bar->addPermanentWidget(FVolume);
  ShowSoundControls();
  connect(FMute, &QToolButton::toggled, this, [this](bool muted) {
    if (muted == Settings().Remembered.Mute) return;
    Settings().Remembered.Mute = muted;
    SoundControlsChanged(true);
  });
  connect(FVolume, &QSlider::valueChanged, this, [this](int volume) {
    if (volume == Settings().Remembered.Volume) return;
    Settings().Remembered.Volume = volume;
    SoundControlsChanged(!FVolume->isSliderDown());
  });
  connect(FVolume, &QSlider::sliderReleased, this, [this] { SoundControlsChanged(true); });
}

void TfrmVexilon::ShowSoundControls() {
  const TRemembered& remembered = Settings().Remembered;
  const QSignalBlocker muteQuiet(FMute), volumeQuiet(FVolume);
  FMute->setChecked(remembered.Mute);
  FMute->setIcon(style()->standardIcon(remembered.Mute ? QStyle::SP_MediaVolumeMuted
                                                       : QStyle::SP_MediaVolume));
  FVolume->setValue(remembered.Volume);
  FVolume->setEnabled(!remembered.Mute);
}

void TfrmVexilon::SoundControlsChanged(bool save) {
  SoundOutput().ApplySettings();
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* desktop = qobject_cast<TfrmVexilon*>(window)) desktop->ShowSoundControls();
  if (save) SaveSettings();
}

void TfrmVexilon::StartPrimary(bool previousInstance) {
  FPrimary = true;
  AddToDesktopList(QStringLiteral("Primary"), this);
  if (FCatalogue == nullptr) {
    FCatalogue = new TCatalogueController(*this);
    SetOpenHandler([this] { FCatalogue->Open(); });
    SetSaveHandler([this] { return FCatalogue->Save(); });
    if (!FLoadHandler) SetLoadHandler([this] { FCatalogue->LoadAtStartup(); });
    ConnectCatalogueToCameras();
  }
  if (FLoadHandler) FLoadHandler();
  RestoreRememberedLayout();
  // A welcome for a new program folder, not a browser at every start: the configuration file
  // written now tells the next start that this one has been.
  if (!SwitchPresent("NOWEB") && !previousInstance && !FSettingsFromFile) {
    OpenWebLink(1);
    try {
      WriteSettings(ExpandProgramPath("./Vexilon.ini"), Settings());
      FSettingsFromFile = true;
    } catch (const std::exception&) {
      // A folder that cannot be written shows that at the first real save.
    }
  }
  // Opened once the event loop runs, so that start-up finishes first.
  const QString desktop = FromBytes(SwitchValue("D"));
  if (!desktop.isEmpty())
    QTimer::singleShot(0, this, [this, desktop] { OpenDesktop(desktop, true); });
  const QString play = FromBytes(SwitchValue("P"));
  if (!play.isEmpty()) QTimer::singleShot(0, this, [this, play] { PlayFile(play); });
}

void TfrmVexilon::SetOpenHandler(std::function<void()> handler) {
  FOpenHandler = std::move(handler);
  if (QAction* item = findChild<QAction*>("Open1")) item->setEnabled(bool(FOpenHandler));
}

void TfrmVexilon::SetSaveHandler(std::function<bool()> handler) {
  FSaveHandler = std::move(handler);
  if (QAction* item = findChild<QAction*>("Save1")) item->setEnabled(bool(FSaveHandler));
}

void TfrmVexilon::SetLoadHandler(std::function<void()> handler) {
  FLoadHandler = std::move(handler);
}

void TfrmVexilon::SetArrangeHandler(std::function<void()> handler) {
  FArrangeHandler = std::move(handler);
}

void TfrmVexilon::ArrangeCameras() {
  if (FArrangeHandler) FArrangeHandler();
}

void TfrmVexilon::MergeChildMenus(const QList<QMenu*>& menus) {
  UnmergeChildMenus();
  for (QMenu* menu : menus) menuBar()->insertMenu(FFavoritesMenu->menuAction(), menu);
  FMergedMenus = menus;
}

void TfrmVexilon::UnmergeChildMenus() {
  for (QMenu* menu : FMergedMenus) menuBar()->removeAction(menu->menuAction());
  FMergedMenus.clear();
}

QString TfrmVexilon::FrameStatusText() const {
  return FFrameStatus->text();
}

QString TfrmVexilon::StatusText() const {
  return FStatusText->text();
}

bool TfrmVexilon::SaveSettings() {
  try {
    WriteSettings(ExpandProgramPath("./Vexilon.ini"), Settings());
    FSettingsFromFile = true;
    return true;
  } catch (const std::exception& e) {
    TDialogs::Error(this, QString::fromLocal8Bit(e.what()));
    return false;
  }
}

void TfrmVexilon::AudioLevel(int prebuffering, int level) {
  FAudioLevel->SetLevel(prebuffering != 0, level);
}

void TfrmVexilon::CamStatus(int width, int height, int frameCount) {
  QString text;
  if (frameCount != 0) {
    text = QStringLiteral("%1 frames").arg(frameCount);
    if (width != 0 || height != 0) text += QStringLiteral(" (%1x%2)").arg(width).arg(height);
  }
  FFrameStatus->setText(text);
}

void TfrmVexilon::SetStatusText(const QString& text) {
  FStatusText->setText(text);
  FStatusTime = QDateTime::currentDateTime();
}

void TfrmVexilon::RemoteRequest(const QString& switchName, const QString& file) {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
  if (switchName == QLatin1String("P"))
    PlayFile(file);
  else if (switchName == QLatin1String("D"))
    OpenDesktop(file, false);
}

void TfrmVexilon::Open1Click() {
  if (FOpenHandler) FOpenHandler();
}

void TfrmVexilon::Save1Click() {
  if (FSaveHandler) FSaveHandler();
}

void TfrmVexilon::Exit1Click() {
  close();
}

bool TfrmVexilon::CatalogChanged() const {
  return FCatalogue != nullptr ? FCatalogue->Catalogue().FCatalogChanged : FCatalogChanged;
}

void TfrmVexilon::SetCatalogChanged(bool changed) {
  if (FCatalogue != nullptr) FCatalogue->Catalogue().FCatalogChanged = changed;
  FCatalogChanged = changed;
}

bool TfrmVexilon::FavoritesChanged() const {
  return FCatalogue != nullptr ? FCatalogue->Catalogue().FFavoritesChanged : FFavoritesChanged;
}

void TfrmVexilon::SetFavoritesChanged(bool changed) {
  if (FCatalogue != nullptr) FCatalogue->Catalogue().FFavoritesChanged = changed;
  FFavoritesChanged = changed;
}

void TfrmVexilon::RestoreRememberedLayout() {
  const TRemembered& remembered = Settings().Remembered;
  RestorePlace(*this, remembered.MainWindow, true);
  if (remembered.TreeWidth > 0) {
    const int total = Splitter1->sizes().value(0) + Splitter1->sizes().value(1);
    Splitter1->setSizes({remembered.TreeWidth, std::max(1, total - remembered.TreeWidth)});
  }
  if (FCatalogue == nullptr || FCatalogue->Catalogue().FRoot == nullptr) return;
  // Outer folders first, so that each inner one has its row by the time it is opened.
  std::vector<std::string> paths = remembered.Expanded;
  std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
    return std::count(a.begin(), a.end(), ':') < std::count(b.begin(), b.end(), ':');
  });
  for (const std::string& path : paths) {
    TCamBase* node = FindByPath(*FCatalogue->Catalogue().FRoot, path);
    if (node != nullptr && node->AsRoot() != nullptr && node->TreeNode() != nullptr)
      node->TreeNode()->SetExpanded(true);
  }
}

void TfrmVexilon::RememberLayout() {
  TRemembered& remembered = Settings().Remembered;
  if (!FPrimary) {
    RememberPlace(remembered.DesktopWindow, PlaceOf(*this));
    return;
  }
  remembered.TreeWidth = pnlLeft->width();
  remembered.Expanded.clear();
  // Rows exist only inside open folders, so the open ones are found among the rows.
  std::vector<QTreeWidgetItem*> rows;
  for (int i = 0; i < _tv->topLevelItemCount(); ++i) rows.push_back(_tv->topLevelItem(i));
  while (!rows.empty() && remembered.Expanded.size() < kMaxRememberedFolders) {
    QTreeWidgetItem* row = rows.back();
    rows.pop_back();
    if (!row->isExpanded()) continue;
    const TQtTreeNode* node = TQtTreeNodes::NodeOf(row);
    if (node != nullptr && node->Data() != nullptr && node->Data()->Parent() != nullptr)
      remembered.Expanded.push_back(CatalogPath(*node->Data()));
    for (int i = 0; i < row->childCount(); ++i) rows.push_back(row->child(i));
  }
  RememberPlace(remembered.MainWindow, PlaceOf(*this));
  SettingsChanged = true;  // written as the window goes, with the folders
}

bool TfrmVexilon::FormCloseQuery() {
  if (!CatalogChanged() && !FavoritesChanged()) return true;
  switch (TDialogs::Confirm(this, QStringLiteral("Connections have changed, do you want to save?"),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      return FSaveHandler && FSaveHandler();
    case QMessageBox::No:
      return true;
    default:
      return false;
  }
}

void TfrmVexilon::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  StopDesktopCapture();
  RememberLayout();
  FCameraWindows->CloseAll();
  FMdiArea->closeAllSubWindows();
  event->accept();
  // The first desktop window's end is the program's: the others go with it.
  if (FPrimary) {
    const std::vector<TDesktopEntry> desktops = DesktopList();
    for (const TDesktopEntry& desktop : desktops) {
      if (desktop.Window != nullptr && desktop.Window != this) desktop.Window->close();
    }
  }
}

}  // namespace vexilon
