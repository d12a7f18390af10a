// The file search: filter parsing and name matching, then real folder trees
// in a temporary directory (links, unreadable folders, cancellation).
#include "core/app/file_search.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>

#include "core/app/file_workflow.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kVideo = {"*.avi", "*.mpg", "*.mpeg", "*.wmv", "*.mov"};

TEST(FileFilter, ParsesTheOpenFilterAndBareMasks) {
  auto entries = ParseFileFilter(OpenFilter());
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].caption.rfind("Fichier vidéo (*.avi,*.mpg,*.mpeg,*.wmv,*.mov,*.mp4,", 0), 0u)
      << entries[0].caption;
  ASSERT_EQ(entries[0].patterns.size(), VideoExtensions().size());
  for (const auto& e : {"*.mp4", "*.mkv", "*.webm", "*.3gp", "*.mts"})
    EXPECT_NE(std::find(entries[0].patterns.begin(), entries[0].patterns.end(), e),
              entries[0].patterns.end())
        << e;
  EXPECT_EQ(entries[1].caption, "Fichier Kinevo (*.kvo)");
  EXPECT_EQ(entries[1].patterns, std::vector<std::string>{"*.kvo"});
  EXPECT_EQ(entries[2].caption, "Tous les fichiers (*.*)");
  EXPECT_EQ(entries[2].patterns, std::vector<std::string>{"*"});

  auto regressi = ParseFileFilter("Regressi.exe|Regressi.exe");
  ASSERT_EQ(regressi.size(), 1u);
  EXPECT_EQ(regressi[0].patterns, std::vector<std::string>{"Regressi.exe"});
  auto bare = ParseFileFilter("Regressi.exe");
  ASSERT_EQ(bare.size(), 1u);
  EXPECT_EQ(bare[0].patterns, std::vector<std::string>{"Regressi.exe"});
  EXPECT_EQ(ParseFileFilter(" a | *.x ;; *.y ")[0].patterns,
            (std::vector<std::string>{"*.x", "*.y"}));
  EXPECT_TRUE(ParseFileFilter("").empty());
}

TEST(FileFilter, MatchesNamesWithoutRegardToCase) {
  EXPECT_TRUE(MatchesPattern("CHUTE.AVI", "*.avi"));
  EXPECT_TRUE(MatchesPattern("regressi.EXE", "Regressi.exe"));
  EXPECT_FALSE(MatchesPattern("chute.avi.txt", "*.avi"));
  EXPECT_FALSE(MatchesPattern("film.mpeg", "*.mpg"));
  EXPECT_FALSE(MatchesPattern("avi", "*.avi"));
  EXPECT_TRUE(MatchesPattern("abcabd.kvo", "*abd*.kvo"));  // backtracking after a false start
  EXPECT_TRUE(MatchesPattern("README", "*.*"));
  // "?" is one character, even when it takes two bytes; accents fold too.
  EXPECT_TRUE(MatchesPattern("é.avi", "?.avi"));
  EXPECT_TRUE(MatchesPattern("ÉLAN.MOV", "élan.mov"));
  EXPECT_TRUE(MatchesPattern("ŒUVRE.avi", "œuvre.*"));
  EXPECT_FALSE(MatchesPattern("e.avi", "é.avi"));
  // A name that is not UTF-8 still matches byte for byte.
  EXPECT_TRUE(MatchesPattern("\xff.avi", "?.avi"));
  EXPECT_FALSE(MatchesPattern("\xff.avi", "\xfe.avi"));

  TFileNameMatcher chute(kVideo, " CHUTE ");
  EXPECT_TRUE(chute.Matches("Une chute libre.MOV"));
  EXPECT_FALSE(chute.Matches("chute.kvo"));
  EXPECT_FALSE(chute.Matches("pendule.avi"));
  TFileNameMatcher any({}, "");
  EXPECT_TRUE(any.Matches("anything"));
}

// A folder tree made for one test, removed afterwards.
class FolderTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(::testing::TempDir()) /
            ("kinevo_search_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ec;
    for (auto& p : fs::recursive_directory_iterator(root_, ec))
      fs::permissions(p.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
  }
  fs::path File(const std::string& rel) {
    fs::path p = root_ / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
    return p;
  }
  // Video files in the sample tree, in the order of the walk.
  void SampleTree() {
    for (const char* f : {"a.avi", "B.AVI", "c.txt", "notes.kvo", "sub1/film.Mpeg",
                          "sub1/x.wmv.bak", "sub1/deep/d.mov", "sub1/deep/deeper/e.kvo",
                          "sub2/Chute libre.avi", "dossier.avi/z.mov", "sub2/vide/.keep"})
      File(f);
  }
  static std::vector<fs::path> Run(const TFileSearchOptions& o, TFileSearchStats* stats = nullptr) {
    std::vector<fs::path> found;
    std::atomic<bool> cancel{false};
    TFileSearchStats s =
        SearchFiles(o, {[&](const fs::path& f) { found.push_back(f); }, nullptr}, cancel);
    if (stats) *stats = s;
    return found;
  }
  TFileSearchOptions Videos() const {
    TFileSearchOptions o;
    o.folder = root_;
    o.patterns = kVideo;
    return o;
  }
  fs::path root_;
};

TEST_F(FolderTree, FindsWhatADirectListingFindsInWalkOrder) {
  SampleTree();
  TFileSearchStats stats;
  auto found = Run(Videos(), &stats);
  EXPECT_EQ(stats.end, seCompleted);
  EXPECT_EQ(stats.foldersVisited, 7u);
  EXPECT_EQ(stats.foldersSkipped, 0u);
  EXPECT_EQ(stats.filesFound, found.size());

  std::set<fs::path> listing;
  for (auto& e : fs::recursive_directory_iterator(root_)) {
    std::string ext = e.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (e.is_regular_file() &&
        std::set<std::string>{".avi", ".mpg", ".mpeg", ".wmv", ".mov"}.count(ext))
      listing.insert(e.path());
  }
  EXPECT_EQ(std::set<fs::path>(found.begin(), found.end()), listing);
  // Files of a folder first, in name order, then the subfolders in name order.
  std::vector<fs::path> order = {
      root_ / "B.AVI",          root_ / "a.avi",           root_ / "dossier.avi/z.mov",
      root_ / "sub1/film.Mpeg", root_ / "sub1/deep/d.mov", root_ / "sub2/Chute libre.avi"};
  EXPECT_EQ(found, order);

  TFileSearchOptions kvo = Videos();
  kvo.patterns = {"*.kvo"};
  EXPECT_EQ(Run(kvo),
            (std::vector<fs::path>{root_ / "notes.kvo", root_ / "sub1/deep/deeper/e.kvo"}));
  kvo.patterns = kVideo;
  kvo.nameFragment = "CHUTE";
  EXPECT_EQ(Run(kvo), std::vector<fs::path>{root_ / "sub2/Chute libre.avi"});
}

TEST_F(FolderTree, MissingFolderLimitAndReuse) {
  SampleTree();
  TFileSearchOptions o = Videos();
  TFileSearchStats stats;
  o.folder = root_ / "absent";
  EXPECT_TRUE(Run(o, &stats).empty());
  EXPECT_EQ(stats.end, seNoFolder);
  o.folder = root_ / "a.avi";
  Run(o, &stats);
  EXPECT_EQ(stats.end, seNoFolder);
  o.folder.clear();
  Run(o, &stats);
  EXPECT_EQ(stats.end, seNoFolder);

  o = Videos();
  o.maxResults = 2;
  EXPECT_EQ(Run(o, &stats).size(), 2u);
  EXPECT_EQ(stats.end, seLimit);

  // The threaded search gives the same files, and the object can be reused.
  TFileSearch search;
  std::vector<fs::path> found;
  int finished = 0;
  search.OnFound = [&](const fs::path& f) { found.push_back(f); };
  search.OnFinished = [&](const TFileSearchStats&) { ++finished; };
  for (int round = 0; round < 2; ++round) {
    found.clear();
    ASSERT_TRUE(search.Start(Videos()));
    search.Wait();
    EXPECT_EQ(found, Run(Videos()));
    EXPECT_EQ(search.LastStats().end, seCompleted);
  }
  EXPECT_EQ(finished, 2);
}

TEST_F(FolderTree, LinkLoopsEndAndEachFolderIsWalkedOnce) {
  SampleTree();
  fs::path more = root_ / "sub2/vide/more";
  File("sub2/vide/more/v.avi");
  fs::create_directory_symlink(root_, root_ / "sub1/loop");          // to an ancestor
  fs::create_directory_symlink(root_ / "sub1", root_ / "aa_first");  // walked before sub1 by name
  fs::create_directory_symlink("self", root_ / "sub2/self");         // to itself
  fs::create_symlink(root_ / "nowhere.avi", root_ / "ghost.avi");    // dangling
  fs::create_symlink(root_ / "a.avi", root_ / "sub2/alias.avi");     // to a file: openable
  TFileSearchStats stats;
  auto found = Run(Videos(), &stats);
  EXPECT_EQ(stats.end, seCompleted);
  std::set<fs::path> unique(found.begin(), found.end());
  EXPECT_EQ(unique.size(), found.size());
  // Every file under its real path (the tree is walked before the links).
  EXPECT_EQ(found.size(), 8u);
  EXPECT_TRUE(unique.count(root_ / "sub1/film.Mpeg"));
  EXPECT_TRUE(unique.count(more / "v.avi"));
  EXPECT_TRUE(unique.count(root_ / "sub2/alias.avi"));
  EXPECT_FALSE(unique.count(root_ / "ghost.avi"));

  // A link that leads out of the tree is walked once, under the link's path.
  fs::path other = root_.string() + "_other";
  fs::remove_all(other);
  fs::create_directories(other);
  std::ofstream(other / "w.mov") << "x";
  fs::create_directory_symlink(other, root_ / "sub1/ext");
  found = Run(Videos());
  EXPECT_EQ(std::count(found.begin(), found.end(), root_ / "sub1/ext/w.mov"), 1);
  TFileSearchOptions noLinks = Videos();
  noLinks.followLinks = false;
  found = Run(noLinks);
  EXPECT_EQ(std::count(found.begin(), found.end(), root_ / "sub1/ext/w.mov"), 0);
  fs::remove_all(other);
}

TEST_F(FolderTree, UnreadableFolderIsSkipped) {
  File("open/a.avi");
  File("locked/b.avi");
  File("z/c.avi");
  fs::permissions(root_ / "locked", fs::perms::none);
  auto check = [this] {
    TFileSearchStats stats;
    auto found = Run(Videos(), &stats);
    bool ok = stats.end == seCompleted && stats.foldersSkipped == 1 && stats.foldersVisited == 4 &&
              found == std::vector<fs::path>{root_ / "open/a.avi", root_ / "z/c.avi"};
    return ok;
  };
  if (::geteuid() != 0) {
    EXPECT_TRUE(check());
    return;
  }
  // Permissions do not bind the super-user: search in a child process that
  // runs as the unprivileged user "nobody".
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(2);
        std::_Exit(check() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// A tree of 20 x 20 folders, one video in each.
class LargeTree : public FolderTree {
 protected:
  void SetUp() override {
    FolderTree::SetUp();
    for (int i = 0; i < 20; ++i)
      for (int j = 0; j < 20; ++j)
        File("d" + std::to_string(i) + "/e" + std::to_string(j) + "/v.avi");
  }
  static constexpr std::size_t kFolders = 1 + 20 + 20 * 20;
};

TEST_F(LargeTree, CancellationStopsAtTheNextEntry) {
  // From the worker's own callback: not one more folder is read.
  std::atomic<bool> cancel{false};
  std::size_t found = 0;
  TFileSearchStats stats = SearchFiles(Videos(),
                                       {[&](const fs::path&) { ++found; },
                                        [&](const fs::path&, std::size_t n) {
                                          if (n == 5) cancel = true;
                                        }},
                                       cancel);
  EXPECT_EQ(stats.end, seCancelled);
  EXPECT_EQ(stats.foldersVisited, 5u);
  EXPECT_EQ(found, 2u);  // folders 3 and 4; the fifth folder's file is not reported

  // From the window's thread while the worker is held in a callback.
  TFileSearch search;
  std::mutex m;
  std::condition_variable cv;
  bool reached = false, cancelled = false;
  std::vector<TFileSearchStats> ends;
  search.OnProgress = [&](const fs::path&, std::size_t n) {
    if (n != 30) return;
    std::unique_lock lock(m);
    reached = true;
    cv.notify_all();
    cv.wait(lock, [&] { return cancelled; });
  };
  search.OnFinished = [&](const TFileSearchStats& s) { ends.push_back(s); };
  ASSERT_TRUE(search.Start(Videos()));
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return reached; });
    EXPECT_TRUE(search.Running());
    EXPECT_FALSE(search.Start(Videos()));  // one search at a time
    search.Cancel();
    cancelled = true;
    cv.notify_all();
  }
  search.Wait();
  EXPECT_FALSE(search.Running());
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].end, seCancelled);
  EXPECT_EQ(ends[0].foldersVisited, 30u);
  EXPECT_EQ(ends[0].filesFound, 26u);  // folders 3 to 29 less d1, which holds no file

  // Uncancelled, the whole tree is walked.
  ASSERT_TRUE(search.Start(Videos()));
  search.Wait();
  EXPECT_EQ(search.LastStats().end, seCompleted);
  EXPECT_EQ(search.LastStats().foldersVisited, kFolders);
  EXPECT_EQ(search.LastStats().filesFound, 400u);
}

TEST_F(LargeTree, DestroyingARunningSearchCancelsAndJoins) {
  auto search = std::make_unique<TFileSearch>();
  std::atomic<std::size_t> visited{0};
  std::atomic<int> finished{0};
  std::atomic<bool> started{false};
  search->OnProgress = [&](const fs::path&, std::size_t n) {
    visited = n;
    started = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  search->OnFinished = [&](const TFileSearchStats&) { ++finished; };
  ASSERT_TRUE(search->Start(Videos()));
  while (!started) std::this_thread::yield();
  search.reset();  // without the join the thread would outlive its object
  EXPECT_EQ(finished.load(), 1);
  EXPECT_LT(visited.load(), kFolders);
}

}  // namespace
