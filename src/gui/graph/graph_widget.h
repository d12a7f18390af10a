#pragma once
// TGraph: the chart control of the results window, a Qt widget over the
// core graph model.  It keeps three pictures at the screen's pixel density:
// the background (plot gradient, video picture, axes), the elements drawn
// anti-aliased on a transparent layer, and the scene, the layer over the
// background.  A repaint after a mouse move that only moves the cross-hair,
// the bubble or a rubber rectangle copies the scene and draws that overlay.
// A step of a pan moves the layer by whole pixels and draws the elements
// only in the strips it uncovers.  The overlay curves (a model's curve) are
// drawn over the scene at every paint, so that moving one redraws nothing
// else; any other change draws the elements all again.
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <string>

#include "core/graph/graph_model.h"
#include "platform/qt/qpainter_canvas.h"

namespace kinevo {

class TModeleurPanel;

class TGraph : public QWidget {
  Q_OBJECT
 public:
  explicit TGraph(const TGraphUtils& utils, QWidget* parent = nullptr);

  TGraphModel& Model() { return model_; }
  const TGraphModel& Model() const { return model_; }

  // The cursor of a tool's cursor name (empty: the arrow).  Unset, the
  // standard cursors stand in.
  std::function<QCursor(const std::string&)> CursorForName;

  // The graph as a picture of the widget's size (for tests and copies).
  QImage Grab();

  // Background renders since creation (the cache is rebuilt only when the
  // window, the size or the colours change).
  int BackgroundRenders() const { return backgroundRenders_; }
  // Renders of the elements since creation.
  int ElementRenders() const { return elementRenders_; }

  // The modeller panel over the graph, and its refresh after the model or
  // the tool changed.
  TModeleurPanel* Modeller() const { return modeller_; }
  void SyncModeller();

  // Replaces the overlay curves and repaints: the elements' layer is kept
  // when nothing else changed.
  void SetOverlayCurves(std::vector<TOverlayCurve> curves);

 signals:
  // A double click on a data point: the results row it comes from.
  void PointDoubleClicked(int row);
  // The mouse over the plot, in world units (the cross-hair's reading).
  void MouseWorld(double x, double y);
  // The window changed through zoom or pan.
  void WorldChanged();
  // The widget's size changed (the model already has the new size).
  void Resized();
  // A right click or Space: the context menu is wanted at `globalPos`.
  void ContextMenuWanted(QPoint globalPos);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  // Each true when it drew its picture again.
  bool EnsureBackground();
  bool EnsureScene();
  void DrawElementLayer();
  bool FollowShift();
  void RefreshCursor();

  TGraphModel model_;
  TConnections links_;
  QPixmap background_;
  uint64_t backgroundGeneration_ = ~uint64_t{0};
  int backgroundRenders_ = 0;
  QPixmap scene_;
  QImage layer_;  // the elements, transparent elsewhere
  uint64_t layerGeneration_ = ~uint64_t{0};
  TPlotRect layerPlot_;
  QPainterStamps stamps_;  // the marker symbols of the curves
  uint64_t sceneGeneration_ = ~uint64_t{0};
  int elementRenders_ = 0;
  // Set by a mouse move or new overlay curves that changed only the
  // overlay, cleared by every
  // paint: a repaint asked for by anyone else draws the elements again,
  // even when their change did not go through the model.
  bool overlayOnly_ = false;
  // Set by a mouse move that only panned: the layer may follow the shifts
  // of the pan steps since it was drawn, added up.
  bool shiftOnly_ = false;
  TGraphModel::TElementShift shift_;
  TModeleurPanel* modeller_ = nullptr;
};

}  // namespace kinevo
