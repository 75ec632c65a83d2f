// CefString is a typedef of a template; it cannot be forward-declared.
#ifdef KIV_PARITY_CONTROL
#include "include/internal/cef_string.h"
#else
class CefString;
#include "include/internal/cef_string.h"
#endif
size_t Length(const CefString& s) { return s.length(); }
