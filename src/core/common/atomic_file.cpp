#include "core/common/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <optional>
#include <utility>

#include "core/common/text_utils.h"

namespace kinevo {

std::string FileErrorReason(int errnoValue) {
  switch (errnoValue) {
    case EACCES:
    case EPERM:
      return "Accès refusé";
    case ENOENT:
      return "fichier introuvable";
    case ENOTDIR:
      return "un élément du chemin n'est pas un dossier";
    case EISDIR:
      return "c'est un dossier";
    case ENOSPC:
      return "disque plein";
    case EDQUOT:
      return "quota de disque dépassé";
    case EFBIG:
      return "fichier trop grand pour le support";
    case EROFS:
      return "support en lecture seule";
    case EMFILE:
    case ENFILE:
      return "trop de fichiers ouverts";
    case ENOMEM:
      return "mémoire insuffisante";
    case EIO:
      return "erreur de lecture ou d'écriture sur le support";
    case ENAMETOOLONG:
      return "nom de fichier trop long";
    case ELOOP:
      return "trop de liens symboliques";
    case EBUSY:
    case ETXTBSY:
      return "fichier occupé";
    case ENXIO:
      return "aucun programme ne lit à l'autre bout";
    case EPIPE:
      return "le programme qui lisait s'est arrêté";
    default:
      return "erreur système " + std::to_string(errnoValue);
  }
}

std::string WriteFailureReason(const std::string& path) {
  return "Le fichier « " + path + " » n'a pas pu être enregistré.";
}

namespace {

// The file a name designates in the end: its symbolic links followed one
// at a time, so that a link to a file not made yet is written through too.
// Empty, with `err` set, on a loop.
std::string FollowLinks(const std::string& path, int& err) {
  std::string p = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    char to[PATH_MAX];
    const ssize_t n = readlink(p.c_str(), to, sizeof to - 1);
    if (n <= 0) return p;
    std::string next(to, static_cast<std::size_t>(n));
    p = next[0] == '/' ? next : FolderOf(p) + "/" + next;
  }
  err = ELOOP;
  return {};
}

// Nobody may write it, or this user may not: replacing it would undo the
// protection (the superuser passes every access check, hence the bits).
bool WriteProtected(const struct stat& st, const std::string& path) {
  return (st.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0;
}

// The refusals shared by the check of a command's output and the writer,
// for an existing file; empty when it may be written.
std::string Refusal(const struct stat& st, const std::string& path) {
  if (S_ISDIR(st.st_mode)) return "c'est un dossier";
  if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) return {};
  if (!S_ISREG(st.st_mode)) return "ce n'est pas un fichier ordinaire";
  if (WriteProtected(st, path)) return "le fichier existant est protégé en écriture";
  return {};
}

}  // namespace

TStatus CheckOutputFile(const std::string& output, const std::vector<std::string>& inputs) {
  if (output.empty()) return Fail("Aucun nom n'est donné au fichier à écrire.");
  struct stat out {};
  if (stat(output.c_str(), &out) != 0) {
    if (errno == ENOENT) return {};  // not made yet
    return Fail(WriteFailureReason(output), FileErrorReason(errno));
  }
  for (const std::string& input : inputs) {
    struct stat in {};
    if (input.empty() || stat(input.c_str(), &in) != 0) continue;
    if (in.st_dev == out.st_dev && in.st_ino == out.st_ino)
      return Fail("Le fichier « " + output +
                      " » est lu par cette opération : il ne peut pas être remplacé.",
                  input == output ? std::string() : "c'est le même fichier que « " + input + " »");
  }
  if (std::string why = Refusal(out, output); !why.empty())
    return Fail(WriteFailureReason(output), std::move(why));
  return {};
}

// ---------------------------------------------------------------------------

TError TAtomicFile::Failure(std::string cause) const {
  return TError{WriteFailureReason(path_), std::move(cause)};
}

TError TAtomicFile::SystemFailure(int err) const { return Failure(FileErrorReason(err)); }

TResult<TAtomicFile> TAtomicFile::Create(const std::string& path) {
  TAtomicFile f;
  f.path_ = path;
  if (path.empty()) return Fail("Aucun nom n'est donné au fichier à écrire.");
  int err = 0;
  f.target_ = FollowLinks(path, err);
  if (f.target_.empty()) return f.SystemFailure(err);

  struct stat st {};
  const bool exists = stat(f.target_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return f.SystemFailure(errno);
  if (exists) {
    if (std::string why = Refusal(st, f.target_); !why.empty()) return f.Failure(std::move(why));
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe: written in place, nothing to rename.  A pipe is
      // opened without waiting, so that one nobody reads fails at once.
      const bool pipe = S_ISFIFO(st.st_mode);
      f.fd_ = open(f.target_.c_str(), O_WRONLY | O_CLOEXEC | (pipe ? O_NONBLOCK : 0));
      if (f.fd_ < 0) return f.SystemFailure(errno);
      if (pipe) fcntl(f.fd_, F_SETFL, fcntl(f.fd_, F_GETFL) & ~O_NONBLOCK);
      f.direct_ = true;
      f.writePath_ = f.target_;
      f.finished_ = false;
      return f;
    }
    f.keepMode_ = true;
    f.mode_ = st.st_mode & 07777;
    f.uid_ = static_cast<int>(st.st_uid);
    f.gid_ = static_cast<int>(st.st_gid);
  }

  // A hidden name in the same folder, so that the rename stays on one file
  // system; the target's name is cut so that the temporary one stays a
  // valid name.
  static std::atomic<unsigned> counter{0};
  const std::string folder = FolderOf(f.target_);
  const std::string stem = FileNameOf(f.target_).substr(0, 150);
  for (int attempt = 0; attempt < 100; ++attempt) {
    f.writePath_ =
        folder + "/." + stem + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    f.fd_ = open(f.writePath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (f.fd_ >= 0) break;
    if (errno == EEXIST) continue;
    if (errno == ENOENT || errno == ENOTDIR)
      return f.Failure("le dossier « " + folder + " » n'existe pas");
    return f.SystemFailure(errno);
  }
  if (f.fd_ < 0) return f.Failure("aucun nom de fichier temporaire libre");
  f.finished_ = false;
  return f;
}

TAtomicFile::TAtomicFile(TAtomicFile&& other) noexcept { *this = std::move(other); }

TAtomicFile& TAtomicFile::operator=(TAtomicFile&& other) noexcept {
  if (this == &other) return *this;
  Abandon();
  path_ = std::move(other.path_);
  target_ = std::move(other.target_);
  writePath_ = std::move(other.writePath_);
  fd_ = std::exchange(other.fd_, -1);
  direct_ = other.direct_;
  finished_ = std::exchange(other.finished_, true);
  keepMode_ = other.keepMode_;
  mode_ = other.mode_;
  uid_ = other.uid_;
  gid_ = other.gid_;
  return *this;
}

TAtomicFile::~TAtomicFile() { Abandon(); }

TStatus TAtomicFile::Write(std::string_view piece) {
  if (finished_) return Failure("le fichier n'est plus ouvert");
  const char* p = piece.data();
  std::size_t left = piece.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SystemFailure(errno);
    if (n == 0) return Failure("écriture interrompue");
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return {};
}

void TAtomicFile::Release() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  finished_ = true;
}

void TAtomicFile::Abandon() {
  if (finished_) return;
  const bool temporary = !direct_;
  Release();
  if (temporary) unlink(writePath_.c_str());
}

TStatus TAtomicFile::Commit() {
  if (finished_) return Failure("le fichier n'est plus ouvert");
  const int fd = std::exchange(fd_, -1);
  if (close(fd) != 0) {
    const int err = errno;
    Abandon();
    return SystemFailure(err);
  }
  if (direct_) {
    finished_ = true;
    return {};
  }
  // Flushed through its name: a library writing by name may have put a new
  // file there.  A failure here is a write that never reached the disk.
  const int sync = open(writePath_.c_str(), O_RDONLY | O_CLOEXEC);
  if (sync < 0 || fsync(sync) != 0) {
    const int err = errno;
    if (sync >= 0) close(sync);
    Abandon();
    return SystemFailure(err);
  }
  close(sync);
  if (keepMode_) {
    chmod(writePath_.c_str(), static_cast<mode_t>(mode_));
    // The superuser writing someone's file leaves it theirs (nobody else
    // can give a file away); when that fails the content still matters more.
    if (geteuid() == 0 &&
        lchown(writePath_.c_str(), static_cast<uid_t>(uid_), static_cast<gid_t>(gid_)) != 0)
      errno = 0;
  }
  if (rename(writePath_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    Abandon();
    return SystemFailure(err);
  }
  finished_ = true;
  // Makes the rename itself durable; the file is no longer at risk here.
  const int dir = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return {};
}

TStatus WriteFileAtomically(const std::string& path, std::string_view data) {
  return WriteFileAtomicallyFrom(path, [&](const TPieceWriter& write) { return write(data); });
}

TStatus WriteFileAtomicallyFrom(const std::string& path,
                                const std::function<bool(const TPieceWriter& write)>& produce) {
  auto file = TAtomicFile::Create(path);
  if (!file) return file.error();
  std::optional<TError> failed;
  const TPieceWriter write = [&](std::string_view piece) {
    if (failed) return false;
    if (TStatus s = file->Write(piece); !s) failed = s.error();
    return !failed;
  };
  if (!produce(write) || failed) {
    file->Abandon();
    return failed ? *failed : TError{WriteFailureReason(path), "écriture abandonnée"};
  }
  return file->Commit();
}

}  // namespace kinevo
