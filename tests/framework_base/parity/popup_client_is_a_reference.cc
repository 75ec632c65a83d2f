// OnBeforePopup hands out the client by non-const reference: a temporary
// cannot take its place.
#include "include/cef_client.h"
bool Popup(CefRefPtr<CefLifeSpanHandler> handler,
           CefRefPtr<CefBrowser> browser,
           CefRefPtr<CefFrame> frame) {
  CefPopupFeatures features;
  CefWindowInfo window_info;
  CefBrowserSettings settings;
  bool no_javascript_access = false;
#ifdef KIV_PARITY_CONTROL
  CefRefPtr<CefClient> client;
  return handler->OnBeforePopup(browser, frame, "about:blank", "", features,
                                window_info, client, settings,
                                &no_javascript_access);
#else
  return handler->OnBeforePopup(browser, frame, "about:blank", "", features,
                                window_info, CefRefPtr<CefClient>(), settings,
                                &no_javascript_access);
#endif
}
