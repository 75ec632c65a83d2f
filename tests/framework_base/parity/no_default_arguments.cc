// No default arguments: the third argument of CefExecuteProcess is required.
#include "include/cef_app.h"
int Start(const CefMainArgs& args) {
#ifdef KIV_PARITY_CONTROL
  return CefExecuteProcess(args, NULL, NULL);
#else
  return CefExecuteProcess(args, NULL);
#endif
}
