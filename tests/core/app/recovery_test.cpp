// The recovery documents: when they are written, what they hold, how the
// documents of dead and running instances are told apart, and the question
// of the start with its three answers.
#include "core/app/recovery.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/common/atomic_file.h"
#include "support/scripted_dialog.h"
#include "support/temp_dir.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

class FakeClock : public IRecoveryClock {
 public:
  std::chrono::steady_clock::time_point Now() const override { return now; }
  std::time_t WallTime() const override { return wall; }
  void Advance(std::chrono::seconds s) {
    now += s;
    wall += s.count();
  }
  std::chrono::steady_clock::time_point now{};
  std::time_t wall = 1765289100;  // 09/12/2025 14:05 UTC
};

// An analysis of `marks` images with one system each.
class FakeSource : public IRecoverySource {
 public:
  bool HasWork() const override { return open; }
  TRecoverySnapshot TakeSnapshot() override {
    ++snapshots;
    TRecoverySnapshot s;
    s.document.SaveWholeOnly();
    s.document.WriteInteger("Main", "Version", 340000);
    s.document.WriteString("Main", "VideoFileName", "/videos/lancer.avi");
    s.document.WriteFloat("Data", "RequiredDuration", 0.04);
    for (int i = 0; i < marks; ++i) {
      s.marks.grid.containers.push_back({i, i + 1, 1});
      s.marks.grid.marks.push_back({0, 0.1 * i, 0.5});
    }
    s.name = "lancer.avi";
    s.documentPath = documentPath;
    return s;
  }
  bool open = true;
  int marks = 3;
  int snapshots = 0;
  std::string documentPath;
};

struct Fixture {
  test::TempDir dir{"kinevo-recovery"};
  FakeClock clock;
  FakeSource source;
  std::string Folder() const { return dir.Path() + "/recovery"; }
};

void Change(TRecovery& r, int n) {
  for (int i = 0; i < n; ++i) r.NoteChange();
}

TIniFile ReadDocument(const std::string& path) {
  TIniFile ini(path);
  EXPECT_TRUE(ini.ReadStatus()) << path;
  return ini;
}

// A program that wrote its recovery document and died without a clean end.
// Answers the document's path.
std::string LeaveOrphan(const std::string& folder, int marks, std::time_t wall,
                        const std::string& origin = "") {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    FakeClock clock;
    clock.wall = wall;
    FakeSource source;
    source.marks = marks;
    source.documentPath = origin;
    auto* r = new TRecovery(folder, source, clock);
    r->WriteNow();
    r->WaitIdle();
    const std::string path = r->DocumentPath() + "\n";
    ssize_t w = ::write(pipeFds[1], path.data(), path.size());
    ::_exit(w > 0 ? 0 : 1);  // no destructor runs: the process just dies
  }
  ::close(pipeFds[1]);
  std::string path;
  char c;
  while (::read(pipeFds[0], &c, 1) == 1 && c != '\n') path += c;
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return path;
}

}  // namespace

TEST(Recovery, WritesAfterTwentyChangesOrThirtySecondsWhicheverFirst) {
  Fixture f;
  TRecovery r(f.Folder(), f.source, f.clock);
  ASSERT_TRUE(r.Active());
  // 19 changes spread over 29 seconds: nothing yet.
  Change(r, 10);
  f.clock.Advance(std::chrono::seconds(29));
  Change(r, 9);
  r.Tick();
  EXPECT_EQ(f.source.snapshots, 0);
  // The 20th change writes at once.
  r.NoteChange();
  EXPECT_EQ(f.source.snapshots, 1);
  r.WaitIdle();
  EXPECT_TRUE(fs::exists(r.DocumentPath()));
  EXPECT_EQ(r.PendingChanges(), 0);
  // One change, then the clock: 30 seconds after it, not before.
  f.clock.Advance(std::chrono::seconds(100));
  r.NoteChange();
  f.clock.Advance(std::chrono::seconds(29));
  r.Tick();
  EXPECT_EQ(f.source.snapshots, 1);
  f.clock.Advance(std::chrono::seconds(1));
  r.Tick();
  EXPECT_EQ(f.source.snapshots, 2);
  // Without changes the clock writes nothing.
  f.clock.Advance(std::chrono::seconds(300));
  r.Tick();
  EXPECT_EQ(f.source.snapshots, 2);
  r.WaitIdle();
  EXPECT_EQ(r.WritesDone(), 2);
  EXPECT_TRUE(r.LastWrite().ok());
}

TEST(Recovery, NothingIsWrittenWithoutAnAnalysisOrWithoutAUsableFolder) {
  Fixture f;
  f.source.open = false;
  {
    TRecovery r(f.Folder(), f.source, f.clock);
    Change(r, 50);
    f.clock.Advance(std::chrono::seconds(60));
    r.Tick();
    r.WriteNow();
    r.WaitIdle();
    EXPECT_EQ(f.source.snapshots, 0);
    EXPECT_FALSE(fs::exists(r.DocumentPath()));
  }
  // A folder that cannot be made (a file stands in its way).
  f.source.open = true;
  const std::string blocked = f.dir.Touch("blocked");
  TRecovery r(blocked + "/recovery", f.source, f.clock);
  EXPECT_FALSE(r.Active());
  Change(r, 40);
  r.WaitIdle();
  EXPECT_EQ(f.source.snapshots, 0);
}

TEST(Recovery, TheDocumentIsAKvoDocumentWithItsInformationAndGoesOnDiscardAndCleanEnd) {
  Fixture f;
  f.source.marks = 4;
  f.source.documentPath = "/travail/lancer_1_09122025.kvo";
  std::string doc, lock;
  {
    TRecovery r(f.Folder(), f.source, f.clock);
    doc = r.DocumentPath();
    lock = r.LockPath();
    EXPECT_EQ(fs::path(doc).parent_path(), fs::path(f.Folder()));
    EXPECT_EQ(fs::path(doc).extension(), ".kvo");
    // The lock file holds the process id from the start.
    std::string pid;
    std::ifstream(lock) >> pid;
    EXPECT_EQ(pid, std::to_string(::getpid()));
    r.WriteNow();
    r.WaitIdle();
    TIniFile ini = ReadDocument(doc);
    EXPECT_EQ(ini.ReadInteger("Main", "Version", 0), 340000);
    EXPECT_EQ(ini.ReadString("Main", "VideoFileName"), "/videos/lancer.avi");
    EXPECT_EQ(ini.ReadInteger("Data", "MarksContainersNumber_Grid", 0), 4);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "MarkXCoordinate_Grid_3_0", 0), 0.3);
    EXPECT_EQ(ini.ReadInteger("Data", "MarksContainerMarkNumber_Grid_3", 0), 4);
    EXPECT_EQ(ini.ReadString("Recovery", "Name"), "lancer.avi");
    EXPECT_EQ(ini.ReadString("Recovery", "DocumentFileName"), "/travail/lancer_1_09122025.kvo");
    EXPECT_EQ(ini.ReadInt64("Recovery", "SavedAt", 0), f.clock.wall);
    // A save (or leaving the work) removes the document, not the lock.
    r.Discard();
    EXPECT_FALSE(fs::exists(doc));
    EXPECT_TRUE(fs::exists(lock));
    // Written again after new changes.
    Change(r, TRecovery::kChanges);
    r.WaitIdle();
    EXPECT_TRUE(fs::exists(doc));
  }
  // A clean end leaves nothing behind.
  EXPECT_FALSE(fs::exists(doc));
  EXPECT_FALSE(fs::exists(lock));
  EXPECT_TRUE(f.dir.Names().size() == 1 && fs::is_empty(f.Folder()));
}

TEST(Recovery, TwoRunningInstancesKeepTheirOwnDocumentsAndNeverOfferEachOthers) {
  Fixture f;
  FakeSource other;
  other.marks = 7;
  TRecovery a(f.Folder(), f.source, f.clock);
  TRecovery b(f.Folder(), other, f.clock);
  EXPECT_NE(a.DocumentPath(), b.DocumentPath());
  EXPECT_NE(a.LockPath(), b.LockPath());
  a.WriteNow();
  b.WriteNow();
  a.WaitIdle();
  b.WaitIdle();
  EXPECT_EQ(ReadDocument(a.DocumentPath()).ReadInteger("Data", "MarksContainersNumber_Grid", 0), 3);
  EXPECT_EQ(ReadDocument(b.DocumentPath()).ReadInteger("Data", "MarksContainersNumber_Grid", 0), 7);
  // Both are alive: a third start finds nothing to offer and leaves both alone.
  EXPECT_TRUE(FindOrphanRecoveries(f.Folder()).empty());
  test::ScriptedDialog script;
  TUserDlg dialog(&script);
  OfferRecoveries(f.Folder(), dialog, [](const TOrphanRecovery&) { return true; });
  EXPECT_EQ(script.Count(), 0u);
  EXPECT_TRUE(fs::exists(a.DocumentPath()));
  EXPECT_TRUE(fs::exists(b.DocumentPath()));
  // A discard by one leaves the other's document.
  a.Discard();
  EXPECT_TRUE(fs::exists(b.DocumentPath()));
}

TEST(Recovery, ADeadProgramsDocumentIsOfferedAndEachAnswerDoesWhatItSays) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  Fixture f;
  const std::string older = LeaveOrphan(f.Folder(), 5, 1765289100, "/travail/lancer_1.kvo");
  const std::string newer = LeaveOrphan(f.Folder(), 6, 1765289400);
  ASSERT_TRUE(fs::exists(older));
  ASSERT_TRUE(fs::exists(newer));

  // Newest first, read and checked.
  {
    auto found = FindOrphanRecoveries(f.Folder());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].DocumentPath(), newer);
    EXPECT_FALSE(found[0].Damaged()) << found[0].damage;
    EXPECT_EQ(found[1].documentPath, "/travail/lancer_1.kvo");
    // While they are held here, another start does not offer them.
    EXPECT_TRUE(FindOrphanRecoveries(f.Folder()).empty());
  }

  // "Ignorer" twice: both stay for the next start.
  test::ScriptedDialog script;
  TUserDlg dialog(&script);
  int recovered = 0;
  auto recover = [&](const TOrphanRecovery&) { return ++recovered, true; };
  script.AnswerCaption("Ignorer");
  script.AnswerCaption("Ignorer");
  OfferRecoveries(f.Folder(), dialog, recover);
  ASSERT_EQ(script.Count(), 2u);
  EXPECT_EQ(script.AllText(0),
            "Kinevo ne s'est pas fermé correctement. Récupérer l'analyse non enregistrée de « "
            "lancer.avi » (09/12/2025 14:10) ?");
  const auto& buttons = script.shown[0].buttons;
  ASSERT_EQ(buttons.size(), 3u);
  EXPECT_EQ(buttons[0].caption, "Récupérer");
  EXPECT_EQ(buttons[1].caption, "Ignorer");
  EXPECT_EQ(buttons[2].caption, "Supprimer");
  EXPECT_EQ(recovered, 0);
  EXPECT_TRUE(fs::exists(older) && fs::exists(newer));

  // "Supprimer" the newer (document and lock go), "Récupérer" the older
  // whose opening fails: it is kept.
  script.AnswerCaption("Supprimer");
  script.AnswerCaption("Récupérer");
  OfferRecoveries(f.Folder(), dialog, [](const TOrphanRecovery&) { return false; });
  EXPECT_FALSE(fs::exists(newer));
  EXPECT_FALSE(fs::exists(newer.substr(0, newer.size() - 4) + ".lock"));
  EXPECT_TRUE(fs::exists(older));

  // "Récupérer" that opens: the document goes and nothing more is asked.
  const std::string third = LeaveOrphan(f.Folder(), 2, 1765289000);
  script.AnswerCaption("Récupérer");
  std::string given;
  OfferRecoveries(f.Folder(), dialog, [&](const TOrphanRecovery& o) {
    given = o.DocumentPath();
    return true;
  });
  EXPECT_EQ(given, older);
  EXPECT_FALSE(fs::exists(older));
  EXPECT_TRUE(fs::exists(third));
  EXPECT_EQ(script.Count(), 5u);
}

TEST(Recovery, DamagedAndForeignDocumentsAreRefusedMovedAsideAndNeverStopTheStart) {
  Fixture f;
  const std::string cut = LeaveOrphan(f.Folder(), 200, 1765289100);
  ASSERT_TRUE(fs::exists(cut));
  fs::resize_file(cut, fs::file_size(cut) / 2);
  // A document that is not one of ours, and one whose check was edited.
  { std::ofstream(f.Folder() + "/copie.kvo") << "[Main]\nVersion=340000\nVideoFileName=/v.avi\n"; }
  const std::string edited = LeaveOrphan(f.Folder(), 3, 1765289000);
  {
    std::string text;
    text = ReadWholeFile(edited).value_or("");
    ASSERT_FALSE(text.empty());
    text.replace(text.find("MarkXCoordinate_Grid_1_0=0.1"), 28, "MarkXCoordinate_Grid_1_0=0.9");
    ASSERT_TRUE(WriteFileAtomically(edited, text));
  }
  // A whole document, newer than all: recovering it ends the questions, but
  // every damaged one has been reported and put aside before.
  const std::string good = LeaveOrphan(f.Folder(), 3, 1765289999);
  test::ScriptedDialog script;
  TUserDlg dialog(&script);
  script.AnswerCaption("Récupérer");
  int recovered = 0;
  OfferRecoveries(f.Folder(), dialog, [&](const TOrphanRecovery&) { return ++recovered, true; });
  EXPECT_EQ(recovered, 1);
  ASSERT_EQ(script.Count(), 4u);
  EXPECT_FALSE(fs::exists(good));
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(script.shown[i].icon, icWarning);
    EXPECT_NE(script.AllText(i).find("est abîmé"), std::string::npos) << script.AllText(i);
    EXPECT_NE(script.AllText(i).find(".damaged"), std::string::npos);
  }
  // The cut document still tells whose analysis it was.
  EXPECT_TRUE(script.Contains("« lancer.avi »"));
  EXPECT_TRUE(script.Contains("« copie.kvo »"));
  // All three are aside, none is offered again, their data is kept.
  for (const std::string& p : {cut, edited, f.Folder() + "/copie.kvo"}) {
    EXPECT_FALSE(fs::exists(p));
    EXPECT_TRUE(fs::exists(p + ".damaged"));
  }
  EXPECT_TRUE(FindOrphanRecoveries(f.Folder()).empty());
  // A lock left by a program that died before writing anything is cleared.
  const std::string staleLock = f.Folder() + "/kinevo-1-1-0.lock";
  std::ofstream(staleLock) << "1\n";
  EXPECT_TRUE(FindOrphanRecoveries(f.Folder()).empty());
  EXPECT_FALSE(fs::exists(staleLock));
}

TEST(Recovery, TheFolderFollowsTheStateHome) {
  const char* savedState = std::getenv("XDG_STATE_HOME");
  const std::string keep = savedState ? savedState : "";
  ::setenv("XDG_STATE_HOME", "/srv/etat/", 1);
  EXPECT_EQ(RecoveryFolder(), "/srv/etat/kinevo/recovery");
  ::setenv("XDG_STATE_HOME", "relatif", 1);
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    EXPECT_EQ(RecoveryFolder(), std::string(home) + "/.local/state/kinevo/recovery");
  }
  if (savedState)
    ::setenv("XDG_STATE_HOME", keep.c_str(), 1);
  else
    ::unsetenv("XDG_STATE_HOME");
}
