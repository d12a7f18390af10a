#include "gui/common/mode_commands.h"

#include <QMenuBar>
#include <QToolBar>

namespace kinevo::gui {

void TPlainModeCommands::AddModeToolBar(QToolBar* bar, TBarRow) {
  window_.addToolBar(Qt::TopToolBarArea, bar);
}

void TPlainModeCommands::AddModeMenu(QMenu* menu) { window_.menuBar()->addMenu(menu); }

}  // namespace kinevo::gui
