#include "ipc/value_codec.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "ipc/framing.h"

namespace ipc {

namespace {

constexpr size_t kMaxCount = std::numeric_limits<uint32_t>::max();

// Stops an encoding as soon as it can no longer fit a frame, rather than
// building the whole oversized payload first.
bool WithinFrameLimit(const WireWriter& writer, std::string* error) {
  return FrameHasRoomFor(writer, 0) || FrameLimitError(error);
}

bool EncodeString(const std::u16string& text,
                  WireWriter* writer,
                  std::string* error) {
  if (text.size() > kMaxStringUnits) {
    *error = "string too long to encode";
    return false;
  }
  // No form takes less than a byte per unit.
  if (!FrameHasRoomFor(*writer, 4 + text.size()))
    return FrameLimitError(error);
  writer->WriteString16(text);
  return true;
}

bool Encode(const WireValue& value,
            int depth,
            WireWriter* writer,
            std::string* error);

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
      return EncodeString(value.string_value(), writer, error);
    case WireValue::Type::kBinary:
      if (value.binary_value().size() > kMaxCount) {
        *error = "binary too long to encode";
        return false;
      }
      if (!FrameHasRoomFor(*writer, 4 + value.binary_value().size()))
        return FrameLimitError(error);
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
        if (!EncodeString(entry.first, writer, error) ||
            !Encode(entry.second, depth + 1, writer, error) ||
            !WithinFrameLimit(*writer, error)) {
          return false;
        }
      }
      return true;
    }
    case WireValue::Type::kList: {
      const auto& items = value.list_value();
      if (items.size() > kMaxListItems) {
        *error = "list of " + std::to_string(items.size()) +
                 " items exceeds the limit of " + std::to_string(kMaxListItems);
        return false;
      }
      writer->WriteU32(static_cast<uint32_t>(items.size()));
      for (const auto& item : items) {
        if (!Encode(item, depth + 1, writer, error) ||
            !WithinFrameLimit(*writer, error)) {
          return false;
        }
      }
      return true;
    }
  }
  *error = "unknown value kind";
  return false;
}

bool HasDuplicateKey(const WireValue::Entries& entries) {
  const size_t size = entries.size();
  if (size <= 8) {
    for (size_t i = 1; i < size; ++i) {
      for (size_t j = 0; j < i; ++j) {
        if (entries[i].first == entries[j].first)
          return true;
      }
    }
    return false;
  }
  std::vector<const std::u16string*> keys;
  keys.reserve(size);
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

template <typename Vector>
void ReserveAhead(Vector* items, uint32_t count) {
  items->reserve(std::min(count, kMaxReserveAhead));
}

}  // namespace

// Decodes straight into the value's storage: no temporaries per item.
class WireValueDecoder {
 public:
  static bool Decode(WireReader* reader, int depth, WireValue* out) {
    if (!CheckDepth(reader, depth))
      return false;
    const size_t at = reader->offset();
    uint8_t tag;
    if (!reader->ReadU8(&tag))
      return false;
    WireValue::Storage& storage = out->storage_;
    switch (static_cast<WireValue::Type>(tag)) {
      case WireValue::Type::kNull:
        storage.emplace<std::monostate>();
        return true;
      case WireValue::Type::kBool:
        return reader->ReadBool(&storage.emplace<bool>());
      case WireValue::Type::kInt:
        return reader->ReadI32(&storage.emplace<int32_t>());
      case WireValue::Type::kDouble:
        return reader->ReadDouble(&storage.emplace<double>());
      case WireValue::Type::kString: {
        WireString text;
        if (!reader->ReadString(&text))
          return false;
        text.CopyTo(&storage.emplace<std::u16string>());
        return true;
      }
      case WireValue::Type::kBinary: {
        const uint8_t* bytes;
        uint32_t size;
        if (!reader->ReadByteRun(&bytes, &size))
          return false;
        storage.emplace<WireValue::Blob>(bytes, bytes + size);
        return true;
      }
      case WireValue::Type::kDictionary:
        return DecodeDictionary(reader, depth, at,
                                &storage.emplace<WireValue::Entries>());
      case WireValue::Type::kList: {
        uint32_t count;
        if (!ReadListCount(reader, &count))
          return false;
        WireValue::Items& items = storage.emplace<WireValue::Items>();
        ReserveAhead(&items, count);
        for (uint32_t i = 0; i < count; ++i) {
          items.emplace_back();
          if (!Decode(reader, depth + 1, &items.back()))
            return false;
        }
        return true;
      }
    }
    FailUnknownTag(reader, tag, at);
    return false;
  }

 private:
  static bool DecodeDictionary(WireReader* reader,
                               int depth,
                               size_t at,
                               WireValue::Entries* entries) {
    uint32_t count;
    if (!reader->ReadCount(kMinEntrySize, &count))
      return false;
    ReserveAhead(entries, count);
    for (uint32_t i = 0; i < count; ++i) {
      WireString key;
      if (!reader->ReadString(&key))
        return false;
      entries->emplace_back();
      key.CopyTo(&entries->back().first);
      if (!Decode(reader, depth + 1, &entries->back().second))
        return false;
    }
    if (HasDuplicateKey(*entries)) {
      reader->Fail("dictionary at offset " + std::to_string(at) +
                   " repeats a key");
      return false;
    }
    return true;
  }
};

bool ReadListCount(WireReader* reader, uint32_t* count) {
  const size_t at = reader->offset();
  if (!reader->ReadCount(kMinValueSize, count))
    return false;
  if (*count > kMaxListItems) {
    reader->Fail("list of " + std::to_string(*count) + " items at offset " +
                 std::to_string(at) + " exceeds the limit of " +
                 std::to_string(kMaxListItems));
    *count = 0;
    return false;
  }
  return true;
}

bool FrameLimitError(std::string* error) {
  *error = "value does not fit the frame limit of " +
           std::to_string(kMaxFrameSize) + " bytes";
  return false;
}

bool CheckDepth(WireReader* reader, int depth) {
  if (depth <= kMaxValueDepth)
    return true;
  reader->Fail("value nests deeper than " + std::to_string(kMaxValueDepth) +
               " levels at offset " + std::to_string(reader->offset()));
  return false;
}

void FailUnknownTag(WireReader* reader, uint8_t tag, size_t at) {
  reader->Fail("unknown value tag " + std::to_string(tag) + " at offset " +
               std::to_string(at));
}

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

bool EncodeValue(const WireValue& value,
                 WireWriter* writer,
                 std::string* error) {
  std::string reason;
  if (!Encode(value, 1, writer, &reason)) {
    if (error)
      *error = reason;
    return false;
  }
  return true;
}

bool DecodeValue(WireReader* reader, WireValue* out) {
  WireValue value;
  if (!WireValueDecoder::Decode(reader, 1, &value))
    return false;
  *out = std::move(value);
  return true;
}

}  // namespace ipc
