#pragma once
// The calibration of the plane of motion: four points clicked on the
// (lens-corrected) picture whose real positions are known give the
// homography that maps the picture onto the plane, in metres, even when the
// camera is not square to it.
//
// The four points are, in this order: the origin, a point on the x axis at
// W metres, the opposite corner (W, H) and a point on the y axis at H metres.
#include <array>

#include "core/common/math_utils.h"
#include "core/common/result.h"

namespace kinevo {

class THomography {
 public:
  // The identity.
  THomography() = default;
  // The 3×3 matrix, row by row (m[8] the bottom right), scaled so that the
  // third coordinate of the picture points that see the plane is positive
  // (as CalibratePlane gives it).
  explicit THomography(const std::array<double, 9>& m);

  // The plane point of picture point p.  A point on the picture's image of
  // the plane's horizon, or beyond it, has no plane point: its coordinates
  // are then not a number (the matrix's formula alone would put it on the
  // plane, mirrored through the horizon).
  TWorldPoint Map(const TWorldPoint& p) const;
  // The picture point of plane point q; not a number for a point of the
  // plane the camera cannot see (behind it).
  TWorldPoint InverseMap(const TWorldPoint& q) const;
  const std::array<double, 9>& Matrix() const { return m_; }

 private:
  static TWorldPoint Apply(const std::array<double, 9>& m, const TWorldPoint& p);

  std::array<double, 9> m_{1, 0, 0, 0, 1, 0, 0, 0, 1};
  std::array<double, 9> inverse_{1, 0, 0, 0, 1, 0, 0, 0, 1};
};

// The homography taking `picture` (origin, x axis point, opposite corner,
// y axis point) to (0, 0), (W, 0), (W, H), (0, H).  Refuses a zero or
// negative size, three of the points in a line (or two at the same place),
// and a quadrilateral that is crossed or not convex: no view of a rectangle
// shows it so.
TResult<THomography> CalibratePlane(const std::array<TWorldPoint, 4>& picture, double width,
                                    double height);

}  // namespace kinevo
