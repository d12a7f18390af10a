#pragma once
// The calculator and the formula keyboard, made once for the whole run and
// kept by the main window.  Whatever offers "Calculatrice" (the main
// window's menu, the results window's "Calculs" menu, the formulas dialog,
// the time dialog) calls ShowCalculator; the formulas dialog edits its
// texts with Keyboard() once attached.
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "core/common/settings_store.h"

class QWidget;

namespace kinevo::gui {

class TBoiteFormules;
class TCalculatrice;
class TClavier;

class TFormulaTools : public QObject {
  Q_OBJECT
 public:
  // `settings` holds the keyboard's favourites (null keeps them for the run
  // only); `favouritesEditable` tells whether the user may change them.
  explicit TFormulaTools(ISettingsStore* settings, std::function<bool()> favouritesEditable = {},
                         QObject* parent = nullptr);
  ~TFormulaTools() override;

  TCalculatrice& Calculator() { return *calculator_; }
  TClavier& Keyboard() { return *keyboard_; }

  // Gives the dialog the keyboard as its editor and the calculator.
  void Attach(TBoiteFormules& dialog);

 public Q_SLOTS:
  void ShowCalculator();

 private:
  std::unique_ptr<TCalculatrice> calculator_;
  std::unique_ptr<TClavier> keyboard_;
};

}  // namespace kinevo::gui
