#include "gui/common/window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "core/common/settings_store.h"

namespace kinevo::gui {

QRect FitFrameInside(const QRect& frame, const QRect& available) {
  if (!available.isValid()) return frame;
  const int w = std::min(frame.width(), available.width());
  const int h = std::min(frame.height(), available.height());
  const int x = std::clamp(frame.x(), available.left(), available.right() + 1 - w);
  const int y = std::clamp(frame.y(), available.top(), available.bottom() + 1 - h);
  return {x, y, w, h};
}

QRect FirstStartFrame(const QRect& available) {
  const QSize size = available.size() * 0.9;
  QRect frame({0, 0}, size);
  frame.moveCenter(available.center());
  return frame;
}

QMargins FrameMarginsOf(const QWidget& window) {
  const QRect f = window.frameGeometry(), g = window.geometry();
  const QMargins own(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(),
                     f.bottom() - g.bottom());
  if (!own.isNull()) return own;
  // Not framed yet (or never, offscreen): a common desktop's title bar.
  return {4, 32, 4, 4};
}

QSize SizeWithinScreen(const QWidget& window, const QSize& wanted) {
  const QScreen* screen =
      window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return wanted;
  const QMargins m = FrameMarginsOf(window);
  return wanted.boundedTo(screen->availableGeometry().size().shrunkBy(m));
}

void PlaceFrame(QWidget& window, const QRect& frame) {
  const QMargins m = FrameMarginsOf(window);
  window.resize(frame.size().shrunkBy(m));
  // A window's position is that of its frame: the window manager puts the
  // title bar there, whatever its height.
  window.move(frame.topLeft());
}

QPoint FramePositionOf(const QWidget& window) {
  if (!window.isMaximized() || !window.normalGeometry().isValid()) return window.pos();
  const QMargins m = FrameMarginsOf(window);
  return window.normalGeometry().topLeft() - QPoint(m.left(), m.top());
}

namespace {

const QScreen* ScreenFor(const QPoint& at, const QWidget* over, const QWidget& window) {
  if (const QScreen* s = QGuiApplication::screenAt(at)) return s;
  if (over != nullptr && over->screen() != nullptr) return over->screen();
  if (window.screen() != nullptr) return window.screen();
  return QGuiApplication::primaryScreen();
}

class PlacementKeeper : public QObject {
 public:
  PlacementKeeper(QWidget& window, std::string key, ISettingsStore* store, const QWidget* over)
      : QObject(&window), window_(window), key_(std::move(key)), store_(store), over_(over) {
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &window_) {
      if (event->type() == QEvent::Show && !placed_) Place();
      if (event->type() == QEvent::Hide && placed_) Save();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void Place() {
    placed_ = true;
    const QMargins m = FrameMarginsOf(window_);
    QRect frame({0, 0}, window_.size().grownBy(m));
    bool saved = false;
    if (store_ != nullptr) {
      store_->Read([&](const IKeyReader& ini) {
        if (!ini.ValueExists("Windows", key_ + "Width")) return;
        saved = true;
        frame = QRect(
            ini.ReadInteger("Windows", key_ + "Left", 0),
            ini.ReadInteger("Windows", key_ + "Top", 0),
            ini.ReadInteger("Windows", key_ + "Width", window_.width()) + m.left() + m.right(),
            ini.ReadInteger("Windows", key_ + "Height", window_.height()) + m.top() + m.bottom());
      });
    }
    if (!saved && over_ != nullptr) frame.moveCenter(over_->frameGeometry().center());
    const QScreen* screen = ScreenFor(frame.center(), over_, window_);
    if (!saved && over_ == nullptr && screen != nullptr)
      frame.moveCenter(screen->availableGeometry().center());
    PlaceFrame(window_, screen ? FitFrameInside(frame, screen->availableGeometry()) : frame);
  }

  void Save() {
    if (store_ == nullptr) return;
    const QPoint at = FramePositionOf(window_);
    const QSize size = window_.isMaximized() && window_.normalGeometry().isValid()
                           ? window_.normalGeometry().size()
                           : window_.size();
    // Kept for the next opening only, as the window goes: nothing to tell.
    (void)store_->Update([&](IKeyWriter& ini) {
      ini.WriteInteger("Windows", key_ + "Left", at.x());
      ini.WriteInteger("Windows", key_ + "Top", at.y());
      ini.WriteInteger("Windows", key_ + "Width", size.width());
      ini.WriteInteger("Windows", key_ + "Height", size.height());
    });
  }

  QWidget& window_;
  std::string key_;
  ISettingsStore* store_;
  const QWidget* over_;
  bool placed_ = false;
};

}  // namespace

void KeepPlacement(QWidget& window, const std::string& key, ISettingsStore* store,
                   const QWidget* over) {
  new PlacementKeeper(window, key, store, over);
}

}  // namespace kinevo::gui
