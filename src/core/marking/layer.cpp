#include "core/marking/layer.h"

#include <cmath>

namespace kinevo {

TTransparent::TTransparent(IMarkingContext* context) : TRepere(hkTransparent, context) { Reset(); }

void TTransparent::Assign(const THistObject& source) {
  TRepere::Assign(source);
  const auto* t = dynamic_cast<const TTransparent*>(&source);
  if (t == nullptr) return;
  width_ = t->width_;
  height_ = t->height_;
  stage_ = t->stage_;
  home_.Position = t->home_.Position;
}

bool TTransparent::Equals(const THistObject& other) const {
  const auto* t = dynamic_cast<const TTransparent*>(&other);
  return t != nullptr && TRepere::Equals(other) && SameValue(width_, t->width_) &&
         SameValue(height_, t->height_);
}

std::unique_ptr<THistObject> TTransparent::NewSnapshot() const {
  return std::make_unique<TTransparent>(nullptr);
}

bool TTransparent::InsertOrigine(std::unique_ptr<TOrigine> origine, THistAction action) {
  if (!origine) return false;
  const TPictureCoord position = origine->Position;
  if (!TRepere::InsertOrigine(std::move(origine), action)) return false;
  if (action == haPoserPointage) {
    TRepere::SetOrigin(position);
    RecomputeRect();
    StepForward();
    StepForward();
  }
  return true;
}

bool TTransparent::RemoveOrigine(const TOrigine* origine, THistAction action) {
  if (origine == nullptr) return false;
  const int32_t image = origine->OrigineImageNumber;
  if (!TRepere::RemoveOrigine(origine, action)) return false;
  if (action == haSupprimerPointage) {
    if (Context() != nullptr) Context()->View().GoToImage(image);
    ShowOrigin(static_cast<int>(Origines().size()) - 1);
    StepForward();
  }
  return true;
}

void TTransparent::SetDirectX(bool direct) {
  if (direct == DirectXAxisDirection()) return;
  TRepere::SetDirectX(direct);
  RecomputeHome();
  RecomputeRect();
}

void TTransparent::SetDirectY(bool direct) {
  if (direct == DirectYAxisDirection()) return;
  TRepere::SetDirectY(direct);
  RecomputeHome();
  RecomputeRect();
}

void TTransparent::SetOrigin(const TPictureCoord& pointer) {
  TRepere::SetOrigin({pointer.x - grab_.x, pointer.y - grab_.y});
  RecomputeRect();
}

void TTransparent::Grab(int x, int y) {
  if (stage_ != lsGrab || Context() == nullptr) return;
  pointer_ = Context()->View().ScreenToPicture(x, y);
  grab_ = {pointer_.x - Origin().x, pointer_.y - Origin().y};
  StepForward();
}

void TTransparent::DragTo(int x, int y) {
  if (stage_ != lsDrag || Context() == nullptr) return;
  pointer_ = Context()->View().ScreenToPicture(x, y);
  SetOrigin(pointer_);
  NotifyMarksMoved();
  Context()->View().Repaint();
}

void TTransparent::Drop(int x, int y) {
  if (stage_ != lsDrag || Context() == nullptr) return;
  IVideoView& view = Context()->View();
  pointer_ = view.ScreenToPicture(x, y);
  SetOrigin(pointer_);
  NotifyMarksMoved();
  const int image = view.CurrentImage();
  if (TOrigine* o = FindOrigineOfImage(image)) {
    o->Position = Origin();
    StepForward();
    StepForward();
  } else {
    auto created = std::make_unique<TOrigine>(image, Origin());
    TOrigine* raw = created.get();
    AppendOrigine(std::move(created));
    Context()->ActiveHistory().RecordStep(*raw, haDeplacerPointage);
    StepForward();
  }
  view.Repaint();
}

void TTransparent::AppendOrigine(std::unique_ptr<TOrigine> o) {
  // The base records an insertion as a position put back; a new position is
  // recorded by the caller as a creation instead.
  THistorique& h = Context()->ActiveHistory();
  const bool wasSuspended = h.Suspended();
  h.Suspend();
  TRepere::InsertOrigine(std::move(o), haNone);
  if (!wasSuspended) h.Resume();
}

void TTransparent::GoBack() {
  if (Context() == nullptr) return;
  if (!Origines().empty()) {
    const TOrigine* last = Origines().back().get();
    Context()->View().GoToImage(last->OrigineImageNumber);
    RemoveOrigine(last, haDeplacerRecul);
  }
  ShowOrigin(static_cast<int>(Origines().size()) - 1);
  NotifyMarksMoved();
  StepBack();
  StepBack();
}

bool TTransparent::KeyDown(int key) {
  if (Context() == nullptr) return false;
  double factor;
  if (key == 54 || key == 109) {
    if (!(width_ > 0.1)) return false;
    factor = 0.9;
  } else if (key == 107 || key == 187) {
    if (!(width_ < 1)) return false;
    factor = 1.1;
  } else {
    return false;
  }
  Context()->ActiveHistory().RecordStep(*this, haDeformer);
  width_ *= factor;
  height_ *= factor;
  RecomputeRect();
  Context()->View().Repaint();
  return true;
}

void TTransparent::RecomputeHome() {
  home_.Position.x = DirectXAxisDirection() ? 1 - 1.1 * width_ : 1.1 * height_;
  home_.Position.y = DirectYAxisDirection() ? 1.1 * width_ : 1 - 1.1 * height_;
  if (Origines().empty()) ShowOrigin(-1);
}

void TTransparent::GoHome() {
  RecomputeHome();
  RecomputeRect();
  NotifyMarksMoved();
}

void TTransparent::RemoveAllOrigins() {
  if (Context() != nullptr) {
    THistGroup group(Context()->ActiveHistory());
    while (!Origines().empty()) RemoveOrigine(Origines().back().get(), haDeplacerRetrait);
  } else {
    ClearOrigines();
  }
  InvalidateActive();
  GoHome();
}

void TTransparent::SetStage(TLayerStage s) {
  stage_ = s;
  if (Context() != nullptr) Context()->View().UpdateCursor();
}

void TTransparent::StepForward() { SetStage(static_cast<TLayerStage>((stage_ + 1) % 3)); }
void TTransparent::StepBack() { SetStage(static_cast<TLayerStage>((stage_ + 2) % 3)); }

void TTransparent::ShowOrigin(int i) {
  const int n = static_cast<int>(Origines().size());
  if (i == -1)
    TRepere::SetOrigin(home_.Position);
  else if (i >= 0 && i < n)
    TRepere::SetOrigin(Origines()[static_cast<std::size_t>(i)]->Position);
  else
    return;
  RecomputeRect();
}

void TTransparent::SetLayerWidth(double w) {
  width_ = w;
  RecomputeRect();
}

void TTransparent::SetLayerHeight(double h) {
  height_ = h;
  RecomputeRect();
}

void TTransparent::RecomputeRect() {
  if (Context() == nullptr) return;
  const IVideoView& view = Context()->View();
  const TPictureCoord o = Origin();
  const TPixel a = view.PictureToScreen({o.x - width_, o.y - height_});
  const TPixel b = view.PictureToScreen({o.x + width_, o.y + height_});
  rect_ = {a.x, a.y, b.x, b.y};
}

void TTransparent::Reset() {
  width_ = 0.5;
  height_ = 0.5;
  rect_ = {};
  grab_ = {};
}

namespace {

// A filled triangle with its tip at `tip`, pointing along (dx, dy), length s
// and half-width s/2.
void FilledHead(Canvas& canvas, TPixel tip, int dx, int dy, int s) {
  const int bx = tip.x - dx * s, by = tip.y - dy * s;
  const int h = s / 2;
  canvas.Polygon({tip, {bx - dy * h, by - dx * h}, {bx + dy * h, by + dx * h}});
}

}  // namespace

void TTransparent::Draw(Canvas& canvas) const {
  IMarkingContext* ctx = Context();
  if (ctx == nullptr) return;
  const int pw = ctx->PenWidth();
  const TColor c = ctx->ElementColor();
  const int size = ctx->ElementSize();
  const TPen oldPen = canvas.Pen();
  const TBrush oldBrush = canvas.Brush();
  const TFont oldFont = canvas.Font();
  canvas.SetPen(TPen{c, pw, TPenStyle::psSolid, TPenMode::pmCopy});
  canvas.SetBrush(TBrush{c, TBrushStyle::bsSolid});
  TFont font = oldFont;
  font.color = c;
  font.bold = true;
  int s = 10;
  if (size == 1) {
    font.size = 18;
    s = 15;
  } else if (size == 2) {
    font.size = 24;
    s = 20;
  }
  canvas.SetFont(font);
  const int L = rect_.left, T = rect_.top, R = rect_.right, B = rect_.bottom;
  const int hw = (R - L) / 2, hh = (B - T) / 2;
  canvas.Polyline({{L, T}, {R, T}, {R, B}, {L, B}, {L, T}});
  // x axis
  canvas.Line(L, T + hh, R, T + hh);
  const TTextSize xs = canvas.TextExtent("x");
  if (DirectXAxisDirection()) {
    FilledHead(canvas, {R - pw, T + hh}, 1, 0, s);
    canvas.TextOut(R - (xs.cx + s + 14), T + hh - (xs.cy + 4), "x", false);
  } else {
    FilledHead(canvas, {L + pw, T + hh}, -1, 0, s);
    canvas.TextOut(L + s + 14, T + hh - (xs.cy + 4), "x", false);
  }
  // y axis
  canvas.Line(L + hw, T, L + hw, B);
  const TTextSize ys = canvas.TextExtent("y");
  if (DirectYAxisDirection()) {
    FilledHead(canvas, {L + hw, T + pw}, 0, -1, s);
    canvas.TextOut(L + hw + 8, T + s + 6, "y", false);
  } else {
    FilledHead(canvas, {L + hw, B - pw}, 0, 1, s);
    canvas.TextOut(L + hw + 8, B - (ys.cy + s + 6), "y", false);
  }
  canvas.SetFont(oldFont);
  canvas.SetBrush(oldBrush);
  TPen restored = oldPen;
  restored.width = 1;
  canvas.SetPen(restored);
}

}  // namespace kinevo
