// Opening catalogue entries as camera windows, and an entry's default size following its
// camera's picture.
#include "ui/app/MainWindow.h"
#include "ui/camera/CameraSpec.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/CameraWindows.h"
#include "ui/catalogue/CamOpenRequest.h"
#include "ui/catalogue/CatalogueController.h"
#include "ui/catalogue/TreeCommands.h"

namespace vexilon {

namespace {

TCameraSpec CameraSpecFor(const TCamOpenRequest& request) {
  TCameraSpec spec;
  // Copies through record text, as every descriptor copy is made.
  if (request.Video) spec.Video.SetRecordText(request.Video->GetRecordText());
  if (request.Audio) spec.Audio.SetRecordText(request.Audio->GetRecordText());
  spec.Caption = request.Name;
  spec.CatalogPath = request.CatalogPath;
  spec.Style = request.Style == kPopupStyle ? csPopup : csMdiChild;
  spec.CaptureFile = request.CaptureFile.toLocal8Bit().toStdString();
  return spec;
}

}  // namespace

void TfrmVexilon::ConnectCatalogueToCameras() {
  TCatalogueTreeCommands* commands = FCatalogue->TreeCommands();
  commands->OnOpenEntry = [this](const TCamOpenRequest& request) {
    TfrmVexilon* desktop = request.Desktop != nullptr ? request.Desktop : this;
    desktop->CameraWindows()->OpenCamera(CameraSpecFor(request));
  };
  connect(FCameraWindows, &TCameraWindows::ImageSize, this,
          [commands](TfrmCamera* window, int width, int height) {
            commands->ImageSize(width, height, window->CatalogPath());
          });
}

}  // namespace vexilon
