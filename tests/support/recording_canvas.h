#pragma once
// A canvas that draws nothing and logs every call, so tests can check what
// was drawn, where, and with which pen, brush and font.
#include <string>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/image.h"

namespace kinevo::test {

struct DrawCall {
  std::string op;  // "line", "polyline", "polygon", "rectangle", "fillrect",
                   // "ellipse", "focusrect", "pixel", "text", "stretch", "clip", "clearclip"
  std::vector<TPixel> points;  // line: two points; shapes: two corners; polyline/polygon: all
  std::string text;
  TPen pen;
  TBrush brush;
  TFont font;
  TColor color = 0;  // for "pixel"
  bool opaque = false;
  TRasterOp rop = TRasterOp::ropSrcCopy;
  int imageWidth = 0, imageHeight = 0;  // for "stretch"
};

class RecordingCanvas : public Canvas {
 public:
  // Text is measured as `charWidth` pixels per byte and `lineHeight` high.
  explicit RecordingCanvas(int charWidth = 7, int lineHeight = 16)
      : charWidth_(charWidth), lineHeight_(lineHeight) {}

  std::vector<DrawCall> calls;

  void SetPen(const TPen& pen) override { pen_ = pen; }
  const TPen& Pen() const override { return pen_; }
  void SetBrush(const TBrush& brush) override { brush_ = brush; }
  const TBrush& Brush() const override { return brush_; }
  void SetFont(const TFont& font) override { font_ = font; }
  const TFont& Font() const override { return font_; }

  TTextSize TextExtent(const std::string& text) override;
  void TextOut(int x, int y, const std::string& text, bool opaque) override;
  void MoveTo(int x, int y) override { pos_ = {x, y}; }
  void LineTo(int x, int y) override;
  void Polyline(const std::vector<TPixel>& points) override;
  void Polygon(const std::vector<TPixel>& points) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void FillRect(const TPixelRect& r) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void FocusRect(const TPixelRect& r) override;
  void SetPixel(int x, int y, TColor c) override;
  void StretchDraw(const TPixelRect& dest, const Image& src, TRasterOp op) override;
  void SetClip(const TPixelRect& r) override;
  void ClearClip() override;

  // Calls of one kind, in order.
  std::vector<DrawCall> Of(const std::string& op) const;
  void Clear() { calls.clear(); }

 private:
  DrawCall Make(const std::string& op) const;
  int charWidth_, lineHeight_;
  TPen pen_;
  TBrush brush_;
  TFont font_;
  TPixel pos_;
};

}  // namespace kinevo::test
