#include "core/graph/figures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/common/number_format.h"

namespace kinevo {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kCircleSteps = 72;

TPen FigurePen(const TGElem& e) { return {e.colour, e.selected ? 2 : 1, TPenStyle::psSolid}; }

// Small squares on the handles of a selected figure.
void DrawHandles(Canvas& canvas, const TGElem& e, const std::vector<TPixel>& handles) {
  if (!e.selected) return;
  canvas.SetPen({e.colour, 1, TPenStyle::psSolid});
  canvas.SetBrush({colors::White, TBrushStyle::bsSolid});
  for (const TPixel& h : handles) canvas.Rectangle(h.x - 2, h.y - 2, h.x + 3, h.y + 3);
}

bool NearPath(const std::vector<TPixel>& path, TPixel p, int t) {
  if (path.size() == 1) return NearPoint(p, path[0], t);
  for (std::size_t i = 0; i + 1 < path.size(); ++i)
    if (NearSegment(p, path[i], path[i + 1], t)) return true;
  return false;
}

TWorldPoint Minus(const TWorldPoint& a, const TWorldPoint& b) { return {a.x - b.x, a.y - b.y}; }

TPixel Round(double x, double y) { return {RoundToInt(x), RoundToInt(y)}; }

// Points of a closed or open curve given in world units, as pixels without
// repeats.
std::vector<TPixel> ToPath(const TGElem& e, const std::vector<TWorldPoint>& world) {
  std::vector<TPixel> out;
  out.reserve(world.size());
  for (const TWorldPoint& w : world) {
    const TPixel p = WorldToPixel(e.Plot(), e.World(), w.x, w.y);
    if (out.empty() || !(out.back() == p)) out.push_back(p);
  }
  return out;
}

TWorldPoint CatmullRom(const TWorldPoint& p0, const TWorldPoint& p1, const TWorldPoint& p2,
                       const TWorldPoint& p3, double t) {
  const double t2 = t * t, t3 = t2 * t;
  auto cr = [&](double a, double b, double c, double d) {
    return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 +
                  (-a + 3 * b - 3 * c + d) * t3);
  };
  return {cr(p0.x, p1.x, p2.x, p3.x), cr(p0.y, p1.y, p2.y, p3.y)};
}

}  // namespace

// ---------------------------------------------------------------- measures

std::string LengthLine(const std::string& label, double length, const std::string& sep) {
  return label + sep + FormatGeneral(length, 3) + " m";
}

std::string AngleLine(const std::string& label, double radians, const std::string& sep) {
  const char d = DecimalSeparator();
  return label + sep + FormatFloatFixed(RadToDeg(radians), 15, 1, d) + "\u00B0 (" +
         FormatFloatFixed(radians, 15, 3, d) + " rad)";
}

double SalientAngle(const TWorldPoint& a, const TWorldPoint& v, const TWorldPoint& b) {
  const TWorldPoint u = Minus(a, v), w = Minus(b, v);
  return std::atan2(std::fabs(u.x * w.y - u.y * w.x), u.x * w.x + u.y * w.y);
}

double EllipseCircumference(double a, double b) {
  if (SameValue(a, b)) return 2 * kPi * a;
  return kPi * (3 * (a + b) - std::sqrt((3 * a + b) * (a + 3 * b)));
}

TCircleThrough CircleThrough(const TWorldPoint& a, const TWorldPoint& b, const TWorldPoint& c) {
  TCircleThrough out;
  const double d = 2 * (a.x * (b.y - c.y) + b.x * (c.y - a.y) + c.x * (a.y - b.y));
  if (IsZero(d) || !std::isfinite(d)) return out;
  const double a2 = a.x * a.x + a.y * a.y, b2 = b.x * b.x + b.y * b.y, c2 = c.x * c.x + c.y * c.y;
  out.centre = {(a2 * (b.y - c.y) + b2 * (c.y - a.y) + c2 * (a.y - b.y)) / d,
                (a2 * (c.x - b.x) + b2 * (a.x - c.x) + c2 * (b.x - a.x)) / d};
  out.radius = Distance(out.centre, a);
  out.aligned = !std::isfinite(out.radius) || IsHuge(out.radius);
  return out;
}

TArcGeometry ArcGeometry(const TWorldPoint& a, const TWorldPoint& b, const TWorldPoint& m) {
  TArcGeometry g;
  g.circle = CircleThrough(a, m, b);
  if (g.circle.aligned) return g;
  const TWorldPoint c = g.circle.centre;
  g.start = std::atan2(a.y - c.y, a.x - c.x);
  const double toB = WrapPositive(std::atan2(b.y - c.y, b.x - c.x) - g.start);
  const double toM = WrapPositive(std::atan2(m.y - c.y, m.x - c.x) - g.start);
  // Counter-clockwise from a when the bulge lies on that way to b.
  g.sweep = toM <= toB ? toB : toB - 2 * kPi;
  return g;
}

double TArcGeometry::Length(const TWorldPoint& a, const TWorldPoint& b) const {
  return circle.aligned ? Distance(a, b) : circle.radius * std::fabs(sweep);
}

std::string FigureKindWord(TGObjectType kind) {
  switch (kind) {
    case obAngle:
      return "Angle";
    case obArc:
      return "Arc";
    case obCercle:
      return "Cercle";
    case obEllipse:
      return "Ellipse";
    case obSegment:
      return "Segment";
    case obSpline:
      return "Courbe";
    case obVecteur:
      return "Vecteur";
    default:
      return {};
  }
}

bool IsFigureKind(TGObjectType kind) {
  return (kind >= obAngle && kind <= obEllipse) || (kind >= obSegment && kind <= obVecteur);
}

// ---------------------------------------------------------------- segment

TGFigSegment::TGFigSegment(TWorldPoint a, TWorldPoint b) : TGSegment(a, b) {
  userDrawn = true;
  colour = kDefaultSegmentColour;
}

double TGFigSegment::Slope() const {
  const double dx = points_[1].x - points_[0].x, dy = points_[1].y - points_[0].y;
  return dy / dx;
}

std::vector<std::string> TGFigSegment::InfoLines() const {
  if (!measuresSlope) return {LengthLine("Longueur du segment", Length())};
  const double slope = Slope();
  if (!std::isfinite(slope)) return {"Pente du segment : infinie"};
  return {"Pente du segment : " + FormatGeneral(slope, 3) +
          (slopeUnit.empty() ? "" : " " + slopeUnit)};
}

void TGFigSegment::Assign(const TGElem& src) {
  TGSegment::Assign(src);
  if (const auto* s = dynamic_cast<const TGFigSegment*>(&src)) {
    measuresSlope = s->measuresSlope;
    slopeUnit = s->slopeUnit;
  }
}

void TGFigSegment::Draw(Canvas& canvas, const TDrawContext& ctx) const {
  TGSegment::Draw(canvas, ctx);
  DrawHandles(canvas, *this, pixels_);
}

std::unique_ptr<TGElem> TGFigSegment::Clone() const {
  auto c = std::make_unique<TGFigSegment>(points_[0], points_[1]);
  c->Assign(*this);
  return c;
}

// ---------------------------------------------------------------- spline

TGFigSpline::TGFigSpline(std::vector<TWorldPoint> points) : TGSpline(std::move(points)) {
  userDrawn = true;
  colour = kDefaultSplineColour;
}

double TGFigSpline::Length() const {
  const std::size_t n = points_.size();
  if (n < 3) return n == 2 ? Distance(points_[0], points_[1]) : 0.0;
  auto at = [&](std::ptrdiff_t i) {
    return points_[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(i, 0, n - 1))];
  };
  // The same curve as drawn, sampled finely enough for three digits.
  constexpr int kSteps = 64;
  double length = 0.0;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const auto k = static_cast<std::ptrdiff_t>(i);
    TWorldPoint prev = at(k);
    for (int s = 1; s <= kSteps; ++s) {
      const TWorldPoint q = CatmullRom(at(k - 1), at(k), at(k + 1), at(k + 2), double(s) / kSteps);
      length += Distance(prev, q);
      prev = q;
    }
  }
  return length;
}

std::vector<std::string> TGFigSpline::InfoLines() const {
  return {LengthLine("Longueur de la courbe", Length())};
}

void TGFigSpline::Draw(Canvas& canvas, const TDrawContext& ctx) const {
  TGSpline::Draw(canvas, ctx);
  DrawHandles(canvas, *this, pixels_);
}

std::unique_ptr<TGElem> TGFigSpline::Clone() const {
  auto c = std::make_unique<TGFigSpline>(points_);
  c->Assign(*this);
  return c;
}

// ---------------------------------------------------------------- vector

TGFigVecteur::TGFigVecteur(TWorldPoint origin, TWorldPoint tip, int fam, double factor,
                           const TWorldWindow& w, const TPlotRect& plot)
    : TGVecteur(origin, {0, 0}, fam) {
  userDrawn = true;
  worldUnits = !(factor > 0) || plot.width <= 0;
  SetWorld(w, plot);
  SetFactor(worldUnits ? 0.0 : factor);
  double px, py;
  WorldToPixelF(plot, w, tip.x, tip.y, px, py);
  if (worldUnits)
    components = Minus(tip, origin);
  else
    SetTip(px, py);
  UpdatePixels();
}

void TGFigVecteur::UpdatePixels() {
  if (!worldUnits) return TGVecteur::UpdatePixels();
  TGPolyPoint::UpdatePixels();
  tip_ = ToPixel({points_[0].x + components.x, points_[0].y + components.y});
}

TWorldPoint TGFigVecteur::TipWorld() const {
  if (worldUnits) return {points_[0].x + components.x, points_[0].y + components.y};
  double ox, oy;
  WorldToPixelF(Plot(), World(), points_[0].x, points_[0].y, ox, oy);
  const double k = Factor() * Plot().width;
  return PixelToWorld(Plot(), World(), ox + components.x * k, oy - components.y * k);
}

void TGFigVecteur::SetTip(double px, double py) {
  if (worldUnits) {
    components = Minus(ToWorld(px, py), points_[0]);
    return;
  }
  double ox, oy;
  WorldToPixelF(Plot(), World(), points_[0].x, points_[0].y, ox, oy);
  const double k = Factor() * Plot().width;
  if (k > 0) components = {(px - ox) / k, (oy - py) / k};
}

double TGFigVecteur::ScreenAngle() const {
  double ox, oy, tx, ty;
  const TWorldPoint t = TipWorld();
  WorldToPixelF(Plot(), World(), points_[0].x, points_[0].y, ox, oy);
  WorldToPixelF(Plot(), World(), t.x, t.y, tx, ty);
  const double a = WrapPositive(std::atan2(oy - ty, tx - ox));
  return a >= 2 * kPi ? 0.0 : a;
}

void TGFigVecteur::Reverse() {
  points_[0] = TipWorld();
  components = {-components.x, -components.y};
  UpdatePixels();
}

void TGFigVecteur::MoveHandleTo(int handle, TPixel p) {
  if (handle == 1) {
    SetTip(p.x, p.y);
  } else if (handle == 0) {
    // The origin moves, the tip stays.
    const TWorldPoint t = TipWorld();
    points_[0] = ToWorld(p.x, p.y);
    double tx, ty;
    WorldToPixelF(Plot(), World(), t.x, t.y, tx, ty);
    SetTip(tx, ty);
  }
  UpdatePixels();
}

void TGFigVecteur::RotateAbout(TPixel c, double sin, double cos) {
  const TWorldPoint t = TipWorld();
  double ox, oy, tx, ty;
  WorldToPixelF(Plot(), World(), points_[0].x, points_[0].y, ox, oy);
  WorldToPixelF(Plot(), World(), t.x, t.y, tx, ty);
  auto turn = [&](double x, double y, double& rx, double& ry) {
    const double dx = x - c.x, dy = y - c.y;
    rx = c.x + dx * cos + dy * sin;
    ry = c.y - dx * sin + dy * cos;
  };
  turn(ox, oy, ox, oy);
  turn(tx, ty, tx, ty);
  points_[0] = ToWorld(ox, oy);
  SetTip(tx, ty);
  UpdatePixels();
}

void TGFigVecteur::SnapPoint(int i, const TWorldPoint& w) {
  if (i == 0) {
    points_[0] = w;  // the whole vector follows its origin
  } else if (i == 1) {
    double px, py;
    WorldToPixelF(Plot(), World(), w.x, w.y, px, py);
    if (worldUnits)
      components = Minus(w, points_[0]);
    else
      SetTip(px, py);
  }
  UpdatePixels();
}

std::vector<std::string> TGFigVecteur::InfoLines() const {
  const std::string u = worldUnits ? "m" : unit;
  return {"Norme du vecteur : " + FormatGeneral(Magnitude(), 3) + (u.empty() ? "" : " " + u),
          AngleLine("Angle avec l'horizontale", std::atan2(components.y, components.x))};
}

void TGFigVecteur::Draw(Canvas& canvas, const TDrawContext& ctx) const {
  TGVecteur::Draw(canvas, ctx);
  DrawHandles(canvas, *this, Handles());
}

std::unique_ptr<TGElem> TGFigVecteur::Clone() const {
  auto c = std::make_unique<TGFigVecteur>(points_[0], points_[0], family, 0.0, World(), Plot());
  c->Assign(*this);
  return c;
}

void TGFigVecteur::Assign(const TGElem& src) {
  TGPolyPoint::Assign(src);
  const auto* v = dynamic_cast<const TGFigVecteur*>(&src);
  if (!v) return;
  family = v->family;
  unit = v->unit;
  components = v->components;
  worldUnits = v->worldUnits;
  // The chain links stay those of this vector: a link copied back from an
  // older state could name a vector that has gone since.
  SetFactor(v->Factor());
}

bool TGFigVecteur::Equals(const TGElem& o) const {
  const auto* v = dynamic_cast<const TGFigVecteur*>(&o);
  // The chain links are left out: they are dropped, unrecorded, when the
  // vector they name is deleted.
  return v && TGPolyPoint::Equals(o) && v->family == family && v->worldUnits == worldUnits &&
         SamePoint(v->components, components);
}

// ---------------------------------------------------------------- angle

TGAngle::TGAngle(TWorldPoint a, TWorldPoint vertex, TWorldPoint b)
    : TGPolyPoint(obAngle, {a, vertex, b}) {
  userDrawn = true;
}

bool TGAngle::HitTest(TPixel p, int t) const {
  return Shown() &&
         (NearSegment(p, pixels_[0], pixels_[1], t) || NearSegment(p, pixels_[1], pixels_[2], t));
}

std::vector<std::string> TGAngle::InfoLines() const {
  return {AngleLine("Angle saillant entre les deux droites", Angle())};
}

void TGAngle::Draw(Canvas& canvas, const TDrawContext&) const {
  canvas.SetPen(FigurePen(*this));
  canvas.Polyline(pixels_);
  // A small arc at the vertex, on the side of the salient angle.
  const TPixel v = pixels_[1];
  const double a0 = std::atan2(-(pixels_[0].y - v.y), pixels_[0].x - v.x);
  const double a2 = std::atan2(-(pixels_[2].y - v.y), pixels_[2].x - v.x);
  double sweep = AddAngles(a2, -a0);
  const double r = std::min({16.0, Distance(v, pixels_[0]) / 2, Distance(v, pixels_[2]) / 2});
  if (r >= 3) {
    std::vector<TPixel> arc;
    for (int k = 0; k <= 12; ++k) {
      const double a = a0 + sweep * k / 12;
      arc.push_back(Round(v.x + r * std::cos(a), v.y - r * std::sin(a)));
    }
    canvas.Polyline(arc);
  }
  DrawHandles(canvas, *this, pixels_);
}

std::unique_ptr<TGElem> TGAngle::Clone() const {
  auto c = std::make_unique<TGAngle>(points_[0], points_[1], points_[2]);
  c->Assign(*this);
  return c;
}

// ---------------------------------------------------------------- arc

TGArc::TGArc(TWorldPoint a, TWorldPoint b, TWorldPoint bulge) : TGPolyPoint(obArc, {a, b, bulge}) {
  userDrawn = true;
}

std::unique_ptr<TGArc> TGArc::FromEnds(TWorldPoint a, TWorldPoint b, const TWorldWindow& w,
                                       const TPlotRect& plot) {
  double ax, ay, bx, by;
  WorldToPixelF(plot, w, a.x, a.y, ax, ay);
  WorldToPixelF(plot, w, b.x, b.y, bx, by);
  const double dx = bx - ax, dy = by - ay;
  // The left of the chord on the screen, whose y axis points down.
  const TWorldPoint m = PixelToWorld(plot, w, (ax + bx) / 2 + dy / 4, (ay + by) / 2 - dx / 4);
  return std::make_unique<TGArc>(a, b, m);
}

void TGArc::UpdateGeometry() {
  const TArcGeometry g = Geometry();
  if (g.circle.aligned) {
    path_ = {pixels_[0], pixels_[1]};
    return;
  }
  std::vector<TWorldPoint> pts;
  const int steps = std::max(2, static_cast<int>(kCircleSteps * std::fabs(g.sweep) / (2 * kPi)));
  for (int k = 0; k <= steps; ++k) {
    const double a = g.start + g.sweep * k / steps;
    pts.push_back({g.circle.centre.x + g.circle.radius * std::cos(a),
                   g.circle.centre.y + g.circle.radius * std::sin(a)});
  }
  path_ = ToPath(*this, pts);
}

bool TGArc::HitTest(TPixel p, int t) const { return Shown() && NearPath(path_, p, t); }

std::vector<std::string> TGArc::InfoLines() const {
  const TArcGeometry g = Geometry();
  return {LengthLine("Longueur de l'arc de cercle", g.Length(points_[0], points_[1])),
          AngleLine("Angle entre les rayons", std::fabs(g.sweep)),
          g.circle.aligned ? std::string("Longueur du rayon : infinie")
                           : LengthLine("Longueur du rayon", g.circle.radius)};
}

void TGArc::Draw(Canvas& canvas, const TDrawContext&) const {
  canvas.SetPen(FigurePen(*this));
  canvas.Polyline(path_);
  DrawHandles(canvas, *this, pixels_);
}

std::unique_ptr<TGElem> TGArc::Clone() const {
  auto c = std::make_unique<TGArc>(points_[0], points_[1], points_[2]);
  c->Assign(*this);
  return c;
}

// ---------------------------------------------------------------- circle

TGCercle::TGCercle(TWorldPoint centre, TWorldPoint onCircle)
    : TGPolyPoint(obCercle, {centre, onCircle}) {
  userDrawn = true;
}

void TGCercle::UpdateGeometry() {
  const double r = Radius();
  std::vector<TWorldPoint> pts;
  for (int k = 0; k <= kCircleSteps; ++k) {
    const double a = 2 * kPi * k / kCircleSteps;
    pts.push_back({points_[0].x + r * std::cos(a), points_[0].y + r * std::sin(a)});
  }
  path_ = ToPath(*this, pts);
}

bool TGCercle::HitTest(TPixel p, int t) const { return Shown() && NearPath(path_, p, t); }

std::vector<std::string> TGCercle::InfoLines() const {
  return {LengthLine("Circonférence du cercle", 2 * kPi * Radius()),
          LengthLine("Longueur du rayon", Radius())};
}

void TGCercle::Draw(Canvas& canvas, const TDrawContext&) const {
  canvas.SetPen(FigurePen(*this));
  canvas.Polyline(path_);
  if (selected) {
    canvas.SetPen({colour, 1, TPenStyle::psDot});
    canvas.Line(pixels_[0].x, pixels_[0].y, pixels_[1].x, pixels_[1].y);
  }
  DrawHandles(canvas, *this, pixels_);
}

std::unique_ptr<TGElem> TGCercle::Clone() const {
  auto c = std::make_unique<TGCercle>(points_[0], points_[1]);
  c->Assign(*this);
  return c;
}

// ---------------------------------------------------------------- ellipse

TGEllipse::TGEllipse(TWorldPoint centre, double a, double b, double inclination)
    : TGPolyPoint(obEllipse, {}), centre_(centre), a_(a), b_(b), inclination_(inclination) {
  userDrawn = true;
  Rebuild();
}

std::unique_ptr<TGEllipse> TGEllipse::FromCorners(TWorldPoint p, TWorldPoint q) {
  return std::make_unique<TGEllipse>(TWorldPoint{(p.x + q.x) / 2, (p.y + q.y) / 2},
                                     std::fabs(q.x - p.x) / 2, std::fabs(q.y - p.y) / 2, 0.0);
}

void TGEllipse::Rebuild() {
  const double c = std::cos(inclination_), s = std::sin(inclination_);
  const TWorldPoint o = centre_;
  points_ = {{o.x + a_ * c, o.y + a_ * s},
             {o.x - a_ * c, o.y - a_ * s},
             {o.x - b_ * s, o.y + b_ * c},
             {o.x + b_ * s, o.y - b_ * c},
             o};
  UpdatePixels();
}

void TGEllipse::UpdateGeometry() {
  const double c = std::cos(inclination_), s = std::sin(inclination_);
  std::vector<TWorldPoint> pts;
  for (int k = 0; k <= kCircleSteps; ++k) {
    const double t = 2 * kPi * k / kCircleSteps, u = a_ * std::cos(t), v = b_ * std::sin(t);
    pts.push_back({centre_.x + u * c - v * s, centre_.y + u * s + v * c});
  }
  path_ = ToPath(*this, pts);
}

void TGEllipse::SetInclination(double radians) {
  inclination_ = radians;
  Rebuild();
}

void TGEllipse::SetAxisEnd(int i, const TWorldPoint& w) {
  // The half-axis takes the distance of the point along its direction.
  const double c = std::cos(inclination_), s = std::sin(inclination_);
  const TWorldPoint d = Minus(w, centre_);
  if (i <= 1)
    a_ = std::fabs(d.x * c + d.y * s);
  else
    b_ = std::fabs(-d.x * s + d.y * c);
}

void TGEllipse::StretchTo(TPixel p) {
  const TWorldPoint d = Minus(ToWorld(p.x, p.y), centre_);
  const double c = std::cos(inclination_), s = std::sin(inclination_);
  const double u = d.x * c + d.y * s, v = -d.x * s + d.y * c;
  if (IsZero(a_) || IsZero(b_)) {
    // A flat ellipse opens up to the point.
    a_ = std::max(a_, std::fabs(u));
    b_ = std::max(b_, std::fabs(v));
  } else {
    const double k = std::hypot(u / a_, v / b_);
    if (IsZero(k)) return;
    a_ *= k;
    b_ *= k;
  }
  Rebuild();
}

void TGEllipse::MoveBy(double dx, double dy) {
  const TWorldPoint o = ToWorld(0, 0), d = ToWorld(dx, dy);
  centre_.x += d.x - o.x;
  centre_.y += d.y - o.y;
  Rebuild();
}

void TGEllipse::MoveHandleTo(int handle, TPixel p) {
  if (handle == kCentre)
    centre_ = ToWorld(p.x, p.y);
  else if (handle >= 0 && handle < kCentre)
    SetAxisEnd(handle, ToWorld(p.x, p.y));
  Rebuild();
}

void TGEllipse::RotateAbout(TPixel c, double sin, double cos) {
  double cx, cy, ex, ey;
  WorldToPixelF(Plot(), World(), centre_.x, centre_.y, cx, cy);
  WorldToPixelF(Plot(), World(), points_[0].x, points_[0].y, ex, ey);
  auto turn = [&](double& x, double& y) {
    const double dx = x - c.x, dy = y - c.y;
    x = c.x + dx * cos + dy * sin;
    y = c.y - dx * sin + dy * cos;
  };
  turn(cx, cy);
  turn(ex, ey);
  centre_ = ToWorld(cx, cy);
  const TWorldPoint e = Minus(ToWorld(ex, ey), centre_);
  if (!IsZero(e.x) || !IsZero(e.y)) inclination_ = std::atan2(e.y, e.x);
  Rebuild();
}

void TGEllipse::SnapPoint(int i, const TWorldPoint& w) {
  if (i == kCentre)
    centre_ = w;
  else if (i >= 0 && i < kCentre)
    SetAxisEnd(i, w);
  Rebuild();
}

bool TGEllipse::HitTest(TPixel p, int t) const { return Shown() && NearPath(path_, p, t); }

std::vector<std::string> TGEllipse::InfoLines() const {
  // The inclination of the major axis, in [0, π).
  double major = a_ >= b_ ? inclination_ : inclination_ + kPi / 2;
  major = std::fmod(major, kPi);
  if (major < 0) major += kPi;
  return {AngleLine("Angle avec l'horizontale", major),
          LengthLine("Circonférence de l'ellipse", EllipseCircumference(a_, b_), ": "),
          LengthLine("Longueur du demi grand axe", std::max(a_, b_), ": "),
          LengthLine("Longueur du demi petit axe", std::min(a_, b_), ": ")};
}

void TGEllipse::Draw(Canvas& canvas, const TDrawContext&) const {
  canvas.SetPen(FigurePen(*this));
  canvas.Polyline(path_);
  if (selected) {
    canvas.SetPen({colour, 1, TPenStyle::psDot});
    canvas.Line(pixels_[0].x, pixels_[0].y, pixels_[1].x, pixels_[1].y);
    canvas.Line(pixels_[2].x, pixels_[2].y, pixels_[3].x, pixels_[3].y);
  }
  DrawHandles(canvas, *this, pixels_);
}

std::unique_ptr<TGElem> TGEllipse::Clone() const {
  auto c = std::make_unique<TGEllipse>(centre_, a_, b_, inclination_);
  c->Assign(*this);
  return c;
}

void TGEllipse::Assign(const TGElem& src) {
  TGPolyPoint::Assign(src);
  if (const auto* e = dynamic_cast<const TGEllipse*>(&src)) {
    centre_ = e->centre_;
    a_ = e->a_;
    b_ = e->b_;
    inclination_ = e->inclination_;
  }
  Rebuild();
}

bool TGEllipse::Equals(const TGElem& o) const {
  const auto* e = dynamic_cast<const TGEllipse*>(&o);
  return e && TGElem::Equals(o) && SamePoint(e->centre_, centre_) && SameValue(e->a_, a_) &&
         SameValue(e->b_, b_) && SameValue(e->inclination_, inclination_);
}

}  // namespace kinevo
