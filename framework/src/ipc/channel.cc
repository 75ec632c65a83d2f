#include "ipc/channel.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstring>
#include <utility>

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

  constexpr size_t kReadSize = 64 * 1024;
  size_t total = 0;
  while (total < kMaxReadPerCall) {
    // Read straight into the assembler's buffer.
    ssize_t got =
        recv(fd_, assembler_.Reserve(kReadSize), kReadSize, MSG_DONTWAIT);
    assembler_.Commit(got > 0 ? static_cast<size_t>(got) : 0);
    if (got > 0) {
      total += static_cast<size_t>(got);
      if (!drain())
        return Status::kError;
      // A short read took all there was: asking again would only fail
      // with EAGAIN. The caller's level-triggered wait reports more.
      if (static_cast<size_t>(got) < kReadSize)
        break;
      continue;
    }
    // A peer that closed with bytes of ours unread ends the stream with
    // ECONNRESET instead of end-of-file; either way, what it sent is all.
    if (got == 0 || (got < 0 && errno == ECONNRESET)) {
      if (assembler_.buffered() > 0) {
        truncated_ = true;
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
    return fail(ErrnoText("read from channel"), false);
  }
  return Status::kOk;
}

Channel::Outgoing::Outgoing(std::vector<uint8_t> bytes)
    : payload(std::move(bytes)) {
  WriteFrameHeader(payload.size(), header);
}

void Channel::Queue(std::vector<uint8_t>&& payload) {
  std::lock_guard<std::mutex> lock(write_mutex_);
  outgoing_.emplace_back(std::move(payload));
  pending_bytes_ += outgoing_.back().size();
}

void Channel::Queue(const std::vector<uint8_t>& payload) {
  Queue(std::vector<uint8_t>(payload));
}

Channel::Status Channel::QueueAndFlush(std::vector<uint8_t>&& payload,
                                       std::string* error) {
  std::lock_guard<std::mutex> lock(write_mutex_);
  outgoing_.emplace_back(std::move(payload));
  pending_bytes_ += outgoing_.back().size();
  return FlushLocked(error);
}

bool Channel::HasPendingOutput() const {
  std::lock_guard<std::mutex> lock(write_mutex_);
  return !outgoing_.empty();
}

size_t Channel::PendingBytes() const {
  std::lock_guard<std::mutex> lock(write_mutex_);
  return pending_bytes_;
}

Channel::Status Channel::FlushSome(std::string* error) {
  std::lock_guard<std::mutex> lock(write_mutex_);
  return FlushLocked(error);
}

Channel::Status Channel::FlushLocked(std::string* error) {
  if (write_failed_) {
    *error = write_error_;
    return write_status_;
  }
  if (fd_ < 0) {
    *error = "channel is closed";
    return Status::kError;
  }
  // Header and payload of up to kMaxFrames frames go out in one call.
  constexpr size_t kMaxFrames = 32;
  while (!outgoing_.empty()) {
    iovec pieces[2 * kMaxFrames];
    size_t count = 0;
    size_t skip = first_offset_;
    for (const Outgoing& frame : outgoing_) {
      if (count + 2 > 2 * kMaxFrames)
        break;
      if (skip < kFrameHeaderSize) {
        pieces[count++] = {const_cast<uint8_t*>(frame.header) + skip,
                           kFrameHeaderSize - skip};
        skip = 0;
      } else {
        skip -= kFrameHeaderSize;
      }
      if (frame.payload.size() > skip) {
        pieces[count++] = {const_cast<uint8_t*>(frame.payload.data()) + skip,
                           frame.payload.size() - skip};
      }
      skip = 0;
    }
    msghdr message = {};
    message.msg_iov = pieces;
    message.msg_iovlen = count;
    ssize_t sent = sendmsg(fd_, &message, MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR)
        continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK)
        return Status::kOk;
      write_failed_ = true;
      write_status_ = errno == EPIPE || errno == ECONNRESET ? Status::kClosed
                                                            : Status::kError;
      write_error_ = ErrnoText("write to channel");
      *error = write_error_;
      return write_status_;
    }
    pending_bytes_ -= static_cast<size_t>(sent);
    size_t written = first_offset_ + static_cast<size_t>(sent);
    while (!outgoing_.empty() && written >= outgoing_.front().size()) {
      written -= outgoing_.front().size();
      outgoing_.pop_front();
    }
    first_offset_ = written;
  }
  return Status::kOk;
}

bool Channel::SendBlocking(const std::vector<uint8_t>& payload,
                           std::string* error) {
  return SendBlocking(std::vector<uint8_t>(payload), error);
}

bool Channel::SendBlocking(std::vector<uint8_t>&& payload, std::string* error) {
  std::lock_guard<std::mutex> lock(write_mutex_);
  if (write_failed_ || fd_ < 0) {
    *error = "channel is closed";
    return false;
  }
  outgoing_.emplace_back(std::move(payload));
  pending_bytes_ += outgoing_.back().size();
  for (;;) {
    if (FlushLocked(error) != Status::kOk)
      return false;
    if (outgoing_.empty())
      return true;
    pollfd waiter = {fd_, POLLOUT, 0};
    if (poll(&waiter, 1, -1) < 0 && errno != EINTR) {
      write_failed_ = true;
      write_status_ = Status::kError;
      write_error_ = ErrnoText("wait for channel");
      *error = write_error_;
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
  pending_bytes_ = 0;
}

bool IsSocketOfType(int fd, int type, std::string* reason) {
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
  int actual = 0;
  socklen_t length = sizeof actual;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &actual, &length) != 0 ||
      actual != type) {
    *reason = "descriptor " + std::to_string(fd) + " is not a " +
              (type == SOCK_SEQPACKET ? "packet" : "stream") + " socket";
    return false;
  }
  return true;
}

bool IsUsableChannel(int fd, std::string* reason) {
  return IsSocketOfType(fd, SOCK_STREAM, reason);
}

}  // namespace ipc
