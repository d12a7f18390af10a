#pragma once
// Writing files so that a failure never costs the user a file: every file
// the program writes (documents, settings, exports, pictures, graphs,
// spreadsheets, videos) goes through here.
//
// The content goes to a temporary file beside the target; every write and
// the close are checked, the data is flushed to the disk, and only then is
// the temporary file renamed over the target.  A full disk, a read-only
// folder, a crash or a cancel leaves the previous file as it was and no
// temporary file behind.  A symbolic link is written through (the link
// stays, its target is replaced atomically); a character device or a pipe
// (/dev/null, a terminal) is written to directly; a folder, an existing
// file protected against writing, and anything else are refused.
//
// Every failure is a TError whose reason names the file and whose cause
// says, in French, what went wrong ("disque plein").
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/result.h"

namespace kinevo {

// The French words for a failed system call on a file, from its errno
// value: "Accès refusé", "disque plein" ...
std::string FileErrorReason(int errnoValue);

// The reason of every failure to write `path`.
std::string WriteFailureReason(const std::string& path);

// Whether `output` may be written by a command that reads `inputs`: not a
// folder, not one of the inputs (the same file under another name or
// through a link counts), not an existing file protected against writing.
// A file that does not exist yet is accepted (its folder is checked when it
// is written).  Empty names among the inputs are ignored.
TStatus CheckOutputFile(const std::string& output, const std::vector<std::string>& inputs = {});

class TAtomicFile {
 public:
  // Prepares writing `path`: refuses what CheckOutputFile refuses, then
  // creates the temporary file (or opens the device).
  static TResult<TAtomicFile> Create(const std::string& path);

  TAtomicFile(TAtomicFile&& other) noexcept;
  TAtomicFile& operator=(TAtomicFile&& other) noexcept;
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;
  // Abandons the file unless it was committed.
  ~TAtomicFile();

  // The name given to Create.
  const std::string& Path() const { return path_; }
  // Where the content goes: the temporary file, or the device itself.  A
  // writer that opens files by name (a video or spreadsheet library) writes
  // here, closes its own handle and reports its own failures; Commit then
  // makes the result the target.
  const std::string& WritePath() const { return writePath_; }
  // The target is a device or a pipe, written in place.
  bool Direct() const { return direct_; }

  // Appends bytes through the object's own handle.
  TStatus Write(std::string_view piece);
  // Flushes, closes and renames over the target; after a failure the
  // target is as it was and the temporary file is gone.
  TStatus Commit();
  // Removes the temporary file; the target is untouched.  Harmless twice.
  void Abandon();

 private:
  TAtomicFile() = default;
  TError Failure(std::string cause) const;
  TError SystemFailure(int err) const;
  void Release();

  std::string path_;       // as given
  std::string target_;     // links followed
  std::string writePath_;  // temporary file or device
  int fd_ = -1;
  bool direct_ = false;
  bool finished_ = true;
  bool keepMode_ = false;
  unsigned mode_ = 0;
  int uid_ = -1, gid_ = -1;
};

// Writes `data` to `path` through a TAtomicFile.
TStatus WriteFileAtomically(const std::string& path, std::string_view data);
// The same with the content handed over in pieces: `produce` calls `write`
// for each piece and answers false to abandon the file (after a failed
// write, whose cause the answer keeps).
using TPieceWriter = std::function<bool(std::string_view piece)>;
TStatus WriteFileAtomicallyFrom(const std::string& path,
                                const std::function<bool(const TPieceWriter& write)>& produce);

}  // namespace kinevo
