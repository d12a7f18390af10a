#pragma once
// Where windows go on the screens present now: the main window and every
// secondary window (results, formulas, calculator, keyboard, capture
// settings) keep their title bar on a screen, and remember their place.
#include <QMargins>
#include <QRect>
#include <string>

class QWidget;

namespace kinevo {
class ISettingsStore;
}

namespace kinevo::gui {

// The frame rectangle (title bar and borders included) moved, and shrunk
// when it is larger, so that it lies inside `available` (a screen's area
// without its panels).
QRect FitFrameInside(const QRect& frame, const QRect& available);

// The frame of a first start: nine tenths of the available area, centred.
QRect FirstStartFrame(const QRect& available);

// The size `wanted` for `window`, shrunk so that its frame fits on the
// available area of its screen (a 1280 x 720 screen with a panel leaves
// less than 700 pixels of height).
QSize SizeWithinScreen(const QWidget& window, const QSize& wanted);

// The client geometry (what QWidget::setGeometry takes) of a frame, given
// the window's frame margins.
inline QRect ClientOf(const QRect& frame, const QMargins& margins) {
  return frame.marginsRemoved(margins);
}

// The margins the window manager puts around `window`: its own once it is
// framed; before that (a window placed before it is first shown) a usual
// title bar and border, so that the title bar is not placed off the screen.
QMargins FrameMarginsOf(const QWidget& window);

// Gives a top-level window the frame `frame`: the inside sized to the frame
// less the margins, the frame's corner where Qt puts a window's position.
void PlaceFrame(QWidget& window, const QRect& frame);

// The frame corner to remember for `window`: its position, or that of its
// normal geometry while it is maximised.
QPoint FramePositionOf(const QWidget& window);

// Keeps the place of a secondary window in the settings, under `key`: the
// saved place is taken at its first showing (inside the screen where it
// was, or the screen of `over`), else it opens centred over `over` and
// inside the screen; its place is saved whenever it is hidden.  The keeper
// lives as long as the window.
void KeepPlacement(QWidget& window, const std::string& key, ISettingsStore* store,
                   const QWidget* over = nullptr);

}  // namespace kinevo::gui
