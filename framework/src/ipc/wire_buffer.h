// Little-endian primitive encoding for frame payloads. WireWriter appends to
// a byte vector; WireReader reads from a byte range and checks every read
// against the bytes that are left. The first failure sticks: later reads fail
// too and yield zeros, so a decoder can read a whole record and test ok() once.

#ifndef FRAMEWORK_SRC_IPC_WIRE_BUFFER_H_
#define FRAMEWORK_SRC_IPC_WIRE_BUFFER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ipc {

class WireWriter {
 public:
  explicit WireWriter(std::vector<uint8_t>* out) : out_(out) {}

  void WriteU8(uint8_t value);
  void WriteBool(bool value);
  void WriteU32(uint32_t value);
  void WriteI32(int32_t value);
  void WriteI64(int64_t value);
  void WriteDouble(double value);  // the IEEE 754 bit pattern
  // A u32 code unit count, then the code units.
  void WriteString16(const std::u16string& value);
  // A u32 byte count, then the bytes.
  void WriteBytes(const uint8_t* data, size_t size);
  // UTF-8 text, laid out like bytes.
  void WriteString8(const std::string& value);

 private:
  std::vector<uint8_t>* out_;
};

class WireReader {
 public:
  WireReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool ReadU8(uint8_t* value);
  // Accepts only the bytes 0 and 1.
  bool ReadBool(bool* value);
  bool ReadU32(uint32_t* value);
  bool ReadI32(int32_t* value);
  bool ReadI64(int64_t* value);
  bool ReadDouble(double* value);
  bool ReadString16(std::u16string* value);
  bool ReadBytes(std::vector<uint8_t>* value);
  // Refuses text that is not well-formed UTF-8.
  bool ReadString8(std::string* value);
  // Reads a u32 element count and checks that |count| elements of at least
  // |min_element_size| bytes each can still follow, so that no count can make
  // the decoder reserve more than the frame holds.
  bool ReadCount(size_t min_element_size, uint32_t* count);

  // Records a failure found by the caller (for example a bad tag).
  void Fail(std::string reason);

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  size_t remaining() const { return ok() ? size_ - offset_ : 0; }
  size_t offset() const { return offset_; }
  bool AtEnd() const { return ok() && offset_ == size_; }

 private:
  bool Take(size_t count, const char* what, const uint8_t** bytes);

  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
  std::string error_;
};

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_WIRE_BUFFER_H_
