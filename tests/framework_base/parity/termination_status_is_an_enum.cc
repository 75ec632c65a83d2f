// A termination status is an enum value, not a number.
#include "include/cef_request_handler.h"
void Tell(CefRefPtr<CefRequestHandler> handler, CefRefPtr<CefBrowser> browser) {
#ifdef KIV_PARITY_CONTROL
  handler->OnRenderProcessTerminated(browser, TS_PROCESS_CRASHED);
#else
  handler->OnRenderProcessTerminated(browser, 2);
#endif
}
