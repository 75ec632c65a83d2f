#include "ipc/channel.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace ipc {

namespace {

// Bytes taken from the socket per ReadAvailable at most, so that one busy
// peer cannot keep the owner's loop from its other work.
constexpr size_t kMaxReadPerCall = 1024 * 1024;

std::string ErrnoText(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

Channel::Channel(int fd, size_t max_frame_size)
    : fd_(fd), assembler_(max_frame_size) {
  if (fd_ >= 0) {
    int flags = fcntl(fd_, F_GETFL);
    if (flags >= 0)
      fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
  }
}

Channel::~Channel() {
  Close();
}

Channel::Status Channel::ReadAvailable(
    std::vector<std::vector<uint8_t>>* frames,
    std::string* error) {
  if (read_failed_) {
    *error = read_error_;
    return Status::kError;
  }
  if (fd_ < 0) {
    *error = "channel is closed";
    return Status::kError;
  }
  auto fail = [this, error](std::string reason, bool malformed) {
    read_failed_ = true;
    malformed_ = malformed;
    read_error_ = std::move(reason);
    *error = read_error_;
    return Status::kError;
  };
  // Hands over every whole frame buffered so far; false on a broken stream.
  auto drain = [this, frames, &fail]() {
    for (;;) {
      std::vector<uint8_t> payload;
      std::string reason;
      switch (assembler_.Next(&payload, &reason)) {
        case FrameAssembler::Status::kFrame:
          frames->push_back(std::move(payload));
          break;
        case FrameAssembler::Status::kNeedMore:
          return true;
        case FrameAssembler::Status::kError:
          fail(reason, true);
          return false;
      }
    }
  };

  uint8_t buffer[64 * 1024];
  size_t total = 0;
  while (total < kMaxReadPerCall) {
    ssize_t got = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got > 0) {
      assembler_.Append(buffer, static_cast<size_t>(got));
      total += static_cast<size_t>(got);
      if (!drain())
        return Status::kError;
      continue;
    }
    if (got == 0) {
      if (assembler_.buffered() > 0) {
        return fail("stream ended inside a frame (" +
                        std::to_string(assembler_.buffered()) +
                        " bytes of a truncated frame)",
                    true);
      }
      return Status::kClosed;
    }
    if (errno == EINTR)
      continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK)
      break;
    if (errno == ECONNRESET)
      return Status::kClosed;
    return fail(ErrnoText("read from channel"), false);
  }
  return Status::kOk;
}

void Channel::Queue(const std::vector<uint8_t>& payload) {
  std::lock_guard<std::mutex> lock(write_mutex_);
  outgoing_.push_back(MakeFrame(payload));
}

bool Channel::HasPendingOutput() const {
  std::lock_guard<std::mutex> lock(write_mutex_);
  return !outgoing_.empty();
}

Channel::Status Channel::FlushSome(std::string* error) {
  std::lock_guard<std::mutex> lock(write_mutex_);
  return FlushLocked(error);
}

Channel::Status Channel::FlushLocked(std::string* error) {
  if (write_failed_ || fd_ < 0) {
    *error = "channel is closed";
    return Status::kError;
  }
  while (!outgoing_.empty()) {
    const std::vector<uint8_t>& frame = outgoing_.front();
    ssize_t sent = send(fd_, frame.data() + first_offset_,
                        frame.size() - first_offset_, MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR)
        continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK)
        return Status::kOk;
      write_failed_ = true;
      *error = ErrnoText("write to channel");
      return errno == EPIPE || errno == ECONNRESET ? Status::kClosed
                                                   : Status::kError;
    }
    first_offset_ += static_cast<size_t>(sent);
    if (first_offset_ == frame.size()) {
      outgoing_.pop_front();
      first_offset_ = 0;
    }
  }
  return Status::kOk;
}

bool Channel::SendBlocking(const std::vector<uint8_t>& payload,
                           std::string* error) {
  std::lock_guard<std::mutex> lock(write_mutex_);
  if (write_failed_ || fd_ < 0) {
    *error = "channel is closed";
    return false;
  }
  outgoing_.push_back(MakeFrame(payload));
  for (;;) {
    if (FlushLocked(error) != Status::kOk)
      return false;
    if (outgoing_.empty())
      return true;
    pollfd waiter = {fd_, POLLOUT, 0};
    if (poll(&waiter, 1, -1) < 0 && errno != EINTR) {
      write_failed_ = true;
      *error = ErrnoText("wait for channel");
      return false;
    }
  }
}

void Channel::Close() {
  std::lock_guard<std::mutex> lock(write_mutex_);
  if (fd_ < 0)
    return;
  shutdown(fd_, SHUT_RDWR);
  close(fd_);
  fd_ = -1;
  outgoing_.clear();
  first_offset_ = 0;
}

bool IsUsableChannel(int fd, std::string* reason) {
  if (fd < 0) {
    *reason = "descriptor " + std::to_string(fd) + " is negative";
    return false;
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    *reason = "descriptor " + std::to_string(fd) + " is not open";
    return false;
  }
  if (!S_ISSOCK(info.st_mode)) {
    *reason = "descriptor " + std::to_string(fd) + " is not a socket";
    return false;
  }
  int type = 0;
  socklen_t length = sizeof type;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 ||
      type != SOCK_STREAM) {
    *reason = "descriptor " + std::to_string(fd) + " is not a stream socket";
    return false;
  }
  return true;
}

}  // namespace ipc
