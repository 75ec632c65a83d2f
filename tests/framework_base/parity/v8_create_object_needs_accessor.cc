// CreateObject takes its accessor argument explicitly.
#include "include/cef_v8.h"
bool Make() {
#ifdef KIV_PARITY_CONTROL
  return CefV8Value::CreateObject(NULL).get() != NULL;
#else
  return CefV8Value::CreateObject().get() != NULL;
#endif
}
