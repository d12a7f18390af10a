#pragma once
// A position on the picture as fractions of its width and height, from the
// top-left corner, y downwards.  Every mark, origin, scale point and layer
// position is stored in this form.
namespace kinevo {

struct TPictureCoord {
  double x = 0.0;
  double y = 0.0;
  friend bool operator==(const TPictureCoord&, const TPictureCoord&) = default;
};

// A pixel position on the view or on the picture.
struct TPixel {
  int x = 0;
  int y = 0;
  friend bool operator==(const TPixel&, const TPixel&) = default;
};

struct TPixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

}  // namespace kinevo
