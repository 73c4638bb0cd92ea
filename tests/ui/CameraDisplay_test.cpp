#include <QImage>
#include <QTest>

#include "UiTestSupport.h"
#include "ui/camera/FrameDecoder.h"
#include "ui/camera/PictureBox.h"
#include "ui/camera/PictureGeometry.h"

namespace vexilon {
namespace {

using TCameraDisplayTest = TUiTest;

TEST(PictureGeometry, FittedRectangles) {
  struct {
    int W, H, PW, PH;
    bool Aspect;
    TRect Expected;
    int FitW, FitH;
  } rows[] = {
      {400, 240, 320, 240, false, {0, 0, 400, 240}, 0, 0},      // aspect off: everything
      {400, 240, 320, 240, true, {40, 0, 360, 240}, 320, 240},  // bars left and right
      {320, 400, 320, 240, true, {0, 80, 320, 320}, 320, 240},  // bars above and below
      {400, 240, 1, 1, true, {0, 0, 400, 240}, 0, 0},           // start picture: not fitted
      {101, 100, 100, 100, true, {0, 0, 100, 100}, 100, 100},   // odd margin truncates
  };
  for (const auto& r : rows) {
    int fitW = -1, fitH = -1;
    EXPECT_EQ(CalcPictureRect(r.W, r.H, r.PW, r.PH, r.Aspect, fitW, fitH), r.Expected)
        << r.W << "x" << r.H;
    EXPECT_EQ(fitW, r.FitW);
    EXPECT_EQ(fitH, r.FitH);
  }
}

TEST(FrameDecoder, TheScaleIsTheLargestWhosePictureStillCoversTheDrawnArea) {
  const struct {
    int PW, PH, W, H, Scale;
  } rows[] = {
      {640, 480, 160, 120, 4}, {640, 480, 161, 120, 2},
      {640, 480, 80, 1, 8},    {641, 481, 81, 61, 8},  // a partial block still counts as a pixel
      {640, 480, 640, 480, 1}, {640, 480, 0, 0, 1},    // no area: the picture's own size
  };
  for (const auto& r : rows)
    EXPECT_EQ(ScaleFor(r.PW, r.PH, r.W, r.H), r.Scale) << r.W << "x" << r.H;
}

TEST(PictureGeometry, SelectionsMapToPictureCoordinates) {
  // Bars of 40 pixels: a selection at the picture's left edge starts at column 0.
  EXPECT_EQ(ClientToPicture({40, 0, 200, 120}, {40, 0, 360, 240}, 320, 240),
            (TRect{0, 0, 160, 120}));
  // Stretched to twice the size.
  EXPECT_EQ(ClientToPicture({100, 50, 300, 250}, {0, 0, 640, 480}, 320, 240),
            (TRect{50, 25, 150, 125}));
  // Shown 1:1 from the corner: kept as it is.
  EXPECT_EQ(ClientToPicture({10, 10, 50, 50}, {0, 0, 320, 240}, 320, 240), (TRect{10, 10, 50, 50}));
}

TPicture Solid(int width, int height, QColor colour) {
  TPicture picture;
  picture.Image = QImage(width, height, QImage::Format_RGB32);
  picture.Image.fill(colour);
  picture.Width = width;
  picture.Height = height;
  return picture;
}

TEST_F(TCameraDisplayTest, GreyMarginsBesideAFittedPictureAndHeaderTextWithout) {
  TPictureBox box(nullptr);
  box.resize(400, 240);
  box.SetPicture(Solid(320, 240, Qt::red));
  QImage shot = box.grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(10, 120)), QColor(192, 192, 192));
  EXPECT_EQ(QColor(shot.pixel(200, 120)), QColor(Qt::red));

  Settings().Aspect = false;
  shot = box.grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(10, 120)), QColor(Qt::red));

  // No real picture: the header text on the background, wrapped at the box's width.
  box.SetHeaderTextSource([] { return QStringLiteral("HTTP/1.0 200 OK ").repeated(20); });
  box.SetPicture(TPicture{});
  shot = box.grab().toImage();
  const QColor background = box.palette().window().color();
  bool textOnSecondLine = false;
  for (int x = 0; x < 100 && !textOnSecondLine; ++x)
    textOnSecondLine = QColor(shot.pixel(x, box.fontMetrics().height() + 4)) != background;
  EXPECT_TRUE(textOnSecondLine);
}

TEST_F(TCameraDisplayTest, DragZoomsClickLeavesAndResizeKeeps) {
  TPictureBox box(nullptr);
  box.resize(400, 240);
  box.SetPicture(Solid(320, 240, Qt::blue));
  box.show();

  QTest::mousePress(&box, Qt::LeftButton, {}, {40, 0});
  QTest::mouseMove(&box, {120, 60});
  QTest::mouseMove(&box, {200, 120});
  EXPECT_TRUE(box.Dragging());
  EXPECT_EQ(box.DragRect(), (TRect{40, 0, 200, 120}));
  QTest::mouseRelease(&box, Qt::LeftButton, {}, {200, 120});
  EXPECT_EQ(box.ZoomRect(), (TRect{0, 0, 160, 120}));
  EXPECT_TRUE(box.DragRect().Empty());

  box.resize(500, 300);
  EXPECT_EQ(box.ZoomRect(), (TRect{0, 0, 160, 120}));
  EXPECT_EQ(box.FitWidth(), 0);

  // A click leaves the zoom; a drag toward the upper left makes none.
  QTest::mousePress(&box, Qt::LeftButton, {}, {100, 100});
  EXPECT_TRUE(box.ZoomRect().Empty());
  QTest::mouseMove(&box, {50, 50});
  EXPECT_FALSE(box.Dragging());
  QTest::mouseRelease(&box, Qt::LeftButton, {}, {50, 50});
  EXPECT_TRUE(box.ZoomRect().Empty());
}

}  // namespace
}  // namespace vexilon
