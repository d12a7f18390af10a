#include "core/common/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unordered_set>

#include "core/common/number_format.h"
#include "core/common/text_encoding.h"
#include "core/common/text_utils.h"

namespace kinevo {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names and values never carry line breaks into the file.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (auto& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

std::string SectionName(std::string_view s) {
  std::string out = OneLine(TrimBlanks(s));
  for (auto& c : out)
    if (c == ']') c = ' ';
  return std::string(TrimBlanks(out));
}

std::string KeyName(std::string_view s) {
  std::string out = OneLine(TrimBlanks(s));
  for (auto& c : out)
    if (c == '=') c = ' ';
  return std::string(TrimBlanks(out));
}

std::string ErrnoText(const char* what, int err) {
  return std::string(what) + ": " + std::strerror(err);
}

}  // namespace

// ---------------------------------------------------------------------------
// Whole-file helpers

namespace {

std::string OpenFailure(int err) {
  switch (err) {
    case EACCES:
    case EPERM:
      return "Accès refusé.";
    case ENOENT:
      return "Le fichier n'existe pas.";
    case EISDIR:
      return "Ce n'est pas un fichier ordinaire.";
    default:
      return std::string("Lecture impossible : ") + std::strerror(err);
  }
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& out, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  // Opened without waiting: a pipe with no writer would otherwise block here
  // for ever.  Anything but a regular file is then refused.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int err = errno;
    const std::string why = OpenFailure(err);
    errno = err;
    return fail(why);
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    errno = EINVAL;
    return fail("Ce n'est pas un fichier ordinaire.");
  }
  std::string data;
  if (st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      close(fd);
      errno = err;
      return fail(std::string("Lecture impossible : ") + std::strerror(err));
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  out = std::move(data);
  if (error) error->clear();
  return true;
}

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  const std::filesystem::path folder(path);
  if (!std::filesystem::is_directory(folder, ec)) {
    // Made one level at a time, so that each new folder gets the mode.
    std::filesystem::path partial;
    for (const auto& part : folder) {
      partial /= part;
      if (std::filesystem::is_directory(partial, ec)) continue;
      if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  return std::filesystem::is_directory(folder, ec);
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error) {
  return WriteFileAtomicallyFrom(
      path, [&](const TPieceWriter& write) { return write(data); }, error);
}

bool WriteFileAtomicallyFrom(const std::string& path,
                             const std::function<bool(const TPieceWriter& write)>& produce,
                             std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (path.empty()) return fail("no file name");

  // Follow a symbolic link, so that the link is kept and its target replaced.
  std::string target = path;
  struct stat lst {};
  if (lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }

  const auto slash = target.rfind('/');
  const std::string dir =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  if (base.empty()) return fail("no file name");

  static std::atomic<unsigned> counter{0};
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = dir + "/." + base + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return fail(ErrnoText("cannot create a temporary file", errno));
  }
  if (fd < 0) return fail("cannot create a temporary file");

  auto abandon = [&](const std::string& why) {
    if (fd >= 0) close(fd);
    unlink(tmp.c_str());
    return fail(why);
  };

  struct stat st {};
  if (stat(target.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);

  std::string writeError;
  const TPieceWriter write = [&](std::string_view piece) {
    const char* p = piece.data();
    size_t left = piece.size();
    while (left > 0) {
      const ssize_t n = ::write(fd, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        writeError = n < 0 ? ErrnoText("write failed", errno) : "write failed";
        return false;
      }
      p += n;
      left -= static_cast<size_t>(n);
    }
    return true;
  };
  if (!produce(write)) return abandon(writeError.empty() ? "write abandoned" : writeError);
  if (fsync(fd) != 0) return abandon(ErrnoText("flush failed", errno));
  const int rc = close(fd);
  fd = -1;
  if (rc != 0) return abandon(ErrnoText("close failed", errno));
  if (rename(tmp.c_str(), target.c_str()) != 0) return abandon(ErrnoText("rename failed", errno));

  // Make the rename itself durable; a failure here no longer puts the file at risk.
  const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  if (error) error->clear();
  return true;
}

// ---------------------------------------------------------------------------
// Key index

namespace {

// FNV-1a over the lower-case bytes, mixed so that the low bits used by the
// table spread keys that differ only in their last digits.
uint64_t NameHash(std::string_view s) {
  uint64_t h = 1469598103934665603ull;
  for (char c : s) {
    h ^= static_cast<unsigned char>(Lower(c));
    h *= 1099511628211ull;
  }
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return h;
}

}  // namespace

int32_t TIniFile::KeyIndex::Find(const std::vector<Line>& lines, std::string_view key) const {
  if (slots_.empty()) return -1;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = NameHash(key) & mask;; i = (i + 1) & mask) {
    const uint32_t s = slots_[i];
    if (s == 0) return -1;
    if (SameName(lines[s - 1].Key(), key)) return static_cast<int32_t>(s - 1);
  }
}

void TIniFile::KeyIndex::Add(const std::vector<Line>& lines, uint32_t line) {
  if ((used_ + 1) * 2 > slots_.size()) Grow(lines);
  const std::string_view key = lines[line].Key();
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = NameHash(key) & mask;; i = (i + 1) & mask) {
    const uint32_t s = slots_[i];
    if (s == 0) {
      slots_[i] = line + 1;
      ++used_;
      return;
    }
    if (SameName(lines[s - 1].Key(), key)) return;
  }
}

void TIniFile::KeyIndex::Grow(const std::vector<Line>& lines) {
  std::vector<uint32_t> old = std::move(slots_);
  slots_.assign(std::max<std::size_t>(16, old.size() * 2), 0);
  // The keys held are all different: each goes to the first free slot.
  const std::size_t mask = slots_.size() - 1;
  for (uint32_t s : old) {
    if (s == 0) continue;
    std::size_t i = NameHash(lines[s - 1].Key()) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

void TIniFile::KeyIndex::Rebuild(const std::vector<Line>& lines) {
  // Sized once for every line, so that no key is placed twice.
  std::size_t size = 16;
  while (size < 2 * lines.size() + 2) size *= 2;
  slots_.assign(size, 0);
  used_ = 0;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].keySize != 0) Add(lines, static_cast<uint32_t>(i));
}

// ---------------------------------------------------------------------------
// TIniFile

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
  if (!path_.empty()) Load();
}

void TIniFile::Clear() {
  header_.clear();
  sections_.clear();
  store_.clear();
  storeUsed_ = storeSize_ = 0;
  fileText_.reset();
  pending_.clear();
}

bool TIniFile::Load() {
  Clear();
  error_.clear();
  if (path_.empty()) return true;
  std::string bytes;
  std::string why;
  if (!ReadWholeFile(path_, bytes, &why)) {
    struct stat st {};
    if (stat(path_.c_str(), &st) != 0 && errno == ENOENT) return true;  // not there yet
    error_ = why.empty() ? "cannot read " + path_ : why;
    return false;
  }
  Parse(TakeFileText(std::move(bytes)));
  return true;
}

void TIniFile::SetText(std::string_view text) {
  Clear();
  Parse(DecodeFileText(text));
}

std::string_view TIniFile::Store(std::string_view text) {
  constexpr std::size_t kChunk = 1 << 20;
  if (store_.empty() || storeSize_ - storeUsed_ < text.size()) {
    storeSize_ = std::max(kChunk, text.size());
    store_.push_back(std::make_unique<char[]>(storeSize_));
    storeUsed_ = 0;
  }
  char* at = store_.back().get() + storeUsed_;
  std::copy(text.begin(), text.end(), at);
  storeUsed_ += text.size();
  return {at, text.size()};
}

TIniFile::Line TIniFile::MakeLine(std::string_view raw) const {
  Line l;
  l.text = raw.data();
  l.size = static_cast<uint32_t>(raw.size());
  const std::string_view t = TrimBlanks(raw);
  if (t.empty() || t.front() == ';' || t.front() == '#') return l;
  const auto eq = t.find('=');
  if (eq == std::string_view::npos) return l;
  const std::string_view key = TrimBlanks(t.substr(0, eq));
  if (key.empty()) return l;
  const std::string_view value = TrimBlanks(t.substr(eq + 1));
  l.keyBegin = static_cast<uint32_t>(key.data() - raw.data());
  l.keySize = static_cast<uint32_t>(key.size());
  l.valueBegin = static_cast<uint32_t>(value.data() - raw.data());
  l.valueSize = static_cast<uint32_t>(value.size());
  return l;
}

void TIniFile::Parse(std::string text) {
  fileText_ = std::make_unique<std::string>(std::move(text));
  const std::string& t = *fileText_;
  crlf_ = t.find("\r\n") != std::string::npos;
  Section* current = nullptr;
  size_t pos = 0;
  while (pos < t.size()) {
    // Lines end with LF, CR LF, or a lone CR (older Mac editors).
    size_t end = pos;
    while (end < t.size() && t[end] != '\n' && t[end] != '\r') ++end;
    size_t next = end;
    if (end < t.size()) {
      next = end + 1;
      if (t[end] == '\r' && next < t.size() && t[next] == '\n') ++next;
    }
    const std::string_view line(t.data() + pos, end - pos);
    pos = next;
    const std::string_view trimmed = TrimBlanks(line);
    if (!trimmed.empty() && trimmed.front() == '[') {
      const auto close = trimmed.find(']');
      if (close != std::string_view::npos) {
        sections_.push_back({std::string(TrimBlanks(trimmed.substr(1, close - 1))), {}, {}});
        current = &sections_.back();
        continue;
      }
    }
    if (!current) {
      header_.emplace_back(line);
      continue;
    }
    current->lines.push_back(MakeLine(line));
  }
  for (auto& section : sections_) section.index.Rebuild(section.lines);
}

template <typename Sink>
void TIniFile::WriteText(Sink&& out) const {
  const std::string_view nl = crlf_ ? "\r\n" : "\n";
  std::string buf;
  auto put = [&](std::string_view piece) {
    buf += piece;
    if (buf.size() >= (1u << 20)) {
      out(std::string_view(buf));
      buf.clear();
    }
  };
  for (const auto& h : header_) {
    put(h);
    put(nl);
  }
  for (const auto& s : sections_) {
    put("[");
    put(s.name);
    put("]");
    put(nl);
    for (const auto& l : s.lines) {
      put(l.Raw());
      put(nl);
    }
  }
  if (!buf.empty()) out(std::string_view(buf));
}

std::string TIniFile::Text() const {
  std::string out;
  WriteText([&](std::string_view piece) { out += piece; });
  return out;
}

TIniFile::Section* TIniFile::FindSection(std::string_view name) {
  for (auto& s : sections_)
    if (SameName(s.name, name)) return &s;
  return nullptr;
}

const TIniFile::Section* TIniFile::FindSection(std::string_view name) const {
  for (const auto& s : sections_)
    if (SameName(s.name, name)) return &s;
  return nullptr;
}

const TIniFile::Line* TIniFile::FindKey(std::string_view section, std::string_view key) const {
  // A section may appear more than once in a hand-edited file; the first
  // occurrence of the key wins.
  for (const auto& s : sections_) {
    if (!SameName(s.name, section)) continue;
    const int32_t i = s.index.Find(s.lines, key);
    if (i >= 0) return &s.lines[static_cast<size_t>(i)];
  }
  return nullptr;
}

bool TIniFile::SectionExists(std::string_view section) const {
  return FindSection(section) != nullptr;
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const auto& s : sections_)
    if (seen.insert(LowerAscii(s.name)).second) names.push_back(s.name);
  return names;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  for (const auto& kv : ReadSectionValues(section)) keys.push_back(kv.first);
  return keys;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSectionValues(
    std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> out;
  std::unordered_set<std::string> seen;
  for (const auto& s : sections_) {
    if (!SameName(s.name, section)) continue;
    for (const auto& l : s.lines) {
      if (l.keySize == 0) continue;
      if (seen.insert(LowerAscii(l.Key())).second) out.emplace_back(l.Key(), l.Value());
    }
  }
  return out;
}

std::optional<std::string_view> TIniFile::Find(std::string_view section,
                                               std::string_view key) const {
  const Line* l = FindKey(section, key);
  if (!l) return std::nullopt;
  return l->Value();
}

void TIniFile::Apply(const Op& op) {
  switch (op.kind) {
    case OpKind::Write: {
      Section* first = nullptr;
      for (auto& s : sections_) {
        if (!SameName(s.name, op.section)) continue;
        if (!first) first = &s;
        const int32_t i = s.index.Find(s.lines, op.key);
        if (i < 0) continue;
        Line& l = s.lines[static_cast<size_t>(i)];
        // Rewriting a value that is already there costs no storage: saving
        // over the document just read stays within its memory.
        if (l.Value() == op.value && l.size == l.keySize + 1 + l.valueSize) return;
        const std::string_view key = l.Key();
        std::string raw;
        raw.reserve(key.size() + 1 + op.value.size());
        raw.append(key).append("=").append(op.value);
        l = MakeLine(Store(raw));
        return;
      }
      if (!first) {
        // A blank line before a new section, when the file already has content.
        if (!sections_.empty()) {
          auto& prev = sections_.back().lines;
          if (prev.empty() || !TrimBlanks(prev.back().Raw()).empty()) prev.push_back({});
        } else if (!header_.empty() && !TrimBlanks(header_.back()).empty()) {
          header_.emplace_back();
        }
        sections_.push_back({op.section, {}, {}});
        first = &sections_.back();
      }
      // A new key goes after the last non-blank line of the section, so that
      // the blank lines between sections stay where they are.  Only blank
      // lines move, and they are not in the index.
      auto& lines = first->lines;
      std::size_t at = lines.size();
      while (at > 0 && TrimBlanks(lines[at - 1].Raw()).empty()) --at;
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                   MakeLine(Store(op.key + "=" + op.value)));
      first->index.Add(lines, static_cast<uint32_t>(at));
      return;
    }
    case OpKind::Delete:
      for (auto& s : sections_) {
        if (!SameName(s.name, op.section)) continue;
        const auto before = s.lines.size();
        s.lines.erase(std::remove_if(s.lines.begin(), s.lines.end(),
                                     [&](const Line& l) {
                                       return l.keySize != 0 && SameName(l.Key(), op.key);
                                     }),
                      s.lines.end());
        if (s.lines.size() != before) s.index.Rebuild(s.lines);
      }
      return;
    case OpKind::Erase:
      sections_.erase(
          std::remove_if(sections_.begin(), sections_.end(),
                         [&](const Section& s) { return SameName(s.name, op.section); }),
          sections_.end());
      return;
  }
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Op op{OpKind::Write, SectionName(section), KeyName(key), std::string(TrimBlanks(OneLine(value)))};
  if (op.key.empty()) return;
  Apply(op);
  if (!wholeOnly_) pending_.push_back(std::move(op));
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  Op op{OpKind::Delete, SectionName(section), KeyName(key), {}};
  Apply(op);
  if (!wholeOnly_) pending_.push_back(std::move(op));
}

void TIniFile::EraseSection(std::string_view section) {
  Op op{OpKind::Erase, SectionName(section), {}, {}};
  Apply(op);
  if (!wholeOnly_) pending_.push_back(std::move(op));
}

bool TIniFile::UpdateFile() {
  error_.clear();
  if (path_.empty()) {
    error_ = "no file name";
    return false;
  }
  if (wholeOnly_) {
    error_ = "saved whole only";
    return false;
  }
  if (pending_.empty()) return true;
  // Replay the changes on the file as it is now on disk.
  TIniFile merged;
  merged.path_ = path_;
  std::string bytes;
  std::string why;
  if (ReadWholeFile(path_, bytes, &why)) {
    merged.Parse(TakeFileText(std::move(bytes)));
  } else {
    struct stat st {};
    if (stat(path_.c_str(), &st) == 0 || errno != ENOENT) {
      error_ = "cannot read " + path_ + " before updating it: " + why;
      return false;
    }
    merged.crlf_ = crlf_;
  }
  for (const auto& op : pending_) merged.Apply(op);
  if (!WriteFileAtomically(path_, merged.Text(), &error_)) return false;
  merged.pending_.clear();
  merged.error_.clear();
  *this = std::move(merged);
  return true;
}

bool TIniFile::SaveToFile(const std::string& path) {
  error_.clear();
  const std::string& target = path.empty() ? path_ : path;
  if (target.empty()) {
    error_ = "no file name";
    return false;
  }
  const bool ok = WriteFileAtomicallyFrom(
      target,
      [&](const TPieceWriter& write) {
        bool good = true;
        WriteText([&](std::string_view piece) { good = good && write(piece); });
        return good;
      },
      &error_);
  if (!ok) return false;
  if (target == path_) pending_.clear();
  return true;
}

}  // namespace kinevo
