#pragma once
// A point of the plane: in picture pixels (continuous, pixel i covering
// [i, i + 1)) or in metres of the plane of motion, as the user of it says.
namespace kinevo {

struct TPlanePoint {
  double x = 0.0;
  double y = 0.0;
  friend bool operator==(const TPlanePoint&, const TPlanePoint&) = default;
};

}  // namespace kinevo
