#include "ipc/framing.h"

#include <cstring>

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
    buffer_.erase(buffer_.begin(), buffer_.begin() + read_offset_);
    read_offset_ = 0;
  }
  const size_t filled = buffer_.size();
  buffer_.resize(filled + size);
  reserved_ = size;
  return buffer_.data() + filled;
}

void FrameAssembler::Commit(size_t size) {
  if (size > reserved_)
    size = reserved_;
  buffer_.resize(buffer_.size() - reserved_ + size);
  reserved_ = 0;
  if (!error_.empty()) {
    buffer_.clear();
    read_offset_ = 0;
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
  WireReader header(buffer_.data() + read_offset_, kFrameHeaderSize);
  uint32_t length;
  header.ReadU32(&length);
  if (length > max_frame_size_) {
    error_ = "frame of " + std::to_string(length) +
             " bytes exceeds the limit of " + std::to_string(max_frame_size_);
    buffer_.clear();
    read_offset_ = 0;
    *error = error_;
    return Status::kError;
  }
  if (buffered() - kFrameHeaderSize < length)
    return Status::kNeedMore;
  const uint8_t* body = buffer_.data() + read_offset_ + kFrameHeaderSize;
  payload->assign(body, body + length);
  read_offset_ += kFrameHeaderSize + length;
  if (read_offset_ == buffer_.size()) {
    buffer_.clear();
    read_offset_ = 0;
  }
  return Status::kFrame;
}

}  // namespace ipc
