#include "gui/app/recovery_keeper.h"

namespace kinevo::gui {

RecoveryKeeper::RecoveryKeeper(TSession& session, const std::string& folder, QObject* parent)
    : QObject(parent), recovery_(session, folder, clock_) {
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, [this] { recovery_.Tick(); });
  timer_.start();
}

}  // namespace kinevo::gui
