#include "core/app/tracking_dialogs.h"

namespace kinevo {

namespace {

// Runs the value dialog with the tracker's values in its context; returns
// whether a value was given.
bool Ask(TTracking& t, TBoiteValeur& values, TTypeSaisie kind) {
  auto previous = values.ContextProvider;
  values.ContextProvider = [&] {
    TValueDialogContext c = previous ? previous() : TValueDialogContext{};
    c.trackerFirstImage = t.Current().firstImage;
    c.trackerLastImage = t.LastImage();
    c.trackerObject = t.CurrentSystem();
    c.searchRadius = t.Radius();
    return c;
  };
  values.SetTypeSaisie(kind);
  values.Execute();
  values.ContextProvider = previous;
  return values.Accepted();
}

}  // namespace

void ChooseTrackingLastImage(TTracking& tracking, TBoiteValeur& values) {
  if (!tracking.CheckContour()) return;
  if (Ask(tracking, values, tsLastImg)) tracking.SetLastImage(values.IntValue() - 1);
}

void ChooseTrackingSystem(TTracking& tracking, TBoiteValeur& values) {
  if (Ask(tracking, values, tsNumOrdre)) tracking.SetCurrentSystem(values.IntValue() - 1);
}

void ChooseTrackingRadius(TTracking& tracking, TBoiteValeur& values) {
  if (Ask(tracking, values, tsDMax)) tracking.SetRadius(values.IntValue());
}

}  // namespace kinevo
