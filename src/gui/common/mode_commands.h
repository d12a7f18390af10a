#pragma once
// What the main window offers the controller of a mode (tracking, capture
// and those to come) for its commands, so that no mode looks for the
// window's widgets by name: a place for the mode's tool bar and its menu,
// and the window's own commands by their typed identifiers.
#include <QMainWindow>
#include <cstdint>

class QAction;
class QMenu;
class QToolBar;

namespace kinevo {

enum class TCommand : uint16_t;  // core/app/command_ids.h

namespace gui {

class IModeCommands {
 public:
  enum TBarRow : unsigned char {
    brOwnRow,    // at the end of the top rows
    brToolsRow,  // before the marking tools, which the mode hides: the row is its own
  };
  virtual ~IModeCommands() = default;
  virtual void AddModeToolBar(QToolBar* bar, TBarRow row) = 0;
  // A menu of the mode, at the end of the menu bar.
  virtual void AddModeMenu(QMenu* menu) = 0;
  // The window's action of `command`; null when the window has none.
  virtual QAction* Command(TCommand command) const = 0;
};

// For a window that has none of the main window's commands (tests): the
// tool bar at the top, the menu in the menu bar.
class TPlainModeCommands : public IModeCommands {
 public:
  explicit TPlainModeCommands(QMainWindow& window) : window_(window) {}
  void AddModeToolBar(QToolBar* bar, TBarRow) override;
  void AddModeMenu(QMenu* menu) override;
  QAction* Command(TCommand) const override { return nullptr; }

 private:
  QMainWindow& window_;
};

}  // namespace gui
}  // namespace kinevo
