#include "browser/kiv_value.h"

#include <cmath>
#include <limits>
#include <type_traits>

namespace {

// Dictionaries this long look their keys up in an index.
const size_t kIndexedFrom = 16;

// Whether |number| is a whole number that an int can hold.
bool DoubleToInt(double number, int* value) {
  if (!std::isfinite(number) || std::trunc(number) != number ||
      number < static_cast<double>(std::numeric_limits<int>::min()) ||
      number > static_cast<double>(std::numeric_limits<int>::max())) {
    return false;
  }
  *value = static_cast<int>(number);
  return true;
}

// An int, or a double holding a whole number in the int range, at |key| of
// a list or a dictionary.
template <typename Container, typename Key>
bool ReadInt(Container* container, const Key& key, int* value) {
  if (!container || !container->IsValid())
    return false;
  switch (container->GetType(key)) {
    case VTYPE_INT:
      *value = container->GetInt(key);
      return true;
    case VTYPE_DOUBLE:
      return DoubleToInt(container->GetDouble(key), value);
    default:
      return false;
  }
}

enum class EntryCheck { kFits, kTooDeep, kBinary };

// Walks entry |key| of a list or a dictionary, going no deeper than |levels|
// levels: kTooDeep when it nests deeper, and, if |refuse_binary|, kBinary
// when it is or holds a binary value. The first fault found ends the walk.
template <typename Container, typename Key>
EntryCheck CheckEntry(Container* container,
                      const Key& key,
                      int levels,
                      bool refuse_binary) {
  if (levels < 1)
    return EntryCheck::kTooDeep;
  switch (container->GetType(key)) {
    case VTYPE_BINARY:
      return refuse_binary ? EntryCheck::kBinary : EntryCheck::kFits;
    case VTYPE_LIST: {
      CefRefPtr<CefListValue> list = container->GetList(key);
      if (!list.get())
        return EntryCheck::kFits;
      const size_t size = list->GetSize();
      for (size_t i = 0; i < size; ++i) {
        const EntryCheck check = CheckEntry(list.get(), static_cast<int>(i),
                                            levels - 1, refuse_binary);
        if (check != EntryCheck::kFits)
          return check;
      }
      return EntryCheck::kFits;
    }
    case VTYPE_DICTIONARY: {
      CefRefPtr<CefDictionaryValue> dictionary = container->GetDictionary(key);
      CefDictionaryValue::KeyList keys;
      if (!dictionary.get() || !dictionary->GetKeys(keys))
        return EntryCheck::kFits;
      for (const CefString& child : keys) {
        const EntryCheck check =
            CheckEntry(dictionary.get(), child, levels - 1, refuse_binary);
        if (check != EntryCheck::kFits)
          return check;
      }
      return EntryCheck::kFits;
    }
    default:
      return EntryCheck::kFits;
  }
}

}  // namespace

KivValue::KivValue() : type_(TYPE_NULL), bool_(false), int_(0), double_(0.0) {}

KivValue::KivValue(bool value)
    : type_(TYPE_BOOL), bool_(value), int_(0), double_(0.0) {}

KivValue::KivValue(int value)
    : type_(TYPE_INT), bool_(false), int_(value), double_(0.0) {}

KivValue::KivValue(double value)
    : type_(TYPE_DOUBLE), bool_(false), int_(0), double_(value) {}

KivValue::KivValue(const char* value)
    : type_(TYPE_STRING), bool_(false), int_(0), double_(0.0), string_(value) {}

KivValue::KivValue(const std::string& value)
    : type_(TYPE_STRING), bool_(false), int_(0), double_(0.0), string_(value) {}

KivValue::KivValue(const CefString& value)
    : type_(TYPE_STRING), bool_(false), int_(0), double_(0.0), string_(value) {}

// static
KivValue KivValue::MakeList(std::initializer_list<KivValue> items) {
  KivValue value;
  value.type_ = TYPE_LIST;
  value.list_.assign(items.begin(), items.end());
  return value;
}

// static
KivValue KivValue::MakeDictionary(std::initializer_list<Entry> entries) {
  KivValue value;
  value.type_ = TYPE_DICTIONARY;
  for (const Entry& entry : entries)
    value.Set(entry.first, entry.second);
  return value;
}

KivValue& KivValue::Append(const KivValue& value) {
  // Appending a value to itself appends what it was: the copy is taken
  // before this value changes.
  if (&value == this)
    return Append(KivValue(value));
  if (type_ != TYPE_LIST)
    *this = MakeList({});
  list_.push_back(value);
  return *this;
}

KivValue& KivValue::Set(const CefString& key, const KivValue& value) {
  // As in Append: a value set into itself is copied before it changes.
  if (&value == this)
    return Set(key, KivValue(value));
  if (type_ != TYPE_DICTIONARY)
    *this = MakeDictionary({});
  if (!index_.empty()) {
    const auto found = index_.find(key);
    if (found != index_.end()) {
      dictionary_[found->second].second = value;
      return *this;
    }
    index_.emplace(key, dictionary_.size());
    dictionary_.push_back(Entry(key, value));
    return *this;
  }
  for (Entry& entry : dictionary_) {
    if (entry.first == key) {
      entry.second = value;
      return *this;
    }
  }
  dictionary_.push_back(Entry(key, value));
  if (dictionary_.size() >= kIndexedFrom) {
    for (size_t i = 0; i < dictionary_.size(); ++i)
      index_.emplace(dictionary_[i].first, i);
  }
  return *this;
}

template <typename Container, typename Key>
bool KivValue::WriteEntry(Container* container,
                          const Key& key,
                          int depth,
                          std::string* error) const {
  if (depth > kMaxDepth) {
    *error =
        "the value nests deeper than " + std::to_string(kMaxDepth) + " levels";
    return false;
  }
  bool written = false;
  switch (type_) {
    case TYPE_NULL:
      written = container->SetNull(key);
      break;
    case TYPE_BOOL:
      written = container->SetBool(key, bool_);
      break;
    case TYPE_INT:
      written = container->SetInt(key, int_);
      break;
    case TYPE_DOUBLE:
      // The framework would store it as 0.
      if (!std::isfinite(double_)) {
        *error = "the value holds a number that is not finite";
        return false;
      }
      written = container->SetDouble(key, double_);
      break;
    case TYPE_STRING:
      written = container->SetString(key, string_);
      break;
    case TYPE_LIST: {
      CefRefPtr<CefListValue> child = BuildList(depth, error);
      if (!child.get())
        return false;
      written = container->SetList(key, child);
      break;
    }
    case TYPE_DICTIONARY: {
      CefRefPtr<CefDictionaryValue> child = BuildDictionary(depth, error);
      if (!child.get())
        return false;
      written = container->SetDictionary(key, child);
      break;
    }
  }
  if (!written)
    *error = std::is_same<Container, CefListValue>::value
                 ? "the list refused an entry"
                 : "the dictionary refused an entry";
  return written;
}

bool KivValue::WriteTo(CefRefPtr<CefListValue> list,
                       int index,
                       std::string* error) const {
  std::string ignored;  // |error| may be NULL
  if (!error)
    error = &ignored;
  if (!list.get() || !list->IsValid() || list->IsReadOnly()) {
    *error = "the target list cannot be written";
    return false;
  }
  return WriteEntry(list.get(), index, 1, error);
}

CefRefPtr<CefListValue> KivValue::BuildList(int depth,
                                            std::string* error) const {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(list_.size());
  for (size_t i = 0; i < list_.size(); ++i) {
    if (!list_[i].WriteEntry(list.get(), static_cast<int>(i), depth + 1,
                             error)) {
      return NULL;
    }
  }
  return list;
}

CefRefPtr<CefDictionaryValue> KivValue::BuildDictionary(
    int depth,
    std::string* error) const {
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  for (const Entry& entry : dictionary_) {
    if (entry.first.empty()) {
      *error = "a dictionary key is empty";
      return NULL;
    }
    if (!entry.second.WriteEntry(dictionary.get(), entry.first, depth + 1,
                                 error)) {
      return NULL;
    }
  }
  return dictionary;
}

bool KivGetInt(CefRefPtr<CefListValue> list, int index, int* value) {
  return index >= 0 && ReadInt(list.get(), index, value);
}

bool KivGetInt(CefRefPtr<CefDictionaryValue> dictionary,
               const CefString& key,
               int* value) {
  return ReadInt(dictionary.get(), key, value);
}

bool KivNestsWithin(CefRefPtr<CefListValue> list, int index, int max_depth) {
  if (!list.get() || !list->IsValid() || index < 0)
    return max_depth >= 1;
  return CheckEntry(list.get(), index, max_depth, false) == EntryCheck::kFits;
}

bool KivCanCarry(CefRefPtr<CefListValue> list, int index, std::string* error) {
  std::string ignored;  // |error| may be NULL
  if (!error)
    error = &ignored;
  if (!list.get() || !list->IsValid() || index < 0)
    return true;  // copied as null
  switch (CheckEntry(list.get(), index, KivValue::kMaxDepth, true)) {
    case EntryCheck::kFits:
      return true;
    case EntryCheck::kTooDeep:
      *error = "the value nests deeper than " +
               std::to_string(KivValue::kMaxDepth) + " levels";
      return false;
    case EntryCheck::kBinary:
      *error = "the value holds a binary value, which a page cannot receive";
      return false;
  }
  return false;
}

bool KivCopyListEntry(CefRefPtr<CefListValue> from,
                      int from_index,
                      CefRefPtr<CefListValue> to,
                      int to_index) {
  if (!to.get())
    return false;
  if (!from.get() || !from->IsValid() || from_index < 0)
    return to->SetNull(to_index);
  switch (from->GetType(from_index)) {
    case VTYPE_BOOL:
      return to->SetBool(to_index, from->GetBool(from_index));
    case VTYPE_INT:
      return to->SetInt(to_index, from->GetInt(from_index));
    case VTYPE_DOUBLE:
      return to->SetDouble(to_index, from->GetDouble(from_index));
    case VTYPE_STRING:
      return to->SetString(to_index, from->GetString(from_index));
    case VTYPE_BINARY: {
      CefRefPtr<CefBinaryValue> binary = from->GetBinary(from_index);
      return binary.get() && to->SetBinary(to_index, binary->Copy());
    }
    case VTYPE_DICTIONARY: {
      CefRefPtr<CefDictionaryValue> dictionary =
          from->GetDictionary(from_index);
      return dictionary.get() &&
             to->SetDictionary(to_index, dictionary->Copy(false));
    }
    case VTYPE_LIST: {
      CefRefPtr<CefListValue> list = from->GetList(from_index);
      return list.get() && to->SetList(to_index, list->Copy());
    }
    default:
      return to->SetNull(to_index);
  }
}
