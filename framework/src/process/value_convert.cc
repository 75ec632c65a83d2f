#include "process/value_convert.h"

#include <utility>
#include <vector>

#include "include/cef_process_message.h"
#include "ipc/value_codec.h"

namespace cef_process {

namespace {

std::u16string ToU16(const CefString& text) {
  const char16* units = text.c_str();
  if (!units)
    return std::u16string();
  return std::u16string(reinterpret_cast<const char16_t*>(units),
                        text.length());
}

CefString FromU16(const std::u16string& text) {
  return CefString(reinterpret_cast<const char16*>(text.data()), text.size(),
                   true);
}

ipc::WireValue BinaryToWire(CefRefPtr<CefBinaryValue> binary) {
  ipc::WireValue::Blob bytes;
  if (binary && binary->IsValid()) {
    bytes.resize(binary->GetSize());
    if (!bytes.empty())
      bytes.resize(binary->GetData(bytes.data(), bytes.size(), 0));
  }
  return ipc::WireValue::Binary(std::move(bytes));
}

// Reading framework values. |depth| counts the container being read.
class Reader {
 public:
  bool ReadList(CefRefPtr<CefListValue> list, int depth, ipc::WireValue* out) {
    if (!Enter(depth))
      return false;
    ipc::WireValue::Items items;
    size_t size = list->GetSize();
    items.reserve(size);
    for (size_t i = 0; i < size; ++i) {
      int index = static_cast<int>(i);
      ipc::WireValue item;
      switch (list->GetType(index)) {
        case VTYPE_BOOL:
          item = ipc::WireValue::Bool(list->GetBool(index));
          break;
        case VTYPE_INT:
          item = ipc::WireValue::Int(list->GetInt(index));
          break;
        case VTYPE_DOUBLE:
          item = ipc::WireValue::Double(list->GetDouble(index));
          break;
        case VTYPE_STRING:
          item = ipc::WireValue::String(ToU16(list->GetString(index)));
          break;
        case VTYPE_BINARY:
          item = BinaryToWire(list->GetBinary(index));
          break;
        case VTYPE_DICTIONARY:
          if (!ReadDictionary(list->GetDictionary(index), depth + 1, &item))
            return false;
          break;
        case VTYPE_LIST:
          if (!ReadList(list->GetList(index), depth + 1, &item))
            return false;
          break;
        default:
          break;  // null (and anything unknown)
      }
      items.push_back(std::move(item));
    }
    *out = ipc::WireValue::List(std::move(items));
    return true;
  }

  bool ReadDictionary(CefRefPtr<CefDictionaryValue> dictionary,
                      int depth,
                      ipc::WireValue* out) {
    if (!Enter(depth))
      return false;
    CefDictionaryValue::KeyList keys;
    if (dictionary && dictionary->IsValid())
      dictionary->GetKeys(keys);
    ipc::WireValue::Entries entries;
    entries.reserve(keys.size());
    for (const CefString& key : keys) {
      ipc::WireValue item;
      switch (dictionary->GetType(key)) {
        case VTYPE_BOOL:
          item = ipc::WireValue::Bool(dictionary->GetBool(key));
          break;
        case VTYPE_INT:
          item = ipc::WireValue::Int(dictionary->GetInt(key));
          break;
        case VTYPE_DOUBLE:
          item = ipc::WireValue::Double(dictionary->GetDouble(key));
          break;
        case VTYPE_STRING:
          item = ipc::WireValue::String(ToU16(dictionary->GetString(key)));
          break;
        case VTYPE_BINARY:
          item = BinaryToWire(dictionary->GetBinary(key));
          break;
        case VTYPE_DICTIONARY:
          if (!ReadDictionary(dictionary->GetDictionary(key), depth + 1,
                              &item)) {
            return false;
          }
          break;
        case VTYPE_LIST:
          if (!ReadList(dictionary->GetList(key), depth + 1, &item))
            return false;
          break;
        default:
          break;
      }
      entries.emplace_back(ToU16(key), std::move(item));
    }
    *out = ipc::WireValue::Dictionary(std::move(entries));
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  bool Enter(int depth) {
    // The encoder checks the exact depth; this only bounds the recursion.
    if (depth > ipc::kMaxValueDepth) {
      error_ = "value nests deeper than " +
               std::to_string(ipc::kMaxValueDepth) + " levels";
      return false;
    }
    return true;
  }

  std::string error_;
};

// Writing framework values. Containers are filled before they are handed to
// their parent, because SetList/SetDictionary move the child.
CefRefPtr<CefListValue> BuildList(const ipc::WireValue& wire);
CefRefPtr<CefDictionaryValue> BuildDictionary(const ipc::WireValue& wire);

template <typename Container, typename Key>
bool Store(Container* target, const Key& key, const ipc::WireValue& value) {
  switch (value.type()) {
    case ipc::WireValue::Type::kNull:
      return target->SetNull(key);
    case ipc::WireValue::Type::kBool:
      return target->SetBool(key, value.bool_value());
    case ipc::WireValue::Type::kInt:
      return target->SetInt(key, value.int_value());
    case ipc::WireValue::Type::kDouble:
      return target->SetDouble(key, value.double_value());
    case ipc::WireValue::Type::kString:
      return target->SetString(key, FromU16(value.string_value()));
    case ipc::WireValue::Type::kBinary: {
      const ipc::WireValue::Blob& bytes = value.binary_value();
      CefRefPtr<CefBinaryValue> binary =
          bytes.empty() ? nullptr
                        : CefBinaryValue::Create(bytes.data(), bytes.size());
      return binary ? target->SetBinary(key, binary) : target->SetNull(key);
    }
    case ipc::WireValue::Type::kDictionary: {
      CefRefPtr<CefDictionaryValue> child = BuildDictionary(value);
      return child && target->SetDictionary(key, child);
    }
    case ipc::WireValue::Type::kList: {
      CefRefPtr<CefListValue> child = BuildList(value);
      return child && target->SetList(key, child);
    }
  }
  return false;
}

// Fills |list| with |items|; false (nothing cut short) when the framework
// cannot hold them, for example a list beyond its list limit.
bool FillList(CefListValue* list, const ipc::WireValue::Items& items) {
  if (!items.empty() && !list->SetSize(items.size()))
    return false;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!Store(list, static_cast<int>(i), items[i]))
      return false;
  }
  return true;
}

CefRefPtr<CefListValue> BuildList(const ipc::WireValue& wire) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  if (!FillList(list.get(), wire.list_value()))
    return nullptr;
  return list;
}

CefRefPtr<CefDictionaryValue> BuildDictionary(const ipc::WireValue& wire) {
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  for (const ipc::WireValue::Entry& entry : wire.dictionary_value()) {
    if (!entry.first.empty() &&
        !Store(dictionary.get(), FromU16(entry.first), entry.second)) {
      return nullptr;
    }
  }
  return dictionary;
}

}  // namespace

bool ListToWire(CefRefPtr<CefListValue> list,
                ipc::WireValue* out,
                std::string* error) {
  if (!list || !list->IsValid()) {
    *error = "the list is NULL or no longer valid";
    return false;
  }
  Reader reader;
  ipc::WireValue value;
  if (!reader.ReadList(list, 1, &value)) {
    *error = reader.error();
    return false;
  }
  *out = std::move(value);
  return true;
}

CefRefPtr<CefListValue> WireToList(const ipc::WireValue& wire) {
  return BuildList(wire);
}

CefRefPtr<CefProcessMessage> WireToMessage(const std::string& name,
                                           const ipc::WireValue& arguments) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
  if (!message)
    return nullptr;
  if (!FillList(message->GetArgumentList().get(), arguments.list_value()))
    return nullptr;
  return message;
}

}  // namespace cef_process
