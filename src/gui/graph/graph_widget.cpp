#include "gui/graph/graph_widget.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <cstdlib>
#include <cstring>

#include "gui/graph/modeller_panel.h"
#include "platform/qt/graph_image.h"
#include "platform/qt/qpainter_canvas.h"

namespace kinevo {
namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers m) {
  TShiftState s;
  s.shift = m & Qt::ShiftModifier;
  s.ctrl = m & Qt::ControlModifier;
  s.alt = m & Qt::AltModifier;
  return s;
}

TMouseButton ButtonOf(Qt::MouseButton b) {
  return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}

int KeyOf(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Left:
      return vkLeft;
    case Qt::Key_Right:
      return vkRight;
    case Qt::Key_Up:
      return vkUp;
    case Qt::Key_Down:
      return vkDown;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
    case Qt::Key_A:
      return 65;
    default:
      return 0;
  }
}

}  // namespace

TGraph::TGraph(const TGraphUtils& utils, QWidget* parent) : QWidget(parent), model_(utils) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(160, 120);
  modeller_ = new TModeleurPanel(model_, this);
  connect(modeller_, &TModeleurPanel::ModelChanged, this, [this] { update(); });
  links_ += model_.OnWorldChanged.Connect([this] { emit WorldChanged(); });
  links_ += model_.OnObjectClick.Connect([this](TMouseButton b, TGObjectType) {
    if (b == mbRight) emit ContextMenuWanted(QCursor::pos());
  });
}

QImage TGraph::Grab() { return grab().toImage(); }

bool TGraph::EnsureBackground() {
  const qreal ratio = devicePixelRatioF();
  model_.SetPixelRatio(ratio);
  const QSize device = size() * ratio;
  if (backgroundGeneration_ == model_.BackgroundGeneration() && background_.size() == device)
    return false;
  // Kept from one drawing to the next (a pan draws it at every step): the
  // background covers it whole.
  if (background_.size() != device) background_ = QPixmap(device);
  background_.setDevicePixelRatio(ratio);
  QPainter p(&background_);
  SetGraphRenderHints(p);
  QPainterCanvas canvas(p);
  model_.PaintBackground(canvas);
  backgroundGeneration_ = model_.BackgroundGeneration();
  ++backgroundRenders_;
  return true;
}

namespace {

// Moves the pixels of `r` by (dx, dy) within it; those uncovered become
// transparent.
void ScrollWithin(QImage& img, const QRect& r, int dx, int dy) {
  const int width = r.width() - std::abs(dx);
  const std::size_t pixel = sizeof(QRgb);
  auto span = [&](int y, int x) { return img.scanLine(y) + static_cast<std::size_t>(x) * pixel; };
  auto clear = [&](int y, int x, int n) {
    if (n > 0) std::memset(span(y, x), 0, static_cast<std::size_t>(n) * pixel);
  };
  // Rows are taken in the order that reads each before it is written over.
  const int first = dy > 0 ? r.bottom() : r.top(), step = dy > 0 ? -1 : 1;
  for (int i = 0, y = first; i < r.height(); ++i, y += step) {
    const int from = y - dy;
    if (from < r.top() || from > r.bottom()) {
      clear(y, r.left(), r.width());
      continue;
    }
    std::memmove(span(y, r.left() + std::max(dx, 0)), span(from, r.left() + std::max(-dx, 0)),
                 static_cast<std::size_t>(width) * pixel);
    if (dx > 0) clear(y, r.left(), dx);
    if (dx < 0) clear(y, r.right() + 1 + dx, -dx);
  }
}

}  // namespace

bool TGraph::FollowShift() {
  // Only whole device pixels can be moved, and only when the layer holds
  // the drawing the shift starts from.
  const TGraphModel::TElementShift& shift = shift_;
  const TPlotRect& plot = model_.Plot();
  const qreal ratio = layer_.devicePixelRatio();
  const int k = static_cast<int>(ratio);
  if (!shiftOnly_ || k != ratio || layerGeneration_ != shift.from ||
      shift.to != model_.ElementsGeneration() || !(layerPlot_ == plot) ||
      std::abs(shift.dx) >= plot.width || std::abs(shift.dy) >= plot.height)
    return false;
  const QRect device(plot.left * k, plot.top * k, plot.width * k, plot.height * k);
  ScrollWithin(layer_, device, shift.dx * k, shift.dy * k);
  QPainter p(&layer_);
  SetGraphRenderHints(p);
  QPainterCanvas canvas(p);
  canvas.UseStamps(&stamps_);
  const TPixelRect all = plot.Rect();
  if (shift.dx > 0)
    model_.PaintElementLayer(canvas, {all.left, all.top, all.left + shift.dx, all.bottom});
  if (shift.dx < 0)
    model_.PaintElementLayer(canvas, {all.right + shift.dx, all.top, all.right, all.bottom});
  if (shift.dy > 0)
    model_.PaintElementLayer(canvas, {all.left, all.top, all.right, all.top + shift.dy});
  if (shift.dy < 0)
    model_.PaintElementLayer(canvas, {all.left, all.bottom + shift.dy, all.right, all.bottom});
  return true;
}

void TGraph::DrawElementLayer() {
  if (layer_.size() != background_.size()) {
    layer_ = QImage(background_.size(), QImage::Format_ARGB32_Premultiplied);
    layerGeneration_ = ~uint64_t{0};
  }
  layer_.setDevicePixelRatio(background_.devicePixelRatio());
  if (!FollowShift()) {
    layer_.fill(Qt::transparent);
    QPainter p(&layer_);
    SetGraphRenderHints(p);
    QPainterCanvas canvas(p);
    canvas.UseStamps(&stamps_);
    model_.PaintElementLayer(canvas);
  }
  layerGeneration_ = model_.ElementsGeneration();
  layerPlot_ = model_.Plot();
  shift_ = {layerGeneration_, layerGeneration_, 0, 0};
  ++elementRenders_;
}

bool TGraph::EnsureScene() {
  const bool newBackground = EnsureBackground();
  if (!newBackground && overlayOnly_ && sceneGeneration_ == model_.ElementsGeneration() &&
      scene_.size() == background_.size())
    return false;
  DrawElementLayer();
  if (scene_.size() != background_.size()) scene_ = QPixmap(background_.size());
  scene_.setDevicePixelRatio(background_.devicePixelRatio());
  QPainter p(&scene_);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawPixmap(0, 0, background_);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.drawImage(0, 0, layer_);
  sceneGeneration_ = model_.ElementsGeneration();
  return true;
}

void TGraph::paintEvent(QPaintEvent*) {
  EnsureScene();
  overlayOnly_ = false;
  shiftOnly_ = false;
  QPainter p(this);
  p.drawPixmap(0, 0, scene_);
  SetGraphRenderHints(p);
  QPainterCanvas curves(p);
  model_.PaintOverlayCurves(curves);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  QPainterCanvas canvas(p);
  model_.PaintOverlay(canvas);
}

void TGraph::resizeEvent(QResizeEvent* e) {
  model_.SetSize(width(), height());
  QWidget::resizeEvent(e);
  emit Resized();
}

void TGraph::SetOverlayCurves(std::vector<TOverlayCurve> curves) {
  model_.SetOverlayCurves(std::move(curves));
  overlayOnly_ = true;
  update();
}

void TGraph::SyncModeller() {
  modeller_->Sync();
  update();
}

void TGraph::RefreshCursor() {
  const std::string name = model_.CursorName();
  if (name.empty())
    unsetCursor();
  else if (CursorForName)
    setCursor(CursorForName(name));
  else
    setCursor(name == "Pan"         ? Qt::OpenHandCursor
              : name == "Reticule"  ? Qt::CrossCursor
              : name == "Detection" ? Qt::PointingHandCursor
              : name == "SizeAll"   ? Qt::SizeAllCursor
              : name == "SizeWE"    ? Qt::SizeHorCursor
              : name == "SizeNS"    ? Qt::SizeVerCursor
                                    : Qt::CrossCursor);
}

void TGraph::mousePressEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  model_.MouseDown(ButtonOf(e->button()), ShiftOf(e->modifiers()), p.x(), p.y());
  modeller_->Sync();
  update();
}

void TGraph::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  const uint64_t elements = model_.ElementsGeneration();
  model_.MouseMove(ShiftOf(e->modifiers()), p.x(), p.y());
  modeller_->Sync();
  overlayOnly_ = elements == model_.ElementsGeneration();
  const TGraphModel::TElementShift& step = model_.LastShift();
  shiftOnly_ = step.to == model_.ElementsGeneration();
  if (shiftOnly_ && shift_.to == step.from)
    shift_ = {shift_.from, step.to, shift_.dx + step.dx, shift_.dy + step.dy};
  else if (shiftOnly_)
    shift_ = step;
  if (model_.MouseInPlot()) {
    const TWorldPoint w = model_.ToWorld(p.x(), p.y());
    emit MouseWorld(w.x, w.y);
  }
  if (model_.HintText().empty())
    QToolTip::hideText();
  else
    QToolTip::showText(mapToGlobal(QPoint(model_.HintPosition().x, model_.HintPosition().y)),
                       QString::fromStdString(model_.HintText()), this);
  RefreshCursor();
  update();
}

void TGraph::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  model_.MouseUp(ButtonOf(e->button()), ShiftOf(e->modifiers()), p.x(), p.y());
  modeller_->Sync();
  update();
}

void TGraph::mouseDoubleClickEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  if (model_.IsTool(gtSpline)) {
    // The double click ends a free curve.
    model_.DoubleClick(p.x(), p.y());
    update();
    return;
  }
  if (const TGPoint* pt = model_.PointAt({p.x(), p.y()}); pt && pt->row >= 0)
    emit PointDoubleClicked(pt->row);
}

void TGraph::keyPressEvent(QKeyEvent* e) {
  TPixel move;
  if (!model_.KeyDown(KeyOf(e->key()), ShiftOf(e->modifiers()), move)) {
    QWidget::keyPressEvent(e);
    return;
  }
  if (move.x != 0 || move.y != 0) QCursor::setPos(QCursor::pos() + QPoint(move.x, move.y));
  update();
}

void TGraph::leaveEvent(QEvent* e) {
  QToolTip::hideText();
  QWidget::leaveEvent(e);
}

}  // namespace kinevo
