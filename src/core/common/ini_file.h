#pragma once
// INI-style text files: the settings file and the ".kvo" documents.
//
// The file is held in memory with its sections, keys, comments and blank
// lines in their order; a written key is updated in place (its line keeps
// its place and its spelling), a new key goes at the end of its section and
// a new section at the end of the file.  Section and key names are matched
// without regard to case (ASCII).  Lines before the first section are kept
// but never read.  Values are trimmed of blanks; floats are read with "," or
// "." and written with the program's decimal separator.
//
// Text: files are written in UTF-8.  A file that is not valid UTF-8 comes
// from an older Windows version and is read as Windows-1252.
//
// Writing: nothing reaches the disk until UpdateFile or SaveToFile, and
// both write atomically: a temporary file beside the target, flushed to the
// disk, then renamed over it.  A crash, a full disk or a read-only folder
// during the save leaves the previous file as it was, and the save answers
// the failure: its reason names the file, its cause says what went wrong.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/common/key_store.h"
#include "core/common/result.h"

namespace kinevo {

class TIniFile final : public IKeyReader, public IKeyWriter {
 public:
  // Reads `path` when it exists.  An empty path gives an object that only
  // answers defaults and never writes.
  explicit TIniFile(std::string path = {});
  // Lines point into storage of the object's own: it moves, it is not copied.
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;
  TIniFile(TIniFile&&) = default;
  TIniFile& operator=(TIniFile&&) = default;

  const std::string& FileName() const { return path_; }

  // Re-reads the file, dropping changes not yet saved.  A missing file reads
  // as empty; a file that exists but cannot be read answers why and leaves
  // the content empty.  The constructor reads the same way and keeps the
  // answer in ReadStatus (settings fall back on their defaults; a document
  // reader refuses).
  TStatus Load();
  const TStatus& ReadStatus() const { return readStatus_; }
  // Replaces the content by the text given (UTF-8 or Windows-1252); the
  // changes are not pending for UpdateFile.
  void SetText(std::string_view text);
  // The content as it would be written.
  std::string Text() const;

  bool SectionExists(std::string_view section) const;
  std::vector<std::string> ReadSections() const;
  // The keys of a section, in file order.
  std::vector<std::string> ReadSection(std::string_view section) const;
  std::vector<std::pair<std::string, std::string>> ReadSectionValues(
      std::string_view section) const;

  // The reading and writing helpers of the key store interfaces work over
  // these.
  std::optional<std::string_view> Find(std::string_view section,
                                       std::string_view key) const override;
  // Line breaks in names and values are replaced by blanks, so that a value
  // can never add lines or sections to the file.
  void WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  // Several keys of one section, written in their order exactly as
  // WriteString would write them one at a time; the index lookups of a
  // large batch are overlapped, which a document of millions of keys needs.
  struct KeyValue {
    std::string_view key, value;
  };
  void WriteStrings(std::string_view section, std::span<const KeyValue> entries);
  void DeleteKey(std::string_view section, std::string_view key) override;
  void EraseSection(std::string_view section) override;

  // Writes the changes made since the last load or save into the file as it
  // is now on disk (so that several objects sharing one settings file never
  // undo each other's writes), atomically.  Succeeds when the file was
  // written (or nothing was pending); on failure the changes stay pending
  // and the previous file is intact.
  TStatus UpdateFile();
  // Writes the whole content, as held, to `path` (the file's own path when
  // empty), atomically, replacing what was there.  Used for documents.
  TStatus SaveToFile(const std::string& path = {});

  // Takes the changes made since the last load as if they had been read:
  // they are no longer pending for UpdateFile, and the lines above the first
  // section are dropped.  For content converted in memory from an older
  // layout, which only a whole save writes.
  void KeepChangesInMemory() {
    pending_.clear();
    DropHeader();
  }
  // Drops the lines above the first section, which are never read.
  void DropHeader() { header_.clear(); }

  // A document is only ever saved whole (SaveToFile): its writes need not
  // be kept for UpdateFile, which would hold every key of a large analysis
  // twice.  After this call UpdateFile refuses.
  void SaveWholeOnly() {
    wholeOnly_ = true;
    pending_.clear();
  }

  bool Modified() const { return !pending_.empty(); }
  // Line break written: "\r\n" when the file read used it, else "\n".
  bool UsesCrLf() const { return crlf_; }
  void SetUsesCrLf(bool crlf) { crlf_ = crlf; }

 private:
  // A line is a piece of the text store: the file's own bytes, or text
  // appended by a write.  Lines never own their characters, which keeps a
  // document of millions of keys within a few tens of bytes a line.
  struct Line {
    const char* text = nullptr;
    uint32_t size = 0;
    uint32_t keyBegin = 0, keySize = 0;  // keySize 0: a comment, a blank or a stray line
    uint32_t valueBegin = 0, valueSize = 0;
    // The line the section's index answers for its key: the first of that
    // name in the section.
    bool indexed = false;
    std::string_view Raw() const { return {text, size}; }
    std::string_view Key() const { return {text + keyBegin, keySize}; }
    std::string_view Value() const { return {text + valueBegin, valueSize}; }
  };
  // Finds a section's keys in constant time, without regard to case: open
  // addressing over line numbers.  A slot holds the line number + 1 in its
  // low half (0: empty) and the key's hash in its high half, so that probing
  // and growing never read the lines themselves.  `hash` is NameHash(key).
  class KeyIndex {
   public:
    int32_t Find(const std::vector<Line>& lines, std::string_view key, uint32_t hash) const;
    // Adds line `i` unless its key is already there (the first one wins) and
    // marks it indexed.
    void Add(std::vector<Line>& lines, uint32_t i, uint32_t hash);
    void Rebuild(std::vector<Line>& lines);
    // Starts fetching the slot where a search for `hash` begins.
    void Prefetch(uint32_t hash) const;

   private:
    void Grow(std::size_t size);
    std::vector<uint64_t> slots_;
    std::size_t used_ = 0;
  };
  // Where the next key read is likely to be: a document is read back in the
  // order it was written.  Section number in the high half, line number in
  // the low half; only a guess, checked against the line before use.  Atomic
  // so that reading one file from several threads stays defined.
  class ReadHint {
   public:
    ReadHint() = default;
    ReadHint(const ReadHint&) {}
    ReadHint& operator=(const ReadHint&) {
      Reset();
      return *this;
    }
    uint64_t Get() const { return at_.load(std::memory_order_relaxed); }
    void Set(std::size_t section, std::size_t line) const {
      at_.store((static_cast<uint64_t>(section) << 32) | static_cast<uint32_t>(line),
                std::memory_order_relaxed);
    }
    void Reset() const { at_.store(0, std::memory_order_relaxed); }

   private:
    mutable std::atomic<uint64_t> at_{0};
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
    KeyIndex index;
  };
  enum class OpKind { Write, Delete, Erase };
  struct Op {
    OpKind kind;
    std::string section, key, value;
  };

  void Parse(std::string text);
  void Apply(const Op& op);
  void Clear();
  // Copies `key`, "=" and `value` into the store as one line; the copy
  // lives as long as this object.
  std::string_view StoreLine(std::string_view key, std::string_view value);
  Line MakeLine(std::string_view raw) const;
  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;
  const Line* FindKey(std::string_view section, std::string_view key) const;
  // The line of `key` in the first section named `section`, when the read
  // hint points at it or next to it.
  const Line* FindByHint(std::string_view section, std::string_view key) const;
  // `hash` is the key's NameHash.
  void WriteKey(std::string_view section, std::string_view key, std::string_view value,
                uint32_t hash);
  // Writes the content to `out` in pieces of about a megabyte.
  template <typename Sink>
  void WriteText(Sink&& out) const;

  std::string path_;
  std::vector<std::string> header_;  // lines before the first section
  std::vector<Section> sections_;
  std::vector<std::unique_ptr<char[]>> store_;
  std::size_t storeUsed_ = 0, storeSize_ = 0;
  std::unique_ptr<std::string> fileText_;  // the text read, which the lines of the file point into
  std::vector<Op> pending_;
  ReadHint hint_;
  bool crlf_ = false;
  bool wholeOnly_ = false;
  TStatus readStatus_;
};

// The failure to read `path`: its reason names the file, `cause` says why.
TError ReadFailure(const std::string& path, std::string cause);

// Creates `path` and the folders above it that are missing, private to the
// user (0700) as the desktop's folder conventions ask: the settings, the
// program's associations and its temporary files are the user's own.
// Answers whether `path` is then a folder.
bool MakeFolders(const std::string& path);

// Reads a whole file.  Fails when it cannot be opened or read, or when it is
// not a regular file (a folder, a device, or a pipe that would wait for a
// writer for ever): the error is `ReadFailure(path, why)`, its cause in
// French as the user is told ("Accès refusé.", "Ce n'est pas un fichier
// ordinaire." ...).  errno is kept from the failing call.
TResult<std::string> ReadWholeFile(const std::string& path);

}  // namespace kinevo
