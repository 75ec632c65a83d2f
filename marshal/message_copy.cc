#include "marshal/message_copy.h"

#include <vector>

namespace {

CefRefPtr<CefDictionaryValue> CopyDictionary(
    CefRefPtr<CefDictionaryValue> source) {
  CefRefPtr<CefDictionaryValue> copy = CefDictionaryValue::Create();
  // A failed GetKeys leaves the copy empty.
  std::vector<CefString> keys;
  source->GetKeys(keys);
  for (std::vector<CefString>::const_iterator it = keys.begin();
       it != keys.end(); ++it) {
    CopyDictionaryEntry(source, *it, copy, *it);
  }
  return copy;
}

CefRefPtr<CefListValue> CopyList(CefRefPtr<CefListValue> source) {
  CefRefPtr<CefListValue> copy = CefListValue::Create();
  copy->SetSize(source->GetSize());
  // The size is asked again before every element.
  for (size_t i = 0; i < source->GetSize(); ++i) {
    const int index = static_cast<int>(i);
    CopyListEntry(source, index, copy, index);
  }
  return copy;
}

template <class Container, class Position>
void CopyEntry(CefRefPtr<Container> source,
               const Position& source_position,
               CefRefPtr<Container> target,
               const Position& target_position) {
  if (!source.get() || !target.get())
    return;
  switch (source->GetType(source_position)) {
    case VTYPE_NULL:
      target->SetNull(target_position);
      break;
    case VTYPE_BOOL:
      target->SetBool(target_position, source->GetBool(source_position));
      break;
    case VTYPE_INT:
      target->SetInt(target_position, source->GetInt(source_position));
      break;
    case VTYPE_DOUBLE:
      target->SetDouble(target_position, source->GetDouble(source_position));
      break;
    case VTYPE_STRING:
      target->SetString(target_position, source->GetString(source_position));
      break;
    case VTYPE_DICTIONARY: {
      CefRefPtr<CefDictionaryValue> nested =
          source->GetDictionary(source_position);
      // Attached only once it is complete.
      if (nested.get())
        target->SetDictionary(target_position, CopyDictionary(nested));
      break;
    }
    case VTYPE_LIST: {
      CefRefPtr<CefListValue> nested = source->GetList(source_position);
      if (nested.get())
        target->SetList(target_position, CopyList(nested));
      break;
    }
    default:
      // Binary and invalid entries are not copied.
      break;
  }
}

}  // namespace

void CopyListEntry(CefRefPtr<CefListValue> source,
                   int source_index,
                   CefRefPtr<CefListValue> target,
                   int target_index) {
  CopyEntry(source, source_index, target, target_index);
}

void CopyDictionaryEntry(CefRefPtr<CefDictionaryValue> source,
                         const CefString& source_key,
                         CefRefPtr<CefDictionaryValue> target,
                         const CefString& target_key) {
  CopyEntry(source, source_key, target, target_key);
}
