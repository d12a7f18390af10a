#include "core/common/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <unordered_set>

#include "core/common/atomic_file.h"
#include "core/common/huge_pages.h"
#include "core/common/number_format.h"
#include "core/common/text_encoding.h"
#include "core/common/text_utils.h"

namespace kinevo {

namespace {

// Names and values never carry line breaks into the file.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (auto& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

// A section or key name as it is written: trimmed, on one line, without
// `forbidden` (']' ends a section name, '=' a key name).  Names from the
// program are already so and are answered as they are, without a copy;
// others are cleaned into `buf`.
std::string_view CleanName(std::string_view s, char forbidden, std::string& buf) {
  bool clean = TrimBlanks(s).size() == s.size();
  for (std::size_t i = 0; clean && i < s.size(); ++i)
    clean = s[i] != '\r' && s[i] != '\n' && s[i] != forbidden;
  if (clean) return s;
  buf = OneLine(TrimBlanks(s));
  for (auto& c : buf)
    if (c == forbidden) c = ' ';
  buf = std::string(TrimBlanks(buf));
  return buf;
}

std::string SectionName(std::string_view s) {
  std::string buf;
  return std::string(CleanName(s, ']', buf));
}

// A value as it is written: trimmed, on one line.
std::string_view CleanValue(std::string_view s, std::string& buf) {
  s = TrimBlanks(s);
  if (s.find_first_of("\r\n") == std::string_view::npos) return s;
  buf = OneLine(s);
  return TrimBlanks(buf);
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
      return "Lecture impossible : " + FileErrorReason(err);
  }
}

}  // namespace

TResult<std::string> ReadWholeFile(const std::string& path) {
  auto fail = [&](std::string why) { return ReadFailure(path, std::move(why)); };
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
  // Read straight into the text at its size; a file that grows meanwhile
  // is read to its end all the same.
  std::string data;
  std::size_t got = 0;
  if (st.st_size > 0) {
    const auto size = static_cast<std::size_t>(st.st_size);
    data.reserve(size + 1);
    AdviseHugePages(data.data(), size);
    data.resize(size);
  }
  char more[65536];
  for (;;) {
    const bool inPlace = got < data.size();
    char* to = inPlace ? data.data() + got : more;
    const std::size_t room = inPlace ? data.size() - got : sizeof more;
    const ssize_t n = read(fd, to, room);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      close(fd);
      errno = err;
      return fail("Lecture impossible : " + FileErrorReason(err));
    }
    if (n == 0) break;
    if (!inPlace) data.append(more, static_cast<std::size_t>(n));
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  data.resize(got);
  return data;
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

// ---------------------------------------------------------------------------
// Key index

namespace {

// The lower-case of the ASCII capitals among the 8 bytes of `w`, all at once.
uint64_t LowerWord(uint64_t w) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  const uint64_t low7 = w & (0x7F * kOnes);
  const uint64_t atLeastA = low7 + (0x80 - 'A') * kOnes;
  const uint64_t aboveZ = low7 + (0x80 - 'Z' - 1) * kOnes;
  const uint64_t upper = atLeastA & ~aboveZ & ~w & (0x80 * kOnes);
  return w | (upper >> 2);
}

// A hash of the lower-case name, eight bytes at a time, mixed so that the low
// bits used by the table spread keys that differ only in their last digits.
uint32_t NameHash(std::string_view s) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    h = (h ^ LowerWord(w)) * 0xff51afd7ed558ccdull;
    h ^= h >> 32;
  }
  if (i < s.size()) {
    uint64_t w = 0;
    std::memcpy(&w, s.data() + i, s.size() - i);
    h = (h ^ LowerWord(w)) * 0xff51afd7ed558ccdull;
  }
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ull;
  h ^= h >> 33;
  return static_cast<uint32_t>(h);
}

constexpr uint64_t Slot(uint32_t hash, uint32_t line) {
  return (static_cast<uint64_t>(hash) << 32) | (line + 1u);
}
constexpr uint32_t SlotHash(uint64_t slot) { return static_cast<uint32_t>(slot >> 32); }
constexpr uint32_t SlotLine(uint64_t slot) { return static_cast<uint32_t>(slot) - 1u; }

std::vector<uint64_t> EmptySlots(std::size_t size) {
  std::vector<uint64_t> slots;
  ReserveLarge(slots, size);
  slots.assign(size, 0);
  return slots;
}

}  // namespace

int32_t TIniFile::KeyIndex::Find(const std::vector<Line>& lines, std::string_view key,
                                 uint32_t hash) const {
  if (slots_.empty()) return -1;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint64_t s = slots_[i];
    if (s == 0) return -1;
    if (SlotHash(s) == hash && SameName(lines[SlotLine(s)].Key(), key))
      return static_cast<int32_t>(SlotLine(s));
  }
}

void TIniFile::KeyIndex::Prefetch(uint32_t hash) const {
  if (!slots_.empty()) __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
}

void TIniFile::KeyIndex::Add(std::vector<Line>& lines, uint32_t line, uint32_t hash) {
  if ((used_ + 1) * 2 > slots_.size()) Grow(std::max<std::size_t>(16, slots_.size() * 2));
  const std::string_view key = lines[line].Key();
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint64_t s = slots_[i];
    if (s == 0) {
      slots_[i] = Slot(hash, line);
      lines[line].indexed = true;
      ++used_;
      return;
    }
    if (SlotHash(s) == hash && SameName(lines[SlotLine(s)].Key(), key)) return;
  }
}

void TIniFile::KeyIndex::Grow(std::size_t size) {
  std::vector<uint64_t> old = std::move(slots_);
  slots_ = EmptySlots(size);
  // The keys held are all different: each goes to the first free slot.
  const std::size_t mask = slots_.size() - 1;
  for (uint64_t s : old) {
    if (s == 0) continue;
    std::size_t i = SlotHash(s) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

void TIniFile::KeyIndex::Rebuild(std::vector<Line>& lines) {
  // Sized once for every line, so that no key is placed twice.
  std::size_t size = 16;
  while (size < 2 * lines.size() + 2) size *= 2;
  slots_ = EmptySlots(size);
  used_ = 0;
  const std::size_t mask = size - 1;
  // The slots of a large section are far apart in memory: the hashes of a
  // batch of lines are computed first and their slots fetched ahead, so
  // that the waits for memory overlap.
  constexpr std::size_t kBatch = 16;
  uint32_t hashes[kBatch];
  for (std::size_t from = 0; from < lines.size(); from += kBatch) {
    const std::size_t n = std::min(kBatch, lines.size() - from);
    for (std::size_t k = 0; k < n; ++k) {
      Line& l = lines[from + k];
      l.indexed = false;
      hashes[k] = NameHash(l.Key());
      __builtin_prefetch(&slots_[hashes[k] & mask], 1);
    }
    for (std::size_t k = 0; k < n; ++k)
      if (lines[from + k].keySize != 0) Add(lines, static_cast<uint32_t>(from + k), hashes[k]);
  }
}

// ---------------------------------------------------------------------------
// TIniFile

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
  if (!path_.empty()) readStatus_ = Load();
}

TError ReadFailure(const std::string& path, std::string cause) {
  return Fail("Le fichier « " + path + " » n'a pas pu être lu.", std::move(cause));
}

void TIniFile::Clear() {
  header_.clear();
  sections_.clear();
  store_.clear();
  storeUsed_ = storeSize_ = 0;
  fileText_.reset();
  pending_.clear();
}

TStatus TIniFile::Load() {
  Clear();
  if (path_.empty()) return {};
  TResult<std::string> bytes = ReadWholeFile(path_);
  if (!bytes) {
    struct stat st {};
    if (stat(path_.c_str(), &st) != 0 && errno == ENOENT) return {};  // not there yet
    return bytes.error();
  }
  Parse(TakeFileText(std::move(bytes).value()));
  return {};
}

void TIniFile::SetText(std::string_view text) {
  Clear();
  Parse(DecodeFileText(text));
}

std::string_view TIniFile::StoreLine(std::string_view key, std::string_view value) {
  // Small files (settings, short documents) take one small block; pieces
  // then double with the content, so that a large document fills a few big
  // blocks (on huge pages) rather than hundreds of small ones.
  constexpr std::size_t kFirst = 64 << 10, kLargest = 16 << 20;
  const std::size_t size = key.size() + 1 + value.size();
  if (store_.empty() || storeSize_ - storeUsed_ < size) {
    const std::size_t grown = store_.empty() ? kFirst : std::min(storeSize_ * 2, kLargest);
    storeSize_ = std::max(grown, size);
    // Not cleared: every byte is written before it is read.
    store_.push_back(std::unique_ptr<char[]>(new char[storeSize_]));
    AdviseHugePages(store_.back().get(), storeSize_);
    storeUsed_ = 0;
  }
  char* at = store_.back().get() + storeUsed_;
  std::memcpy(at, key.data(), key.size());
  at[key.size()] = '=';
  if (!value.empty()) std::memcpy(at + key.size() + 1, value.data(), value.size());
  storeUsed_ += size;
  return {at, size};
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

namespace {

// Walks the lines of `t`, which end with LF, CR LF, or a lone CR (older Mac
// editors), and calls `line` with each, without its end.
template <typename F>
void ForEachLine(const std::string& t, F&& line) {
  const char* const begin = t.data();
  const char* const end = begin + t.size();
  // The next CR is searched for only when the one found is passed: a file
  // with LF ends looks for it once.
  const char* cr = nullptr;
  bool crKnown = false;
  for (const char* p = begin; p < end;) {
    if (!crKnown || (cr != nullptr && cr < p)) {
      cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
      crKnown = true;
    }
    const char* lf =
        static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* stop = lf == nullptr ? end : lf;
    if (cr != nullptr && cr < stop) stop = cr;
    const char* next = stop;
    if (stop < end) {
      next = stop + 1;
      if (*stop == '\r' && next < end && *next == '\n') ++next;
    }
    line(std::string_view(p, static_cast<std::size_t>(stop - p)));
    p = next;
  }
}

// The name of a section when `line` opens one.
std::optional<std::string_view> SectionHeader(std::string_view line) {
  const std::string_view trimmed = TrimBlanks(line);
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  const auto close = trimmed.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return TrimBlanks(trimmed.substr(1, close - 1));
}

}  // namespace

void TIniFile::Parse(std::string text) {
  fileText_ = std::make_unique<std::string>(std::move(text));
  const std::string& t = *fileText_;
  crlf_ = t.find("\r\n") != std::string::npos;
  // The lines of each section are counted first, so that each list is
  // allocated once at its size: a large document would otherwise hold two
  // copies of its line list while it grows.
  std::vector<std::size_t> counts;
  ForEachLine(t, [&](std::string_view line) {
    if (SectionHeader(line))
      counts.push_back(0);
    else if (!counts.empty())
      ++counts.back();
  });
  sections_.reserve(counts.size());
  Section* current = nullptr;
  ForEachLine(t, [&](std::string_view line) {
    if (const auto name = SectionHeader(line)) {
      sections_.push_back({std::string(*name), {}, {}});
      current = &sections_.back();
      ReserveLarge(current->lines, counts[sections_.size() - 1]);
      return;
    }
    if (!current) {
      header_.emplace_back(line);
      return;
    }
    current->lines.push_back(MakeLine(line));
  });
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

const TIniFile::Line* TIniFile::FindByHint(std::string_view section, std::string_view key) const {
  const uint64_t at = hint_.Get();
  const std::size_t k = static_cast<std::size_t>(at >> 32);
  if (k >= sections_.size() || !SameName(sections_[k].name, section)) return nullptr;
  for (std::size_t j = 0; j < k; ++j)
    if (SameName(sections_[j].name, section)) return nullptr;
  // The line hinted, the one before it (a key asked twice in a row) and the
  // one after it (a line the reader skips).  An indexed line of that name is
  // exactly what the index would answer.
  const auto& lines = sections_[k].lines;
  const std::size_t i = static_cast<uint32_t>(at);
  for (std::size_t n = i > 0 ? i - 1 : 0; n < i + 2 && n < lines.size(); ++n) {
    const Line& l = lines[n];
    if (l.indexed && SameName(l.Key(), key)) {
      hint_.Set(k, n + 1);
      return &l;
    }
  }
  return nullptr;
}

const TIniFile::Line* TIniFile::FindKey(std::string_view section, std::string_view key) const {
  if (const Line* l = FindByHint(section, key)) return l;
  // A section may appear more than once in a hand-edited file; the first
  // occurrence of the key wins.
  const uint32_t hash = NameHash(key);
  bool first = true;
  for (std::size_t k = 0; k < sections_.size(); ++k) {
    const Section& s = sections_[k];
    if (!SameName(s.name, section)) continue;
    const int32_t i = s.index.Find(s.lines, key, hash);
    if (i >= 0) {
      if (first) hint_.Set(k, static_cast<std::size_t>(i) + 1);
      return &s.lines[static_cast<size_t>(i)];
    }
    first = false;
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

void TIniFile::WriteKey(std::string_view section, std::string_view key, std::string_view value,
                        uint32_t hash) {
  // Saving over the document just read writes its keys in their order: the
  // read hint finds each one without the index.
  Line* found = const_cast<Line*>(FindByHint(section, key));
  Section* first = nullptr;
  for (std::size_t k = 0; found == nullptr && k < sections_.size(); ++k) {
    Section& s = sections_[k];
    if (!SameName(s.name, section)) continue;
    const int32_t i = s.index.Find(s.lines, key, hash);
    if (i >= 0) {
      if (first == nullptr) hint_.Set(k, static_cast<std::size_t>(i) + 1);
      found = &s.lines[static_cast<size_t>(i)];
    }
    if (first == nullptr) first = &s;
  }
  if (found != nullptr) {
    // Rewriting a value that is already there costs no storage: saving
    // over the document just read stays within its memory.
    if (found->Value() == value && found->size == found->keySize + 1 + found->valueSize) return;
    *found = MakeLine(StoreLine(found->Key(), value));
    found->indexed = true;
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
    sections_.push_back({std::string(section), {}, {}});
    first = &sections_.back();
  }
  // A new key goes after the last non-blank line of the section, so that
  // the blank lines between sections stay where they are.  Only blank
  // lines move, and they are not in the index.
  auto& lines = first->lines;
  std::size_t at = lines.size();
  while (at > 0 && TrimBlanks(lines[at - 1].Raw()).empty()) --at;
  // Grown as the vector itself would, on huge pages for a large section.
  if (lines.size() == lines.capacity())
    ReserveLarge(lines, std::max<std::size_t>(16, lines.capacity() * 2));
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), MakeLine(StoreLine(key, value)));
  first->index.Add(lines, static_cast<uint32_t>(at), hash);
}

void TIniFile::Apply(const Op& op) {
  switch (op.kind) {
    case OpKind::Write:
      WriteKey(op.section, op.key, op.value, NameHash(op.key));
      return;
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
  std::string sectionBuf, keyBuf, valueBuf;
  const std::string_view s = CleanName(section, ']', sectionBuf);
  const std::string_view k = CleanName(key, '=', keyBuf);
  const std::string_view v = CleanValue(value, valueBuf);
  if (k.empty()) return;
  WriteKey(s, k, v, NameHash(k));
  if (!wholeOnly_)
    pending_.push_back({OpKind::Write, std::string(s), std::string(k), std::string(v)});
}

void TIniFile::WriteStrings(std::string_view section, std::span<const KeyValue> entries) {
  std::string sectionBuf, keyBuf, valueBuf;
  const std::string_view s = CleanName(section, ']', sectionBuf);
  // The keys are written one at a time, in order, as WriteString does; the
  // slots of the keys a little further on are fetched meanwhile, so that a
  // section too large for the caches waits for memory once per batch rather
  // than once per key.
  constexpr std::size_t kAhead = 16;
  uint32_t hashes[kAhead];
  for (std::size_t from = 0; from < entries.size(); from += kAhead) {
    const std::size_t n = std::min(kAhead, entries.size() - from);
    const Section* target = FindSection(s);
    for (std::size_t i = 0; i < n; ++i) {
      hashes[i] = NameHash(CleanName(entries[from + i].key, '=', keyBuf));
      if (target != nullptr) target->index.Prefetch(hashes[i]);
    }
    for (std::size_t i = 0; i < n; ++i) {
      const std::string_view k = CleanName(entries[from + i].key, '=', keyBuf);
      const std::string_view v = CleanValue(entries[from + i].value, valueBuf);
      if (k.empty()) continue;
      WriteKey(s, k, v, hashes[i]);
      if (!wholeOnly_)
        pending_.push_back({OpKind::Write, std::string(s), std::string(k), std::string(v)});
    }
  }
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  std::string keyBuf;
  Op op{OpKind::Delete, SectionName(section), std::string(CleanName(key, '=', keyBuf)), {}};
  Apply(op);
  if (!wholeOnly_) pending_.push_back(std::move(op));
}

void TIniFile::EraseSection(std::string_view section) {
  Op op{OpKind::Erase, SectionName(section), {}, {}};
  Apply(op);
  if (!wholeOnly_) pending_.push_back(std::move(op));
}

TStatus TIniFile::UpdateFile() {
  if (path_.empty()) return Fail(WriteFailureReason(path_), "aucun nom de fichier");
  if (wholeOnly_)
    return Fail(WriteFailureReason(path_), "ce fichier s'enregistre seulement en entier");
  if (pending_.empty()) return {};
  // Replay the changes on the file as it is now on disk.
  TIniFile merged;
  merged.path_ = path_;
  TResult<std::string> bytes = ReadWholeFile(path_);
  if (bytes) {
    merged.Parse(TakeFileText(std::move(bytes).value()));
  } else {
    struct stat st {};
    if (stat(path_.c_str(), &st) == 0 || errno != ENOENT)
      return Fail(
          WriteFailureReason(path_),
          "le fichier n'a pas pu être relu avant d'être mis à jour : " + bytes.error().cause);
    merged.crlf_ = crlf_;
  }
  for (const auto& op : pending_) merged.Apply(op);
  if (TStatus written = WriteFileAtomically(path_, merged.Text()); !written) return written;
  merged.pending_.clear();
  *this = std::move(merged);
  return {};
}

TStatus TIniFile::SaveToFile(const std::string& path) {
  const std::string& target = path.empty() ? path_ : path;
  if (target.empty()) return Fail(WriteFailureReason(target), "aucun nom de fichier");
  const TStatus written = WriteFileAtomicallyFrom(target, [&](const TPieceWriter& write) {
    bool good = true;
    WriteText([&](std::string_view piece) { good = good && write(piece); });
    return good;
  });
  if (!written) return written;
  if (target == path_) pending_.clear();
  return {};
}

}  // namespace kinevo
