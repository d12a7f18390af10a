#pragma once
// TBoiteInstant: the dialog that opens or closes a gap in the time line
// before the current image (a missing image of the camera).
#include <QFont>
#include <QString>
#include <functional>

#include "core/montage/montage.h"

class QWidget;

namespace kinevo::gui {

class TBoiteInstant {
 public:
  QFont Font;
  QString Caption;
  // Test hook: called once the window is shown.
  std::function<void(QWidget*)> OnShown;

  // Runs only when the montage's current image is visible (montage mode).
  // Returns whether the dialog ran.
  bool Execute(TMontage& montage, std::function<double()> requiredDuration,
               QWidget* parent = nullptr);
};

}  // namespace kinevo::gui
