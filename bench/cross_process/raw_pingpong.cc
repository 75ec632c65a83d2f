#include "bench/cross_process/raw_pingpong.h"

#include <errno.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kivbench {

namespace {

constexpr unsigned char kReplyByte = 0x5a;

// Moves all |size| bytes with |transfer| (read or write), resuming after
// short transfers and signals; false once the socket fails or ends.
template <typename Byte, typename Transfer>
bool TransferAll(int fd, Byte* data, size_t size, Transfer transfer) {
  while (size > 0) {
    ssize_t n = transfer(fd, data, size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, unsigned char* data, size_t size) {
  return TransferAll(fd, data, size, ::read);
}

bool WriteAll(int fd, const unsigned char* data, size_t size) {
  return TransferAll(fd, data, size, ::write);
}

// The child: answers until the socket ends. Only system calls, as after a
// fork.
[[noreturn]] void Answer(int fd, size_t request_size, size_t reply_size) {
  std::vector<unsigned char> request(request_size);
  std::vector<unsigned char> reply(reply_size, kReplyByte);
  while (ReadAll(fd, request.data(), request.size()) &&
         WriteAll(fd, reply.data(), reply.size())) {
  }
  _exit(0);
}

}  // namespace

std::unique_ptr<RawPingPong> RawPingPong::Start(size_t request_size,
                                                size_t reply_size,
                                                std::string* error) {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    *error = std::string("socketpair: ") + strerror(errno);
    return nullptr;
  }
  pid_t child = fork();
  if (child < 0) {
    *error = std::string("fork: ") + strerror(errno);
    close(fds[0]);
    close(fds[1]);
    return nullptr;
  }
  if (child == 0) {
    close(fds[0]);
    Answer(fds[1], request_size, reply_size);
  }
  close(fds[1]);
  return std::unique_ptr<RawPingPong>(
      new RawPingPong(fds[0], child, request_size, reply_size));
}

RawPingPong::RawPingPong(int fd,
                         pid_t child,
                         size_t request_size,
                         size_t reply_size)
    : fd_(fd),
      child_(child),
      request_(request_size, 0xa5),
      reply_(reply_size) {}

RawPingPong::~RawPingPong() {
  close(fd_);
  int status = 0;
  while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
  }
}

bool RawPingPong::RoundTrip() {
  if (!WriteAll(fd_, request_.data(), request_.size()) ||
      !ReadAll(fd_, reply_.data(), reply_.size())) {
    return false;
  }
  return reply_.empty() ||
         (reply_.front() == kReplyByte && reply_.back() == kReplyByte);
}

}  // namespace kivbench
