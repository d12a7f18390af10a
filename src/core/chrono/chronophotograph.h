#pragma once
// The chronophotograph ("Chronophotographie"): one picture of the analysed
// video that shows the moving objects at every chosen image, each mark
// drawn and numbered as on the view, optionally the speed or acceleration
// vectors of the results with their scale arrow, and the axes, the origin
// and the scale.  Planning picks the images and places everything in
// picture pixels; painting draws through a Canvas, so that SVG and PDF keep
// marks, numbers and vectors as vectors over the embedded picture.
#include <cstdint>
#include <string>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/image.h"
#include "core/common/result.h"
#include "core/marking/mark_set.h"
#include "core/marking/reference_frame.h"

namespace kinevo {

class TData;
class TCalcul;
class TGraphUtils;

enum TChronoVectors : int { cvNone = 0, cvSpeed = 1, cvAcceleration = 2 };

struct TChronoSettings {
  std::vector<int> systems;  // the systems shown (from 0); empty: all
  int every = 1;             // one image every N of the marked images kept
  int32_t first = -1;        // marked images from this file image on (-1: the first)
  int32_t last = -1;         // up to this one (-1: the last)
  int vectors = cvNone;
  // Arrow length in pixels = value × factor × picture width, as in the
  // results' vector view; 0: the view's first choice, the longest arrow a
  // tenth of the width.
  double vectorFactor = 0.0;
  // Rows at each end of a system without a vector (the results' settings
  // that hide the edge speeds and accelerations).
  int maskedAtEnds = 0;
  int threshold = 40;  // see TStrobeRequest
  bool objects = true;
  int32_t ground = -1;  // the image of the ground (-1: the first chosen)
};

struct TChronoMark {
  int32_t image = 0;
  int system = 0;
  double x = 0.0, y = 0.0;  // picture pixels, y downwards
  TColor colour = 0;
  std::string number;
  bool hasVector = false;
  double vx = 0.0, vy = 0.0;  // the arrow in picture pixels, y downwards
};

// The arrow that gives the vectors' scale: `value` (m/s or m/s²) drawn
// `pixels` long.
struct TChronoScaleArrow {
  double value = 0.0;
  double pixels = 0.0;
  std::string text;  // "0,5 m/s"
};

// A segment of the length scale with its length written beside it.
struct TChronoScale {
  TPixel a, b;
  std::string text;  // "1 m"
};

struct TChronophotograph {
  int width = 0, height = 0;
  std::vector<int32_t> images;  // the chosen file images, in order
  std::vector<TChronoMark> marks;
  TNumberPosition numberPosition = npDown;
  int elementSize = 0;
  TColor elementColour = 0;
  bool hasAxes = false;
  TPixel origin;
  TFrameAxes axes;
  std::vector<TChronoScale> scales;
  int vectors = cvNone;
  double vectorFactor = 0.0;  // the factor used (see TChronoSettings)
  TChronoScaleArrow arrow;
};

// The marked images kept by the settings: those with a mark of a shown
// system, within the range, then one every N from the first.
std::vector<int32_t> ChosenImages(const TData& data, const TChronoSettings& settings);

// Plans the picture of `width` x `height` pixels from the active marks.
// Vectors need `calc`, the active results with their derivatives.  Fails
// when no image is chosen or a shown system does not exist.
TResult<TChronophotograph> PlanChronophotograph(const TData& data, const TCalcul* calc, int width,
                                                int height, const TChronoSettings& settings);

// Where the arrow of the vectors' scale goes: its left end.
TPixel ScaleArrowStart();

// Draws `picture` over the whole chronophotograph, then its overlay.
void PaintChronophotograph(Canvas& canvas, const Image& picture, const TChronophotograph& chrono,
                           const TGraphUtils& gu);
// The overlay alone: the scale, the axes, the vectors, the marks and the
// scale arrow.
void PaintChronoOverlay(Canvas& canvas, const TChronophotograph& chrono, const TGraphUtils& gu);

// The largest of 1, 2 and 5 times a power of ten not above `x` (> 0).
double RoundScaleValue(double x);

}  // namespace kinevo
