#pragma once
// The three small companions of the video view: the zoom value with its
// rubber band, the pan drag, and the magnifier (loupe) placed on the view.
#include <cstdint>
#include <string>

#include "core/common/canvas.h"
#include "core/common/image.h"
#include "core/common/picture_coord.h"
#include "core/video/view_client.h"

namespace kinevo {

class TZoom {
 public:
  static constexpr int32_t kMin = 100;
  static constexpr int32_t kMax = 800;

  int32_t Value() const { return value_; }
  // Bounded to [100, 800].
  void SetValue(int32_t v);
  // One step in or out: by 10 with Ctrl, else by the table
  // 100 -> 200 -> 300 -> 400 -> 500 -> 600 -> 800 (and back).
  void ZoomIn(bool ctrl);
  void ZoomOut(bool ctrl);
  // Value x k rounded, cut down to a multiple of 10, bounded.
  void Multiply(double k);

  bool Dragging = false;
  TPixelRect BandRect;  // press point (left, top) and current point (right, bottom)

 private:
  int32_t value_ = 100;
};

struct TPan {
  bool Dragging = false;
  TPixel LastPoint;
};

class TLoupe {
 public:
  static constexpr int32_t kMinFactor = 100;
  static constexpr int32_t kMaxFactor = 600;
  static constexpr int kBorderGrip = 20;  // pixels along the border that move the loupe

  bool Visible = false;
  TPixel Center;  // view pixels of the mouse
  bool Moving = false;
  TPixel MoveAnchor;  // screen point of the last move

  int32_t Factor() const { return factor_; }
  void SetFactor(int32_t f);
  int32_t SourceWidth() const { return sourceWidth_; }
  int32_t SourceHeight() const { return sourceHeight_; }
  // Bounds in view pixels: left, top, right, bottom.
  const TPixelRect& Bounds() const { return bounds_; }
  int Width() const { return bounds_.Width(); }
  int Height() const { return bounds_.Height(); }
  // Sets the bounds, then keeps them inside [0, areaW] x [0, areaH].
  void SetBounds(const TPixelRect& r, int areaW, int areaH);
  // Re-applies the limits of the view's area (after the scroll bars change).
  void KeepInside(int areaW, int areaH) { SetBounds(bounds_, areaW, areaH); }

  // The loupe's own mouse, in its local pixels and in screen pixels.
  // Returns true when something changed that needs a repaint.
  bool MouseDown(TMouseButton button, int x, int y, TPixel screen);
  bool MouseMove(TPixel screen, int areaW, int areaH);
  void MouseUp() { Moving = false; }
  bool NearBorder(int x, int y) const;
  // "SizeAll" near the border, "Zoom" inside.
  std::string CursorName(int x, int y) const { return NearBorder(x, y) ? "SizeAll" : "Zoom"; }

  // Draws the loupe into a canvas of its own size: the part of `backBuffer`
  // around Center, magnified, a cross-hair and a black frame.
  void Paint(Canvas& canvas, const Image& backBuffer) const;

 private:
  void UpdateSource();
  int32_t factor_ = 300;
  int32_t sourceWidth_ = 0;
  int32_t sourceHeight_ = 0;
  TPixelRect bounds_;
};

}  // namespace kinevo
