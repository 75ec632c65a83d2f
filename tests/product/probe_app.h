// A CefApp that hands every renderer notification to the product's
// Application and, around its extension, registers two test extensions:
//  - one that runs before kivExtension (e.g. a page global that exists first);
//  - "probe", bound to a FunctionHandler of the same Application, whose
//    methods call the native functions with any arguments the test passes,
//    and one native function whose name differs from queryFunc only in case.
#ifndef TESTS_PRODUCT_PROBE_APP_H_
#define TESTS_PRODUCT_PROBE_APP_H_

#include <string>

#include "app/application.h"
#include "include/cef_app.h"

class ProbeApp : public CefApp, public CefRenderProcessHandler {
 public:
  ProbeApp(CefRefPtr<Application> application, const std::string& before);

  // CefApp methods:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override;

  // CefRenderProcessHandler methods:
  void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override;
  void OnWebKitInitialized() override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

 private:
  CefRefPtr<Application> application_;
  std::string before_;

  IMPLEMENT_REFCOUNTING(ProbeApp);
};

#endif  // TESTS_PRODUCT_PROBE_APP_H_
