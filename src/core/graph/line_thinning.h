#pragma once
// The points of a long line that drawing cannot show: a model computed at
// 10,000 images falls on a few hundred pixels, and a painter strokes every
// segment it is given.  The thinner keeps a point only where the line
// through the kept ones would otherwise stray more than `tolerance` from a
// dropped one (the "sleeve" method: one pass, a cone of the directions
// still allowed from the last kept point).
#include <vector>

#include "core/common/math_utils.h"

namespace kinevo {

class TLineThinner {
 public:
  explicit TLineThinner(double tolerance) : tolerance_(tolerance) {}

  // The next point of the line; the points kept so far go to `out`.
  void Add(TWorldPoint p, std::vector<TWorldPoint>& out);
  // The line ends (its last point is kept); the next Add starts another.
  void End(std::vector<TWorldPoint>& out);

 private:
  void Restart(TWorldPoint anchor);

  double tolerance_;
  bool started_ = false;
  bool pending_ = false;  // last_ is not yet in `out`
  bool cone_ = false;     // the allowed directions are set
  TWorldPoint anchor_{}, last_{};
  TWorldPoint left_{}, right_{};  // the cone's bounds, as directions
  double reach_ = 0;              // the farthest point from the anchor so far
};

}  // namespace kinevo
