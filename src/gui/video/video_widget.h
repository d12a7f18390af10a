#pragma once
// The window that hosts the video view's logic (core TVideo): it forwards
// mouse, wheel and keys, shows the two scroll bars and the loupe, and copies
// the composed back buffer to the screen in one piece.  While no video is
// open it shows the title picture.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "core/video/video.h"

class QScrollBar;
class QSvgRenderer;

namespace kinevo::gui {

class VideoWidget;

// The magnifier, a child window of the view.
class LoupeWidget : public QWidget {
  Q_OBJECT
 public:
  LoupeWidget(TVideo& video, VideoWidget* view);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  TVideo& video_;
  VideoWidget* view_;
};

class VideoWidget : public QWidget, public IViewHost {
  Q_OBJECT
 public:
  // Becomes the view's host; the view must outlive it.
  explicit VideoWidget(TVideo& video, QWidget* parent = nullptr);
  ~VideoWidget() override;

  TVideo& Video() { return video_; }
  QScrollBar* VerticalBar() const { return vbar_; }
  QScrollBar* HorizontalBar() const { return hbar_; }
  LoupeWidget* Loupe() const { return loupe_; }

  // The picture shown while no video is open (default ":/title.svg").
  void SetTitleFile(const QString& path);
  // Maps the view's cursor names ("Zoom", "Pan", "Marque" ...) to cursors;
  // the main window installs its named cursors here.
  std::function<QCursor(const std::string&)> CursorForName;

  // Brings the scroll bars, the loupe and the window's visibility in line
  // with the view's state, then repaints.
  void SyncFromView();

  // IViewHost
  void Invalidate(bool now) override;
  void PostRepaint() override;
  void Post(std::function<void()> work) override;
  void ShowCursor(const std::string& name) override;
  TPixel CursorPos() const override;
  void SetCursorPos(TPixel p) override;
  void ProcessMessages() override;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void SyncBars();
  void PaintTitle(QPainter& p);
  TVideo& video_;
  QScrollBar* vbar_;
  QScrollBar* hbar_;
  LoupeWidget* loupe_;
  QSvgRenderer* title_;
  bool syncing_ = false;
  // Wheel angle not yet turned into notches (touchpads send small steps).
  int wheelRest_ = 0;
};

TShiftState ShiftOf(Qt::KeyboardModifiers m);

}  // namespace kinevo::gui
