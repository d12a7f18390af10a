#include "gui/graph/graph_widget.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

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

bool TGraph::EnsureScene() {
  const bool newBackground = EnsureBackground();
  if (!newBackground && overlayOnly_ && sceneGeneration_ == model_.ElementsGeneration() &&
      scene_.size() == background_.size())
    return false;
  if (scene_.size() != background_.size()) scene_ = QPixmap(background_.size());
  scene_.setDevicePixelRatio(background_.devicePixelRatio());
  QPainter p(&scene_);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawPixmap(0, 0, background_);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  SetGraphRenderHints(p);
  QPainterCanvas canvas(p);
  canvas.UseStamps(&stamps_);
  model_.PaintElementLayer(canvas);
  sceneGeneration_ = model_.ElementsGeneration();
  ++elementRenders_;
  return true;
}

void TGraph::paintEvent(QPaintEvent*) {
  EnsureScene();
  overlayOnly_ = false;
  QPainter p(this);
  p.drawPixmap(0, 0, scene_);
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
