#pragma once
// The calculator window (TCalculatrice): one line, the angle unit, the
// history buttons and the pad.  It lives for the whole run, is shown
// without blocking, hides when it stops being the active window, and keeps
// its line, history, angle unit and Arc switch between showings.
#include <QWidget>

#include "core/common/signal.h"
#include "core/formulas/calculator.h"

class QButtonGroup;
class QToolButton;

namespace kinevo::gui {

class TPadLine;

class TCalculatrice : public QWidget {
  Q_OBJECT
 public:
  explicit TCalculatrice(QWidget* parent = nullptr);

  TCalculatorModel& Model() { return model_; }
  TPadLine* Memo() const { return memo_; }
  // A pad or history button by its name ("SpeedButton2", "SpeedButtonPred").
  QToolButton* Button(const char* name) const;
  // The angle choice: 0 "Radians", 1 "Degrés".
  QButtonGroup* RadioGroupAngle() const { return angle_; }

 public Q_SLOTS:
  // Shows the window with whatever it last held and gives it the focus.
  // Opened from a modal dialog, it is modal too, since the dialog blocks
  // every other window.
  void Open();

 protected:
  void changeEvent(QEvent* e) override;

 private:
  void Press(TPadButton b);
  void Previous();
  void Next();
  void KeyTyped();
  void Edited();
  void Show();

  TCalculatorModel model_;
  TPadLine* memo_ = nullptr;
  QButtonGroup* angle_ = nullptr;
  QToolButton* arc_ = nullptr;
  TConnections links_;
};

}  // namespace kinevo::gui
