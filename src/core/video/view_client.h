#pragma once
// How the video view hands mouse, keys and painting to the subsystem that the
// current mode names (the marking data in Grid and Layer marking, the
// tracking controller in tracking mode), without knowing either of them.  The
// owner of the view wires an adapter over each subsystem.
#include <string>

#include "core/common/canvas.h"

namespace kinevo {

enum TMouseButton : unsigned char { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

struct TShiftState {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

// Key codes the view reacts to (the platform's virtual-key numbers).
enum TKeyCode : int {
  vkReturn = 13,
  vkEscape = 27,
  vkPrior = 33,  // Page Up
  vkNext = 34,   // Page Down
  vkEnd = 35,
  vkHome = 36,
  vkLeft = 37,
  vkUp = 38,
  vkRight = 39,
  vkDown = 40,
};

class IViewClient {
 public:
  virtual ~IViewClient() = default;
  // View pixels (x, y).
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y) = 0;
  virtual void MouseMove(TShiftState shift, int x, int y) = 0;
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y) = 0;
  // A key pressed over the view; a client that uses the key sets it to 0.
  virtual void KeyDown(int& key, TShiftState shift) = 0;
  // Draws the overlays over the picture.
  virtual void Paint(Canvas& canvas) = 0;
  // Name of the cursor for the client's current tool ("" = the arrow).
  virtual std::string CursorName() const = 0;
  // The screen transform changed: cached view positions must be recomputed.
  virtual void RecomputeViewPositions() = 0;
};

}  // namespace kinevo
