#pragma once
// Crash recovery: while an analysis has unsaved changes, a copy of it is
// kept in a recovery document, so that a crash, a power cut or a flat
// battery loses at most a few seconds of marking.
//
// The recovery document is a ".kvo" document (it opens like any other) in
// the user's state folder, $XDG_STATE_HOME/kinevo/recovery (by default
// ~/.local/state/kinevo/recovery).  Each running instance has its own
// document and its own lock file, named after the process id and its start;
// the lock file holds the process id and stays locked (flock) for the life
// of the instance, so the system releases it when the program dies, however
// it dies.  A document whose lock can be taken belongs to no running
// program: it is offered at the next start.
//
// A copy is written when 20 changes have been made since the last one, or
// 30 seconds after the first change not yet copied, whichever comes first.
// The window thread only takes a snapshot (the document without its mark
// containers, which are copied as plain values); a worker thread formats and
// writes it, atomically, with a check section at the end that tells a whole
// document from a truncated one.  Saving, leaving the work without saving
// and a clean end remove the document.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/common/ini_file.h"
#include "core/common/result.h"
#include "core/common/user_dialog.h"
#include "core/document/marking_document.h"
#include "core/montage/montage_tables.h"

namespace kinevo {

// The clocks of the recovery: a steady one for the intervals, the wall
// clock for the date shown at the next start.  Tests give their own.
class IRecoveryClock {
 public:
  virtual ~IRecoveryClock() = default;
  virtual std::chrono::steady_clock::time_point Now() const = 0;
  virtual std::time_t WallTime() const = 0;
};

class TSystemRecoveryClock : public IRecoveryClock {
 public:
  std::chrono::steady_clock::time_point Now() const override {
    return std::chrono::steady_clock::now();
  }
  std::time_t WallTime() const override { return std::time(nullptr); }
};

// What one recovery write holds, captured on the window thread.
struct TRecoverySnapshot {
  TIniFile document;  // every key of the document but the per-image tables below
  TMarkContainersCopy marks;
  TMontageTables montage;    // the per-image montage keys, written with the marks
  std::string name;          // shown in the question at the next start
  std::string documentPath;  // the document the work came from; "" when never saved
};

// The analysis whose work is kept.
class IRecoverySource {
 public:
  virtual ~IRecoverySource() = default;
  // Whether there is an analysis (a video is open).
  virtual bool HasWork() const = 0;
  virtual TRecoverySnapshot TakeSnapshot() = 0;
};

// $XDG_STATE_HOME/kinevo/recovery, or ~/.local/state/kinevo/recovery; ""
// when neither variable gives an absolute folder.
std::string RecoveryFolder();

// "Kinevo ne s'est pas fermé correctement. Récupérer ... « NAME » (DATE HEURE) ?"
std::string RecoveryQuestion(const std::string& name, std::time_t savedAt);

class TRecovery {
 public:
  static constexpr std::chrono::seconds kInterval{30};
  static constexpr int kChanges = 20;

  // Creates `folder` when needed and takes this instance's lock.  When the
  // folder cannot be used, nothing is ever written (Active() is false).
  TRecovery(std::string folder, IRecoverySource& source, IRecoveryClock& clock);
  // A clean end: waits for a write under way, removes the document and the lock.
  ~TRecovery();
  TRecovery(const TRecovery&) = delete;
  TRecovery& operator=(const TRecovery&) = delete;

  bool Active() const { return lockFd_ >= 0; }
  const std::string& DocumentPath() const { return documentPath_; }
  const std::string& LockPath() const { return lockPath_; }

  // One change of the analysis.
  void NoteChange();
  // Called about once a second: writes when the oldest change not yet
  // copied is 30 seconds old.
  void Tick();
  // The work was saved, left without saving or closed: the document goes.
  void Discard();
  // Copies the analysis at once (a recovered analysis, before the document
  // it came from is removed).
  void WriteNow();
  // Waits until every write asked for is on the disk (or failed).
  void WaitIdle();

  // Changes made since the last copy.
  int PendingChanges() const { return changes_; }
  // Writes finished, and how the last one ended (its reason when it failed).
  int WritesDone() const { return writes_.load(); }
  TStatus LastWrite() const;
  // How long the window thread spent on the last snapshot.
  std::chrono::nanoseconds LastSnapshotTime() const { return snapshotTime_; }

 private:
  struct Job {
    TRecoverySnapshot snapshot;
    std::time_t savedAt = 0;
  };
  void Write();
  void Run();
  void WriteJob(Job& job);

  std::string folder_;
  IRecoverySource& source_;
  IRecoveryClock& clock_;
  std::string documentPath_, lockPath_;
  int lockFd_ = -1;

  int changes_ = 0;
  std::chrono::steady_clock::time_point firstChange_{};
  std::chrono::nanoseconds snapshotTime_{0};

  mutable std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::optional<Job> pending_;
  bool busy_ = false;
  bool stop_ = false;
  TStatus lastWrite_;
  std::atomic<int> writes_{0};
  std::thread worker_;
};

// A recovery document left by an instance that is no longer running.  The
// object holds that document's lock while it lives, so no other instance
// offers it at the same time; it releases the lock when it goes.
class TOrphanRecovery {
 public:
  TOrphanRecovery(std::string documentPath, std::string lockPath, int lockFd);
  ~TOrphanRecovery();
  TOrphanRecovery(TOrphanRecovery&& other) noexcept;
  TOrphanRecovery& operator=(TOrphanRecovery&& other) noexcept;
  TOrphanRecovery(const TOrphanRecovery&) = delete;

  const std::string& DocumentPath() const { return documentPath_; }
  // Read and checked by FindOrphanRecoveries.
  bool Damaged() const { return !damage.empty(); }
  std::string damage;  // why the document cannot be used
  std::string name;
  std::string documentPath;  // the document the work came from
  std::time_t savedAt = 0;

  // Deletes the document and its lock.
  void Delete();
  // Renames the damaged document aside (".damaged"), where no start looks
  // for it, and answers its new path.
  std::string MoveAside();

 private:
  void ReleaseLock(bool removeLockFile);
  std::string documentPath_, lockPath_;
  int lockFd_ = -1;
};

// The recovery documents of `folder` whose program is no longer running,
// each checked and locked: the damaged ones first, then the newest first.  Stale lock files without
// a document are removed on the way.
std::vector<TOrphanRecovery> FindOrphanRecoveries(const std::string& folder);

// The question of the start: for each document left behind, "Récupérer"
// calls `recover` with it (which opens it as unsaved work and answers
// whether it did; the document is then deleted and no further one is
// offered), "Ignorer" keeps it for the next start, "Supprimer" deletes it.
// A damaged document is reported and moved aside.
void OfferRecoveries(const std::string& folder, TUserDlg& dialog,
                     const std::function<bool(const TOrphanRecovery&)>& recover);

}  // namespace kinevo
