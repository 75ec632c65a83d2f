#include "ipc/wire_buffer.h"

#include <algorithm>
#include <limits>

#include "unicode/utf.h"

namespace ipc {

void LoadUnits16(const uint8_t* bytes, size_t count, uint16_t* units) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(units, bytes, 2 * count);
#else
  for (size_t i = 0; i < count; ++i)
    units[i] = LoadLittleEndian<uint16_t>(bytes + 2 * i);
#endif
}

void WidenLatin1(const uint8_t* bytes, size_t count, uint16_t* units) {
  unicode::WidenLatin1(bytes, count, units);
}

void WireWriter::WriteString16(const uint16_t* units, size_t size) {
  const uint32_t count = static_cast<uint32_t>(size);
  if (unicode::Latin1Prefix(units, size) == size) {
    uint8_t* at = Extend(4 + size);
    StoreLittleEndian(count | kOneByteForm, at);
    unicode::NarrowToLatin1(units, size, at + 4);
    return;
  }
  uint8_t* at = Extend(4 + 2 * size);
  StoreLittleEndian(count, at);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(at + 4, units, 2 * size);
#else
  for (size_t i = 0; i < size; ++i)
    StoreLittleEndian(units[i], at + 4 + 2 * i);
#endif
}

// Runs of bytes are appended by insert, which copies them once; Extend
// would first fill the space with zeros.
bool WireWriter::WriteAscii(const char* text, size_t size) {
  const uint32_t header = static_cast<uint32_t>(size) | kOneByteForm;
  if (size <= unicode::kAsciiAppendBlock) {
    // Short text: one scan, then one copy.
    if (unicode::AsciiPrefix(text, size) != size)
      return false;
    StoreLittleEndian(header, Extend(4));
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
    out_->insert(out_->end(), bytes, bytes + size);
    return true;
  }
  // Long text is scanned as it is copied, a block at a time, into room
  // grown once (still geometrically) for the whole string.
  const size_t start = out_->size();
  if (out_->capacity() - start < 4 + size)
    out_->reserve(std::max(start + 4 + size, 2 * out_->capacity()));
  StoreLittleEndian(header, Extend(4));
  if (unicode::AppendAsciiPrefix(text, size, out_) == size)
    return true;
  out_->resize(start);
  return false;
}

void WireWriter::WriteBytes(const uint8_t* data, size_t size) {
  StoreLittleEndian(static_cast<uint32_t>(size), Extend(4));
  out_->insert(out_->end(), data, data + size);
}

void WireWriter::PatchU32(size_t offset, uint32_t value) {
  StoreLittleEndian(value, out_->data() + offset);
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
  *value = LoadLittleEndian<uint32_t>(bytes);
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
  uint64_t bits = LoadLittleEndian<uint64_t>(bytes);
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
  uint64_t bits = LoadLittleEndian<uint64_t>(bytes);
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

bool WireReader::ReadString(WireString* value) {
  *value = WireString();
  const size_t at = offset_;
  uint32_t header;
  if (!ReadU32(&header))
    return false;
  const bool one_byte = (header & kOneByteForm) != 0;
  const uint32_t count = header & ~kOneByteForm;
  const size_t bytes_needed = one_byte ? count : 2 * size_t{count};
  if (bytes_needed > remaining()) {
    Fail("string of " + std::to_string(count) + " units at offset " +
         std::to_string(at) + " exceeds the " + std::to_string(remaining()) +
         " bytes that follow");
    return false;
  }
  const uint8_t* bytes;
  if (!Take(bytes_needed, "string", &bytes))
    return false;
  if (!one_byte) {
    // The two-byte form must hold a unit that the one-byte form cannot.
    bool needs_two = false;
    for (uint32_t i = 0; i < count && !needs_two; ++i)
      needs_two = bytes[2 * i + 1] != 0;
    if (!needs_two) {
      Fail("string at offset " + std::to_string(at) +
           " is in the two-byte form but fits the one-byte form");
      return false;
    }
  }
  value->data = bytes;
  value->count = count;
  value->one_byte = one_byte;
  return true;
}

bool WireReader::ReadString16(std::u16string* value) {
  value->clear();
  WireString text;
  if (!ReadString(&text))
    return false;
  text.CopyTo(value);
  return true;
}

bool WireReader::ReadByteRun(const uint8_t** bytes, uint32_t* size) {
  *bytes = nullptr;
  *size = 0;
  uint32_t count;
  if (!ReadCount(1, &count))
    return false;
  if (!Take(count, "bytes", bytes))
    return false;
  *size = count;
  return true;
}

bool WireReader::ReadBytes(std::vector<uint8_t>* value) {
  value->clear();
  const uint8_t* bytes;
  uint32_t size;
  if (!ReadByteRun(&bytes, &size))
    return false;
  value->assign(bytes, bytes + size);
  return true;
}

bool WireReader::ReadString8(std::string* value) {
  value->clear();
  size_t at = offset_;
  const uint8_t* bytes;
  uint32_t size;
  if (!ReadByteRun(&bytes, &size))
    return false;
  const char* text = reinterpret_cast<const char*>(bytes);
  if (!unicode::IsValidUtf8(text, size)) {
    Fail("text at offset " + std::to_string(at) + " is not valid UTF-8");
    return false;
  }
  value->assign(text, size);
  return true;
}

void WireReader::Fail(std::string reason) {
  if (ok())
    error_ = std::move(reason);
}

}  // namespace ipc
