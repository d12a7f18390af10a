#pragma once
// The page preview of the print dialog: one sheet of paper drawn at a zoom,
// with its header and footer captions and what the page layout draws on it
// (the graph picture, dotted outlines).  The same drawing goes to the
// printer.  Mouse events are handed on in page units (hundredths of a
// millimetre from the sheet's top-left corner).
#include <QFont>
#include <QImage>
#include <QPageSize>
#include <QWidget>
#include <functional>
#include <vector>

#include "core/print/page_layout.h"

class QPagedPaintDevice;
class QPainter;

namespace kinevo::gui {

class TPageView : public QWidget, public IPagePreview {
  Q_OBJECT
 public:
  // `screenPixelsPerInch` turns picture pixels and caption heights into
  // page units.
  explicit TPageView(double screenPixelsPerInch, QWidget* parent = nullptr);

  // The picture the layout places (its device-independent size is the
  // picture's size in pixels).
  void SetPicture(const QImage& picture) { picture_ = picture; }
  const QImage& Picture() const { return picture_; }
  // Draws the same picture as vectors, in its pixels, with the texts at the
  // size they have on a screen of `fontDpi`: the printed page gets it
  // instead of the raster picture (sharp lines, texts that can be selected
  // in a PDF).  Unset, the raster picture is printed.
  using TVectorDrawing = std::function<void(QPainter& painter, double fontDpi)>;
  void SetVectorDrawing(TVectorDrawing drawing) { vector_ = std::move(drawing); }

  void SetPaper(const QPageSize& paper);
  const QPageSize& Paper() const { return paper_; }
  // Zoom in percent of the sheet's real size on the screen, 20 to 100.
  void SetZoom(int percent);
  int Zoom() const { return zoom_; }

  // A caption centred in the header and the footer, in a font `height`
  // screen pixels high.
  void SetCaption(const QString& text, const QString& family, int height);
  QString Caption() const { return caption_; }
  void SetHeaderVisible(bool visible);

  // Draws the page as shown (without the preview's surroundings) on a
  // painter whose unit is the page unit; `vectors`: the picture by its
  // vector drawing when there is one.
  void PaintPage(QPainter& p, bool vectors = false) const;
  // Prints the page on a printer or PDF writer set to the same paper and
  // orientation.  False when nothing could be drawn.
  bool Print(QPagedPaintDevice& device) const;
  // The view pixel of a page point, and back.
  QPointF ToView(TPagePoint p) const;
  TPagePoint ToPage(QPointF viewPoint) const;

  // The mouse on the sheet, in page units (left button only for the press).
  std::function<void(TPagePoint)> MouseMoved, MousePressed, MouseReleased;

  // IPagePreview
  int32_t SheetWidth() const override;
  int32_t SheetHeight() const override;
  bool Landscape() const override { return landscape_; }
  void SetLandscape(bool landscape) override;
  TPageMargins Margins() const override { return margins_; }
  int32_t HeaderHeight() const override;
  int32_t FooterHeight() const override;
  bool FooterVisible() const override { return footerVisible_; }
  void SetFooterVisible(bool visible) override;
  void ClearPage() override { items_.clear(); }
  void DrawPicture(TPagePoint at, double scale) override;
  void DrawOutline(const TPageRect& r) override;
  void RefreshPreview() override { update(); }
  void SetPageCursor(TPageCursor cursor) override;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  struct TItem {
    bool outline;
    TPagePoint at;
    double scale;
    TPageRect rect;
  };
  double ViewPixelsPerUnit() const;
  QPointF SheetOrigin() const;
  void Resize();
  int32_t CaptionHeight() const;
  QFont CaptionFont() const;

  double ppi_;
  QPageSize paper_{QPageSize::A4};
  bool landscape_ = false;
  TPageMargins margins_;
  int zoom_ = 30;
  QString caption_, family_ = QStringLiteral("Arial");
  int captionHeight_ = 30;
  bool headerVisible_ = true, footerVisible_ = false;
  QImage picture_;
  TVectorDrawing vector_;
  std::vector<TItem> items_;
};

}  // namespace kinevo::gui
