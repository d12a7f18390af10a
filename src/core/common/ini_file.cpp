#include "core/common/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/common/number_format.h"
#include "core/common/text_encoding.h"

namespace kinevo {

namespace {

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// Names and values never carry line breaks into the file.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (auto& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

std::string SectionName(std::string_view s) {
  std::string out = OneLine(Trim(s));
  for (auto& c : out)
    if (c == ']') c = ' ';
  return std::string(Trim(out));
}

std::string KeyName(std::string_view s) {
  std::string out = OneLine(Trim(s));
  for (auto& c : out)
    if (c == '=') c = ' ';
  return std::string(Trim(out));
}

std::string ErrnoText(const char* what, int err) {
  return std::string(what) + ": " + std::strerror(err);
}

}  // namespace

// ---------------------------------------------------------------------------
// Whole-file helpers

bool ReadWholeFile(const std::string& path, std::string& out) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string data;
  char buf[65536];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      close(fd);
      errno = err;
      return false;
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  out = std::move(data);
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error) {
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
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
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

  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon(ErrnoText("write failed", errno));
    }
    if (n == 0) return abandon("write failed");
    p += n;
    left -= static_cast<size_t>(n);
  }
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
// TIniFile

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
  if (!path_.empty()) Load();
}

bool TIniFile::Load() {
  header_.clear();
  sections_.clear();
  pending_.clear();
  error_.clear();
  if (path_.empty()) return true;
  std::string bytes;
  if (!ReadWholeFile(path_, bytes)) {
    struct stat st {};
    if (stat(path_.c_str(), &st) != 0 && errno == ENOENT) return true;  // not there yet
    error_ = "cannot read " + path_;
    return false;
  }
  Parse(bytes);
  return true;
}

void TIniFile::SetText(std::string_view text) {
  header_.clear();
  sections_.clear();
  pending_.clear();
  Parse(text);
}

void TIniFile::Parse(std::string_view bytes) {
  const std::string text = DecodeFileText(bytes);
  crlf_ = text.find("\r\n") != std::string::npos;
  Section* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const std::string_view t = Trim(line);
    if (!t.empty() && t.front() == '[') {
      const auto close = t.find(']');
      if (close != std::string_view::npos) {
        sections_.push_back({std::string(Trim(t.substr(1, close - 1))), {}});
        current = &sections_.back();
        continue;
      }
    }
    if (!current) {
      header_.emplace_back(line);
      continue;
    }
    Line l;
    l.raw = std::string(line);
    if (!t.empty() && t.front() != ';' && t.front() != '#') {
      const auto eq = t.find('=');
      if (eq != std::string_view::npos) {
        const auto key = Trim(t.substr(0, eq));
        if (!key.empty()) {
          l.key = std::string(key);
          l.value = std::string(Trim(t.substr(eq + 1)));
        }
      }
    }
    current->lines.push_back(std::move(l));
  }
}

std::string TIniFile::Text() const {
  const char* nl = crlf_ ? "\r\n" : "\n";
  std::string out;
  for (const auto& h : header_) {
    out += h;
    out += nl;
  }
  for (const auto& s : sections_) {
    out += '[';
    out += s.name;
    out += ']';
    out += nl;
    for (const auto& l : s.lines) {
      out += l.raw;
      out += nl;
    }
  }
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
    for (const auto& l : s.lines)
      if (!l.key.empty() && SameName(l.key, key)) return &l;
  }
  return nullptr;
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindKey(section, key) != nullptr;
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> names;
  for (const auto& s : sections_) {
    bool seen = false;
    for (const auto& n : names) seen = seen || SameName(n, s.name);
    if (!seen) names.push_back(s.name);
  }
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
  for (const auto& s : sections_) {
    if (!SameName(s.name, section)) continue;
    for (const auto& l : s.lines) {
      if (l.key.empty()) continue;
      bool seen = false;
      for (const auto& kv : out) seen = seen || SameName(kv.first, l.key);
      if (!seen) out.emplace_back(l.key, l.value);
    }
  }
  return out;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
  const Line* l = FindKey(section, key);
  return l ? l->value : std::string(def);
}

int64_t TIniFile::ReadInt64(std::string_view section, std::string_view key, int64_t def) const {
  const Line* l = FindKey(section, key);
  if (!l) return def;
  std::string_view v = Trim(l->value);
  bool neg = false;
  std::string_view digits = v;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    neg = digits.front() == '-';
    digits.remove_prefix(1);
  }
  int base = 10;
  if (!digits.empty() && digits.front() == '$') {
    base = 16;
    digits.remove_prefix(1);
  } else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  if (base == 10) {
    long long out = 0;
    return TextToInt(v, out) ? static_cast<int64_t>(out) : def;
  }
  if (digits.empty() || digits.size() > 16) return def;
  uint64_t acc = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return def;
    acc = acc * 16 + static_cast<uint64_t>(d);
  }
  // Hexadecimal values are bit patterns (colours): 32-bit ones keep their bits.
  int64_t value = acc <= 0xFFFFFFFFull && acc > 0x7FFFFFFFull
                      ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(acc)))
                      : static_cast<int64_t>(acc);
  return neg ? -value : value;
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  const int64_t v = ReadInt64(section, key, def);
  if (v < INT32_MIN || v > INT32_MAX) return def;
  return static_cast<int32_t>(v);
}

double TIniFile::ReadFloat(std::string_view section, std::string_view key, double def) const {
  const Line* l = FindKey(section, key);
  if (!l) return def;
  double v = 0;
  return TextToFloat(l->value, v) ? v : def;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  const Line* l = FindKey(section, key);
  if (!l) return def;
  if (SameName(Trim(l->value), "true")) return true;
  if (SameName(Trim(l->value), "false")) return false;
  return ReadInt64(section, key, def ? 1 : 0) != 0;
}

void TIniFile::Apply(const Op& op) {
  switch (op.kind) {
    case OpKind::Write: {
      Section* first = nullptr;
      for (auto& s : sections_) {
        if (!SameName(s.name, op.section)) continue;
        if (!first) first = &s;
        for (auto& l : s.lines) {
          if (!l.key.empty() && SameName(l.key, op.key)) {
            l.value = op.value;
            l.raw = l.key + "=" + op.value;
            return;
          }
        }
      }
      if (!first) {
        // A blank line before a new section, when the file already has content.
        if (!sections_.empty()) {
          auto& prev = sections_.back().lines;
          if (prev.empty() || !Trim(prev.back().raw).empty()) prev.push_back({});
        } else if (!header_.empty() && !Trim(header_.back()).empty()) {
          header_.emplace_back();
        }
        sections_.push_back({op.section, {}});
        first = &sections_.back();
      }
      // A new key goes after the last non-blank line of the section, so that
      // the blank lines between sections stay where they are.
      auto& lines = first->lines;
      auto it = lines.end();
      while (it != lines.begin() && Trim((it - 1)->raw).empty()) --it;
      lines.insert(it, Line{op.key + "=" + op.value, op.key, op.value});
      return;
    }
    case OpKind::Delete:
      for (auto& s : sections_) {
        if (!SameName(s.name, op.section)) continue;
        for (auto it = s.lines.begin(); it != s.lines.end();) {
          if (!it->key.empty() && SameName(it->key, op.key))
            it = s.lines.erase(it);
          else
            ++it;
        }
      }
      return;
    case OpKind::Erase:
      for (auto it = sections_.begin(); it != sections_.end();) {
        if (SameName(it->name, op.section))
          it = sections_.erase(it);
        else
          ++it;
      }
      return;
  }
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Op op{OpKind::Write, SectionName(section), KeyName(key), std::string(Trim(OneLine(value)))};
  if (op.key.empty()) return;
  Apply(op);
  pending_.push_back(std::move(op));
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
  WriteString(section, key, FloatToText(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  Op op{OpKind::Delete, SectionName(section), KeyName(key), {}};
  Apply(op);
  pending_.push_back(std::move(op));
}

void TIniFile::EraseSection(std::string_view section) {
  Op op{OpKind::Erase, SectionName(section), {}, {}};
  Apply(op);
  pending_.push_back(std::move(op));
}

bool TIniFile::UpdateFile() {
  error_.clear();
  if (path_.empty()) {
    error_ = "no file name";
    return false;
  }
  if (pending_.empty()) return true;
  // Replay the changes on the file as it is now on disk.
  TIniFile merged;
  merged.path_ = path_;
  std::string bytes;
  if (ReadWholeFile(path_, bytes)) {
    merged.Parse(bytes);
  } else {
    struct stat st {};
    if (stat(path_.c_str(), &st) == 0 || errno != ENOENT) {
      error_ = "cannot read " + path_ + " before updating it";
      return false;
    }
    merged.crlf_ = crlf_;
  }
  for (const auto& op : pending_) merged.Apply(op);
  if (!WriteFileAtomically(path_, merged.Text(), &error_)) return false;
  header_ = std::move(merged.header_);
  sections_ = std::move(merged.sections_);
  crlf_ = merged.crlf_;
  pending_.clear();
  return true;
}

bool TIniFile::SaveToFile(const std::string& path) {
  error_.clear();
  const std::string& target = path.empty() ? path_ : path;
  if (target.empty()) {
    error_ = "no file name";
    return false;
  }
  if (!WriteFileAtomically(target, Text(), &error_)) return false;
  if (target == path_) pending_.clear();
  return true;
}

}  // namespace kinevo
