#pragma once
// The lens correction: a wide lens bends straight lines, more the farther
// they are from the middle of the picture.  The model is radial about the
// picture's centre: a point shown at distance r from the centre, r in units
// of the half-diagonal of the picture as shown, is at r·(1 + k1·r² + k2·r⁴)
// in the corrected picture.  The barrel of a phone's wide lens squeezes the
// picture's edges towards the centre: its correction pushes them out, k1 > 0.
//
// Positions are picture pixels, continuous: pixel i covers [i, i + 1), so
// the centre of a W×H picture is (W/2, H/2).
#include <array>
#include <vector>

#include "core/common/math_utils.h"
#include "core/common/result.h"

namespace kinevo {

class TLensModel {
 public:
  TLensModel(double width, double height, double k1 = 0.0, double k2 = 0.0);

  double K1() const { return k1_; }
  double K2() const { return k2_; }

  // Where the point shown at `shown` is in the corrected picture.
  TWorldPoint Correct(const TWorldPoint& shown) const;
  // Where the corrected point `corrected` is shown: the inverse of Correct,
  // by Newton's iterations on the radius (for drawing corrected things over
  // the picture as shown).  Beyond the radius where a strong barrel stops
  // growing, the model has no inverse: the answer is then that radius's
  // point, the farthest the lens shows.
  TWorldPoint Distort(const TWorldPoint& corrected) const;

 private:
  // The factor r'/r at normalised radius r (r² given).
  double Factor(double r2) const { return 1.0 + r2 * (k1_ + k2_ * r2); }

  double cx_, cy_, unit_;  // centre, half-diagonal in pixels
  double k1_, k2_;
};

// The lens fitted to lines that are straight in reality.
struct TLensFit {
  double k1 = 0.0;
  double k2 = 0.0;
  // The corrected points' distances to their lines' best fits (rms, pixels).
  double residual = 0.0;
};

// Fits k1 and k2 (Levenberg–Marquardt) so that each line of `lines`, points
// clicked along an edge that is straight in reality on the W×H picture as
// shown, is as straight as it can be once corrected: the sum of the squared
// distances of the corrected points to each line's total least squares fit
// is the least.  Refuses fewer than two lines, a line of fewer than three
// points, two coincident points on a line, and lines whose straightness
// does not depend on the lens (all through the centre of the picture).
// The straight line that points clicked along an edge become once
// corrected: the total least squares line of the corrected points, from the
// foot of the first point to that of the last (corrected picture pixels).
// At least two distinct points.
std::array<TWorldPoint, 2> StraightenedLine(const TLensModel& lens,
                                            const std::vector<TWorldPoint>& shown);

TResult<TLensFit> EstimateLens(double width, double height,
                               const std::vector<std::vector<TWorldPoint>>& lines);

}  // namespace kinevo
