// Comparison operators are members: a literal on the left does not compile.
#include "include/internal/cef_string.h"
bool Same(const CefString& s) {
#ifdef KIV_PARITY_CONTROL
  return s == "abc";
#else
  return "abc" == s;
#endif
}
