// CefString has no constructor from a bare char16 pointer.
#include "include/internal/cef_string.h"
size_t Make(const char16* units) {
#ifdef KIV_PARITY_CONTROL
  CefString s(units, 2, true);
#else
  CefString s(units);
#endif
  return s.length();
}
