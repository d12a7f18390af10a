#pragma once
// The drawing surface over QPainter: screen, QImage, PDF, SVG and printer.
#include <QPainter>

#include "core/common/canvas.h"

class QImage;

namespace kinevo {

class QPainterCanvas : public Canvas {
 public:
  // Draws with an active painter owned by the caller.
  explicit QPainterCanvas(QPainter& painter);

  void SetPen(const TPen& pen) override;
  const TPen& Pen() const override { return pen_; }
  void SetBrush(const TBrush& brush) override;
  const TBrush& Brush() const override { return brush_; }
  void SetFont(const TFont& font) override;
  const TFont& Font() const override { return font_; }

  TTextSize TextExtent(const std::string& text) override;
  void TextOut(int x, int y, const std::string& text, bool opaque) override;
  void MoveTo(int x, int y) override { pos_ = QPoint(x, y); }
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

  static QColor ToQColor(TColor c);
  static TColor FromQColor(const QColor& c);
  // Wraps the pixels of an Image (no copy; valid while the Image lives).
  static QImage ImageView(const Image& img);

 private:
  void ApplyPenMode();
  QRect ShapeBox(int left, int top, int right, int bottom) const;
  QPainter& p_;
  TPen pen_;
  TBrush brush_;
  TFont font_;
  QPoint pos_;
};

}  // namespace kinevo
