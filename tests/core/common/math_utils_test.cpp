#include "core/common/math_utils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>

#include "core/common/number_format.h"

using namespace kinevo;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = std::numbers::pi;
}  // namespace

TEST(MathUtils, DegenerateValueTestsUseTheProgramBounds) {
  EXPECT_TRUE(IsZero(0.0));
  EXPECT_TRUE(IsZero(-9e-101));
  EXPECT_FALSE(IsZero(1e-100));
  EXPECT_TRUE(IsHuge(-1.1e100));
  EXPECT_FALSE(IsHuge(1e100));
  EXPECT_TRUE(SamePoint(TWorldPoint{1, 2}, TWorldPoint{1 + 1e-101, 2}));
  EXPECT_FALSE(SamePoint(TWorldPoint{1, 2}, TWorldPoint{1, 2 + 1e-15}));
}

TEST(MathUtils, RoundToIntClampsAndRoundsHalvesToEven) {
  EXPECT_EQ(RoundToInt(3e9), 2147483647);
  EXPECT_EQ(RoundToInt(-3e9), -2147483647);
  EXPECT_EQ(RoundToInt(2.5), 2);
  EXPECT_EQ(RoundToInt(3.5), 4);
  EXPECT_EQ(RoundToInt(-2.5), -2);
  EXPECT_EQ(RoundToInt(-2.6), -3);
  EXPECT_EQ(RoundToInt(kNaN), 0);
  EXPECT_EQ(RoundToInt(kInf), 2147483647);
  EXPECT_EQ(RoundToInt(0.49999999999999994), 0);  // the largest double below 0.5
  EXPECT_EQ(RoundToInt(2147483646.5), 2147483646);
  // Whatever the magnitude, the same integer as the library's rounding.
  std::mt19937_64 random(7);
  for (int i = 0; i < 200000; ++i) {
    const double scale = std::ldexp(1.0, static_cast<int>(random() % 31));
    const double x = (static_cast<double>(random() % 2000001) / 1000000.0 - 1.0) * scale;
    const double half = std::floor(x) + 0.5;  // halves too
    for (double v : {x, half})
      ASSERT_EQ(RoundToInt(v), static_cast<int32_t>(std::nearbyint(v))) << v;
  }
}

TEST(MathUtils, MagnitudeCountsDigitsMinusOne) {
  EXPECT_EQ(Magnitude(1), 0);
  EXPECT_EQ(Magnitude(9), 0);
  EXPECT_EQ(Magnitude(10), 1);
  EXPECT_EQ(Magnitude(999), 2);
  EXPECT_EQ(Magnitude(1000), 3);  // where log10 in floating point may fall short
  EXPECT_EQ(Magnitude(1000000000000000LL), 15);
}

TEST(MathUtils, AnglesAreWrappedIntoTheirRanges) {
  EXPECT_NEAR(AddAngles(3, 3), 6 - 2 * kPi, 1e-12);
  EXPECT_NEAR(AddAngles(-3, -3), -6 + 2 * kPi, 1e-12);
  EXPECT_DOUBLE_EQ(AddAngles(1, 0.5), 1.5);
  EXPECT_NEAR(WrapPositive(-0.5), 2 * kPi - 0.5, 1e-12);
  EXPECT_NEAR(WrapPositive(7), 7 - 2 * kPi, 1e-12);
  EXPECT_DOUBLE_EQ(WrapPositive(2 * kPi), 2 * kPi);  // the upper end is kept
  // Huge or infinite angles must not hang the subtracting loops.
  double w = WrapPositive(1e300);
  EXPECT_GE(w, 0);
  EXPECT_LE(w, 2 * kPi);
  double c = AddAngles(-1e200, 0);
  EXPECT_GE(c, -kPi);
  EXPECT_LE(c, kPi);
  EXPECT_TRUE(std::isnan(WrapPositive(INFINITY)));
  EXPECT_TRUE(std::isnan(AddAngles(kNaN, 1)));
  EXPECT_NEAR(RadToDeg(kPi / 2), 90, 1e-12);
  EXPECT_NEAR(DegToRad(180), kPi, 1e-12);
}

TEST(MathUtils, AngleAtVertexFollowsTheTurnOfThePath) {
  // Straight on: dot > 0, cross = 0 -> atan2(-dot, 0) = -π/2.
  EXPECT_NEAR(AngleAtVertex({0, 0}, {10, 0}, {20, 0}), -kPi / 2, 1e-12);
  // Right angle turns: dot = 0, the sign of the cross product decides.
  EXPECT_NEAR(AngleAtVertex({0, 0}, {10, 0}, {10, 10}), kPi / 2, 1e-12);
  EXPECT_NEAR(AngleAtVertex({0, 0}, {10, 0}, {10, -10}), -kPi / 2, 1e-12);
  // Going back: dot < 0, cross = 0 -> atan2(+, 0) = π/2.
  EXPECT_NEAR(AngleAtVertex({0, 0}, {10, 0}, {0, 0}), kPi / 2, 1e-12);
  // 45° turn: u = (10, 0), v = (10, 10): cross 100, dot 100.
  EXPECT_NEAR(AngleAtVertex({0, 0}, {10, 0}, {20, 10}), std::atan2(-100.0, 100.0), 1e-12);
}

TEST(MathUtils, DistancesAndArrayStatistics) {
  EXPECT_DOUBLE_EQ(Distance(TWorldPoint{0, 0}, TWorldPoint{3, 4}), 5);
  EXPECT_DOUBLE_EQ(Distance(TPixel{1, 1}, TPixel{4, 5}), 5);
  EXPECT_DOUBLE_EQ(MaxValue(std::vector<double>{}), -1.7e308);
  EXPECT_DOUBLE_EQ(MinValue(std::vector<double>{}), 1.7e308);
  EXPECT_EQ(MaxValue(std::vector<int32_t>{}), -2147483647);
  EXPECT_EQ(MinValue(std::vector<int32_t>{}), 2147483647);
  EXPECT_DOUBLE_EQ(MaxValue(std::vector<double>{-5, -2, -9}), -2);
  EXPECT_DOUBLE_EQ(MinValue(std::vector<double>{3, 1, 2}), 1);
  EXPECT_EQ(MaxValue(std::vector<int32_t>{4, 8, -1}), 8);
  EXPECT_DOUBLE_EQ(Mean({1, 2, 6}), 3);
  EXPECT_TRUE(std::isnan(Mean({})));
  TWorldWindow empty = BoundingBox({});
  EXPECT_EQ(empty.xmin, 1e100);
  EXPECT_EQ(empty.xmax, -1e100);
  TWorldWindow box = BoundingBox({{1, -2}, {-3, 5}, {0, 0}});
  EXPECT_EQ(box, (TWorldWindow{-3, 1, -2, 5}));
}

// FormatNumber under both decimal separators: the digits are the same, only
// the separator changes.
class FormatNumberTest : public ::testing::TestWithParam<char> {
 protected:
  std::string F(int extra, double x) {
    ScopedDecimalSeparator sep(GetParam());
    return FormatNumber(extra, x);
  }
  // Expected text written with '.', turned into the separator under test.
  std::string E(std::string s) {
    for (auto& c : s)
      if (c == '.') c = GetParam();
    return s;
  }
};

TEST_P(FormatNumberTest, FixedFormatDecimalsDependOnTheSize) {
  EXPECT_EQ(F(0, 1234.5678), E("1235"));
  EXPECT_EQ(F(0, -10000), E("-10000"));
  EXPECT_EQ(F(0, 456.789), E("456.8"));
  EXPECT_EQ(F(0, 12.345), E("12.35"));
  EXPECT_EQ(F(0, 50.0), E("50.00"));
  EXPECT_EQ(F(0, 0.5), E("0.500"));
  EXPECT_EQ(F(0, 1.23456), E("1.235"));
  EXPECT_EQ(F(0, 0.0123456), E("0.012"));
  EXPECT_EQ(F(0, 0.01), E("0.010"));
  EXPECT_EQ(F(2, 3.14159265), E("3.14159"));
  EXPECT_EQ(F(1, 1234.5678), E("1234.6"));
  // Rounding carries into a new digit.
  EXPECT_EQ(F(0, 9.9996), E("10.000"));
  EXPECT_EQ(F(0, 99.996), E("100.00"));
  // A tie in the decimal text rounds away from zero.
  EXPECT_EQ(F(0, 0.0625), E("0.063"));
  EXPECT_EQ(F(0, 1.0625), E("1.063"));
  EXPECT_EQ(F(0, -1.0625), E("-1.063"));
  // Halves are those of the decimal number, whatever its binary expansion
  // (1.0005 is stored as 1.000499999..., 10.235 as 10.234999...).
  EXPECT_EQ(F(0, 1.0005), E("1.001"));
  EXPECT_EQ(F(0, 10.235), E("10.24"));
  EXPECT_EQ(F(1, -2.00005), E("-2.0001"));
}

TEST_P(FormatNumberTest, ExponentFormatOutsideTheFixedRange) {
  EXPECT_EQ(F(0, 12345), E("1.23E+4"));
  EXPECT_EQ(F(0, 0.005), E("5.00E-3"));
  EXPECT_EQ(F(0, -0.00999), E("-9.99E-3"));
  EXPECT_EQ(F(1, 1e-20), E("1.000E-20"));
  // The exponent has extra + 1 digits, whatever extra.
  EXPECT_EQ(F(8, 12345678), E("1.2345678000E+000000007"));
  EXPECT_EQ(F(4, 1e-7), E("1.000000E-00007"));
  EXPECT_EQ(F(0, 99999), E("1.00E+5"));
  EXPECT_EQ(F(0, 1.7e308), E("1.70E+308"));
}

TEST_P(FormatNumberTest, SpecialValuesAndExtraBounds) {
  EXPECT_EQ(F(0, 0), "0");
  EXPECT_EQ(F(3, -0.0), "0");
  EXPECT_EQ(F(0, kNaN), "#Nombre!");
  EXPECT_EQ(F(0, INFINITY), "INF");
  EXPECT_EQ(F(12, 2.0), F(8, 2.0));
  EXPECT_EQ(F(8, 2.0), E("2.00000000000"));
  EXPECT_EQ(F(-4, 2.0), F(0, 2.0));
}

TEST_P(FormatNumberTest, NormaliseDecimalAcceptsBothSeparators) {
  ScopedDecimalSeparator sep(GetParam());
  EXPECT_EQ(NormaliseDecimal("3,25"), E("3.25"));
  EXPECT_EQ(NormaliseDecimal("3.25"), E("3.25"));
  EXPECT_EQ(NormaliseDecimal("1.5;2,5"), E("1.5;2.5"));
  EXPECT_EQ(NormaliseDecimal(""), "");
  double v = 0;
  ASSERT_TRUE(TextToFloat(NormaliseDecimal("-0,75"), v));
  EXPECT_DOUBLE_EQ(v, -0.75);
}

INSTANTIATE_TEST_SUITE_P(Separators, FormatNumberTest, ::testing::Values('.', ','),
                         [](const auto& info) { return info.param == '.' ? "Point" : "Comma"; });

TEST(MathUtils, NearPointUsesASquareOfAtLeastSixPixels) {
  EXPECT_TRUE(NearPoint({105, 95}, {100, 100}, 10));
  EXPECT_FALSE(NearPoint({106, 100}, {100, 100}, 10));
  EXPECT_FALSE(NearPoint({100, 94}, {100, 100}, 10));
  // Small tolerances count as 6: three pixels each way.
  EXPECT_TRUE(NearPoint({103, 97}, {100, 100}, 1));
  EXPECT_FALSE(NearPoint({104, 100}, {100, 100}, 1));
  // Odd sides round the half-side down.
  EXPECT_TRUE(NearPoint({103, 100}, {100, 100}, 7));
  EXPECT_FALSE(NearPoint({104, 100}, {100, 100}, 7));
}

TEST(MathUtils, SegmentHitTests) {
  const TPixel a{0, 0}, b{100, 50};
  EXPECT_TRUE(NearSegment({50, 25}, a, b, 6));
  EXPECT_TRUE(NearSegment({50, 30}, a, b, 6));
  EXPECT_FALSE(NearSegment({50, 31}, a, b, 6));
  EXPECT_FALSE(NearSegment({104, 50}, a, b, 6));
  EXPECT_TRUE(NearSegment({3, 3}, {0, 0}, {0, 0}, 6));  // a point-long segment

  EXPECT_EQ(SegmentHandle({1, 1}, a, b, 6), 0);
  EXPECT_EQ(SegmentHandle({99, 51}, a, b, 6), 1);
  EXPECT_EQ(SegmentHandle({50, 25}, a, b, 6), -1);
  EXPECT_EQ(SegmentHandle({50, 40}, a, b, 6), -2);
  // A short segment is grabbed by its body before its ends.
  EXPECT_EQ(SegmentHandle({0, 0}, {0, 0}, {4, 0}, 10), -1);
  EXPECT_EQ(SegmentHandle({0, 20}, {0, 0}, {4, 0}, 10), -2);
}

TEST(MathUtils, RectangleTestsAndClipping) {
  const TPixelRect r{10, 20, 110, 70};
  EXPECT_TRUE(PointInRect({10, 20}, r));
  EXPECT_FALSE(PointInRect({110, 30}, r));
  EXPECT_TRUE(NearRectBorder({60, 22}, r, 6));
  EXPECT_TRUE(NearRectBorder({108, 40}, r, 6));
  EXPECT_FALSE(NearRectBorder({60, 45}, r, 6));
  EXPECT_FALSE(NearRectBorder({200, 45}, r, 6));

  const TWorldWindow w{0, 10, 0, 10};
  EXPECT_EQ(RegionCode(-1, 11, w), rcLeft | rcTop);
  EXPECT_EQ(RegionCode(11, -1, w), rcRight | rcBottom);
  EXPECT_EQ(RegionCode(5, 5, w), 0u);

  TWorldPoint a{-5, 5}, b{15, 5};
  ASSERT_TRUE(ClipSegment(a, b, w));
  EXPECT_EQ(a, (TWorldPoint{0, 5}));
  EXPECT_EQ(b, (TWorldPoint{10, 5}));

  TWorldPoint c{-5, -5}, d{15, 15};  // through two corners
  ASSERT_TRUE(ClipSegment(c, d, w));
  EXPECT_NEAR(c.x, 0, 1e-12);
  EXPECT_NEAR(c.y, 0, 1e-12);
  EXPECT_NEAR(d.x, 10, 1e-12);
  EXPECT_NEAR(d.y, 10, 1e-12);

  TWorldPoint e{-5, 8}, f{8, 20};  // passes outside the top-left corner
  EXPECT_FALSE(ClipSegment(e, f, w));
  EXPECT_EQ(e, (TWorldPoint{-5, 8}));
  TWorldPoint g{11, 0}, h{12, 10};
  EXPECT_FALSE(ClipSegment(g, h, w));
}

TEST(MathUtils, GaussianEliminationSolvesOrReportsSingular) {
  std::vector<double> x;
  // Needs a row swap: the first pivot is zero.
  ASSERT_EQ(SolveLinear({{0, 2, 1}, {1, 1, 1}, {2, 1, 3}}, {7, 6, 13}, x), 0);
  ASSERT_EQ(x.size(), 3u);
  EXPECT_NEAR(x[0], 1, 1e-12);
  EXPECT_NEAR(x[1], 2, 1e-12);
  EXPECT_NEAR(x[2], 3, 1e-12);

  EXPECT_EQ(SolveLinear({{1, 2}, {2, 4}}, {1, 2}, x), 1);
  EXPECT_TRUE(x.empty());
  EXPECT_EQ(SolveLinear({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {1, 2, 3}, x), 1);
  EXPECT_EQ(SolveLinear({{0, 0}, {0, 0}}, {0, 0}, x), 1);
  EXPECT_EQ(SolveLinear({{1, 2}}, {1, 2}, x), 1);  // not square
  EXPECT_EQ(SolveLinear({}, {}, x), 1);

  // A badly scaled but regular system (normal equations of a cubic fit).
  std::vector<std::vector<double>> a(4, std::vector<double>(4));
  std::vector<double> rhs(4, 0.0);
  const double coef[4] = {1.5, -2, 0.25, 0.01};
  for (int k = 0; k < 20; ++k) {
    const double t = 10.0 * k;
    double y = 0;
    for (int j = 0; j < 4; ++j) y += coef[j] * std::pow(t, j);
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) a[i][j] += std::pow(t, i + j);
      rhs[i] += y * std::pow(t, i);
    }
  }
  ASSERT_EQ(SolveLinear(a, rhs, x), 0);
  for (int j = 0; j < 4; ++j) EXPECT_NEAR(x[j], coef[j], 1e-6 * (1 + std::fabs(coef[j])));
}

TEST(MathUtils, RootSearchByBisection) {
  auto f = [](double v) { return v * v - 2; };
  auto r = RootSearch(f, 0, 2, 1e-9, 60);
  ASSERT_TRUE(r.found);
  EXPECT_NEAR(r.root, std::sqrt(2.0), 1e-9);

  // Ends within the tolerance are taken as they are.
  r = RootSearch([](double v) { return v - 0.5; }, 0.5, 5, 1e-9, 30);
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.root, 0.5);
  r = RootSearch([](double v) { return v - 3; }, 0, 3, 1e-9, 30);
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.root, 3);

  // Few steps: the root is the last midpoint tried (maxSteps + 1 of them).
  int calls = 0;
  r = RootSearch(
      [&](double v) {
        ++calls;
        return v - 0.3;
      },
      0, 1, 1e-12, 2);
  ASSERT_TRUE(r.found);
  EXPECT_EQ(calls, 2 + 3);
  EXPECT_DOUBLE_EQ(r.root, 0.375);  // 0.5, 0.25, 0.375

  EXPECT_FALSE(RootSearch(f, 2, 0, 1e-9, 30).found);
  EXPECT_FALSE(RootSearch(f, 1, 1, 1e-9, 30).found);
  EXPECT_FALSE(RootSearch(f, 2, 3, 1e-9, 30).found);  // same sign at both ends
  EXPECT_FALSE(
      RootSearch([](double) -> double { throw std::runtime_error("x"); }, 0, 1, 1e-9, 30).found);
  EXPECT_FALSE(
      RootSearch([](double v) { return std::log(v); }, -1, 2, 1e-9, 30).found);  // NaN at lo
}
