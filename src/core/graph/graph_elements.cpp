#include "core/graph/graph_elements.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "core/common/number_format.h"

namespace kinevo {
namespace {

std::atomic<int> gSerial{0};

TPen SolidPen(TColor c, int width = 1) { return {c, width, TPenStyle::psSolid}; }

}  // namespace

int PointTolerance(int displaySize) { return displaySize == 1 ? 10 : 6; }

int MarkerSize(int displaySize) { return displaySize == 1 ? 2 : displaySize == 2 ? 1 : 0; }

TGElem::TGElem(TGObjectType kind) : id_(++gSerial), kind_(kind) {}

void TGElem::SetWorld(const TWorldWindow& w, const TPlotRect& plot) {
  world_ = w;
  plot_ = plot;
  stale_ = true;
  if (Shown() && !onDemand_) Refresh();
}

void TGElem::SetWorld(const TWorldWindow& w, const TPlotRect& plot, const TPixelMap& map) {
  if (kind_ != obPoint || !Shown() || onDemand_) return SetWorld(w, plot);
  world_ = w;
  plot_ = plot;
  stale_ = false;
  auto& point = static_cast<TGPoint&>(*this);
  point.pixel = map.Map(point.world.x, point.world.y);
}

void TGElem::Refresh() {
  stale_ = false;
  UpdatePixels();
}

void TGElem::SetShown(bool shown) {
  requested_ = shown;
  if (stale_ && Shown() && !onDemand_) Refresh();
}

void TGElem::SetMasked(bool masked) {
  masked_ = masked;
  if (stale_ && Shown() && !onDemand_) Refresh();
}

void TGElem::Assign(const TGElem& src) {
  curve = src.curve;
  userDrawn = src.userDrawn;
  colour = src.colour;
  requested_ = src.requested_;
  masked_ = src.masked_;
  world_ = src.world_;
  plot_ = src.plot_;
  stale_ = true;
}

bool TGElem::Equals(const TGElem& o) const {
  return kind_ == o.kind_ && curve == o.curve && userDrawn == o.userDrawn && colour == o.colour &&
         requested_ == o.requested_ && masked_ == o.masked_;
}

std::string TGElem::InfoText() const {
  std::string out;
  for (const auto& l : InfoLines()) {
    if (!out.empty()) out += "\r\n";
    out += l;
  }
  return out;
}

// ---------------------------------------------------------------- TGPoint

TGPoint::TGPoint(TWorldPoint p, int n) : TGElem(obPoint), world(p), number(n) {
  colour = kDefaultPointColour;
}

bool TGPoint::HitTest(TPixel p, int t) const {
  return Shown() && NearPoint(p, pixel, std::max(t, tolerance));
}

std::vector<std::string> TGPoint::InfoLines() const {
  return {"Image " + std::to_string(number), "x = " + FormatNumber(0, world.x),
          "y = " + FormatNumber(0, world.y)};
}

void TGPoint::Draw(Canvas& canvas, const TDrawContext& ctx) const {
  if (highlighted) {
    // The image shown in the main window: a ring around the point.
    const int r = TMotif::DiscRadius(ctx.markerSize) + 4;
    canvas.SetPen(SolidPen(colors::Black, 2));
    canvas.SetBrush({colors::White, TBrushStyle::bsClear});
    canvas.Ellipse(pixel.x - r, pixel.y - r, pixel.x + r + 1, pixel.y + r + 1);
  }
  // The error bars: ± one standard uncertainty, with short caps.
  constexpr int kCap = 3;
  auto shown = [](double e) { return e > 0.0 && std::isfinite(e); };
  if (shown(errorX) || shown(errorY)) canvas.SetPen(SolidPen(colour, 1));
  if (shown(errorY)) {
    const TPixel low = ToPixel({world.x, world.y - errorY});
    const TPixel high = ToPixel({world.x, world.y + errorY});
    canvas.Line(pixel.x, low.y, pixel.x, high.y);
    canvas.Line(pixel.x - kCap, low.y, pixel.x + kCap + 1, low.y);
    canvas.Line(pixel.x - kCap, high.y, pixel.x + kCap + 1, high.y);
  }
  if (shown(errorX)) {
    const TPixel left = ToPixel({world.x - errorX, world.y});
    const TPixel right = ToPixel({world.x + errorX, world.y});
    canvas.Line(left.x, pixel.y, right.x, pixel.y);
    canvas.Line(left.x, pixel.y - kCap, left.x, pixel.y + kCap + 1);
    canvas.Line(right.x, pixel.y - kCap, right.x, pixel.y + kCap + 1);
  }
  ctx.utils.DrawSymbol(canvas, pixel, colour, ctx.markerSize, symbol);
}

void TGPoint::DrawLabel(Canvas& canvas) const {
  TFont f = canvas.Font();
  f.color = labelColour;
  f.size = 8;
  f.bold = false;
  f.angle = 0;
  canvas.SetFont(f);
  const std::string text = std::to_string(number);
  const TTextSize sz = canvas.TextExtent(text);
  if (labelPlace == 2)
    canvas.TextOut(pixel.x + 8, pixel.y - sz.cy / 2, text);
  else
    canvas.TextOut(pixel.x - sz.cx / 2, pixel.y + 7, text);
}

void TGPoint::MoveBy(int dx, int dy) {
  pixel.x += dx;
  pixel.y += dy;
  world = PixelToWorld(Plot(), World(), pixel.x, pixel.y);
}

// ---------------------------------------------------------------- TGPolyPoint

TGPolyPoint::TGPolyPoint(TGObjectType kind, std::vector<TWorldPoint> points)
    : TGElem(kind), points_(std::move(points)) {}

void TGPolyPoint::UpdatePixels() {
  pixels_.resize(points_.size());
  const TPixelMap map = PixelMap();
  for (std::size_t i = 0; i < points_.size(); ++i) pixels_[i] = map.Map(points_[i].x, points_[i].y);
  UpdateGeometry();
}

bool TGPolyPoint::InsideRect(const TPixelRect& r) const {
  if (!Shown()) return false;
  const std::vector<TPixel>& pixels = Pixels();
  return std::all_of(pixels.begin(), pixels.end(), [&](const TPixel& p) {
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
  });
}

int TGPolyPoint::PickHandle(TPixel p, int t) {
  const std::vector<TPixel> handles = Handles();
  currentHandle = -2;
  if (!Shown()) return currentHandle;
  for (std::size_t i = 0; i < handles.size(); ++i)
    if (NearPoint(p, handles[i], t)) return currentHandle = static_cast<int>(i);
  if (HitTest(p, t)) currentHandle = -1;
  return currentHandle;
}

void TGPolyPoint::MoveBy(double dx, double dy) {
  const TWorldPoint o = ToWorld(0, 0), d = ToWorld(dx, dy);
  for (TWorldPoint& w : points_) {
    w.x += d.x - o.x;
    w.y += d.y - o.y;
  }
  UpdatePixels();
}

void TGPolyPoint::MoveHandleTo(int handle, TPixel p) {
  if (handle < 0 || handle >= static_cast<int>(points_.size())) return;
  points_[static_cast<std::size_t>(handle)] = ToWorld(p.x, p.y);
  UpdatePixels();
}

void TGPolyPoint::RotateAbout(TPixel c, double sin, double cos) {
  for (TWorldPoint& w : points_) {
    double px, py;
    WorldToPixelF(Plot(), World(), w.x, w.y, px, py);
    // Counter-clockwise on the screen, whose y axis points down.
    const double dx = px - c.x, dy = py - c.y;
    w = ToWorld(c.x + dx * cos + dy * sin, c.y - dx * sin + dy * cos);
  }
  UpdatePixels();
}

void TGPolyPoint::SnapPoint(int i, const TWorldPoint& w) {
  if (i < 0 || i >= static_cast<int>(points_.size())) return;
  points_[static_cast<std::size_t>(i)] = w;
  UpdatePixels();
}

void TGPolyPoint::Assign(const TGElem& src) {
  TGElem::Assign(src);
  if (const auto* p = dynamic_cast<const TGPolyPoint*>(&src)) points_ = p->points_;
  UpdatePixels();
}

bool TGPolyPoint::Equals(const TGElem& o) const {
  if (!TGElem::Equals(o)) return false;
  const auto* p = dynamic_cast<const TGPolyPoint*>(&o);
  if (!p || p->points_.size() != points_.size()) return false;
  for (std::size_t i = 0; i < points_.size(); ++i)
    if (!SamePoint(points_[i], p->points_[i])) return false;
  return true;
}

// ---------------------------------------------------------------- TGSegment

bool TGSegment::HitTest(TPixel p, int t) const {
  if (!Shown()) return false;
  const std::vector<TPixel>& px = Pixels();
  return SegmentHandle(p, px[0], px[1], t) != -2;
}

std::vector<std::string> TGSegment::InfoLines() const {
  const double dx = points_[1].x - points_[0].x, dy = points_[1].y - points_[0].y;
  return {"dx = " + FormatNumber(0, dx), "dy = " + FormatNumber(0, dy),
          "longueur = " + FormatNumber(0, std::hypot(dx, dy))};
}

void TGSegment::Draw(Canvas& canvas, const TDrawContext&) const {
  canvas.SetPen(SolidPen(colour, selected ? 2 : 1));
  const std::vector<TPixel>& px = Pixels();
  canvas.Line(px[0].x, px[0].y, px[1].x, px[1].y);
}

// ---------------------------------------------------------------- TGSpline

std::vector<TPixel> TGSpline::Path() const {
  const std::size_t n = pixels_.size();
  if (n < 3) return pixels_;
  std::vector<TPixel> out;
  out.reserve(n * 4);
  auto at = [&](std::ptrdiff_t i) {
    return pixels_[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(i, 0, n - 1))];
  };
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const TPixel p0 = at(static_cast<std::ptrdiff_t>(i) - 1), p1 = at(i), p2 = at(i + 1),
                 p3 = at(i + 2);
    // Enough steps to look smooth, never more than the pixel distance.
    const int steps = std::clamp(static_cast<int>(Distance(p1, p2) / 4), 1, 16);
    for (int k = 0; k < steps; ++k) {
      const double t = double(k) / steps, t2 = t * t, t3 = t2 * t;
      auto cr = [&](int a, int b, int c, int d) {
        return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 +
                      (-a + 3 * b - 3 * c + d) * t3);
      };
      const TPixel q{RoundToInt(cr(p0.x, p1.x, p2.x, p3.x)),
                     RoundToInt(cr(p0.y, p1.y, p2.y, p3.y))};
      if (out.empty() || !(out.back() == q)) out.push_back(q);
    }
  }
  out.push_back(pixels_.back());
  return out;
}

bool TGSpline::HitTest(TPixel p, int t) const {
  if (!Shown()) return false;
  const std::vector<TPixel> path = Path();
  for (std::size_t i = 0; i + 1 < path.size(); ++i)
    if (NearSegment(p, path[i], path[i + 1], t)) return true;
  return false;
}

void TGSpline::Draw(Canvas& canvas, const TDrawContext&) const {
  canvas.SetPen(SolidPen(colour, selected ? 2 : 1));
  canvas.Polyline(Path());
}

// ---------------------------------------------------------------- TGVecteur

TGVecteur::TGVecteur(TWorldPoint origin, TWorldPoint c, int fam)
    : TGPolyPoint(obVecteur, {origin}), family(fam), components(c) {
  colour = kDefaultVectorColour;
}

void TGVecteur::SetFactor(double factor) {
  factor_ = factor;
  UpdatePixels();
}

void TGVecteur::UpdatePixels() {
  TGPolyPoint::UpdatePixels();
  const double k = factor_ * Plot().width;
  tip_ = {pixels_[0].x + RoundToInt(components.x * k), pixels_[0].y - RoundToInt(components.y * k)};
}

bool TGVecteur::HitTest(TPixel p, int t) const {
  return Shown() && SegmentHandle(p, pixels_[0], tip_, t) != -2;
}

std::vector<std::string> TGVecteur::InfoLines() const {
  const std::string u = unit.empty() ? std::string() : " " + unit;
  return {"composante x = " + FormatNumber(0, components.x) + u,
          "composante y = " + FormatNumber(0, components.y) + u,
          "valeur = " + FormatNumber(0, Magnitude()) + u};
}

void TGVecteur::Draw(Canvas& canvas, const TDrawContext&) const {
  DrawVectorArrow(canvas, pixels_[0], tip_, colour, selected ? 3 : 2);
}

void DrawVectorArrow(Canvas& canvas, TPixel from, TPixel tip, TColor colour, int width,
                     double headLength) {
  canvas.SetPen(SolidPen(colour, width));
  canvas.Line(from.x, from.y, tip.x, tip.y);
  const double len = Distance(from, tip);
  if (len < 1) return;
  // Arrow head: two strokes at 25 degrees, at most a third of the length.
  const double head = std::min(headLength, len / 3), ux = (from.x - tip.x) / len,
               uy = (from.y - tip.y) / len;
  const double c = std::cos(DegToRad(25)), s = std::sin(DegToRad(25));
  for (double sign : {1.0, -1.0}) {
    const double hx = ux * c - sign * uy * s, hy = sign * ux * s + uy * c;
    canvas.Line(tip.x, tip.y, tip.x + RoundToInt(hx * head), tip.y + RoundToInt(hy * head));
  }
}

}  // namespace kinevo
