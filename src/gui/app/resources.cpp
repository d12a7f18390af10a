#include "gui/app/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.  Calling it also makes
// the linker keep the compiled resources of this static library.
static void InitKinevoResources() { Q_INIT_RESOURCE(kinevo); }

namespace kinevo::gui {

void LoadResources() {
  static const bool loaded = (InitKinevoResources(), true);
  (void)loaded;
}

}  // namespace kinevo::gui
