#include "platform/qt/qpainter_canvas.h"

#include <QFontMetrics>
#include <QImage>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "core/common/image.h"

namespace kinevo {

QColor QPainterCanvas::ToQColor(TColor c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

TColor QPainterCanvas::FromQColor(const QColor& c) {
  return RGBColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                  static_cast<uint8_t>(c.blue()));
}

QImage QPainterCanvas::ImageView(const Image& img) {
  return QImage(img.Data(), img.Width(), img.Height(), static_cast<qsizetype>(img.Stride()),
                QImage::Format_RGB888);
}

QPainterCanvas::QPainterCanvas(QPainter& painter, double fontDpi) : p_(painter), fontDpi_(fontDpi) {
  SetPen(pen_);
  SetBrush(brush_);
  SetFont(font_);
}

void QPainterCanvas::ApplyPenMode() {
  switch (pen_.mode) {
    case TPenMode::pmCopy:
      p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
      break;
    case TPenMode::pmNot:
      p_.setCompositionMode(QPainter::RasterOp_NotDestination);
      break;
    case TPenMode::pmXor:
      p_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      break;
  }
}

void QPainterCanvas::SetPen(const TPen& pen) {
  pen_ = pen;
  QPen qp(ToQColor(pen.color));
  qp.setWidth(pen.width < 1 ? 1 : pen.width);
  switch (pen.style) {
    case TPenStyle::psSolid:
      qp.setStyle(Qt::SolidLine);
      break;
    case TPenStyle::psDash:
      qp.setStyle(Qt::DashLine);
      break;
    case TPenStyle::psDot:
      qp.setStyle(Qt::DotLine);
      break;
    case TPenStyle::psDashDot:
      qp.setStyle(Qt::DashDotLine);
      break;
    case TPenStyle::psDashDotDot:
      qp.setStyle(Qt::DashDotDotLine);
      break;
    case TPenStyle::psClear:
      qp.setStyle(Qt::NoPen);
      break;
  }
  qp.setCapStyle(Qt::FlatCap);
  qp.setJoinStyle(Qt::MiterJoin);
  p_.setPen(qp);
  ApplyPenMode();
}

void QPainterCanvas::SetBrush(const TBrush& brush) {
  brush_ = brush;
  if (brush.style == TBrushStyle::bsClear)
    p_.setBrush(Qt::NoBrush);
  else
    p_.setBrush(QBrush(ToQColor(brush.color)));
}

void QPainterCanvas::SetFont(const TFont& font) {
  // Labels set the same face before each text: only colour and angle,
  // which are applied when the text is drawn, may differ.
  const bool sameFace = metrics_ && font.name == font_.name && font.size == font_.size &&
                        font.bold == font_.bold && font.italic == font_.italic;
  font_ = font;
  if (sameFace) return;
  QFont f(QString::fromStdString(font.name));
  const int points = font.size > 0 ? font.size : 1;
  const int deviceDpi = p_.device() ? p_.device()->logicalDpiY() : 0;
  if (fontDpi_ > 0 && deviceDpi > 0)
    f.setPointSizeF(points * fontDpi_ / deviceDpi);
  else
    f.setPointSize(points);
  f.setBold(font.bold);
  f.setItalic(font.italic);
  p_.setFont(f);
  metrics_.emplace(p_.font(), p_.device());
}

TTextSize QPainterCanvas::TextExtent(const std::string& text) {
  if (!stamps_)
    return {metrics_->horizontalAdvance(QString::fromStdString(text)), metrics_->height()};
  // A window measures the same labels at every step of a pan: the widths
  // are kept with the stamps, by face, screen density and text.
  std::string key = font_.name;
  key += '\0';
  key += std::to_string(font_.size) + (font_.bold ? "b" : "") + (font_.italic ? "i" : "");
  key += std::to_string(p_.device() ? p_.device()->logicalDpiY() : 0);
  key += '\0';
  key += text;
  auto& widths = stamps_->widths_;
  auto it = widths.find(key);
  if (it == widths.end()) {
    if (widths.size() >= 16384) widths.clear();
    it = widths.emplace(std::move(key), metrics_->horizontalAdvance(QString::fromStdString(text)))
             .first;
  }
  return {it->second, metrics_->height()};
}

void QPainterCanvas::TextOut(int x, int y, const std::string& text, bool opaque) {
  QString s = QString::fromStdString(text);
  const QFontMetrics& fm = *metrics_;
  p_.save();
  p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p_.translate(x, y);
  if (font_.angle != 0) p_.rotate(-font_.angle / 10.0);
  if (opaque && brush_.style == TBrushStyle::bsSolid)
    p_.fillRect(QRect(0, 0, fm.horizontalAdvance(s), fm.height()), ToQColor(brush_.color));
  p_.setPen(ToQColor(font_.color));
  p_.drawText(0, fm.ascent(), s);
  p_.restore();
}

void QPainterCanvas::LineTo(int x, int y) {
  p_.drawLine(pos_, QPoint(x, y));
  pos_ = QPoint(x, y);
}

const QPolygon& QPainterCanvas::ToPolygon(const std::vector<TPixel>& points) {
  // One buffer for the whole paint: a graph draws many long polylines.
  poly_.resize(static_cast<qsizetype>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i)
    poly_[static_cast<qsizetype>(i)] = QPoint(points[i].x, points[i].y);
  return poly_;
}

void QPainterCanvas::Polyline(const std::vector<TPixel>& points) {
  p_.drawPolyline(ToPolygon(points));
}

void QPainterCanvas::Polygon(const std::vector<TPixel>& points) {
  p_.drawPolygon(ToPolygon(points));
}

// The box of a shape: pixels left .. right - 1 and top .. bottom - 1.  An
// aliased outline of QPainter covers width + 1 pixels, a fill without an
// outline exactly width pixels.
QRect QPainterCanvas::ShapeBox(int left, int top, int right, int bottom) const {
  const bool outline = pen_.style != TPenStyle::psClear;
  const int shrink = outline ? 1 : 0;
  return QRect(left, top, std::max(0, right - left - shrink), std::max(0, bottom - top - shrink));
}

void QPainterCanvas::Rectangle(int left, int top, int right, int bottom) {
  p_.drawRect(ShapeBox(left, top, right, bottom));
}

void QPainterCanvas::FillRect(const TPixelRect& r) {
  if (brush_.style == TBrushStyle::bsClear) return;
  p_.fillRect(QRect(r.left, r.top, r.Width(), r.Height()), ToQColor(brush_.color));
}

void QPainterCanvas::Ellipse(int left, int top, int right, int bottom) {
  p_.drawEllipse(ShapeBox(left, top, right, bottom));
}

void QPainterCanvas::FocusRect(const TPixelRect& r) {
  p_.save();
  QPen qp(Qt::black);
  qp.setStyle(Qt::DotLine);
  p_.setPen(qp);
  p_.setBrush(Qt::NoBrush);
  p_.setCompositionMode(QPainter::RasterOp_NotDestination);
  p_.drawRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
  p_.restore();
}

void QPainterCanvas::SetPixel(int x, int y, TColor c) {
  p_.save();
  p_.setPen(ToQColor(c));
  p_.drawPoint(x, y);
  p_.restore();
}

void QPainterCanvas::StretchDraw(const TPixelRect& dest, const Image& src, TRasterOp op) {
  if (src.Empty()) return;
  QImage view = ImageView(src);
  QRect target(dest.left, dest.top, dest.Width(), dest.Height());
  p_.save();
  p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
  if (op == TRasterOp::ropNotSrcCopy) {
    QImage inv = view.copy();
    inv.invertPixels();
    p_.drawImage(target, inv);
  } else {
    p_.drawImage(target, view);
  }
  p_.restore();
}

void QPainterCanvas::SetClip(const TPixelRect& r) {
  p_.setClipRect(QRect(r.left, r.top, r.Width(), r.Height()));
}

void QPainterCanvas::ClearClip() { p_.setClipping(false); }

void QPainterCanvas::DrawStamp(uint64_t key, const TPixelRect& box, TPixel at,
                               const std::function<void(Canvas&, TPixel)>& draw) {
  // A stamp lands on whole device pixels only without a transform and at a
  // whole pixel density; anything else is drawn in place.
  const qreal ratio = p_.device() ? p_.device()->devicePixelRatioF() : 1.0;
  if (!stamps_ || box.Width() <= 0 || box.Height() <= 0 ||
      p_.worldTransform().type() != QTransform::TxNone || ratio != std::round(ratio)) {
    draw(*this, at);
    return;
  }
  if (stamps_->ratio_ != ratio || stamps_->images_.size() >= 1024) {
    stamps_->images_.clear();
    stamps_->ratio_ = ratio;
  }
  auto it = stamps_->images_.find(key);
  if (it == stamps_->images_.end()) {
    QImage img(QSize(box.Width(), box.Height()) * ratio, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(ratio);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHints(p_.renderHints());
    QPainterCanvas shape(p);
    draw(shape, {-box.left, -box.top});
    p.end();
    it = stamps_->images_.emplace(key, std::move(img)).first;
  }
  // Copied one to one onto device pixels, blended as the shape would be.
  const QPainter::CompositionMode mode = p_.compositionMode();
  const bool smooth = p_.testRenderHint(QPainter::SmoothPixmapTransform);
  p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p_.drawImage(QPoint(at.x + box.left, at.y + box.top), it->second);
  p_.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  p_.setCompositionMode(mode);
}

}  // namespace kinevo
