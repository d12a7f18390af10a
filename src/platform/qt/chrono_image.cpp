#include "platform/qt/chrono_image.h"

#include <algorithm>

#include "core/common/atomic_file.h"
#include "platform/qt/qpainter_canvas.h"

namespace kinevo {

namespace {

QSize SizeOf(const TChronophotograph& chrono) {
  return {std::max(1, chrono.width), std::max(1, chrono.height)};
}

}  // namespace

void RenderChronophotograph(const TChronoDrawing& drawing, QPainter& painter, double fontDpi) {
  SetGraphRenderHints(painter);
  QPainterCanvas canvas(painter, fontDpi);
  PaintChronophotograph(canvas, drawing.picture, drawing.chrono, drawing.graphUtils);
}

void PaintOverlayOnPicture(Image& picture, const TChronophotograph& overlay,
                           const TGraphUtils& graphUtils) {
  // Over the picture's own pixels (a view of const pixels would be copied).
  QImage view(picture.Data(), picture.Width(), picture.Height(),
              static_cast<qsizetype>(picture.Stride()), QImage::Format_RGB888);
  QPainter p(&view);
  SetGraphRenderHints(p);
  QPainterCanvas canvas(p);
  PaintChronoOverlay(canvas, overlay, graphUtils);
}

QImage ChronophotographImage(const TChronoDrawing& drawing) {
  QImage img(SizeOf(drawing.chrono), QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  RenderChronophotograph(drawing, p);
  p.end();
  return img;
}

TResult<QByteArray> ChronophotographFileBytes(const TChronoDrawing& drawing, TGraphFileKind kind) {
  return PictureFileBytes(
      SizeOf(drawing.chrono), kind,
      [&drawing](QPainter& p, double fontDpi) { RenderChronophotograph(drawing, p, fontDpi); },
      "La chronophotographie n'a pas pu être dessinée.");
}

TStatus WriteChronophotographFile(const TChronoDrawing& drawing, const QString& path,
                                  TGraphFileKind kind) {
  const TResult<QByteArray> bytes = ChronophotographFileBytes(drawing, kind);
  if (!bytes) return bytes.error();
  return WriteFileAtomically(
      path.toStdString(),
      std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())));
}

}  // namespace kinevo
