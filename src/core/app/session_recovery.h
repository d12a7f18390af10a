#pragma once
// The crash recovery of a session: counts the changes of the analysis,
// copies it into this instance's recovery document (core/app/recovery),
// removes that document when the work is saved, left or closed, and at
// start-up offers the documents left by programs that did not end cleanly.
#include <string>

#include "core/app/recovery.h"
#include "core/common/signal.h"

namespace kinevo {

class TSession;

class TSessionRecovery : public IRecoverySource {
 public:
  TSessionRecovery(TSession& session, std::string folder, IRecoveryClock& clock);
  ~TSessionRecovery() override;
  TSessionRecovery(const TSessionRecovery&) = delete;
  TSessionRecovery& operator=(const TSessionRecovery&) = delete;

  TRecovery& Recovery() { return recovery_; }
  // About once a second, from the window's timer.
  void Tick() { recovery_.Tick(); }
  // The question of the start, for every document left behind.
  void OfferLeftWork();
  // Opens a recovery document as unsaved work: the next save proposes the
  // document the work came from.  A copy of the work is on the disk again
  // before this answers true (the old document may then go).
  bool Recover(const TOrphanRecovery& orphan);

  bool HasWork() const override;
  TRecoverySnapshot TakeSnapshot() override;

 private:
  TSession& session_;
  std::string folder_;
  TRecovery recovery_;
  // Last, so the subscriptions end first.
  TConnections links_;
};

}  // namespace kinevo
