#include "support/fake_view.h"

#include <algorithm>
#include <cmath>

namespace kinevo::test {

void FakeView::GoToImage(int index) {
  if (index < 0 || index >= images_) return;
  current = index;
  visited.push_back(index);
}

void FakeView::AdvanceImages(int n) {
  int target;
  if (displayed.empty()) {
    target = current + n;
    if (target >= images_) target = images_ - 1;
  } else {
    auto it = std::find(displayed.begin(), displayed.end(), current);
    if (it == displayed.end()) return;
    long pos = (it - displayed.begin()) + n;
    if (pos < 0) return;
    if (pos >= static_cast<long>(displayed.size())) pos = static_cast<long>(displayed.size()) - 1;
    target = displayed[static_cast<std::size_t>(pos)];
  }
  if (target < 0 || target == current) return;
  GoToImage(target);
}

TPictureCoord FakeView::ScreenToPicture(double x, double y) const {
  double fx = x / viewWidth_, fy = y / viewHeight_;
  return {std::clamp(fx, 0.0, 1.0), std::clamp(fy, 0.0, 1.0)};
}

TPixel FakeView::PictureToScreen(const TPictureCoord& p) const {
  return {static_cast<int>(std::nearbyint(p.x * viewWidth_)),
          static_cast<int>(std::nearbyint(p.y * viewHeight_))};
}

}  // namespace kinevo::test
