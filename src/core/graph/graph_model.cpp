#include "core/graph/graph_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/common/number_format.h"
#include "core/graph/figure_tools.h"
#include "core/graph/line_thinning.h"
#include "core/graph/model_tools.h"

namespace kinevo {
namespace {

constexpr TColor kOriginColour = RGBColor(128, 128, 128);
constexpr int kVkSpace = 32, kVkInsert = 45, kVkDelete = 46, kVkA = 65;

TColor Blend(TColor a, TColor b, double t) {
  auto mix = [t](int x, int y) { return static_cast<uint8_t>(std::lround(x + (y - x) * t)); };
  return RGBColor(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)), mix(BlueOf(a), BlueOf(b)));
}

}  // namespace

TGraphModel::TGraphModel(const TGraphUtils& utils)
    : utils_(utils), origin_({0, 0}, 0), figures_(std::make_unique<TFigureTools>(*this)) {
  models_ = std::make_unique<TModelTools>(*this);
  origin_.colour = kOriginColour;
  origin_.symbol = TGraphUtils::kOriginSymbol;
  origin_.SetShown(true);
  elements_.reserve(3104);
  selection_.reserve(1024);
  AxeX.titleOffset = TitreAxeXFromEdge;
  AxeY.titleOffset = TitreAxeYFromEdge;
  Layout();
}

TGraphModel::~TGraphModel() = default;

// ---------------------------------------------------------------- size and world

void TGraphModel::Layout() {
  plot_ = {AxeYFromLeft, AxeXFromTop, std::max(0, width_ - AxeYFromLeft - AxeYFromRight),
           std::max(0, height_ - AxeXFromTop - AxeXFromBottom)};
  AxeX.SetBounds({0, plot_.Bottom(), width_, height_}, width_, height_);
  AxeY.SetBounds({0, 0, plot_.left, plot_.Bottom()}, width_, height_);
  AxeX.titleOffset = TitreAxeXFromEdge;
  AxeY.titleOffset = TitreAxeYFromEdge;
}

void TGraphModel::SetSize(int width, int height) {
  const TPlotRect before = plot_;
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  Layout();
  if (equalScale_ && before.width > 0 && before.height > 0 && plot_.width > 0 && plot_.height > 0) {
    // Keep the units per pixel of both axes, about the same centre.
    const double ux = (world_.xmax - world_.xmin) / before.width;
    const double uy = (world_.ymax - world_.ymin) / before.height;
    const double cx = (world_.xmin + world_.xmax) / 2, cy = (world_.ymin + world_.ymax) / 2;
    world_ = {cx - ux * plot_.width / 2, cx + ux * plot_.width / 2, cy - uy * plot_.height / 2,
              cy + uy * plot_.height / 2};
  }
  for (auto& f : families_) {
    f.plotWidth = plot_.width;
    if (f.factor > 0 && plot_.width > 0) f.value = f.scaleBarPixels / (f.factor * plot_.width);
  }
  PushWorld();
}

void TGraphModel::SetMargins(int left, int right, int top, int bottom) {
  AxeYFromLeft = left;
  AxeYFromRight = right;
  AxeXFromTop = top;
  AxeXFromBottom = bottom;
  SetSize(width_, height_);
}

void TGraphModel::SetPixelRatio(double ratio) {
  if (ratio > 0 && ratio != ratio_) {
    ratio_ = ratio;
    InvalidateBackground();
  }
}

void TGraphModel::SetWorld(const TWorldWindow& w, bool equalScale) {
  zoom_.Reset();
  equalScale_ = equalScale;
  ApplyWorld(w);
}

void TGraphModel::ApplyWorld(const TWorldWindow& w) {
  world_ = w;
  PushWorld();
}

void TGraphModel::PushWorld() {
  origin_.SetWorld(world_, plot_);
  const TPixelMap map(plot_, world_);
  for (auto& e : elements_) e->SetWorld(world_, plot_, map);
  PushFactor();
  AxeX.min = world_.xmin;
  AxeX.max = world_.xmax;
  AxeY.min = world_.ymin;
  AxeY.max = world_.ymax;
  InvalidateBackground();
}

void TGraphModel::Pan(int dx, int dy) {
  // The plot follows the hand: a drag of one pixel moves the window by one
  // plot pixel's worth, so every element moves by whole pixels.
  const double wx = -(world_.xmax - world_.xmin) * dx / plot_.width;
  const double wy = (world_.ymax - world_.ymin) * dy / plot_.height;
  const uint64_t before = elemGeneration_;
  ApplyWorld({world_.xmin + wx, world_.xmax + wx, world_.ymin + wy, world_.ymax + wy});
  // Told before the listeners of the window: one that changes the elements
  // again leaves no shift to follow.
  shift_ = {before, elemGeneration_, dx, dy};
  OnWorldChanged();
}

void TGraphModel::ChangeWorld(const TWorldWindow& w) {
  ApplyWorld(w);
  OnWorldChanged();
}

// ---------------------------------------------------------------- curves

int TGraphModel::AddCourbe(const TCurveInput& in) {
  const int index = static_cast<int>(curves_.size());
  curves_.emplace_back();
  TCourbe& c = curves_.back();
  c.symbol = TGraphUtils::SymbolForCurve(index);
  const int n = static_cast<int>(in.points.size());
  const int last = n - 1, m = in.maskedAtEnds;
  auto add = [&](std::unique_ptr<TGElem> e) {
    e->curve = index;
    e->SetWorld(world_, plot_);
    elements_.push_back(std::move(e));
    return elements_.back().get();
  };
  for (int i = 0; i < n; ++i) {
    const int number = i < static_cast<int>(in.numbers.size()) ? in.numbers[i] : i + 1;
    auto p = std::make_unique<TGPoint>(in.points[i], number);
    p->row = i < static_cast<int>(in.rows.size()) ? in.rows[i] : -1;
    p->errorY = i < static_cast<int>(in.uncertainties.size()) ? in.uncertainties[i] : 0.0;
    p->errorX = i < static_cast<int>(in.uncertaintiesX.size()) ? in.uncertaintiesX[i] : 0.0;
    p->SetMasked(i < m || i > last - m);
    c.points.push_back(static_cast<TGPoint*>(add(std::move(p))));
  }
  for (int i = 0; i + 1 < n; ++i) {
    auto s = std::make_unique<TGSegment>(in.points[i], in.points[i + 1]);
    s->SetMasked(i < m || i > last - m - 1);
    s->SetPixelsOnDemand();
    c.segments.push_back(static_cast<TGSegment*>(add(std::move(s))));
  }
  if (n > 0)
    c.splines.push_back(static_cast<TGSpline*>(add(std::make_unique<TGSpline>(in.points))));
  for (const TVectorSeries& fam : in.vectors) {
    if (!FamilyById(fam.id)) {
      TParamCom p;
      p.id = fam.id;
      p.unit = fam.unit;
      p.scaleBarPixels = scaleBarPixels_;
      p.plotWidth = plot_.width;
      families_.push_back(p);
    }
    const int vn = static_cast<int>(fam.values.size());
    for (int i = 0; i < vn && i < n; ++i) {
      auto v = std::make_unique<TGVecteur>(in.points[i], fam.values[i], fam.id);
      v->unit = fam.unit;
      v->SetMasked(i < fam.maskedAtEnds || i > last - fam.maskedAtEnds);
      c.vectors.push_back(static_cast<TGVecteur*>(add(std::move(v))));
    }
  }
  if (!families_.empty()) c.currentFamily = families_[static_cast<std::size_t>(currentFamily_)].id;
  c.model = static_cast<TGModele*>(add(std::make_unique<TGModele>(in.points, m)));
  if (static_cast<int>(in.uncertainties.size()) == n)
    c.model->SetPointUncertainties(in.uncertainties, in.uncertaintiesX);
  // A fit, a button of the modeller or a drag reshapes the model curve.
  modelLinks_.push_back(c.model->OnChange.Connect([this] { InvalidateElements(); }));
  ApplyCurveColours(c);
  ApplyCurveVisibility(c);
  PushFactor();
  InvalidateElements();
  return index;
}

void TGraphModel::ClearGraph() {
  modelLinks_.clear();
  InvalidateElements();
  free_ = TCourbe{};
  figures_->Clear();
  selection_.clear();
  elements_.clear();
  families_.clear();
  currentFamily_ = 0;
  curves_.clear();
  overlay_.clear();
  ++overlayGeneration_;
}

void TGraphModel::SetOverlayCurves(std::vector<TOverlayCurve> curves) {
  overlay_ = std::move(curves);
  ++overlayGeneration_;
}

namespace {

// Whether the drawn figures take this attribute: the flags of the figure
// kinds, not those of points, labels, models or data elements.  Styling
// each of thousands of curves then does not walk every element each time.
bool FiguresFollow(int kind, int which) {
  return kind <= ckEllipses || (kind >= ckSegments && (which & kUserDrawn) != 0);
}

}  // namespace

void TGraphModel::ApplyCurveVisibility(TCourbe& c) {
  for (TGPoint* p : c.points) p->SetShown(c.visible[ckPoints]);
  for (TGPoint* p : c.points) p->labelShown = c.visible[ckLabels];
  for (TGSegment* s : c.segments) s->SetShown(c.dataVisible[ckSegments]);
  for (TGSpline* s : c.splines) s->SetShown(c.dataVisible[ckSplines]);
  for (TGVecteur* v : c.vectors)
    v->SetShown(c.dataVisible[ckVectors] && v->family == c.currentFamily);
  if (c.model) c.model->SetShown(c.visible[ckModel]);
}

void TGraphModel::ApplyCurveColours(TCourbe& c) {
  for (TGPoint* p : c.points) {
    p->SetColour(c.colour[ckPoints]);
    p->labelColour = c.colour[ckLabels];
    p->symbol = c.symbol;
    p->labelPlace = c.labelPlace;
    p->tolerance = PointTolerance(DisplaySize);
  }
  for (TGSegment* s : c.segments) s->SetColour(c.dataColour[ckSegments]);
  for (TGSpline* s : c.splines) s->SetColour(c.dataColour[ckSplines]);
  for (TGVecteur* v : c.vectors) v->SetColour(c.dataColour[ckVectors]);
}

void TGraphModel::SetCourbeVisible(int curve, int kind, bool visible, int which) {
  if (kind < 0 || kind > ckVectors) return;
  const bool isFree = curve < 0 || curve >= CurveCount() || kind <= ckEllipses;
  TCourbe& c = isFree ? free_ : curves_[static_cast<std::size_t>(curve)];
  if (kind < ckSegments || (which & kUserDrawn)) c.visible[kind] = visible;
  if (kind >= ckSegments && (which & kDataDrawn)) c.dataVisible[kind] = visible;
  if (!isFree) ApplyCurveVisibility(c);
  if (FiguresFollow(kind, which)) figures_->ApplyVisibility();
  InvalidateElements();
}

void TGraphModel::SetAllCourbesVisible(int kind, bool visible, int which) {
  for (int i = 0; i < CurveCount(); ++i) SetCourbeVisible(i, kind, visible, which);
}

void TGraphModel::SetCourbeColour(int curve, int kind, TColor colour, int which) {
  if (kind < 0 || kind > ckVectors || kind == ckModel) return;
  const bool isFree = curve < 0 || curve >= CurveCount() || kind <= ckEllipses;
  TCourbe& c = isFree ? free_ : curves_[static_cast<std::size_t>(curve)];
  if (kind < ckSegments || (which & kUserDrawn)) c.colour[kind] = colour;
  if (kind >= ckSegments && (which & kDataDrawn)) c.dataColour[kind] = colour;
  if (!isFree) ApplyCurveColours(c);
  if (FiguresFollow(kind, which)) figures_->ApplyColours();
  InvalidateElements();
}

void TGraphModel::SetCourbeSymbol(int curve, int symbol) {
  if (curve < 0 || curve >= CurveCount()) return;
  curves_[static_cast<std::size_t>(curve)].symbol = symbol;
  ApplyCurveColours(curves_[static_cast<std::size_t>(curve)]);
  InvalidateElements();
}

void TGraphModel::SetCourbeLabelPlace(int curve, int place) {
  if (curve < 0 || curve >= CurveCount()) return;
  curves_[static_cast<std::size_t>(curve)].labelPlace = place;
  ApplyCurveColours(curves_[static_cast<std::size_t>(curve)]);
  InvalidateElements();
}

std::vector<int> TGraphModel::ShownCurves() const {
  std::vector<int> out;
  for (int i = 0; i < CurveCount(); ++i)
    if (curves_[static_cast<std::size_t>(i)].visible[ckPoints]) out.push_back(i);
  return out;
}

int TGraphModel::SingleCurve() const {
  const auto shown = ShownCurves();
  return shown.size() == 1 ? shown[0] : -1;
}

void TGraphModel::SetHighlightedRow(int row) {
  InvalidateElements();
  for (auto& c : curves_)
    for (TGPoint* p : c.points) p->highlighted = row >= 0 && p->row == row;
}

const TGPoint* TGraphModel::PointAt(TPixel px) const {
  const int t = PointTolerance(DisplaySize);
  for (auto it = elements_.rbegin(); it != elements_.rend(); ++it)
    if ((*it)->Kind() == obPoint && (*it)->HitTest(px, t))
      return static_cast<const TGPoint*>(it->get());
  return nullptr;
}

// ---------------------------------------------------------------- vectors

TParamCom* TGraphModel::FamilyById(int id) {
  for (auto& f : families_)
    if (f.id == id) return &f;
  return nullptr;
}

void TGraphModel::PushFactor() {
  for (auto& c : curves_)
    for (TGVecteur* v : c.vectors) {
      const TParamCom* f = FamilyById(v->family);
      v->SetFactor(f ? f->factor : 0.0);
    }
  figures_->PushFactor();
  InvalidateElements();
}

void TGraphModel::SelectFamily(int index) {
  if (index < 0 || index >= static_cast<int>(families_.size())) return;
  currentFamily_ = index;
  for (auto& c : curves_) {
    c.currentFamily = families_[static_cast<std::size_t>(index)].id;
    ApplyCurveVisibility(c);
  }
  figures_->ApplyVisibility();
  InvalidateElements();
}

void TGraphModel::AutoVectorScale() {
  if (families_.empty() || plot_.width <= 0) return;
  TParamCom& f = families_[static_cast<std::size_t>(currentFamily_)];
  double m = -1e100;
  for (auto& c : curves_)
    for (TGVecteur* v : c.vectors)
      if (v->family == f.id && !v->Masked()) m = std::max(m, v->Magnitude());
  if (IsZero(m) || std::isnan(m) || m <= 0) return;
  f.factor = 0.1 / m;
  f.maxFactor = 10 * f.factor;
  f.minFactor = 0.2 * f.factor;
  f.plotWidth = plot_.width;
  f.value = f.scaleBarPixels / (f.factor * plot_.width);
  PushFactor();
}

bool TGraphModel::SetVectorScaleValue(double value) {
  if (families_.empty() || plot_.width <= 0 || IsZero(value) || !std::isfinite(value)) return false;
  TParamCom& f = families_[static_cast<std::size_t>(currentFamily_)];
  const double factor = f.scaleBarPixels / (value * plot_.width);
  if (!std::isfinite(factor) || factor > f.maxFactor || factor < f.minFactor) return false;
  f.factor = factor;
  f.value = value;
  PushFactor();
  return true;
}

double TGraphModel::VectorScaleValue() const {
  return families_.empty() ? 0.0 : families_[static_cast<std::size_t>(currentFamily_)].value;
}

std::string TGraphModel::ScaleBarText() const {
  if (families_.empty()) return {};
  const TParamCom& f = families_[static_cast<std::size_t>(currentFamily_)];
  return FloatToText(f.value, 4, DecimalSeparator()) + " " + f.unit;
}

void TGraphModel::SetScaleBarPixels(int pixels) {
  InvalidateElements();
  scaleBarPixels_ = pixels;
  for (auto& f : families_) {
    f.scaleBarPixels = pixels;
    if (f.factor > 0 && plot_.width > 0) f.value = pixels / (f.factor * plot_.width);
  }
}

// ---------------------------------------------------------------- source image

void TGraphModel::SetSourceImage(TSourceImage source) {
  source_ = std::move(source);
  InvalidateBackground();
}

void TGraphModel::DrawSourceImage(Image& img) const {
  const Image* pic = source_.picture.get();
  if (!pic || pic->Empty() || IsZero(source_.width) || IsZero(source_.height)) return;
  const double c = std::cos(source_.angle), s = std::sin(source_.angle);
  const double sx = source_.invertX ? -1 : 1, sy = source_.invertY ? -1 : 1;
  const int w = img.Width(), h = img.Height();
  // World point of a device pixel's centre, then back to the picture: undo
  // the direction flags, turn back by the axis angle, scale to fractions.
  const double wx0 = world_.xmin, wy1 = world_.ymax;
  const double dwx = (world_.xmax - world_.xmin) / w, dwy = (world_.ymax - world_.ymin) / h;
  // Along a row the picture fractions move by a constant step, so each
  // pixel costs two additions (a pan maps every pixel again).
  const double kx = 1.0 / source_.width, ky = 1.0 / source_.height;
  const double stepX = sx * dwx * c * kx, stepY = -sx * dwx * s * ky;
  const int picW = pic->Width(), picH = pic->Height();
  for (int j = 0; j < h; ++j) {
    uint8_t* row = img.Row(j);
    const double y = sy * (wy1 - (j + 0.5) * dwy);
    const double x0 = sx * (wx0 + 0.5 * dwx);
    double fx = source_.origin.x + (x0 * c - y * s) * kx;
    double fy = source_.origin.y - (x0 * s + y * c) * ky;
    for (int i = 0; i < w; ++i, fx += stepX, fy += stepY) {
      if (fx < 0 || fx >= 1 || fy < 0 || fy >= 1) continue;
      const uint8_t* src =
          pic->Row(static_cast<int>(fy * picH)) + 3 * static_cast<std::size_t>(fx * picW);
      std::memcpy(row + 3 * static_cast<std::size_t>(i), src, 3);
    }
  }
}

void TGraphModel::BuildPlotPicture() {
  const int w = RoundToInt(plot_.width * ratio_), h = RoundToInt(plot_.height * ratio_);
  plotPicture_.Resize(w, h);
  for (int j = 0; j < h; ++j) {
    const TColor c = Blend(ColorBegin, ColorEnd, h > 1 ? double(j) / (h - 1) : 0.0);
    uint8_t* row = plotPicture_.Row(j);
    for (int i = 0; i < w; ++i) {
      row[3 * i] = RedOf(c);
      row[3 * i + 1] = GreenOf(c);
      row[3 * i + 2] = BlueOf(c);
    }
  }
  if (IsSourceImgVisible) DrawSourceImage(plotPicture_);
  pictureGeneration_ = bgGeneration_;
}

const Image& TGraphModel::PlotPicture() {
  if (pictureGeneration_ != bgGeneration_) BuildPlotPicture();
  return plotPicture_;
}

// ---------------------------------------------------------------- tools

bool TGraphModel::ToolAvailable(int tool) {
  return tool == gtNone || tool == gtPan || tool == gtReticule || tool == gtMesurer ||
         tool == gtZoom || TModelTools::IsModelTool(tool) || TFigureTools::IsFigureTool(tool);
}

bool TGraphModel::SetTool(int tool) {
  if (!ToolAvailable(tool)) return false;
  if (tool == gtModifierModele && !models_->ActiveModel()) return false;
  models_->ToolChanged();
  figures_->ToolChanged();
  InvalidateElements();
  tool_ = tool;
  drag_ = gdIdle;
  rubber_ = false;
  hint_.clear();
  return true;
}

std::string TGraphModel::CursorName() const {
  if (ModelBox.Moving() || (drag_ == gdIdle && ModelBox.Contains(mouse_))) return "SizeAll";
  if (TModelTools::IsModelTool(tool_)) return models_->CursorName();
  switch (tool_) {
    case gtPan:
      return "Pan";
    case gtReticule:
      return "Reticule";
    case gtMesurer:
      return hint_.empty() ? std::string() : "Detection";
    case gtZoom:
      if (IsZoomX && IsZoomY) return "Zoom";
      if (IsZoomX) return "ZoomX";
      if (IsZoomY) return "ZoomY";
      return {};
    default:
      return TFigureTools::IsFigureTool(tool_) ? figures_->CursorName() : std::string();
  }
}

bool TGraphModel::MouseInPlot() const {
  return mouse_.x >= plot_.left && mouse_.x < plot_.Right() && mouse_.y >= plot_.top &&
         mouse_.y < plot_.Bottom();
}

void TGraphModel::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  InvalidateElements();
  mouse_ = dragFrom_ = dragLast_ = {x, y};
  // The model's box lies over everything: a press in it moves it.
  if (b == mbLeft && ModelBox.Contains({x, y})) {
    ModelBox.BeginMove({x, y});
    return;
  }
  if (TModelTools::IsModelTool(tool_) && b == mbLeft) {
    models_->MouseDown({x, y});
    return;
  }
  if (TFigureTools::IsFigureTool(tool_) && b == mbLeft) {
    figures_->MouseDown(b, s, {x, y});
    return;
  }
  if (tool_ == gtPan && b == mbLeft) drag_ = gdPan;
  if (tool_ == gtZoom && b == mbLeft) rubber_ = true;
  if (tool_ != gtZoom && tool_ != gtPan && OnObjectClick) {
    const TGPoint* p = PointAt({x, y});
    OnObjectClick(b, p ? obPoint : obNone);
  }
}

void TGraphModel::MouseMove(TShiftState s, int x, int y) {
  mouse_ = {x, y};
  if (ModelBox.Moving()) {
    ModelBox.MoveTo({x, y});
    return;
  }
  if (TModelTools::IsModelTool(tool_)) {
    // A drag reshapes the model curve (its OnChange says so too).
    if (const TGModele* m = models_->ActiveModel(); m && m->Dragging() != mhNone)
      InvalidateElements();
    models_->MouseMove(s, {x, y});
    hint_ = models_->Hint();
    hintPos_ = {x, y + 10};
    return;
  }
  if (drag_ == gdPan && plot_.width > 0 && plot_.height > 0) {
    const int dx = x - dragLast_.x, dy = y - dragLast_.y;
    dragLast_ = mouse_;
    Pan(dx, dy);
    return;
  }
  if (TFigureTools::IsFigureTool(tool_)) {
    // Moving over the figures changes nothing but the cursor and the tool's
    // marks; a drag moves or reshapes them.
    if (drag_ != gdIdle && drag_ != gdRubber) InvalidateElements();
    figures_->MouseMove(s, {x, y});
    return;
  }
  if (tool_ == gtMesurer) UpdateHint();
  if (tool_ == gtReticule && MouseInPlot()) {
    // The bubble of values reads the cross-hair in world units.
    const TWorldPoint w = ToWorld(x, y);
    Bulle.SetLines({"x = " + FormatNumber(0, w.x), "y = " + FormatNumber(0, w.y)});
    Bulle.Show();
  } else {
    Bulle.Hide();
  }
}

void TGraphModel::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  InvalidateElements();
  mouse_ = {x, y};
  if (ModelBox.Moving()) {
    ModelBox.EndMove();
    return;
  }
  if (TModelTools::IsModelTool(tool_)) {
    models_->MouseUp();
    return;
  }
  if (TFigureTools::IsFigureTool(tool_)) {
    figures_->MouseUp(b, s, {x, y});
    return;
  }
  if (tool_ == gtZoom) {
    const TZoomAxes axes{IsZoomX, IsZoomY};
    const bool dragged = std::abs(x - dragFrom_.x) >= TGraphZoom::kMinRect &&
                         std::abs(y - dragFrom_.y) >= TGraphZoom::kMinRect;
    if (b == mbLeft && rubber_ && dragged)
      ChangeWorld(zoom_.Rect(world_, plot_, dragFrom_, mouse_, equalScale_, axes));
    else if (b == mbLeft || b == mbRight)  // a click, or a drag too small to zoom to
      ChangeWorld(zoom_.Step(world_, ToWorld(x, y), b == mbLeft, s.ctrl, equalScale_, axes));
    rubber_ = false;
    return;
  }
  drag_ = gdIdle;
}

void TGraphModel::DoubleClick(int x, int y) {
  InvalidateElements();
  mouse_ = {x, y};
  figures_->DoubleClick({x, y});
}

void TGraphModel::UpdateHint() {
  hint_.clear();
  const int t = PointTolerance(DisplaySize);
  const TGElem* found = nullptr;
  for (TGElem* e : selection_)
    if (e->HitTest(mouse_, t)) found = e;
  for (auto it = elements_.rbegin(); !found && it != elements_.rend(); ++it)
    if ((*it)->HitTest(mouse_, t)) found = it->get();
  if (found) {
    hint_ = found->InfoText();
    hintPos_ = {mouse_.x, mouse_.y + 10};
  }
}

bool TGraphModel::KeyDown(int key, TShiftState s, TPixel& move) {
  InvalidateElements();
  move = {0, 0};
  const int step = s.ctrl ? 10 : 1;
  switch (key) {
    case kVkSpace:
      OnObjectClick(mbRight, obNone);
      return true;
    case vkLeft:
      move = {-step, 0};
      return true;
    case vkRight:
      move = {step, 0};
      return true;
    case vkUp:
      move = {0, -step};
      return true;
    case vkDown:
      move = {0, step};
      return true;
    case kVkInsert:
    case kVkDelete:
      // Only drawn figures can be deleted; the data stays.
      figures_->DeleteSelection();
      return true;
    case kVkA:
      if (s.ctrl) figures_->Undo();
      return s.ctrl;
    default:
      return false;
  }
}

// ---------------------------------------------------------------- painting

void TGraphModel::PaintBackground(Canvas& canvas) {
  canvas.ClearClip();
  canvas.SetBrush({ColorAxe, TBrushStyle::bsSolid});
  canvas.FillRect({0, 0, width_, height_});
  if (plot_.width > 0 && plot_.height > 0) canvas.StretchDraw(plot_.Rect(), PlotPicture());
  AxeX.colour = AxeY.colour = ColorAxe;
  AxeX.Draw(canvas, plot_);
  AxeY.Draw(canvas, plot_);
  if (IsOrigineVisible) {
    canvas.SetClip(plot_.Rect());
    origin_.Draw(canvas, {utils_, MarkerSize(DisplaySize)});
    canvas.ClearClip();
  }
}

namespace {

bool Meets(const TPixelRect& r, int x0, int y0, int x1, int y1) {
  return std::max(x0, x1) >= r.left && std::min(x0, x1) < r.right && std::max(y0, y1) >= r.top &&
         std::min(y0, y1) < r.bottom;
}

TPixelRect Widened(const TPixelRect& r, int by) {
  return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

}  // namespace

void TGraphModel::PaintCurveSegments(Canvas& canvas, const TCourbe& c, const TPixelRect& area) {
  // The data segments of a curve as runs of one polyline each.  A segment
  // away from the area breaks the run: its pen and joins reach no pixel of
  // the area.
  const TPixelRect near = Widened(area, 3);
  std::vector<TPixel>& run = run_;
  run.clear();
  auto flush = [&] {
    if (run.size() >= 2) canvas.Polyline(run);
    run.clear();
  };
  canvas.SetPen({c.dataColour[ckSegments], 1, TPenStyle::psSolid});
  // Segment i joins points i and i + 1 (AddCourbe): their pixels are the
  // points', already worked out for the window.
  const bool joinsPoints = c.points.size() == c.segments.size() + 1;
  for (std::size_t i = 0; i < c.segments.size(); ++i) {
    const TGSegment* s = c.segments[i];
    if (!s->Shown()) {
      flush();
      continue;
    }
    const TPixel a = joinsPoints ? c.points[i]->CurrentPixel() : s->Pixels()[0];
    const TPixel b = joinsPoints ? c.points[i + 1]->CurrentPixel() : s->Pixels()[1];
    if (!Meets(near, a.x, a.y, b.x, b.y)) {
      flush();
      continue;
    }
    if (run.empty()) run.push_back(a);
    if (!(run.back() == b)) run.push_back(b);
  }
  flush();
}

void TGraphModel::PaintCurvePoints(Canvas& canvas, const TCourbe& c, const TDrawContext& ctx,
                                   const TPixelRect& area) {
  // A symbol drawn again on the same pixel changes nothing: skip it, which
  // keeps dense curves quick to draw.
  const std::size_t w = static_cast<std::size_t>(plot_.width) + 1;
  const std::size_t cells = w * (static_cast<std::size_t>(plot_.height) + 1);
  if (drawnMask_.size() != cells || ++drawnStamp_ == 0) {
    drawnMask_.assign(cells, 0);
    drawnStamp_ = 1;
  }
  // A symbol (and the ring of the highlighted row) reaches this far from
  // its pixel, a label further; error bars have no bound.
  const TPixelRect near = Widened(area, TMotif::DiscRadius(2) + 6);
  const TPixelRect nearLabel = Widened(area, 80);
  for (const TGPoint* p : c.points) {
    if (!p->Shown()) continue;
    const TPixel at = p->pixel;
    if (!(p->errorX > 0.0) && !(p->errorY > 0.0) &&
        !Meets(p->labelShown ? nearLabel : near, at.x, at.y, at.x, at.y))
      continue;
    const int x = p->pixel.x - plot_.left, y = p->pixel.y - plot_.top;
    if (x >= 0 && y >= 0 && x <= plot_.width && y <= plot_.height && !p->highlighted) {
      uint8_t& seen = drawnMask_[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)];
      if (seen == drawnStamp_) continue;
      seen = drawnStamp_;
    }
    p->Draw(canvas, ctx);
    if (p->labelShown) p->DrawLabel(canvas);
  }
}

void TGraphModel::PaintElementLayer(Canvas& canvas, const TPixelRect& area) {
  const TPixelRect plot = plot_.Rect();
  const TPixelRect clip{std::max(plot.left, area.left), std::max(plot.top, area.top),
                        std::min(plot.right, area.right), std::min(plot.bottom, area.bottom)};
  if (clip.Width() <= 0 || clip.Height() <= 0) return;
  const TDrawContext ctx{utils_, MarkerSize(DisplaySize)};
  canvas.SetFont(font);
  canvas.SetClip(clip);
  int segmentsDone = -1, pointsDone = -1;
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    const TGElem* e = elements_[i].get();
    const bool data = !e->userDrawn && e->curve >= 0 && e->curve < CurveCount();
    // A curve's points, and its segments, lie one after the other as the
    // curve was added: drawn at once, without a look at each element.
    if (data && (e->Kind() == obPoint || e->Kind() == obSegment)) {
      const TCourbe& c = curves_[static_cast<std::size_t>(e->curve)];
      const bool points = e->Kind() == obPoint;
      const std::size_t n = points ? BlockAt(i, c.points) : BlockAt(i, c.segments);
      if (n > 0) {
        int& done = points ? pointsDone : segmentsDone;
        if (done != e->curve && points) PaintCurvePoints(canvas, c, ctx, clip);
        if (done != e->curve && !points) PaintCurveSegments(canvas, c, clip);
        done = e->curve;
        i += n - 1;
        continue;
      }
    }
    if (!e->Shown()) continue;
    if (data && e->Kind() == obSegment) {
      if (segmentsDone == e->curve) continue;
      segmentsDone = e->curve;
      PaintCurveSegments(canvas, curves_[static_cast<std::size_t>(e->curve)], clip);
    } else if (data && e->Kind() == obPoint) {
      if (pointsDone == e->curve) continue;
      pointsDone = e->curve;
      PaintCurvePoints(canvas, curves_[static_cast<std::size_t>(e->curve)], ctx, clip);
    } else {
      e->Draw(canvas, ctx);
    }
  }
  canvas.ClearClip();
}

template <class T>
std::size_t TGraphModel::BlockAt(std::size_t i, const std::vector<T*>& list) const {
  const std::size_t n = list.size();
  if (n == 0 || i + n > elements_.size() || elements_[i].get() != list.front() ||
      elements_[i + n - 1].get() != list.back())
    return 0;
  return n;
}

void TGraphModel::PaintOverlayCurves(Canvas& canvas) {
  // Far outside the plot a pixel is only clipped: kept within reach of an
  // int, the line still leaves the plot in the right direction.
  constexpr double kReach = 1e6;
  // Thousands of model points fall on a few hundred pixels: those within a
  // quarter of a pixel of the line through the others are not stroked.
  constexpr double kTolerance = 0.25;
  if (overlay_.empty()) return;
  const TPixelMap map(plot_, world_);
  canvas.SetClip(plot_.Rect());
  std::vector<TWorldPoint>& kept = thinned_;
  std::vector<TPixel>& run = run_;
  TLineThinner thinner(kTolerance);
  for (const TOverlayCurve& c : overlay_) {
    canvas.SetPen({c.colour, c.width, TPenStyle::psSolid});
    kept.clear();
    auto flush = [&] {
      thinner.End(kept);
      run.clear();
      for (const TWorldPoint& p : kept) {
        const TPixel at{static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
        if (run.empty() || !(run.back() == at)) run.push_back(at);
      }
      if (run.size() >= 2) canvas.Polyline(run);
      kept.clear();
    };
    for (const TWorldPoint& p : c.points) {
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
        flush();
        continue;
      }
      double px, py;
      map.MapF(p.x, p.y, px, py);
      thinner.Add({std::clamp(px, -kReach, kReach), std::clamp(py, -kReach, kReach)}, kept);
    }
    flush();
  }
  canvas.ClearClip();
}

void TGraphModel::PaintOverlay(Canvas& canvas) {
  canvas.SetFont(font);
  PaintToolMarks(canvas);
  if (IsDessinerEchelle) PaintScaleBar(canvas);
  Bulle.Draw(canvas, font, width_, height_);
  PaintModelBox(canvas);
  PaintFrames(canvas);
}

void TGraphModel::PaintModelBox(Canvas& canvas) {
  const TGModele* m = ModelBox.shown ? models_->ActiveModel() : nullptr;
  if (m)
    ModelBox.Draw(canvas, font, m->BoxLines(), width_, height_, plot_);
  else
    ModelBox.Forget();
}

void TGraphModel::PaintToolMarks(Canvas& canvas) {
  if (tool_ == gtZoom && rubber_ && !(mouse_ == dragFrom_)) {
    canvas.FocusRect({std::min(dragFrom_.x, mouse_.x), std::min(dragFrom_.y, mouse_.y),
                      std::max(dragFrom_.x, mouse_.x), std::max(dragFrom_.y, mouse_.y)});
  }
  figures_->PaintMarks(canvas);
  if (tool_ == gtReticule && MouseInPlot()) {
    canvas.SetPen({colors::Black, 1, TPenStyle::psDot});
    canvas.Line(plot_.left, mouse_.y, plot_.Right(), mouse_.y);
    canvas.Line(mouse_.x, plot_.top, mouse_.x, plot_.Bottom());
  }
}

void TGraphModel::PaintScaleBar(Canvas& canvas) {
  if (families_.empty()) return;
  const int x0 = 20, y0 = 20, x1 = x0 + scaleBarPixels_;
  canvas.SetPen({colors::Black, 1, TPenStyle::psSolid});
  canvas.Line(x0, y0 - 4, x0, y0 + 1);
  canvas.Line(x0, y0, x1, y0);
  canvas.Line(x1, y0 - 4, x1, y0 + 1);
  TFont f = font;
  f.size = 8;
  f.bold = false;
  f.angle = 0;
  f.color = colors::Black;
  canvas.SetFont(f);
  const std::string text = ScaleBarText();
  const TTextSize sz = canvas.TextExtent(text);
  canvas.TextOut(x0 + (scaleBarPixels_ - sz.cx) / 2, y0 - 5 - sz.cy, text);
}

void TGraphModel::PaintFrames(Canvas& canvas) {
  canvas.SetBrush({colors::White, TBrushStyle::bsClear});
  canvas.SetPen({colors::Black, 1, TPenStyle::psSolid});
  canvas.Rectangle(plot_.left, plot_.top, plot_.Right() + 1, plot_.Bottom() + 1);
  if (width_ < 2 || height_ < 2) return;
  canvas.SetPen({colors::White, 1, TPenStyle::psSolid});
  canvas.Line(0, height_ - 1, 0, 0);
  canvas.LineTo(width_ - 1, 0);
  canvas.SetPen({colors::Gray, 1, TPenStyle::psSolid});
  canvas.Line(width_ - 1, 0, width_ - 1, height_ - 1);
  canvas.LineTo(0, height_ - 1);
}

}  // namespace kinevo
