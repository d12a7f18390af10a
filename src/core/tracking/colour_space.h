#pragma once
// Colour model of the tracker: the two colour spaces (RGB and CIE L*u*v*),
// the quantisation of a colour into one of n × n × n bins, the histograms
// built over a window of bins, and the "free colour" that the tracker paints
// over areas that must never attract it.
//
// A picture is converted once into a matrix of bin indexes; the histograms
// are then built from those indexes, so the colour conversion (the costly
// step in L*u*v*) is never repeated for a pixel.
#include <cstdint>
#include <vector>

#include "core/common/colour.h"
#include "core/common/image.h"

namespace kinevo {

// A colour in CIE L*u*v*.
struct TLuv {
  double L = 0.0;
  double u = 0.0;
  double v = 0.0;
};

// x^e computed as 2^(e × log2 x); 0 for x = 0 (and for negative x).
double PowerOf(double x, double e);

// RGB bytes (0..255) to L*u*v*, with the program's constants.
TLuv RgbToLuv(uint8_t r, uint8_t g, uint8_t b);

// L*u*v* back to an RGB colour (red in the low byte), each channel rounded
// and bounded to [0, 255]; black when L < 0.1.  Used to name a bin's colour.
TColor LuvToRgb(const TLuv& luv);

// A histogram of n³ bins, indexed [first channel][second][third], flattened
// as (first × n + second) × n + third.
using THistogram = std::vector<double>;

// A rows × columns matrix of bin indexes, row 0 at the top.
struct TBinMatrix {
  int rows = 0;
  int cols = 0;
  std::vector<int32_t> bins;

  void Resize(int r, int c);
  int32_t At(int row, int col) const { return bins[static_cast<std::size_t>(row) * cols + col]; }
  int32_t& At(int row, int col) { return bins[static_cast<std::size_t>(row) * cols + col]; }
  bool Empty() const { return rows <= 0 || cols <= 0; }
};

// A rows × columns mask; a pixel counts where its value is not 0.
struct TMask {
  int rows = 0;
  int cols = 0;
  std::vector<int32_t> values;

  void Resize(int r, int c, int32_t fill = 0);
  int32_t At(int row, int col) const { return values[static_cast<std::size_t>(row) * cols + col]; }
  int32_t& At(int row, int col) { return values[static_cast<std::size_t>(row) * cols + col]; }
};

// The quantisation: the bin count n and the four scale factors it derives
// (n / 256 for the RGB channels, n / 100 for L*, n / 258.343113734 for u*,
// n / 241.51879024 for v*).
class TColourBins {
 public:
  static constexpr double kLRange = 100.0;
  static constexpr double kURange = 258.343113734;
  static constexpr double kVRange = 241.51879024;
  // The largest bin count whose n³ bins an index of 32 bits holds comfortably.
  static constexpr int kMaxBinCount = 1000;

  explicit TColourBins(int n = 20) { SetBinCount(n); }

  // n bounded to [1, kMaxBinCount].
  void SetBinCount(int n);
  int BinCount() const { return n_; }
  // n³, the length of a histogram.
  int BinTotal() const { return n_ * n_ * n_; }

  // Bin of one channel value: value × factor truncated toward zero, bounded
  // to [0, n − 1] (so every negative u* or v* is in bin 0).
  int ChannelBin(double value, double factor) const;
  int RgbBin(uint8_t r, uint8_t g, uint8_t b) const;
  int LuvBin(const TLuv& luv) const;
  // Bin of a colour in the chosen space.
  int ColourBin(TColor c, bool rgb) const;
  int Index(int k1, int k2, int k3) const { return (k1 * n_ + k2) * n_ + k3; }

  // The colour of a bin's centre, packed red + 256 × green + 65536 × blue.
  TColor BinColour(int index, bool rgb) const;

  // The free colour of a histogram: walking the bins in index order, the
  // centre colour of the first empty bin (value exactly 0) whose colour also
  // falls into an empty bin; white when there is none.  In L*u*v* the centre
  // of an empty bin can lie outside the RGB gamut, and its colour then lands
  // in another bin, possibly one of the object's: such a bin is passed over,
  // since painting with it would attract the tracker to the painted areas.
  TColor FreeColour(const THistogram& histogram, bool rgb) const;

  double RedFactor() const { return rgbFactor_; }
  double LFactor() const { return lFactor_; }
  double UFactor() const { return uFactor_; }
  double VFactor() const { return vFactor_; }

  // Converts the rectangle (left, top, width, height) of a picture into bin
  // indexes, row by row.  The rectangle must lie inside the picture.
  void BinImage(const Image& picture, int left, int top, int width, int height, bool rgb,
                TBinMatrix& out) const;

 private:
  int n_ = 20;
  double rgbFactor_ = 0.0;
  double lFactor_ = 0.0;
  double uFactor_ = 0.0;
  double vFactor_ = 0.0;
};

// Kernel-weighted histogram of a matrix of bins with n³ = `binTotal` bins.
// Only pixels whose mask value is not 0 count (no mask: all count; the mask
// may be larger than the matrix, its top-left part is read).  With `kernel`
// each pixel weighs 1 − ((i − cy)² + (j − cx)²) / (cx² + cy²) (Epanechnikov:
// 1 at the centre, 0 at the corners), otherwise 1.  The bins are divided by
// the sum of the weights.  A single pixel gives an empty histogram.
void KernelHistogram(const TBinMatrix& m, const TMask* mask, bool kernel, int binTotal,
                     THistogram& out);

// Corner histogram of a square window for an object of w × h pixels: the
// pixels outside the inner box (the object's half-sizes times `factor`
// around the window's centre) in both directions, that is in the four
// corners, are counted per bin; a counted bin becomes 1 / count, the others 0.
void CornerHistogram(const TBinMatrix& m, int w, int h, int binTotal, THistogram& out,
                     double factor = 1.2);

}  // namespace kinevo
