#include "core/results/model_tracks.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/graph/curve_models.h"
#include "core/marking/marking_data.h"

namespace kinevo {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A position that can be drawn: a model far off the picture (a curve
// model extrapolated, a diverging one) is left out rather than sent to the
// view's integer pixels.
bool Drawable(const TPictureCoord& p) {
  constexpr double kReach = 20.0;  // picture sizes around the picture
  return std::isfinite(p.x) && std::isfinite(p.y) && std::fabs(p.x) < kReach &&
         std::fabs(p.y) < kReach;
}

}  // namespace

// ---------------------------------------------------------------- TCurveModelRecord

void TCurveModelRecord::Set(int system, TAxis axis, int kind, std::vector<double> parameters) {
  if (ModelParameterCount(kind) == 0 ||
      static_cast<int>(parameters.size()) < ModelParameterCount(kind)) {
    Forget(system, axis);
    return;
  }
  TCurveFit fit{kind, std::move(parameters)};
  TCurveFit& kept = fits_[system][axis];
  if (kept == fit) return;
  kept = std::move(fit);
  OnChange();
}

void TCurveModelRecord::Forget(int system, TAxis axis) {
  auto it = fits_.find(system);
  if (it == fits_.end() || it->second[axis].kind == mkNone) return;
  it->second[axis] = TCurveFit{};
  if (it->second[0].kind == mkNone && it->second[1].kind == mkNone) fits_.erase(it);
  OnChange();
}

void TCurveModelRecord::Clear() {
  if (fits_.empty()) return;
  fits_.clear();
  OnChange();
}

TCurveModelRecord::TCurveFit TCurveModelRecord::Fit(int system, TAxis axis) const {
  auto it = fits_.find(system);
  return it == fits_.end() ? TCurveFit{} : it->second[axis];
}

void TCurveModelRecord::AddTracks(const TTrackClock& clock, std::vector<TModelTrack>& out) const {
  for (const auto& [system, fits] : fits_) {
    const TCurveFit& fx = fits[axX];
    const TCurveFit& fy = fits[axY];
    if (fx.kind == mkNone || fy.kind == mkNone) continue;
    TModelTrack track;
    track.system = system;
    track.firstImage = clock.firstImage;
    track.positions.reserve(clock.times.size());
    for (double t : clock.times) {
      if (!std::isfinite(t)) {
        track.positions.push_back({kNaN, kNaN});
        continue;
      }
      track.positions.push_back(
          {ModelValue(fx.kind, fx.parameters, t), ModelValue(fy.kind, fy.parameters, t)});
    }
    out.push_back(std::move(track));
  }
}

// ---------------------------------------------------------------- TModelTrackSet

TConnection TModelTrackSet::AddSource(const IModelTrackSource& source) {
  return sources_.Connect([&source](const TTrackClock& clock, std::vector<TModelTrack>& out) {
    source.AddTracks(clock, out);
  });
}

std::vector<TModelTrack> TModelTrackSet::Tracks(const TTrackClock& clock) const {
  std::vector<TModelTrack> out;
  sources_(clock, out);
  return out;
}

// ---------------------------------------------------------------- on the picture

TTrackClock TrackClockOf(const TData& data, int32_t first, int32_t last) {
  return {first, data.ImageTimes(first, last)};
}

std::vector<TPictureCoord> TrackOnPicture(const TData& data, const TModelTrack& track) {
  // The way the marks went, backwards: metres of the plane back through its
  // homography, or metres of the usual axes back to the corrected picture;
  // then the lens bends the corrected picture as it is shown.
  const TMeasureMap map = data.MeasureMap();
  const auto [kx, ky] = data.GetScaleFactors();
  const TPictureCoord origin = map.Corrected(data.OriginPosition());
  const double angle = data.XAxisAngle();
  const bool directX = data.DirectXAxisDirection(), directY = data.DirectYAxisDirection();
  auto place = [&](const TWorldPoint& p) {
    if (map.Failed() || !std::isfinite(p.x) || !std::isfinite(p.y))
      return TPictureCoord{kNaN, kNaN};
    if (map.PlaneOn()) return map.Shown(p);
    return map.Uncorrected(PhysicalToPicture(p, origin, kx, ky, angle, directX, directY));
  };
  std::vector<TPictureCoord> out;
  out.reserve(track.positions.size());
  for (const TWorldPoint& p : track.positions) out.push_back(place(p));
  return out;
}

// ---------------------------------------------------------------- TModelOverlay

TModelOverlay::TModelOverlay(TData& data, TModelTrackSet& tracks) : data_(data), tracks_(tracks) {
  auto invalidate = [this](void*) { Invalidate(); };
  links_ += tracks_.OnChange.Connect([this] { Invalidate(); });
  links_ += data_.OnMarksChanged.Connect(invalidate);
  links_ += data_.OnAxesChanged.Connect(invalidate);
  links_ += data_.OnScaleChanged.Connect(invalidate);
  links_ += data_.OnDurationChanged.Connect(invalidate);
  links_ += data_.OnChange.Connect(invalidate);
  links_ += data_.OnResultsInvalidated.Connect([this](TResultsTarget) { Invalidate(); });
}

const std::vector<TModelOverlay::TPictureTrack>& TModelOverlay::PictureTracks() {
  if (valid_) return cache_;
  cache_.clear();
  valid_ = true;
  const std::vector<int32_t> images = data_.SeriesImages();
  if (images.empty()) return cache_;
  const auto [first, last] = std::minmax_element(images.begin(), images.end());
  for (const TModelTrack& t : tracks_.Tracks(TrackClockOf(data_, *first, *last)))
    cache_.push_back({t.system, t.firstImage, TrackOnPicture(data_, t)});
  return cache_;
}

void TModelOverlay::Paint(Canvas& canvas) {
  IVideoView& view = data_.View();
  if (!data_.ModelsShown() || data_.IsLayerActive() || !view.IsOpen()) return;
  const std::vector<TPictureTrack>& tracks = PictureTracks();
  if (tracks.empty()) return;
  const TPen pen = canvas.Pen();
  const TBrush brush = canvas.Brush();
  canvas.SetBrush({colors::White, TBrushStyle::bsClear});
  const int shown = view.CurrentImage();
  const int r = GhostRadius(data_.ElementSize());
  for (const TPictureTrack& t : tracks) {
    const TColor colour = data_.MarkColor(t.system);
    // The path: one thin line through the positions that have a value.
    canvas.SetPen({colour, 1, TPenStyle::psSolid, TPenMode::pmCopy});
    std::vector<TPixel> line;
    auto flush = [&] {
      if (line.size() > 1) canvas.Polyline(line);
      line.clear();
    };
    for (const TPictureCoord& p : t.positions) {
      if (!Drawable(p)) {
        flush();
        continue;
      }
      const TPixel q = view.PictureToScreen(p);
      if (line.empty() || !(line.back() == q)) line.push_back(q);
    }
    flush();
    // The ghost on the image shown.
    const int i = shown - t.firstImage;
    if (i < 0 || i >= static_cast<int>(t.positions.size())) continue;
    const TPictureCoord p = t.positions[static_cast<std::size_t>(i)];
    if (!Drawable(p)) continue;
    const TPixel c = view.PictureToScreen(p);
    canvas.SetPen({colour, 2, TPenStyle::psSolid, TPenMode::pmCopy});
    canvas.Ellipse(c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
  }
  canvas.SetPen(pen);
  canvas.SetBrush(brush);
}

}  // namespace kinevo
