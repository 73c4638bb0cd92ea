// Opening catalogue entries as camera windows, and an entry's default size following its
// camera's picture.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "ui/app/DesktopList.h"
#include "ui/app/MainWindow.h"
#include "ui/camera/CameraOptions.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/CameraWindows.h"
#include "ui/catalogue/CamOpenRequest.h"
#include "ui/catalogue/CatalogueController.h"
#include "ui/catalogue/TreeCommands.h"

namespace vexilon {

namespace {

TCameraOptions CameraOptionsFor(const TCamOpenRequest& request) {
  TCameraOptions options;
  // Copies through record text, as every descriptor copy is made.
  if (request.Video) options.Video.SetRecordText(request.Video->GetRecordText());
  if (request.Audio) options.Audio.SetRecordText(request.Audio->GetRecordText());
  options.Caption = request.Name;
  options.CatalogPath = request.CatalogPath;
  options.Style = request.Style == kPopupStyle ? csPopup : csMdiChild;
  options.CaptureFile = request.CaptureFile.toLocal8Bit().toStdString();
  return options;
}

}  // namespace

void TfrmVexilon::ConnectCatalogueToCameras() {
  TCatalogueTreeCommands* commands = FCatalogue->TreeCommands();
  commands->OnOpenEntry = [this](const TCamOpenRequest& request) {
    TfrmVexilon* desktop = request.Desktop != nullptr ? request.Desktop : this;
    // A maximised MDI child hands its state on to the window opened after it.
    QMdiSubWindow* active = desktop->MdiArea()->activeSubWindow();
    const bool maximise = request.Style == kMdiStyle && active != nullptr && active->isMaximized();
    if (maximise) active->showNormal();
    TfrmCamera* window = desktop->CameraWindows()->OpenCamera(CameraOptionsFor(request));
    if (maximise && window->SubWindow() != nullptr) window->SubWindow()->showMaximized();
  };
  commands->DesktopWindows = [] {
    std::vector<TDesktopChoice> choices;
    for (const TDesktopEntry& entry : DesktopList()) {
      if (entry.Window != nullptr) choices.push_back({entry.Name, entry.Window});
    }
    return choices;
  };
  connect(FCameraWindows, &TCameraWindows::ImageSize, this,
          [commands](TfrmCamera* window, int width, int height) {
            commands->ImageSize(width, height, window->CatalogPath());
          });
}

}  // namespace vexilon
