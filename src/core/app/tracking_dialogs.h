#pragma once
// The tracking buttons and menu items that ask for a number with the value
// dialog: the last image of the sequence, the tracked object, the search
// radius.
#include "core/app/value_dialog.h"
#include "core/tracking/tracking.h"

namespace kinevo {

// The sequence button: after the contour check, the last image (tsLastImg).
void ChooseTrackingLastImage(TTracking& tracking, TBoiteValeur& values);
// The object number button (tsNumOrdre).
void ChooseTrackingSystem(TTracking& tracking, TBoiteValeur& values);
// The typed search radius (tsDMax).
void ChooseTrackingRadius(TTracking& tracking, TBoiteValeur& values);

}  // namespace kinevo
