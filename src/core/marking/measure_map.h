#pragma once
// The lens correction and the calibration of the plane of motion as the
// analysis keeps them, and the map they make from a marked position to the
// position that is measured.
//
// Marks, origins and scale points stay stored as they were clicked, on the
// picture as shown.  What the results compute goes through the lens
// correction first; then, with the plane on, through the homography to the
// plane's metres and axes, which replace the usual scale and axes.
#include <array>
#include <vector>

#include "core/common/math_utils.h"
#include "core/common/picture_coord.h"
#include "core/common/picture_warp.h"
#include "core/common/result.h"
#include "core/marking/lens.h"
#include "core/marking/plane.h"

namespace kinevo {

struct TLensSetting {
  bool on = false;
  double k1 = 0.0;
  double k2 = 0.0;
  friend bool operator==(const TLensSetting&, const TLensSetting&) = default;
};

struct TPlaneSetting {
  bool on = false;
  // The origin, the point on the x axis, the opposite corner and the point on
  // the y axis, on the picture as shown (before the lens correction).
  std::array<TPictureCoord, 4> points{};
  // The real distances from the origin to the x axis point and to the
  // y axis point, in metres.
  double width = 0.0;
  double height = 0.0;
  friend bool operator==(const TPlaneSetting&, const TPlaneSetting&) = default;
};

struct TMeasureCalibration {
  TLensSetting lens;
  TPlaneSetting plane;
  friend bool operator==(const TMeasureCalibration&, const TMeasureCalibration&) = default;
};

// Refuses a lens whose correction does not keep the order of the points
// from the centre to the corners of the picture (the radius it gives must
// grow all the way: 1 + 3·k1·r² + 5·k2·r⁴ > 0 for r up to 1), or whose
// coefficients are not numbers.
TStatus CheckLens(double k1, double k2);

// The map of one picture size.  Pictures are `width` × `height` pixels.
class TMeasureMap {
 public:
  TMeasureMap(const TMeasureCalibration& calibration, double width, double height);

  bool LensOn() const { return lensOn_; }
  bool PlaneOn() const { return planeOn_; }
  // The plane is on but its points make no homography (after the lens
  // correction, three of them in a line or a crossed quadrilateral), or the
  // picture has no size: nothing can be measured.
  bool Failed() const { return !failure_.empty(); }
  const std::string& Failure() const { return failure_; }

  // The lens-corrected position of a position shown on the picture, both in
  // picture fractions (y downwards); the same position without a lens.
  TPictureCoord Corrected(const TPictureCoord& shown) const;
  // The plane position, in metres along the plane's axes, of a position
  // shown on the picture (plane on and not failed).
  TWorldPoint ToPlane(const TPictureCoord& shown) const;

  // The standard uncertainties along the two coordinates of Corrected (in
  // fractions) or, with the plane on, of ToPlane (in metres), of a position
  // shown with a standard uncertainty of `pixels` in every direction: the
  // lengths of the rows of the map's local Jacobian times `pixels`.
  TWorldPoint Uncertainty(const TPictureCoord& shown, double pixels) const;

  // Where the plane point `plane` (metres) is shown on the picture, in
  // picture fractions (plane on and not failed): through the homography's
  // inverse, then the lens as it bends the picture.  Not finite for a plane
  // point the camera cannot see (beyond the horizon).
  TPictureCoord Shown(const TWorldPoint& plane) const;
  // Where a position of the lens-corrected picture is shown (fractions);
  // the same position without a lens.  The inverse of Corrected.
  TPictureCoord Uncorrected(const TPictureCoord& corrected) const;

 private:
  TWorldPoint Measured(const TPictureCoord& shown) const;

  double width_, height_;
  bool lensOn_, planeOn_;
  TLensModel lens_;
  THomography homography_;
  std::string failure_;
};

// The lens correction as the view's warp: the view then shows the corrected
// picture.
class TLensWarp : public IPictureWarp {
 public:
  explicit TLensWarp(TMeasureMap map) : map_(std::move(map)) {}
  TPictureCoord Corrected(const TPictureCoord& shown) const override {
    return map_.Corrected(shown);
  }
  TPictureCoord Uncorrected(const TPictureCoord& corrected) const override {
    return map_.Uncorrected(corrected);
  }

 private:
  TMeasureMap map_;
};

// The plane's grid as it is seen on the picture: lines of constant x and of
// constant y every tenth of the calibrated size, over the calibrated
// rectangle and around it, as polylines in picture fractions cut where they
// leave the picture.  Empty when the plane is off or fails.
struct TGridLine {
  std::vector<TPictureCoord> points;
  bool axis = false;  // x = 0 or y = 0
  bool edge = false;  // x = W or y = H
};
std::vector<TGridLine> PlaneGridLines(const TMeasureMap& map, const TPlaneSetting& plane);

}  // namespace kinevo
