#pragma once
// The box of a curve model on its graph (the model's bubble): its equation,
// each parameter with its standard uncertainty and unit, and the
// root-mean-square deviation, where the student looks.  The graph draws it
// over its elements, so that the screen, printed pages and exported pictures
// show the same; the user moves it with the mouse and hides it on demand.
#include <string>
#include <vector>

#include "core/common/canvas.h"
#include "core/graph/world_range.h"

namespace kinevo {

class TModelBox {
 public:
  static constexpr TColor kBackground = RGBColor(255, 255, 240);
  static constexpr int kPadding = 5;

  bool shown = true;

  // Draws the lines (the first in bold) in a framed box, at the place the
  // user gave it or at the plot's top-left corner, kept inside the control.
  // Nothing without lines.
  void Draw(Canvas& canvas, const TFont& font, const std::vector<std::string>& lines,
            int controlWidth, int controlHeight, const TPlotRect& plot);
  // Where it was drawn last (nothing drawn: an empty rectangle).
  const TPixelRect& Rect() const { return rect_; }
  bool Contains(TPixel p) const;
  // The box is forgotten until drawn again (no model any more).
  void Forget() { rect_ = {}; }

  // A drag that moves the box: pressed in it, moved, released.
  void BeginMove(TPixel p);
  void MoveTo(TPixel p);
  void EndMove() { moving_ = false; }
  bool Moving() const { return moving_; }
  // Back to the default place.
  void ResetPlace() { placed_ = false; }

 private:
  bool placed_ = false;
  TPixel at_;  // top-left corner chosen by the user
  TPixelRect rect_;
  bool moving_ = false;
  TPixel grab_;  // the mouse's offset from the corner during a move
};

}  // namespace kinevo
