#include "ipc/zygote_protocol.h"

#include <errno.h>
#include <string.h>
#include <sys/socket.h>

#include <cstring>

#include "ipc/wire_buffer.h"

namespace ipc {

namespace {

// Room for more descriptors than any packet may carry, so that a packet with
// too many is seen whole (and all of them closed) rather than cut short.
constexpr size_t kFdRoom = 8;

}  // namespace

bool EncodeForkRequest(const std::vector<std::string>& arguments,
                       std::vector<uint8_t>* packet,
                       std::string* error) {
  packet->clear();
  WireWriter writer(packet);
  writer.WriteU32(static_cast<uint32_t>(arguments.size()));
  for (const std::string& argument : arguments) {
    if (argument.find('\0') != std::string::npos) {
      *error = "an argument holds a NUL character";
      return false;
    }
    if (argument.size() > kMaxForkRequestBytes) {
      *error = "an argument is longer than a request may be";
      return false;
    }
    writer.WriteString8(argument);
    if (packet->size() > kMaxForkRequestBytes)
      break;
  }
  if (packet->size() > kMaxForkRequestBytes) {
    *error = "the arguments take more than " +
             std::to_string(kMaxForkRequestBytes) + " bytes";
    return false;
  }
  return true;
}

bool DecodeForkRequest(const uint8_t* data,
                       size_t size,
                       std::vector<std::string>* arguments,
                       std::string* error) {
  arguments->clear();
  if (size > kMaxForkRequestBytes) {
    *error = "malformed start request: " + std::to_string(size) +
             " bytes, more than " + std::to_string(kMaxForkRequestBytes);
    return false;
  }
  WireReader reader(data, size);
  uint32_t count = 0;
  if (reader.ReadCount(4, &count)) {
    arguments->reserve(count);
    for (uint32_t i = 0; i < count && reader.ok(); ++i) {
      std::string argument;
      if (!reader.ReadString8(&argument))
        break;
      if (argument.find('\0') != std::string::npos) {
        reader.Fail("argument " + std::to_string(i) + " holds a NUL character");
        break;
      }
      arguments->push_back(std::move(argument));
    }
  }
  if (reader.ok() && !reader.AtEnd())
    reader.Fail(std::to_string(reader.remaining()) + " bytes after the end");
  if (!reader.ok()) {
    *error = "malformed start request: " + reader.error();
    arguments->clear();
    return false;
  }
  return true;
}

std::vector<uint8_t> EncodeForkReply(const ForkReply& reply) {
  std::vector<uint8_t> packet;
  WireWriter writer(&packet);
  writer.WriteI32(static_cast<int32_t>(reply.pid));
  writer.WriteI32(reply.error_number);
  return packet;
}

bool DecodeForkReply(const uint8_t* data,
                     size_t size,
                     ForkReply* reply,
                     std::string* error) {
  WireReader reader(data, size);
  int32_t pid = 0;
  int32_t error_number = 0;
  reader.ReadI32(&pid);
  reader.ReadI32(&error_number);
  if (!reader.AtEnd() || (pid > 0) == (error_number != 0) || pid < 0 ||
      error_number < 0) {
    *error = "malformed start reply";
    return false;
  }
  reply->pid = pid;
  reply->error_number = error_number;
  return true;
}

bool SendPacket(int socket,
                const std::vector<uint8_t>& packet,
                const int* fds,
                size_t fd_count,
                std::string* error) {
  if (fd_count > kFdRoom) {
    *error = "too many descriptors for one packet";
    return false;
  }
  iovec part = {const_cast<uint8_t*>(packet.data()), packet.size()};
  msghdr message = {};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(kFdRoom * sizeof(int))];
  if (fd_count > 0) {
    message.msg_control = control;
    message.msg_controllen = CMSG_SPACE(fd_count * sizeof(int));
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(fd_count * sizeof(int));
    std::memcpy(CMSG_DATA(header), fds, fd_count * sizeof(int));
  }
  ssize_t sent;
  do {
    sent = sendmsg(socket, &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) {
    *error =
        std::string("cannot send to the zygote socket: ") + strerror(errno);
    return false;
  }
  if (static_cast<size_t>(sent) != packet.size()) {
    *error = "the zygote socket took part of a packet";
    return false;
  }
  return true;
}

PacketStatus ReceivePacket(int socket,
                           size_t max_bytes,
                           size_t max_fds,
                           std::vector<uint8_t>* packet,
                           std::vector<ScopedFd>* fds,
                           std::string* error) {
  fds->clear();
  // One byte more than allowed, so that an oversized packet shows as cut.
  packet->resize(max_bytes + 1);
  iovec part = {packet->data(), packet->size()};
  msghdr message = {};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(kFdRoom * sizeof(int))];
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t got;
  do {
    got = recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    packet->clear();
    *error = std::string("cannot read the zygote socket: ") + strerror(errno);
    return PacketStatus::kError;
  }
  // Every descriptor that arrived is owned from here on, whatever follows.
  for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
       header = CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS)
      continue;
    size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (size_t i = 0; i < count; ++i) {
      int fd;
      std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof fd);
      fds->emplace_back(fd);
    }
  }
  packet->resize(static_cast<size_t>(got));
  if (got == 0 && fds->empty()) {
    // A zero-length packet without descriptors: on SOCK_SEQPACKET the peer's
    // close reads the same way, and no request or reply is empty.
    return PacketStatus::kClosed;
  }
  std::string reason;
  if ((message.msg_flags & MSG_TRUNC) || static_cast<size_t>(got) > max_bytes)
    reason = "a packet longer than " + std::to_string(max_bytes) + " bytes";
  else if (message.msg_flags & MSG_CTRUNC)
    reason = "a packet with more descriptors than the room for them";
  else if (fds->size() > max_fds)
    reason = "a packet with " + std::to_string(fds->size()) +
             " descriptors (at most " + std::to_string(max_fds) + ")";
  if (!reason.empty()) {
    fds->clear();
    packet->clear();
    *error = reason;
    return PacketStatus::kRefused;
  }
  return PacketStatus::kOk;
}

}  // namespace ipc
