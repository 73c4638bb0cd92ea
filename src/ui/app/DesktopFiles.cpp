// Desktop files, opening camera windows by their catalogue path, and further desktop windows.
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSplitter>
#include <algorithm>
#include <exception>

#include "core/app/ProgramPath.h"
#include "core/app/Settings.h"
#include "core/catalogue/CatalogueRules.h"
#include "core/desktop/DesktopFile.h"
#include "core/desktop/WindowLayout.h"
#include "ui/app/DesktopList.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/app/TextBytes.h"
#include "ui/app/WindowPlaces.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/CameraWindows.h"
#include "ui/catalogue/CatalogueController.h"
#include "ui/catalogue/TreeCommands.h"

namespace vexilon {

namespace {

// Values from a file are bounded before they reach a window: a huge size would have the
// window system allocate its backing store, a huge position overflow its geometry.
constexpr int kMaxPosition = 32767;

int Position(int value) {
  return std::clamp(value, -kMaxPosition, kMaxPosition);
}

int ClientSize(int value) {
  return std::clamp(value, 0, kMaxClientSize);
}

// The file numbers styles as the window system of its origin did: 3 is stay on top.
int FileStyle(int style) {
  return style == csPopup ? 0 : style == csStayOnTop ? 3 : 1;
}

int CameraStyle(int fileStyle) {
  return fileStyle == 0 ? csPopup : fileStyle == 3 ? csStayOnTop : csMdiChild;
}

QString DesktopFilter() {
  return QStringLiteral("Desktop Files (*.vxd)");
}

QString InitialDesktopFile() {
  return FromBytes(ExpandProgramPath("./VexiDesk.vxd"));
}

}  // namespace

TfrmVexilon* PrimaryDesktop() {
  for (const TDesktopEntry& entry : DesktopList()) {
    if (entry.Window != nullptr && entry.Window->Catalogue() != nullptr) return entry.Window;
  }
  return nullptr;
}

TfrmVexilon* TfrmVexilon::CreateDesktopWindow() {
  auto* window = new TfrmVexilon();
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->MakeSecondary(NextDesktopName());
  RestorePlace(*window, Settings().Remembered.DesktopWindow, true);
  window->show();
  return window;
}

void TfrmVexilon::MakeSecondary(const QString& name) {
  // The catalogue, its splitter and the program-wide menus belong to the first window.
  pnlLeft->hide();
  for (const char* menu : {"File1", "Options1"})
    findChild<QMenu*>(QString::fromLatin1(menu))->menuAction()->setVisible(false);
  setWindowTitle(name);
  AddToDesktopList(name, this);
  // Default sizes reported by camera windows here update the first window's catalogue.
  connect(FCameraWindows, &TCameraWindows::ImageSize, this,
          [](TfrmCamera* camera, int width, int height) {
            TfrmVexilon* primary = PrimaryDesktop();
            if (primary == nullptr || primary->Catalogue()->TreeCommands() == nullptr) return;
            primary->Catalogue()->TreeCommands()->ImageSize(width, height, camera->CatalogPath());
          });
}

QString TfrmVexilon::DesktopName() const {
  return vexilon::DesktopName(this);
}

void TfrmVexilon::CreateNew1Click() {
  CreateDesktopWindow();
}

void TfrmVexilon::OpenDesktop(const QString& file, bool inThisWindow) {
  TfrmVexilon* target = inThisWindow ? this : CreateDesktopWindow();
  try {
    target->LoadDesktop(ToBytes(file));
  } catch (const std::exception& e) {
    TDialogs::Error(target, FromBytes(e.what()));
  }
}

void TfrmVexilon::OpenDesktop1Click() {
  const QString file = TDialogs::OpenFileName(this, QStringLiteral("Open Desktop"),
                                              InitialDesktopFile(), DesktopFilter());
  if (!file.isEmpty()) OpenDesktop(file, true);
}

void TfrmVexilon::SaveDesktop1Click() {
  const QString file =
      TDialogs::SaveFileName(this, QStringLiteral("Save Desktop"), InitialDesktopFile(),
                             DesktopFilter(), QStringLiteral("vxd"));
  if (file.isEmpty()) return;
  try {
    SaveDesktop(ToBytes(file));
  } catch (const std::exception& e) {
    TDialogs::Error(this, FromBytes(e.what()));
  }
}

void TfrmVexilon::SaveDesktop(const std::string& file) {
  // The menu bar is no part of the client area the file speaks of.
  const TDesktopLine desktop{x(), y(), width(), height() - menuBar()->height(), 1, {}};
  std::vector<TDesktopLine> cameras;
  for (TfrmCamera* camera : FCameraWindows->Windows()) {
    const QPoint place = camera->Frame()->pos();
    const QSize client = camera->PictureBox()->size();
    cameras.push_back({place.x(), place.y(), client.width(), client.height(),
                       FileStyle(camera->WindowStyle()), camera->CatalogPath()});
  }
  WriteDesktopFile(file, desktop, cameras);
}

void TfrmVexilon::LoadDesktop(const std::string& file) {
  // Read in full first: a file that is not a desktop leaves the windows as they are.
  const std::vector<TDesktopLine> lines = ReadDesktopFile(file);
  FCameraWindows->CloseAll();
  for (const TDesktopLine& line : lines) {
    if (line.Path.empty())
      SetDesktopPlace(line.Left, line.Top, line.Width, line.Height);
    else  // a line without a usable size keeps the entry's own
      OpenCameraByPath(line.Path, line.Left, line.Top, line.Width > 0 ? line.Width : -1,
                       line.Height > 0 ? line.Height : -1, CameraStyle(line.Style));
  }
}

void TfrmVexilon::SetDesktopPlace(int left, int top, int width, int height) {
  // A size of nothing would leave a window that cannot be seen or grabbed: keep its own.
  const QSize size = width > 0 && height > 0
                         ? QSize(ClientSize(width), ClientSize(height) + menuBar()->height())
                         : this->size();
  // A desktop saved on a larger screen or at another scale opens where it can be seen.
  const QRect fitted =
      FitToScreen(QRect(QPoint(Position(left), Position(top)), size), AvailableScreen(*this));
  move(fitted.topLeft());
  resize(fitted.size());
}

namespace {

// The connection of the entry at path, with what its groups pass on; false when path leads to
// no entry.
bool EntryOptions(const std::string& path, TCameraOptions& options) {
  TfrmVexilon* primary = PrimaryDesktop();
  if (primary == nullptr || primary->Catalogue()->Catalogue().FRoot == nullptr) return false;
  const TCamBase* node = FindByPath(*primary->Catalogue()->Catalogue().FRoot, path);
  const TCamItem* entry = node != nullptr ? node->AsItem() : nullptr;
  if (entry == nullptr) return false;
  // Copies through record text, as every descriptor copy is made.
  options.Video.SetRecordText(entry->Video().GetRecordText());
  options.Audio.SetRecordText(entry->Audio().GetRecordText());
  ApplyByPath(EffectiveConnection(*entry), options.Video);
  // A camera has one certificate: its sound is trusted with its picture.
  options.Audio.CertPin = options.Video.CertPin;
  options.Caption = entry->Name;
  options.CatalogPath = path;
  return true;
}

}  // namespace

void TfrmVexilon::EditCameraEntry(TfrmCamera* camera) {
  TfrmVexilon* primary = PrimaryDesktop();
  if (primary == nullptr || primary->Catalogue()->TreeCommands() == nullptr) return;
  const QPointer<TfrmCamera> guard(camera);
  if (!primary->Catalogue()->TreeCommands()->EditEntryAt(camera->CatalogPath()) || !guard) return;
  TCameraOptions options;
  if (EntryOptions(camera->CatalogPath(), options)) camera->ApplyConnection(options);
}

void TfrmVexilon::TrustCameraCertificate(TfrmCamera* camera, const std::string& fingerprint) {
  TfrmVexilon* primary = PrimaryDesktop();
  const std::string path = camera->CatalogPath();
  TCamBase* node =
      primary != nullptr && primary->Catalogue()->Catalogue().FRoot != nullptr && !path.empty()
          ? FindByPath(*primary->Catalogue()->Catalogue().FRoot, path)
          : nullptr;
  TCamItem* entry = node != nullptr ? node->AsItem() : nullptr;
  if (entry == nullptr) {
    // A camera opened by its address alone keeps the trust while its window is open.
    camera->UseCertificatePin(fingerprint);
    return;
  }
  TCatalogue& catalogue = primary->Catalogue()->Catalogue();
  const bool otherChanges = catalogue.FCatalogChanged;
  entry->Video().CertPin = fingerprint;
  catalogue.FCatalogChanged = true;
  // Every window of the entry connects again, the one that asked among them.
  QList<QPointer<TfrmCamera>> windows;
  for (TfrmCamera* window : TCameraWindows::AllWindows())
    if (window->CatalogPath() == path) windows.append(window);
  for (const QPointer<TfrmCamera>& window : windows) {
    TCameraOptions options;
    if (window && EntryOptions(path, options)) window->ApplyConnection(options);
  }
  // Kept at once, so the camera is not asked about after a restart; changes of the user's own
  // still wait for the user's decision to save them.
  if (!otherChanges) primary->Catalogue()->SaveToCurrentFile();
}

TfrmCamera* TfrmVexilon::OpenCameraByPath(const std::string& path, int left, int top, int width,
                                          int height, int style) {
  TCameraOptions options;
  if (!EntryOptions(path, options)) return nullptr;
  options.Style = style;
  TfrmCamera* camera = FCameraWindows->OpenCamera(options);
  if (width != -1 || height != -1) {
    const QSize client = camera->PictureBox()->size();
    camera->SetClientSize(width != -1 ? ClientSize(width) : client.width(),
                          height != -1 ? ClientSize(height) : client.height());
  }
  if (left != -1 && top != -1) {
    QPoint at(Position(left), Position(top));
    // A window of its own must land on the screen; a child stays where its desktop says.
    if (camera->SubWindow() == nullptr)
      at = FitToScreen(QRect(at, camera->Frame()->size()), AvailableScreen(*camera)).topLeft();
    camera->Frame()->move(at);
  }
  return camera;
}

}  // namespace vexilon
