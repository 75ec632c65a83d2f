// Notifications of the render process, all on the render thread.
#ifndef CEF_INCLUDE_CEF_RENDER_PROCESS_HANDLER_H_
#define CEF_INCLUDE_CEF_RENDER_PROCESS_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_dom.h"
#include "include/cef_frame.h"
#include "include/cef_load_handler.h"
#include "include/cef_process_message.h"
#include "include/cef_v8.h"
#include "include/cef_values.h"

// Client implementation. CefApp::GetRenderProcessHandler() is asked again for
// every notification, so return one long-lived object there.
class CefRenderProcessHandler : public virtual CefBase {
 public:
  typedef cef_navigation_type_t NavigationType;

  // Once per process. |extra_info| is read-only and valid only during the
  // call: copy what you need.
  virtual void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {}

  // Once per process, before the first browser: register extensions here.
  virtual void OnWebKitInitialized() {}

  virtual void OnBrowserCreated(CefRefPtr<CefBrowser> browser) {}

  virtual void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) {}

  // Asked again for every load event.
  virtual CefRefPtr<CefLoadHandler> GetLoadHandler() { return NULL; }

  // Return true to cancel the navigation. |request| is read-only.
  virtual bool OnBeforeNavigation(CefRefPtr<CefBrowser> browser,
                                  CefRefPtr<CefFrame> frame,
                                  CefRefPtr<CefRequest> request,
                                  NavigationType navigation_type,
                                  bool is_redirect) {
    return false;
  }

  // A frame got a new context; extension code has already run in it. The
  // context is entered during the call.
  virtual void OnContextCreated(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                CefRefPtr<CefV8Context> context) {}

  // The context is about to go away. It is entered and still valid during the
  // call and invalid afterwards.
  virtual void OnContextReleased(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefFrame> frame,
                                 CefRefPtr<CefV8Context> context) {}

  virtual void OnUncaughtException(CefRefPtr<CefBrowser> browser,
                                   CefRefPtr<CefFrame> frame,
                                   CefRefPtr<CefV8Context> context,
                                   CefRefPtr<CefV8Exception> exception,
                                   CefRefPtr<CefV8StackTrace> stackTrace) {}

  // |frame| and |node| may be NULL; |node| is valid only during the call.
  virtual void OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser,
                                    CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefDOMNode> node) {}

  // A message from the browser process. It is read-only and valid only during
  // the call; no context is entered. The return value has no effect.
  virtual bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                        CefProcessId source_process,
                                        CefRefPtr<CefProcessMessage> message) {
    return false;
  }
};

#endif  // CEF_INCLUDE_CEF_RENDER_PROCESS_HANDLER_H_
