#pragma once
// Drawing surface used by every part of the program that draws: the video
// view, marks, frames, graphs, print pages.  Implemented over QPainter in the
// Qt adapter; tests use a recording canvas that logs every call so drawing
// rules (positions, colours, sizes) can be asserted exactly.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/common/colour.h"
#include "core/common/picture_coord.h"

namespace kinevo {

class Image;

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum class TBrushStyle { bsSolid, bsClear };
// Pen modes of the drawing surface: copy, or the inverse of the screen
// (used for rubber bands drawn twice to erase them).
enum class TPenMode { pmCopy, pmNot, pmXor };

struct TPen {
  TColor color = colors::Black;
  int width = 1;
  TPenStyle style = TPenStyle::psSolid;
  TPenMode mode = TPenMode::pmCopy;
  friend bool operator==(const TPen&, const TPen&) = default;
};

struct TBrush {
  TColor color = colors::White;
  TBrushStyle style = TBrushStyle::bsSolid;
  friend bool operator==(const TBrush&, const TBrush&) = default;
};

struct TFont {
  std::string name = "Arial";
  int size = 10;  // points
  bool bold = false;
  bool italic = false;
  int angle = 0;  // tenths of a degree, counter-clockwise
  TColor color = colors::Black;
  friend bool operator==(const TFont&, const TFont&) = default;
};

struct TTextSize {
  int cx = 0;
  int cy = 0;
};

// How StretchDraw copies pixels: a plain copy, or the inverted picture.
enum class TRasterOp { ropSrcCopy, ropNotSrcCopy };

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual void SetPen(const TPen& pen) = 0;
  virtual const TPen& Pen() const = 0;
  virtual void SetBrush(const TBrush& brush) = 0;
  virtual const TBrush& Brush() const = 0;
  virtual void SetFont(const TFont& font) = 0;
  virtual const TFont& Font() const = 0;

  virtual TTextSize TextExtent(const std::string& text) = 0;
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }
  // Draws text with its top-left corner at (x, y); a transparent background
  // unless the brush is solid and `opaque` is set.
  virtual void TextOut(int x, int y, const std::string& text, bool opaque = false) = 0;

  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  void Line(int x1, int y1, int x2, int y2) {
    MoveTo(x1, y1);
    LineTo(x2, y2);
  }
  virtual void Polyline(const std::vector<TPixel>& points) = 0;
  virtual void Polygon(const std::vector<TPixel>& points) = 0;
  // Rectangles and ellipses take the bounding box, right and bottom excluded.
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
  virtual void FillRect(const TPixelRect& r) = 0;  // with the brush, no outline
  virtual void Ellipse(int left, int top, int right, int bottom) = 0;
  virtual void FocusRect(const TPixelRect& r) = 0;
  virtual void SetPixel(int x, int y, TColor c) = 0;

  // Copies `src` stretched into `dest` (nearest neighbour).
  virtual void StretchDraw(const TPixelRect& dest, const Image& src,
                           TRasterOp op = TRasterOp::ropSrcCopy) = 0;

  // Restricts drawing to `r` until ClearClip.
  virtual void SetClip(const TPixelRect& r) = 0;
  virtual void ClearClip() = 0;

  // A small shape that looks the same wherever it goes (a marker symbol):
  // `draw` paints it in copy mode with its reference point at the pixel it
  // is given, within `box` around that point.  `key` names the shape with
  // its colours and size.  A canvas on a screen picture may keep the shape
  // as a picture and copy it to every place, since dense curves draw
  // thousands; by default it is drawn in place.
  virtual void DrawStamp(uint64_t key, const TPixelRect& box, TPixel at,
                         const std::function<void(Canvas&, TPixel)>& draw) {
    (void)key;
    (void)box;
    draw(*this, at);
  }
};

}  // namespace kinevo
