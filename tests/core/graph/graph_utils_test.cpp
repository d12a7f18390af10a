#include "core/graph/graph_utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>

#include "core/common/number_format.h"
#include "core/common/palette.h"
#include "core/graph/graph_model_element.h"
#include "support/french_numeric_locale.h"
#include "support/recording_canvas.h"

using namespace kinevo;
using kinevo::test::RecordingCanvas;

namespace {

struct Box {
  int minx, miny, maxx, maxy;
};

Box BoxOf(const std::vector<TPixel>& pts) {
  Box b{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
  for (auto p : pts) {
    b.minx = std::min(b.minx, p.x);
    b.maxx = std::max(b.maxx, p.x);
    b.miny = std::min(b.miny, p.y);
    b.maxy = std::max(b.maxy, p.y);
  }
  return b;
}

}  // namespace

TEST(Palette, WrapsNegativeAndLastIndexes) {
  TGraphUtils g;
  EXPECT_EQ(g.ColorA(0), 0x0000FFu);
  EXPECT_EQ(g.ColorA(65), 0x0000FFu);
  EXPECT_EQ(g.ColorA(-1), 0x00FFFFu);
  EXPECT_EQ(g.ColorA(1), 0xE9D105u);
  EXPECT_EQ(g.ColorA(-2), g.ColorA(2));
  EXPECT_EQ(g.ColorA(64), 0x00FFFFu);
  EXPECT_EQ(g.ColorA(2), g.ColorA(35));
  EXPECT_EQ(g.ColorA(std::numeric_limits<int>::min()),
            g.ColorA(static_cast<int>(2147483648LL % 65)));

  EXPECT_EQ(g.ColorB(0), 0x0000FFu);
  EXPECT_EQ(g.ColorB(5), 0x0000FFu);
  EXPECT_EQ(g.ColorB(-1), 0xD6C900u);
  EXPECT_EQ(g.ColorB(3), 0x6500D6u);
}

TEST(Palette, IndexOfColourFindsTheFirstOrZero) {
  TGraphUtils g;
  EXPECT_EQ(g.IndexOfColorA(0x32CD32), 2);  // also at 35
  EXPECT_EQ(g.IndexOfColorA(0x00FFFF), 64);
  EXPECT_EQ(g.IndexOfColorA(0x123456), 0);
  for (int i = 0; i < TGraphUtils::kPaletteASize; ++i)
    EXPECT_EQ(g.ColorA(g.IndexOfColorA(g.ColorA(i))), g.ColorA(i)) << i;
}

TEST(Symbols, CurveAndSecondCycles) {
  EXPECT_EQ(TGraphUtils::SymbolForCurve(0), 0);
  EXPECT_EQ(TGraphUtils::SymbolForCurve(11), 11);
  EXPECT_EQ(TGraphUtils::SymbolForCurve(12), 0);
  EXPECT_EQ(TGraphUtils::SymbolForCurve(25), 1);
  EXPECT_EQ(TGraphUtils::SecondSymbol(0), 12);
  EXPECT_EQ(TGraphUtils::SecondSymbol(7), 15);
  TGraphUtils g;
  for (int n = 0; n < 18; ++n) {
    ASSERT_NE(g.Motif(n), nullptr);
    EXPECT_EQ(g.Motif(n)->Number(), n);
  }
  EXPECT_EQ(g.Motif(18), nullptr);
  EXPECT_EQ(g.Motif(-1), nullptr);
}

TEST(Symbols, EverySymbolIsCentredFilledOutlinedAndRestoresTheCanvas) {
  TGraphUtils g;
  const TColor colour = 0x3C14DC;
  for (int size = 0; size < 3; ++size) {
    for (int n = 0; n < 18; ++n) {
      RecordingCanvas c;
      TPen before;
      before.color = 0x010203;
      before.width = 5;
      before.style = TPenStyle::psDot;
      TBrush brushBefore{0x040506, TBrushStyle::bsClear};
      c.SetPen(before);
      c.SetBrush(brushBefore);
      g.DrawSymbol(c, {100, 50}, colour, size, n);
      ASSERT_EQ(c.calls.size(), 1u) << n;
      const auto& call = c.calls[0];
      EXPECT_EQ(call.pen.color, colour);
      EXPECT_EQ(call.pen.width, 1);
      EXPECT_EQ(call.pen.style, TPenStyle::psSolid);
      EXPECT_EQ(call.brush.style, TBrushStyle::bsSolid);
      EXPECT_EQ(call.brush.color, n == 17 ? colors::White : colour) << n;
      EXPECT_EQ(c.Pen(), before);
      EXPECT_EQ(c.Brush(), brushBefore);

      Box b = BoxOf(call.points);
      if (n == 14) {
        ASSERT_EQ(call.op, "ellipse");
        const int r = size == 0 ? 4 : size == 1 ? 7 : 10;
        // Bounding box with right and bottom excluded.
        EXPECT_EQ(b.minx, 100 - r);
        EXPECT_EQ(b.miny, 50 - r);
        EXPECT_EQ(b.maxx, 100 + r + 1);
        EXPECT_EQ(b.maxy, 50 + r + 1);
      } else {
        ASSERT_EQ(call.op, "polygon") << n;
        EXPECT_GE(call.points.size(), 3u);
        EXPECT_EQ(b.minx + b.maxx, 200) << "symbol " << n << " size " << size;
        EXPECT_EQ(b.miny + b.maxy, 100) << "symbol " << n << " size " << size;
      }
    }
  }
}

TEST(Symbols, ExtentGrowsWithSizeAndSizeIsClamped) {
  TGraphUtils g;
  for (int n = 0; n < 18; ++n) {
    int prev = 0;
    for (int size = 0; size < 3; ++size) {
      RecordingCanvas c;
      g.DrawSymbol(c, {0, 0}, 0, size, n);
      Box b = BoxOf(c.calls[0].points);
      const int extent = std::max(b.maxx - b.minx, b.maxy - b.miny);
      EXPECT_GT(extent, prev) << "symbol " << n << " size " << size;
      prev = extent;
    }
    RecordingCanvas big, two, neg, zero;
    g.DrawSymbol(big, {0, 0}, 0, 9, n);
    g.DrawSymbol(two, {0, 0}, 0, 2, n);
    g.DrawSymbol(neg, {0, 0}, 0, -3, n);
    g.DrawSymbol(zero, {0, 0}, 0, 0, n);
    EXPECT_EQ(big.calls[0].points, two.calls[0].points);
    EXPECT_EQ(neg.calls[0].points, zero.calls[0].points);
  }
}

TEST(Symbols, AllOutlinesAreDistinctAtEverySize) {
  TGraphUtils g;
  for (int size = 0; size < 3; ++size) {
    std::set<std::vector<std::pair<int, int>>> seen;
    for (int n = 0; n < 18; ++n) {
      if (n == 14) continue;  // the disc is the only ellipse
      auto pts = g.Motif(n)->Outline({0, 0}, size);
      std::vector<std::pair<int, int>> key;
      for (auto p : pts) key.emplace_back(p.x, p.y);
      std::sort(key.begin(), key.end());
      key.erase(std::unique(key.begin(), key.end()), key.end());
      EXPECT_TRUE(seen.insert(key).second) << "symbol " << n << " size " << size;
    }
  }
}

TEST(Symbols, CycledDrawingAndUnknownNumbers) {
  TGraphUtils g;
  RecordingCanvas a, b, none;
  g.DrawSymbolCycled(a, {10, 10}, 255, 1, 13);
  g.DrawSymbol(b, {10, 10}, 255, 1, 1);
  ASSERT_EQ(a.calls.size(), 1u);
  EXPECT_EQ(a.calls[0].points, b.calls[0].points);
  g.DrawSymbolCycled(none, {10, 10}, 255, 1, -1);
  g.DrawSymbol(none, {10, 10}, 255, 1, 18);
  g.DrawSymbol(none, {10, 10}, 255, 1, -5);
  EXPECT_TRUE(none.calls.empty());
}

TEST(AxisTicks, ZeroToHundred) {
  auto t = ComputeAxisTicks(0, 100);
  EXPECT_DOUBLE_EQ(t.step, 20);
  EXPECT_DOUBLE_EQ(t.first, 0);
  EXPECT_EQ(t.count, 6);
  EXPECT_DOUBLE_EQ(t.last, 100);
  auto v = t.Values();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_DOUBLE_EQ(v[5], 100);
}

TEST(AxisTicks, SymmetricAroundZero) {
  auto t = ComputeAxisTicks(-0.5, 0.5);
  EXPECT_DOUBLE_EQ(t.step, 0.2);
  EXPECT_NEAR(t.first, -0.4, 1e-12);
  EXPECT_EQ(t.count, 6);
  EXPECT_NEAR(t.last, 0.4, 1e-12);
  ScopedDecimalSeparator sep('.');
  auto v = t.Values();
  EXPECT_EQ(FormatTickLabel(v[0], -0.5, 0.5, t.step), "-0.400");
  // v[2] is a rounding residue near zero; it must print as zero.
  EXPECT_NE(v[2], 0.0);
  EXPECT_EQ(FormatTickLabel(v[2], -0.5, 0.5, t.step), "0.000");
  EXPECT_EQ(FormatTickLabel(v[3], -0.5, 0.5, t.step), "0.200");
}

TEST(AxisTicks, StepMultiplierBoundaries) {
  struct Case {
    double min, max, step;
  } cases[] = {{0, 1.2, 0.2},   {0, 1.3, 0.4},    {0, 2.4, 0.4}, {0, 2.5, 0.6}, {0, 3.6, 0.6},
               {0, 3.7, 0.8},   {0, 4, 1},        {0, 6, 1},     {0, 6.1, 2},   {0, 9.9, 2},
               {0, 0.05, 0.01}, {0, 35000, 6000}, {-7, -1, 1}};
  for (auto c : cases) {
    auto t = ComputeAxisTicks(c.min, c.max);
    EXPECT_NEAR(t.step, c.step, c.step * 1e-9) << c.min << ".." << c.max;
    EXPECT_GE(t.first, c.min - 1e-12);
    EXPECT_LT(t.first - t.step, c.min);
    EXPECT_LE(t.last, c.max + 1e-9);
  }
}

TEST(AxisTicks, NegativeMinMovesUpToFirstTickInside) {
  auto t = ComputeAxisTicks(-7, -1);
  EXPECT_DOUBLE_EQ(t.first, -7);  // -7 is on a step, kept
  auto u = ComputeAxisTicks(-7.5, 2);
  EXPECT_DOUBLE_EQ(u.step, 2);
  EXPECT_DOUBLE_EQ(u.first, -6);
  EXPECT_DOUBLE_EQ(u.last, 2);
}

TEST(AxisTicks, TinyRangeStillGivesTicks) {
  // A constant curve widened by a tiny amount.
  auto t = ComputeAxisTicks(5 - 1e-6, 5 + 1e-6);
  EXPECT_GT(t.step, 0);
  EXPECT_GT(t.count, 1);
  EXPECT_GE(t.first, 5 - 1e-6);
  auto z = ComputeAxisTicks(3, 3);
  EXPECT_DOUBLE_EQ(z.step, 0.2);
  EXPECT_EQ(z.count, 1);
}

TEST(AxisTicks, LabelFormats) {
  ScopedDecimalSeparator sep('.');
  EXPECT_EQ(FormatTickLabel(30000, 0, 35000, 6000), "3.00E+4");
  EXPECT_EQ(FormatTickLabel(0, 0, 35000, 6000), "0.00E+0");
  EXPECT_EQ(FormatTickLabel(0.02, 0, 0.05, 0.01), "2.00E-2");
  EXPECT_EQ(FormatTickLabel(1200, 0, 2000, 400), "1200");
  EXPECT_EQ(FormatTickLabel(120, 0, 200, 40), "120.0");
  EXPECT_EQ(FormatTickLabel(12.5, 0, 20, 4), "12.50");
  EXPECT_EQ(FormatTickLabel(-1.25, -2, 2, 0.4), "-1.250");
  EXPECT_EQ(FormatTickLabel(9999.4, 0, 9999.9, 2000), "9999");
  ScopedDecimalSeparator comma(',');
  EXPECT_EQ(FormatTickLabel(12.5, 0, 20, 4), "12,50");
  EXPECT_EQ(FormatTickLabel(30000, 0, 35000, 6000), "3,00E+4");
}

TEST(AxisTicks, RoundingResidueAtAnyTickPrintsAsZero) {
  ScopedDecimalSeparator sep('.');
  // An axis from −1e-17 starts its ticks at −0, which printed "-0.000".
  const TAxisTicks t = ComputeAxisTicks(-1e-17, 0.9);
  ASSERT_EQ(t.first, 0.0);
  EXPECT_EQ(FormatTickLabel(t.first, -1e-17, 0.9, t.step), "0.000");
  EXPECT_EQ(FormatTickLabel(1e-9, 0, 1, 0.2), "0.000");
  EXPECT_EQ(FormatTickLabel(-1e-9, -0.05, 0.05, 0.01), "0.00E+0");
  // A value that is a tick of its own is kept, however small.
  EXPECT_EQ(FormatTickLabel(2e-9, 0, 5e-9, 1e-9), "2.00E-9");
}

// Table cells, axis labels and model parameters go into exported files: a
// French desktop, whose C library prints "0,5", changes none of them.
TEST(GraphUtils, NumbersShownAreTheSameUnderAFrenchNumericLocale) {
  auto texts = [] {
    return std::vector<std::string>{FormatFloatFixed(-0.0001, 4, 3, '.'),
                                    FormatFloatFixed(2.5, 6, 2, ','),
                                    FormatFloatFixed(1234567.0, 3, 1, '.'),
                                    FormatFloatExponent(1.5e-7, 3, 2, '.'),
                                    FormatUncertainty(0.0123),
                                    FormatUncertainty(1.5e9)};
  };
  ScopedDecimalSeparator point('.');
  const std::vector<std::string> c = texts();
  EXPECT_EQ(c[0], "0.000");
  EXPECT_EQ(c[1], "2,50");
  test::FrenchNumericLocale french;
  ASSERT_TRUE(french.Active());
  EXPECT_EQ(texts(), c);
}
