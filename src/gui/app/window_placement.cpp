#include "gui/app/window_placement.h"

#include <algorithm>

namespace kinevo::gui {

QRect FitFrameInside(const QRect& frame, const QRect& available) {
  if (!available.isValid()) return frame;
  const int w = std::min(frame.width(), available.width());
  const int h = std::min(frame.height(), available.height());
  const int x = std::clamp(frame.x(), available.left(), available.right() + 1 - w);
  const int y = std::clamp(frame.y(), available.top(), available.bottom() + 1 - h);
  return {x, y, w, h};
}

QRect FirstStartFrame(const QRect& available) {
  const QSize size = available.size() * 0.9;
  QRect frame({0, 0}, size);
  frame.moveCenter(available.center());
  return frame;
}

}  // namespace kinevo::gui
