#pragma once
// The drawing surface over QPainter: screen, QImage, PDF, SVG and printer.
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <optional>
#include <string>
#include <unordered_map>

#include "core/common/canvas.h"

namespace kinevo {

// The pictures of the shapes a canvas stamps (DrawStamp), kept by a window
// from one paint to the next, for one pixel density.
class QPainterStamps {
 public:
  int Count() const { return static_cast<int>(images_.size()); }

 private:
  friend class QPainterCanvas;
  std::unordered_map<uint64_t, QImage> images_;
  std::unordered_map<std::string, int> widths_;  // of texts, by face and text
  qreal ratio_ = 0;
};

class QPainterCanvas : public Canvas {
 public:
  // Draws with an active painter owned by the caller.  With `fontDpi`, the
  // point sizes of fonts are those of a screen of that many dots per inch
  // whatever the device: a drawing made in screen pixels and scaled onto a
  // printer keeps its texts in proportion.
  explicit QPainterCanvas(QPainter& painter, double fontDpi = 0.0);

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
  void DrawStamp(uint64_t key, const TPixelRect& box, TPixel at,
                 const std::function<void(Canvas&, TPixel)>& draw) override;
  // Stamps shapes from these pictures (none: every shape is drawn in
  // place, as on vector devices).
  void UseStamps(QPainterStamps* stamps) { stamps_ = stamps; }

  static QColor ToQColor(TColor c);
  static TColor FromQColor(const QColor& c);
  // Wraps the pixels of an Image (no copy; valid while the Image lives).
  static QImage ImageView(const Image& img);

 private:
  void ApplyPenMode();
  QRect ShapeBox(int left, int top, int right, int bottom) const;
  const QPolygon& ToPolygon(const std::vector<TPixel>& points);
  QPainter& p_;
  double fontDpi_;
  TPen pen_;
  TBrush brush_;
  TFont font_;
  QPoint pos_;
  QPainterStamps* stamps_ = nullptr;
  QPolygon poly_;
  std::optional<QFontMetrics> metrics_;  // of the painter's font
};

}  // namespace kinevo
