// One end of the stream socket between the browser side and a renderer,
// carrying length-prefixed frames. Reads never block: the owner polls fd() and
// calls ReadAvailable(). Output is queued; FlushSome() writes what the socket
// takes without blocking, SendBlocking() waits until a frame is written.
// Queue, FlushSome and SendBlocking may be called from any thread.

#ifndef FRAMEWORK_SRC_IPC_CHANNEL_H_
#define FRAMEWORK_SRC_IPC_CHANNEL_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "ipc/framing.h"

namespace ipc {

class Channel {
 public:
  enum class Status {
    kOk,      // the stream is open
    kClosed,  // the peer closed the stream at a frame boundary
    kError,   // broken: a read or write failed, or a frame was malformed
  };

  // Takes ownership of |fd|, a connected stream socket, and makes it
  // non-blocking.
  explicit Channel(int fd, size_t max_frame_size = kMaxFrameSize);
  ~Channel();

  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  int fd() const { return fd_; }

  // Reads everything available now and appends each whole frame's payload to
  // |frames|, in order. Frames that arrived before a failure are still
  // appended; the status then tells what ended the stream. A stream that ends
  // inside a frame is an error ("truncated"), not a close.
  Status ReadAvailable(std::vector<std::vector<uint8_t>>* frames,
                       std::string* error);

  // After ReadAvailable returned kError: true when the stream broke because
  // of its content (a refused frame length, a truncated frame), false when
  // reading itself failed.
  bool malformed() const { return malformed_; }
  // Of those: true when the peer ended the stream inside a frame, false when
  // it sent a frame the channel refused while the stream went on.
  bool truncated() const { return truncated_; }

  // Queues a frame for writing. The payload is kept as it is (moved in, or
  // copied); its header is written beside it.
  void Queue(std::vector<uint8_t>&& payload);
  void Queue(const std::vector<uint8_t>& payload);
  // Writes queued bytes until the queue is empty or the socket is full.
  // After a failed write, every later call reports that failure again (its
  // status and reason).
  Status FlushSome(std::string* error);
  // Queue, then FlushSome, under one lock.
  Status QueueAndFlush(std::vector<uint8_t>&& payload, std::string* error);
  bool HasPendingOutput() const;
  // Bytes queued and not yet written, frame headers included.
  size_t PendingBytes() const;
  // Queues |payload| and waits until everything queued is written; false when
  // the peer is gone.
  bool SendBlocking(const std::vector<uint8_t>& payload, std::string* error);
  bool SendBlocking(std::vector<uint8_t>&& payload, std::string* error);

  // Ends the stream in both directions and closes the socket.
  void Close();
  bool is_open() const { return fd_ >= 0; }

 private:
  struct Outgoing {
    explicit Outgoing(std::vector<uint8_t> bytes);
    uint8_t header[kFrameHeaderSize];
    std::vector<uint8_t> payload;
    size_t size() const { return kFrameHeaderSize + payload.size(); }
  };

  Status FlushLocked(std::string* error);

  int fd_;
  FrameAssembler assembler_;
  bool read_failed_ = false;
  bool malformed_ = false;
  bool truncated_ = false;
  std::string read_error_;

  mutable std::mutex write_mutex_;
  std::deque<Outgoing> outgoing_;
  size_t first_offset_ = 0;  // bytes of outgoing_.front() already written
  size_t pending_bytes_ = 0;
  bool write_failed_ = false;
  Status write_status_ = Status::kOk;  // how the failed write ended
  std::string write_error_;
};

// Whether a descriptor named on a command line is a socket of |type|
// (SOCK_STREAM, SOCK_SEQPACKET); |reason| says why not.
bool IsSocketOfType(int fd, int type, std::string* reason);
// A channel is a stream socket.
bool IsUsableChannel(int fd, std::string* reason);

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_CHANNEL_H_
