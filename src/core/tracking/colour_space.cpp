#include "core/tracking/colour_space.h"

#include <algorithm>
#include <cmath>

#include "core/common/math_utils.h"

namespace kinevo {

namespace {

// Reference white of the L*u*v* conversion.
constexpr double kUn = 0.19784977571475;
constexpr double kVn = 0.46834507665248;
// The cube-root exponent as the program writes it (not exactly one third).
constexpr double kThird = 0.33333333333;

uint8_t ToByte(double x) {
  const int32_t v = RoundToInt(x);
  return static_cast<uint8_t>(std::clamp<int32_t>(v, 0, 255));
}

}  // namespace

double PowerOf(double x, double e) {
  if (!(x > 0.0)) return 0.0;
  return std::exp2(e * std::log2(x));
}

TLuv RgbToLuv(uint8_t r, uint8_t g, uint8_t b) {
  const double X = 0.4125 * r + 0.3576 * g + 0.1804 * b;
  const double Y = 0.2125 * r + 0.7154 * g + 0.0721 * b;
  const double Z = 0.0193 * r + 0.1192 * g + 0.9502 * b;
  const double y = Y / 255.0;
  TLuv out;
  out.L = y <= 0.008856 ? 903.3 * y : 116.0 * PowerOf(y, kThird) - 16.0;
  const double d = X + 15.0 * Y + 3.0 * Z;
  double up = 4.0, vp = 0.6;
  if (!IsZero(d)) {
    up = 4.0 * X / d;
    vp = 9.0 * Y / d;
  }
  out.u = 13.0 * out.L * (up - kUn);
  out.v = 13.0 * out.L * (vp - kVn);
  return out;
}

TColor LuvToRgb(const TLuv& luv) {
  const double L = luv.L;
  if (!(L >= 0.1)) return RGBColor(0, 0, 0);
  const double f = (L + 16.0) / 116.0;
  const double Y = L >= 8.0 ? f * f * f : L / 903.3;
  const double up = luv.u / (13.0 * L) + kUn;
  const double vp = luv.v / (13.0 * L) + kVn;
  // A v' of zero has no colour; it cannot come from a bin centre (v* ≥ 0).
  if (IsZero(vp)) return RGBColor(0, 0, 0);
  const double X = 9.0 * up * Y / (4.0 * vp);
  const double Z = (12.0 - 3.0 * up - 20.0 * vp) * Y / (4.0 * vp);
  const double red = 255.0 * (3.2405 * X - 1.5371 * Y - 0.4985 * Z);
  const double green = 255.0 * (-0.9693 * X + 1.876 * Y + 0.0416 * Z);
  const double blue = 255.0 * (0.0556 * X - 0.204 * Y + 1.0573 * Z);
  return RGBColor(ToByte(red), ToByte(green), ToByte(blue));
}

// ---------------------------------------------------------------- matrices

void TBinMatrix::Resize(int r, int c) {
  rows = std::max(r, 0);
  cols = std::max(c, 0);
  bins.resize(static_cast<std::size_t>(rows) * cols);
}

void TMask::Resize(int r, int c, int32_t fill) {
  rows = std::max(r, 0);
  cols = std::max(c, 0);
  values.assign(static_cast<std::size_t>(rows) * cols, fill);
}

// ---------------------------------------------------------------- quantisation

void TColourBins::SetBinCount(int n) {
  n_ = std::clamp(n, 1, kMaxBinCount);
  rgbFactor_ = n_ / 256.0;
  lFactor_ = n_ / kLRange;
  uFactor_ = n_ / kURange;
  vFactor_ = n_ / kVRange;
}

int TColourBins::ChannelBin(double value, double factor) const {
  const double x = value * factor;
  if (!(x >= 1.0)) return 0;  // negatives, NaN and [0, 1) truncate to bin 0
  if (x >= n_) return n_ - 1;
  return static_cast<int>(x);
}

int TColourBins::RgbBin(uint8_t r, uint8_t g, uint8_t b) const {
  return Index(ChannelBin(r, rgbFactor_), ChannelBin(g, rgbFactor_), ChannelBin(b, rgbFactor_));
}

int TColourBins::LuvBin(const TLuv& luv) const {
  return Index(ChannelBin(luv.L, lFactor_), ChannelBin(luv.u, uFactor_),
               ChannelBin(luv.v, vFactor_));
}

int TColourBins::ColourBin(TColor c, bool rgb) const {
  const uint8_t r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
  return rgb ? RgbBin(r, g, b) : LuvBin(RgbToLuv(r, g, b));
}

TColor TColourBins::BinColour(int index, bool rgb) const {
  const int k3 = index % n_;
  const int k2 = (index / n_) % n_;
  const int k1 = index / (n_ * n_);
  if (rgb) {
    auto centre = [&](int k) { return ToByte((k + 0.5) * 256.0 / n_); };
    return RGBColor(centre(k1), centre(k2), centre(k3));
  }
  const TLuv luv{(k1 + 0.5) * kLRange / n_, (k2 + 0.5) * kURange / n_, (k3 + 0.5) * kVRange / n_};
  return LuvToRgb(luv);
}

TColor TColourBins::FreeColour(const THistogram& histogram, bool rgb) const {
  const int total = std::min<int>(BinTotal(), static_cast<int>(histogram.size()));
  for (int i = 0; i < total; ++i) {
    if (histogram[static_cast<std::size_t>(i)] != 0.0) continue;
    const TColor c = BinColour(i, rgb);
    const int back = ColourBin(c, rgb);
    if (back < total && histogram[static_cast<std::size_t>(back)] == 0.0) return c;
  }
  return colors::White;
}

void TColourBins::BinImage(const Image& picture, int left, int top, int width, int height, bool rgb,
                           TBinMatrix& out) const {
  out.Resize(height, width);
  for (int i = 0; i < out.rows; ++i) {
    const uint8_t* p = picture.Row(top + i) + static_cast<std::size_t>(left) * 3;
    int32_t* dest = &out.At(i, 0);
    if (rgb) {
      for (int j = 0; j < out.cols; ++j, p += 3) dest[j] = RgbBin(p[0], p[1], p[2]);
    } else {
      for (int j = 0; j < out.cols; ++j, p += 3) dest[j] = LuvBin(RgbToLuv(p[0], p[1], p[2]));
    }
  }
}

// ---------------------------------------------------------------- histograms

void KernelHistogram(const TBinMatrix& m, const TMask* mask, bool kernel, int binTotal,
                     THistogram& out) {
  out.assign(static_cast<std::size_t>(std::max(binTotal, 0)), 0.0);
  if (m.Empty() || out.empty()) return;
  const double cx = (m.cols - 1) / 2.0;
  const double cy = (m.rows - 1) / 2.0;
  if (cx == 0.0 && cy == 0.0) return;
  const double denom = cx * cx + cy * cy;
  double sum = 0.0;
  for (int i = 0; i < m.rows; ++i) {
    const double di2 = (i - cy) * (i - cy);
    const int32_t* row = &m.bins[static_cast<std::size_t>(i) * m.cols];
    const int32_t* mrow = mask ? &mask->values[static_cast<std::size_t>(i) * mask->cols] : nullptr;
    for (int j = 0; j < m.cols; ++j) {
      if (mrow && mrow[j] == 0) continue;
      const double w = kernel ? 1.0 - (di2 + (j - cx) * (j - cx)) / denom : 1.0;
      out[static_cast<std::size_t>(row[j])] += w;
      sum += w;
    }
  }
  if (IsZero(sum)) return;
  for (double& v : out)
    if (v > 0.0) v /= sum;
}

void CornerHistogram(const TBinMatrix& m, int w, int h, int binTotal, THistogram& out,
                     double factor) {
  out.assign(static_cast<std::size_t>(std::max(binTotal, 0)), 0.0);
  if (m.Empty() || out.empty()) return;
  const double cx = (m.cols - 1) * 0.5;
  const double cy = (m.rows - 1) * 0.5;
  const double colLo = std::trunc(cx - factor * (w / 2));
  const double colHi = std::trunc(cx + factor * (w / 2));
  const double rowLo = std::trunc(cy - factor * (h / 2));
  const double rowHi = std::trunc(cy + factor * (h / 2));
  for (int i = 0; i < m.rows; ++i) {
    if (i >= rowLo && i <= rowHi) continue;
    const int32_t* row = &m.bins[static_cast<std::size_t>(i) * m.cols];
    for (int j = 0; j < m.cols; ++j)
      if (j < colLo || j > colHi) out[static_cast<std::size_t>(row[j])] += 1.0;
  }
  for (double& v : out) v = v > 0.0 ? 1.0 / v : 0.0;
}

}  // namespace kinevo
