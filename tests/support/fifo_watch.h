#pragma once
// A FIFO for the tests of non-regular files, with a watcher that tells
// whether anyone opened it for reading.  Opening a FIFO that has no writer
// waits forever; the watcher opens the writing end as soon as a reader
// waits and closes it at once, so a program that wrongly opens the FIFO gets
// an empty stream instead of hanging the test, and the test sees
// ReadersSeen() > 0.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace kinevo::test {

class FifoWatch {
 public:
  explicit FifoWatch(std::string path) : path_(std::move(path)) {
    made_ = ::mkfifo(path_.c_str(), 0644) == 0;
    if (made_) watcher_ = std::thread([this] { Watch(); });
  }
  ~FifoWatch() {
    stop_ = true;
    if (watcher_.joinable()) watcher_.join();
    if (made_) ::unlink(path_.c_str());
  }
  FifoWatch(const FifoWatch&) = delete;
  FifoWatch& operator=(const FifoWatch&) = delete;

  bool Made() const { return made_; }
  const std::string& Path() const { return path_; }
  // How many times a reader opened the FIFO.
  int ReadersSeen() const { return readers_.load(); }

 private:
  void Watch() {
    while (!stop_) {
      // Without a reader this fails at once (ENXIO); with one it succeeds.
      const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        ++readers_;
        ::close(fd);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  std::string path_;
  bool made_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<int> readers_{0};
  std::thread watcher_;
};

}  // namespace kinevo::test
