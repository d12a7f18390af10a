#pragma once
// The chronophotograph drawn away from the screen: a raster picture for
// the preview and the clipboard, and PNG, SVG and PDF files in which the
// marks, numbers, vectors and scales stay vectors over the embedded
// picture.
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QString>

#include "core/chrono/chronophotograph.h"
#include "core/common/image.h"
#include "core/common/palette.h"
#include "core/common/result.h"
#include "platform/qt/graph_image.h"

namespace kinevo {

// Everything a chronophotograph is drawn from.
struct TChronoDrawing {
  const Image& picture;
  const TChronophotograph& chrono;
  const TGraphUtils& graphUtils;
};

// Draws the overlay of an annotated video's image over its picture, in
// place.
void PaintOverlayOnPicture(Image& picture, const TChronophotograph& overlay,
                           const TGraphUtils& graphUtils);

void RenderChronophotograph(const TChronoDrawing& drawing, QPainter& painter, double fontDpi = 0.0);
QImage ChronophotographImage(const TChronoDrawing& drawing);
TResult<QByteArray> ChronophotographFileBytes(const TChronoDrawing& drawing, TGraphFileKind kind);
// Writes that file at `path`, replacing an earlier one only once it is whole.
TStatus WriteChronophotographFile(const TChronoDrawing& drawing, const QString& path,
                                  TGraphFileKind kind);

}  // namespace kinevo
