// Texts through the QPainter canvas: the measures and the drawing follow
// every change of the font's face, a change of colour alone still reaches
// the drawn text, and the widths a window keeps are the measured ones.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "platform/qt/qpainter_canvas.h"

using namespace kinevo;

namespace {

void EnsureApp() {
  static int argc = 1;
  static char arg0[] = "qpainter_canvas_text_test";
  static char* argv[] = {arg0, nullptr};
  if (qGuiApp) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  new QGuiApplication(argc, argv);
}

// Pixels of a picture close to a colour.
int PixelsOf(const QImage& img, QColor c) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QColor p = img.pixelColor(x, y);
      n += std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
               std::abs(p.blue() - c.blue()) <
           40;
    }
  return n;
}

TEST(QPainterCanvasText, MeasuresAndColoursFollowEachFontChange) {
  EnsureApp();
  QImage img(300, 80, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  QPainterCanvas canvas(p);
  TFont f;
  f.size = 8;
  canvas.SetFont(f);
  const TTextSize small = canvas.TextExtent("12345");
  f.size = 20;
  canvas.SetFont(f);
  const TTextSize large = canvas.TextExtent("12345");
  EXPECT_GT(large.cx, small.cx + 10);
  EXPECT_GT(large.cy, small.cy + 5);
  f.bold = true;
  canvas.SetFont(f);
  EXPECT_GT(canvas.TextExtent("WWWWWWWW").cx, large.cx);
  f.bold = false;
  f.size = 8;
  canvas.SetFont(f);
  EXPECT_EQ(canvas.TextExtent("12345").cx, small.cx);

  // The same face in two colours, one after the other: both texts show
  // in their own colour.
  f.size = 20;
  f.color = colors::Red;
  canvas.SetFont(f);
  canvas.TextOut(5, 5, "888", false);
  f.color = colors::Blue;
  canvas.SetFont(f);
  canvas.TextOut(150, 5, "888", false);
  EXPECT_EQ(canvas.TextExtent("12345").cx, large.cx);
  p.end();
  EXPECT_GT(PixelsOf(img.copy(0, 0, 150, 80), Qt::red), 20);
  EXPECT_EQ(PixelsOf(img.copy(0, 0, 150, 80), Qt::blue), 0);
  EXPECT_GT(PixelsOf(img.copy(150, 0, 150, 80), Qt::blue), 20);
  EXPECT_EQ(PixelsOf(img.copy(150, 0, 150, 80), Qt::red), 0);
}

TEST(QPainterCanvasText, WidthsKeptByAWindowFollowFaceAndText) {
  // The widths a window keeps from one paint to the next are those
  // measured afresh, for each face and text, in later paints too.
  EnsureApp();
  QImage img(100, 40, QImage::Format_RGB32);
  QPainterStamps kept;
  for (int paint = 0; paint < 2; ++paint) {
    QPainter p(&img);
    QPainterCanvas fresh(p), window(p);
    window.UseStamps(&kept);
    for (int size : {8, 14, 20})
      for (bool bold : {false, true})
        for (const char* text : {"1", "12", "W8", "1000"}) {
          TFont f;
          f.size = size;
          f.bold = bold;
          fresh.SetFont(f);
          window.SetFont(f);
          const TTextSize a = fresh.TextExtent(text), b = window.TextExtent(text);
          EXPECT_EQ(b.cx, a.cx) << text << " " << size << (bold ? " bold" : "");
          EXPECT_EQ(b.cy, a.cy) << text << " " << size;
        }
  }
}

}  // namespace
