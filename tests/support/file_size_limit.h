#pragma once
// A limit on the size of the files this process writes while the object
// lives: a write past it fails with EFBIG, as one on a full disk fails with
// ENOSPC, instead of killing the process (SIGXFSZ is ignored meanwhile).
#include <sys/resource.h>

#include <csignal>

namespace kinevo::test {

class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old_;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~ScopedFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  struct rlimit old_ {};
  void (*handler_)(int) = nullptr;
};

}  // namespace kinevo::test
