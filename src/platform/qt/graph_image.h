#pragma once
// The graph drawn away from the screen: as an SVG document, a raster
// picture, a PDF page or a recorded QPicture.  The results window's
// exports, its printing and kinevo-cli draw through here; it needs Qt's
// painting (QtGui, QtSvg) and no widgets.
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "core/common/result.h"
#include "core/graph/graph_model.h"

namespace kinevo {

enum TGraphFileKind { gfSvg, gfPng, gfBmp, gfPdf };

// The kind of a picture file the commands write, by its name's ending
// (".svg", ".png", ".pdf"); nothing for another.
std::optional<TGraphFileKind> GraphFileKindOf(const std::string& path);

// The smoothing every drawing of a graph uses, on screen and off.
void SetGraphRenderHints(QPainter& painter);
// Draws the whole graph with `painter`.  With `fontDpi`, the texts keep the
// size they have on a screen of that many dots per inch (see
// QPainterCanvas).
void RenderGraph(TGraphModel& model, QPainter& painter, double fontDpi = 0.0);

// What a graph looks like on paper and in image files: the vector view's
// arrow scale drawn in, and optionally the plot, its margins and axes white.
// The model is given back as it was when the object goes.
class TGraphOutputLook {
 public:
  TGraphOutputLook(TGraphModel& model, bool scaleBar, bool whiteBackground);
  ~TGraphOutputLook();
  TGraphOutputLook(const TGraphOutputLook&) = delete;
  TGraphOutputLook& operator=(const TGraphOutputLook&) = delete;

 private:
  TGraphModel& model_;
  TColor begin_, end_, axe_;
  bool scaleBar_;
};

// Each draws the whole graph at the model's size (Width() x Height()).
QByteArray GraphSvg(TGraphModel& model);
// `pixelRatio` > 1 gives a finer picture of the same size in pixels (its
// device-independent size), for paper.
QImage GraphImage(TGraphModel& model, double pixelRatio = 1.0);
QPicture GraphPicture(TGraphModel& model);
// Draws a picture with an active painter; with `fontDpi` as RenderGraph.
using TPictureDrawing = std::function<void(QPainter& painter, double fontDpi)>;
// The whole file of a kind for a picture of `size` pixels, drawn in memory
// (PNG and BMP over white); `failure` is the reason when it cannot be.
TResult<QByteArray> PictureFileBytes(QSize size, TGraphFileKind kind, const TPictureDrawing& draw,
                                     const std::string& failure);
// The whole file of a kind, drawn in memory.
TResult<QByteArray> GraphFileBytes(TGraphModel& model, TGraphFileKind kind);
// Writes that file at `path`, replacing an earlier one only once it is whole.
TStatus WriteGraphFile(TGraphModel& model, const QString& path, TGraphFileKind kind);

}  // namespace kinevo
