#include "process/value_convert.h"

#include <utility>
#include <vector>

#include "base/values_impl.h"
#include "include/cef_process_message.h"
#include "ipc/value_codec.h"
#include "unicode/utf.h"

namespace cef_process {

namespace {

CefString FromU16(const std::u16string& text) {
  return CefString(reinterpret_cast<const char16*>(text.data()), text.size(),
                   true);
}

// Reading framework values: the tree itself, under its lock, so that what
// another thread changes meanwhile lands wholly before or after the read.
class Reader {
 public:
  // |depth| counts the containers down to |value|'s.
  bool Read(const cef_base::Value& value, int depth, ipc::WireValue* out) {
    switch (value.type()) {
      case VTYPE_BOOL:
        *out = ipc::WireValue::Bool(value.GetBool());
        return true;
      case VTYPE_INT:
        *out = ipc::WireValue::Int(value.GetInt());
        return true;
      case VTYPE_DOUBLE:
        *out = ipc::WireValue::Double(value.GetDouble());
        return true;
      case VTYPE_STRING:
        *out = ipc::WireValue::String(unicode::Utf8ToUtf16(*value.string()));
        return true;
      case VTYPE_BINARY: {
        const cef_base::Value::Binary& bytes = *value.binary();
        *out = ipc::WireValue::Binary(
            ipc::WireValue::Blob(bytes.begin(), bytes.end()));
        return true;
      }
      case VTYPE_DICTIONARY: {
        if (!Enter(depth))
          return false;
        ipc::WireValue::Entries entries;
        entries.reserve(value.dict()->size());
        const bool read = value.dict()->ForEach(
            [&](const std::string& key, const cef_base::Value& entry) {
              ipc::WireValue item;
              if (!Read(entry, depth + 1, &item))
                return false;
              entries.emplace_back(unicode::Utf8ToUtf16(key), std::move(item));
              return true;
            });
        if (!read)
          return false;
        *out = ipc::WireValue::Dictionary(std::move(entries));
        return true;
      }
      case VTYPE_LIST: {
        if (!Enter(depth))
          return false;
        ipc::WireValue::Items items;
        items.reserve(value.list()->size());
        for (const auto& entry : *value.list()) {
          ipc::WireValue item;
          if (!Read(*entry, depth + 1, &item))
            return false;
          items.push_back(std::move(item));
        }
        *out = ipc::WireValue::List(std::move(items));
        return true;
      }
      default:
        *out = ipc::WireValue::Null();
        return true;
    }
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
  cef_base::ListValueImpl* impl =
      dynamic_cast<cef_base::ListValueImpl*>(list.get());
  if (!impl) {
    *error = "the list is NULL or not the framework's";
    return false;
  }
  Reader reader;
  ipc::WireValue value;
  {
    cef_base::ValueController::Lock lock(impl->controller());
    if (!impl->node()) {
      *error = "the list is no longer valid";
      return false;
    }
    if (!reader.Read(*impl->node(), 1, &value)) {
      *error = reader.error();
      return false;
    }
  }
  *out = std::move(value);
  return true;
}

CefRefPtr<CefListValue> WireToList(const ipc::WireValue& wire) {
  return BuildList(wire);
}

}  // namespace cef_process
