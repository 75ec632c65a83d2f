// CefRefPtr has no reset(); assign NULL instead.
#include "include/cef_values.h"
void Drop(CefRefPtr<CefListValue>& list) {
#ifdef KIV_PARITY_CONTROL
  list = NULL;
#else
  list.reset();
#endif
}
