#include "bench/common/value_equal.h"

namespace kivbench {

namespace {

template <class Container, class Key>
bool SameEntry(CefRefPtr<Container> a,
               const Key& a_key,
               CefRefPtr<Container> b,
               const Key& b_key) {
  const CefValueType type = a->GetType(a_key);
  if (type != b->GetType(b_key))
    return false;
  switch (type) {
    case VTYPE_BOOL:
      return a->GetBool(a_key) == b->GetBool(b_key);
    case VTYPE_INT:
      return a->GetInt(a_key) == b->GetInt(b_key);
    case VTYPE_DOUBLE:
      return a->GetDouble(a_key) == b->GetDouble(b_key);
    case VTYPE_STRING:
      return a->GetString(a_key) == b->GetString(b_key);
    case VTYPE_LIST:
      return SameList(a->GetList(a_key), b->GetList(b_key));
    case VTYPE_DICTIONARY:
      return SameDictionary(a->GetDictionary(a_key), b->GetDictionary(b_key));
    case VTYPE_BINARY: {
      CefRefPtr<CefBinaryValue> x = a->GetBinary(a_key);
      CefRefPtr<CefBinaryValue> y = b->GetBinary(b_key);
      if (x->GetSize() != y->GetSize())
        return false;
      std::string xs(x->GetSize(), '\0'), ys(y->GetSize(), '\0');
      x->GetData(&xs[0], xs.size(), 0);
      y->GetData(&ys[0], ys.size(), 0);
      return xs == ys;
    }
    default:
      return true;
  }
}

}  // namespace

bool SameListEntry(CefRefPtr<CefListValue> a,
                   int a_index,
                   CefRefPtr<CefListValue> b,
                   int b_index) {
  return SameEntry(a, a_index, b, b_index);
}

bool SameList(CefRefPtr<CefListValue> a, CefRefPtr<CefListValue> b) {
  if (!a.get() || !b.get())
    return a.get() == b.get();
  if (a->GetSize() != b->GetSize())
    return false;
  for (int i = 0; i < static_cast<int>(a->GetSize()); ++i) {
    if (!SameEntry(a, i, b, i))
      return false;
  }
  return true;
}

bool SameDictionary(CefRefPtr<CefDictionaryValue> a,
                    CefRefPtr<CefDictionaryValue> b) {
  if (!a.get() || !b.get())
    return a.get() == b.get();
  if (a->GetSize() != b->GetSize())
    return false;
  CefDictionaryValue::KeyList keys;
  a->GetKeys(keys);
  for (const CefString& key : keys) {
    if (!b->HasKey(key) || !SameEntry(a, key, b, key))
      return false;
  }
  return true;
}

}  // namespace kivbench
