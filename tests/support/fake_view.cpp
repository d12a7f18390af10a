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

// The real view's mapping, at zoom 100 over the whole picture.
TPictureCoord FakeView::ScreenToPicture(double x, double y) const {
  return TViewMapping{double(viewWidth_), double(viewHeight_)}.ToPicture(x, y);
}

TPixel FakeView::PictureToScreen(const TPictureCoord& p) const {
  return TViewMapping{double(viewWidth_), double(viewHeight_)}.ToView(p);
}

}  // namespace kinevo::test
