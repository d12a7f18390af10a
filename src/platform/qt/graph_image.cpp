#include "platform/qt/graph_image.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>

#include "core/common/atomic_file.h"
#include "platform/qt/qpainter_canvas.h"

namespace kinevo {

std::optional<TGraphFileKind> GraphFileKindOf(const std::string& path) {
  auto endsWith = [&path](std::string_view suffix) {
    return path.size() >= suffix.size() &&
           path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  if (endsWith(".svg")) return gfSvg;
  if (endsWith(".png")) return gfPng;
  if (endsWith(".pdf")) return gfPdf;
  return std::nullopt;
}

void SetGraphRenderHints(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

void RenderGraph(TGraphModel& model, QPainter& painter, double fontDpi) {
  SetGraphRenderHints(painter);
  QPainterCanvas canvas(painter, fontDpi);
  model.Paint(canvas);
}

TGraphOutputLook::TGraphOutputLook(TGraphModel& model, bool scaleBar, bool whiteBackground)
    : model_(model),
      begin_(model.ColorBegin),
      end_(model.ColorEnd),
      axe_(model.ColorAxe),
      scaleBar_(model.IsDessinerEchelle) {
  model.IsDessinerEchelle = scaleBar_ || scaleBar;
  if (whiteBackground) model.ColorBegin = model.ColorEnd = model.ColorAxe = colors::White;
  // The plot's gradient is kept in a picture: it must be made again.
  model.InvalidateBackground();
}

TGraphOutputLook::~TGraphOutputLook() {
  model_.ColorBegin = begin_;
  model_.ColorEnd = end_;
  model_.ColorAxe = axe_;
  model_.IsDessinerEchelle = scaleBar_;
  model_.InvalidateBackground();
}

namespace {

QSize SizeOf(const TGraphModel& model) {
  return {std::max(1, model.Width()), std::max(1, model.Height())};
}

bool RenderSvg(QSize size, QSvgGenerator& svg, const TPictureDrawing& draw) {
  // The size written in millimetres is read back at 96 dots per inch by
  // browsers and drawing programs: the screen's size.
  svg.setResolution(96);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setTitle(QStringLiteral("Kinevo"));
  QPainter p;
  if (!p.begin(&svg)) return false;
  draw(p, 0.0);
  return p.end();
}

}  // namespace

QByteArray GraphSvg(TGraphModel& model) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  if (!RenderSvg(SizeOf(model), svg, [&model](QPainter& p, double) { RenderGraph(model, p); }))
    return {};
  return buffer.data();
}

QImage GraphImage(TGraphModel& model, double pixelRatio) {
  const double ratio = std::max(1.0, pixelRatio);
  QImage img(SizeOf(model) * ratio, QImage::Format_RGB32);
  img.setDevicePixelRatio(ratio);
  img.fill(Qt::white);
  QPainter p(&img);
  RenderGraph(model, p);
  p.end();
  return img;
}

QPicture GraphPicture(TGraphModel& model) {
  QPicture picture;
  QPainter p(&picture);
  RenderGraph(model, p);
  p.end();
  // The bounding box of what was drawn may be smaller than the graph: the
  // picture keeps the graph's own frame.
  picture.setBoundingRect(QRect(QPoint(0, 0), SizeOf(model)));
  return picture;
}

TResult<QByteArray> PictureFileBytes(QSize size, TGraphFileKind kind, const TPictureDrawing& draw,
                                     const std::string& failure) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  bool drawn = false;
  switch (kind) {
    case gfPng:
    case gfBmp: {
      QImage img(size, QImage::Format_RGB32);
      img.fill(Qt::white);
      QPainter p(&img);
      draw(p, 0.0);
      p.end();
      drawn = img.save(&buffer, kind == gfPng ? "PNG" : "BMP");
      break;
    }
    case gfSvg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      drawn = RenderSvg(size, svg, draw);
      break;
    }
    case gfPdf: {
      QPdfWriter pdf(&buffer);
      pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      pdf.setResolution(72);
      QPainter p;
      drawn = p.begin(&pdf);
      if (drawn) {
        // One point per pixel: the texts keep their size on a 96-dpi screen.
        draw(p, 96.0);
        drawn = p.end();
      }
      break;
    }
  }
  buffer.close();
  if (!drawn || bytes.isEmpty()) return Fail(failure);
  return bytes;
}

TResult<QByteArray> GraphFileBytes(TGraphModel& model, TGraphFileKind kind) {
  return PictureFileBytes(
      SizeOf(model), kind,
      [&model](QPainter& p, double fontDpi) { RenderGraph(model, p, fontDpi); },
      "Le graphe n'a pas pu être dessiné.");
}

TStatus WriteGraphFile(TGraphModel& model, const QString& path, TGraphFileKind kind) {
  // Drawn in memory first: the file is then written like every other, whole
  // or not at all.
  const TResult<QByteArray> bytes = GraphFileBytes(model, kind);
  if (!bytes) return bytes.error();
  return WriteFileAtomically(
      path.toStdString(),
      std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())));
}

}  // namespace kinevo
