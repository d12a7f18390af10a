#include "core/tracking/mean_shift.h"

#include <algorithm>
#include <cmath>

#include "core/common/math_utils.h"

namespace kinevo {

namespace {

// Calls fn(y, x0, x1) for every run of pixels [x0, x1) of row y that lies
// inside the polygon (even-odd rule, a pixel (x, y) being inside when an odd
// number of edges cross row y to its right; edges include their top end and
// exclude their bottom end, so the right and bottom borders stay outside).
// Rows and runs are clipped to [yFrom, yTo] × [xFrom, xTo].
template <typename Fn>
void ScanPolygon(const TPixelPolygon& poly, int yFrom, int yTo, int xFrom, int xTo, Fn fn) {
  const std::size_t n = poly.size();
  if (n < 2 || yFrom > yTo || xFrom > xTo) return;
  int ymin = poly[0].y, ymax = poly[0].y;
  for (const TPixel& p : poly) {
    ymin = std::min(ymin, p.y);
    ymax = std::max(ymax, p.y);
  }
  ymin = std::max(ymin, yFrom);
  ymax = std::min(ymax, yTo);
  std::vector<double> xs;
  for (int y = ymin; y <= ymax; ++y) {
    xs.clear();
    for (std::size_t k = 0; k < n; ++k) {
      const TPixel& a = poly[k];
      const TPixel& b = poly[(k + 1) % n];
      if ((a.y <= y && y < b.y) || (b.y <= y && y < a.y)) {
        xs.push_back(a.x + static_cast<double>(y - a.y) * (b.x - a.x) / (b.y - a.y));
      }
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t k = 0; k + 1 < xs.size(); k += 2) {
      const double lo = std::max(std::ceil(xs[k]), static_cast<double>(xFrom));
      const double hi = std::min(std::ceil(xs[k + 1]), static_cast<double>(xTo) + 1.0);
      if (lo < hi) fn(y, static_cast<int>(lo), static_cast<int>(hi));
    }
  }
}

// Clips the segment a-b to the rectangle [0, w − 1] × [0, h − 1]
// (Liang–Barsky); false when nothing of it is inside.
bool ClipToPicture(double& ax, double& ay, double& bx, double& by, int w, int h) {
  double t0 = 0.0, t1 = 1.0;
  const double dx = bx - ax, dy = by - ay;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax, (w - 1) - ax, ay, (h - 1) - ay};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
    } else {
      const double t = q[i] / p[i];
      if (p[i] < 0.0) {
        if (t > t1) return false;
        t0 = std::max(t0, t);
      } else {
        if (t < t0) return false;
        t1 = std::min(t1, t);
      }
    }
  }
  const double x0 = ax + t0 * dx, y0 = ay + t0 * dy;
  bx = ax + t1 * dx;
  by = ay + t1 * dy;
  ax = x0;
  ay = y0;
  return true;
}

// Sets the pixels of the segment a-b (both ends included, Bresenham).
void DrawSegment(const TPixel& a, const TPixel& b, int w, int h, std::vector<uint8_t>& mask) {
  double ax = a.x, ay = a.y, bx = b.x, by = b.y;
  if (!ClipToPicture(ax, ay, bx, by, w, h)) return;
  int x = static_cast<int>(std::lround(ax)), y = static_cast<int>(std::lround(ay));
  const int x1 = static_cast<int>(std::lround(bx)), y1 = static_cast<int>(std::lround(by));
  const int dx = std::abs(x1 - x), dy = -std::abs(y1 - y);
  const int sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    if (x >= 0 && y >= 0 && x < w && y < h) mask[static_cast<std::size_t>(y) * w + x] = 1;
    if (x == x1 && y == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

// A contour's vertex on the picture's pixel grid: the pixel that holds it,
// so a vertex clicked anywhere on a pixel takes that pixel's top-left
// corner (the fraction bounded to [0, 1], as picture positions are).
TPixel ToPixel(const TPictureCoord& c, int width, int height) {
  const double fx = std::isnan(c.x) ? 0.0 : std::clamp(c.x, 0.0, 1.0);
  const double fy = std::isnan(c.y) ? 0.0 : std::clamp(c.y, 0.0, 1.0);
  return {PixelHolding(width * fx), PixelHolding(height * fy)};
}

}  // namespace

TMeanShift::TMeanShift() = default;

void TMeanShift::SetRadius(int r) { radius_ = std::clamp(r, kMinRadius, kMaxRadius); }

void TMeanShift::SetBanZones(const std::vector<TPicturePolygon>& zones, int width, int height) {
  banZones_.clear();
  for (const auto& zone : zones) {
    TPixelPolygon poly;
    poly.reserve(zone.size());
    for (const auto& c : zone) poly.push_back(ToPixel(c, width, height));
    banZones_.push_back(std::move(poly));
  }
  banMaskValid_ = false;
}

void TMeanShift::FillPolygon(const TPixelPolygon& polygon, int width, int height,
                             std::vector<uint8_t>& mask, bool outline) {
  if (width <= 0 || height <= 0 || polygon.empty()) return;
  mask.resize(static_cast<std::size_t>(width) * height, 0);
  ScanPolygon(polygon, 0, height - 1, 0, width - 1, [&](int y, int x0, int x1) {
    std::fill(mask.begin() + static_cast<std::ptrdiff_t>(y) * width + x0,
              mask.begin() + static_cast<std::ptrdiff_t>(y) * width + x1, uint8_t{1});
  });
  if (!outline) return;
  const std::size_t n = polygon.size();
  for (std::size_t k = 0; k < n; ++k)
    DrawSegment(polygon[k], polygon[(k + 1) % n], width, height, mask);
}

bool TMeanShift::SetModel(const Image& picture, const TPicturePolygon& contour, TPixel& start) {
  if (picture.Empty()) return false;
  const int W = picture.Width(), H = picture.Height();
  // The closed pixel polygon, without consecutive repeated points.
  TPixelPolygon poly;
  for (const auto& c : contour) {
    const TPixel p = ToPixel(c, W, H);
    if (poly.empty() || !(poly.back() == p)) poly.push_back(p);
  }
  while (poly.size() > 1 && poly.back() == poly.front()) poly.pop_back();
  if (poly.size() < 2) return false;

  TPixelRect box{poly[0].x, poly[0].y, poly[0].x, poly[0].y};
  for (const TPixel& p : poly) {
    box.left = std::min(box.left, p.x);
    box.right = std::max(box.right, p.x);
    box.top = std::min(box.top, p.y);
    box.bottom = std::max(box.bottom, p.y);
  }
  const int cols = box.right - box.left + 1;
  const int rows = box.bottom - box.top + 1;

  // The mask: pixels of the box inside the polygon (and inside the picture).
  TMask mask;
  mask.Resize(rows, cols, 0);
  long long count = 0;
  double sumCol = 0.0, sumRow = 0.0;
  ScanPolygon(poly, std::max(box.top, 0), std::min(box.bottom, H - 1), std::max(box.left, 0),
              std::min(box.right, W - 1), [&](int y, int x0, int x1) {
                for (int x = x0; x < x1; ++x) {
                  mask.At(y - box.top, x - box.left) = 1;
                  ++count;
                  sumCol += x - box.left;
                  sumRow += y - box.top;
                }
              });
  if (count == 0) return false;

  modelBox_ = box;
  modelMask_ = std::move(mask);
  modelBitmap_ = Image(cols, rows, colors::Black);
  const int x0 = std::max(box.left, 0), x1 = std::min(box.right + 1, W);
  for (int y = std::max(box.top, 0); y <= std::min(box.bottom, H - 1); ++y) {
    if (x0 >= x1) break;
    std::copy(picture.Row(y) + static_cast<std::size_t>(x0) * 3,
              picture.Row(y) + static_cast<std::size_t>(x1) * 3,
              modelBitmap_.Row(y - box.top) + static_cast<std::size_t>(x0 - box.left) * 3);
  }
  modelHistogram_.clear();
  modelCentre_ = {sumCol / static_cast<double>(count) + box.left,
                  sumRow / static_cast<double>(count) + box.top};
  start.x = RoundToInt(sumCol / static_cast<double>(count)) + box.left;
  start.y = RoundToInt(sumRow / static_cast<double>(count)) + box.top;
  return true;
}

void TMeanShift::BuildModel() {
  if (modelBitmap_.Empty()) return;
  TBinMatrix m;
  bins_.BinImage(modelBitmap_, 0, 0, modelBitmap_.Width(), modelBitmap_.Height(), UseRGB, m);
  KernelHistogram(m, &modelMask_, ModelKernel, bins_.BinTotal(), modelHistogram_);
  modelRgb_ = UseRGB;
  const TColor free = bins_.FreeColour(modelHistogram_, UseRGB);
  if (UseRGB)
    freeColourRGB_ = free;
  else
    freeColourLuv_ = free;
}

int TMeanShift::WindowSize() const {
  const int maxDim = std::max(ModelWidth(), ModelHeight());
  int s = std::max(static_cast<int>(std::trunc(kWindowFactor * maxDim)), 2 * radius_ + 1);
  if (s % 2 == 0) ++s;
  return s;
}

int TMeanShift::SimilarityWindowSize() const {
  const int maxDim = std::max(ModelWidth(), ModelHeight());
  return std::max(static_cast<int>(std::trunc(kWindowFactor * maxDim)), 3) | 1;
}

void TMeanShift::ResetCache() {
  convertedPixels_ = 0;
  cache_.left = cache_.top = cache_.right = cache_.bottom = 0;
  cache_.bins.clear();
}

void TMeanShift::PrepareBanMask(int width, int height) {
  if (banZones_.empty()) {
    banMask_.clear();
    banMaskValid_ = false;
    return;
  }
  if (banMaskValid_ && banMaskWidth_ == width && banMaskHeight_ == height) return;
  banMask_.assign(static_cast<std::size_t>(width) * height, 0);
  for (const auto& zone : banZones_) FillPolygon(zone, width, height, banMask_, true);
  banMaskWidth_ = width;
  banMaskHeight_ = height;
  banMaskValid_ = true;
}

void TMeanShift::ConvertRow(const Image& picture, int y, int x0, int x1, int32_t* dest) {
  if (x1 <= x0) return;
  convertedPixels_ += x1 - x0;
  const uint8_t* p = picture.Row(y) + static_cast<std::size_t>(x0) * 3;
  const uint8_t* ban =
      banMask_.empty() ? nullptr : banMask_.data() + static_cast<std::size_t>(y) * banMaskWidth_;
  // Neighbouring pixels often share their colour: the last conversion is kept.
  uint32_t lastRgb = 0xFFFFFFFFu;
  int32_t lastBin = 0;
  for (int x = x0; x < x1; ++x, p += 3, ++dest) {
    if (ban && ban[x]) {
      *dest = freeBin_;
      continue;
    }
    const uint32_t rgb = p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    if (rgb != lastRgb) {
      lastRgb = rgb;
      lastBin = UseRGB ? bins_.RgbBin(p[0], p[1], p[2]) : bins_.LuvBin(RgbToLuv(p[0], p[1], p[2]));
    }
    *dest = lastBin;
  }
}

void TMeanShift::EnsureConverted(const Image& picture, int left, int top, int right, int bottom) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, picture.Width());
  bottom = std::min(bottom, picture.Height());
  if (left >= right || top >= bottom) return;
  TBinCache& c = cache_;
  const bool empty = c.bins.empty();
  if (!empty && left >= c.left && top >= c.top && right <= c.right && bottom <= c.bottom) return;
  const int nl = empty ? left : std::min(left, c.left);
  const int nt = empty ? top : std::min(top, c.top);
  const int nr = empty ? right : std::max(right, c.right);
  const int nb = empty ? bottom : std::max(bottom, c.bottom);
  const int nw = nr - nl;
  c.spare.resize(static_cast<std::size_t>(nw) * (nb - nt));
  for (int y = nt; y < nb; ++y) {
    int32_t* row = c.spare.data() + static_cast<std::size_t>(y - nt) * nw;
    if (!empty && y >= c.top && y < c.bottom) {
      // Keep what is converted; convert only the new parts of the row.
      ConvertRow(picture, y, nl, c.left, row);
      std::copy_n(c.bins.data() + static_cast<std::size_t>(y - c.top) * (c.right - c.left),
                  c.right - c.left, row + (c.left - nl));
      ConvertRow(picture, y, c.right, nr, row + (c.right - nl));
    } else {
      ConvertRow(picture, y, nl, nr, row);
    }
  }
  c.bins.swap(c.spare);
  c.left = nl;
  c.top = nt;
  c.right = nr;
  c.bottom = nb;
}

void TMeanShift::ExtractWindow(const Image& picture, const TPixel& p, int s) {
  // The source square, from P − S div 2 (included) to P + S div 2 (excluded),
  // is stretched over the S × S window; what lies outside the picture keeps
  // the free colour.
  window_.Resize(s, s);
  const int W = picture.Width(), H = picture.Height();
  const int half = s / 2;
  const int src = std::max(2 * half, 1);
  const long long left = static_cast<long long>(p.x) - half;
  const long long top = static_cast<long long>(p.y) - half;
  if (left + src <= 0 || top + src <= 0 || left >= W || top >= H) {
    std::fill(window_.bins.begin(), window_.bins.end(), freeBin_);
    return;
  }
  EnsureConverted(picture, static_cast<int>(std::max(left, -1LL)),
                  static_cast<int>(std::max(top, -1LL)),
                  static_cast<int>(std::min(left + src, static_cast<long long>(W))),
                  static_cast<int>(std::min(top + src, static_cast<long long>(H))));
  const std::size_t cacheWidth = static_cast<std::size_t>(cache_.right - cache_.left);
  for (int i = 0; i < s; ++i) {
    int32_t* row = &window_.At(i, 0);
    const long long sy = top + static_cast<long long>(i) * src / s;
    if (sy < 0 || sy >= H) {
      std::fill(row, row + s, freeBin_);
      continue;
    }
    const int32_t* crow =
        cache_.bins.data() + static_cast<std::size_t>(sy - cache_.top) * cacheWidth;
    for (int j = 0; j < s; ++j) {
      const long long sx = left + static_cast<long long>(j) * src / s;
      row[j] = (sx < 0 || sx >= W) ? freeBin_ : crow[sx - cache_.left];
    }
  }
}

double TMeanShift::PixelWeight(std::size_t u) const {
  // Pixel weights sqrt(q × c / p).  A colour absent from the window's
  // corners (the background) weighs as much as the rarest background
  // colour, 1: it is the object's most telling colour.
  const double q = modelHistogram_[u];
  const double cand = candidateHistogram_[u];
  if (!(q > 0.0) || !(cand > 0.0)) return 0.0;
  const double corner = cornerWeights_[u] > 0.0 ? cornerWeights_[u] : 1.0;
  const double w = q * corner / cand;
  return UseSquareRoot ? std::sqrt(w) : w;
}

TPixelF TMeanShift::WeightedMean(const Image& picture, const TPixel& p, int s) {
  // The picture pixels of the square around p, each once (the stretched
  // window repeats one row and one column, which would pull the mean
  // towards the top-left), weighted as in the last step.
  const int half = s / 2;
  const long long l = std::max<long long>(static_cast<long long>(p.x) - half, 0);
  const long long t = std::max<long long>(static_cast<long long>(p.y) - half, 0);
  const long long r = std::min<long long>(static_cast<long long>(p.x) + half + 1, picture.Width());
  const long long b = std::min<long long>(static_cast<long long>(p.y) + half + 1, picture.Height());
  TPixelF mean{static_cast<double>(p.x), static_cast<double>(p.y)};
  if (l >= r || t >= b) return mean;
  EnsureConverted(picture, static_cast<int>(l), static_cast<int>(t), static_cast<int>(r),
                  static_cast<int>(b));
  double sumW = 0.0, sumX = 0.0, sumY = 0.0;
  for (int y = static_cast<int>(t); y < b; ++y)
    for (int x = static_cast<int>(l); x < r; ++x) {
      const double w = PixelWeight(static_cast<std::size_t>(cache_.At(x, y)));
      if (!(w > 0.0)) continue;
      sumW += w;
      sumX += w * x;
      sumY += w * y;
    }
  if (!IsZero(sumW)) mean = {sumX / sumW, sumY / sumW};
  return mean;
}

void TMeanShift::BeginPicture(const Image& picture) {
  ResetCache();
  PrepareBanMask(picture.Width(), picture.Height());
  freeBin_ = bins_.ColourBin(FreeColour(), UseRGB);
}

double TMeanShift::WindowSimilarity(const Image& picture, const TPixel& p, int s) {
  ExtractWindow(picture, p, s);
  KernelHistogram(window_, nullptr, CandidateKernel, bins_.BinTotal(), candidateHistogram_);
  double rho = 0.0;
  for (std::size_t u = 0; u < modelHistogram_.size(); ++u) {
    const double q = modelHistogram_[u], c = candidateHistogram_[u];
    if (q > 0.0 && c > 0.0) rho += std::sqrt(q * c);
  }
  return rho;
}

double TMeanShift::Similarity(const Image& picture, const TPixel& p) {
  if (ModelWidth() <= 0 || ModelHeight() <= 0 || picture.Empty()) return 0.0;
  if (modelHistogram_.size() != static_cast<std::size_t>(bins_.BinTotal()) || modelRgb_ != UseRGB)
    BuildModel();
  BeginPicture(picture);
  return WindowSimilarity(picture, p, SimilarityWindowSize());
}

int TMeanShift::Track(const Image& picture, TPixel& p, int maxIterations) {
  lastPosition_ = {static_cast<double>(p.x), static_cast<double>(p.y)};
  lastSimilarity_ = 0.0;
  const int mw = ModelWidth(), mh = ModelHeight();
  if (mw <= 0 || mh <= 0 || picture.Empty()) return 0;
  const int total = bins_.BinTotal();
  // A model built for another bin count or colour space is rebuilt.
  if (modelHistogram_.size() != static_cast<std::size_t>(total) || modelRgb_ != UseRGB)
    BuildModel();

  int s = WindowSize();
  lastWindowSize_ = s;
  const int maxDim = std::max(mw, mh);
  const double ratio = std::min(static_cast<double>(s) / mw, static_cast<double>(s) / mh);

  BeginPicture(picture);

  int done = 0;
  bool found = false;
  for (int k = 1; k <= maxIterations; ++k) {
    ++done;
    ExtractWindow(picture, p, s);
    KernelHistogram(window_, nullptr, CandidateKernel, total, candidateHistogram_);
    if (k == 1) CornerHistogram(window_, mw, mh, total, cornerWeights_, kWindowFactor);

    const double c0 = s / 2.0;
    double sumW = 0.0, sumX = 0.0, sumY = 0.0;
    for (int i = 0; i < s; ++i) {
      const int32_t* row = &window_.At(i, 0);
      for (int j = 0; j < s; ++j) {
        const double w = PixelWeight(static_cast<std::size_t>(row[j]));
        if (!(w > 0.0)) continue;
        sumW += w;
        sumX += w * (j - c0);
        sumY += w * (i - c0);
      }
    }
    if (IsZero(sumW)) break;
    found = true;
    const double dx = sumX / sumW, dy = sumY / sumW;
    p.x += RoundToInt(dx);
    p.y += RoundToInt(dy);
    if (ratio > 4.0) {
      // The window is much larger than the object: it shrinks at each step.
      if (s == maxDim) break;
      s = std::max(maxDim, static_cast<int>(static_cast<long long>(s) * (maxIterations - k) /
                                            maxIterations));
    } else if (std::fabs(dx) < 1.0 && std::fabs(dy) < 1.0) {
      break;
    }
  }
  lastWindowSize_ = s;
  // A lost object (no weight at all) stays where it was, as a whole pixel.
  // The mean is taken over twice the model's size: the object often
  // reaches beyond the contour drawn inside it, and a window cut through
  // the object would pull the mean towards its centre.
  if (found) lastPosition_ = WeightedMean(picture, p, std::max(s, 2 * maxDim + 1));
  lastSimilarity_ = WindowSimilarity(picture, p, SimilarityWindowSize());
  return done;
}

}  // namespace kinevo
