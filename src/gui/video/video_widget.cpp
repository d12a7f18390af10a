#include "gui/video/video_widget.h"

#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSvgRenderer>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "gui/video/key_codes.h"
#include "platform/qt/qpainter_canvas.h"

namespace kinevo::gui {

namespace {

TMouseButton ButtonOf(Qt::MouseButton b) {
  switch (b) {
    case Qt::RightButton:
      return mbRight;
    case Qt::MiddleButton:
      return mbMiddle;
    default:
      return mbLeft;
  }
}

QCursor DefaultCursorFor(const std::string& name) {
  if (name.empty()) return QCursor(Qt::ArrowCursor);
  if (name == "Pan") return QCursor(Qt::OpenHandCursor);
  if (name == "SizeAll") return QCursor(Qt::SizeAllCursor);
  return QCursor(Qt::CrossCursor);
}

// A QImage over the pixels of an Image, writable: painting on it draws into
// the Image itself.
QImage WritableView(Image& img) {
  return QImage(img.Data(), img.Width(), img.Height(), static_cast<qsizetype>(img.Stride()),
                QImage::Format_RGB888);
}

}  // namespace

TShiftState ShiftOf(Qt::KeyboardModifiers m) {
  return {m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::ControlModifier),
          m.testFlag(Qt::AltModifier)};
}

// ------------------------------------------------------------------ loupe

LoupeWidget::LoupeWidget(TVideo& video, VideoWidget* view)
    : QWidget(view), video_(video), view_(view) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  hide();
}

void LoupeWidget::paintEvent(QPaintEvent*) {
  TLoupe& l = video_.Loupe();
  if (!l.Visible || width() <= 0 || height() <= 0) return;
  QImage img(width(), height(), QImage::Format_RGB888);
  {
    QPainter p(&img);
    QPainterCanvas canvas(p);
    l.Paint(canvas, video_.BackBuffer());
  }
  QPainter p(this);
  p.drawImage(0, 0, img);
}

void LoupeWidget::mousePressEvent(QMouseEvent* e) {
  TLoupe& l = video_.Loupe();
  const QPoint g = e->globalPosition().toPoint();
  if (l.MouseDown(ButtonOf(e->button()), e->position().toPoint().x(), e->position().toPoint().y(),
                  {g.x(), g.y()}))
    update();
}

void LoupeWidget::mouseMoveEvent(QMouseEvent* e) {
  TLoupe& l = video_.Loupe();
  const QPoint local = e->position().toPoint();
  const QPoint g = e->globalPosition().toPoint();
  if (l.Moving) {
    if (l.MouseMove({g.x(), g.y()}, video_.ViewWidth(), video_.ViewHeight())) {
      const TPixelRect& b = l.Bounds();
      setGeometry(b.left, b.top, b.Width(), b.Height());
    }
    return;
  }
  const std::string name = l.CursorName(local.x(), local.y());
  setCursor(view_->CursorForName ? view_->CursorForName(name) : DefaultCursorFor(name));
}

void LoupeWidget::mouseReleaseEvent(QMouseEvent*) { video_.Loupe().MouseUp(); }

// ------------------------------------------------------------------ view

VideoWidget::VideoWidget(TVideo& video, QWidget* parent)
    : QWidget(parent),
      video_(video),
      vbar_(new QScrollBar(Qt::Vertical, this)),
      hbar_(new QScrollBar(Qt::Horizontal, this)),
      title_(new QSvgRenderer(this)) {
  // Everything is painted from the back buffer: no background erase, so the
  // picture never flickers.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  title_->load(QStringLiteral(":/title.svg"));
  vbar_->hide();
  hbar_->hide();
  loupe_ = new LoupeWidget(video, this);

  for (QScrollBar* bar : {vbar_, hbar_}) {
    bar->setSingleStep(1);
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
      if (syncing_) return;
      video_.ScrollTo(bar == vbar_, value);
      SyncBars();
      update();
    });
    // The page step also sizes the handle, so it stays the visible length;
    // a click in the trough moves by the view's large change instead.
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar](int action) {
      if (action != QAbstractSlider::SliderPageStepAdd &&
          action != QAbstractSlider::SliderPageStepSub)
        return;
      const TScrollBarState& s = bar == vbar_ ? video_.VertBar() : video_.HorzBar();
      const int step =
          action == QAbstractSlider::SliderPageStepAdd ? s.LargeChange : -s.LargeChange;
      bar->setSliderPosition(std::clamp(bar->value() + step, bar->minimum(), bar->maximum()));
    });
  }

  video_.SetHost(this);
}

VideoWidget::~VideoWidget() {
  // No playback thread may post to this window any more.
  video_.StopPlay();
  if (video_.Host() == this) video_.SetHost(nullptr);
}

void VideoWidget::Invalidate(bool now) {
  SyncFromView();
  if (now) repaint();
}

void VideoWidget::PostRepaint() {
  QMetaObject::invokeMethod(
      this, [this] { update(); }, Qt::QueuedConnection);
}

void VideoWidget::Post(std::function<void()> work) {
  // Queued on this window: dropped with it.
  QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void VideoWidget::ShowCursor(const std::string& name) {
  setCursor(CursorForName ? CursorForName(name) : DefaultCursorFor(name));
}

TPixel VideoWidget::CursorPos() const {
  const QPoint p = mapFromGlobal(QCursor::pos());
  return TPixel{p.x(), p.y()};
}

void VideoWidget::SetCursorPos(TPixel p) { QCursor::setPos(mapToGlobal(QPoint(p.x, p.y))); }

void VideoWidget::ProcessMessages() { QCoreApplication::processEvents(); }

void VideoWidget::SetTitleFile(const QString& path) {
  title_->load(path);
  update();
}

void VideoWidget::SyncBars() {
  syncing_ = true;
  const int t = TVideo::kScrollBarThickness;
  auto apply = [](QScrollBar* bar, const TScrollBarState& s) {
    bar->setVisible(s.Visible);
    if (!s.Visible) return;
    bar->setRange(0, std::max(s.ImgSize - s.Page, 0));
    bar->setPageStep(std::max(s.Page, 1));
    bar->setSingleStep(s.SmallChange);
    bar->setValue(s.ImgPos);
  };
  apply(vbar_, video_.VertBar());
  apply(hbar_, video_.HorzBar());
  vbar_->setGeometry(width() - t, 0, t, video_.ViewHeight());
  hbar_->setGeometry(0, height() - t, video_.ViewWidth(), t);
  syncing_ = false;
}

void VideoWidget::SyncFromView() {
  SyncBars();
  TLoupe& l = video_.Loupe();
  if (l.Visible) {
    const TPixelRect& b = l.Bounds();
    loupe_->setGeometry(b.left, b.top, b.Width(), b.Height());
  }
  loupe_->setVisible(l.Visible && video_.IsOpen());
  update();
}

void VideoWidget::PaintTitle(QPainter& p) {
  p.fillRect(rect(), Qt::black);
  const int w = video_.TitleWidth() > 0 ? video_.TitleWidth() : width();
  const int h = video_.TitleHeight() > 0 ? video_.TitleHeight() : height();
  if (title_->isValid()) title_->render(&p, QRectF(0, 0, w, h));
}

void VideoWidget::paintEvent(QPaintEvent*) {
  if (width() <= 0 || height() <= 0) return;
  if (!video_.IsOpen()) {
    QPainter p(this);
    PaintTitle(p);
    return;
  }
  if (!video_.ComposePicture()) {
    // The picture is being decoded on another thread (a tracking run reads
    // the next image): the next try shows it.
    if (video_.Source().Drawing()) QTimer::singleShot(5, this, [this] { update(); });
    return;
  }
  Image& buffer = video_.MutableBackBuffer();
  {
    QImage view = WritableView(buffer);
    QPainter p(&view);
    QPainterCanvas canvas(p);
    video_.PaintOverlays(canvas);
  }
  QPainter p(this);
  p.drawImage(0, 0, WritableView(buffer));
  if (video_.VertBar().Visible && video_.HorzBar().Visible) {
    const int t = TVideo::kScrollBarThickness;
    p.fillRect(width() - t, height() - t, t, t, QPainterCanvas::ToQColor(colors::BtnFace));
  }
  p.end();
  if (loupe_->isVisible()) loupe_->update();
}

void VideoWidget::resizeEvent(QResizeEvent*) {
  video_.Resize(width(), height());
  SyncFromView();
}

void VideoWidget::mousePressEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  video_.MouseDown(ButtonOf(e->button()), ShiftOf(e->modifiers()), p.x(), p.y());
  SyncFromView();
}

void VideoWidget::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  video_.MouseMove(ShiftOf(e->modifiers()), p.x(), p.y());
  if (loupe_->isVisible()) loupe_->update();
}

void VideoWidget::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  video_.MouseUp(ButtonOf(e->button()), ShiftOf(e->modifiers()), p.x(), p.y());
  SyncFromView();
}

void VideoWidget::wheelEvent(QWheelEvent* e) {
  // One notch is 120 eighths of a degree; smaller steps add up to one.
  wheelRest_ += e->angleDelta().y();
  for (; wheelRest_ <= -120; wheelRest_ += 120) video_.ScrollWheelDown();
  for (; wheelRest_ >= 120; wheelRest_ -= 120) video_.ScrollWheelUp();
  SyncBars();
  e->accept();
}

void VideoWidget::keyPressEvent(QKeyEvent* e) {
  int key = CoreKeyCode(*e);
  if (key == 0) return QWidget::keyPressEvent(e);
  video_.KeyDown(key, ShiftOf(e->modifiers()));
  if (key == 0)
    e->accept();
  else
    QWidget::keyPressEvent(e);
}

}  // namespace kinevo::gui
