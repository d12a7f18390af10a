#pragma once
// The notifications of the model objects, named after what changed
// (OnToolChanged, OnAxesChanged, OnMarksChanged, OnChange ...).  Each is a
// TSignal: any number of listeners, each holding the TConnection that ends
// its subscription.
#include "core/common/signal.h"

namespace kinevo {

// The usual shape: the sender only.
using TNotifyEvent = TSignal<void*>;

}  // namespace kinevo
