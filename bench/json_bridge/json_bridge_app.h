// A renderer that bridges pages to the browser process with JSON text, the
// way a client of CEF's message router does: the page turns its value into a
// string with JSON.stringify, the string travels as the one argument of a
// process message, and the page's callback gets the reply's string to
// JSON.parse. It is the reference the product's typed bridge is measured
// against, on the same framework.
//
// Page API (extension "jsonBridge"):
//   jsonBridge.query(name, text, callback)   callback(ok, text); may be null
// Messages, both directions named "jsonQuery":
//   renderer to browser: (request id, name, text)
//   browser to renderer: (request id, ok, text)
#ifndef BENCH_JSON_BRIDGE_JSON_BRIDGE_APP_H_
#define BENCH_JSON_BRIDGE_JSON_BRIDGE_APP_H_

#include <map>

#include "include/cef_app.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_v8.h"

class JsonBridgeApp : public CefApp,
                      public CefRenderProcessHandler,
                      public CefV8Handler {
 public:
  JsonBridgeApp();

  // CefApp methods:
  virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() OVERRIDE;

  // CefRenderProcessHandler methods:
  virtual void OnWebKitInitialized() OVERRIDE;
  virtual void OnContextReleased(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefFrame> frame,
                                 CefRefPtr<CefV8Context> context) OVERRIDE;
  virtual bool OnProcessMessageReceived(
      CefRefPtr<CefBrowser> browser,
      CefProcessId source_process,
      CefRefPtr<CefProcessMessage> message) OVERRIDE;

  // CefV8Handler methods:
  virtual bool Execute(const CefString& name,
                       CefRefPtr<CefV8Value> object,
                       const CefV8ValueList& arguments,
                       CefRefPtr<CefV8Value>& retval,
                       CefString& exception) OVERRIDE;

 private:
  struct PendingQuery {
    CefRefPtr<CefV8Value> callback;
    CefRefPtr<CefV8Context> context;
  };

  std::map<int, PendingQuery> pending_;
  int next_request_id_;

  IMPLEMENT_REFCOUNTING(JsonBridgeApp);
};

#endif  // BENCH_JSON_BRIDGE_JSON_BRIDGE_APP_H_
