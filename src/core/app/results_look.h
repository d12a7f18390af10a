#pragma once
// The display switches of each graph view of the results window, from the
// settings (the results window starts from them; kinevo-cli uses them as a
// fresh installation has them).
#include "core/document/options.h"
#include "core/formulas/user_formulas.h"
#include "core/results/result_views.h"

namespace kinevo {

TGraphLook GraphLookFor(int view, const TOptionsValues& o);
// Whether the zoom tool acts on x and y in that view.
TZoomAxes ZoomAxesFor(int view, const TOptionsValues& o);

// Formula i as the formula view draws it, in `colour`: its points, with
// their uncertainties when the formulas carry them.
TFormulaSeries FormulaSeriesOf(const TFormules& formulas, int32_t i, TColor colour);
// The quantity along the formula view's abscissa: the time or the formula
// chosen.
TAxisQuantity FormulaAbscissaOf(const TFormules& formulas);

}  // namespace kinevo
