#include "core/graph/axis.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/graph/graph_utils.h"

namespace kinevo {
namespace {

TFont LabelFont() {
  TFont f;
  f.size = 10;
  f.color = kAxisLabelColour;
  return f;
}

// The text cut and ended with "..." so that it fits in `room` pixels.  The
// cut is found by halving over the character boundaries, so that a title
// of thousands of characters (the names of thousands of formulas) costs a
// few measures instead of one per character.
std::string Fit(Canvas& canvas, const std::string& text, int room) {
  // Where each character ends: a cut never leaves half of a UTF-8 character.
  // No character is narrower than a pixel, so only the first `room` + 1
  // can ever be shown.
  std::vector<std::size_t> ends;
  const std::size_t most = static_cast<std::size_t>(std::max(room, 0)) + 1;
  for (std::size_t i = 1; i <= text.size() && ends.size() < most; ++i)
    if (i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ends.push_back(i);
  const bool whole = !ends.empty() && ends.back() == text.size();
  if (whole && canvas.TextWidth(text) <= room) return text;
  const int dots = canvas.TextWidth("....");
  // The longest prefix of k characters (0 <= k <= ends.size()) that fits
  // with the dots; widths grow with the prefix.
  std::size_t lo = 0, hi = ends.size();
  while (lo < hi) {
    const std::size_t k = (lo + hi + 1) / 2;
    if (canvas.TextWidth(text.substr(0, ends[k - 1])) + dots <= room)
      lo = k;
    else
      hi = k - 1;
  }
  return text.substr(0, lo == 0 ? 0 : ends[lo - 1]) + "...";
}

}  // namespace

void TAxe::SetBounds(const TPixelRect& area, int controlWidth, int controlHeight) {
  area_ = area;
  controlWidth_ = controlWidth;
  controlHeight_ = controlHeight;
}

int TAxe::Length(const TPlotRect& plot) const {
  return orientation_ == aoHorizontal ? plot.width : plot.height;
}

double TAxe::Offset(double v, const TPlotRect& plot) const {
  return (v - min) / (max - min) * Length(plot);
}

int TAxe::PixelAt(double offset, const TPlotRect& plot) const {
  return orientation_ == aoHorizontal ? RoundToInt(plot.left + offset)
                                      : RoundToInt(plot.Bottom() - offset);
}

bool TAxe::Inside(int pixel, const TPlotRect& plot, bool strict) const {
  const int lo = orientation_ == aoHorizontal ? plot.left : plot.top;
  const int hi = orientation_ == aoHorizontal ? plot.Right() : plot.Bottom();
  return strict ? (pixel > lo && pixel < hi) : (pixel >= lo && pixel <= hi);
}

void TAxe::Draw(Canvas& canvas, const TPlotRect& plot) {
  canvas.SetBrush({colour, TBrushStyle::bsSolid});
  canvas.FillRect(area_);
  majorCount_ = 0;
  if (!visible || !(max - min > 0) || !std::isfinite(max - min) || Length(plot) <= 0) return;
  const TAxisTicks t = ComputeAxisTicks(min, max);
  if (t.count <= 0 || !(t.step > 0)) return;
  majorCount_ = t.count;
  DrawLabels(canvas, plot, t.step, t.first, t.count);
  DrawTitle(canvas, plot);
  DrawGridAndTicks(canvas, plot, t.step, t.first, t.count);
}

void TAxe::DrawLabels(Canvas& canvas, const TPlotRect& plot, double step, double first, int count) {
  canvas.SetFont(LabelFont());
  const double pixelStep = Length(plot) * step / (max - min);
  const double firstOffset = Offset(first, plot);
  double v = first;
  for (int i = 0; i < count; ++i, v += step) {
    const double off = firstOffset + i * pixelStep;
    if (off > Length(plot) + 0.5) break;  // centre beyond the far end
    if (off < -0.5) continue;
    const std::string text = FormatTickLabel(v, min, max, step);
    const TTextSize sz = canvas.TextExtent(text);
    const int at = PixelAt(off, plot);
    if (orientation_ == aoHorizontal)
      canvas.TextOut(at - sz.cx / 2, plot.Bottom() + 6, text);
    else
      canvas.TextOut(plot.left - 6 - sz.cx, at - sz.cy / 2, text);
  }
}

void TAxe::DrawTitle(Canvas& canvas, const TPlotRect& plot) {
  int along = titleOffset;
  for (std::size_t i = 0; i < title.size(); ++i) {
    TFont f;
    f.size = i == 0 ? 14 : 12;
    f.bold = i == 0;
    f.color = i == 0 ? colors::Blue : colors::Black;
    f.angle = orientation_ == aoVertical ? 900 : 0;
    canvas.SetFont(f);
    const std::string text = Fit(canvas, title[i], Length(plot));
    const TTextSize sz = canvas.TextExtent(text);
    if (orientation_ == aoHorizontal) {
      // Lines stack upwards from the bottom edge, the main title lowest.
      const int y = controlHeight_ - along - sz.cy;
      canvas.TextOut(plot.left + (plot.width - sz.cx) / 2, y, text);
    } else {
      // Written upwards; the first line nearest the left edge.
      canvas.TextOut(along, plot.top + (plot.height + sz.cx) / 2, text);
    }
    along += sz.cy + 2;
  }
}

void TAxe::Across(Canvas& canvas, const TPlotRect& plot, int at) {
  if (orientation_ == aoHorizontal)
    canvas.Line(at, plot.top, at, plot.Bottom());
  else
    canvas.Line(plot.left, at, plot.Right(), at);
}

void TAxe::Tick(Canvas& canvas, const TPlotRect& plot, int at, int length) {
  if (orientation_ == aoHorizontal)
    canvas.Line(at, plot.Bottom(), at, plot.Bottom() - length);
  else
    canvas.Line(plot.left, at, plot.left + length, at);
}

void TAxe::DrawGridAndTicks(Canvas& canvas, const TPlotRect& plot, double step, double first,
                            int count) {
  const double pixelStep = Length(plot) * step / (max - min);
  const double firstOffset = Offset(first, plot);
  canvas.SetPen({kGridColour, 1, TPenStyle::psDot});
  for (int i = 0; i < count; ++i) {
    const int at = PixelAt(firstOffset + i * pixelStep, plot);
    if (Inside(at, plot, false)) Across(canvas, plot, at);
  }
  if (min < 0 && max > 0) {
    const int at = PixelAt(Offset(0.0, plot), plot);
    if (Inside(at, plot, true)) {
      canvas.SetPen({kGridColour, 3, TPenStyle::psSolid});
      Across(canvas, plot, at);
    }
  }
  canvas.SetPen({colors::Black, 1, TPenStyle::psSolid});
  for (int i = 0; i < count; ++i) {
    const int at = PixelAt(firstOffset + i * pixelStep, plot);
    if (Inside(at, plot, false)) Tick(canvas, plot, at, 4);
  }
  canvas.SetPen({kGridColour, 1, TPenStyle::psSolid});
  const double minorStep = pixelStep / kMinorCount;
  for (int k = -kMinorCount; k <= count * kMinorCount; ++k) {
    if (k % kMinorCount == 0) continue;
    const int at = PixelAt(firstOffset + k * minorStep, plot);
    if (Inside(at, plot, false)) Tick(canvas, plot, at, 3);
  }
}

TPixelRect TBulle::Box(Canvas& canvas, int controlWidth, int controlHeight) const {
  int w = 0, h = 0;
  for (const auto& l : lines_) {
    const TTextSize sz = canvas.TextExtent(l);
    w = std::max(w, sz.cx);
    h += sz.cy;
  }
  w += 20;
  h += 4;
  const bool left = place == bpUpLeft || place == bpDownLeft;
  const bool up = place == bpUpLeft || place == bpUpRight;
  const int x = left ? 2 : controlWidth - 2 - w;
  const int y = up ? 1 : controlHeight - 6 - h;
  return {x, y, x + w, y + h};
}

void TBulle::Draw(Canvas& canvas, const TFont& font, int controlWidth, int controlHeight) const {
  if (!Shown()) return;
  TFont f = font;
  f.color = colors::Black;
  canvas.SetFont(f);
  const TPixelRect box = Box(canvas, controlWidth, controlHeight);
  canvas.SetPen({colors::Black, 1, TPenStyle::psSolid});
  canvas.SetBrush({kBackground, TBrushStyle::bsSolid});
  canvas.Rectangle(box.left, box.top, box.right, box.bottom);
  int y = box.top + 2;
  for (const auto& l : lines_) {
    canvas.TextOut(box.left + 4, y, l);
    y += canvas.TextHeight(l);
  }
}

}  // namespace kinevo
