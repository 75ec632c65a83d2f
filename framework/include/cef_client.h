// CefClient: the handlers of a browser, and the browser-side receiver of
// process messages from its renderer.

#ifndef CEF_INCLUDE_CEF_CLIENT_H_
#define CEF_INCLUDE_CEF_CLIENT_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_context_menu_handler.h"
#include "include/cef_dialog_handler.h"
#include "include/cef_display_handler.h"
#include "include/cef_download_handler.h"
#include "include/cef_drag_handler.h"
#include "include/cef_focus_handler.h"
#include "include/cef_geolocation_handler.h"
#include "include/cef_jsdialog_handler.h"
#include "include/cef_keyboard_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_process_message.h"
#include "include/cef_render_handler.h"
#include "include/cef_request_handler.h"

// Client implementation. The Get*Handler methods are asked again for every
// event; return the same long-lived objects.
class CefClient : public virtual CefBase {
 public:
  virtual CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() {
    return NULL;
  }
  virtual CefRefPtr<CefDialogHandler> GetDialogHandler() { return NULL; }
  virtual CefRefPtr<CefDisplayHandler> GetDisplayHandler() { return NULL; }
  virtual CefRefPtr<CefDownloadHandler> GetDownloadHandler() { return NULL; }
  virtual CefRefPtr<CefDragHandler> GetDragHandler() { return NULL; }
  virtual CefRefPtr<CefFocusHandler> GetFocusHandler() { return NULL; }
  virtual CefRefPtr<CefGeolocationHandler> GetGeolocationHandler() {
    return NULL;
  }
  virtual CefRefPtr<CefJSDialogHandler> GetJSDialogHandler() { return NULL; }
  virtual CefRefPtr<CefKeyboardHandler> GetKeyboardHandler() { return NULL; }
  virtual CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() { return NULL; }
  virtual CefRefPtr<CefLoadHandler> GetLoadHandler() { return NULL; }
  virtual CefRefPtr<CefRenderHandler> GetRenderHandler() { return NULL; }
  virtual CefRefPtr<CefRequestHandler> GetRequestHandler() { return NULL; }

  // A message from the browser's renderer, on the UI thread. |message| is
  // read-only and valid only during the call; the return value is not acted
  // on.
  virtual bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                        CefProcessId source_process,
                                        CefRefPtr<CefProcessMessage> message) {
    return false;
  }
};

#endif  // CEF_INCLUDE_CEF_CLIENT_H_
