// Display state of a browser: address, title, tooltips, status and console
// messages.

#ifndef CEF_INCLUDE_CEF_DISPLAY_HANDLER_H_
#define CEF_INCLUDE_CEF_DISPLAY_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"

// Client implementation; every method runs on the UI thread. The stand-in
// calls only OnConsoleMessage.
class CefDisplayHandler : public virtual CefBase {
 public:
  virtual void OnAddressChange(CefRefPtr<CefBrowser> browser,
                               CefRefPtr<CefFrame> frame,
                               const CefString& url) {}

  virtual void OnTitleChange(CefRefPtr<CefBrowser> browser,
                             const CefString& title) {}

  virtual bool OnTooltip(CefRefPtr<CefBrowser> browser, CefString& text) {
    return false;
  }

  virtual void OnStatusMessage(CefRefPtr<CefBrowser> browser,
                               const CefString& value) {}

  // A console message of a page; return true to keep it from the default
  // output. |source| is the page's URL, |line| 0 when unknown.
  virtual bool OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                                const CefString& message,
                                const CefString& source,
                                int line) {
    return false;
  }
};

#endif  // CEF_INCLUDE_CEF_DISPLAY_HANDLER_H_
