#pragma once
// The tracking mode in the main window: the tracking controller over the
// session's view and marking data, its tool bar (contour, ban zone, object,
// sequence, start or stop, the three erase buttons) and its "Suivi" menu
// (contour shape, search radius, search zone, stop at the first uncertain
// image).  The tool bar and the menu are shown in tracking mode only.  A run
// works on a worker thread while the window stays free: the view follows
// it image by image, the status bar shows "image k / n", and its end lists
// the uncertain images.
#include <QObject>
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "core/app/session.h"
#include "core/app/value_dialog.h"
#include "core/common/command_set.h"
#include "core/tracking/tracking.h"
#include "core/tracking/video_tracking_host.h"
#include "gui/common/mode_commands.h"

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;

namespace kinevo::gui {

// The tracking mode's own commands (its tool bar and its "Suivi" menu).
#define KINEVO_TRACKING_COMMANDS(X) \
  X(ButtonTrackContour)             \
  X(ButtonTrackBanZone)             \
  X(ButtonTrackNumMarque)           \
  X(ButtonTrackSequence)            \
  X(ButtonTrackSuivi)               \
  X(ButtonTrackEffacerContour)      \
  X(ButtonTrackEffacerTrack)        \
  X(ButtonTrackEffacerBanZone)      \
  X(MenuSuiviFormeLibre)            \
  X(MenuSuiviFormePolygone)         \
  X(MenuSuiviFormeCercle)           \
  X(MenuSuiviRayon20)               \
  X(MenuSuiviRayon40)               \
  X(MenuSuiviRayon60)               \
  X(MenuSuiviRayonAutre)            \
  X(MenuSuiviZone)                  \
  X(MenuSuiviArretIncertain)        \
  X(MenuSuiviCouleur)               \
  X(MenuSuiviApparence)
KINEVO_COMMAND_SET(TTrackingCommand, KINEVO_TRACKING_COMMANDS)

class TrackingUi : public QObject {
  Q_OBJECT
 public:
  // The tool bar and the menu go where `commands` places them.
  TrackingUi(QMainWindow& window, IModeCommands& commands, TSession& session, QWidget& view,
             TBoiteValeur& values);
  ~TrackingUi() override;

  TTracking& Tracking() { return *tracking_; }
  QAction* Action(TTrackingCommand id) const;
  // By object name, for tests and scripts; null for no such command.
  QAction* Action(std::string_view name) const;
  QToolBar* ToolBar() const { return toolBar_; }
  QMenu* Menu() const { return menu_; }
  // Shows the tool bar and menu in tracking mode and updates their states.
  void Refresh();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* Add(TTrackingCommand id, const QString& caption, const QString& hint, bool checkable,
               std::function<void()> run);
  void BuildToolBar();
  void BuildMenu();
  void Wire();
  void StartOrStop();
  // Ends a run under way at once, its results kept up to the image shown.
  void EndRunNow();
  void TellRunEnded();
  void ChooseDrawTool(TDrawTool tool);
  void FollowOptions();

  QMainWindow& window_;
  IModeCommands& commands_;
  TSession& session_;
  QWidget& view_;
  TBoiteValeur& values_;
  TVideoTrackingHost host_;
  std::unique_ptr<TTracking> tracking_;
  std::array<QAction*, TTrackingCommandCount> actions_{};
  QToolBar* toolBar_ = nullptr;
  QMenu* menu_ = nullptr;
  TConnections links_;
  // The tracking settings as the options last gave them: a change of the
  // options reaches tracking for the values that changed there, and leaves
  // the others as the menu may have set them.
  TTrackingSettings fromOptions_;
};

}  // namespace kinevo::gui
