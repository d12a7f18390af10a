#pragma once
// Search for files by name under a folder, on a worker thread.
//
// The search walks the folder tree depth first, folders in name order and
// the files of a folder before its subfolders.  A file is found when its
// name matches one of the patterns of the chosen filter entry ("*.avi",
// "*.kvo", "Regressi.exe" ...; "*" and "?" are wildcards, letters compared
// without regard to case) and, when a name fragment is given, contains that
// fragment (also without regard to case).  Folders reached through symbolic
// links are walked after the real folders of the tree, and every folder is
// walked once at most, so that link loops end; folders that cannot be read
// are counted and skipped.  The search stops promptly when cancelled: the
// flag is checked between directory entries.
#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kinevo {

// One entry of a file filter such as the one of the open dialogs:
// "Fichier vidéo (*.avi,*.mpg,*.mpeg,*.wmv,*.mov)" with its patterns.
struct TFileFilterEntry {
  std::string caption;
  std::vector<std::string> patterns;
};

// Splits "caption|patterns|caption|patterns" into its entries; the patterns
// are separated by ";" and trimmed.  A caption without its patterns part
// stands for itself ("Regressi.exe").
std::vector<TFileFilterEntry> ParseFileFilter(std::string_view filter);

// Whether a file name matches a pattern: "*" stands for any run of
// characters, "?" for one character, "*.*" for every name; UTF-8 letters are
// compared without regard to case (ASCII, Latin-1 and Latin Extended-A).
bool MatchesPattern(std::string_view name, std::string_view pattern);

// The test applied to each file name.
class TFileNameMatcher {
 public:
  // No pattern matches every name; an empty fragment is no constraint.
  TFileNameMatcher(const std::vector<std::string>& patterns, std::string_view fragment);
  bool Matches(std::string_view name) const;

 private:
  std::vector<std::u32string> patterns_;
  std::u32string fragment_;
  bool all_ = false;
};

struct TFileSearchOptions {
  std::filesystem::path folder;
  std::vector<std::string> patterns;
  std::string nameFragment;
  // Walk folders reached through symbolic links (each real folder once).
  bool followLinks = true;
  // Stop after that many files; 0 means no limit.
  std::size_t maxResults = 0;
};

enum TSearchEnd : int {
  seCompleted = 0,  // the whole tree was walked
  seCancelled = 1,  // Cancel was called
  seLimit = 2,      // maxResults files were found
  seNoFolder = 3,   // the folder does not exist or is not a folder
};

struct TFileSearchStats {
  TSearchEnd end = seCompleted;
  std::size_t foldersVisited = 0;
  std::size_t foldersSkipped = 0;  // folders that could not be read
  std::size_t filesFound = 0;
};

// The callbacks of a search; they run on the thread that walks the tree.
struct TFileSearchCallbacks {
  // A file that matches, with its full path.
  std::function<void(const std::filesystem::path& file)> OnFound;
  // A folder is about to be read; `visited` counts it.
  std::function<void(const std::filesystem::path& folder, std::size_t visited)> OnProgress;
};

// Walks the tree on the calling thread; `cancel` is read between entries.
TFileSearchStats SearchFiles(const TFileSearchOptions& options,
                             const TFileSearchCallbacks& callbacks,
                             const std::atomic<bool>& cancel);

// A search running on a thread of its own.  The callbacks are set before
// Start and must not be changed while a search runs.  Destroying the object
// cancels the search and waits for its thread.
class TFileSearch {
 public:
  TFileSearch() = default;
  TFileSearch(const TFileSearch&) = delete;
  TFileSearch& operator=(const TFileSearch&) = delete;
  ~TFileSearch();

  std::function<void(const std::filesystem::path& file)> OnFound;
  std::function<void(const std::filesystem::path& folder, std::size_t visited)> OnProgress;
  // Called last on the worker thread, once per search, when Running() is
  // already false.  It must not call Start or Wait itself.
  std::function<void(const TFileSearchStats& stats)> OnFinished;

  // Starts a search; false (and nothing started) while another one runs.
  // The thread of a finished search is joined first.
  bool Start(TFileSearchOptions options);
  // Asks the running search to stop; it returns soon after.
  void Cancel() { cancel_.store(true); }
  // Waits until the search has ended (returns at once when none runs).
  void Wait();
  bool Running() const { return running_.load(); }
  // The figures of the last finished search (read it once Running() is false).
  TFileSearchStats LastStats() const;

 private:
  std::atomic<bool> cancel_{false};
  std::atomic<bool> running_{false};
  std::thread thread_;
  TFileSearchStats last_;  // written by the worker before `running_` drops
};

}  // namespace kinevo
