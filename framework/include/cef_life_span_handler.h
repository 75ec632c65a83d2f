// Browser life span events: popups, creation and closing.

#ifndef CEF_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_
#define CEF_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"

class CefClient;

// Client implementation; every method runs on the browser process UI thread.
class CefLifeSpanHandler : public virtual CefBase {
 public:
  // Before a popup browser is created; return true to cancel it. The
  // stand-in creates no popups and never calls this.
  virtual bool OnBeforePopup(CefRefPtr<CefBrowser> browser,
                             CefRefPtr<CefFrame> frame,
                             const CefString& target_url,
                             const CefString& target_frame_name,
                             const CefPopupFeatures& popupFeatures,
                             CefWindowInfo& windowInfo,
                             CefRefPtr<CefClient>& client,
                             CefBrowserSettings& settings,
                             bool* no_javascript_access) {
    return false;
  }

  // After a new browser is created.
  virtual void OnAfterCreated(CefRefPtr<CefBrowser> browser) {}

  // Return true to run the browser modally (not called by the stand-in).
  virtual bool RunModal(CefRefPtr<CefBrowser> browser) { return false; }

  // When a browser is asked to close; return true to take over closing
  // (not called by the stand-in).
  virtual bool DoClose(CefRefPtr<CefBrowser> browser) { return false; }

  // Just before a browser is destroyed: drop every reference to it here.
  // No more messages for it arrive after this call.
  virtual void OnBeforeClose(CefRefPtr<CefBrowser> browser) {}
};

#endif  // CEF_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_
