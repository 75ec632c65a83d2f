// The zygote's control socket: a SOCK_SEQPACKET connection between the
// browser side and a zygote process (docs/wire-format.md, "The zygote").
//
// The browser side sends one packet per process it wants started: the
// process's arguments, with two descriptors attached (the process's channel,
// then the write end of its output). The zygote answers every request with
// one packet: the new process's pid, or the errno that kept it from starting.

#ifndef FRAMEWORK_SRC_IPC_ZYGOTE_PROTOCOL_H_
#define FRAMEWORK_SRC_IPC_ZYGOTE_PROTOCOL_H_

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ipc/scoped_fd.h"

namespace ipc {

// The largest request packet; longer ones are refused before they are sent
// and cut off (then refused) when they arrive.
constexpr size_t kMaxForkRequestBytes = 64 * 1024;
// The descriptors a request carries, in this order.
enum ForkRequestFd { kForkChannelFd = 0, kForkOutputFd = 1, kForkFdCount = 2 };

bool EncodeForkRequest(const std::vector<std::string>& arguments,
                       std::vector<uint8_t>* packet,
                       std::string* error);
// Refuses a packet that is not exactly a list of well-formed UTF-8 strings
// without NUL characters.
bool DecodeForkRequest(const uint8_t* data,
                       size_t size,
                       std::vector<std::string>* arguments,
                       std::string* error);

struct ForkReply {
  pid_t pid = 0;         // > 0 when the process started
  int error_number = 0;  // the errno otherwise
};
constexpr size_t kForkReplyBytes = 8;

std::vector<uint8_t> EncodeForkReply(const ForkReply& reply);
bool DecodeForkReply(const uint8_t* data,
                     size_t size,
                     ForkReply* reply,
                     std::string* error);

// Sends |packet| as one packet with |fds| attached (none when |fd_count| is
// 0). Retries on EINTR.
bool SendPacket(int socket,
                const std::vector<uint8_t>& packet,
                const int* fds,
                size_t fd_count,
                std::string* error);

enum class PacketStatus {
  kOk,
  kClosed,   // the peer closed the connection
  kRefused,  // a packet arrived and was dropped; the connection still works
  kError,    // the socket failed
};

// Receives one packet of at most |max_bytes| with at most |max_fds|
// descriptors, which arrive close-on-exec. A longer packet, or one with more
// descriptors, is refused and its descriptors are closed. Blocks until a
// packet arrives or the peer closes.
PacketStatus ReceivePacket(int socket,
                           size_t max_bytes,
                           size_t max_fds,
                           std::vector<uint8_t>* packet,
                           std::vector<ScopedFd>* fds,
                           std::string* error);

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_ZYGOTE_PROTOCOL_H_
