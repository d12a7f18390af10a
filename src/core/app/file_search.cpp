#include "core/app/file_search.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <unordered_set>

#include "core/common/text_utils.h"

namespace kinevo {

namespace fs = std::filesystem;

namespace {

// Lower case of one code point for the scripts a French user meets in file
// names: ASCII, Latin-1 and Latin Extended-A.
char32_t FoldChar(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 32;
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
  if (c >= 0x100 && c <= 0x137) return (c & 1) == 0 ? c + 1 : c;
  if (c >= 0x139 && c <= 0x148) return (c & 1) == 1 ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return (c & 1) == 0 ? c + 1 : c;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return (c & 1) == 1 ? c + 1 : c;
  return c;
}

// Decodes UTF-8 and folds the case.  A byte that does not belong to a valid
// sequence becomes a code point of its own (U+DC00 + byte), so that names in
// another encoding still compare byte for byte.
std::u32string Fold(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<unsigned char>(s[i]);
    int len = 0;
    char32_t c = 0;
    if (b < 0x80) {
      len = 1;
      c = b;
    } else if ((b & 0xE0) == 0xC0) {
      len = 2;
      c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
      c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
      c = b & 0x07;
    }
    bool valid = len > 0 && i + len <= s.size();
    for (int k = 1; valid && k < len; ++k) {
      auto cb = static_cast<unsigned char>(s[i + k]);
      if ((cb & 0xC0) != 0x80) valid = false;
      c = (c << 6) | (cb & 0x3F);
    }
    // Overlong forms and surrogates are not valid UTF-8.
    if (valid && ((len == 2 && c < 0x80) || (len == 3 && c < 0x800) ||
                  (len == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF)))
      valid = false;
    if (!valid) {
      out.push_back(0xDC00 + b);
      ++i;
      continue;
    }
    out.push_back(FoldChar(c));
    i += len;
  }
  return out;
}

bool GlobMatch(const std::u32string& name, const std::u32string& pattern) {
  std::size_t n = 0, p = 0;
  std::size_t star = std::u32string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == U'*') {
      star = p++;
      resume = n;
    } else if (star != std::u32string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

bool IsMatchAll(std::string_view pattern) { return pattern == "*" || pattern == "*.*"; }

}  // namespace

std::vector<TFileFilterEntry> ParseFileFilter(std::string_view filter) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= filter.size()) {
    std::size_t bar = filter.find('|', start);
    if (bar == std::string_view::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<TFileFilterEntry> entries;
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    std::string_view caption = TrimBlanks(parts[i]);
    std::string_view masks = i + 1 < parts.size() ? parts[i + 1] : caption;
    if (caption.empty() && TrimBlanks(masks).empty()) continue;
    TFileFilterEntry entry;
    entry.caption = std::string(caption.empty() ? TrimBlanks(masks) : caption);
    std::size_t s = 0;
    while (s <= masks.size()) {
      std::size_t semi = masks.find(';', s);
      if (semi == std::string_view::npos) semi = masks.size();
      std::string_view one = TrimBlanks(masks.substr(s, semi - s));
      if (!one.empty()) entry.patterns.emplace_back(one);
      s = semi + 1;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  if (IsMatchAll(pattern)) return true;
  return GlobMatch(Fold(name), Fold(pattern));
}

TFileNameMatcher::TFileNameMatcher(const std::vector<std::string>& patterns,
                                   std::string_view fragment)
    : fragment_(Fold(TrimBlanks(fragment))) {
  all_ = patterns.empty();
  for (const std::string& p : patterns) {
    if (IsMatchAll(p)) all_ = true;
    patterns_.push_back(Fold(p));
  }
}

bool TFileNameMatcher::Matches(std::string_view name) const {
  if (all_ && fragment_.empty()) return true;
  std::u32string folded = Fold(name);
  if (!fragment_.empty() && folded.find(fragment_) == std::u32string::npos) return false;
  if (all_) return true;
  return std::any_of(patterns_.begin(), patterns_.end(),
                     [&](const std::u32string& p) { return GlobMatch(folded, p); });
}

TFileSearchStats SearchFiles(const TFileSearchOptions& options,
                             const TFileSearchCallbacks& callbacks,
                             const std::atomic<bool>& cancel) {
  TFileSearchStats stats;
  TFileNameMatcher matcher(options.patterns, options.nameFragment);

  // A folder still to walk: the path shown to the user and its real path,
  // which identifies it.
  struct Pending {
    fs::path path;
    fs::path real;
  };
  std::error_code ec;
  fs::path root = options.folder;
  fs::path rootReal = root.empty() ? fs::path() : fs::canonical(root, ec);
  if (root.empty() || ec || !fs::is_directory(rootReal, ec) || ec) {
    stats.end = seNoFolder;
    return stats;
  }

  std::vector<Pending> stack{{root, rootReal}};
  // Folders reached through a link, walked when the real tree is done so
  // that a link into the tree never hides the folder's own path.
  std::vector<Pending> linked;
  std::unordered_set<std::string> walked;

  struct Entry {
    fs::path path;
    bool link;
  };
  std::vector<fs::path> files;
  std::vector<Entry> folders;

  while (true) {
    if (cancel.load(std::memory_order_relaxed)) {
      stats.end = seCancelled;
      return stats;
    }
    if (stack.empty()) {
      if (linked.empty()) break;
      stack.assign(linked.rbegin(), linked.rend());
      linked.clear();
      continue;
    }
    Pending folder = std::move(stack.back());
    stack.pop_back();
    if (!walked.insert(folder.real.native()).second) continue;

    ++stats.foldersVisited;
    if (callbacks.OnProgress) callbacks.OnProgress(folder.path, stats.foldersVisited);

    fs::directory_iterator it(folder.path, fs::directory_options::none, ec);
    if (ec) {
      ++stats.foldersSkipped;
      continue;
    }
    files.clear();
    folders.clear();
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
      if (cancel.load(std::memory_order_relaxed)) {
        stats.end = seCancelled;
        return stats;
      }
      if (ec) break;
      const fs::directory_entry& e = *it;
      std::error_code eec;
      bool link = e.is_symlink(eec);
      // Both tests follow links; a dangling link is neither.
      if (e.is_directory(eec)) {
        if (!link || options.followLinks) folders.push_back({e.path(), link});
      } else if (!eec && e.is_regular_file(eec)) {
        if (matcher.Matches(e.path().filename().native())) files.push_back(e.path());
      }
    }
    if (ec) ++stats.foldersSkipped;  // read in part only

    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) {
      if (cancel.load(std::memory_order_relaxed)) {
        stats.end = seCancelled;
        return stats;
      }
      ++stats.filesFound;
      if (callbacks.OnFound) callbacks.OnFound(f);
      if (options.maxResults != 0 && stats.filesFound >= options.maxResults) {
        stats.end = seLimit;
        return stats;
      }
    }
    std::sort(folders.begin(), folders.end(),
              [](const Entry& a, const Entry& b) { return a.path < b.path; });
    for (auto f = folders.rbegin(); f != folders.rend(); ++f) {
      if (!f->link) {
        stack.push_back({f->path, folder.real / f->path.filename()});
        continue;
      }
      std::error_code lec;
      fs::path real = fs::canonical(f->path, lec);
      if (lec) {
        ++stats.foldersSkipped;
        continue;
      }
      if (walked.count(real.native()) == 0) linked.push_back({f->path, std::move(real)});
    }
  }
  stats.end = seCompleted;
  return stats;
}

TFileSearch::~TFileSearch() {
  Cancel();
  Wait();
}

bool TFileSearch::Start(TFileSearchOptions options) {
  if (running_.load()) return false;
  if (thread_.joinable()) thread_.join();
  cancel_.store(false);
  running_.store(true);
  thread_ = std::thread([this, options = std::move(options)] {
    TFileSearchCallbacks callbacks{OnFound, OnProgress};
    TFileSearchStats stats = SearchFiles(options, callbacks, cancel_);
    last_ = stats;
    // Cleared first, so that a search started from the finished
    // notification (on another thread) is not refused; it joins this
    // thread before it runs.
    running_.store(false);
    if (OnFinished) OnFinished(stats);
  });
  return true;
}

void TFileSearch::Wait() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

TFileSearchStats TFileSearch::LastStats() const { return last_; }

}  // namespace kinevo
