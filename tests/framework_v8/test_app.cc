#include "tests/framework_v8/test_app.h"

#include "include/cef_browser.h"
#include "include/cef_frame.h"

namespace v8test {

void TestApp::OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {
  calls.push_back("OnRenderThreadCreated");
  if (on_thread_created)
    on_thread_created(extra_info);
}

void TestApp::OnWebKitInitialized() {
  calls.push_back("OnWebKitInitialized");
  if (on_webkit_initialized)
    on_webkit_initialized();
}

void TestApp::OnBrowserCreated(CefRefPtr<CefBrowser> browser) {
  calls.push_back("OnBrowserCreated:" +
                  std::to_string(browser->GetIdentifier()));
  if (on_browser_created)
    on_browser_created(browser);
}

void TestApp::OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) {
  calls.push_back("OnBrowserDestroyed:" +
                  std::to_string(browser->GetIdentifier()));
  if (on_browser_destroyed)
    on_browser_destroyed(browser);
}

void TestApp::OnContextCreated(CefRefPtr<CefBrowser> browser,
                               CefRefPtr<CefFrame> frame,
                               CefRefPtr<CefV8Context> context) {
  calls.push_back("OnContextCreated:" + std::to_string(frame->GetIdentifier()));
  if (on_context_created)
    on_context_created(browser, frame, context);
}

void TestApp::OnContextReleased(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                CefRefPtr<CefV8Context> context) {
  calls.push_back("OnContextReleased:" +
                  std::to_string(frame->GetIdentifier()));
  if (on_context_released)
    on_context_released(browser, frame, context);
}

bool TestApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                       CefProcessId source_process,
                                       CefRefPtr<CefProcessMessage> message) {
  calls.push_back("OnProcessMessageReceived:" + message->GetName().ToString());
  return on_message ? on_message(browser, source_process, message) : false;
}

}  // namespace v8test
