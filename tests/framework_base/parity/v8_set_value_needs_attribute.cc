// SetValue(key, value) needs its attribute argument.
#include "include/cef_v8.h"
bool Set(CefRefPtr<CefV8Value> object, CefRefPtr<CefV8Value> value) {
#ifdef KIV_PARITY_CONTROL
  return object->SetValue("k", value, V8_PROPERTY_ATTRIBUTE_NONE);
#else
  return object->SetValue("k", value);
#endif
}
