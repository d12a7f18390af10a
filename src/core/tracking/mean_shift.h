#pragma once
// TMeanShift follows one object from image to image.  The object is outlined
// once by a polygon (its contour); the colour histogram of the pixels inside
// it is the model.  On each later image a square search window moves, step
// by step, towards the place whose colours best match the model (the
// mean-shift rule, with Epanechnikov-weighted candidate histograms).  Ban
// zones and the parts of the window outside the picture are painted in the
// model's free colour, so that they never attract the window.
//
// Positions are pixels of the full-resolution picture (origin top-left,
// y downwards); the tracking controller converts from and to picture
// positions.
//
// The picture is converted to bins lazily and at most once per pixel and per
// call of Track: the converted area is kept as a rectangle that grows to hold
// every window the iterations look at.
#include <cstdint>
#include <vector>

#include "core/common/colour.h"
#include "core/common/image.h"
#include "core/common/picture_coord.h"
#include "core/tracking/colour_space.h"

namespace kinevo {

using TPixelPolygon = std::vector<TPixel>;
// A picture position in pixels, not rounded.
struct TPixelF {
  double x = 0.0;
  double y = 0.0;
};
using TPicturePolygon = std::vector<TPictureCoord>;

class TMeanShift {
 public:
  static constexpr int kMinRadius = 10;
  static constexpr int kMaxRadius = 100;
  // Size of the window against the object, and of the inner box of the
  // corner histogram.
  static constexpr double kWindowFactor = 1.2;

  TMeanShift();

  // Settings (public members, as the controller sets them directly).
  bool UseSquareRoot = true;    // pixel weights are square roots
  bool ModelKernel = false;     // Epanechnikov weights for the model histogram
  bool CandidateKernel = true;  // Epanechnikov weights for candidate histograms
  bool UseRGB = false;          // RGB when true, L*u*v* when false

  // Search radius in pixels, bounded to [kMinRadius, kMaxRadius].
  void SetRadius(int r);
  int Radius() const { return radius_; }

  // The bin count of the colour model (20 during tracking).
  void SetBinCount(int n) { bins_.SetBinCount(n); }
  int BinCount() const { return bins_.BinCount(); }
  const TColourBins& Bins() const { return bins_; }

  // Stores the polygons with their points in pixels of a W × H picture
  // (x = W × fx, y = H × fy, rounded to the nearest integer).
  void SetBanZones(const std::vector<TPicturePolygon>& zones, int width, int height);
  const std::vector<TPixelPolygon>& BanZones() const { return banZones_; }

  // Cuts the model from the picture: the contour (picture positions) becomes
  // a closed pixel polygon without consecutive repeated points; its bounding
  // box is copied into ModelBitmap and the pixels inside the polygon form
  // ModelMask.  Returns false, changing nothing, when the contour has fewer
  // than two distinct points or encloses no pixel.  On success `start` is
  // the centroid of the pixels inside (rounded, in picture pixels).
  bool SetModel(const Image& picture, const TPicturePolygon& contour, TPixel& start);

  // Builds ModelHistogram from ModelBitmap and ModelMask in the current
  // colour space and bin count, then the free colour of that space.
  void BuildModel();

  // Moves `p` towards the object on `picture`, in at most `maxIterations`
  // mean-shift steps.  Returns the number of steps carried out.  Does
  // nothing without a model; a model histogram of another bin count or
  // colour space is first rebuilt.
  // After the steps, LastPosition() holds the weighted mean of the pixels of
  // the last window (not rounded) and LastSimilarity() how well the colours
  // around the final point match the model.
  int Track(const Image& picture, TPixel& p, int maxIterations);

  // The Bhattacharyya coefficient between the model histogram and the
  // kernel-weighted histogram of the window around `p` (1 for identical
  // distributions, 0 for disjoint ones).  0 without a model.  The window is
  // the object's size (SimilarityWindowSize), whatever the search radius,
  // so that values of different images compare.
  int SimilarityWindowSize() const;
  double Similarity(const Image& picture, const TPixel& p);
  double LastSimilarity() const { return lastSimilarity_; }
  // Positions given out are continuous picture pixels, as a click gives
  // them: pixel i covers [i, i + 1), so its centre is at i + 0.5.
  TPixelF LastPosition() const { return Continuous(lastPosition_); }
  // The centroid of the model's pixels, not rounded (picture pixels).
  TPixelF ModelCentre() const { return Continuous(modelCentre_); }

  // S = max(trunc(1.2 × max(model width, model height)), 2 × Radius + 1),
  // made odd.
  int WindowSize() const;
  // The window size at the end of the last Track (after any shrinking).
  int LastWindowSize() const { return lastWindowSize_; }
  // How many picture pixels the last Track converted to bins (each at most
  // once).
  long long LastConvertedPixels() const { return convertedPixels_; }

  int ModelWidth() const { return modelBitmap_.Width(); }
  int ModelHeight() const { return modelBitmap_.Height(); }
  const Image& ModelBitmap() const { return modelBitmap_; }
  const TMask& ModelMask() const { return modelMask_; }
  // Bounding box of the model's contour in picture pixels, right and bottom
  // included.
  const TPixelRect& ModelBox() const { return modelBox_; }
  const THistogram& ModelHistogram() const { return modelHistogram_; }
  const THistogram& CandidateHistogram() const { return candidateHistogram_; }
  const THistogram& CornerWeights() const { return cornerWeights_; }
  TColor FreeColourRGB() const { return freeColourRGB_; }
  TColor FreeColourLuv() const { return freeColourLuv_; }
  // The free colour of the current colour space.
  TColor FreeColour() const { return UseRGB ? freeColourRGB_ : freeColourLuv_; }

  // Marks the pixels of a W × H picture that lie inside or on the outline of
  // a polygon (1 inside, 0 outside); `mask` is W × H, row by row.  The inside
  // is the even-odd interior with the right and bottom edges left out.
  static void FillPolygon(const TPixelPolygon& polygon, int width, int height,
                          std::vector<uint8_t>& mask, bool outline);

 private:
  // The part of the picture already converted to bins, for one Track call.
  struct TBinCache {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom excluded
    std::vector<int32_t> bins;
    std::vector<int32_t> spare;
    int At(int x, int y) const {
      return bins[static_cast<std::size_t>(y - top) * (right - left) + (x - left)];
    }
  };

  void ResetCache();
  // Makes sure that the rectangle (clipped to the picture) is converted.
  void EnsureConverted(const Image& picture, int left, int top, int right, int bottom);
  void ConvertRow(const Image& picture, int y, int x0, int x1, int32_t* dest);
  // Fills window_ with the bins of the S × S window around p.
  void ExtractWindow(const Image& picture, const TPixel& p, int s);
  void PrepareBanMask(int width, int height);
  double PixelWeight(std::size_t bin) const;
  // The weighted mean of the picture pixels of the S × S square around p.
  TPixelF WeightedMean(const Image& picture, const TPixel& p, int s);
  // Inside, pixels are counted by their index; outside, by their area.
  static TPixelF Continuous(const TPixelF& index) { return {index.x + 0.5, index.y + 0.5}; }
  // Prepares the working state of one measurement on `picture`.
  void BeginPicture(const Image& picture);
  // Similarity of the S × S window around p (the working state prepared).
  double WindowSimilarity(const Image& picture, const TPixel& p, int s);

  TColourBins bins_;
  int radius_ = 20;
  std::vector<TPixelPolygon> banZones_;
  TColor freeColourRGB_ = colors::White;
  TColor freeColourLuv_ = colors::White;

  Image modelBitmap_;
  TMask modelMask_;
  TPixelRect modelBox_;
  THistogram modelHistogram_;
  bool modelRgb_ = false;  // colour space of modelHistogram_
  THistogram candidateHistogram_;
  THistogram cornerWeights_;
  int lastWindowSize_ = 0;
  double lastSimilarity_ = 0.0;
  TPixelF lastPosition_;
  TPixelF modelCentre_;

  // Working state of Track.
  TBinCache cache_;
  TBinMatrix window_;
  int freeBin_ = 0;
  long long convertedPixels_ = 0;
  std::vector<uint8_t> banMask_;  // W × H, 1 on ban zones; empty without zones
  int banMaskWidth_ = 0, banMaskHeight_ = 0;
  bool banMaskValid_ = false;
};

}  // namespace kinevo
