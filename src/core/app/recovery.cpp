#include "core/app/recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "core/app/file_workflow.h"
#include "core/common/atomic_file.h"
#include "core/common/sha256.h"
#include "core/common/text_utils.h"
#include "core/document/kvo.h"

namespace kinevo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kInfo = "Recovery";
constexpr const char* kCheck = "[RecoveryCheck]";

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Unique among the instances of this machine, also within one process (the
// tests run several): the process id, the start in milliseconds, a count.
std::string InstanceName() {
  static std::atomic<int> count{0};
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
  return "kinevo-" + std::to_string(::getpid()) + "-" + std::to_string(ms) + "-" +
         std::to_string(count++);
}

// Takes the lock of `path` without waiting: the descriptor, or -1 when
// another process (or another descriptor of this one) holds it.
int TryLock(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The lock file is made locked and holding the process id under another
// name, then renamed into place: no other instance ever sees it unlocked.
int CreateLock(const std::string& path) {
  const std::string temporary = path + ".new";
  const int fd = TryLock(temporary);
  if (fd < 0) return -1;
  const std::string pid = std::to_string(::getpid()) + "\n";
  const bool written = ::write(fd, pid.data(), pid.size()) == static_cast<ssize_t>(pid.size());
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    ::close(fd);
    return -1;
  }
  return fd;
}

// The document text followed by its check: its length and its hash, so that
// a document cut short anywhere is told from a whole one.
std::string WithCheck(std::string text) {
  if (!text.empty() && text.back() != '\n') text += '\n';
  const std::string hash = Sha256Hex(text);
  const std::size_t length = text.size();
  text += std::string(kCheck) + "\nLength=" + std::to_string(length) + "\nSha256=" + hash + "\n";
  return text;
}

// The text before the check; empty, with `damage` set, when the check is
// missing or does not match.
std::string CheckedText(const std::string& file, std::string& damage) {
  const std::size_t at = file.rfind(kCheck);
  if (at == std::string::npos || at == 0 || file[at - 1] != '\n') {
    damage = "la fin du document manque";
    return {};
  }
  TIniFile check;
  check.SetText(std::string_view(file).substr(at));
  std::string body = file.substr(0, at);
  if (check.ReadInt64("RecoveryCheck", "Length", -1) != static_cast<int64_t>(body.size()) ||
      check.ReadString("RecoveryCheck", "Sha256") != Sha256Hex(body)) {
    damage = "son contenu ne correspond pas à sa somme de contrôle";
    return {};
  }
  return body;
}

void Examine(TOrphanRecovery& o) {
  const TResult<std::string> read = ReadWholeFile(o.DocumentPath());
  if (!read) {
    o.damage = read.error().cause.empty() ? "illisible" : read.error().cause;
  } else {
    const std::string& file = *read;
    const std::string body = CheckedText(file, o.damage);
    // The information comes first in the file: even a document cut short
    // usually still tells whose analysis it was.
    TIniFile ini;
    ini.SetText(o.Damaged() ? file : body);
    o.name = ini.ReadString(kInfo, "Name");
    o.documentPath = ini.ReadString(kInfo, "DocumentFileName");
    o.savedAt = static_cast<std::time_t>(ini.ReadInt64(kInfo, "SavedAt", 0));
    if (!o.Damaged() && !ini.ValueExists("Main", "VideoFileName"))
      o.damage = "ce n'est pas un document Kinevo";
  }
  if (o.name.empty()) o.name = FileNameOf(o.DocumentPath());
}

}  // namespace

std::string RecoveryFolder() {
  std::string base;
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return {};
    base = std::string(home) + "/.local/state";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/kinevo/recovery";
}

std::string RecoveryQuestion(const std::string& name, std::time_t savedAt) {
  std::tm tm{};
  localtime_r(&savedAt, &tm);
  char when[64];
  std::strftime(when, sizeof when, "%d/%m/%Y %H:%M", &tm);
  return "Kinevo ne s'est pas fermé correctement. Récupérer l'analyse non enregistrée de « " +
         name + " » (" + when + ") ?";
}

// ---------------------------------------------------------------- TRecovery

TRecovery::TRecovery(std::string folder, IRecoverySource& source, IRecoveryClock& clock)
    : folder_(std::move(folder)), source_(source), clock_(clock) {
  if (folder_.empty() || !MakeFolders(folder_)) return;
  const std::string base = folder_ + "/" + InstanceName();
  lockPath_ = base + ".lock";
  documentPath_ = base + ".kvo";
  lockFd_ = CreateLock(lockPath_);
  if (lockFd_ < 0) return;
  worker_ = std::thread([this] { Run(); });
}

TRecovery::~TRecovery() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.reset();
    stop_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
  if (lockFd_ < 0) return;
  ::unlink(documentPath_.c_str());
  // The document goes before the lock: a document is never left unlocked
  // by a running program.
  ::unlink(lockPath_.c_str());
  ::close(lockFd_);
}

void TRecovery::NoteChange() {
  if (!Active() || !source_.HasWork()) return;
  if (changes_++ == 0) firstChange_ = clock_.Now();
  if (changes_ >= kChanges) Write();
}

void TRecovery::Tick() {
  if (Active() && changes_ > 0 && clock_.Now() - firstChange_ >= kInterval) Write();
}

void TRecovery::WriteNow() {
  if (Active()) Write();
}

void TRecovery::Write() {
  changes_ = 0;
  if (!source_.HasWork()) return;
  const auto start = std::chrono::steady_clock::now();
  Job job{source_.TakeSnapshot(), clock_.WallTime()};
  {
    // A copy still waiting is replaced by this newer one.
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ = std::move(job);
  }
  wake_.notify_one();
  snapshotTime_ = std::chrono::steady_clock::now() - start;
}

void TRecovery::Discard() {
  changes_ = 0;
  if (!Active()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    pending_.reset();
    idle_.wait(lock, [this] { return !busy_; });
  }
  ::unlink(documentPath_.c_str());
}

void TRecovery::WaitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return !busy_ && !pending_; });
}

TStatus TRecovery::LastWrite() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastWrite_;
}

void TRecovery::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || pending_.has_value(); });
    if (stop_) break;
    Job job = std::move(*pending_);
    pending_.reset();
    busy_ = true;
    lock.unlock();
    WriteJob(job);
    lock.lock();
    busy_ = false;
    idle_.notify_all();
  }
  busy_ = false;
  idle_.notify_all();
}

void TRecovery::WriteJob(Job& job) {
  TIniFile info;
  info.WriteString(kInfo, "Name", job.snapshot.name);
  info.WriteString(kInfo, "DocumentFileName", job.snapshot.documentPath);
  info.WriteInteger(kInfo, "SavedAt", static_cast<int64_t>(job.savedAt));
  info.WriteInteger(kInfo, "ProcessId", ::getpid());
  TIniFile& document = job.snapshot.document;
  SaveMarkContainers(job.snapshot.marks, document);
  SaveMontageTables(job.snapshot.montage, document);
  TStatus written =
      WriteFileAtomically(documentPath_, WithCheck(info.Text() + "\n" + document.Text()));
  ++writes_;
  std::lock_guard<std::mutex> lock(mutex_);
  lastWrite_ = std::move(written);
}

// ---------------------------------------------------------------- orphans

TOrphanRecovery::TOrphanRecovery(std::string documentPath, std::string lockPath, int lockFd)
    : documentPath_(std::move(documentPath)), lockPath_(std::move(lockPath)), lockFd_(lockFd) {}

TOrphanRecovery::TOrphanRecovery(TOrphanRecovery&& other) noexcept { *this = std::move(other); }

TOrphanRecovery& TOrphanRecovery::operator=(TOrphanRecovery&& other) noexcept {
  if (this == &other) return *this;
  ReleaseLock(false);
  damage = std::move(other.damage);
  name = std::move(other.name);
  documentPath = std::move(other.documentPath);
  savedAt = other.savedAt;
  documentPath_ = std::move(other.documentPath_);
  lockPath_ = std::move(other.lockPath_);
  lockFd_ = std::exchange(other.lockFd_, -1);
  return *this;
}

TOrphanRecovery::~TOrphanRecovery() { ReleaseLock(false); }

void TOrphanRecovery::ReleaseLock(bool removeLockFile) {
  if (lockFd_ < 0) return;
  if (removeLockFile) ::unlink(lockPath_.c_str());
  ::close(lockFd_);
  lockFd_ = -1;
}

void TOrphanRecovery::Delete() {
  ::unlink(documentPath_.c_str());
  ReleaseLock(true);
}

std::string TOrphanRecovery::MoveAside() {
  std::string aside = documentPath_ + ".damaged";
  for (int n = 2; fs::exists(aside); ++n)
    aside = documentPath_ + "." + std::to_string(n) + ".damaged";
  if (::rename(documentPath_.c_str(), aside.c_str()) != 0) return {};
  ReleaseLock(true);
  return aside;
}

std::vector<TOrphanRecovery> FindOrphanRecoveries(const std::string& folder) {
  std::vector<TOrphanRecovery> found;
  std::error_code ec;
  std::vector<std::string> documents, locks;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    const std::string path = e.path().string();
    if (EndsWith(path, ".kvo") && e.is_regular_file(ec)) documents.push_back(path);
    if (EndsWith(path, ".lock")) locks.push_back(path);
  }
  for (const std::string& doc : documents) {
    const std::string lock = doc.substr(0, doc.size() - 4) + ".lock";
    const int fd = TryLock(lock);
    if (fd < 0) continue;  // its program is running
    if (!fs::exists(doc, ec)) {
      // Removed by its program's clean end since the folder was listed.
      ::unlink(lock.c_str());
      ::close(fd);
      continue;
    }
    TOrphanRecovery o(doc, lock, fd);
    Examine(o);
    found.push_back(std::move(o));
  }
  // A program that died before writing anything leaves only its lock.
  for (const std::string& lock : locks) {
    const std::string doc = lock.substr(0, lock.size() - 5) + ".kvo";
    if (fs::exists(doc, ec)) continue;
    const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && !fs::exists(doc, ec)) ::unlink(lock.c_str());
    ::close(fd);
  }
  // The damaged ones first, so that they are all reported and put aside
  // before a recovery ends the questions; then the newest first.
  std::stable_sort(found.begin(), found.end(),
                   [](const TOrphanRecovery& a, const TOrphanRecovery& b) {
                     if (a.Damaged() != b.Damaged()) return a.Damaged();
                     return a.savedAt > b.savedAt;
                   });
  return found;
}

void OfferRecoveries(const std::string& folder, TUserDlg& dialog,
                     const std::function<bool(const TOrphanRecovery&)>& recover) {
  if (folder.empty()) return;
  std::vector<TOrphanRecovery> orphans = FindOrphanRecoveries(folder);
  for (TOrphanRecovery& o : orphans) {
    if (o.Damaged()) {
      const std::string aside = o.MoveAside();
      dialog.AddLine("Le document de récupération de « " + o.name +
                     " » est abîmé : il ne peut pas être récupéré (" + o.damage + ").");
      if (!aside.empty()) {
        dialog.AddLine("Il a été mis de côté :");
        dialog.AddLine(aside, lkKeepEnd, kFileNameColor);
      }
      dialog.Show(icWarning, {{"Ok", btOk}}, {});
      continue;
    }
    const int answer = dialog.Show(
        icConfirmation, {{"Récupérer", btOk}, {"Ignorer", btIgnorer}, {"Supprimer", btCustom}},
        {RecoveryQuestion(o.name, o.savedAt)});
    if (answer == 0) {
      // A recovery that did not open keeps its document for the next start.
      if (recover(o)) {
        o.Delete();
        break;
      }
    } else if (answer == 2) {
      o.Delete();
    }
  }
}

}  // namespace kinevo
