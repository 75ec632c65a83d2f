// ToString16 exists only inside the framework's own build.
#include "include/internal/cef_string.h"
size_t Convert(const CefString& s) {
#ifdef KIV_PARITY_CONTROL
  return s.ToString().size();
#else
  return s.ToString16().size();
#endif
}
