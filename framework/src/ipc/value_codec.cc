#include "ipc/value_codec.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace ipc {

namespace {

constexpr size_t kMaxCount = std::numeric_limits<uint32_t>::max();

// Smallest encodings, used to bound counts against the bytes that are left:
// a value is at least its tag; a dictionary entry is a key length and a value.
constexpr size_t kMinValueSize = 1;
constexpr size_t kMinEntrySize = 4 + kMinValueSize;

bool Encode(const WireValue& value,
            int depth,
            WireWriter* writer,
            std::string* error) {
  if (depth > kMaxValueDepth) {
    *error =
        "value nests deeper than " + std::to_string(kMaxValueDepth) + " levels";
    return false;
  }
  writer->WriteU8(static_cast<uint8_t>(value.type()));
  switch (value.type()) {
    case WireValue::Type::kNull:
      return true;
    case WireValue::Type::kBool:
      writer->WriteBool(value.bool_value());
      return true;
    case WireValue::Type::kInt:
      writer->WriteI32(value.int_value());
      return true;
    case WireValue::Type::kDouble:
      writer->WriteDouble(value.double_value());
      return true;
    case WireValue::Type::kString:
      if (value.string_value().size() > kMaxCount) {
        *error = "string too long to encode";
        return false;
      }
      writer->WriteString16(value.string_value());
      return true;
    case WireValue::Type::kBinary:
      if (value.binary_value().size() > kMaxCount) {
        *error = "binary too long to encode";
        return false;
      }
      writer->WriteBytes(value.binary_value().data(),
                         value.binary_value().size());
      return true;
    case WireValue::Type::kDictionary: {
      const auto& entries = value.dictionary_value();
      if (entries.size() > kMaxCount) {
        *error = "dictionary too large to encode";
        return false;
      }
      writer->WriteU32(static_cast<uint32_t>(entries.size()));
      for (const auto& entry : entries) {
        if (entry.first.size() > kMaxCount) {
          *error = "dictionary key too long to encode";
          return false;
        }
        writer->WriteString16(entry.first);
        if (!Encode(entry.second, depth + 1, writer, error))
          return false;
      }
      return true;
    }
    case WireValue::Type::kList: {
      const auto& items = value.list_value();
      if (items.size() > kMaxCount) {
        *error = "list too large to encode";
        return false;
      }
      writer->WriteU32(static_cast<uint32_t>(items.size()));
      for (const auto& item : items) {
        if (!Encode(item, depth + 1, writer, error))
          return false;
      }
      return true;
    }
  }
  *error = "unknown value kind";
  return false;
}

bool HasDuplicateKey(const WireValue::Entries& entries) {
  std::vector<const std::u16string*> keys;
  keys.reserve(entries.size());
  for (const auto& entry : entries)
    keys.push_back(&entry.first);
  std::sort(
      keys.begin(), keys.end(),
      [](const std::u16string* a, const std::u16string* b) { return *a < *b; });
  return std::adjacent_find(keys.begin(), keys.end(),
                            [](const std::u16string* a,
                               const std::u16string* b) { return *a == *b; }) !=
         keys.end();
}

bool Decode(WireReader* reader, int depth, WireValue* out) {
  if (depth > kMaxValueDepth) {
    reader->Fail("value nests deeper than " + std::to_string(kMaxValueDepth) +
                 " levels at offset " + std::to_string(reader->offset()));
    return false;
  }
  size_t at = reader->offset();
  uint8_t tag;
  if (!reader->ReadU8(&tag))
    return false;
  switch (static_cast<WireValue::Type>(tag)) {
    case WireValue::Type::kNull:
      *out = WireValue::Null();
      return true;
    case WireValue::Type::kBool: {
      bool value;
      if (!reader->ReadBool(&value))
        return false;
      *out = WireValue::Bool(value);
      return true;
    }
    case WireValue::Type::kInt: {
      int32_t value;
      if (!reader->ReadI32(&value))
        return false;
      *out = WireValue::Int(value);
      return true;
    }
    case WireValue::Type::kDouble: {
      double value;
      if (!reader->ReadDouble(&value))
        return false;
      *out = WireValue::Double(value);
      return true;
    }
    case WireValue::Type::kString: {
      std::u16string value;
      if (!reader->ReadString16(&value))
        return false;
      *out = WireValue::String(std::move(value));
      return true;
    }
    case WireValue::Type::kBinary: {
      WireValue::Blob value;
      if (!reader->ReadBytes(&value))
        return false;
      *out = WireValue::Binary(std::move(value));
      return true;
    }
    case WireValue::Type::kDictionary: {
      uint32_t count;
      if (!reader->ReadCount(kMinEntrySize, &count))
        return false;
      WireValue::Entries entries;
      entries.reserve(count);
      for (uint32_t i = 0; i < count; ++i) {
        std::u16string key;
        WireValue item;
        if (!reader->ReadString16(&key) || !Decode(reader, depth + 1, &item))
          return false;
        entries.emplace_back(std::move(key), std::move(item));
      }
      if (HasDuplicateKey(entries)) {
        reader->Fail("dictionary at offset " + std::to_string(at) +
                     " repeats a key");
        return false;
      }
      *out = WireValue::Dictionary(std::move(entries));
      return true;
    }
    case WireValue::Type::kList: {
      uint32_t count;
      if (!reader->ReadCount(kMinValueSize, &count))
        return false;
      WireValue::Items items;
      items.reserve(count);
      for (uint32_t i = 0; i < count; ++i) {
        WireValue item;
        if (!Decode(reader, depth + 1, &item))
          return false;
        items.push_back(std::move(item));
      }
      *out = WireValue::List(std::move(items));
      return true;
    }
  }
  reader->Fail("unknown value tag " + std::to_string(tag) + " at offset " +
               std::to_string(at));
  return false;
}

}  // namespace

bool EncodeValue(const WireValue& value,
                 std::vector<uint8_t>* out,
                 std::string* error) {
  const size_t original_size = out->size();
  WireWriter writer(out);
  std::string reason;
  if (!Encode(value, 1, &writer, &reason)) {
    out->resize(original_size);
    if (error)
      *error = reason;
    return false;
  }
  return true;
}

bool DecodeValue(WireReader* reader, WireValue* out) {
  WireValue value;
  if (!Decode(reader, 1, &value))
    return false;
  *out = std::move(value);
  return true;
}

}  // namespace ipc
