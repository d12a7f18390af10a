#pragma once
// TBoiteBasculer: the dialog that hides or shows groups of images.
#include <QFont>
#include <functional>

#include "core/montage/montage.h"

class QWidget;

namespace kinevo::gui {

class TBoiteBasculer : public IGroupDialog {
 public:
  explicit TBoiteBasculer(QWidget* parent = nullptr) : parent_(parent) {}
  QFont Font;
  // Test hook: called once the window is shown.
  std::function<void(QWidget*)> OnShown;

  bool Execute(TGroupChoice& choice) override;

 private:
  QWidget* parent_;
};

}  // namespace kinevo::gui
