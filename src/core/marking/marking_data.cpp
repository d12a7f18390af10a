#include "core/marking/marking_data.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace kinevo {

TData::TData(IVideoView& view, TUserDlg& dialog, const TGraphUtils& graphUtils,
             TMarkingSettings settings)
    : view_(view), dialog_(dialog), graphUtils_(graphUtils), settings_(settings) {
  settings_.elementSize = std::clamp(settings_.elementSize, 0, 2);
  for (auto& h : histories_) h = std::make_unique<THistorique>(this);
  fixed_ = std::make_unique<TRepereFixe>(this);
  layer_ = std::make_unique<TTransparent>(this);
  scale_ = std::make_unique<TEchelle>(this, settings_.separateScales);
  gridMarks_ = std::make_unique<TPolyMarqueImgRep>(this, fixed_.get());
  layerMarks_ = std::make_unique<TPolyMarqueImgTsp>(this, layer_.get());
  layerLinks_ += layer_->MarksMoved.Connect([this] { layerMarks_->UpdateScreenPoints(); });
}

TData::~TData() {
  // Histories may call back into the parts while being cleared: empty them
  // while everything still exists.
  for (auto& h : histories_) h->Clear();
}

// ---------------------------------------------------------------- lifecycle

void TData::Reset() {
  CancelGesture();
  tool_ = otMarque;
  layer_->SetStage(lsGrab);
  requiredDuration_ = 0;
  calibration_.value = {};
  modelsShown_ = false;
  fixed_->Reset();
  layer_->Reset();
  scale_->Reset(settings_.separateScales);
  for (TPolyContainer* set : {static_cast<TPolyContainer*>(gridMarks_.get()),
                              static_cast<TPolyContainer*>(layerMarks_.get())})
    set->ResetOptions();
  markColors_.assign(1, graphUtils_.ColorA(0));
  fixed_->ClearOrigines();
  layer_->ClearOrigines();
  // The histories hold snapshots bound to the containers: they go first.
  for (auto& h : histories_) h->Clear();
  gridMarks_->Clear();
  layerMarks_->Clear();
  Invalidate(rtBoth);
}

void TData::SetTool(TOutil t) {
  tool_ = t;
  if (t == otNone) return;
  if (t == otTsp) layer_->GoHome();
  CancelGesture();
  OnToolChanged(this);
}

void TData::CancelGesture() {
  gridMarks_->CancelGesture();
  layerMarks_->CancelGesture();
  fixed_->CancelGesture();
  scale_->CancelDrag();
  layer_->CancelGesture();
}

void TData::ApplyOptions(const TMarkingSettings& settings) {
  ChangeScope change(*this);
  const bool numbering = settings.numberFromZero != settings_.numberFromZero;
  settings_ = settings;
  settings_.elementSize = std::clamp(settings_.elementSize, 0, 2);
  if (settings_.separateScales && scale_->ScaleKind() == skNormal) SetScaleKind(skVert);
  if (!settings_.separateScales && scale_->ScaleKind() != skNormal) SetScaleKind(skNormal);
  if (numbering) Invalidate(rtBoth);
  if (view_.IsOpen()) UpdateScreenPositions();
}

void TData::SetElementSize(int s) {
  ChangeScope change(*this);
  settings_.elementSize = std::clamp(s, 0, 2);
  if (view_.IsOpen()) UpdateScreenPositions();
}

// ---------------------------------------------------------------- active objects

TPolyContainer& TData::ActiveMarks() {
  return IsLayerActive() ? static_cast<TPolyContainer&>(*layerMarks_) : *gridMarks_;
}
const TPolyContainer& TData::ActiveMarks() const {
  return IsLayerActive() ? static_cast<const TPolyContainer&>(*layerMarks_) : *gridMarks_;
}
TRepere& TData::ActiveFrame() { return IsLayerActive() ? static_cast<TRepere&>(*layer_) : *fixed_; }

THistorique& TData::ActiveHistory() {
  if (view_.IsMarking() && tool_ == otEchelle) return ScaleHistory();
  if (view_.IsGrid() && tool_ == otOrigine) return OriginHistory();
  if (view_.IsLayer()) return LayerHistory();
  return GridHistory();
}

// ---------------------------------------------------------------- input

bool TData::PressAllowed() const {
  if (!view_.IsOpen() || !view_.IsMarking()) return false;
  if (IsGestureInProgress()) return false;
  // A press while the scale or the fixed origin is being dragged is ignored.
  return scale_->DragState() == TEchelle::kNoDrag && !fixed_->IsDragging();
}

void TData::MouseDown(int button, bool /*ctrl*/, int x, int y) {
  if (!PressAllowed() || (button != 0 && button != 1)) return;
  const bool left = button == 0;
  if (tool_ == otEchelle) {
    if (scale_->MouseDown(button, x, y)) OnScaleChanged(this);
    return;
  }
  TPolyContainer& set = ActiveMarks();
  if (tool_ == otDeplacer) {
    if (left) set.MovePress(x, y);
    return;
  }
  if (tool_ == otEffacer) {
    if (left) {
      if (TMarque* hit = set.HitMark({x, y})) {
        DeleteMark(hit);
        view_.Repaint();
      } else {
        set.OpenEraseRect(x, y);
      }
    } else {
      EraseMarksOfImage(view_.CurrentImage());
      view_.Repaint();
    }
    return;
  }
  if (view_.IsGrid()) {
    if (tool_ == otMarque) {
      const bool done = left ? gridMarks_->PlaceMark(x, y) : gridMarks_->RemoveLast();
      if (done) view_.Repaint();
    } else if (tool_ == otOrigine) {
      fixed_->MouseDown(button, x, y);
    }
    return;
  }
  if (tool_ != otTsp) return;
  switch (layer_->LayerStage()) {
    case lsGrab:
      if (left)
        layer_->Grab(x, y);
      else if (layerMarks_->RemoveLast())
        view_.Repaint();
      break;
    case lsDrag:
      if (left) {
        layer_->Drop(x, y);
        OnLayerChanged(this);
      }
      break;
    case lsPoint:
      if (left) {
        if (layerMarks_->PlaceLayerMark(x, y)) view_.Repaint();
      } else {
        layer_->GoBack();
        OnLayerChanged(this);
        view_.Repaint();
      }
      break;
  }
}

void TData::MouseMove(bool /*ctrl*/, int x, int y) {
  if (!view_.IsOpen() || !view_.IsMarking()) return;
  TPolyContainer& set = ActiveMarks();
  switch (tool_) {
    case otEchelle:
      scale_->MouseMove(x, y);
      break;
    case otDeplacer:
      set.MoveMove(x, y);
      break;
    case otEffacer:
      set.EraseMove(x, y);
      break;
    case otOrigine:
      if (view_.IsGrid()) fixed_->MouseMove(x, y);
      break;
    case otTsp:
      if (view_.IsLayer()) layer_->DragTo(x, y);
      break;
    default:
      break;
  }
}

void TData::EraseToolRelease() {
  TPolyContainer& set = ActiveMarks();
  if (!set.IsErasing()) return;
  const std::vector<TMarque*> inside = set.CloseEraseRect();
  {
    THistGroup group(ActiveHistory());
    for (TMarque* m : inside) DeleteMark(m);
  }
  view_.SetViewCursor("Gomme");
  view_.Repaint();
}

void TData::MouseUp(int /*button*/, bool /*ctrl*/, int x, int y) {
  if (!view_.IsOpen() || !view_.IsMarking()) return;
  switch (tool_) {
    case otEchelle:
      scale_->MouseUp();
      break;
    case otDeplacer:
      ActiveMarks().MoveRelease();
      break;
    case otEffacer:
      EraseToolRelease();
      break;
    case otOrigine:
      if (view_.IsGrid()) fixed_->MouseUp();
      break;
    case otTsp:
      if (view_.IsLayer() && layer_->LayerStage() == lsDrag) {
        layer_->Drop(x, y);
        OnLayerChanged(this);
      }
      break;
    default:
      break;
  }
}

void TData::KeyDown(int key, bool ctrl) {
  if (view_.Mode() == vmCapture) return;
  int digit = -1;
  if (key >= 48 && key <= 57) digit = key - 48;
  if (key >= 96 && key <= 105) digit = key - 96;
  if (digit >= 0) {
    const int step = ctrl ? -1 : 1;
    if (digit == 0) {
      SetElementColor(graphUtils_.ColorA(graphUtils_.IndexOfColorA(elementColor_) + step));
    } else {
      const int s = digit - 1;
      if (s < static_cast<int>(markColors_.size()))
        SetMarkColor(s, graphUtils_.ColorA(graphUtils_.IndexOfColorA(MarkColor(s)) + step));
    }
    view_.Repaint();
  }
  if (!view_.IsMarking()) return;
  switch (key) {
    case 13: {
      if (view_.PointerTool() != vtNone) return;
      const TPixel p = view_.PointerPosition();
      bool release;
      if (tool_ == otOrigine)
        release = fixed_->IsDragging();
      else
        release = IsGestureInProgress() || scale_->DragState() != TEchelle::kNoDrag ||
                  (view_.IsLayer() && layer_->LayerStage() == lsDrag);
      if (release)
        MouseUp(0, false, p.x, p.y);
      else
        MouseDown(0, false, p.x, p.y);
      break;
    }
    case 18:
      if (tool_ == otMarque) SetCurrentMarkOrderNumber(CurrentMarkOrderNumber() + 1);
      break;
    case 54:
    case 109:
    case 107:
    case 187:
      if (tool_ == otTsp && view_.IsLayer()) {
        layer_->KeyDown(key);
        OnLayerChanged(this);
      }
      break;
    case 65:
    case 90:  // Ctrl+Z too, as everywhere else on the desktop
      if (ctrl) {
        Undo();
        view_.Repaint();
      }
      break;
    default:
      break;
  }
}

void TData::Paint(Canvas& canvas) const {
  if (tool_ == otEchelle) {
    scale_->Draw(canvas);
  } else if (IsLayerActive()) {
    layer_->Draw(canvas);
    layerMarks_->Draw(canvas);
  } else {
    if (calibration_.value.plane.on) DrawPlaneGrid(canvas);
    fixed_->Draw(canvas);
    gridMarks_->Draw(canvas);
  }
}

void TData::DrawPlaneGrid(Canvas& canvas) const {
  // The plane's axes and far edges solid, the other lines dotted, so that
  // the student sees the calibration on the picture.
  std::vector<TPixel> run;
  for (const TGridLine& line : PlaneGridLines(MeasureMap(), calibration_.value.plane)) {
    run.clear();
    for (const TPictureCoord& p : line.points) run.push_back(view_.PictureToScreen(p));
    const bool strong = line.axis || line.edge;
    canvas.SetPen({elementColor_, strong ? 2 : 1, strong ? TPenStyle::psSolid : TPenStyle::psDot});
    canvas.Polyline(run);
  }
}

void TData::UpdateScreenPositions() {
  gridMarks_->UpdateScreenPoints();
  layerMarks_->UpdateScreenPoints();
  layer_->RecomputeRect();
  fixed_->RecomputePoints();
  scale_->RecomputePoints();
}

std::string TData::ToolCursor() const {
  switch (tool_) {
    case otEchelle:
      return "Echelle";
    case otMarque: {
      if (MarksNumberPerFrame() <= 1) return "Marque";
      return "Marque" + std::to_string((CurrentMarkOrderNumber() + 1) % 10);
    }
    case otOrigine:
      return "Origine";
    case otTsp:
      return layer_->LayerStage() == lsPoint ? "Marque" : "Pan";
    default:
      return "";
  }
}

// ---------------------------------------------------------------- queries

TData::TMarkedOrder TData::MarkedInTimeOrder() const {
  TMarkedOrder r;
  for (const auto& c : ActiveMarks().Containers())
    if (c->Count() > 0) r.marked.push_back(c.get());
  const std::size_t n = r.marked.size();
  r.index.resize(n);
  for (std::size_t k = 0; k < n; ++k) {
    const int32_t image = r.marked[k]->MarksContainerFrameNumber;
    r.index[k] = static_cast<int64_t>(image) + (TimeShift ? TimeShift(image) : 0);
  }
  if (n > 0) {
    const int64_t lowest = *std::min_element(r.index.begin(), r.index.end());
    for (auto& t : r.index) t -= lowest;
  }
  r.order.resize(n);
  std::iota(r.order.begin(), r.order.end(), 0);
  std::stable_sort(r.order.begin(), r.order.end(),
                   [&](std::size_t a, std::size_t b) { return r.index[a] < r.index[b]; });
  return r;
}

std::vector<int32_t> TData::SeriesImages() const {
  const TMarkedOrder rows = MarkedInTimeOrder();
  std::vector<int32_t> images;
  for (std::size_t k : rows.order) images.push_back(rows.marked[k]->MarksContainerFrameNumber);
  return images;
}

std::vector<double> TData::ImageTimes(int32_t first, int32_t last) const {
  const TMarkedOrder rows = MarkedInTimeOrder();
  if (rows.marked.empty() || last < first) return {};
  const int32_t firstRow = rows.marked[rows.order.front()]->MarksContainerFrameNumber;
  const int64_t lowest = static_cast<int64_t>(firstRow) + (TimeShift ? TimeShift(firstRow) : 0) -
                         rows.index[rows.order.front()];
  // The file's times only when every row has one, as GetSeries decides.
  std::optional<double> base;
  if (FileTime) {
    base = FileTime(firstRow);
    for (std::size_t k = 0; k < rows.marked.size() && base; ++k)
      if (!FileTime(rows.marked[k]->MarksContainerFrameNumber)) base.reset();
  }
  std::vector<double> times;
  times.reserve(static_cast<std::size_t>(last - first) + 1);
  for (int32_t image = first; image <= last; ++image) {
    if (base) {
      const std::optional<double> t = FileTime(image);
      times.push_back(t ? *t - *base : std::numeric_limits<double>::quiet_NaN());
    } else {
      const int64_t index = static_cast<int64_t>(image) + (TimeShift ? TimeShift(image) : 0);
      times.push_back(static_cast<double>(index - lowest) * requiredDuration_);
    }
  }
  return times;
}

TSeries TData::GetSeries() const {
  TSeries r;
  const TPolyContainer& set = ActiveMarks();
  const TMarkedOrder rows = MarkedInTimeOrder();
  const std::vector<const TContainer*>& marked = rows.marked;
  const std::vector<int64_t>& index = rows.index;
  const std::vector<std::size_t>& order = rows.order;
  const std::size_t n = marked.size();
  // Times read from the file, from the first row's: a variable rate makes
  // time index x T wrong.
  std::vector<double> fileTimes;
  if (n > 0 && FileTime) {
    for (std::size_t k = 0; k < n; ++k) {
      const std::optional<double> t = FileTime(marked[order[k]]->MarksContainerFrameNumber);
      if (!t) break;
      fileTimes.push_back(*t);
    }
    if (fileTimes.size() != n) fileTimes.clear();
    for (std::size_t k = n; k-- > 0 && !fileTimes.empty();) fileTimes[k] -= fileTimes.front();
  }
  r.fileTimes = !fileTimes.empty();
  const int systems = set.MarksNumberPerFrame();
  r.times.resize(n);
  r.images.assign(static_cast<std::size_t>(systems), std::vector<int32_t>(n, -1));
  r.xs.assign(static_cast<std::size_t>(systems), std::vector<double>(n, 0.0));
  r.ys.assign(static_cast<std::size_t>(systems), std::vector<double>(n, 0.0));
  r.uxs = r.ys;
  r.uys = r.ys;
  const double width = view_.ImageWidth(), height = view_.ImageHeight();
  const TMeasureMap map = MeasureMap();
  const bool corrected = map.LensOn() || map.PlaneOn();
  const bool layer = IsLayerActive();
  for (std::size_t k = 0; k < n; ++k) {
    const TContainer* c = marked[order[k]];
    const int64_t t = index[order[k]];
    r.times[k] = r.fileTimes ? fileTimes[k] : static_cast<double>(t) * requiredDuration_;
    for (int s = 0; s < systems; ++s)
      if (const TMarque* m = c->MarkOf(s)) {
        const std::size_t si = static_cast<std::size_t>(s);
        const TPictureCoord rel = m->GetRelative();
        r.images[si][k] = static_cast<int32_t>(t);
        const double u = MarkUncertainty(*m);
        if (!corrected) {
          r.xs[si][k] = rel.x;
          r.ys[si][k] = -rel.y;
          r.uxs[si][k] = width > 0 ? u / width : 0.0;
          r.uys[si][k] = height > 0 ? u / height : 0.0;
          continue;
        }
        // The mark and its origin where they are on the picture of their
        // image: a layer mark is kept relative to the layer's origin there.
        TPictureCoord origin = fixed_->Origin();
        if (layer) {
          const TOrigine* o = layer_->FindOrigineOfImage(c->MarksContainerFrameNumber);
          const TPictureCoord shown = m->GetPicture();
          origin = o != nullptr ? o->Position : TPictureCoord{shown.x - rel.x, shown.y - rel.y};
        }
        const TPictureCoord at{origin.x + rel.x, origin.y + rel.y};
        if (map.PlaneOn()) {
          // Metres along the plane's axes; a layer mark from the layer's
          // origin on the plane.
          TWorldPoint q = map.ToPlane(at);
          if (layer) {
            const TWorldPoint q0 = map.ToPlane(origin);
            q = {q.x - q0.x, q.y - q0.y};
          }
          r.xs[si][k] = q.x;
          r.ys[si][k] = q.y;
        } else {
          const TPictureCoord a = map.Corrected(at), o = map.Corrected(origin);
          r.xs[si][k] = a.x - o.x;
          r.ys[si][k] = -(a.y - o.y);
        }
        const TWorldPoint e = map.Uncertainty(at, u);
        r.uxs[si][k] = e.x;
        r.uys[si][k] = e.y;
      }
  }
  return r;
}

std::pair<double, double> TData::GetScaleFactors() const {
  const TMeasureMap map = MeasureMap();
  if (!map.LensOn())
    return scale_->GetScaleFactors(settings_.separateScales, view_.ImageWidth(),
                                   view_.ImageHeight());
  // The scale's segments are measured on the corrected picture, as the
  // marks are.
  TEchelle corrected(nullptr, settings_.separateScales);
  corrected.Assign(*scale_);
  for (TScaleKind kind : {skNormal, skHoriz, skVert})
    corrected.SetSegment(kind, scale_->PointsNumber(kind), map.Corrected(scale_->Point(kind, 0)),
                         map.Corrected(scale_->Point(kind, 1)));
  return corrected.GetScaleFactors(settings_.separateScales, view_.ImageWidth(),
                                   view_.ImageHeight());
}

TMeasureFrame TData::MeasureFrame() const {
  const TMeasureMap map = MeasureMap();
  if (!map.PlaneOn()) {
    if (map.Failed()) return {-1.0, -1.0, 0.0, true, true};
    const auto [kx, ky] = GetScaleFactors();
    return {kx, ky, XAxisAngle(), DirectXAxisDirection(), DirectYAxisDirection()};
  }
  // The series are in the plane's metres and axes already.
  if (map.Failed()) return {-1.0, -1.0, 0.0, true, true};
  return {1.0, 1.0, 0.0, true, true};
}

double TData::XAxisAngle() const { return IsLayerActive() ? 0.0 : fixed_->XAxisAngle(); }
bool TData::DirectXAxisDirection() const {
  return IsLayerActive() ? layer_->DirectXAxisDirection() : fixed_->DirectXAxisDirection();
}
bool TData::DirectYAxisDirection() const {
  return IsLayerActive() ? layer_->DirectYAxisDirection() : fixed_->DirectYAxisDirection();
}
TPictureCoord TData::OriginPosition() const {
  return IsLayerActive() ? TPictureCoord{} : fixed_->Origin();
}
int32_t TData::OriginePointsNumber() const {
  return IsLayerActive() ? 1 : fixed_->OriginePointsNumber();
}
int32_t TData::MarksNumberPerFrame() const {
  return IsLayerActive() ? 1 : gridMarks_->MarksNumberPerFrame();
}
int32_t TData::CurrentMarkOrderNumber() const {
  return IsLayerActive() ? 0 : gridMarks_->CurrentMarkOrderNumber();
}

int32_t TData::MarksCountOnImage(int n) const {
  if (!view_.IsOpen()) return -1;
  return ActiveMarks().CountOnImage(n);
}

TColor TData::MarkColor(int system) const {
  if (system < 0 || system >= static_cast<int>(markColors_.size())) return 255;
  return markColors_[static_cast<std::size_t>(system)];
}

void TData::SetElementColor(TColor c) {
  if (c == elementColor_) return;
  elementColor_ = c;
  OnMarkColorChanged(this);
}

void TData::SetSystemName(int i, const std::string& name) {
  const auto& names = ActiveMarks().SystemNames();
  if (i < 0 || i >= static_cast<int>(names.size()) || names[static_cast<std::size_t>(i)] == name)
    return;
  ActiveMarks().SetSystemName(i, name);
  OnNamesChanged(this);
}

void TData::SetMarkColor(int i, TColor c) {
  if (i < 0 || i >= static_cast<int>(markColors_.size())) return;
  markColors_[static_cast<std::size_t>(i)] = c;
  OnMarkColorChanged(this);
}

void TData::EnsureMarkColors(int n) {
  for (int i = static_cast<int>(markColors_.size()); i < n; ++i)
    markColors_.push_back(graphUtils_.ColorA(i));
}

// ---------------------------------------------------------------- settings

void TData::SetMarksNumberPerFrame(int n) {
  if (n < 1 || n == gridMarks_->MarksNumberPerFrame()) return;
  ChangeScope change(*this);
  GridHistory().RecordStep(*gridMarks_, haModifier);
  const int m = gridMarks_->MarksNumberPerFrame();
  gridMarks_->SetSystemsCount(n);
  // Systems that come back take the palette's colours again, not the ones
  // they had before they were dropped (a loaded document keeps its own).
  for (int i = m; i < n && i < static_cast<int>(markColors_.size()); ++i)
    markColors_[static_cast<std::size_t>(i)] = graphUtils_.ColorA(i);
}

void TData::SetFramesNumberBetweenTwoMarks(int n) {
  if (n == framesBetween_) return;
  ChangeScope change(*this);
  framesBetween_ = n;
}

void TData::SetMarksIsAllDrawn(bool b) {
  ChangeScope change(*this);
  ActiveMarks().MarksIsAllDrawn = b;
}
void TData::SetMarksNumberToDraw(int n) {
  ChangeScope change(*this);
  ActiveMarks().MarksNumberToDraw = std::max(0, n);
}
void TData::SetMarksNumberPosition(TNumberPosition p) {
  ChangeScope change(*this);
  ActiveMarks().MarksNumberPosition = p <= npRight ? p : npDown;
}
void TData::SetDirectXAxisDirection(bool b) {
  ChangeScope change(*this);
  ActiveFrame().SetDirectX(b);
}
void TData::SetDirectYAxisDirection(bool b) {
  ChangeScope change(*this);
  ActiveFrame().SetDirectY(b);
}
void TData::SetScaleLength(double l) {
  ChangeScope change(*this);
  scale_->SetScaleLength(l);
}
void TData::SetScaleHorizLength(double l) {
  ChangeScope change(*this);
  scale_->SetScaleHorizLength(l);
}
void TData::SetScaleVertLength(double l) {
  ChangeScope change(*this);
  scale_->SetScaleVertLength(l);
}

void TData::SetXAxisAngle(double a) {
  if (SameValue(a, fixed_->XAxisAngle()) || std::isnan(a)) return;
  ChangeScope change(*this);
  ActiveHistory().RecordStep(*fixed_, haPivoter);
  fixed_->SetXAxisAngle(a);
}

void TData::SetScaleKind(TScaleKind k) {
  if (scale_->SetScaleKind(k)) OnScaleKindChanged(this);
}

void TData::SetRequiredDuration(double d) {
  if (SameValue(d, requiredDuration_)) return;
  requiredDuration_ = d;
  Invalidate(rtBoth);
  OnDurationChanged(this);
}

void TData::SetPointingUncertainty(double pixels) {
  if (!(pixels >= 0.0) || SameValue(pixels, pointingUncertainty_)) return;
  pointingUncertainty_ = pixels;
  Invalidate(rtBoth);
}

void TData::SetTrackingUncertainty(double pixels) {
  if (!(pixels >= 0.0) || SameValue(pixels, trackingUncertainty_)) return;
  trackingUncertainty_ = pixels;
  Invalidate(rtBoth);
}

void TData::SetModelsShown(bool on) {
  if (on == modelsShown_) return;
  ChangeScope change(*this);
  modelsShown_ = on;
}

void TData::SetTrackingMethod(TTrackingMethod m) {
  if (m == trackingMethod_) return;
  trackingMethod_ = m;
  OnChange(this);  // the document has changed; no result has
}

void TData::SetCalibration(const TMeasureCalibration& c) {
  if (c == calibration_.value) return;
  calibration_.value = c;
  Invalidate(rtBoth);
  OnChange(this);
}

void TData::ChangeCalibration(const TMeasureCalibration& c) {
  if (c == calibration_.value) return;
  ActiveHistory().RecordStep(calibration_, haModifier);
  SetCalibration(c);
}

void TData::TCalibrationRecord::Assign(const THistObject& source) {
  THistObject::Assign(source);
  value = static_cast<const TCalibrationRecord&>(source).value;
}

bool TData::TCalibrationRecord::Equals(const THistObject& other) const {
  return THistObject::Equals(other) && value == static_cast<const TCalibrationRecord&>(other).value;
}

TMeasureMap TData::MeasureMap() const {
  return TMeasureMap(calibration_.value, view_.ImageWidth(), view_.ImageHeight());
}

double TData::MarkUncertainty(const TMarque& m) const {
  switch (m.Origin) {
    case moTracked:
      return trackingUncertainty_;
    case moTrackedUncertain:
      return 3.0 * trackingUncertainty_;
    case moClicked:
      break;
  }
  return pointingUncertainty_;
}

double TData::ScaleRelativeUncertainty() const {
  const double w = view_.ImageWidth(), h = view_.ImageHeight();
  // Both ends of a segment are clicked: its length in pixels has the
  // uncertainty √2·u; the typed length counts as exact.
  auto relative = [&](TScaleKind k) {
    const TPictureCoord a = scale_->Point(k, 0), b = scale_->Point(k, 1);
    const double d = std::hypot((b.x - a.x) * w, (b.y - a.y) * h);
    return d > 0.0 ? std::sqrt(2.0) * pointingUncertainty_ / d : 0.0;
  };
  if (!scale_->IsScaleComplete()) return 0.0;
  if (settings_.separateScales) return std::max(relative(skHoriz), relative(skVert));
  return relative(skNormal);
}

// ---------------------------------------------------------------- erasing

void TData::DeleteMark(TMarque* mark) {
  if (mark == nullptr) return;
  THistGroup group(ActiveHistory());
  if (mark->Set() == gridMarks_.get()) {
    gridMarks_->DeleteMark(mark, haSupprimer);
  } else if (mark->Set() == layerMarks_.get()) {
    const int image =
        mark->Container() != nullptr ? mark->Container()->MarksContainerFrameNumber : -1;
    if (layerMarks_->DeleteMark(mark, haSupprimer)) layer_->RemoveOrigineOfImage(image);
  }
}

void TData::EraseScale() {
  ChangeScope change(*this);
  THistGroup group(ActiveHistory());
  scale_->RemoveLastPoint();
  scale_->RemoveLastPoint();
}

void TData::EraseMarks() {
  ChangeScope change(*this);
  if (tool_ == otMarque || tool_ == otOrigine) {
    THistGroup group(ActiveHistory());
    while (!gridMarks_->DrawList().empty())
      gridMarks_->DeleteMark(gridMarks_->DrawList().back(), haSupprimer);
    gridMarks_->SetCurrentSystem(0);
  } else if (tool_ == otTsp) {
    THistGroup group(ActiveHistory());
    while (!layerMarks_->DrawList().empty())
      layerMarks_->DeleteMark(layerMarks_->DrawList().back(), haSupprimer);
    layerMarks_->SetCurrentSystem(0);
    layer_->RemoveAllOrigins();
    // With every position gone there is nothing left to point: a mark placed
    // now would have no layer position.  The next press grabs the layer.
    layer_->SetStage(lsGrab);
  }
}

TPolyContainer* TData::SetOfTool() {
  if (tool_ == otMarque || tool_ == otOrigine) return gridMarks_.get();
  if (tool_ == otTsp) return layerMarks_.get();
  // The erase and move tools work on the set of the marking mode.
  if (tool_ == otEffacer || tool_ == otDeplacer) return &ActiveMarks();
  return nullptr;
}

void TData::EraseMarksOfImage(int n) {
  TPolyContainer* set = SetOfTool();
  if (set == nullptr) return;
  THistGroup group(ActiveHistory());
  if (set == layerMarks_.get()) {
    if (layerMarks_->RemoveMarkOfImage(n)) layer_->RemoveOrigineOfImage(n);
  } else {
    gridMarks_->RemoveMarksOfImage(n);
  }
}

void TData::EraseOrigin() {
  ChangeScope change(*this);
  if (tool_ == otMarque || tool_ == otOrigine) fixed_->RemoveOrigin();
}

void TData::EraseAll() {
  ChangeScope change(*this);
  THistGroup group(ActiveHistory());
  EraseScale();
  EraseMarks();
  if (tool_ != otTsp) fixed_->RemoveOrigin();
}

void TData::ForgetImage(int n) {
  // Nothing of it can be undone: no history keeps a step of it.
  std::array<bool, 4> wasSuspended{};
  for (std::size_t i = 0; i < histories_.size(); ++i) {
    wasSuspended[i] = histories_[i]->Suspended();
    histories_[i]->Suspend();
  }
  layerMarks_->RemoveMarkOfImage(n);
  layer_->RemoveOrigineOfImage(n);
  gridMarks_->RemoveMarksOfImage(n);
  LayerMoved();
  for (std::size_t i = 0; i < histories_.size(); ++i)
    if (!wasSuspended[i]) histories_[i]->Resume();
  GridHistory().Clear();
  LayerHistory().Clear();
}

// ---------------------------------------------------------------- undo

void TData::Undo() {
  ChangeScope change(*this);
  ActiveHistory().Undo();
}
std::string TData::UndoCaption() { return ActiveHistory().UndoCaption(!IsDragUnderway()); }

bool TData::IsDragUnderway() const {
  return IsGestureInProgress() || fixed_->IsDragging() ||
         scale_->DragState() != TEchelle::kNoDrag || layer_->LayerStage() == lsDrag;
}

THistObject* TData::FindObject(int32_t id) {
  if (fixed_->Id() == id) return fixed_.get();
  if (calibration_.Id() == id) return &calibration_;
  if (layer_->Id() == id) return layer_.get();
  if (scale_->Id() == id) return scale_.get();
  if (gridMarks_->Id() == id) return gridMarks_.get();
  if (layerMarks_->Id() == id) return layerMarks_.get();
  if (TMarque* m = gridMarks_->FindMarkById(id)) return m;
  if (TMarque* m = layerMarks_->FindMarkById(id)) return m;
  return layer_->FindOrigineById(id);
}

void TData::LayerMoved() {
  layer_->RecomputeRect();
  layerMarks_->UpdateScreenPoints();
  view_.UpdateCursor();
  OnLayerChanged(this);
}

void TData::AfterUndo(THistObject& live, THistAction action) {
  switch (live.Kind()) {
    case hkEchelle:
      scale_->RecomputePoints();
      InvalidateAllResults();
      break;
    case hkMarqueRep:
    case hkMarqueTsp: {
      auto& mark = static_cast<TMarque&>(live);
      TPolyContainer& set = live.Kind() == hkMarqueRep ? static_cast<TPolyContainer&>(*gridMarks_)
                                                       : static_cast<TPolyContainer&>(*layerMarks_);
      if (action == haPoser)
        set.DeleteMark(&mark, haSupprimer);
      else if (action == haPoserPointage)
        set.DeleteMark(&mark, haSupprimerPointage);
      else {
        // The mark took its former position back: what was computed from
        // the moved one is stale, and the marks changed.
        mark.UpdateScreenPoint();
        InvalidateActiveResults();
        MarksChanged();
      }
      break;
    }
    case hkOrigine: {
      auto& o = static_cast<TOrigine&>(live);
      if (action == haDeplacerAjout)
        layer_->RemoveOrigine(&o, haSupprimer);
      else if (action == haDeplacerPointage)
        layer_->RemoveOrigine(&o, haSupprimerPointage);
      LayerMoved();
      break;
    }
    case hkPolyMarqueImgRep:
    case hkPolyMarqueImgTsp:
      InvalidateActiveResults();
      MarksChanged();
      break;
    case hkRepereFixe:
      fixed_->AfterUndo();
      break;
    case hkEtalonnage:
      Invalidate(rtBoth);
      OnChange(this);
      break;
    case hkTransparent:
      LayerMoved();
      InvalidateActiveResults();
      break;
    default:
      break;
  }
}

void TData::AfterUndoDeletion(std::unique_ptr<THistObject> restored, THistAction action) {
  if (!restored) return;
  const THistKind kind = restored->Kind();
  if (kind == hkMarqueRep || kind == hkMarqueTsp) {
    auto* raw = dynamic_cast<TMarque*>(restored.get());
    if (raw == nullptr) return;
    restored.release();
    std::unique_ptr<TMarque> mark(raw);
    TPolyContainer& set = kind == hkMarqueRep ? static_cast<TPolyContainer&>(*gridMarks_)
                                              : static_cast<TPolyContainer&>(*layerMarks_);
    set.InsertMark(std::move(mark), action == haSupprimerPointage ? haPoserPointage : haPoser);
  } else if (kind == hkOrigine) {
    auto* raw = dynamic_cast<TOrigine*>(restored.get());
    if (raw == nullptr) return;
    restored.release();
    std::unique_ptr<TOrigine> o(raw);
    layer_->InsertOrigine(std::move(o),
                          action == haDeplacerRecul ? haPoserPointage : haDeplacerAjout);
    LayerMoved();
  }
}

// ---------------------------------------------------------------- tracking

void TData::ApplyTrackedPositions(const std::vector<std::vector<TPictureCoord>>& positions,
                                  const std::vector<std::vector<int32_t>>& images,
                                  const std::vector<std::vector<bool>>& uncertain) {
  THistGroup group(ActiveHistory());
  const std::size_t systems = std::min(positions.size(), images.size());
  for (std::size_t s = 0; s < systems; ++s) {
    if (static_cast<int>(s) >= gridMarks_->MarksNumberPerFrame()) break;
    const std::size_t n = std::min(positions[s].size(), images[s].size());
    for (std::size_t j = 0; j < n; ++j) {
      if (images[s][j] < 0) continue;
      TPictureCoord p = positions[s][j];
      p.x = std::clamp(p.x, 0.0, 1.0);
      p.y = std::clamp(p.y, 0.0, 1.0);
      TMarque* m = gridMarks_->ObtainContainer(images[s][j])->SetMark(static_cast<int>(s), p);
      const bool doubtful = s < uncertain.size() && j < uncertain[s].size() && uncertain[s][j];
      if (m != nullptr) m->Origin = doubtful ? moTrackedUncertain : moTracked;
    }
  }
  gridMarks_->Renumber();
  Invalidate(rtGrid);
  OnMarksChanged(this);
}

}  // namespace kinevo
