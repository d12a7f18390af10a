#include "core/marking/scale.h"

#include <algorithm>
#include <cmath>

#include "core/common/math_utils.h"

namespace kinevo {

TEchelle::TEchelle(IMarkingContext* ctx, bool separateScales) : THistObject(hkEchelle), ctx_(ctx) {
  kind_ = separateScales ? skVert : skNormal;
}

void TEchelle::Assign(const THistObject& source) {
  THistObject::Assign(source);
  const auto* s = dynamic_cast<const TEchelle*>(&source);
  if (s == nullptr) return;
  counts_ = s->counts_;
  lengths_ = s->lengths_;
  points_ = s->points_;
  kind_ = s->kind_;
}

bool TEchelle::Equals(const THistObject& other) const {
  const auto* s = dynamic_cast<const TEchelle*>(&other);
  if (s == nullptr) return false;
  if (counts_ != s->counts_) return false;
  for (std::size_t i = 0; i < points_.size(); ++i)
    if (!SameValue(points_[i].x, s->points_[i].x) || !SameValue(points_[i].y, s->points_[i].y))
      return false;
  return true;
}

std::unique_ptr<THistObject> TEchelle::NewSnapshot() const {
  return std::make_unique<TEchelle>(nullptr);
}

void TEchelle::SetLength(TScaleKind k, double l) {
  if (SameValue(l, lengths_[k])) return;
  lengths_[k] = l;
  if (ctx_ != nullptr) ctx_->InvalidateAllResults();
}

bool TEchelle::SetScaleKind(TScaleKind k) {
  if (k > skVert) return false;
  const bool changed = k != kind_;
  kind_ = k;
  return changed;
}

void TEchelle::SetSegment(TScaleKind k, int32_t count, TPictureCoord p1, TPictureCoord p2) {
  if (k > skVert) return;
  counts_[k] = std::clamp(count, 0, 2);
  points_[Index(k, 0)] = p1;
  points_[Index(k, 1)] = p2;
  RecomputePoints();
}

std::pair<double, double> TEchelle::GetScaleFactors(bool separate, int imageWidth,
                                                    int imageHeight) const {
  double kx = -1, ky = -1;
  if (separate) {
    const TPictureCoord h1 = points_[2], h2 = points_[3], v1 = points_[4], v2 = points_[5];
    const double dx = std::fabs(h1.x - h2.x);
    if (IsZero(dx)) return {kx, ky};
    kx = lengths_[skHoriz] / dx;
    const double dy = std::fabs(v1.y - v2.y);
    if (!IsZero(dy)) ky = lengths_[skVert] / dy;
    return {kx, ky};
  }
  const double w = imageWidth, h = imageHeight;
  const TPictureCoord p1 = points_[0], p2 = points_[1];
  const double d2 = w * w * (p1.x - p2.x) * (p1.x - p2.x) + h * h * (p1.y - p2.y) * (p1.y - p2.y);
  if (d2 < 1e-100 || std::isnan(d2)) return {kx, ky};
  const double d = std::sqrt(d2);
  return {w * lengths_[skNormal] / d, h * lengths_[skNormal] / d};
}

bool TEchelle::IsGeneralComplete() const {
  return counts_[skNormal] == 2 && lengths_[skNormal] > 0;
}
bool TEchelle::IsHorizComplete() const { return counts_[skHoriz] == 2 && lengths_[skHoriz] > 0; }
bool TEchelle::IsVertComplete() const { return counts_[skVert] == 2 && lengths_[skVert] > 0; }
bool TEchelle::IsScaleComplete() const {
  return kind_ == skNormal ? IsGeneralComplete() : IsHorizComplete() && IsVertComplete();
}

void TEchelle::RemoveLastPoint() {
  int32_t& c = counts_[kind_];
  if (c <= 0) return;
  if (c == 2 && ctx_ != nullptr) ctx_->ActiveHistory().RecordStep(*this, haEffacer);
  --c;
  drag_ = kNoDrag;
  if (ctx_ != nullptr) ctx_->InvalidateAllResults();
}

void TEchelle::Reset(bool separateScales) {
  counts_ = {0, 0, 0};
  lengths_ = {0, 0, 0};
  drag_ = kNoDrag;
  points_.fill(TPictureCoord{});
  screen_.fill(TPixel{});
  anchor_ = {};
  kind_ = separateScales ? skVert : skNormal;
}

void TEchelle::RecomputePoints() {
  if (ctx_ == nullptr) return;
  for (std::size_t i = 0; i < points_.size(); ++i)
    screen_[i] = ctx_->View().PictureToScreen(points_[i]);
}

TPictureCoord TEchelle::Constrained(double x, double y, const TPictureCoord& other) const {
  TPictureCoord p = ctx_->View().ScreenToPicture(x, y);
  if (kind_ == skHoriz) p.y = other.y;
  if (kind_ == skVert) p.x = other.x;
  return p;
}

bool TEchelle::MouseDown(int button, int x, int y) {
  if (ctx_ == nullptr) return false;
  IVideoView& view = ctx_->View();
  if (button == 1) {
    RemoveLastPoint();
    view.Repaint();
    return false;
  }
  if (button != 0 || drag_ != kNoDrag) return false;
  int32_t& count = counts_[kind_];
  const int i1 = Index(kind_, 0), i2 = Index(kind_, 1);
  const TPixel p{x, y};
  pointer_ = p;
  if (count == 2) {
    const int hit = SegmentHandle(p, screen_[i1], screen_[i2], ctx_->PenWidth());
    drag_ = hit;
    if (hit == kDragSegment)
      ctx_->ActiveHistory().RecordStep(*this, haDeplacer);
    else if (hit == kDragPoint1 || hit == kDragPoint2)
      ctx_->ActiveHistory().RecordStep(*this, haModifier);
    anchor_ = p;
    return false;
  }
  if (count == 0) {
    ctx_->ActiveHistory().RecordStep(*this, haDefinir);
    points_[i1] = view.ScreenToPicture(x, y);
    count = 1;
  } else {
    const TPixel s1 = screen_[i1];
    if ((kind_ == skNormal && p == s1) || (kind_ == skHoriz && x == s1.x) ||
        (kind_ == skVert && y == s1.y))
      return false;
    points_[i2] = Constrained(x, y, points_[i1]);
    count = 2;
  }
  ctx_->InvalidateAllResults();
  RecomputePoints();
  view.Repaint();
  return true;
}

void TEchelle::MouseMove(int x, int y) {
  if (ctx_ == nullptr) return;
  IVideoView& view = ctx_->View();
  const TPixel p{x, y};
  pointer_ = p;
  const int count = counts_[kind_];
  const int i1 = Index(kind_, 0), i2 = Index(kind_, 1);
  if (count == 0) {
    view.SetViewCursor("Echelle");
    return;
  }
  if (count == 1) {
    view.SetViewCursor("Echelle");
    view.Repaint();
    return;
  }
  switch (drag_) {
    case kDragSegment: {
      if (p == anchor_) return;
      const int dx = x - anchor_.x, dy = y - anchor_.y;
      const TPictureCoord old1 = points_[i1], old2 = points_[i2];
      points_[i1] = view.ScreenToPicture(screen_[i1].x + dx, screen_[i1].y + dy);
      points_[i2] = view.ScreenToPicture(screen_[i2].x + dx, screen_[i2].y + dy);
      if (kind_ == skHoriz) points_[i2].y = points_[i1].y;
      if (kind_ == skVert) points_[i2].x = points_[i1].x;
      // A whole-segment drag keeps the factors, unless an end was stopped by
      // the picture's border: then the segment changed and so did the results.
      if (!SameValue(points_[i2].x - points_[i1].x, old2.x - old1.x) ||
          !SameValue(points_[i2].y - points_[i1].y, old2.y - old1.y))
        ctx_->InvalidateAllResults();
      anchor_ = p;
      RecomputePoints();
      view.Repaint();
      return;
    }
    case kDragPoint1:
    case kDragPoint2: {
      const int moving = drag_ == kDragPoint1 ? i1 : i2;
      const int other = drag_ == kDragPoint1 ? i2 : i1;
      const TPixel s = screen_[moving];
      if ((kind_ == skNormal && p == s) || (kind_ == skHoriz && x == s.x) ||
          (kind_ == skVert && y == s.y))
        return;
      points_[moving] = Constrained(x, y, points_[other]);
      ctx_->InvalidateAllResults();
      RecomputePoints();
      view.Repaint();
      return;
    }
    default: {
      const int hit = SegmentHandle(p, screen_[i1], screen_[i2], ctx_->PenWidth());
      if (hit == kDragSegment) {
        view.SetViewCursor("Selection");
      } else if (hit == kDragPoint1 || hit == kDragPoint2) {
        const TPictureCoord a = points_[i1], b = points_[i2];
        const bool nesw = (a.x < b.x && a.y < b.y) || (a.x > b.x && a.y > b.y);
        view.SetViewCursor(nesw ? "Nesw" : "Nwse");
      } else {
        view.SetViewCursor("");
      }
      return;
    }
  }
}

void TEchelle::MouseUp() { drag_ = kNoDrag; }

void DrawScaleArrowHead(Canvas& canvas, TPixel tip, TPixel from, int length) {
  const double dx = from.x - tip.x, dy = from.y - tip.y;
  const double n = std::hypot(dx, dy);
  if (n < 1e-9) return;
  const double ux = dx / n, uy = dy / n;
  const double bx = tip.x + ux * length, by = tip.y + uy * length;
  const double hw = length / 2.0;
  const TPixel w1{RoundToInt(bx - uy * hw), RoundToInt(by + ux * hw)};
  const TPixel w2{RoundToInt(bx + uy * hw), RoundToInt(by - ux * hw)};
  canvas.Line(tip.x, tip.y, w1.x, w1.y);
  canvas.Line(tip.x, tip.y, w2.x, w2.y);
}

void TEchelle::Draw(Canvas& canvas) const {
  if (ctx_ == nullptr) return;
  const int count = counts_[kind_];
  if (count == 0) return;
  const int i1 = Index(kind_, 0), i2 = Index(kind_, 1);
  const TPen oldPen = canvas.Pen();
  const TBrush oldBrush = canvas.Brush();
  const TColor c = ctx_->ElementColor();
  canvas.SetPen(TPen{c, ctx_->PenWidth(), TPenStyle::psSolid, TPenMode::pmCopy});
  canvas.SetBrush(TBrush{c, TBrushStyle::bsSolid});
  const TPixel a = screen_[i1];
  TPixel b = screen_[i2];
  if (count == 1) {
    b = pointer_;
    if (kind_ == skHoriz) b.y = a.y;
    if (kind_ == skVert) b.x = a.x;
  }
  const double len = std::hypot(b.x - a.x, b.y - a.y);
  const int head = std::clamp(RoundToInt(len / 10.0), 10, 20);
  canvas.Line(a.x, a.y, b.x, b.y);
  DrawScaleArrowHead(canvas, a, b, head);
  if (count == 2) DrawScaleArrowHead(canvas, b, a, head);
  canvas.SetPen(oldPen);
  canvas.SetBrush(oldBrush);
}

}  // namespace kinevo
