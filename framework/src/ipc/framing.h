// Length-prefixed frames: a 4-byte little-endian payload length, then the
// payload. FrameAssembler cuts a byte stream into frames and refuses a length
// above its limit as soon as the header arrives, before buffering the body.

#ifndef FRAMEWORK_SRC_IPC_FRAMING_H_
#define FRAMEWORK_SRC_IPC_FRAMING_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ipc {

constexpr size_t kFrameHeaderSize = 4;
// Largest payload either side sends or accepts.
constexpr size_t kMaxFrameSize = 64 * 1024 * 1024;

// Header and payload in one buffer, ready to write.
std::vector<uint8_t> MakeFrame(const std::vector<uint8_t>& payload);
// The 4-byte header of a frame with |payload_size| bytes of payload.
void WriteFrameHeader(size_t payload_size, uint8_t header[kFrameHeaderSize]);

class FrameAssembler {
 public:
  enum class Status { kFrame, kNeedMore, kError };

  explicit FrameAssembler(size_t max_frame_size = kMaxFrameSize)
      : max_frame_size_(max_frame_size) {}

  void Append(const uint8_t* data, size_t size);
  // Room for |size| more bytes at the end of the buffer, to be filled (by a
  // read from the socket) and then committed with Commit(bytes_filled).
  uint8_t* Reserve(size_t size);
  void Commit(size_t size);

  // kFrame: |payload| holds the next whole frame. kNeedMore: no whole frame
  // is buffered yet. kError: the stream is broken (|error| says why) and stays
  // broken; nothing more is delivered from it.
  Status Next(std::vector<uint8_t>* payload, std::string* error);

  // Bytes of an unfinished frame (a stream that ends with some is truncated).
  size_t buffered() const { return end_ - read_offset_; }
  // Bytes the buffer holds room for.
  size_t capacity() const { return capacity_; }

  // Room kept once the buffer has emptied; a larger buffer, grown for a
  // large frame, is given back then.
  static constexpr size_t kKeptCapacity = 4 * 1024 * 1024;

 private:
  void Grow(size_t size);
  void Empty();

  size_t max_frame_size_;
  // Uninitialized storage: a read fills what it reserved, so nothing is
  // zeroed first. Bytes [read_offset_, end_) are received and not yet
  // handed over.
  std::unique_ptr<uint8_t[]> buffer_;
  size_t capacity_ = 0;
  size_t end_ = 0;
  size_t read_offset_ = 0;
  size_t reserved_ = 0;  // bytes past the end handed out by Reserve
  std::string error_;
};

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_FRAMING_H_
