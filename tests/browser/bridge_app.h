// A browser-process application wired to a KivBridge as an application
// would wire it (CefApp, CefBrowserProcessHandler, CefClient and its
// handlers), recording what the framework and the bridge tell it.

#ifndef TESTS_BROWSER_BRIDGE_APP_H_
#define TESTS_BROWSER_BRIDGE_APP_H_

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "browser/kiv_bridge.h"
#include "include/cef_app.h"
#include "include/cef_client.h"

class BridgeApp : public CefApp, public CefBrowserProcessHandler {
 public:
  explicit BridgeApp(CefRefPtr<KivBridge> bridge) : bridge_(bridge) {}

  // CefApp methods:
  virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler()
      OVERRIDE {
    return this;
  }

  // CefBrowserProcessHandler methods:
  virtual void OnRenderProcessThreadCreated(
      CefRefPtr<CefListValue> extra_info) OVERRIDE {
    bridge_->OnRenderProcessThreadCreated(extra_info);
  }

 private:
  CefRefPtr<KivBridge> bridge_;

  IMPLEMENT_REFCOUNTING(BridgeApp);
};

class BridgeClient : public CefClient,
                     public CefDisplayHandler,
                     public CefLifeSpanHandler,
                     public CefRequestHandler {
 public:
  explicit BridgeClient(CefRefPtr<KivBridge> bridge) : bridge_(bridge) {}

  // Console lines per browser id, in order.
  std::map<int, std::vector<std::string>> console;
  std::vector<int> terminated;  // browser ids, one per call
  std::vector<int> closed;
  bool cancel_navigation = false;

  bool HasLine(int browser_id, const std::string& line) const;
  size_t CountLines(int browser_id, const std::string& prefix) const;

  // CefClient methods:
  virtual CefRefPtr<CefDisplayHandler> GetDisplayHandler() OVERRIDE {
    return this;
  }
  virtual CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() OVERRIDE {
    return this;
  }
  virtual CefRefPtr<CefRequestHandler> GetRequestHandler() OVERRIDE {
    return this;
  }
  virtual bool OnProcessMessageReceived(
      CefRefPtr<CefBrowser> browser,
      CefProcessId source_process,
      CefRefPtr<CefProcessMessage> message) OVERRIDE {
    return bridge_->OnProcessMessageReceived(browser, source_process, message);
  }

  // CefDisplayHandler methods:
  virtual bool OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                                const CefString& message,
                                const CefString& source,
                                int line) OVERRIDE {
    console[browser->GetIdentifier()].push_back(message.ToString());
    return true;
  }

  // CefLifeSpanHandler methods:
  virtual void OnAfterCreated(CefRefPtr<CefBrowser> browser) OVERRIDE {
    bridge_->OnAfterCreated(browser);
  }
  virtual void OnBeforeClose(CefRefPtr<CefBrowser> browser) OVERRIDE {
    closed.push_back(browser->GetIdentifier());
    bridge_->OnBeforeClose(browser);
  }

  // CefRequestHandler methods:
  virtual bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                              CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefRequest> request,
                              bool is_redirect) OVERRIDE {
    if (cancel_navigation)
      return true;
    return bridge_->OnBeforeBrowse(browser, frame, request, is_redirect);
  }
  virtual void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                         TerminationStatus status) OVERRIDE {
    terminated.push_back(browser->GetIdentifier());
    bridge_->OnRenderProcessTerminated(browser, status);
  }

 private:
  CefRefPtr<KivBridge> bridge_;

  IMPLEMENT_REFCOUNTING(BridgeClient);
};

// A query handler made of functions; records cancellations.
class FunctionQueryHandler : public KivQueryHandler {
 public:
  typedef std::function<void(CefRefPtr<CefBrowser>,
                             CefRefPtr<CefListValue>,
                             CefRefPtr<KivResponder>)>
      Function;

  explicit FunctionQueryHandler(Function on_query) : on_query_(on_query) {}

  std::vector<CefRefPtr<KivResponder>> canceled;

  // KivQueryHandler methods:
  virtual void OnQuery(CefRefPtr<CefBrowser> browser,
                       const CefString& name,
                       CefRefPtr<CefListValue> args,
                       CefRefPtr<KivResponder> responder) OVERRIDE {
    on_query_(browser, args, responder);
  }
  virtual void OnQueryCanceled(CefRefPtr<CefBrowser> browser,
                               CefRefPtr<KivResponder> responder) OVERRIDE {
    canceled.push_back(responder);
  }

 private:
  Function on_query_;

  IMPLEMENT_REFCOUNTING(FunctionQueryHandler);
};

#endif  // TESTS_BROWSER_BRIDGE_APP_H_
