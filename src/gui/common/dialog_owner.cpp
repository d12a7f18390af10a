#include "gui/common/dialog_owner.h"

#include <QApplication>
#include <QWidget>

namespace kinevo::gui {

QWidget* DialogOwner(QWidget* fallback) {
  QWidget* active = QApplication::activeModalWidget();
  if (active == nullptr) active = QApplication::activeWindow();
  if (active != nullptr && active->isVisible()) return active;
  return fallback;
}

}  // namespace kinevo::gui
