#include "ipc/wire_buffer.h"

#include <cstring>
#include <limits>

#include "ipc/utf.h"

namespace ipc {

namespace {

uint64_t LoadLE(const uint8_t* bytes, size_t count) {
  uint64_t value = 0;
  for (size_t i = 0; i < count; ++i)
    value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  return value;
}

void StoreLE(uint64_t value, size_t count, std::vector<uint8_t>* out) {
  for (size_t i = 0; i < count; ++i)
    out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

void WireWriter::WriteU8(uint8_t value) {
  out_->push_back(value);
}

void WireWriter::WriteBool(bool value) {
  out_->push_back(value ? 1 : 0);
}

void WireWriter::WriteU32(uint32_t value) {
  StoreLE(value, 4, out_);
}

void WireWriter::WriteI32(int32_t value) {
  StoreLE(static_cast<uint32_t>(value), 4, out_);
}

void WireWriter::WriteI64(int64_t value) {
  StoreLE(static_cast<uint64_t>(value), 8, out_);
}

void WireWriter::WriteDouble(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  StoreLE(bits, 8, out_);
}

void WireWriter::WriteString16(const std::u16string& value) {
  WriteU32(static_cast<uint32_t>(value.size()));
  out_->reserve(out_->size() + 2 * value.size());
  for (char16_t unit : value)
    StoreLE(unit, 2, out_);
}

void WireWriter::WriteBytes(const uint8_t* data, size_t size) {
  WriteU32(static_cast<uint32_t>(size));
  out_->insert(out_->end(), data, data + size);
}

void WireWriter::WriteString8(const std::string& value) {
  WriteBytes(reinterpret_cast<const uint8_t*>(value.data()), value.size());
}

bool WireReader::Take(size_t count, const char* what, const uint8_t** bytes) {
  if (!ok())
    return false;
  if (count > size_ - offset_) {
    Fail(std::string("truncated ") + what + " at offset " +
         std::to_string(offset_));
    return false;
  }
  *bytes = data_ + offset_;
  offset_ += count;
  return true;
}

bool WireReader::ReadU8(uint8_t* value) {
  const uint8_t* bytes;
  *value = 0;
  if (!Take(1, "byte", &bytes))
    return false;
  *value = bytes[0];
  return true;
}

bool WireReader::ReadBool(bool* value) {
  *value = false;
  size_t at = offset_;
  uint8_t byte;
  if (!ReadU8(&byte))
    return false;
  if (byte > 1) {
    Fail("bad boolean byte " + std::to_string(byte) + " at offset " +
         std::to_string(at));
    return false;
  }
  *value = byte == 1;
  return true;
}

bool WireReader::ReadU32(uint32_t* value) {
  const uint8_t* bytes;
  *value = 0;
  if (!Take(4, "32-bit integer", &bytes))
    return false;
  *value = static_cast<uint32_t>(LoadLE(bytes, 4));
  return true;
}

bool WireReader::ReadI32(int32_t* value) {
  uint32_t bits;
  bool read = ReadU32(&bits);
  // Two's complement reinterpretation without relying on narrowing rules.
  *value = bits <= static_cast<uint32_t>(std::numeric_limits<int32_t>::max())
               ? static_cast<int32_t>(bits)
               : static_cast<int32_t>(bits - 0x80000000u) +
                     std::numeric_limits<int32_t>::min();
  return read;
}

bool WireReader::ReadI64(int64_t* value) {
  const uint8_t* bytes;
  *value = 0;
  if (!Take(8, "64-bit integer", &bytes))
    return false;
  uint64_t bits = LoadLE(bytes, 8);
  *value = bits <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())
               ? static_cast<int64_t>(bits)
               : static_cast<int64_t>(bits - 0x8000000000000000ull) +
                     std::numeric_limits<int64_t>::min();
  return true;
}

bool WireReader::ReadDouble(double* value) {
  const uint8_t* bytes;
  *value = 0.0;
  if (!Take(8, "double", &bytes))
    return false;
  uint64_t bits = LoadLE(bytes, 8);
  std::memcpy(value, &bits, sizeof bits);
  return true;
}

bool WireReader::ReadCount(size_t min_element_size, uint32_t* count) {
  *count = 0;
  size_t at = offset_;
  uint32_t value;
  if (!ReadU32(&value))
    return false;
  // 64-bit arithmetic: value * min_element_size cannot overflow.
  if (static_cast<uint64_t>(value) * min_element_size > remaining()) {
    Fail("count " + std::to_string(value) + " at offset " + std::to_string(at) +
         " exceeds the " + std::to_string(remaining()) + " bytes that follow");
    return false;
  }
  *count = value;
  return true;
}

bool WireReader::ReadString16(std::u16string* value) {
  value->clear();
  uint32_t units;
  if (!ReadCount(2, &units))
    return false;
  const uint8_t* bytes;
  if (!Take(2 * static_cast<size_t>(units), "string", &bytes))
    return false;
  value->resize(units);
  for (uint32_t i = 0; i < units; ++i)
    (*value)[i] = static_cast<char16_t>(LoadLE(bytes + 2 * i, 2));
  return true;
}

bool WireReader::ReadBytes(std::vector<uint8_t>* value) {
  value->clear();
  uint32_t size;
  if (!ReadCount(1, &size))
    return false;
  const uint8_t* bytes;
  if (!Take(size, "bytes", &bytes))
    return false;
  value->assign(bytes, bytes + size);
  return true;
}

bool WireReader::ReadString8(std::string* value) {
  value->clear();
  size_t at = offset_;
  uint32_t size;
  if (!ReadCount(1, &size))
    return false;
  const uint8_t* bytes;
  if (!Take(size, "text", &bytes))
    return false;
  std::string text(reinterpret_cast<const char*>(bytes), size);
  if (!IsValidUtf8(text)) {
    Fail("text at offset " + std::to_string(at) + " is not valid UTF-8");
    return false;
  }
  *value = std::move(text);
  return true;
}

void WireReader::Fail(std::string reason) {
  if (ok())
    error_ = std::move(reason);
}

}  // namespace ipc
