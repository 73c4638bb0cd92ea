#pragma once
#include <QCoreApplication>
#include <QMenu>
#include <QTest>
#include <functional>
#include <memory>

#include "UiTestSupport.h"
#include "core/net/ConnectThread.h"
#include "support/CamSim.h"
#include "ui/app/MainWindow.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/CameraWindows.h"
#include "ui/camera/SoundOutput.h"

namespace vexilon {

// Camera windows on a desktop window against one camsim shared by the suite's cases.
class TCameraTest : public TUiTest {
 protected:
  static void SetUpTestSuite() { FCamSim = new TCamSim(); }
  static void TearDownTestSuite() {
    delete FCamSim;
    FCamSim = nullptr;
  }
  void SetUp() override {
    TUiTest::SetUp();
    ASSERT_TRUE(FCamSim->Started()) << FCamSim->Error();
    CameraThreadConfig() = TConnectConfig();
    FDesktop = std::make_unique<TfrmVexilon>();
    FDesktop->resize(900, 700);
    FDesktop->show();
  }
  void TearDown() override {
    FDesktop.reset();
    CameraThreadConfig() = TConnectConfig();
    // The sound output lives as long as the process: no test leaves it switched on.
    Settings() = TSettings();
    SoundOutput().ApplySettings();
    TUiTest::TearDown();
  }

  static std::string Address(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(FCamSim->Port()) + path;
  }
  TCameraOptions Options(const std::string& path, const std::string& caption,
                         int style = csMdiChild) const {
    TCameraOptions options;
    options.Video.Web = Address(path);
    options.Video.Width = 160;
    options.Video.Height = 120;
    options.Caption = caption;
    options.CatalogPath = "Cameras:" + caption;
    options.Style = style;
    return options;
  }
  TfrmCamera* Open(const std::string& path, const std::string& caption, int style = csMdiChild) {
    return FDesktop->CameraWindows()->OpenCamera(Options(path, caption, style));
  }
  // Runs the event loop until done answers true or the time is up.
  static bool WaitFor(const std::function<bool()>& done, int milliseconds = 5000) {
    return QTest::qWaitFor(done, milliseconds);
  }
  static QAction* Item(QWidget* window, const char* name) { return Child<QAction>(*window, name); }

  static inline TCamSim* FCamSim = nullptr;
  std::unique_ptr<TfrmVexilon> FDesktop;
};

}  // namespace vexilon
