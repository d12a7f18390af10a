#include "core/app/session_recovery.h"

#include <filesystem>

#include "core/app/session.h"
#include "core/document/kvo.h"

namespace kinevo {

TSessionRecovery::TSessionRecovery(TSession& session, std::string folder, IRecoveryClock& clock)
    : session_(session), folder_(folder), recovery_(std::move(folder), *this, clock) {
  links_ += session.OnWorkChanged.Connect([this] { recovery_.NoteChange(); });
  // Every opening and closing ends with the new window state: from then on
  // the work in hand has nothing unsaved.
  links_ += session.OnWindowStateChanged.Connect([this](void*) { recovery_.Discard(); });
  links_ += session.Workflow().OnSaved.Connect([this] { recovery_.Discard(); });
}

TSessionRecovery::~TSessionRecovery() { links_.DisconnectAll(); }

bool TSessionRecovery::HasWork() const { return session_.Video.IsOpen(); }

TRecoverySnapshot TSessionRecovery::TakeSnapshot() {
  TRecoverySnapshot s;
  // Kept whole in memory: no list of changes beside the keys.
  s.document.SaveWholeOnly();
  const std::string video = session_.Video.FileName();
  s.document.WriteInteger("Main", "Version", kKvoVersion);
  s.document.WriteString("Main", "VideoFileName", video);
  session_.WriteDocument(s.document, false);
  s.marks = CopyMarkContainers(session_.Data);
  s.montage = {session_.Montage.Visible(), session_.Montage.TimeShifts()};
  s.documentPath = session_.Workflow().DocumentName();
  s.name =
      std::filesystem::path(s.documentPath.empty() ? video : s.documentPath).filename().string();
  return s;
}

void TSessionRecovery::OfferLeftWork() {
  OfferRecoveries(folder_, session_.Dialog,
                  [this](const TOrphanRecovery& orphan) { return Recover(orphan); });
}

bool TSessionRecovery::Recover(const TOrphanRecovery& orphan) {
  TFileWorkflow& workflow = session_.Workflow();
  // The recovery folder is no folder of the user's.
  const std::string lastFolder = session_.Recent.Directory;
  const bool opened = workflow.OpenDocument(orphan.DocumentPath());
  session_.Recent.Directory = lastFolder;
  if (!opened) return false;
  workflow.SetRecoveredDocument(orphan.documentPath);
  recovery_.WriteNow();
  recovery_.WaitIdle();
  // Without a copy of our own the old document stays for the next start.
  return recovery_.Active() && recovery_.LastWrite().ok();
}

}  // namespace kinevo
