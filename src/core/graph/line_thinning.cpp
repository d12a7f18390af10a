#include "core/graph/line_thinning.h"

#include <algorithm>
#include <cmath>

namespace kinevo {
namespace {

double Cross(TWorldPoint a, TWorldPoint b) { return a.x * b.y - a.y * b.x; }

}  // namespace

void TLineThinner::Restart(TWorldPoint anchor) {
  anchor_ = anchor;
  cone_ = false;
  reach_ = 0;
}

void TLineThinner::Add(TWorldPoint p, std::vector<TWorldPoint>& out) {
  if (!started_) {
    started_ = true;
    pending_ = false;
    out.push_back(p);
    Restart(p);
    return;
  }
  TWorldPoint d{p.x - anchor_.x, p.y - anchor_.y};
  double r = std::hypot(d.x, d.y);
  // Within the cone, and not turning back along it (a dropped point must
  // lie beside the kept segment, not beyond its end).
  const bool inside = !cone_ || r <= tolerance_ || (Cross(right_, d) >= 0 && Cross(d, left_) >= 0);
  if (!inside || r < reach_ - tolerance_) {
    out.push_back(last_);
    Restart(last_);
    d = {p.x - anchor_.x, p.y - anchor_.y};
    r = std::hypot(d.x, d.y);
  }
  if (r > tolerance_) {
    // The directions from the anchor that pass within the tolerance of p.
    const double s = tolerance_ / r, c = std::sqrt(1 - s * s);
    const TWorldPoint left{d.x * c - d.y * s, d.x * s + d.y * c};
    const TWorldPoint right{d.x * c + d.y * s, d.y * c - d.x * s};
    if (!cone_) {
      left_ = left;
      right_ = right;
      cone_ = true;
    } else {
      if (Cross(right_, right) > 0) right_ = right;
      if (Cross(left, left_) > 0) left_ = left;
    }
  }
  reach_ = std::max(reach_, r);
  last_ = p;
  pending_ = true;
}

void TLineThinner::End(std::vector<TWorldPoint>& out) {
  if (started_ && pending_) out.push_back(last_);
  started_ = false;
  pending_ = false;
}

}  // namespace kinevo
