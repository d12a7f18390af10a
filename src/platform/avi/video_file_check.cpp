#include "platform/avi/video_file_check.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/common/atomic_file.h"

namespace kinevo {

TFileCheck CheckVideoFile(const std::string& path) {
  TFileCheck check = TFrameSource::CheckRegularFile(path);
  if (!check.Passed()) return check;
  // A trial opening tells a file without read permission from a damaged
  // one.  O_NONBLOCK: should the file have been replaced by a FIFO since the
  // check above, this still returns at once.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {TOpenFailure::Unreadable, FileErrorReason(errno)};
  ::close(fd);
  return {};
}

}  // namespace kinevo
