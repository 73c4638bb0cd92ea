#include <QAction>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "UiTestSupport.h"
#include "core/imaging/Jpeg.h"
#include "ui/app/MainWindow.h"
#include "ui/app/ViewGraphic.h"

namespace vexilon {
namespace {

// A picture of width × height in two colours, left half red and right half blue, so that a
// mirrored or shifted picture would show.
TBitmap TwoColourBitmap(int width, int height) {
  TBitmap bitmap;
  bitmap.Width = width;
  bitmap.Height = height;
  bitmap.Pixels.resize(std::size_t(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &bitmap.Pixels[(std::size_t(y) * width + x) * 3];
      p[0] = x < width / 2 ? 255 : 0;
      p[2] = x < width / 2 ? 0 : 255;
    }
  return bitmap;
}

class TViewGraphicTest : public TUiTest {
 protected:
  void SetUp() override {
    TUiTest::SetUp();
    FDesktop = new TfrmVexilon();
  }
  void TearDown() override {
    delete FDesktop;  // takes its viewer windows with it
    TUiTest::TearDown();
  }

  // File -> View Image answered with fileName; the viewer it opened, or null.
  TfrmViewGraphic* ViewImage(const std::string& fileName) {
    TDialogs::SetNextFileName(QString::fromStdString(fileName));
    Child<QAction>(*FDesktop, "ViewImage1")->trigger();
    return FDesktop->findChild<TfrmViewGraphic*>();
  }
  void Write(const char* name, const std::string& bytes) { WriteFileAtomically(File(name), bytes); }

  TfrmVexilon* FDesktop = nullptr;
};

TEST_F(TViewGraphicTest, JpegIsStretchedOverTheWindowWhichGoesWhenClosed) {
  Write("shot.jpg", EncodeJpeg(TwoColourBitmap(64, 48), 90));
  TfrmViewGraphic* viewer = ViewImage(File("shot.jpg"));
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  // Stretched: a larger client area still shows the left half red and the right half blue.
  viewer->resize(200, 100);
  const QImage shown = viewer->grab().toImage();
  EXPECT_GT(qRed(shown.pixel(10, 50)), 200);
  EXPECT_LT(qBlue(shown.pixel(10, 50)), 60);
  EXPECT_GT(qBlue(shown.pixel(190, 50)), 200);
  EXPECT_LT(qRed(shown.pixel(190, 50)), 60);

  QPointer<TfrmViewGraphic> guard(viewer);
  viewer->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
}

TEST_F(TViewGraphicTest, JpegByItsBytesOrAnyToolkitFormatOpensAtItsSizeWithinTheScreen) {
  QImage png(40, 10, QImage::Format_RGB32);
  png.fill(Qt::green);
  ASSERT_TRUE(png.save(QString::fromStdString(File("real.png"))));
  const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
  const struct {
    const char* Name;
    QSize Picture, Window;  // a JPEG is written for every row but the PNG
  } rows[] = {{"misnamed.png", {30, 20}, {30, 20}},
              {"shot.jpg", {64, 48}, {64, 48}},
              {"real.png", {40, 10}, {40, 10}},
              {"wide.jpg",
               {screen.width() + 300, screen.height() / 2},
               {screen.width(), screen.height() / 2}},
              {"big.jpg", {screen.width() + 10, screen.height() + 300}, screen}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    if (std::string(row.Name) != "real.png")
      Write(row.Name, EncodeJpeg(TwoColourBitmap(row.Picture.width(), row.Picture.height()), 50));
    TfrmViewGraphic* viewer = ViewImage(File(row.Name));
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->Picture().size(), row.Picture);
    EXPECT_EQ(viewer->size(), row.Window);
    EXPECT_EQ(TDialogs::MessageCount(), 0);
    delete viewer;
  }
  EXPECT_TRUE(PictureFileFilter().contains("*.jpg"));
  EXPECT_TRUE(PictureFileFilter().contains("*.png"));
}

TEST_F(TViewGraphicTest, UnreadableFilesGiveAnErrorAndNoWindow) {
  const std::string jpeg = EncodeJpeg(TwoColourBitmap(16, 16), 90);
  const struct {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"text.jpg", "this is no picture"},
      {"empty.jpg", ""},
      {"header.jpg", jpeg.substr(0, 3)},  // the JPEG marker and nothing else
      {"garbage.png", std::string("\x89PNG\r\n\x1a\n\xff\xff\xff\xff", 12)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Write(c.Name, c.Bytes);
    TDialogs::Reset();
    EXPECT_EQ(ViewImage(File(c.Name)), nullptr);
    EXPECT_EQ(TDialogs::MessageCount(), 1);
    EXPECT_EQ(TDialogs::LastMessageText().toStdString(),
              "Cannot show " + File(c.Name) + ": not a picture this viewer can read");
  }
  TDialogs::Reset();
  EXPECT_EQ(ViewImage(File("missing.jpg")), nullptr);
  EXPECT_EQ(TDialogs::MessageCount(), 1);
  // A cancelled file dialog opens nothing and says nothing.
  EXPECT_EQ(ViewImage(""), nullptr);
  EXPECT_EQ(TDialogs::MessageCount(), 1);
}

}  // namespace
}  // namespace vexilon
