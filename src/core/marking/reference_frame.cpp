#include "core/marking/reference_frame.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/common/key_store.h"

namespace kinevo {

namespace {
constexpr double kPi = std::numbers::pi;
constexpr double kHalfPi = std::numbers::pi / 2;
// Angles this close to a multiple of π/2 give exactly horizontal or
// vertical axes.
constexpr double kAxisTolerance = 0.001;

TPixel RoundPixel(double x, double y) { return {RoundToInt(x), RoundToInt(y)}; }
}  // namespace

// ---------------------------------------------------------------- transform

TWorldPoint OffsetFromOrigin(const TPictureCoord& p, const TPictureCoord& origin) {
  return {p.x - origin.x, -(p.y - origin.y)};
}

TWorldPoint OffsetToPhysical(double rx, double ry, double kx, double ky, double angle, bool directX,
                             bool directY) {
  const double c = std::cos(angle), s = std::sin(angle);
  double x = kx * rx * c + ky * ry * s;
  double y = ky * ry * c - kx * rx * s;
  if (!directX) x = -x;
  if (!directY) y = -y;
  return {x, y};
}

TWorldPoint PictureToPhysical(const TPictureCoord& p, const TPictureCoord& origin, double kx,
                              double ky, double angle, bool directX, bool directY) {
  const TWorldPoint r = OffsetFromOrigin(p, origin);
  return OffsetToPhysical(r.x, r.y, kx, ky, angle, directX, directY);
}

TPictureCoord PhysicalToPicture(const TWorldPoint& metres, const TPictureCoord& origin, double kx,
                                double ky, double angle, bool directX, bool directY) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  if (!(kx > 0.0) || !(ky > 0.0)) return {kNaN, kNaN};
  const double x = directX ? metres.x : -metres.x;
  const double y = directY ? metres.y : -metres.y;
  // The rotation of OffsetToPhysical undone: kx·rx and ky·ry.
  const double c = std::cos(angle), s = std::sin(angle);
  const double rx = (x * c - y * s) / kx;
  const double ry = (x * s + y * c) / ky;
  return {origin.x + rx, origin.y - ry};
}

double NormaliseAngle(double a) {
  if (!std::isfinite(a)) return std::numeric_limits<double>::quiet_NaN();
  // One step of reduction first, so that the loops run a few times at most.
  if (std::fabs(a) > 64 * kTwoPi) a = std::fmod(a, kTwoPi);
  while (a < -kPi) a += kTwoPi;
  while (a > kPi) a -= kTwoPi;
  return a;
}

TAxisLine AxisLine(const TPixel& o, double a, int w, int h) {
  if (std::fabs(a) < kAxisTolerance) return {{0, o.y}, {w, o.y}};
  if (std::fabs(std::fabs(a) - kPi) < kAxisTolerance) return {{w, o.y}, {0, o.y}};
  if (std::fabs(a - kHalfPi) < kAxisTolerance) return {{o.x, h}, {o.x, 0}};
  if (std::fabs(a + kHalfPi) < kAxisTolerance) return {{o.x, 0}, {o.x, h}};
  // The line y − o.y = −(x − o.x)·tan a on the screen (y downwards).  Its
  // crossings with the four borders that lie on the view's edge, the two
  // extreme ones along the direction (cos a, −sin a) being the ends.
  const double t = std::tan(a);
  const double dx = std::cos(a), dy = -std::sin(a);
  struct Cross {
    double x, y;
  };
  std::vector<Cross> pts;
  auto yAt = [&](double x) { return o.y - (x - o.x) * t; };
  auto xAt = [&](double y) { return o.x - (y - o.y) / t; };
  for (double x : {0.0, double(w)}) {
    const double y = yAt(x);
    if (y >= 0 && y <= h) pts.push_back({x, y});
  }
  for (double y : {0.0, double(h)}) {
    const double x = xAt(y);
    if (x >= 0 && x <= w) pts.push_back({x, y});
  }
  if (pts.size() < 2) {
    // The line misses the view (the origin is far outside it after a zoom or
    // pan): take its crossings with the lines x = 0 and x = w.
    pts = {{0.0, yAt(0.0)}, {double(w), yAt(double(w))}};
  }
  auto along = [&](const Cross& c) { return (c.x - o.x) * dx + (c.y - o.y) * dy; };
  const auto [lo, hi] = std::minmax_element(
      pts.begin(), pts.end(), [&](const Cross& p, const Cross& q) { return along(p) < along(q); });
  return {RoundPixel(lo->x, lo->y), RoundPixel(hi->x, hi->y)};
}

// ---------------------------------------------------------------- TOrigine

void TOrigine::Assign(const THistObject& source) {
  THistObject::Assign(source);
  if (const auto* o = dynamic_cast<const TOrigine*>(&source)) {
    OrigineImageNumber = o->OrigineImageNumber;
    Position = o->Position;
  }
}

bool TOrigine::Equals(const THistObject& other) const {
  const auto* o = dynamic_cast<const TOrigine*>(&other);
  return o != nullptr && THistObject::Equals(other) &&
         OrigineImageNumber == o->OrigineImageNumber && SameValue(Position.x, o->Position.x) &&
         SameValue(Position.y, o->Position.y);
}

// ---------------------------------------------------------------- TRepere

TRepere::TRepere(THistKind kind, IMarkingContext* context) : THistObject(kind), context_(context) {
  origines_.reserve(128);
}

void TRepere::Assign(const THistObject& source) {
  THistObject::Assign(source);
  if (const auto* r = dynamic_cast<const TRepere*>(&source)) {
    directX_ = r->directX_;
    directY_ = r->directY_;
    origin_ = r->origin_;
  }
}

bool TRepere::Equals(const THistObject& other) const {
  const auto* r = dynamic_cast<const TRepere*>(&other);
  return r != nullptr && THistObject::Equals(other) && directX_ == r->directX_ &&
         directY_ == r->directY_ && SameValue(origin_.x, r->origin_.x) &&
         SameValue(origin_.y, r->origin_.y);
}

void TRepere::Record(THistAction action) {
  if (context_ != nullptr) context_->ActiveHistory().RecordStep(*this, action);
}

void TRepere::InvalidateActive() {
  if (context_ != nullptr) context_->InvalidateActiveResults();
}

bool TRepere::InsertOrigine(std::unique_ptr<TOrigine> origine, THistAction /*action*/) {
  if (!origine || FindOrigineById(origine->Id()) != nullptr) return false;
  const int32_t index = origine->ListIndex();
  auto at = origines_.end();
  if (index >= 0 && index < static_cast<int32_t>(origines_.size())) at = origines_.begin() + index;
  TOrigine& placed = **origines_.insert(at, std::move(origine));
  if (context_ != nullptr) context_->ActiveHistory().RecordStep(placed, haDeplacerAjout);
  InvalidateActive();
  return true;
}

bool TRepere::RemoveOrigine(const TOrigine* origine, THistAction action) {
  if (origine == nullptr) return false;
  auto it = std::find_if(origines_.begin(), origines_.end(),
                         [&](const auto& p) { return p.get() == origine; });
  if (it == origines_.end()) return false;
  (*it)->SetListIndex(static_cast<int32_t>(it - origines_.begin()));
  if (context_ != nullptr) context_->ActiveHistory().RecordStep(**it, action);
  origines_.erase(it);
  return true;
}

void TRepere::SetDirectX(bool direct) {
  if (direct == directX_) return;
  Record(haChangerSens);
  directX_ = direct;
  InvalidateActive();
}

void TRepere::SetDirectY(bool direct) {
  if (direct == directY_) return;
  Record(haChangerSens);
  directY_ = direct;
  InvalidateActive();
}

void TRepere::SetOrigin(const TPictureCoord& p) {
  const bool moved = !SameValue(p.x, origin_.x) || !SameValue(p.y, origin_.y);
  origin_ = p;
  if (moved) InvalidateActive();
}

double TRepere::Fraction(double v, double def) const {
  const double reach = ReachBeyondPicture();
  return std::isnan(v) ? def : std::clamp(v, -reach, 1.0 + reach);
}

void TRepere::LoadFromFile(const IKeyReader& ini, const std::string& section,
                           const std::string& suffix) {
  directY_ = ini.ReadBool(section, "DirectYAxisDirection" + suffix, true);
  directX_ = ini.ReadBool(section, "DirectXAxisDirection" + suffix, true);
  origin_.x = Fraction(ini.ReadFloat(section, "OrigineCurrentXCoordinate" + suffix, 0.5), 0.5);
  origin_.y = Fraction(ini.ReadFloat(section, "OrigineCurrentYCoordinate" + suffix, 0.5), 0.5);
}

void TRepere::SaveToFile(IKeyWriter& ini, const std::string& section,
                         const std::string& suffix) const {
  ini.WriteBool(section, "DirectYAxisDirection" + suffix, directY_);
  ini.WriteBool(section, "DirectXAxisDirection" + suffix, directX_);
  ini.WriteFloat(section, "OrigineCurrentXCoordinate" + suffix, origin_.x);
  ini.WriteFloat(section, "OrigineCurrentYCoordinate" + suffix, origin_.y);
}

void TRepere::LoadOriginesFromFile(const IKeyReader& ini, const std::string& section,
                                   const std::string& suffix) {
  origines_.clear();
  const int32_t n = ini.ReadInteger(section, "OriginePositionsNumber" + suffix, 0);
  for (int32_t i = 0; i < n; ++i) {
    const std::string k = suffix + "_" + std::to_string(i);
    // A count larger than the keys present stops at the first missing item
    // rather than filling the list with defaults.
    if (!ini.ValueExists(section, "OrigineImageNumber" + k) &&
        !ini.ValueExists(section, "OrigineXCoordinate" + k))
      break;
    auto o = std::make_unique<TOrigine>();
    o->OrigineImageNumber = ini.ReadInteger(section, "OrigineImageNumber" + k, -1);
    o->Position.x = Fraction(ini.ReadFloat(section, "OrigineXCoordinate" + k, 0), 0);
    o->Position.y = Fraction(ini.ReadFloat(section, "OrigineYCoordinate" + k, 0), 0);
    origines_.push_back(std::move(o));
  }
}

void TRepere::SaveOriginesToFile(IKeyWriter& ini, const std::string& section,
                                 const std::string& suffix) const {
  ini.WriteInteger(section, "OriginePositionsNumber" + suffix,
                   static_cast<int64_t>(origines_.size()));
  for (std::size_t i = 0; i < origines_.size(); ++i) {
    const std::string k = suffix + "_" + std::to_string(i);
    ini.WriteInteger(section, "OrigineImageNumber" + k, origines_[i]->OrigineImageNumber);
    ini.WriteFloat(section, "OrigineXCoordinate" + k, origines_[i]->Position.x);
    ini.WriteFloat(section, "OrigineYCoordinate" + k, origines_[i]->Position.y);
  }
}

TOrigine* TRepere::FindOrigineById(int32_t id) const {
  for (const auto& o : origines_)
    if (o->Id() == id) return o.get();
  return nullptr;
}

TOrigine* TRepere::FindOrigineOfImage(int32_t imageNumber) const {
  for (const auto& o : origines_)
    if (o->OrigineImageNumber == imageNumber) return o.get();
  return nullptr;
}

void TRepere::SetLastOrigineImageNumber(int32_t imageNumber) {
  if (!origines_.empty()) origines_.back()->OrigineImageNumber = imageNumber;
}

bool TRepere::RemoveOrigineOfImage(int32_t imageNumber) {
  TOrigine* o = FindOrigineOfImage(imageNumber);
  if (o == nullptr || !RemoveOrigine(o, haDeplacerRetrait)) return false;
  InvalidateActive();
  return true;
}

// ---------------------------------------------------------------- TRepereFixe

void TRepereFixe::Assign(const THistObject& source) {
  TRepere::Assign(source);
  if (const auto* r = dynamic_cast<const TRepereFixe*>(&source)) {
    originePointsNumber_ = r->originePointsNumber_;
    xAxisAngle_ = r->xAxisAngle_;
    yAxisAngle_ = r->yAxisAngle_;
  }
}

bool TRepereFixe::Equals(const THistObject& other) const {
  const auto* r = dynamic_cast<const TRepereFixe*>(&other);
  return r != nullptr && TRepere::Equals(other) &&
         originePointsNumber_ == r->originePointsNumber_ &&
         SameValue(xAxisAngle_, r->xAxisAngle_) && SameValue(yAxisAngle_, r->yAxisAngle_);
}

std::unique_ptr<THistObject> TRepereFixe::NewSnapshot() const {
  // Snapshots are free-standing: they never record nor draw.
  return std::make_unique<TRepereFixe>(nullptr);
}

void TRepereFixe::Changed() {
  if (Context() != nullptr) Context()->AxesChanged();
}

void TRepereFixe::LoadFromFile(const IKeyReader& ini, const std::string& section,
                               const std::string& suffix) {
  TRepere::LoadFromFile(ini, section, suffix);
  originePointsNumber_ = ini.ReadInteger(section, "OriginePointsNumber" + suffix, 0) >= 1 ? 1 : 0;
  double a = NormaliseAngle(ini.ReadFloat(section, "XAxisAngle" + suffix, 0));
  if (std::isnan(a)) a = 0;
  xAxisAngle_ = a;
  yAxisAngle_ = NormaliseAngle(kHalfPi + a);
  drag_ = rdNone;
  RecomputePoints();
}

void TRepereFixe::SaveToFile(IKeyWriter& ini, const std::string& section,
                             const std::string& suffix) const {
  TRepere::SaveToFile(ini, section, suffix);
  ini.WriteInteger(section, "OriginePointsNumber" + suffix, originePointsNumber_);
  ini.WriteFloat(section, "XAxisAngle" + suffix, xAxisAngle_);
  ini.WriteFloat(section, "YAxisAngle" + suffix, yAxisAngle_);
}

bool TRepereFixe::PlaceOrigin(int x, int y) {
  if (HasOrigin() || Context() == nullptr) return false;
  Record(haChoisir);
  originePointsNumber_ = 1;
  SetOrigin(Context()->View().ScreenToPicture(x, y));
  InvalidateActive();
  RecomputePoints();
  Changed();
  return true;
}

bool TRepereFixe::RemoveOrigin() {
  if (!HasOrigin()) return false;
  Record(haEffacer);
  originePointsNumber_ = 0;
  xAxisAngle_ = 0;
  yAxisAngle_ = kHalfPi;
  drag_ = rdNone;
  Changed();
  InvalidateActive();
  if (Context() != nullptr) Context()->View().UpdateCursor();
  return true;
}

void TRepereFixe::SetXAxisAngle(double a) {
  if (SameValue(a, xAxisAngle_) || std::isnan(a)) return;
  xAxisAngle_ = NormaliseAngle(a);
  yAxisAngle_ = NormaliseAngle(kHalfPi + xAxisAngle_);
  InvalidateActive();
  RecomputeAxes();
  Changed();
}

void TRepereFixe::SetYAxisAngle(double a) {
  if (SameValue(a, yAxisAngle_) || std::isnan(a)) return;
  yAxisAngle_ = NormaliseAngle(a);
  xAxisAngle_ = NormaliseAngle(yAxisAngle_ - kHalfPi);
  InvalidateActive();
  RecomputeAxes();
  Changed();
}

void TRepereFixe::RecomputePoints() {
  if (Context() == nullptr) return;
  originPixel_ = Context()->View().PictureToScreen(Origin());
  RecomputeAxes();
}

void TRepereFixe::RecomputeAxes() {
  if (Context() == nullptr) return;
  const IVideoView& v = Context()->View();
  xAxis_ = AxisLine(originPixel_, xAxisAngle_, v.ViewWidth(), v.ViewHeight());
  yAxis_ = AxisLine(originPixel_, yAxisAngle_, v.ViewWidth(), v.ViewHeight());
}

void TRepereFixe::Reset() {
  SetKind(hkRepereFixe);
  xAxisAngle_ = 0;
  yAxisAngle_ = kHalfPi;
  drag_ = rdNone;
  originPixel_ = {};
  xAxis_ = {};
  yAxis_ = {};
  anchor_ = {};
  originePointsNumber_ = 0;
}

void TRepereFixe::AfterUndo() {
  RecomputePoints();
  InvalidateActive();
  Changed();
}

bool TRepereFixe::IsOnOrigin(int x, int y) const { return NearPoint({x, y}, originPixel_, 5); }

bool TRepereFixe::IsOnXAxis(int x, int y) const {
  return NearSegment({x, y}, originPixel_, XArrowEnd(), PenWidthOrThin());
}

bool TRepereFixe::IsOnYAxis(int x, int y) const {
  return NearSegment({x, y}, originPixel_, YArrowEnd(), PenWidthOrThin());
}

void TRepereFixe::MouseDown(int button, int x, int y) {
  if (Context() == nullptr) return;
  IVideoView& view = Context()->View();
  if (button == 1) {
    RemoveOrigin();
    view.Repaint();
    return;
  }
  if (button != 0) return;
  if (!HasOrigin()) {
    PlaceOrigin(x, y);
    view.Repaint();
    return;
  }
  if (drag_ != rdNone) return;
  if (IsOnOrigin(x, y)) {
    Record(haDeplacer);
    anchor_ = {x, y};
    drag_ = rdOrigin;
  } else if (IsOnXAxis(x, y)) {
    Record(haPivoter);
    drag_ = rdXAxis;
  } else if (IsOnYAxis(x, y)) {
    Record(haPivoter);
    drag_ = rdYAxis;
  }
}

void TRepereFixe::MouseMove(int x, int y) {
  if (Context() == nullptr) return;
  IVideoView& view = Context()->View();
  const TPixel o = originPixel_;
  switch (drag_) {
    case rdOrigin: {
      const TPictureCoord before = Origin();
      SetOrigin(view.ScreenToPicture(o.x + (x - anchor_.x), o.y + (y - anchor_.y)));
      RecomputePoints();
      anchor_ = {x, y};
      if (!SameValue(before.x, Origin().x) || !SameValue(before.y, Origin().y)) Changed();
      view.Repaint();
      return;
    }
    case rdXAxis:
    case rdYAxis: {
      // On the origin itself the direction is undefined: keep the angle.
      if (x == o.x && y == o.y) return;
      const bool direct = drag_ == rdXAxis ? DirectXAxisDirection() : DirectYAxisDirection();
      const double angle = direct ? std::atan2(double(o.y) - y, double(x) - o.x)
                                  : std::atan2(double(y) - o.y, double(o.x) - x);
      if (drag_ == rdXAxis)
        SetXAxisAngle(angle);
      else
        SetYAxisAngle(angle);
      view.Repaint();
      return;
    }
    case rdNone:
      break;
  }
  if (!HasOrigin()) return;
  if (IsOnOrigin(x, y))
    view.SetViewCursor("Selection");
  else if (IsOnXAxis(x, y) || IsOnYAxis(x, y))
    view.SetViewCursor("SelRotation");
  else
    view.UpdateCursor();
}

void TRepereFixe::MouseUp() { drag_ = rdNone; }

void TRepereFixe::Draw(Canvas& canvas) const {
  if (!HasOrigin() || Context() == nullptr) return;
  DrawFrameAxes(
      canvas,
      {xAxis_, yAxis_, xAxisAngle_, yAxisAngle_, DirectXAxisDirection(), DirectYAxisDirection()},
      Context()->ElementColor(), Context()->ElementSize(), Context()->PenWidth());
}

void DrawFrameAxes(Canvas& canvas, const TFrameAxes& axes, TColor colour, int elementSize,
                   int penWidth) {
  const TPen oldPen = canvas.Pen();
  const TBrush oldBrush = canvas.Brush();
  const TFont oldFont = canvas.Font();
  const int size = std::clamp(elementSize, 0, 2);
  const int s = 10 + 5 * size;  // arrow length

  TPen pen = oldPen;
  pen.color = colour;
  pen.width = penWidth;
  pen.style = TPenStyle::psSolid;
  pen.mode = TPenMode::pmCopy;
  canvas.SetPen(pen);
  canvas.SetBrush({colour, TBrushStyle::bsSolid});

  auto drawAxis = [&](const TAxisLine& line, double angle, bool direct, const char* letter) {
    canvas.Line(line.start.x, line.start.y, line.end.x, line.end.y);
    // Unit vector of the axis on the screen (y downwards) and its normal
    // pointing to the left of the axis, which is "above" the x axis.
    const double ux = std::cos(angle), uy = -std::sin(angle);
    const double nx = uy, ny = -ux;
    const TPixel tip = direct ? line.end : line.start;
    const double out = direct ? 1.0 : -1.0;  // from the base of the head to its tip
    const double bx = tip.x - out * ux * s, by = tip.y - out * uy * s;
    canvas.Polygon({tip, RoundPixel(bx + nx * s / 2.0, by + ny * s / 2.0),
                    RoundPixel(bx - nx * s / 2.0, by - ny * s / 2.0)});

    TFont font = oldFont;
    font.bold = true;
    font.color = colour;
    if (size == 1) font.size = 18;
    if (size == 2) font.size = 24;
    font.angle = 0;
    canvas.SetFont(font);
    const TTextSize ext = canvas.TextExtent(letter);
    font.angle = RoundToInt(RadToDeg(angle) * 10.0);
    canvas.SetFont(font);
    // The letter lies along the axis, inside the view from the head, on the
    // left side of the axis, clear of the head.  Text turns about its
    // top-left corner.
    const double from = direct ? -(s + ext.cx) : s;
    const double gap = s / 2.0 + 2 + ext.cy;
    canvas.TextOut(RoundToInt(tip.x + ux * from + nx * gap),
                   RoundToInt(tip.y + uy * from + ny * gap), letter);
  };
  drawAxis(axes.x, axes.xAngle, axes.directX, "x");
  drawAxis(axes.y, axes.yAngle, axes.directY, "y");

  canvas.SetFont(oldFont);
  canvas.SetBrush(oldBrush);
  canvas.SetPen(oldPen);
}

}  // namespace kinevo
