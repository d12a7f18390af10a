#include "gui/print/page_view.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kinevo::gui {

namespace {

constexpr int kBorder = 12;  // view pixels of grey around the sheet

}  // namespace

TPageView::TPageView(double screenPixelsPerInch, QWidget* parent)
    : QWidget(parent), ppi_(screenPixelsPerInch > 0 ? screenPixelsPerInch : 96.0) {
  setMouseTracking(true);
  Resize();
}

// ---------------------------------------------------------------- sheet

int32_t TPageView::SheetWidth() const {
  const QSizeF mm = paper_.size(QPageSize::Millimeter);
  return static_cast<int32_t>(std::lround(100 * (landscape_ ? mm.height() : mm.width())));
}

int32_t TPageView::SheetHeight() const {
  const QSizeF mm = paper_.size(QPageSize::Millimeter);
  return static_cast<int32_t>(std::lround(100 * (landscape_ ? mm.width() : mm.height())));
}

void TPageView::SetPaper(const QPageSize& paper) {
  paper_ = paper;
  Resize();
}

void TPageView::SetLandscape(bool landscape) {
  landscape_ = landscape;
  Resize();
}

void TPageView::SetZoom(int percent) {
  zoom_ = std::clamp(percent, 20, 100);
  Resize();
}

double TPageView::ViewPixelsPerUnit() const { return zoom_ / 100.0 * ppi_ / kPageUnitsPerInch; }

QPointF TPageView::SheetOrigin() const { return {kBorder, kBorder}; }

void TPageView::Resize() {
  const double k = ViewPixelsPerUnit();
  setFixedSize(static_cast<int>(std::ceil(SheetWidth() * k)) + 2 * kBorder,
               static_cast<int>(std::ceil(SheetHeight() * k)) + 2 * kBorder);
  update();
}

QPointF TPageView::ToView(TPagePoint p) const {
  const double k = ViewPixelsPerUnit();
  return SheetOrigin() + QPointF(p.x * k, p.y * k);
}

TPagePoint TPageView::ToPage(QPointF v) const {
  const double k = ViewPixelsPerUnit();
  const QPointF d = (v - SheetOrigin()) / k;
  return {static_cast<int32_t>(std::lround(d.x())), static_cast<int32_t>(std::lround(d.y()))};
}

// ---------------------------------------------------------------- captions

void TPageView::SetCaption(const QString& text, const QString& family, int height) {
  caption_ = text;
  family_ = family;
  captionHeight_ = std::max(1, height);
  update();
}

void TPageView::SetHeaderVisible(bool visible) {
  headerVisible_ = visible;
  update();
}

QFont TPageView::CaptionFont() const {
  QFont f(family_);
  f.setPixelSize(captionHeight_);
  return f;
}

// One line of the caption's text plus two pixels, in page units.
int32_t TPageView::CaptionHeight() const {
  const double pixels = QFontMetricsF(CaptionFont()).height() + 2;
  return static_cast<int32_t>(std::lround(pixels * kPageUnitsPerInch / ppi_));
}

int32_t TPageView::HeaderHeight() const { return headerVisible_ ? CaptionHeight() : 0; }

int32_t TPageView::FooterHeight() const { return footerVisible_ ? CaptionHeight() : 0; }

void TPageView::SetFooterVisible(bool visible) {
  footerVisible_ = visible;
  update();
}

// ---------------------------------------------------------------- drawing

void TPageView::DrawPicture(TPagePoint at, double scale) {
  items_.push_back({false, at, scale, {}});
}

void TPageView::DrawOutline(const TPageRect& r) { items_.push_back({true, {}, 1.0, r}); }

void TPageView::PaintPage(QPainter& p, bool vectors) const {
  p.save();
  const double unitsPerPixel = kPageUnitsPerInch / ppi_;
  QFont font = CaptionFont();
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(captionHeight_ * unitsPerPixel))));
  p.setFont(font);
  p.setPen(Qt::black);
  const int left = margins_.left, right = SheetWidth() - margins_.right;
  if (headerVisible_ && !caption_.isEmpty())
    p.drawText(QRect(left, margins_.top, right - left, HeaderHeight()), Qt::AlignCenter, caption_);
  if (footerVisible_ && !caption_.isEmpty())
    p.drawText(
        QRect(left, SheetHeight() - margins_.bottom - FooterHeight(), right - left, FooterHeight()),
        Qt::AlignCenter, caption_);
  const QSizeF pixels = picture_.deviceIndependentSize();
  for (const TItem& item : items_) {
    if (item.outline) {
      QPen pen(Qt::black, 0, Qt::DotLine);
      pen.setCosmetic(true);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRect(QPoint(item.rect.left, item.rect.top),
                       QPoint(item.rect.right - 1, item.rect.bottom - 1)));
    } else if (vectors && vector_) {
      p.save();
      p.translate(item.at.x, item.at.y);
      p.scale(item.scale * unitsPerPixel, item.scale * unitsPerPixel);
      p.setClipRect(QRectF(QPointF(0, 0), pixels));
      vector_(p, ppi_);
      p.restore();
    } else if (!picture_.isNull()) {
      p.drawImage(QRectF(item.at.x, item.at.y, pixels.width() * item.scale * unitsPerPixel,
                         pixels.height() * item.scale * unitsPerPixel),
                  picture_);
    }
  }
  p.restore();
}

bool TPageView::Print(QPagedPaintDevice& device) const {
  QPainter p;
  if (!p.begin(&device)) return false;
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.scale(device.logicalDpiX() / double(kPageUnitsPerInch),
          device.logicalDpiY() / double(kPageUnitsPerInch));
  PaintPage(p, true);
  return p.end();
}

void TPageView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(0x80, 0x80, 0x80));
  const double k = ViewPixelsPerUnit();
  const QRectF sheet(SheetOrigin(), QSizeF(SheetWidth() * k, SheetHeight() * k));
  p.fillRect(sheet.translated(3, 3), QColor(0x40, 0x40, 0x40));
  p.fillRect(sheet, Qt::white);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.translate(SheetOrigin());
  p.scale(k, k);
  PaintPage(p);
}

// ---------------------------------------------------------------- mouse

void TPageView::SetPageCursor(TPageCursor cursor) {
  switch (cursor) {
    case pcMove:
      setCursor(Qt::SizeAllCursor);
      break;
    case pcSizeNWSE:
      setCursor(Qt::SizeFDiagCursor);
      break;
    case pcSizeNESW:
      setCursor(Qt::SizeBDiagCursor);
      break;
    case pcSizeNS:
      setCursor(Qt::SizeVerCursor);
      break;
    case pcSizeWE:
      setCursor(Qt::SizeHorCursor);
      break;
    default:
      unsetCursor();
      break;
  }
}

void TPageView::mouseMoveEvent(QMouseEvent* e) {
  if (MouseMoved) MouseMoved(ToPage(e->position()));
}

void TPageView::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && MousePressed) MousePressed(ToPage(e->position()));
}

void TPageView::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && MouseReleased) MouseReleased(ToPage(e->position()));
}

}  // namespace kinevo::gui
