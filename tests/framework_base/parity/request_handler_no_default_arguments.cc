// No default arguments on the browser side either: OnBeforeBrowse needs
// is_redirect.
#include "include/cef_request_handler.h"
bool Ask(CefRefPtr<CefRequestHandler> handler,
         CefRefPtr<CefBrowser> browser,
         CefRefPtr<CefFrame> frame,
         CefRefPtr<CefRequest> request) {
#ifdef KIV_PARITY_CONTROL
  return handler->OnBeforeBrowse(browser, frame, request, false);
#else
  return handler->OnBeforeBrowse(browser, frame, request);
#endif
}
