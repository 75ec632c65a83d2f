#include "process/list_codec.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "base/values_impl.h"
#include "ipc/value_codec.h"
#include "unicode/utf.h"

namespace ipc {

namespace {

using cef_base::Value;

static_assert(kMaxListItems == cef_base::kMaxListSize,
              "the wire carries exactly the lists the framework can hold");

// Writes UTF-8 text as a wire string: plain ASCII as it is, anything else
// through UTF-16 so that the shorter form is chosen.
void WriteUtf8(const std::string& text,
               std::vector<uint16_t>* scratch,
               WireWriter* writer) {
  const size_t size = text.size();
  if (writer->WriteAscii(text.data(), size))
    return;
  scratch->resize(unicode::MaxUtf16ForUtf8(size));
  const size_t units =
      unicode::ConvertUtf8ToUtf16(text.data(), size, scratch->data(), nullptr);
  writer->WriteString16(scratch->data(), units);
}

class TreeEncoder {
 public:
  TreeEncoder(WireWriter* writer, std::string* error)
      : writer_(writer), error_(error) {}

  bool Encode(const Value& value, int depth) {
    if (depth > kMaxValueDepth) {
      *error_ = "value nests deeper than " + std::to_string(kMaxValueDepth) +
                " levels";
      return false;
    }
    const cef_value_type_t type = value.type();
    writer_->WriteU8(static_cast<uint8_t>(type));
    switch (type) {
      case VTYPE_BOOL:
        writer_->WriteBool(value.GetBool());
        return true;
      case VTYPE_INT:
        writer_->WriteI32(value.GetInt());
        return true;
      case VTYPE_DOUBLE:
        writer_->WriteDouble(value.GetDouble());
        return true;
      case VTYPE_STRING:
        return WriteText(*value.string());
      case VTYPE_BINARY: {
        const Value::Binary& bytes = *value.binary();
        // Refused before it is copied, as text is.
        if (!FrameHasRoomFor(*writer_, 4 + bytes.size()))
          return FrameLimitError(error_);
        writer_->WriteBytes(bytes.data(), bytes.size());
        return true;
      }
      case VTYPE_DICTIONARY: {
        const Value::Dict& dict = *value.dict();
        writer_->WriteU32(static_cast<uint32_t>(dict.size()));
        return dict.ForEach(
            [this, depth](const std::string& key, const Value& entry) {
              return WriteText(key) && Encode(entry, depth + 1) &&
                     WithinFrameLimit();
            });
      }
      case VTYPE_LIST: {
        const Value::List& list = *value.list();
        writer_->WriteU32(static_cast<uint32_t>(list.size()));
        for (const auto& item : list) {
          if (!Encode(*item, depth + 1) || !WithinFrameLimit())
            return false;
        }
        return true;
      }
      default:
        return true;  // null
    }
  }

 private:
  // Stops as soon as the value can no longer fit a frame.
  bool WithinFrameLimit() {
    return FrameHasRoomFor(*writer_, 0) || FrameLimitError(error_);
  }

  // Text that cannot fit the frame is refused before any of it is copied
  // or converted. No text takes less than a byte for every two of its UTF-8
  // (U+0080 to U+00FF in the one-byte form), and ASCII takes exactly its
  // size; whether text too long for the latter is ASCII is only looked up
  // then.
  bool WriteText(const std::string& text) {
    const size_t size = text.size();
    if (!FrameHasRoomFor(*writer_, 4 + size / 2) ||
        (!FrameHasRoomFor(*writer_, 4 + size) &&
         unicode::AsciiPrefix(text.data(), size) == size)) {
      return FrameLimitError(error_);
    }
    WriteUtf8(text, &scratch_, writer_);
    return true;
  }

  WireWriter* writer_;
  std::string* error_;
  std::vector<uint16_t> scratch_;
};

// Text of a wire string as the framework stores it (UTF-8).
void ToUtf8(const WireString& text, std::string* out) {
  if (text.one_byte) {
    // Scanned as it is copied, a block at a time; text of more than one
    // block is given its room at once.
    out->clear();
    if (text.count > unicode::kAsciiAppendBlock)
      out->reserve(text.count);
    const size_t ascii = unicode::AppendAsciiPrefix(
        reinterpret_cast<const char*>(text.data), text.count, out);
    if (ascii == text.count)
      return;
    // The rest needs up to two bytes per unit.
    const size_t rest = text.count - ascii;
    out->resize(ascii + 2 * rest);
    out->resize(ascii + unicode::ConvertLatin1ToUtf8(text.data + ascii, rest,
                                                     &(*out)[ascii]));
    return;
  }
  std::u16string units;
  text.CopyTo(&units);
  unicode::Utf16ToUtf8(units.data(), units.size(), out);
}

class TreeDecoder {
 public:
  explicit TreeDecoder(WireReader* reader) : reader_(reader) {}

  std::unique_ptr<Value> Decode(int depth) {
    if (!CheckDepth(reader_, depth))
      return nullptr;
    const size_t at = reader_->offset();
    uint8_t tag;
    if (!reader_->ReadU8(&tag))
      return nullptr;
    switch (tag) {
      case VTYPE_NULL:
        return Value::NewNull();
      case VTYPE_BOOL: {
        bool value;
        return reader_->ReadBool(&value) ? Value::NewBool(value) : nullptr;
      }
      case VTYPE_INT: {
        int32_t value;
        return reader_->ReadI32(&value) ? Value::NewInt(value) : nullptr;
      }
      case VTYPE_DOUBLE: {
        double value;
        return reader_->ReadDouble(&value) ? Value::NewDouble(value) : nullptr;
      }
      case VTYPE_STRING: {
        WireString text;
        if (!reader_->ReadString(&text))
          return nullptr;
        std::string utf8;
        ToUtf8(text, &utf8);
        return Value::NewString(std::move(utf8));
      }
      case VTYPE_BINARY: {
        const uint8_t* bytes;
        uint32_t size;
        if (!reader_->ReadByteRun(&bytes, &size))
          return nullptr;
        if (size == 0)
          return Value::NewNull();
        return Value::NewBinary(Value::Binary(bytes, bytes + size));
      }
      case VTYPE_DICTIONARY:
        return DecodeDictionary(depth, at);
      case VTYPE_LIST:
        return DecodeList(depth);
    }
    FailUnknownTag(reader_, tag, at);
    return nullptr;
  }

 private:
  std::unique_ptr<Value> DecodeList(int depth) {
    uint32_t count;
    if (!ReadListCount(reader_, &count))
      return nullptr;
    std::unique_ptr<Value> node = Value::NewList();
    Value::List& list = *node->list();
    list.reserve(std::min(count, kMaxReserveAhead));
    for (uint32_t i = 0; i < count; ++i) {
      std::unique_ptr<Value> item = Decode(depth + 1);
      if (!item)
        return nullptr;
      list.push_back(std::move(item));
    }
    return node;
  }

  std::unique_ptr<Value> DecodeDictionary(int depth, size_t at) {
    uint32_t count;
    if (!reader_->ReadCount(kMinEntrySize, &count))
      return nullptr;
    std::unique_ptr<Value> node = Value::NewDict();
    Value::Dict& dict = *node->dict();
    dict.Reserve(count);
    // Keys on the wire are distinct code unit sequences (each has one
    // encoding, so distinct bytes); the same key twice is malformed, as for
    // the browser side's decoder. Nested dictionaries stack their keys on
    // |keys_| above ours.
    const size_t first_key = keys_.size();
    for (uint32_t i = 0; i < count; ++i) {
      WireString key;
      if (!reader_->ReadString(&key))
        return nullptr;
      std::unique_ptr<Value> item = Decode(depth + 1);
      if (!item)
        return nullptr;
      keys_.push_back(key);
      if (key.count == 0)
        continue;  // the framework cannot hold an empty key
      std::string utf8;
      ToUtf8(key, &utf8);
      // Entries arrive in key order from the renderer's own encoder, which
      // makes each insertion an append.
      dict.Set(std::move(utf8), std::move(item));
    }
    const bool repeated = RepeatsKey(first_key);
    keys_.resize(first_key);
    if (repeated) {
      reader_->Fail("dictionary at offset " + std::to_string(at) +
                    " repeats a key");
      return nullptr;
    }
    return node;
  }

  static bool SameKey(const WireString& a, const WireString& b) {
    return a.one_byte == b.one_byte && a.count == b.count &&
           std::memcmp(a.data, b.data, a.one_byte ? a.count : 2 * a.count) == 0;
  }
  static bool KeyLess(const WireString& a, const WireString& b) {
    if (a.one_byte != b.one_byte)
      return a.one_byte;
    if (a.count != b.count)
      return a.count < b.count;
    return std::memcmp(a.data, b.data, a.one_byte ? a.count : 2 * a.count) < 0;
  }

  // Whether the keys from |first| on hold one twice.
  bool RepeatsKey(size_t first) {
    const size_t count = keys_.size() - first;
    if (count <= 8) {
      for (size_t i = first + 1; i < keys_.size(); ++i) {
        for (size_t j = first; j < i; ++j) {
          if (SameKey(keys_[i], keys_[j]))
            return true;
        }
      }
      return false;
    }
    std::sort(keys_.begin() + first, keys_.end(), KeyLess);
    return std::adjacent_find(keys_.begin() + first, keys_.end(), SameKey) !=
           keys_.end();
  }

  WireReader* reader_;
  std::vector<WireString> keys_;
};

}  // namespace

bool ValueCodec<cef_process::ListToSend>::Encode(
    const cef_process::ListToSend& list,
    WireWriter* writer,
    std::string* error) {
  cef_base::ListValueImpl* impl =
      dynamic_cast<cef_base::ListValueImpl*>(list.list.get());
  if (!impl) {
    *error = "the list is NULL or not the framework's";
    return false;
  }
  cef_base::ValueController::Lock lock(impl->controller());
  if (!impl->node()) {
    *error = "the list is no longer valid";
    return false;
  }
  return TreeEncoder(writer, error).Encode(*impl->node(), 1);
}

bool ValueCodec<cef_process::ReceivedList>::DecodeList(
    WireReader* reader,
    cef_process::ReceivedList* out,
    const char* field) {
  const size_t at = reader->offset();
  std::unique_ptr<Value> root = TreeDecoder(reader).Decode(1);
  if (!root)
    return false;
  if (!root->list()) {
    reader->Fail(std::string(field) + " at offset " + std::to_string(at) +
                 " is not a list");
    return false;
  }
  out->root = std::move(root);
  return true;
}

}  // namespace ipc
