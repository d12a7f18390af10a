#pragma once
// Where the main window goes on the screens present now.
#include <QMargins>
#include <QRect>

namespace kinevo::gui {

// The frame rectangle (title bar and borders included) moved, and shrunk
// when it is larger, so that it lies inside `available` (a screen's area
// without its panels).
QRect FitFrameInside(const QRect& frame, const QRect& available);

// The frame of a first start: nine tenths of the available area, centred.
QRect FirstStartFrame(const QRect& available);

// The client geometry (what QWidget::setGeometry takes) of a frame, given
// the window's frame margins.
inline QRect ClientOf(const QRect& frame, const QMargins& margins) {
  return frame.marginsRemoved(margins);
}

}  // namespace kinevo::gui
