#include "tests/product/probe_app.h"

#include "include/cef_v8.h"
#include "jsapi/function_handler.h"

namespace {

const char kProbeScript[] =
    "var probe = {\n"
    "  query: function() {\n"
    "    native function queryFunc();\n"
    "    return queryFunc.apply(this, arguments);\n"
    "  },\n"
    "  registerCallback: function() {\n"
    "    native function registerCallback();\n"
    "    return registerCallback.apply(this, arguments);\n"
    "  },\n"
    "  unregisterCallback: function() {\n"
    "    native function unregisterCallback();\n"
    "    return unregisterCallback.apply(this, arguments);\n"
    "  },\n"
    "  wrongCase: function() {\n"
    "    native function QueryFunc();\n"
    "    return QueryFunc.apply(this, arguments);\n"
    "  },\n"
    "  unknown: function() {\n"
    "    native function somethingElse();\n"
    "    return somethingElse.apply(this, arguments);\n"
    "  }\n"
    "};\n";

}  // namespace

ProbeApp::ProbeApp(CefRefPtr<Application> application,
                   const std::string& before)
    : application_(application), before_(before) {}

CefRefPtr<CefRenderProcessHandler> ProbeApp::GetRenderProcessHandler() {
  return this;
}

void ProbeApp::OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {
  application_->OnRenderThreadCreated(extra_info);
}

void ProbeApp::OnWebKitInitialized() {
  if (!before_.empty())
    CefRegisterExtension("kivTestBefore", before_, NULL);
  application_->OnWebKitInitialized();
  CefRegisterExtension("kivTestProbe", kProbeScript,
                       new FunctionHandler(application_));
}

void ProbeApp::OnContextReleased(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefFrame> frame,
                                 CefRefPtr<CefV8Context> context) {
  application_->OnContextReleased(browser, frame, context);
}

bool ProbeApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                        CefProcessId source_process,
                                        CefRefPtr<CefProcessMessage> message) {
  return application_->OnProcessMessageReceived(browser, source_process,
                                                message);
}
