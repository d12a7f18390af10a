// The lens and plane dialogs offscreen: edges clicked on a picture bent by a
// known lens give that lens back, the plane's four points give a grid or
// the refusal, and the dialogs look right.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "gui/marking/lens_dialog.h"
#include "gui/marking/plane_dialog.h"
#include "support/qt_test_application.h"
#include "support/shots.h"

namespace kinevo::gui {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_marking");

constexpr int kW = 640, kH = 480;
constexpr double kK1 = 0.12, kK2 = 0.02;

// A grid of straight lines, as a barrel lens (kK1, kK2) shows it.
QImage BentGrid() {
  const TLensModel lens(kW, kH, kK1, kK2);
  QImage img(kW, kH, QImage::Format_RGB32);
  img.fill(QColor(235, 235, 230));
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const TWorldPoint c = lens.Correct({x + 0.5, y + 0.5});
      const bool line =
          std::fmod(std::abs(c.x), 64.0) < 2.0 || std::fmod(std::abs(c.y), 64.0) < 2.0;
      if (line) img.setPixel(x, y, qRgb(40, 40, 60));
    }
  return img;
}

// Points along the corrected segment a→b, as the lens shows them.
std::vector<QPointF> BentEdge(TWorldPoint a, TWorldPoint b, int n = 12) {
  const TLensModel lens(kW, kH, kK1, kK2);
  std::vector<QPointF> points;
  for (int i = 0; i < n; ++i) {
    const double t = i / (n - 1.0);
    const TWorldPoint s = lens.Distort({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
    points.push_back({s.x, s.y});
  }
  return points;
}

TEST(LensDialogTest, ClickedEdgesGiveTheLensBackAndRefusalsAreShown) {
  LensDialog dialog(BentGrid(), {}, nullptr);
  dialog.resize(1000, 560);
  dialog.show();
  // One line is not enough.
  for (const QPointF& p : BentEdge({-40, 30}, {680, 40})) dialog.AddPoint(p);
  EXPECT_FALSE(dialog.Estimate());
  EXPECT_FALSE(dialog.Message().isEmpty());
  EXPECT_FALSE(dialog.Setting().on);
  for (const auto& [a, b] : {std::pair{TWorldPoint{-30, 450}, TWorldPoint{670, 440}},
                             {{30, -40}, {40, 520}},
                             {{610, 520}, {600, -40}}}) {
    dialog.NewLine();
    for (const QPointF& p : BentEdge(a, b)) dialog.AddPoint(p);
  }
  ASSERT_TRUE(dialog.Estimate()) << dialog.Message().toStdString();
  const TLensSetting s = dialog.Setting();
  EXPECT_TRUE(s.on);
  EXPECT_NEAR(s.k1, kK1, 1e-4);
  EXPECT_NEAR(s.k2, kK2, 1e-4);
  EXPECT_TRUE(dialog.Message().startsWith(QStringLiteral("Écart résiduel")));
  QApplication::processEvents();  // the side panel's layout follows its texts
  test::Shot(dialog, "lens_dialog");
  // The corrected picture: the same size, its grid lines straight (the
  // bent corner of the shown grid moved back out).
  dialog.ShowCorrected(true);
  EXPECT_EQ(dialog.Picture().Picture().size(), QSize(kW, kH));
  QApplication::processEvents();
  test::Shot(dialog, "lens_dialog_corrected");
  // A drag moves a point; a right click takes it away.
  dialog.ShowCorrected(false);
  const QPointF first = dialog.Picture().Groups()[0].points[0];
  QApplication::processEvents();
  const QPointF at = dialog.Picture().ToWidget(first);
  QMouseEvent right(QEvent::MouseButtonPress, at, dialog.Picture().mapToGlobal(at), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(&dialog.Picture(), &right);
  EXPECT_EQ(dialog.Picture().Groups()[0].points.size(), 11u);
}

TEST(PlaneDialogTest, FourPointsDrawTheGridAndBadOnesAreRefused) {
  TMeasureCalibration current;
  current.lens = {true, kK1, kK2};
  PlaneDialog dialog(BentGrid(), current, nullptr);
  dialog.resize(1000, 560);
  dialog.show();
  const QPointF quad[4] = {{150, 400}, {500, 380}, {470, 120}, {170, 90}};
  for (const QPointF& p : quad) dialog.PlacePoint(p);
  EXPECT_FALSE(dialog.Valid());  // no size yet
  dialog.SetSize(2.0, 1.5);
  ASSERT_TRUE(dialog.Valid()) << dialog.Message().toStdString();
  const TPlaneSetting s = dialog.Setting();
  EXPECT_TRUE(s.on);
  EXPECT_NEAR(s.points[2].x, 470.0 / kW, 1e-12);
  EXPECT_NEAR(s.points[2].y, 120.0 / kH, 1e-12);
  EXPECT_DOUBLE_EQ(s.width, 2.0);
  // The grid is drawn, in its own colours.
  auto gridPixels = [](const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const QColor c = img.pixelColor(x, y);
        n += c.red() > 200 && c.blue() < 90;  // orange-yellow lines, red axes
      }
    return n;
  };
  EXPECT_GT(gridPixels(dialog.Picture().grab().toImage()), 500);
  QApplication::processEvents();
  test::Shot(dialog, "plane_dialog");
  // A crossed quadrilateral: the corner and the y axis point swapped.
  PlaneDialog crossed(BentGrid(), current, nullptr);
  for (int i : {0, 1, 3, 2}) crossed.PlacePoint(quad[i]);
  crossed.SetSize(2.0, 1.5);
  EXPECT_FALSE(crossed.Valid());
  EXPECT_FALSE(crossed.Message().isEmpty());
  // Three points in a line.
  PlaneDialog aligned(BentGrid(), {}, nullptr);
  for (const QPointF& p :
       {QPointF(100, 100), QPointF(200, 200), QPointF(300, 300), QPointF(100, 300)})
    aligned.PlacePoint(p);
  aligned.SetSize(1.0, 1.0);
  EXPECT_FALSE(aligned.Valid());
  EXPECT_FALSE(aligned.Message().isEmpty());
  // Without its points the grid is gone.
  PlaneDialog empty(BentGrid(), current, nullptr);
  empty.resize(1000, 560);
  empty.show();
  EXPECT_EQ(gridPixels(empty.Picture().grab().toImage()), 0);
}

}  // namespace
}  // namespace kinevo::gui
