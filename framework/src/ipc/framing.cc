#include "ipc/framing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "ipc/wire_buffer.h"

namespace ipc {

std::vector<uint8_t> MakeFrame(const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> frame;
  frame.reserve(kFrameHeaderSize + payload.size());
  WireWriter(&frame).WriteU32(static_cast<uint32_t>(payload.size()));
  frame.insert(frame.end(), payload.begin(), payload.end());
  return frame;
}

void WriteFrameHeader(size_t payload_size, uint8_t header[kFrameHeaderSize]) {
  StoreLittleEndian(static_cast<uint32_t>(payload_size), header);
}

void FrameAssembler::Append(const uint8_t* data, size_t size) {
  if (!error_.empty() || size == 0)
    return;
  std::memcpy(Reserve(size), data, size);
  Commit(size);
}

uint8_t* FrameAssembler::Reserve(size_t size) {
  // Drop consumed bytes before growing, so the buffer holds at most one
  // unfinished frame plus what the last read brought.
  if (read_offset_ > 0) {
    const size_t left = buffered();
    std::memmove(buffer_.get(), buffer_.get() + read_offset_, left);
    end_ = left;
    read_offset_ = 0;
  }
  if (size > capacity_ - end_)
    Grow(size);
  reserved_ = size;
  return buffer_.get() + end_;
}

void FrameAssembler::Grow(size_t size) {
  if (size > SIZE_MAX - end_)
    throw std::bad_alloc();
  const size_t needed = end_ + size;
  const size_t doubled = capacity_ > SIZE_MAX / 2 ? SIZE_MAX : 2 * capacity_;
  const size_t capacity = std::max(needed, doubled);
  std::unique_ptr<uint8_t[]> grown(new uint8_t[capacity]);
  if (end_ > 0)
    std::memcpy(grown.get(), buffer_.get(), end_);
  buffer_ = std::move(grown);
  capacity_ = capacity;
}

void FrameAssembler::Commit(size_t size) {
  if (size > reserved_)
    size = reserved_;
  end_ += size;
  reserved_ = 0;
  if (!error_.empty() || buffered() == 0)
    Empty();
}

void FrameAssembler::Empty() {
  end_ = 0;
  read_offset_ = 0;
  if (capacity_ > kKeptCapacity) {
    buffer_.reset();
    capacity_ = 0;
  }
}

FrameAssembler::Status FrameAssembler::Next(std::vector<uint8_t>* payload,
                                            std::string* error) {
  if (!error_.empty()) {
    *error = error_;
    return Status::kError;
  }
  if (buffered() < kFrameHeaderSize)
    return Status::kNeedMore;
  WireReader header(buffer_.get() + read_offset_, kFrameHeaderSize);
  uint32_t length;
  header.ReadU32(&length);
  if (length > max_frame_size_) {
    error_ = "frame of " + std::to_string(length) +
             " bytes exceeds the limit of " + std::to_string(max_frame_size_);
    Empty();
    *error = error_;
    return Status::kError;
  }
  if (buffered() - kFrameHeaderSize < length)
    return Status::kNeedMore;
  const uint8_t* body = buffer_.get() + read_offset_ + kFrameHeaderSize;
  payload->assign(body, body + length);
  read_offset_ += kFrameHeaderSize + length;
  if (buffered() == 0)
    Empty();
  return Status::kFrame;
}

}  // namespace ipc
