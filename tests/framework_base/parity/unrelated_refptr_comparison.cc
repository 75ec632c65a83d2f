// Two CefRefPtr of unrelated types do not compare.
#include "include/cef_values.h"
bool Same(CefRefPtr<CefListValue> list, CefRefPtr<CefDictionaryValue> dict,
          CefRefPtr<CefListValue> other) {
#ifdef KIV_PARITY_CONTROL
  return list == other;
#else
  return list == dict;
#endif
}
