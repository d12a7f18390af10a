#include "core/graph/figure_tools.h"

#include <algorithm>
#include <cmath>

#include "core/graph/graph_model.h"
#include "core/graph/units.h"

namespace kinevo {
namespace {

constexpr int kDuplicateShift = 8;
// The kinds a rubber band reaches: every figure.
constexpr int kAllFigures = (1 << obAngle) | (1 << obArc) | (1 << obCercle) | (1 << obEllipse) |
                            (1 << obSegment) | (1 << obSpline) | (1 << obVecteur);
constexpr int kBendable = (1 << obArc) | (1 << obCercle) | (1 << obEllipse);

// The attribute slot of a curve (TCurveKind) for a figure kind.
int CurveSlot(int kind) { return kind <= obEllipse ? kind - 1 : kind; }

bool InMask(int mask, TGObjectType kind) { return mask == 0 || (mask & (1 << kind)) != 0; }

// The kind first: the cast is slow, and asked of every data point.
TGFigVecteur* AsVector(TGElem* e) {
  return e && e->Kind() == obVecteur ? dynamic_cast<TGFigVecteur*>(e) : nullptr;
}

TPixelRect RectOf(TPixel a, TPixel b) {
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// Whether the copy of a figure goes up the screen rather than down: for
// figures that run from upper left to lower right, so that the copy does
// not fall on the line of its source.
bool DuplicateGoesUp(const TGPolyPoint& f) {
  if (const auto* v = dynamic_cast<const TGFigVecteur*>(&f)) {
    const double a = RadToDeg(v->ScreenAngle());
    return (a > 90 && a < 180) || a > 270;
  }
  if (f.Kind() != obSegment && f.Kind() != obArc) return false;
  const TPixel p = f.Pixels()[0], q = f.Pixels()[1];
  return p.x == q.x || p.y == q.y || (p.x < q.x && p.y < q.y) || (p.x > q.x && p.y > q.y);
}

}  // namespace

TFigureTools::TFigureTools(TGraphModel& graph) : g_(graph), history_(*this) {}

bool TFigureTools::IsFigureTool(int tool) {
  return (tool >= gtAngle && tool <= gtSens) || tool == gtSelection || tool == gtSupprimer;
}

int TFigureTools::Tolerance() const { return PointTolerance(g_.DisplaySize); }

int TFigureTools::CurrentFamilyId() const {
  if (g_.families_.empty()) return 0;
  return g_.families_[static_cast<std::size_t>(g_.currentFamily_)].id;
}

double TFigureTools::CurrentFactor() const {
  if (g_.families_.empty()) return 0.0;
  return g_.families_[static_cast<std::size_t>(g_.currentFamily_)].factor;
}

// ---------------------------------------------------------------- look

bool TFigureTools::FigureShown(const TGElem& e) const {
  const int kind = e.Kind();
  // Angles, arcs, circles and ellipses take the free curve's flags.
  const bool free = e.curve < 0 || e.curve >= g_.CurveCount() || kind <= obEllipse;
  const TCourbe& c = free ? g_.free_ : g_.curves_[static_cast<std::size_t>(e.curve)];
  if (!c.visible[CurveSlot(kind)]) return false;
  if (const auto* v = dynamic_cast<const TGFigVecteur*>(&e))
    return v->worldUnits || v->family == CurrentFamilyId();
  return true;
}

TColor TFigureTools::FigureColour(const TGElem& e) const {
  const int kind = e.Kind();
  const bool free = e.curve < 0 || e.curve >= g_.CurveCount() || kind <= obEllipse;
  const TCourbe& c = free ? g_.free_ : g_.curves_[static_cast<std::size_t>(e.curve)];
  return c.colour[CurveSlot(kind)];
}

void TFigureTools::ShowAll() {
  for (int kind : {ckAngles, ckArcs, ckCircles, ckEllipses, ckSegments, ckSplines, ckVectors}) {
    g_.SetCourbeVisible(-1, kind, true, kUserDrawn);
    g_.SetAllCourbesVisible(kind, true, kUserDrawn);
  }
}

void TFigureTools::ApplyVisibility() {
  for (auto& e : g_.elements_)
    if (e->userDrawn && IsFigureKind(e->Kind())) e->SetShown(FigureShown(*e));
}

void TFigureTools::ApplyColours() {
  for (auto& e : g_.elements_)
    if (e->userDrawn && IsFigureKind(e->Kind())) e->SetColour(FigureColour(*e));
}

void TFigureTools::PushFactor() {
  // Without a family no vector has a factor to take (a time graph of many
  // points need not be walked through at every step of a pan).
  if (g_.families_.empty()) return;
  for (auto& e : g_.elements_) {
    TGFigVecteur* v = AsVector(e.get());
    if (!v || v->worldUnits) continue;
    for (const TParamCom& f : g_.families_)
      if (f.id == v->family) v->SetFactor(f.factor);
  }
}

// ---------------------------------------------------------------- list

TGElem* TFigureTools::FindElement(int id) {
  for (auto& e : g_.elements_)
    if (e->Id() == id) return e.get();
  return nullptr;
}

void TFigureTools::Insert(std::unique_ptr<TGElem> e) {
  e->SetWorld(g_.world_, g_.plot_);
  // Vectors go first, so that they are drawn below the other figures.
  if (e->Kind() == obVecteur)
    g_.elements_.insert(g_.elements_.begin(), std::move(e));
  else
    g_.elements_.push_back(std::move(e));
}

std::unique_ptr<TGElem> TFigureTools::Take(TGElem* e) {
  if (grabbed_ == e) grabbed_ = nullptr;
  std::erase(g_.selection_, e);
  e->selected = false;
  // Other vectors forget their chain links to a vector that goes.
  for (auto& other : g_.elements_)
    if (TGFigVecteur* v = AsVector(other.get())) {
      if (v->previous == e->Id()) v->previous = 0;
      if (v->next == e->Id()) v->next = 0;
    }
  auto it = std::find_if(g_.elements_.begin(), g_.elements_.end(),
                         [e](const auto& p) { return p.get() == e; });
  if (it == g_.elements_.end()) return nullptr;
  std::unique_ptr<TGElem> out = std::move(*it);
  g_.elements_.erase(it);
  return out;
}

void TFigureTools::RemoveElement(int id) {
  if (TGElem* e = FindElement(id)) Take(e);
}

void TFigureTools::RestoreElement(std::unique_ptr<TGElem> e) {
  e->selected = false;
  e->SetWorld(g_.world_, g_.plot_);
  e->SetShown(FigureShown(*e));
  g_.elements_.push_back(std::move(e));
  PushFactor();
}

void TFigureTools::Replace(TGElem& live) {
  live.SetWorld(g_.world_, g_.plot_);
  live.SetShown(FigureShown(live));
  PushFactor();
}

void TFigureTools::Clear() {
  history_.Clear();
  building_.clear();
  buildingWorld_.clear();
  grabbed_ = nullptr;
  pressed_ = false;
}

// ---------------------------------------------------------------- selection

int TFigureTools::SelectionCount() const { return static_cast<int>(g_.selection_.size()); }

unsigned TFigureTools::SelectedKinds() const {
  unsigned bits = 0;
  for (const TGElem* e : g_.selection_) bits |= 1u << e->Kind();
  return bits;
}

void TFigureTools::Select(TGElem* e, bool shift) {
  if (!shift) ClearSelection();
  if (!e) return;
  if (shift && e->selected) {
    e->selected = false;
    std::erase(g_.selection_, e);
    return;
  }
  if (!e->selected) {
    e->selected = true;
    g_.selection_.push_back(e);
  }
}

void TFigureTools::ClearSelection() {
  for (TGElem* e : g_.selection_) e->selected = false;
  g_.selection_.clear();
}

std::vector<TGPolyPoint*> TFigureTools::SelectedFigures() const {
  std::vector<TGPolyPoint*> out;
  for (TGElem* e : g_.selection_)
    if (e->userDrawn && IsFigureKind(e->Kind())) out.push_back(static_cast<TGPolyPoint*>(e));
  return out;
}

TGPolyPoint* TFigureTools::FigureAt(TPixel p, int kindMask) {
  // From the top of the drawing order.
  for (auto it = g_.elements_.rbegin(); it != g_.elements_.rend(); ++it) {
    TGElem* e = it->get();
    if (!e->userDrawn || !IsFigureKind(e->Kind()) || !InMask(kindMask, e->Kind())) continue;
    auto* f = static_cast<TGPolyPoint*>(e);
    if (f->PickHandle(p, Tolerance()) != -2) return f;
  }
  return nullptr;
}

std::vector<TGPolyPoint*> TFigureTools::FiguresInside(const TPixelRect& r, int kindMask) const {
  std::vector<TGPolyPoint*> out;
  for (const auto& e : g_.elements_)
    if (e->userDrawn && IsFigureKind(e->Kind()) && InMask(kindMask, e->Kind())) {
      auto* f = static_cast<TGPolyPoint*>(e.get());
      if (f->InsideRect(r)) out.push_back(f);
    }
  return out;
}

// ---------------------------------------------------------------- snapping

TWorldPoint TFigureTools::SnapForCreation(TPixel p, bool vectorOrigin, int& chainedTo) const {
  chainedTo = 0;
  const int t = Tolerance();
  if (vectorOrigin) {
    const int family = CurrentFamilyId();
    for (auto it = g_.elements_.rbegin(); it != g_.elements_.rend(); ++it) {
      const TGElem* e = it->get();
      if (e->Kind() != obVecteur || !e->Shown()) continue;
      const auto* v = static_cast<const TGVecteur*>(e);
      if (!NearPoint(p, v->Tip(), t)) continue;
      if (const auto* fv = dynamic_cast<const TGFigVecteur*>(v)) {
        if (!fv->worldUnits && fv->family != family) continue;
        chainedTo = fv->Id();
        return fv->TipWorld();
      }
      if (v->family != family) continue;
      return g_.ToWorld(v->Tip().x, v->Tip().y);
    }
  }
  if (const TGPoint* pt = g_.PointAt(p)) return pt->world;
  if (g_.IsOrigineVisible && NearPoint(p, g_.origin_.pixel, t)) return g_.origin_.world;
  return g_.ToWorld(p.x, p.y);
}

void TFigureTools::SnapMoved(const std::vector<TGPolyPoint*>& moved) {
  const int t = Tolerance();
  for (TGPolyPoint* f : moved) {
    const std::size_t n = f->Handles().size();
    for (std::size_t i = 0; i < n; ++i) {
      const TPixel h = f->Handles()[i];
      // The first shown data point in list order, then the origin marker.
      bool snapped = false;
      for (const auto& e : g_.elements_)
        if (e->Kind() == obPoint && e->HitTest(h, t)) {
          f->SnapPoint(static_cast<int>(i), static_cast<const TGPoint*>(e.get())->world);
          snapped = true;
          break;
        }
      if (!snapped && g_.IsOrigineVisible && NearPoint(h, g_.origin_.pixel, t))
        f->SnapPoint(static_cast<int>(i), g_.origin_.world);
    }
  }
  // A moved vector whose origin lies on the tip of another of its family
  // starts exactly there.
  for (TGPolyPoint* f : moved) {
    TGFigVecteur* v = AsVector(f);
    if (!v) continue;
    for (const auto& e : g_.elements_) {
      const TGFigVecteur* o = AsVector(e.get());
      if (!o || o == v || !o->Shown() || o->family != v->family || o->worldUnits != v->worldUnits)
        continue;
      if (NearPoint(v->Pixels()[0], o->Tip(), t)) {
        v->SnapPoint(0, o->TipWorld());
        break;
      }
    }
  }
}

// ---------------------------------------------------------------- commands

void TFigureTools::Create(std::unique_ptr<TGPolyPoint> f) {
  f->curve = f->Kind() == obAngle ? -1 : g_.SingleCurve();
  f->SetColour(FigureColour(*f));
  f->SetShown(FigureShown(*f));
  TGPolyPoint* raw = f.get();
  Insert(std::move(f));
  Select(raw, false);
  history_.Record(*raw, gaCreer);
}

void TFigureTools::Duplicate(TGPolyPoint* f) {
  std::unique_ptr<TGElem> copy = f->Clone();
  if (!copy) return;
  auto* c = static_cast<TGPolyPoint*>(copy.get());
  if (TGFigVecteur* v = AsVector(c)) v->previous = v->next = 0;
  const bool up = DuplicateGoesUp(*f);
  Insert(std::move(copy));
  c->MoveBy(kDuplicateShift, up ? -kDuplicateShift : kDuplicateShift);
  if (f->selected) Select(f, true);
  Select(c, true);
  history_.Record(*c, gaDupliquer);
}

void TFigureTools::Delete(TGPolyPoint* f) {
  std::unique_ptr<TGElem> taken = Take(f);
  if (taken) history_.RecordDeleted(std::move(taken));
}

void TFigureTools::Reverse(TGPolyPoint* f) {
  TGFigVecteur* v = AsVector(f);
  if (!v) return;
  history_.Record(*v, gaChangerSens);
  v->Reverse();
}

void TFigureTools::ApplyTo(const std::vector<TGPolyPoint*>& figures) {
  TGraphHistoryGroup group(history_);
  for (TGPolyPoint* f : figures) {
    if (g_.tool_ == gtDupliquer)
      Duplicate(f);
    else if (g_.tool_ == gtSens)
      Reverse(f);
    else if (g_.tool_ == gtSupprimer)
      Delete(f);
  }
}

void TFigureTools::DeleteSelection(int kind) {
  TGraphHistoryGroup group(history_);
  for (TGPolyPoint* f : SelectedFigures())
    if (kind == 0 || f->Kind() == kind) Delete(f);
}

void TFigureTools::DuplicateSelection(int kind) {
  TGraphHistoryGroup group(history_);
  for (TGPolyPoint* f : SelectedFigures())
    if (kind == 0 || f->Kind() == kind) Duplicate(f);
}

void TFigureTools::ReverseSelectedVectors() {
  TGraphHistoryGroup group(history_);
  for (TGPolyPoint* f : SelectedFigures()) Reverse(f);
}

// ---------------------------------------------------------------- building

void TFigureTools::ToolChanged() {
  building_.clear();
  buildingWorld_.clear();
  pressed_ = false;
  grabbed_ = nullptr;
  cursor_.clear();
  g_.Bulle.Hide();
}

void TFigureTools::FinishBuilding(TPixel p) {
  const int tool = g_.tool_;
  int chained = 0;
  const TWorldPoint a = buildingWorld_[0];
  const TWorldPoint b = SnapForCreation(p, false, chained);
  const int from = chainedTo_;
  building_.clear();
  buildingWorld_.clear();
  // Equal points make no figure.
  if (SamePoint(a, b)) return;
  switch (tool) {
    case gtSegment: {
      auto segment = std::make_unique<TGFigSegment>(a, b);
      segment->measuresSlope = !g_.EqualScale();
      segment->slopeUnit = UnitRatio(g_.AxeY.unit, g_.AxeX.unit);
      Create(std::move(segment));
      break;
    }
    case gtCercle:
      Create(std::make_unique<TGCercle>(a, b));
      break;
    case gtArc:
      Create(TGArc::FromEnds(a, b, g_.world_, g_.plot_));
      break;
    case gtEllipse:
      Create(TGEllipse::FromCorners(a, b));
      break;
    case gtVecteur: {
      auto v = std::make_unique<TGFigVecteur>(a, b, CurrentFamilyId(), CurrentFactor(), g_.world_,
                                              g_.plot_);
      if (!g_.families_.empty())
        v->unit = g_.families_[static_cast<std::size_t>(g_.currentFamily_)].unit;
      TGFigVecteur* raw = v.get();
      if (TGFigVecteur* prev = AsVector(FindElement(from))) {
        raw->previous = from;
        prev->next = raw->Id();
      }
      Create(std::move(v));
      break;
    }
    default:
      break;
  }
}

void TFigureTools::EndSpline() {
  // The double click repeats the last point: keep it once.
  std::vector<TWorldPoint> pts;
  for (std::size_t i = 0; i < buildingWorld_.size(); ++i)
    if (i == 0 || !(building_[i] == building_[i - 1])) pts.push_back(buildingWorld_[i]);
  building_.clear();
  buildingWorld_.clear();
  if (pts.size() >= 2) Create(std::make_unique<TGFigSpline>(std::move(pts)));
}

void TFigureTools::DoubleClick(TPixel p) {
  if (g_.tool_ != gtSpline) return;
  if (building_.empty() || !(building_.back() == p)) {
    int chained = 0;
    building_.push_back(p);
    buildingWorld_.push_back(SnapForCreation(p, false, chained));
  }
  EndSpline();
}

// ---------------------------------------------------------------- mouse

void TFigureTools::MouseDown(TMouseButton b, TShiftState s, TPixel p) {
  mouse_ = from_ = last_ = p;
  if (b != mbLeft) return;
  const int tool = g_.tool_;
  int chained = 0;
  if (IsDrawingTool(tool)) {
    const TWorldPoint w = SnapForCreation(p, tool == gtVecteur && building_.empty(), chained);
    if (tool == gtAngle || tool == gtSpline) {
      if (tool == gtAngle && !building_.empty() && SamePoint(buildingWorld_.back(), w)) {
        // Two equal consecutive points: no angle.
        building_.clear();
        buildingWorld_.clear();
        return;
      }
      building_.push_back(p);
      buildingWorld_.push_back(w);
      if (tool == gtAngle && building_.size() == 3) {
        const std::vector<TWorldPoint> q = buildingWorld_;
        building_.clear();
        buildingWorld_.clear();
        Create(std::make_unique<TGAngle>(q[0], q[1], q[2]));
      }
      return;
    }
    building_ = {p};
    buildingWorld_ = {w};
    chainedTo_ = chained;
    pressed_ = true;
    return;
  }
  pressed_ = true;
  grabbed_ = nullptr;
  if (tool == gtSelection) {
    TGPolyPoint* hit = FigureAt(p);
    if (hit) {
      StartSelectionDrag(hit, s, p);
      return;
    }
    if (!s.shift) ClearSelection();
  } else if (tool == gtCurveArc) {
    if (TGPolyPoint* hit = FigureAt(p, kBendable)) StartBend(hit, p);
    return;
  } else if (TGPolyPoint* hit = FigureAt(p, tool == gtSens ? (1 << obVecteur) : kAllFigures)) {
    pressed_ = false;
    ApplyTo({hit});
    return;
  }
  g_.drag_ = gdRubber;
}

void TFigureTools::StartSelectionDrag(TGPolyPoint* hit, TShiftState s, TPixel p) {
  const int h = hit->currentHandle;
  const TGObjectType kind = hit->Kind();
  if (h >= 0) {
    if (!hit->selected) Select(hit, false);
    grabbed_ = hit;
    handle_ = h;
    if (kind == obEllipse && h == TGEllipse::kCentre) {
      history_.Record(*hit, gaPivoter);
      startInclination_ = static_cast<TGEllipse*>(hit)->Inclination();
      g_.drag_ = gdRotate;
    } else {
      const bool modify = kind == obSegment || kind == obVecteur || kind == obSpline;
      history_.Record(*hit, modify ? gaModifier : gaDeformer);
      g_.drag_ = gdHandle;
      ShowBubble(*hit);
    }
    return;
  }
  if (s.shift) {
    Select(hit, true);
    if (!hit->selected) {
      g_.drag_ = gdIdle;
      pressed_ = false;
      return;
    }
  } else if (!hit->selected) {
    Select(hit, false);
  }
  TGraphHistoryGroup group(history_);
  bool allVectors = true;
  for (TGPolyPoint* f : SelectedFigures()) {
    history_.Record(*f, gaDeplacer);
    allVectors = allVectors && f->Kind() == obVecteur;
  }
  g_.drag_ = allVectors ? gdVectors : gdFigures;
  (void)p;
}

void TFigureTools::StartBend(TGPolyPoint* hit, TPixel p) {
  pressed_ = false;
  if (!(g_.selection_.size() == 1 && g_.selection_[0] == hit)) {
    // Bending works on a figure selected alone: this click selects it.
    Select(hit, false);
    return;
  }
  grabbed_ = hit;
  handle_ = hit->currentHandle;
  pressed_ = true;
  if (hit->Kind() == obEllipse && handle_ == TGEllipse::kCentre) {
    history_.Record(*hit, gaPivoter);
    startInclination_ = static_cast<TGEllipse*>(hit)->Inclination();
    g_.drag_ = gdRotate;
    return;
  }
  history_.Record(*hit, gaCourber);
  g_.drag_ = gdDeform;
  ShowBubble(*hit);
  (void)p;
}

void TFigureTools::DragTo(TPixel p) {
  switch (g_.drag_) {
    case gdHandle:
      if (grabbed_) grabbed_->MoveHandleTo(handle_, p);
      break;
    case gdDeform:
      if (!grabbed_) break;
      if (grabbed_->Kind() == obArc)
        grabbed_->MoveHandleTo(2, p);  // the bulge follows the mouse
      else if (grabbed_->Kind() == obCercle)
        grabbed_->MoveHandleTo(1, p);
      else if (auto* e = dynamic_cast<TGEllipse*>(grabbed_))
        e->StretchTo(p);
      break;
    case gdRotate:
      if (auto* e = dynamic_cast<TGEllipse*>(grabbed_)) {
        // The turn of the mouse about the centre since the press, in world
        // directions (the drag may start on the centre itself).
        const TWorldPoint c = e->Centre(), m = g_.ToWorld(p.x, p.y),
                          s = g_.ToWorld(from_.x, from_.y);
        const double now = std::atan2(m.y - c.y, m.x - c.x);
        const bool onCentre = NearPoint(from_, e->Pixels()[TGEllipse::kCentre], 2);
        const double start = onCentre ? startInclination_ : std::atan2(s.y - c.y, s.x - c.x);
        if (!NearPoint(p, e->Pixels()[TGEllipse::kCentre], 2))
          e->SetInclination(startInclination_ + AddAngles(now, -start));
      }
      break;
    case gdFigures:
    case gdVectors:
      for (TGPolyPoint* f : SelectedFigures()) f->MoveBy(p.x - last_.x, p.y - last_.y);
      break;
    default:
      break;
  }
  last_ = p;
  if (grabbed_ && (g_.drag_ == gdHandle || g_.drag_ == gdDeform)) ShowBubble(*grabbed_);
}

void TFigureTools::ShowBubble(const TGElem& e) {
  if (g_.Bulle.place == bpNone) return;
  g_.Bulle.SetLines(e.InfoLines());
  g_.Bulle.Show();
}

void TFigureTools::MouseMove(TShiftState, TPixel p) {
  mouse_ = p;
  if (pressed_ && g_.drag_ != gdIdle && g_.drag_ != gdRubber) DragTo(p);
  UpdateCursor(p);
}

void TFigureTools::MouseUp(TMouseButton b, TShiftState s, TPixel p) {
  mouse_ = p;
  if (b != mbLeft || !pressed_) return;
  pressed_ = false;
  const int tool = g_.tool_;
  if (IsDrawingTool(tool)) {
    if (tool != gtAngle && tool != gtSpline && !buildingWorld_.empty()) FinishBuilding(p);
    return;
  }
  const int drag = g_.drag_;
  g_.drag_ = gdIdle;
  if (drag == gdRubber) {
    const std::vector<TGPolyPoint*> inside =
        FiguresInside(RectOf(from_, p), tool == gtSens ? (1 << obVecteur) : kAllFigures);
    if (tool == gtSelection) {
      for (TGPolyPoint* f : inside) Select(f, true);
    } else {
      ApplyTo(inside);
    }
    return;
  }
  if (drag == gdHandle || drag == gdDeform || drag == gdRotate) {
    if (drag != gdRotate) DragTo(p);
    if (grabbed_) SnapMoved({grabbed_});
    g_.Bulle.Hide();
  } else if (drag == gdFigures || drag == gdVectors) {
    DragTo(p);
    SnapMoved(SelectedFigures());
  }
  grabbed_ = nullptr;
  (void)s;
}

std::string TFigureTools::CursorName() const {
  const int tool = g_.tool_;
  if (IsDrawingTool(tool)) return "Pen";
  switch (tool) {
    case gtCurveArc:
      return "Deformer";
    case gtDupliquer:
      return "Dupliquer";
    case gtSens:
      return "Inverser";
    case gtSupprimer:
      return "Gomme";
    default:
      return cursor_;  // the selection tool's, for what is under the mouse
  }
}

void TFigureTools::UpdateCursor(TPixel p) {
  cursor_.clear();
  if (g_.tool_ != gtSelection || g_.drag_ == gdRubber) return;
  TGPolyPoint* hit = grabbed_ ? grabbed_ : FigureAt(p);
  if (!hit) return;
  const int h = grabbed_ ? handle_ : hit->currentHandle;
  const TGObjectType kind = hit->Kind();
  if (h < 0) {
    cursor_ = "Selection";
  } else if (kind == obEllipse && h == TGEllipse::kCentre) {
    cursor_ = "SelRotation";
  } else if ((kind == obCercle && h == 1) || kind == obArc || kind == obEllipse) {
    // The corner arrows, along the line from the figure's middle.
    const auto& px = hit->Pixels();
    const TPixel c = kind == obCercle    ? px[0]
                     : kind == obEllipse ? px[TGEllipse::kCentre]
                                         : TPixel{(px[0].x + px[1].x) / 2, (px[0].y + px[1].y) / 2};
    const TPixel hp = hit->Handles()[static_cast<std::size_t>(h)];
    cursor_ = (hp.x - c.x) * (hp.y - c.y) > 0 ? "Nwse" : "Nesw";
  } else {
    cursor_ = "SelDeformer";
  }
}

void TFigureTools::PaintMarks(Canvas& canvas) const {
  const int tool = g_.tool_;
  if (IsDrawingTool(tool) && !building_.empty()) {
    std::vector<TPixel> line = building_;
    if (!(line.back() == mouse_)) line.push_back(mouse_);
    canvas.SetPen({colors::Black, 1, TPenStyle::psDot});
    canvas.Polyline(line);
  }
  if (g_.drag_ == gdRubber && !(mouse_ == from_)) canvas.FocusRect(RectOf(from_, mouse_));
}

}  // namespace kinevo
