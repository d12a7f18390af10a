#pragma once
// The graph drawn away from the screen: as an SVG document, a raster
// picture, a PDF page or a recorded QPicture.  The
// results window's exports, its printing and kinevo-cli draw through here.
#include <QByteArray>
#include <QImage>
#include <QPicture>
#include <QString>

#include "core/common/result.h"
#include "core/graph/graph_model.h"

namespace kinevo {

enum TGraphFileKind { gfSvg, gfPng, gfBmp, gfPdf };

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
// The whole file of a kind, drawn in memory.
TResult<QByteArray> GraphFileBytes(TGraphModel& model, TGraphFileKind kind);
// Writes that file at `path`, replacing an earlier one only once it is whole.
TStatus WriteGraphFile(TGraphModel& model, const QString& path, TGraphFileKind kind);

}  // namespace kinevo
