#pragma once
// Normalised cross-correlation of a template of any shape over a zone of a
// picture: how alike the template and each place of the zone look, whatever
// their brightness and contrast (1: the same picture up to a gain and an
// offset per channel, 0: unrelated, negative: inverted).
//
// The template's numerator is a plain dot product over its pixels (its
// values are centred on their mean, so the zone's mean drops out).  The
// zone's own sums of values and squares under the template's shape come
// from running sums along the rows, taken over the template's runs of
// pixels: a few additions per row instead of a second product.
#include <cstdint>
#include <vector>

#include "core/common/image.h"
#include "core/common/picture_coord.h"

namespace kinevo {

// A picture as floating-point channels: one (grey) or three (red, green,
// blue), each row by row.
struct TPlanes {
  int width = 0, height = 0, channels = 1;
  std::vector<float> values;

  void Resize(int w, int h, int c);
  float* Row(int c, int y) {
    return values.data() + (static_cast<std::size_t>(c) * height + y) * width;
  }
  const float* Row(int c, int y) const {
    return values.data() + (static_cast<std::size_t>(c) * height + y) * width;
  }
};

// The part `rect` of the picture (inside it) as grey planes (the mean of
// red, green and blue) or as three RGB planes.
void ExtractPlanes(const Image& picture, const TPixelRect& rect, bool rgb, TPlanes& out);
// The mean of the channels: the planes themselves when grey.
TPlanes GreyOf(const TPlanes& in);
// Means of f × f blocks; a partial block at the right or the bottom is left
// out, so that block (i, j) covers pixels [f·i, f·i + f) × [f·j, f·j + f).
TPlanes Downsample(const TPlanes& in, int f);
// The same for a shape: a block belongs to it when at least half its pixels
// do.
std::vector<uint8_t> DownsampleMask(const std::vector<uint8_t>& mask, int width, int height, int f);

// Running sums of a zone's values and squares along each row, for the
// template's denominators.
struct TZoneSums {
  int width = 0, height = 0, channels = 1;
  std::vector<double> sum, squares;  // (width + 1) per row, channel after channel

  void Build(const TPlanes& zone);
  double Sum(int c, int y, int x0, int x1) const { return At(sum, c, y, x1) - At(sum, c, y, x0); }
  double Squares(int c, int y, int x0, int x1) const {
    return At(squares, c, y, x1) - At(squares, c, y, x0);
  }

 private:
  double At(const std::vector<double>& v, int c, int y, int x) const {
    return v[(static_cast<std::size_t>(c) * height + y) * (width + 1) + x];
  }
};

class TNccTemplate {
 public:
  // `mask` flags the template's own pixels among the planes' (width ×
  // height, row by row).  False, keeping nothing, when the shape has fewer
  // than 4 pixels or the template is flat (nothing to match).
  bool Set(const TPlanes& planes, const std::vector<uint8_t>& mask);
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Channels() const { return channels_; }

  // The score with the template's top-left corner at (ox, oy) of the zone;
  // the template must lie inside it.  0 on a flat part of the zone.
  double Score(const TPlanes& zone, const TZoneSums& sums, int ox, int oy) const;

 private:
  struct TRun {
    int row, x0, x1;  // x1 excluded
  };
  int width_ = 0, height_ = 0, channels_ = 1;
  std::vector<TRun> runs_;
  std::vector<float> centred_;  // the values minus their mean, 0 off the shape
  double count_ = 0.0;          // pixels of the shape
  double energy_ = 0.0;         // sum of the centred values' squares
};

// The offset, in [-0.5, 0.5], of the top of the parabola through the scores
// at -1, 0 and +1 around a best score; 0 when they do not make a peak.
double ParabolaPeak(double before, double best, double after);

}  // namespace kinevo
