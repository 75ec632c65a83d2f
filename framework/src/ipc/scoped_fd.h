// A file descriptor owned by the scope that holds it.

#ifndef FRAMEWORK_SRC_IPC_SCOPED_FD_H_
#define FRAMEWORK_SRC_IPC_SCOPED_FD_H_

#include <unistd.h>

namespace ipc {

class ScopedFd {
 public:
  explicit ScopedFd(int fd = -1) : fd_(fd) {}
  ~ScopedFd() { reset(); }
  ScopedFd(ScopedFd&& other) noexcept : fd_(other.release()) {}
  ScopedFd& operator=(ScopedFd&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1) {
    if (fd_ >= 0)
      close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_SCOPED_FD_H_
