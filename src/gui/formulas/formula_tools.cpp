#include "gui/formulas/formula_tools.h"

#include "gui/formulas/calculator_window.h"
#include "gui/formulas/formulas_dialog.h"
#include "gui/formulas/keyboard_window.h"

namespace kinevo::gui {

TFormulaTools::TFormulaTools(ISettingsStore* settings, std::function<bool()> favouritesEditable,
                             QObject* parent)
    : QObject(parent),
      calculator_(std::make_unique<TCalculatrice>()),
      keyboard_(std::make_unique<TClavier>(settings)) {
  keyboard_->FavouritesEditable = std::move(favouritesEditable);
}

// Destroying the keyboard keeps its favourites in the settings.
TFormulaTools::~TFormulaTools() = default;

void TFormulaTools::Attach(TBoiteFormules& dialog) {
  dialog.SetKeyboard(keyboard_.get());
  dialog.ShowCalculator = [this] { ShowCalculator(); };
}

void TFormulaTools::ShowCalculator() { calculator_->Open(); }

}  // namespace kinevo::gui
