#include "core/tracking/ncc.h"

#include <algorithm>
#include <cmath>

namespace kinevo {

namespace {

// Below this variance per pixel (in grey levels squared) a part of a
// picture is taken as flat: its correlation means nothing.
constexpr double kFlatVariance = 1e-3;

// Eight partial sums: the compiler keeps them in vector registers (a single
// running sum would have to be added in order, one product at a time).
float Dot(const float* a, const float* b, int n) {
  float acc[8] = {};
  int i = 0;
  for (; i + 8 <= n; i += 8)
    for (int k = 0; k < 8; ++k) acc[k] += a[i + k] * b[i + k];
  float dot = ((acc[0] + acc[1]) + (acc[2] + acc[3])) + ((acc[4] + acc[5]) + (acc[6] + acc[7]));
  for (; i < n; ++i) dot += a[i] * b[i];
  return dot;
}

}  // namespace

void TPlanes::Resize(int w, int h, int c) {
  width = w;
  height = h;
  channels = c;
  values.assign(static_cast<std::size_t>(w) * h * c, 0.0f);
}

void ExtractPlanes(const Image& picture, const TPixelRect& rect, bool rgb, TPlanes& out) {
  out.Resize(rect.Width(), rect.Height(), rgb ? 3 : 1);
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* src = picture.Row(rect.top + y) + static_cast<std::size_t>(rect.left) * 3;
    if (rgb) {
      float* r = out.Row(0, y);
      float* g = out.Row(1, y);
      float* b = out.Row(2, y);
      for (int x = 0; x < out.width; ++x, src += 3) {
        r[x] = src[0];
        g[x] = src[1];
        b[x] = src[2];
      }
    } else {
      float* v = out.Row(0, y);
      for (int x = 0; x < out.width; ++x, src += 3)
        v[x] = (static_cast<float>(src[0]) + src[1] + src[2]) * (1.0f / 3.0f);
    }
  }
}

TPlanes GreyOf(const TPlanes& in) {
  if (in.channels == 1) return in;
  TPlanes out;
  out.Resize(in.width, in.height, 1);
  const float third = 1.0f / static_cast<float>(in.channels);
  for (int y = 0; y < in.height; ++y) {
    float* dest = out.Row(0, y);
    for (int c = 0; c < in.channels; ++c) {
      const float* src = in.Row(c, y);
      for (int x = 0; x < in.width; ++x) dest[x] += src[x];
    }
    for (int x = 0; x < in.width; ++x) dest[x] *= third;
  }
  return out;
}

TPlanes Downsample(const TPlanes& in, int f) {
  TPlanes out;
  out.Resize(in.width / f, in.height / f, in.channels);
  const float scale = 1.0f / static_cast<float>(f * f);
  for (int c = 0; c < in.channels; ++c) {
    for (int y = 0; y < out.height; ++y) {
      float* dest = out.Row(c, y);
      for (int dy = 0; dy < f; ++dy) {
        const float* src = in.Row(c, y * f + dy);
        for (int x = 0; x < out.width; ++x)
          for (int dx = 0; dx < f; ++dx) dest[x] += src[x * f + dx];
      }
      for (int x = 0; x < out.width; ++x) dest[x] *= scale;
    }
  }
  return out;
}

std::vector<uint8_t> DownsampleMask(const std::vector<uint8_t>& mask, int width, int height,
                                    int f) {
  const int w = width / f, h = height / f;
  std::vector<uint8_t> out(static_cast<std::size_t>(w) * h, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int inside = 0;
      for (int dy = 0; dy < f; ++dy)
        for (int dx = 0; dx < f; ++dx)
          inside += mask[static_cast<std::size_t>(y * f + dy) * width + x * f + dx] != 0;
      out[static_cast<std::size_t>(y) * w + x] = 2 * inside >= f * f;
    }
  }
  return out;
}

void TZoneSums::Build(const TPlanes& zone) {
  width = zone.width;
  height = zone.height;
  channels = zone.channels;
  const std::size_t n = static_cast<std::size_t>(width + 1) * height * channels;
  sum.assign(n, 0.0);
  squares.assign(n, 0.0);
  for (int c = 0; c < channels; ++c) {
    for (int y = 0; y < height; ++y) {
      const float* v = zone.Row(c, y);
      const std::size_t base = (static_cast<std::size_t>(c) * height + y) * (width + 1);
      for (int x = 0; x < width; ++x) {
        sum[base + x + 1] = sum[base + x] + v[x];
        squares[base + x + 1] = squares[base + x] + static_cast<double>(v[x]) * v[x];
      }
    }
  }
}

bool TNccTemplate::Set(const TPlanes& planes, const std::vector<uint8_t>& mask) {
  std::vector<TRun> runs;
  double count = 0.0;
  for (int y = 0; y < planes.height; ++y) {
    const uint8_t* m = mask.data() + static_cast<std::size_t>(y) * planes.width;
    for (int x = 0; x < planes.width;) {
      if (m[x] == 0) {
        ++x;
        continue;
      }
      const int x0 = x;
      while (x < planes.width && m[x] != 0) ++x;
      runs.push_back({y, x0, x});
      count += x - x0;
    }
  }
  if (count < 4) return false;
  std::vector<float> centred(planes.values.size(), 0.0f);
  double energy = 0.0;
  for (int c = 0; c < planes.channels; ++c) {
    double total = 0.0;
    for (const TRun& r : runs)
      for (int x = r.x0; x < r.x1; ++x) total += planes.Row(c, r.row)[x];
    const double mean = total / count;
    for (const TRun& r : runs) {
      for (int x = r.x0; x < r.x1; ++x) {
        const double v = planes.Row(c, r.row)[x] - mean;
        centred[(static_cast<std::size_t>(c) * planes.height + r.row) * planes.width + x] =
            static_cast<float>(v);
        energy += v * v;
      }
    }
  }
  if (energy <= kFlatVariance * count * planes.channels) return false;
  width_ = planes.width;
  height_ = planes.height;
  channels_ = planes.channels;
  runs_ = std::move(runs);
  centred_ = std::move(centred);
  count_ = count;
  energy_ = energy;
  return true;
}

double TNccTemplate::Score(const TPlanes& zone, const TZoneSums& sums, int ox, int oy) const {
  double product = 0.0, variance = 0.0;
  for (int c = 0; c < channels_; ++c) {
    double s1 = 0.0, s2 = 0.0;
    for (const TRun& r : runs_) {
      const float* t =
          centred_.data() + (static_cast<std::size_t>(c) * height_ + r.row) * width_ + r.x0;
      const float* z = zone.Row(c, oy + r.row) + ox + r.x0;
      product += Dot(t, z, r.x1 - r.x0);
      s1 += sums.Sum(c, oy + r.row, ox + r.x0, ox + r.x1);
      s2 += sums.Squares(c, oy + r.row, ox + r.x0, ox + r.x1);
    }
    variance += s2 - s1 * s1 / count_;
  }
  if (variance <= kFlatVariance * count_ * channels_) return 0.0;
  return product / std::sqrt(energy_ * variance);
}

double ParabolaPeak(double before, double best, double after) {
  const double curvature = before - 2.0 * best + after;
  if (!(curvature < 0.0)) return 0.0;
  return std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5);
}

}  // namespace kinevo
