#include "core/tracking/appearance_tracker.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/common/math_utils.h"

namespace kinevo {

namespace {

// The coarse pass keeps at least this many blocks across the template: a
// smaller picture of it no longer tells the object from its surroundings.
constexpr int kMinCoarseSide = 8;
// Steps of the full-resolution climb from a coarse candidate; far more than
// the few pixels a block can hide.
constexpr int kMaxClimb = 16;

bool IsLocalMaximum(const std::vector<float>& s, int w, int h, int x, int y) {
  const float v = s[static_cast<std::size_t>(y) * w + x];
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int nx = x + dx, ny = y + dy;
      if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
      if (s[static_cast<std::size_t>(ny) * w + nx] > v) return false;
    }
  return true;
}

// Bilinear value at (x + fx, y + fy) of a plane, in pixel indexes.
float Bilinear(const TPlanes& p, int c, int x, int y, double fx, double fy) {
  const float* r0 = p.Row(c, y);
  const float* r1 = p.Row(c, y + 1);
  const double top = r0[x] + fx * (r0[x + 1] - r0[x]);
  const double bottom = r1[x] + fx * (r1[x + 1] - r1[x]);
  return static_cast<float>(top + fy * (bottom - top));
}

}  // namespace

void TAppearanceTracker::SetRadius(int r) {
  radius_ = std::clamp(r, TMeanShift::kMinRadius, TMeanShift::kMaxRadius);
}

bool TAppearanceTracker::SetModel(const Image& picture, const TPicturePolygon& contour) {
  // One way of cutting a model from a contour for both trackers.
  TMeanShift cutter;
  TPixel start;
  if (!cutter.SetModel(picture, contour, start)) return false;
  const Image& bitmap = cutter.ModelBitmap();
  TPlanes planes;
  ExtractPlanes(bitmap, {0, 0, bitmap.Width(), bitmap.Height()}, UseRGB, planes);
  std::vector<uint8_t> mask(cutter.ModelMask().values.size());
  std::transform(cutter.ModelMask().values.begin(), cutter.ModelMask().values.end(), mask.begin(),
                 [](int32_t v) { return v != 0; });
  TNccTemplate check;
  if (!check.Set(planes, mask)) return false;

  mask_ = std::move(mask);
  first_ = planes;
  current_ = std::move(planes);
  const int side = std::min(bitmap.Width(), bitmap.Height());
  factor_ = side >= 2 * kMinCoarseSide ? 2 : 1;
  BuildTemplates();
  modelCentre_ = cutter.ModelCentre();
  centreInBox_ = {modelCentre_.x - cutter.ModelBox().left, modelCentre_.y - cutter.ModelBox().top};
  prediction_ = lastPosition_ = modelCentre_;
  history_[0] = {0, modelCentre_};
  historyCount_ = 1;
  image_ = 0;
  lastSimilarity_ = recentScore_ = 1.0;
  lost_ = false;
  return true;
}

void TAppearanceTracker::BuildTemplates() {
  fine_.Set(current_, mask_);
  // The coarse pass only picks candidates: grey is enough, and a third of
  // the work in RGB.
  if (factor_ > 1 && !coarse_.Set(Downsample(GreyOf(current_), factor_),
                                  DownsampleMask(mask_, current_.width, current_.height, factor_)))
    factor_ = 1;  // nothing left to match once averaged: the full search
  if (factor_ == 1) coarse_ = fine_;
}

TPixelF TAppearanceTracker::Predict() const {
  // The polynomial through the latest sure positions (constant acceleration
  // with three, constant speed with two), at their own images: images where
  // the object was not seen leave a gap, not a guess.
  TPixelF p{0.0, 0.0};
  const double t = image_;
  for (int i = 0; i < historyCount_; ++i) {
    double weight = 1.0;
    for (int j = 0; j < historyCount_; ++j)
      if (j != i)
        weight *=
            (t - history_[j].image) / static_cast<double>(history_[i].image - history_[j].image);
    p.x += weight * history_[i].position.x;
    p.y += weight * history_[i].position.y;
  }
  return p;
}

void TAppearanceTracker::Remember(const TPixelF& p) {
  history_[2] = history_[1];
  history_[1] = history_[0];
  history_[0] = {image_, p};
  historyCount_ = std::min(historyCount_ + 1, 3);
}

bool TAppearanceTracker::PrepareZone(const Image& picture, TPixel topLeft, int radius,
                                     TZone& zone) const {
  const int w = fine_.Width(), h = fine_.Height();
  const int x0 = std::max(topLeft.x - radius, 0);
  const int x1 = std::min(topLeft.x + radius, picture.Width() - w);
  const int y0 = std::max(topLeft.y - radius, 0);
  const int y1 = std::min(topLeft.y + radius, picture.Height() - h);
  if (x0 > x1 || y0 > y1) return false;
  zone.rect = {x0, y0, x1 + w, y1 + h};
  ExtractPlanes(picture, zone.rect, UseRGB, zone.planes);
  zone.sums.Build(zone.planes);
  zone.offsetsX = x1 - x0 + 1;
  zone.offsetsY = y1 - y0 + 1;
  return true;
}

std::vector<TAppearanceTracker::TPeak> TAppearanceTracker::CoarseCandidates(
    const TZone& zone) const {
  const TPlanes small = factor_ > 1 ? Downsample(GreyOf(zone.planes), factor_) : zone.planes;
  TZoneSums sums;
  sums.Build(small);
  const int nx = small.width - coarse_.Width() + 1, ny = small.height - coarse_.Height() + 1;
  if (nx <= 0 || ny <= 0) return {TPeak{0, 0, -2.0}};
  std::vector<float> scores(static_cast<std::size_t>(nx) * ny);
  for (int y = 0; y < ny; ++y)
    for (int x = 0; x < nx; ++x)
      scores[static_cast<std::size_t>(y) * nx + x] =
          static_cast<float>(coarse_.Score(small, sums, x, y));
  std::vector<TPeak> peaks;
  for (int y = 0; y < ny; ++y)
    for (int x = 0; x < nx; ++x)
      if (IsLocalMaximum(scores, nx, ny, x, y))
        peaks.push_back({x * factor_, y * factor_, scores[static_cast<std::size_t>(y) * nx + x]});
  const auto keep = std::min<std::size_t>(peaks.size(), kCandidates);
  std::partial_sort(peaks.begin(), peaks.begin() + static_cast<std::ptrdiff_t>(keep), peaks.end(),
                    [](const TPeak& a, const TPeak& b) { return a.score > b.score; });
  peaks.resize(keep);
  return peaks;
}

double TAppearanceTracker::FineScore(const TZone& zone, int x, int y,
                                     std::vector<float>& memo) const {
  if (x < 0 || y < 0 || x >= zone.offsetsX || y >= zone.offsetsY)
    return -std::numeric_limits<double>::infinity();
  float& m = memo[static_cast<std::size_t>(y) * zone.offsetsX + x];
  if (std::isnan(m)) m = static_cast<float>(fine_.Score(zone.planes, zone.sums, x, y));
  return m;
}

TAppearanceTracker::TPeak TAppearanceTracker::Refine(const TZone& zone, TPixel start,
                                                     std::vector<float>& memo) const {
  // The block of a coarse candidate hides its best pixel: first every offset
  // of the block's reach, then a climb in case the peak lies beyond.
  TPeak best{start.x, start.y, FineScore(zone, start.x, start.y, memo)};
  const int reach = factor_ / 2;
  for (int dy = -reach; dy <= reach; ++dy)
    for (int dx = -reach; dx <= reach; ++dx)
      if (const double s = FineScore(zone, start.x + dx, start.y + dy, memo); s > best.score)
        best = {start.x + dx, start.y + dy, s};
  for (int step = 0; step < kMaxClimb; ++step) {
    TPeak next = best;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (const double s = FineScore(zone, best.x + dx, best.y + dy, memo); s > next.score)
          next = {best.x + dx, best.y + dy, s};
    if (next.x == best.x && next.y == best.y) break;
    best = next;
  }
  return best;
}

void TAppearanceTracker::Track(const Image& picture, double sureAbove) {
  if (!HasModel()) return;
  ++image_;
  prediction_ = Predict();
  const TPixel topLeft{RoundToInt(prediction_.x - centreInBox_.x),
                       RoundToInt(prediction_.y - centreInBox_.y)};
  TZone zone;
  if (!PrepareZone(picture, topLeft, radius_, zone)) {  // predicted out of the picture
    lastPosition_ = prediction_;
    lastSimilarity_ = 0.0;
    return;
  }
  std::vector<float> memo(static_cast<std::size_t>(zone.offsetsX) * zone.offsetsY,
                          std::numeric_limits<float>::quiet_NaN());
  TPeak best;
  for (const TPeak& c : CoarseCandidates(zone))
    if (const TPeak p = Refine(zone, {c.x, c.y}, memo); p.score > best.score) best = p;
  // The block means may miss a fine texture: every offset at full
  // resolution before the object is called lost.  Once, not on each image
  // of a long loss: the full search costs ten times the rest.
  if (best.score < kTrust * recentScore_ && factor_ > 1 && !lost_) best = FullSearch(zone, memo);
  // Sub-pixel: a parabola through the best score and its neighbours, per
  // axis (a neighbour beyond the zone leaves that axis whole).
  auto peak = [&](int dx, int dy) {
    const double before = FineScore(zone, best.x - dx, best.y - dy, memo);
    const double after = FineScore(zone, best.x + dx, best.y + dy, memo);
    return std::isfinite(before) && std::isfinite(after) ? ParabolaPeak(before, best.score, after)
                                                         : 0.0;
  };
  const TPixelF found{zone.rect.left + best.x + peak(1, 0) + centreInBox_.x,
                      zone.rect.top + best.y + peak(0, 1) + centreInBox_.y};
  if (best.score >= sureAbove && best.score >= kTrust * recentScore_) {
    lastPosition_ = found;
    lastSimilarity_ = best.score;
    recentScore_ = (1.0 - kRecentWeight) * recentScore_ + kRecentWeight * best.score;
    lost_ = false;
    Adapt(picture);
    Remember(found);
    return;
  }
  // Not the object as it looked a moment ago: something hides it, or
  // something else stands there.  It is where its motion takes it, with
  // what is seen there.
  lastPosition_ = prediction_;
  const int px = RoundToInt(prediction_.x - centreInBox_.x) - zone.rect.left;
  const int py = RoundToInt(prediction_.y - centreInBox_.y) - zone.rect.top;
  lastSimilarity_ = std::max(FineScore(zone, px, py, memo), 0.0);
  lost_ = true;
}

TAppearanceTracker::TPeak TAppearanceTracker::FullSearch(const TZone& zone,
                                                         std::vector<float>& memo) const {
  TPeak best;
  for (int y = 0; y < zone.offsetsY; ++y)
    for (int x = 0; x < zone.offsetsX; ++x)
      if (const double s = FineScore(zone, x, y, memo); s > best.score) best = {x, y, s};
  return best;
}

double TAppearanceTracker::Similarity(const Image& picture, const TPixelF& p) const {
  if (!HasModel()) return 0.0;
  TZone zone;
  const TPixel topLeft{RoundToInt(p.x - centreInBox_.x), RoundToInt(p.y - centreInBox_.y)};
  if (!PrepareZone(picture, topLeft, 0, zone)) return 0.0;
  return fine_.Score(zone.planes, zone.sums, 0, 0);
}

void TAppearanceTracker::Adapt(const Image& picture) {
  // The object's present look, sampled where it was found to a fraction of
  // a pixel: whole pixels would shake the template by up to half a pixel.
  const double left = lastPosition_.x - centreInBox_.x, top = lastPosition_.y - centreInBox_.y;
  const int ix = static_cast<int>(std::floor(left)), iy = static_cast<int>(std::floor(top));
  const TPixelRect rect{ix, iy, ix + current_.width + 1, iy + current_.height + 1};
  if (rect.left < 0 || rect.top < 0 || rect.right > picture.Width() ||
      rect.bottom > picture.Height())
    return;
  TPlanes area;
  ExtractPlanes(picture, rect, UseRGB, area);
  const double fx = left - ix, fy = top - iy;
  for (int c = 0; c < current_.channels; ++c) {
    for (int y = 0; y < current_.height; ++y) {
      float* now = current_.Row(c, y);
      const float* origin = first_.Row(c, y);
      for (int x = 0; x < current_.width; ++x) {
        const double seen = Bilinear(area, c, x, y, fx, fy);
        const double adapted = (1.0 - kAdaptation) * now[x] + kAdaptation * seen;
        now[x] = static_cast<float>((1.0 - kPullBack) * adapted + kPullBack * origin[x]);
      }
    }
  }
  BuildTemplates();
}

}  // namespace kinevo
