#pragma once
// The crash recovery of the main window's session, on the system clock,
// with a one-second timer that lets it write when the time has come.
#include <QObject>
#include <QTimer>
#include <string>

#include "core/app/session_recovery.h"

namespace kinevo::gui {

class RecoveryKeeper : public QObject {
 public:
  RecoveryKeeper(TSession& session, const std::string& folder, QObject* parent = nullptr);
  TSessionRecovery& Recovery() { return recovery_; }

 private:
  TSystemRecoveryClock clock_;
  TSessionRecovery recovery_;
  QTimer timer_;
};

}  // namespace kinevo::gui
