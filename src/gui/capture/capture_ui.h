#pragma once
// The capture mode in the main window: the capture controller over the two
// back-ends (none on this platform for the first; FFmpeg's cameras and test
// pattern for the second), the live preview that takes the view's place,
// the capture tool bar (device, configure, format, frame rate, compression,
// timer, record), the settings dialog, the one-second timer and the status
// text.  The tool bar is shown in capture mode only.
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "core/app/file_workflow.h"
#include "core/app/session.h"
#include "core/capture/capture.h"
#include "core/common/command_set.h"
#include "gui/capture/capture_dialog.h"
#include "gui/common/mode_commands.h"
#include "platform/capture/ffmpeg_capture.h"

class QAction;
class QMainWindow;
class QToolBar;

namespace kinevo::gui {

// The capture mode's own commands (its tool bar).
#define KINEVO_CAPTURE_COMMANDS(X) \
  X(ButtonCapDevice)               \
  X(ButtonCapConfigurer)           \
  X(ButtonCapFormat)               \
  X(ButtonCapVitesse)              \
  X(ButtonCapCompression)          \
  X(ButtonCapTimer)                \
  X(ButtonCapEnregistrer)
KINEVO_COMMAND_SET(TCaptureCommand, KINEVO_CAPTURE_COMMANDS)

// The camera's latest picture, scaled to the widget with its proportions.
class CapturePreview : public QWidget {
  Q_OBJECT
 public:
  explicit CapturePreview(QWidget* parent = nullptr);
  void Show(std::shared_ptr<const Image> picture);
  const Image* Picture() const { return picture_.get(); }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  std::shared_ptr<const Image> picture_;
};

class CaptureUi : public QObject {
  Q_OBJECT
 public:
  // `view` is the video view the preview replaces inside `centre`; the tool
  // bar goes where `commands` places it.
  CaptureUi(QMainWindow& window, IModeCommands& commands, TSession& session, QWidget& view,
            QWidget& centre, IFileDialogs& files);
  ~CaptureUi() override;

  TCapture& Capture() { return *capture_; }
  capture::TFFmpegCapture& Backend() { return backend_; }
  CapturePreview* Preview() const { return preview_; }
  TBoiteCapture& Dialog() { return *dialog_; }
  QAction* Action(TCaptureCommand id) const;
  // By object name, for tests and scripts; null for no such command.
  QAction* Action(std::string_view name) const;
  QToolBar* ToolBar() const { return toolBar_; }
  // Shows the tool bar in capture mode and updates the record button.
  void Refresh();
  // The settings dialog on one of its pages, modal.  Replaceable by tests.
  std::function<void(TBoiteCapture::Page)> RunDialog;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Timer : public ICaptureTimer {
   public:
    explicit Timer(QTimer& t) : timer_(t) {}
    void SetEnabled(bool on) override {
      if (on)
        timer_.start();
      else
        timer_.stop();
    }
    bool Enabled() const override { return timer_.isActive(); }

   private:
    QTimer& timer_;
  };

  QAction* Add(TCaptureCommand id, const QString& caption, const QString& hint,
               std::function<void()> run);
  void BuildToolBar();
  void Wire();
  void ShowStatus();
  void PreviewReady();
  void DeviceLost();

  QMainWindow& window_;
  IModeCommands& commands_;
  TSession& session_;
  QWidget& view_;
  QWidget& centre_;
  IFileDialogs& files_;
  TNoCaptureBackend none_;
  capture::TFFmpegCapture backend_;
  QTimer qtimer_;
  Timer timer_{qtimer_};
  std::unique_ptr<TCapture> capture_;
  std::unique_ptr<TBoiteCapture> dialog_;
  CapturePreview* preview_ = nullptr;
  std::atomic<bool> previewPending_{false};
  bool statusShown_ = false;
  std::array<QAction*, TCaptureCommandCount> actions_{};
  QToolBar* toolBar_ = nullptr;
  TConnections links_;
};

}  // namespace kinevo::gui
