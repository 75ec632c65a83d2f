// CefMainArgs' copy constructor is explicit.
#include "include/cef_app.h"
int Copy(const CefMainArgs& a) {
#ifdef KIV_PARITY_CONTROL
  CefMainArgs b(a);
#else
  CefMainArgs b = a;
#endif
  return b.argc;
}
