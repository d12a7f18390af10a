#include "core/common/palette.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kinevo {

const std::array<TColor, TGraphUtils::kPaletteASize> kPaletteA = {
    0x0000FF, 0xE9D105, 0x32CD32, 0xDCF8FF, 0x00D7FF, 0x8B8B00, 0x9314FF, 0x6BB7BD, 0x00FC7C,
    0xD1CE00, 0x4763FF, 0xAAB220, 0x7AA0FF, 0xDCDCDC, 0x1E69D2, 0x20A5DA, 0xB469FF, 0xED9564,
    0x3C14DC, 0x90EE90, 0x0045FF, 0x7A96E9, 0xFFBF00, 0x507FFF, 0xAACD66, 0x8CE6F0, 0x008CFF,
    0x5C5CCD, 0xE6D8AD, 0x8080F0, 0x0B86B8, 0xC1B6FF, 0xFACE87, 0xDEC4B0, 0x00FF00, 0x32CD32,
    0x8515C7, 0xCCD148, 0x9AFA00, 0xEE687B, 0x71B33C, 0xD355BA, 0xCD0000, 0x22B222, 0xFF00FF,
    0x578B2E, 0x60A4F4, 0x7280FA, 0xE16941, 0x8F8FBC, 0xDDA0DD, 0x3F85CD, 0x9370DB, 0xD670DA,
    0x8FBC8F, 0x00A5FF, 0x32CD9A, 0xEE82EE, 0xD0E040, 0xA09E5F, 0xD8BFD8, 0x808000, 0xCD5A6A,
    0x87B8DE, 0x00FFFF};

const std::array<TColor, TGraphUtils::kPaletteBSize> kPaletteB = {0x0000FF, 0xFF0000, 0x008000,
                                                                  0x6500D6, 0xD6C900};

namespace {

struct UnitPoint {
  double x, y;
};

// Outlines in units of the symbol's radius, y downwards.  Every outline has
// a bounding box symmetric about (0, 0), so that the symbol is centred on
// its point at every size (rounding is symmetric too).
const std::vector<UnitPoint>& UnitOutline(int n) {
  static const std::vector<std::vector<UnitPoint>> outlines = {
      // 0 square
      {{-0.8, -0.8}, {0.8, -0.8}, {0.8, 0.8}, {-0.8, 0.8}},
      // 1 diamond
      {{0, -1}, {1, 0}, {0, 1}, {-1, 0}},
      // 2 triangle pointing up
      {{0, -1}, {1, 1}, {-1, 1}},
      // 3 triangle pointing down
      {{-1, -1}, {1, -1}, {0, 1}},
      // 4 plus sign
      {{-0.3, -1},
       {0.3, -1},
       {0.3, -0.3},
       {1, -0.3},
       {1, 0.3},
       {0.3, 0.3},
       {0.3, 1},
       {-0.3, 1},
       {-0.3, 0.3},
       {-1, 0.3},
       {-1, -0.3},
       {-0.3, -0.3}},
      // 5 diagonal cross
      {{0, -0.4},
       {0.6, -1},
       {1, -0.6},
       {0.4, 0},
       {1, 0.6},
       {0.6, 1},
       {0, 0.4},
       {-0.6, 1},
       {-1, 0.6},
       {-0.4, 0},
       {-1, -0.6},
       {-0.6, -1}},
      // 6 triangle pointing left
      {{-1, 0}, {1, -1}, {1, 1}},
      // 7 triangle pointing right
      {{1, 0}, {-1, 1}, {-1, -1}},
      // 8 hexagon
      {{-0.5, -0.87}, {0.5, -0.87}, {1, 0}, {0.5, 0.87}, {-0.5, 0.87}, {-1, 0}},
      // 9 five-pointed star
      {{0, -0.9045},
       {0.225, -0.2135},
       {0.951, -0.2135},
       {0.363, 0.2135},
       {0.588, 0.9045},
       {0, 0.4775},
       {-0.588, 0.9045},
       {-0.363, 0.2135},
       {-0.951, -0.2135},
       {-0.225, -0.2135}},
      // 10 pentagon
      {{0, -1}, {1, -0.25}, {0.62, 1}, {-0.62, 1}, {-1, -0.25}},
      // 11 horizontal bar
      {{-1, -0.45}, {1, -0.45}, {1, 0.45}, {-1, 0.45}},
      // 12 vertical bar
      {{-0.45, -1}, {0.45, -1}, {0.45, 1}, {-0.45, 1}},
      // 13 four-pointed star
      {{0, -1}, {0.3, -0.3}, {1, 0}, {0.3, 0.3}, {0, 1}, {-0.3, 0.3}, {-1, 0}, {-0.3, -0.3}},
      // 14 disc (drawn as an ellipse)
      {},
      // 15 hourglass
      {{-1, -1}, {1, -1}, {0.15, 0}, {1, 1}, {-1, 1}, {-0.15, 0}},
      // 16 six-pointed star (origin marker)
      {{0, -1},
       {0.25, -0.433},
       {0.866, -0.5},
       {0.5, 0},
       {0.866, 0.5},
       {0.25, 0.433},
       {0, 1},
       {-0.25, 0.433},
       {-0.866, 0.5},
       {-0.5, 0},
       {-0.866, -0.5},
       {-0.25, -0.433}},
      // 17 octagon, white fill
      {{-0.41, -1},
       {0.41, -1},
       {1, -0.41},
       {1, 0.41},
       {0.41, 1},
       {-0.41, 1},
       {-1, 0.41},
       {-1, -0.41}},
  };
  return outlines[static_cast<size_t>(n)];
}

int ClampSize(int size) { return std::clamp(size, 0, TMotif::kSizes - 1); }

int PolygonRadius(int size) {
  static constexpr int radius[TMotif::kSizes] = {4, 7, 10};
  return radius[ClampSize(size)];
}

int Wrap(int i, int n) {
  if (i == -1) return n - 1;
  // |i| mod n, computed without overflow for the most negative int.
  long long a = i;
  if (a < 0) a = -a;
  return static_cast<int>(a % n);
}

}  // namespace

TMotif::TMotif(int number) : number_(number) {}

int TMotif::DiscRadius(int size) {
  static constexpr int radius[kSizes] = {4, 7, 10};
  return radius[ClampSize(size)];
}

std::vector<TPixel> TMotif::Outline(TPixel centre, int size) const {
  std::vector<TPixel> pts;
  if (number_ < 0 || number_ >= TGraphUtils::kSymbolCount || IsDisc()) return pts;
  const double r = PolygonRadius(size);
  const auto& unit = UnitOutline(number_);
  pts.reserve(unit.size());
  for (const auto& u : unit) {
    // lround rounds halves away from zero, so the outline stays symmetric.
    pts.push_back({centre.x + static_cast<int>(std::lround(u.x * r)),
                   centre.y + static_cast<int>(std::lround(u.y * r))});
  }
  return pts;
}

void TMotif::Draw(Canvas& canvas, TPixel centre, TColor colour, int size) const {
  if (number_ < 0 || number_ >= TGraphUtils::kSymbolCount) return;
  // The same symbol, colour and size always look the same: a screen canvas
  // may stamp a picture of it.  The box leaves room for the outline's pen
  // and its anti-aliasing.
  const int r = std::max(DiscRadius(size), PolygonRadius(size)) + 2;
  const uint64_t key = uint64_t{0x4D} << 56 | uint64_t(number_) << 40 |
                       uint64_t(ClampSize(size)) << 32 | (colour & 0xFFFFFF);
  canvas.DrawStamp(key, {-r, -r, r + 1, r + 1}, centre, [this, colour, size](Canvas& c, TPixel at) {
    DrawInPlace(c, at, colour, size);
  });
}

void TMotif::DrawInPlace(Canvas& canvas, TPixel centre, TColor colour, int size) const {
  const TPen oldPen = canvas.Pen();
  const TBrush oldBrush = canvas.Brush();

  TPen pen;
  pen.color = colour;
  pen.width = 1;
  pen.style = TPenStyle::psSolid;
  pen.mode = TPenMode::pmCopy;
  canvas.SetPen(pen);
  TBrush brush;
  brush.color = WhiteFill() ? colors::White : colour;
  brush.style = TBrushStyle::bsSolid;
  canvas.SetBrush(brush);

  if (IsDisc()) {
    const int r = DiscRadius(size);
    // Right and bottom are excluded: the disc covers centre - r .. centre + r.
    canvas.Ellipse(centre.x - r, centre.y - r, centre.x + r + 1, centre.y + r + 1);
  } else {
    canvas.Polygon(Outline(centre, size));
  }

  canvas.SetPen(oldPen);
  canvas.SetBrush(oldBrush);
}

TGraphUtils::TGraphUtils() {
  motifs_.reserve(kSymbolCount);
  for (int n = 0; n < kSymbolCount; ++n) motifs_.emplace_back(n);
}

TColor TGraphUtils::ColorA(int i) const {
  return kPaletteA[static_cast<size_t>(Wrap(i, kPaletteASize))];
}

TColor TGraphUtils::ColorB(int i) const {
  return kPaletteB[static_cast<size_t>(Wrap(i, kPaletteBSize))];
}

int TGraphUtils::IndexOfColorA(TColor c) const {
  for (int i = 0; i < kPaletteASize; ++i)
    if (kPaletteA[static_cast<size_t>(i)] == c) return i;
  return 0;
}

int TGraphUtils::SymbolForCurve(int i) { return i % kCurveSymbols; }

int TGraphUtils::SecondSymbol(int i) { return 12 + (i % 4); }

const TMotif* TGraphUtils::Motif(int n) const {
  if (n < 0 || n >= static_cast<int>(motifs_.size())) return nullptr;
  return &motifs_[static_cast<size_t>(n)];
}

void TGraphUtils::DrawSymbolCycled(Canvas& canvas, TPixel centre, TColor colour, int size,
                                   int i) const {
  if (i < 0) return;
  DrawSymbol(canvas, centre, colour, size, SymbolForCurve(i));
}

void TGraphUtils::DrawSymbol(Canvas& canvas, TPixel centre, TColor colour, int size, int n) const {
  if (const TMotif* m = Motif(n)) m->Draw(canvas, centre, colour, size);
}

}  // namespace kinevo
