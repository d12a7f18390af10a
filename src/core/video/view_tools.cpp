#include "core/video/view_tools.h"

#include <algorithm>
#include <cmath>

#include "core/common/math_utils.h"

namespace kinevo {

void TZoom::SetValue(int32_t v) { value_ = std::clamp(v, kMin, kMax); }

void TZoom::ZoomIn(bool ctrl) {
  if (ctrl) {
    SetValue(value_ + 10);
    return;
  }
  if (value_ < 200)
    SetValue(200);
  else if (value_ < 300)
    SetValue(300);
  else if (value_ < 400)
    SetValue(400);
  else if (value_ < 500)
    SetValue(500);
  else if (value_ < 600)
    SetValue(600);
  else
    SetValue(800);
}

void TZoom::ZoomOut(bool ctrl) {
  if (ctrl) {
    SetValue(value_ - 10);
    return;
  }
  if (value_ <= 200)
    SetValue(100);
  else if (value_ <= 300)
    SetValue(200);
  else if (value_ <= 400)
    SetValue(300);
  else if (value_ <= 500)
    SetValue(400);
  else if (value_ <= 600)
    SetValue(500);
  else
    SetValue(600);
}

void TZoom::Multiply(double k) {
  if (!std::isfinite(k)) return;
  const int32_t product = RoundToInt(static_cast<double>(value_) * k);
  SetValue(product / 10 * 10);
}

void TLoupe::SetFactor(int32_t f) {
  factor_ = std::clamp(f, kMinFactor, kMaxFactor);
  UpdateSource();
}

void TLoupe::UpdateSource() {
  sourceWidth_ = RoundToInt(bounds_.Width() * 100.0 / factor_);
  sourceHeight_ = RoundToInt(bounds_.Height() * 100.0 / factor_);
}

void TLoupe::SetBounds(const TPixelRect& r, int areaW, int areaH) {
  const int w = std::max(r.Width(), 0), h = std::max(r.Height(), 0);
  int left = std::max(std::min(r.left, areaW - w), 0);
  int top = std::max(std::min(r.top, areaH - h), 0);
  bounds_ = {left, top, left + w, top + h};
  UpdateSource();
}

bool TLoupe::NearBorder(int x, int y) const {
  return x < kBorderGrip || y < kBorderGrip || x >= Width() - kBorderGrip ||
         y >= Height() - kBorderGrip;
}

bool TLoupe::MouseDown(TMouseButton button, int x, int y, TPixel screen) {
  if (NearBorder(x, y)) {
    Moving = true;
    MoveAnchor = screen;
    return false;
  }
  const int32_t before = factor_;
  if (button == mbLeft)
    SetFactor(factor_ + 100);
  else if (button == mbRight)
    SetFactor(factor_ - 100);
  return factor_ != before;
}

bool TLoupe::MouseMove(TPixel screen, int areaW, int areaH) {
  if (!Moving) return false;
  const int dx = screen.x - MoveAnchor.x, dy = screen.y - MoveAnchor.y;
  MoveAnchor = screen;
  const TPixelRect before = bounds_;
  SetBounds({bounds_.left + dx, bounds_.top + dy, bounds_.right + dx, bounds_.bottom + dy}, areaW,
            areaH);
  return !(bounds_ == before);
}

void TLoupe::Paint(Canvas& canvas, const Image& backBuffer) const {
  const int w = Width(), h = Height();
  if (w <= 0 || h <= 0) return;
  canvas.SetBrush({colors::Black, TBrushStyle::bsSolid});
  canvas.FillRect({0, 0, w, h});
  if (sourceWidth_ > 0 && sourceHeight_ > 0) {
    // The magnified part of the composed view; outside the view stays black.
    const int left = Center.x - sourceWidth_ / 2;
    const int top = Center.y - sourceHeight_ / 2;
    Image part(sourceWidth_, sourceHeight_, colors::Black);
    const int x0 = std::max(left, 0), x1 = std::min(left + sourceWidth_, backBuffer.Width());
    const int y0 = std::max(top, 0), y1 = std::min(top + sourceHeight_, backBuffer.Height());
    if (x0 < x1 && y0 < y1) {
      for (int y = y0; y < y1; ++y)
        std::copy_n(backBuffer.Row(y) + static_cast<std::size_t>(x0) * 3,
                    static_cast<std::size_t>(x1 - x0) * 3,
                    part.Row(y - top) + static_cast<std::size_t>(x0 - left) * 3);
    }
    canvas.StretchDraw({0, 0, w, h}, part);
  }
  // Cross-hair with a gap of 4 pixels around the centre: white on the
  // middle lines, black on each side of them.
  const int cx = w / 2, cy = h / 2;
  auto cross = [&](int vx, int hy) {
    canvas.Line(vx, 0, vx, cy - 2);
    canvas.Line(vx, cy + 3, vx, h);
    canvas.Line(0, hy, cx - 2, hy);
    canvas.Line(cx + 3, hy, w, hy);
  };
  canvas.SetPen({colors::Black, 1, TPenStyle::psSolid, TPenMode::pmCopy});
  canvas.Line(cx - 1, 0, cx - 1, cy - 2);
  canvas.Line(cx - 1, cy + 3, cx - 1, h);
  canvas.Line(cx + 1, 0, cx + 1, cy - 2);
  canvas.Line(cx + 1, cy + 3, cx + 1, h);
  canvas.Line(0, cy - 1, cx - 2, cy - 1);
  canvas.Line(cx + 3, cy - 1, w, cy - 1);
  canvas.Line(0, cy + 1, cx - 2, cy + 1);
  canvas.Line(cx + 3, cy + 1, w, cy + 1);
  canvas.SetPen({colors::White, 1, TPenStyle::psSolid, TPenMode::pmCopy});
  cross(cx, cy);
  canvas.SetPen({colors::Black, 1, TPenStyle::psSolid, TPenMode::pmCopy});
  canvas.SetBrush({colors::Black, TBrushStyle::bsClear});
  canvas.Rectangle(0, 0, w, h);
}

}  // namespace kinevo
