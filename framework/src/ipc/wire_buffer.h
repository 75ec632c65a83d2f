// Little-endian primitive encoding for frame payloads. WireWriter appends to
// a byte vector; WireReader reads from a byte range and checks every read
// against the bytes that are left. The first failure sticks: later reads fail
// too and yield zeros, so a decoder can read a whole record and test ok() once.
//
// Strings and runs of bytes are copied in bulk. Text of 16-bit code units
// travels in one of two forms (docs/wire-format.md): one byte per unit when
// every unit is below U+0100, two bytes per unit otherwise.

#ifndef FRAMEWORK_SRC_IPC_WIRE_BUFFER_H_
#define FRAMEWORK_SRC_IPC_WIRE_BUFFER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace ipc {

// The header of a string: bit 31 set for the one-byte form, the unit count
// in the other bits.
constexpr uint32_t kOneByteForm = 0x80000000u;
constexpr uint32_t kMaxStringUnits = kOneByteForm - 1;

class WireWriter {
 public:
  explicit WireWriter(std::vector<uint8_t>* out) : out_(out) {}

  void WriteU8(uint8_t value) { out_->push_back(value); }
  void WriteBool(bool value) { out_->push_back(value ? 1 : 0); }
  void WriteU32(uint32_t value) { Store(value); }
  void WriteI32(int32_t value) { Store(static_cast<uint32_t>(value)); }
  void WriteI64(int64_t value) { Store(static_cast<uint64_t>(value)); }
  // The IEEE 754 bit pattern.
  void WriteDouble(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Store(bits);
  }
  // A string of 16-bit code units in the shorter form that holds it.
  // Precondition: |size| <= kMaxStringUnits.
  void WriteString16(const uint16_t* units, size_t size);
  void WriteString16(const std::u16string& value) {
    WriteString16(reinterpret_cast<const uint16_t*>(value.data()),
                  value.size());
  }
  // |text| in the one-byte form if it is all ASCII; otherwise writes nothing
  // and returns false. Precondition: |size| <= kMaxStringUnits.
  bool WriteAscii(const char* text, size_t size);
  // A u32 byte count, then the bytes.
  void WriteBytes(const uint8_t* data, size_t size);
  // UTF-8 text, laid out like bytes.
  void WriteString8(const std::string& value) {
    WriteBytes(reinterpret_cast<const uint8_t*>(value.data()), value.size());
  }

  // Room for |size| more bytes, to be filled by the caller.
  uint8_t* Extend(size_t size);
  // Overwrites a u32 written earlier at |offset|.
  void PatchU32(size_t offset, uint32_t value);
  size_t size() const { return out_->size(); }

 private:
  template <typename T>
  void Store(T value);

  std::vector<uint8_t>* out_;
};

// A string as it lies in the payload: |count| units, one byte each when
// |one_byte|, else two little-endian bytes each.
struct WireString {
  const uint8_t* data = nullptr;
  uint32_t count = 0;
  bool one_byte = true;

  // The code units as a std::u16string (or any string of 16-bit units).
  template <typename String16>
  void CopyTo(String16* out) const;
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
  // A string in either form. The two-byte form is refused for text that the
  // one-byte form holds, so that every string has exactly one encoding.
  bool ReadString(WireString* value);
  bool ReadString16(std::u16string* value);
  // A u32 byte count and that many bytes, left in place.
  bool ReadByteRun(const uint8_t** bytes, uint32_t* size);
  bool ReadBytes(std::vector<uint8_t>* value);
  // Refuses text that is not well-formed UTF-8.
  bool ReadString8(std::string* value);
  // Reads a u32 element count and checks that |count| elements of at least
  // |min_element_size| bytes each can still follow.
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

// Little-endian byte order is the wire's; these compile to plain moves on
// little-endian machines.
template <typename T>
inline T LoadLittleEndian(const uint8_t* bytes) {
  T value = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(&value, bytes, sizeof value);
#else
  for (size_t i = 0; i < sizeof value; ++i)
    value |= static_cast<T>(bytes[i]) << (8 * i);
#endif
  return value;
}

template <typename T>
inline void StoreLittleEndian(T value, uint8_t* bytes) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(bytes, &value, sizeof value);
#else
  for (size_t i = 0; i < sizeof value; ++i)
    bytes[i] = static_cast<uint8_t>(value >> (8 * i));
#endif
}

// Copies |count| little-endian 16-bit units from |bytes| to |units|.
void LoadUnits16(const uint8_t* bytes, size_t count, uint16_t* units);
// Widens |count| one-byte units.
void WidenLatin1(const uint8_t* bytes, size_t count, uint16_t* units);

template <typename T>
inline void WireWriter::Store(T value) {
  StoreLittleEndian(value, Extend(sizeof value));
}

inline uint8_t* WireWriter::Extend(size_t size) {
  const size_t at = out_->size();
  out_->resize(at + size);
  return out_->data() + at;
}

template <typename String16>
void WireString::CopyTo(String16* out) const {
  static_assert(sizeof(typename String16::value_type) == 2, "16-bit units");
  out->resize(count);
  uint16_t* units = reinterpret_cast<uint16_t*>(&(*out)[0]);
  if (one_byte) {
    WidenLatin1(data, count, units);
  } else {
    LoadUnits16(data, count, units);
  }
}

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_WIRE_BUFFER_H_
