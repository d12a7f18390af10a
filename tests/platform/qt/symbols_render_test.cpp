// Renders the 18 marker symbols at their three sizes through the QPainter
// canvas, writes the sheet as the shot symbols.png, and checks the drawn
// pixels: centred on the point, filled with the colour (white for 17), and
// all different from each other.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <set>

#include "core/common/palette.h"
#include "platform/qt/qpainter_canvas.h"
#include "support/recording_canvas.h"
#include "support/shots.h"

using namespace kinevo;

namespace {

constexpr int kCell = 40;
constexpr TColor kColour = 0x3C14DC;  // crimson

QGuiApplication& App() {
  static int argc = 1;
  static char arg0[] = "symbols_render_test";
  static char* argv[] = {arg0, nullptr};
  static QGuiApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  return *app;
}

// One symbol drawn alone on a white cell, centre at (kCell/2, kCell/2).
QImage RenderOne(const TGraphUtils& g, int n, int size) {
  QImage img(kCell, kCell, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  QPainterCanvas c(p);
  g.DrawSymbol(c, {kCell / 2, kCell / 2}, kColour, size, n);
  p.end();
  return img;
}

struct Extent {
  int minx = 1 << 20, miny = 1 << 20, maxx = -1, maxy = -1;
  int coloured = 0;
};

Extent InkOf(const QImage& img) {
  Extent e;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixel(x, y) != qRgb(255, 255, 255)) {
        e.minx = std::min(e.minx, x);
        e.maxx = std::max(e.maxx, x);
        e.miny = std::min(e.miny, y);
        e.maxy = std::max(e.maxy, y);
        if (img.pixel(x, y) == QPainterCanvas::ToQColor(kColour).rgb()) ++e.coloured;
      }
  return e;
}

}  // namespace

TEST(SymbolsRender, SheetIsWrittenAndEverySymbolIsCentredAndDistinct) {
  App();
  TGraphUtils g;

  // The sheet: one row per size, one column per symbol, on a light grey
  // background so that the white fill of symbol 17 shows.
  QImage sheet(18 * kCell, 3 * kCell + 20, QImage::Format_RGB32);
  sheet.fill(QColor(230, 230, 230));
  {
    QPainter p(&sheet);
    QPainterCanvas c(p);
    for (int size = 0; size < 3; ++size)
      for (int n = 0; n < 18; ++n)
        g.DrawSymbol(c, {n * kCell + kCell / 2, size * kCell + kCell / 2}, g.ColorA(n), size, n);
    // A tick under every fifth column to count symbols by (no text: font
    // loading is not needed here).
    c.SetPen(TPen{});
    for (int n = 0; n < 18; n += 5)
      c.Line(n * kCell + kCell / 2, 3 * kCell + 4, n * kCell + kCell / 2, 3 * kCell + 14);
  }
  ASSERT_TRUE(test::SaveShot(sheet, "symbols"));

  for (int size = 0; size < 3; ++size) {
    std::set<QByteArray> masks;
    for (int n = 0; n < 18; ++n) {
      QImage img = RenderOne(g, n, size);
      Extent e = InkOf(img);
      ASSERT_GE(e.maxx, 0) << "symbol " << n << " drew nothing";
      // Centred within a pixel (antialiasing off, pen ends may add one).
      EXPECT_LE(std::abs((e.minx + e.maxx) - kCell), 1) << "symbol " << n << " size " << size;
      EXPECT_LE(std::abs((e.miny + e.maxy) - kCell), 1) << "symbol " << n << " size " << size;
      // The centre pixel: white for symbol 17, the colour for the others
      // (every symbol is filled through its centre).
      QRgb centre = img.pixel(kCell / 2, kCell / 2);
      if (n == 17)
        EXPECT_EQ(centre, qRgb(255, 255, 255)) << size;
      else
        EXPECT_EQ(centre, QPainterCanvas::ToQColor(kColour).rgb()) << n << " size " << size;
      EXPECT_GT(e.coloured, 8) << n;
      // The pixel mask, to compare symbols with each other.
      QByteArray mask;
      for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell; ++x)
          mask.append(img.pixel(x, y) == qRgb(255, 255, 255) ? '0' : '1');
      if (n == 17) mask.append("white");
      EXPECT_TRUE(masks.insert(mask).second)
          << "symbol " << n << " looks like another at size " << size;
    }
  }
}

TEST(SymbolsRender, RecordedCallsMatchThePaintedDisc) {
  App();
  TGraphUtils g;
  kinevo::test::RecordingCanvas rec;
  g.DrawSymbol(rec, {20, 20}, kColour, 2, 14);
  ASSERT_EQ(rec.calls.size(), 1u);
  ASSERT_EQ(rec.calls[0].op, "ellipse");
  QImage img = RenderOne(g, 14, 2);
  Extent e = InkOf(img);
  // Radius 10 at size 2: 21 pixels across, from the recorded left edge.
  EXPECT_EQ(e.maxx - e.minx + 1, 21);
  EXPECT_EQ(e.maxy - e.miny + 1, 21);
  EXPECT_EQ(rec.calls[0].points[0].x, e.minx);
  EXPECT_EQ(rec.calls[0].points[0].y, e.miny);
}
