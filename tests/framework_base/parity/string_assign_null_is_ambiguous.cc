// Assigning NULL to a CefString is ambiguous.
#include "include/internal/cef_string.h"
void Reset(CefString& s) {
#ifdef KIV_PARITY_CONTROL
  s.clear();
#else
  s = NULL;
#endif
}
