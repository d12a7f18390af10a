#pragma once
// The display switches of each graph view of the results window, from the
// settings (the results window starts from them; kinevo-cli uses them as a
// fresh installation has them).
#include "core/document/options.h"
#include "core/results/result_views.h"

namespace kinevo {

TGraphLook GraphLookFor(int view, const TOptionsValues& o);
// Whether the zoom tool acts on x and y in that view.
TZoomAxes ZoomAxesFor(int view, const TOptionsValues& o);

}  // namespace kinevo
