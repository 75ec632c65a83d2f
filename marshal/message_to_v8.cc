#include "marshal/message_to_v8.h"

#include <vector>

namespace {

const char kInvalidTypeText[] = "Invalid message value type, please report!";

CefRefPtr<CefV8Value> DictionaryToObject(
    CefRefPtr<CefDictionaryValue> dictionary) {
  CefRefPtr<CefV8Value> object = CefV8Value::CreateObject(NULL);
  if (!object.get() || !dictionary.get())
    return object;
  // A failed GetKeys leaves the object empty.
  std::vector<CefString> keys;
  dictionary->GetKeys(keys);
  for (std::vector<CefString>::const_iterator it = keys.begin();
       it != keys.end(); ++it) {
    object->SetValue(*it, DictionaryEntryToV8Value(dictionary, *it),
                     V8_PROPERTY_ATTRIBUTE_NONE);
  }
  return object;
}

CefRefPtr<CefV8Value> ListToArray(CefRefPtr<CefListValue> list) {
  const int length = list.get() ? static_cast<int>(list->GetSize()) : 0;
  CefRefPtr<CefV8Value> array = CefV8Value::CreateArray(length);
  if (!array.get() || !list.get())
    return array;
  // The size is asked again before every element.
  for (size_t i = 0; i < list->GetSize(); ++i) {
    const int index = static_cast<int>(i);
    array->SetValue(index, ListEntryToV8Value(list, index));
  }
  return array;
}

template <class Container, class Position>
CefRefPtr<CefV8Value> EntryToV8Value(CefRefPtr<Container> container,
                                     const Position& position) {
  if (!container.get())
    return CefV8Value::CreateString(kInvalidTypeText);
  switch (container->GetType(position)) {
    case VTYPE_NULL:
      return CefV8Value::CreateNull();
    case VTYPE_BOOL:
      return CefV8Value::CreateBool(container->GetBool(position));
    case VTYPE_INT:
      return CefV8Value::CreateInt(container->GetInt(position));
    case VTYPE_DOUBLE:
      return CefV8Value::CreateDouble(container->GetDouble(position));
    case VTYPE_STRING:
      return CefV8Value::CreateString(container->GetString(position));
    case VTYPE_DICTIONARY:
      return DictionaryToObject(container->GetDictionary(position));
    case VTYPE_LIST:
      return ListToArray(container->GetList(position));
    default:
      // Binary, nothing at that position, or a kind unknown here.
      return CefV8Value::CreateString(kInvalidTypeText);
  }
}

}  // namespace

CefRefPtr<CefV8Value> ListEntryToV8Value(CefRefPtr<CefListValue> list,
                                         int index) {
  return EntryToV8Value(list, index);
}

CefRefPtr<CefV8Value> DictionaryEntryToV8Value(
    CefRefPtr<CefDictionaryValue> dictionary,
    const CefString& key) {
  return EntryToV8Value(dictionary, key);
}
