#include "core/tracking/tracking.h"

#include <algorithm>
#include <cmath>

#include "core/common/math_utils.h"
#include "core/marking/marking_data.h"

namespace kinevo {

namespace {

constexpr const char* kNoVideo = "Ouvrir, au prélable, un fichier vidéo";
constexpr const char* kNoContour = "Dessiner, au préalable, le contour de l'objet à suivre.";
constexpr const char* kLastImage =
    "La séquence débute avec la dernière image de la vidéo (suivi inutile).";
constexpr const char* kBadFirst = "Le numéro de la première image du suivi est incorrect.";

// Orange: uncertain images stand out from every system colour.
constexpr TColor kWarningColour = RGBColor(255, 140, 0);
constexpr int kMarkRadius = 3;

std::vector<TPixel> Closed(const std::vector<TPixel>& pts) {
  std::vector<TPixel> out = pts;
  if (!out.empty()) out.push_back(out.front());
  return out;
}

// An outline seen on any picture, the object's own colour included: light
// and dark dashes under a thin line of the system's colour.
template <typename DrawFn>
void DrawContrasted(Canvas& canvas, TColor colour, DrawFn draw) {
  canvas.SetPen({colors::White, 3});
  draw();
  canvas.SetPen({colors::Black, 3, TPenStyle::psDash});
  draw();
  canvas.SetPen({colour, 1});
  draw();
}

}  // namespace

TContourShape ContourShapeFromSetting(int value) {
  if (value == csFreehand) return csFreehand;
  if (value == csPolygon) return csPolygon;
  return csCircle;
}

int SettingFromContourShape(TContourShape shape) { return static_cast<int>(shape); }

std::string FormatImageRuns(const std::vector<int>& images, int step, const std::string& to,
                            const std::string& separator) {
  std::string out;
  std::size_t i = 0;
  while (i < images.size()) {
    std::size_t j = i;
    while (j + 1 < images.size() &&
           (images[j + 1] - images[j] == 1 || images[j + 1] - images[j] == step))
      ++j;
    if (!out.empty()) out += separator;
    out += std::to_string(images[i]);
    if (j > i) out += to + std::to_string(images[j]);
    i = j + 1;
  }
  return out;
}

TTracking::TTracking(ITrackingHost& host, TData& data, TUserDlg& dialog, TTrackingSettings settings)
    : host_(host), data_(data), dialog_(dialog) {
  ApplySettings(settings);
  Reset();
}

TTracking::~TTracking() {
  // The worker reads the host's pictures: it ends before anything goes.
  worker_.request_stop();
  if (worker_.joinable()) worker_.join();
}

// ------------------------------------------------------------------ settings

void TTracking::ApplySettings(const TTrackingSettings& settings) {
  settings_ = settings;
  SetRadius(settings.radius);
}

void TTracking::SetContourShape(TContourShape shape) {
  AbandonDrawing();
  settings_.shape = shape;
}

void TTracking::SetShowSearchZone(bool on) {
  settings_.showSearchZone = on;
  Changed();
}

void TTracking::SetRadius(int r) {
  settings_.radius = std::clamp(r, kMinRadius, kMaxRadius);
  tracker_.SetRadius(settings_.radius);
  Changed();
}

void TTracking::SetMethod(TTrackingMethod m) {
  data_.SetTrackingMethod(m);
  Changed();
}

int TTracking::SearchSide() const {
  if (lastMethod_ == tmAppearance) return appearance_.HasModel() ? appearance_.SearchWidth() : 0;
  return tracker_.ModelWidth() > 0 ? tracker_.WindowSize() : 0;
}

// ------------------------------------------------------------------ state

void TTracking::SetDrawTool(TDrawTool tool) {
  drawTool_ = tool;
  if (tool != dtNone) {
    AbandonDrawing();
    OnToolChanged(this);
  }
  View().UpdateCursor();
}

void TTracking::SetCurrentSystem(int n) {
  currentSystem_ = std::clamp(n, 0, std::max(SystemsCount() - 1, 0));
  View().UpdateCursor();
  Changed();
}

int TTracking::BoundedLastImage(int n) const {
  const int count = host_.DisplayedImagesNumber();
  return std::max(1, std::min(std::max(n, Current().firstImage + 1), count - 1));
}

void TTracking::SetLastImage(int n) {
  lastImage_ = BoundedLastImage(n);
  lastImageChosen_ = true;
}

bool TTracking::HasAutomaticMarks() const {
  for (const auto& s : systems_)
    for (const auto& m : s.marks)
      if (m.fileIndex >= 0) return true;
  return false;
}

TTrackPolygon TTracking::FromView(const std::vector<TPixel>& pts) const {
  TTrackPolygon poly;
  poly.view = pts;
  for (const TPixel& p : pts) poly.picture.push_back(host_.View().ScreenToPicture(p.x, p.y));
  return poly;
}

bool TTracking::SetContour(const std::vector<TPictureCoord>& contour) {
  if (contour.size() < 3) return false;
  TTrackedSystem& s = Cur();
  s.contour.picture = contour;
  s.contour.view.clear();
  for (const auto& c : contour) s.contour.view.push_back(View().PictureToScreen(c));
  s.firstImage = host_.DisplayedImage();
  lastImage_ = BoundedLastImage(lastImageChosen_ ? lastImage_ : host_.DisplayedImagesNumber() - 1);
  Changed();
  return true;
}

void TTracking::AddBanZone(const std::vector<TPictureCoord>& zone) {
  TTrackPolygon poly;
  poly.picture = zone;
  for (const auto& c : zone) poly.view.push_back(View().PictureToScreen(c));
  Cur().banZones.push_back(std::move(poly));
  Changed();
}

// ------------------------------------------------------------------ checks and dialogs

void TTracking::Warn(TDefaultIcons icon, const std::string& text) {
  dialog_.Show(icon, {{"Ok", btOk}}, {text});
}

bool TTracking::CheckRun() {
  const int count = host_.DisplayedImagesNumber();
  const int first = Current().firstImage;
  if (!View().IsOpen()) {
    Warn(icWarning, kNoVideo);
    return false;
  }
  if (!HasContour() || drawState_ == dsContour) {
    Warn(icWarning, kNoContour);
    return false;
  }
  if (first >= count - 1) {
    Warn(icWarning, kLastImage);
    return false;
  }
  if (first < 0) {
    Warn(icWarning, kBadFirst);
    return false;
  }
  if (lastImage_ < 0 || lastImage_ > count - 1 || lastImage_ <= first) lastImage_ = count - 1;
  return true;
}

bool TTracking::CheckContour() {
  if (!HasContour() || drawState_ == dsContour) {
    Warn(icInformation, kNoContour);
    return false;
  }
  if (Current().firstImage >= host_.DisplayedImagesNumber() - 1) {
    Warn(icWarning, kLastImage);
    return false;
  }
  return true;
}

// ------------------------------------------------------------------ the run

void TTracking::SetRunning(bool on) {
  running_ = on;
  OnRunningChanged(this);
}

bool TTracking::Prepare(int s, TFollower& f) {
  const TTrackedSystem& sys = systems_[static_cast<std::size_t>(s)];
  host_.GoToDisplayedImage(sys.firstImage);
  Image picture;
  if (!host_.DrawCurrentImage(picture)) return false;
  f.system = s;
  f.firstImage = sys.firstImage;
  f.method = Method();
  TPixelF start;
  if (f.method == tmAppearance) {
    f.appearance.UseRGB = tracker_.UseRGB;
    f.appearance.SetRadius(settings_.radius);
    if (!f.appearance.SetModel(picture, sys.contour.picture)) return false;
    start = f.appearance.ModelCentre();
    f.reference = f.appearance.Similarity(picture, start);
  } else {
    f.colour = tracker_;
    std::vector<TPicturePolygon> zones;
    for (const auto& z : sys.banZones) zones.push_back(z.picture);
    f.colour.SetBanZones(zones, picture.Width(), picture.Height());
    if (!f.colour.SetModel(picture, sys.contour.picture, f.point)) return false;
    f.colour.SetBinCount(kBinCount);
    f.colour.BuildModel();
    start = f.colour.ModelCentre();
    f.reference = f.colour.Similarity(picture, f.point);
  }
  StoreMark(s, sys.firstImage, View().CurrentImage(), start, f.reference);
  return true;
}

bool TTracking::Start() {
  if (running_ || !CheckRun()) return false;
  SetRunning(true);
  uncertain_.clear();
  done_ = total_ = 0;
  stopping_ = false;
  TJob job;
  job.uncertainFraction = settings_.uncertainFraction;
  job.stopAtUncertain = settings_.stopAtUncertain;
  // The current system first: the run stands or falls with it.  The others
  // join when their contour is drawn before the last image.
  std::vector<int> order{currentSystem_};
  for (int s = 0; s < SystemsCount(); ++s) {
    const TTrackedSystem& sys = System(s);
    if (s != currentSystem_ && !sys.contour.picture.empty() && sys.firstImage >= 0 &&
        sys.firstImage < lastImage_)
      order.push_back(s);
  }
  for (int s : order) {
    TFollower f;
    if (!Prepare(s, f)) {
      if (s != currentSystem_) continue;
      EndRun();
      return true;
    }
    // Nothing of the object is seen where it was drawn (ban zones cover
    // it): no later image could be judged, it is not followed, uncertain.
    if (!(f.reference > 0)) {
      MarkUncertain(s, f.firstImage);
      if (s != currentSystem_) continue;
      EndRun();
      return true;
    }
    job.followers.push_back(std::move(f));
  }
  int first = lastImage_;
  for (const TFollower& f : job.followers) first = std::min(first, f.firstImage);
  host_.GoToDisplayedImage(Current().firstImage);
  const int step = std::max(data_.FramesNumberBetweenTwoMarks(), 1);
  total_ = (lastImage_ - first) / step + 1;
  OnProgress({++done_, total_});
  for (long long k = static_cast<long long>(first) + step; k <= lastImage_; k += step) {
    const int image = static_cast<int>(k);
    job.images.emplace_back(image, host_.FileIndexOf(image));
  }
  if (stopping_) {  // stopped as the first image was told
    EndRun();
    return true;
  }
  channel_ = std::make_shared<TChannel>();
  // A call still queued after the run is over finds another channel, or
  // none, and does nothing.
  channel_->wake = [this, weak = std::weak_ptr<TChannel>(channel_)] {
    host_.Post([this, weak] {
      if (auto c = weak.lock(); c != nullptr && c == channel_) TakeSteps();
    });
  };
  worker_ = std::jthread(Work, std::ref(host_), std::move(job), channel_);
  return true;
}

TTracking::TFound TTracking::TFollower::Track(const Image& picture, double uncertainFraction) {
  const double sureAbove = uncertainFraction * reference;
  TFound found;
  found.system = system;
  if (method == tmAppearance) {
    appearance.Track(picture, sureAbove);
    found.position = appearance.LastPosition();
    found.similarity = appearance.LastSimilarity();
  } else {
    colour.Track(picture, point, kIterations);
    found.position = colour.LastPosition();
    found.similarity = colour.LastSimilarity();
  }
  found.uncertain = found.similarity < sureAbove;
  return found;
}

void TTracking::Work(std::stop_token stop, ITrackingHost& host, TJob job,
                     std::shared_ptr<TChannel> channel) {
  TChannel& ch = *channel;
  Image picture;
  for (const auto& [image, fileIndex] : job.images) {
    if (stop.stop_requested() || !host.ReadImage(fileIndex, picture)) break;
    TStep step;
    step.image = image;
    step.fileIndex = fileIndex;
    bool uncertain = false;
    for (TFollower& f : job.followers) {
      if (image <= f.firstImage) continue;  // drawn later: not yet followed
      step.found.push_back(f.Track(picture, job.uncertainFraction));
      uncertain = uncertain || step.found.back().uncertain;
    }
    std::unique_lock lock(ch.mutex);
    if (stop.stop_requested()) break;
    ch.steps.push_back(std::move(step));
    lock.unlock();
    ch.changed.notify_all();
    ch.wake();
    // One image ahead at most: the window shows each image as it is done.
    lock.lock();
    if (!ch.changed.wait(lock, stop, [&ch] { return ch.steps.empty(); })) break;
    if (uncertain && job.stopAtUncertain) break;
  }
  {
    std::lock_guard lock(ch.mutex);
    ch.followers = std::move(job.followers);
    ch.ended = true;
  }
  ch.changed.notify_all();
  ch.wake();
}

void TTracking::TakeSteps() {
  if (channel_ == nullptr) return;
  TChannel& ch = *channel_;
  std::deque<TStep> steps;
  bool ended = false;
  {
    std::lock_guard lock(ch.mutex);
    steps.swap(ch.steps);
    ended = ch.ended;
  }
  for (const TStep& found : steps) {
    if (stopping_) break;  // found after the stop button: dropped
    Apply(found);
  }
  // Only now is the worker woken: whatever the progress started (a stop
  // pressed from the event loop) comes before its next result.
  ch.changed.notify_all();
  if (ended) EndRun();
}

void TTracking::Apply(const TStep& step) {
  host_.GoToDisplayedImage(step.image);
  bool uncertain = false;
  for (const TFound& f : step.found) {
    StoreMark(f.system, step.image, step.fileIndex, f.position, f.similarity);
    systems_[static_cast<std::size_t>(f.system)]
        .marks[static_cast<std::size_t>(step.image)]
        .uncertain = f.uncertain;
    uncertain = uncertain || f.uncertain;
  }
  OnProgress({++done_, total_});
  if (uncertain) uncertain_.push_back(step.image);
}

void TTracking::MarkUncertain(int system, int displayed) {
  auto& marks = systems_[static_cast<std::size_t>(system)].marks;
  if (displayed >= 0 && static_cast<std::size_t>(displayed) < marks.size())
    marks[static_cast<std::size_t>(displayed)].uncertain = true;
  if (std::find(uncertain_.begin(), uncertain_.end(), displayed) == uncertain_.end()) {
    uncertain_.push_back(displayed);
    std::sort(uncertain_.begin(), uncertain_.end());
  }
}

void TTracking::EndRun() {
  if (worker_.joinable()) worker_.join();
  if (channel_ != nullptr) {
    for (TFollower& f : channel_->followers) {
      if (f.system != currentSystem_) continue;
      lastMethod_ = f.method;
      if (f.method == tmAppearance) {
        appearance_ = std::move(f.appearance);
      } else {
        tracker_ = std::move(f.colour);
        tracker_.SetRadius(settings_.radius);  // the options may have changed it meanwhile
      }
    }
  }
  channel_.reset();
  stopping_ = false;
  Changed();
  SetRunning(false);
}

void TTracking::Stop() {
  if (!running_ || stopping_) return;
  stopping_ = true;
  worker_.request_stop();
}

void TTracking::Wait() {
  while (channel_ != nullptr) {
    {
      TChannel& ch = *channel_;
      std::unique_lock lock(ch.mutex);
      ch.changed.wait(lock, [&ch] { return !ch.steps.empty() || ch.ended; });
    }
    TakeSteps();
  }
}

bool TTracking::RunToEnd() {
  if (!Start()) return false;
  Wait();
  return true;
}

void TTracking::StoreMark(int system, int displayed, int32_t fileIndex, const TPixelF& p,
                          double similarity) {
  auto& marks = systems_[static_cast<std::size_t>(system)].marks;
  const int width = View().ImageWidth(), height = View().ImageHeight();
  if (displayed < 0 || width <= 0 || height <= 0) return;
  if (static_cast<std::size_t>(displayed) >= marks.size())
    marks.resize(static_cast<std::size_t>(displayed) + 1);
  TAutoMark& m = marks[static_cast<std::size_t>(displayed)];
  m.position = {p.x / width, p.y / height};
  m.view = View().PictureToScreen(m.position);
  m.fileIndex = fileIndex;
  m.similarity = similarity;
  m.uncertain = false;
}

std::string TTracking::UncertainText() const {
  if (uncertain_.empty()) return {};
  std::vector<int> shown;
  for (int i : uncertain_) shown.push_back(i + 1);
  const int step = std::max(data_.FramesNumberBetweenTwoMarks(), 1);
  const char* noun =
      shown.size() == 1 ? "Suivi incertain sur l'image " : "Suivi incertain sur les images ";
  return noun + FormatImageRuns(shown, step, " à ", ", ");
}

// ------------------------------------------------------------------ erasing

void TTracking::EraseContour() {
  if (drawState_ == dsContour) {
    AbandonDrawing();
  } else {
    Cur().contour = {};
    Cur().firstImage = 0;
  }
  Changed();
}

void TTracking::EraseLastBanZone() {
  if (drawState_ == dsBanZone)
    AbandonDrawing();
  else if (!Cur().banZones.empty())
    Cur().banZones.pop_back();
  Changed();
}

void TTracking::EraseAutomaticMarks() {
  if (HasContour()) host_.GoToDisplayedImage(Current().firstImage);
  for (auto& m : Cur().marks) m = TAutoMark{};
  uncertain_.clear();
  Changed();
}

void TTracking::Reset() {
  const int systems = std::max<int>(data_.MarksNumberPerFrame(), 1);
  const int images = std::max(host_.DisplayedImagesNumber(), 0);
  systems_.assign(static_cast<std::size_t>(systems), TTrackedSystem{});
  for (auto& s : systems_) s.marks.assign(static_cast<std::size_t>(images), TAutoMark{});
  currentSystem_ = std::min(currentSystem_, systems - 1);
  lastImage_ = 0;
  lastImageChosen_ = false;
  drawState_ = dsIdle;
  drawing_.clear();
  uncertain_.clear();
  Changed();
}

// ------------------------------------------------------------------ leaving the mode

bool TTracking::CommitOffer() {
  if (!HasAutomaticMarks()) return false;
  const int answer = dialog_.Show(
      icConfirmation, {{"Ignorer", btIgnorer}, {"Enregistrer", btEnregistrer}},
      {"Un pointage automatique a été effectué.", "Souhaitez-vous conserver ces données ?",
       "Les nouvelles marques remplaceront celles éventuellement déjà posées."});
  if (answer != 1) return false;
  ApplyToMarkingData();
  return true;
}

void TTracking::ApplyToMarkingData() {
  std::vector<std::vector<TPictureCoord>> positions(systems_.size());
  std::vector<std::vector<int32_t>> images(systems_.size());
  std::vector<std::vector<bool>> uncertain(systems_.size());
  for (std::size_t s = 0; s < systems_.size(); ++s) {
    for (const auto& m : systems_[s].marks) {
      positions[s].push_back(m.position);
      images[s].push_back(m.fileIndex);
      uncertain[s].push_back(m.uncertain);
    }
  }
  data_.ApplyTrackedPositions(positions, images, uncertain);
}

// ------------------------------------------------------------------ drawing

void TTracking::AbandonDrawing() {
  drawState_ = dsIdle;
  drawing_.clear();
  circleRadius_ = 0;
}

std::vector<TPixel> TTracking::CirclePoints() const {
  // Midpoint rasterisation of one octant, mirrored into the eight, then put
  // in order around the centre so that they make a polygon.
  const TPixel c = drawing_.front();
  const int r = circleRadius_;
  std::vector<TPixel> pts;
  int x = r, y = 0, err = 1 - r;
  while (x >= y) {
    for (const TPixel d : {TPixel{x, y}, TPixel{y, x}, TPixel{-y, x}, TPixel{-x, y}, TPixel{-x, -y},
                           TPixel{-y, -x}, TPixel{y, -x}, TPixel{x, -y}})
      pts.push_back({c.x + d.x, c.y + d.y});
    ++y;
    if (err < 0) {
      err += 2 * y + 1;
    } else {
      --x;
      err += 2 * (y - x) + 1;
    }
  }
  std::sort(pts.begin(), pts.end(), [c](const TPixel& a, const TPixel& b) {
    return std::atan2(a.y - c.y, a.x - c.x) < std::atan2(b.y - c.y, b.x - c.x);
  });
  pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
  return pts;
}

void TTracking::CloseContour() {
  const std::vector<TPixel> pts = settings_.shape == csCircle ? CirclePoints() : drawing_;
  AbandonDrawing();
  if (pts.size() >= 3) SetContour(FromView(pts).picture);
  Changed();
}

void TTracking::CloseBanZone() {
  const std::vector<TPixel> pts = drawing_;
  AbandonDrawing();
  if (pts.size() >= 3) AddBanZone(FromView(pts).picture);
  Changed();
}

void TTracking::DrawingMouseDown(int x, int y) {
  const TPixel p{x, y};
  if (drawTool_ == dtBanZone) {
    drawState_ = dsBanZone;
    if (drawing_.empty() || !(drawing_.back() == p)) drawing_.push_back(p);
    return;
  }
  if (drawState_ != dsContour) {
    // The first press of a new outline replaces the finished contour.
    Cur().contour = {};
    drawState_ = dsContour;
    drawing_ = {p};
    circleRadius_ = 0;
    return;
  }
  switch (settings_.shape) {
    case csFreehand:
    case csCircle:
      CloseContour();
      break;
    case csPolygon:
      if (!(drawing_.back() == p)) drawing_.push_back(p);
      break;
  }
}

void TTracking::MouseDown(TMouseButton button, TShiftState, int x, int y) {
  if (running_ || drawTool_ == dtNone) return;
  if (button == mbLeft) {
    DrawingMouseDown(x, y);
  } else if (button == mbRight) {
    if (drawTool_ == dtBanZone)
      EraseLastBanZone();
    else
      EraseContour();
  }
  mouse_ = {x, y};
  Changed();
}

void TTracking::DoubleClick(int x, int y) {
  if (running_) return;
  const TPixel p{x, y};
  if (drawTool_ == dtBanZone && drawState_ == dsBanZone) {
    if (!(drawing_.back() == p)) drawing_.push_back(p);
    CloseBanZone();
  } else if (drawTool_ == dtContour && drawState_ == dsContour && settings_.shape == csPolygon) {
    if (!(drawing_.back() == p)) drawing_.push_back(p);
    CloseContour();
  } else if (drawTool_ == dtContour && settings_.shape != csPolygon) {
    // The second press of a double click on a circle or a free outline: its
    // first press has already closed the outline (a new one must not start
    // over it) or started one (which a close now would reduce to a point).
  } else {
    // Anything else counts as a press.
    MouseDown(mbLeft, {}, x, y);
  }
}

void TTracking::MouseMove(TShiftState, int x, int y) {
  mouse_ = {x, y};
  if (drawState_ == dsIdle) return;
  if (drawState_ == dsContour && settings_.shape == csFreehand) {
    if (!(drawing_.back() == mouse_)) drawing_.push_back(mouse_);
  } else if (drawState_ == dsContour && settings_.shape == csCircle) {
    const TPixel c = drawing_.front();
    circleRadius_ = RoundToInt(std::hypot(x - c.x, y - c.y));
  }
  Changed();
}

std::string TTracking::CursorName() const {
  if (drawTool_ == dtNone) return {};
  if (SystemsCount() <= 1) return "Pen";
  const int r = currentSystem_ % 10;
  return r == 9 ? "Pen0" : "Pen" + std::to_string(r + 1);
}

void TTracking::RecomputeViewPositions() {
  auto update = [this](TTrackPolygon& poly) {
    poly.view.clear();
    for (const auto& c : poly.picture) poly.view.push_back(View().PictureToScreen(c));
  };
  for (auto& s : systems_) {
    update(s.contour);
    for (auto& z : s.banZones) update(z);
    for (auto& m : s.marks)
      if (m.fileIndex >= 0) m.view = View().PictureToScreen(m.position);
  }
}

// ------------------------------------------------------------------ painting

void TTracking::Paint(Canvas& canvas) {
  if (systems_.empty()) return;
  const TTrackedSystem& sys = Current();
  const TColor markColour = data_.MarkColor(currentSystem_);
  const TColor element = data_.ElementColor();
  canvas.SetBrush({colors::White, TBrushStyle::bsClear});

  // The outline being drawn, with its rubber line.
  if (drawState_ != dsIdle && !drawing_.empty()) {
    canvas.SetPen({drawState_ == dsContour ? markColour : element, 1});
    if (drawState_ == dsContour && settings_.shape == csCircle) {
      const TPixel c = drawing_.front();
      const int r = circleRadius_;
      canvas.Ellipse(c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
    } else {
      if (drawing_.size() > 1) canvas.Polyline(drawing_);
      if (settings_.shape == csPolygon || drawState_ == dsBanZone)
        canvas.Line(drawing_.back().x, drawing_.back().y, mouse_.x, mouse_.y);
    }
  }
  // The finished contour.
  if (!sys.contour.view.empty()) {
    const std::vector<TPixel> outline = Closed(sys.contour.view);
    DrawContrasted(canvas, markColour, [&] { canvas.Polyline(outline); });
  }
  // The search window around the latest automatic mark.
  const TAutoMark* latest = nullptr;
  for (const auto& m : sys.marks)
    if (m.fileIndex >= 0) latest = &m;
  const int w = View().ImageWidth(), h = View().ImageHeight();
  if (const int side = SearchSide();
      settings_.showSearchZone && latest != nullptr && side > 0 && w > 0 && h > 0) {
    const double half = side / 2.0;
    const TPixel a =
        View().PictureToScreen({latest->position.x - half / w, latest->position.y - half / h});
    const TPixel b =
        View().PictureToScreen({latest->position.x + half / w, latest->position.y + half / h});
    DrawContrasted(canvas, element, [&] { canvas.Rectangle(a.x, a.y, b.x, b.y); });
  }
  // The ban zones.
  canvas.SetPen({element, 1});
  for (const auto& z : sys.banZones)
    if (!z.view.empty()) canvas.Polyline(Closed(z.view));
  // The automatic marks of every system, each in its colour (the systems
  // of a run are followed together); an uncertain one inside a warning
  // triangle.
  for (int s = 0; s < SystemsCount(); ++s) PaintMarks(canvas, System(s), data_.MarkColor(s));
}

void TTracking::PaintMarks(Canvas& canvas, const TTrackedSystem& sys, TColor colour) const {
  for (const auto& m : sys.marks) {
    if (m.fileIndex < 0) continue;
    const TPixel v = m.view;
    canvas.SetPen({colour, 1});
    canvas.SetBrush({colour, m.uncertain ? TBrushStyle::bsClear : TBrushStyle::bsSolid});
    canvas.Ellipse(v.x - kMarkRadius, v.y - kMarkRadius, v.x + kMarkRadius + 1,
                   v.y + kMarkRadius + 1);
    if (m.uncertain) {
      const int r = 3 * kMarkRadius;
      canvas.SetPen({kWarningColour, 2});
      canvas.SetBrush({kWarningColour, TBrushStyle::bsClear});
      canvas.Polygon({{v.x, v.y - r}, {v.x + r, v.y + r - 2}, {v.x - r, v.y + r - 2}});
    }
  }
}

}  // namespace kinevo
