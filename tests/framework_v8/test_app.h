// A CefApp whose render process handler records every notification and lets
// each test hook the ones it needs.
#ifndef TESTS_FRAMEWORK_V8_TEST_APP_H_
#define TESTS_FRAMEWORK_V8_TEST_APP_H_

#include <functional>
#include <string>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_v8.h"

namespace v8test {

class TestApp : public CefApp, public CefRenderProcessHandler {
 public:
  TestApp() = default;

  // Every notification as "Name" or "Name:<detail>", in call order.
  std::vector<std::string> calls;

  std::function<void(CefRefPtr<CefListValue>)> on_thread_created;
  std::function<void()> on_webkit_initialized;
  std::function<void(CefRefPtr<CefBrowser>)> on_browser_created;
  std::function<void(CefRefPtr<CefBrowser>)> on_browser_destroyed;
  std::function<
      void(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefV8Context>)>
      on_context_created;
  std::function<
      void(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefV8Context>)>
      on_context_released;
  std::function<
      bool(CefRefPtr<CefBrowser>, CefProcessId, CefRefPtr<CefProcessMessage>)>
      on_message;

  // CefApp methods:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override {
    return this;
  }

  // CefRenderProcessHandler methods:
  void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override;
  void OnWebKitInitialized() override;
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser) override;
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override;
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  IMPLEMENT_REFCOUNTING(TestApp);
};

// A CefV8Handler over a function; records the names it was called with.
class FunctionHandler : public CefV8Handler {
 public:
  using Body = std::function<bool(const CefString& name,
                                  CefRefPtr<CefV8Value> object,
                                  const CefV8ValueList& arguments,
                                  CefRefPtr<CefV8Value>& retval,
                                  CefString& exception)>;
  explicit FunctionHandler(Body body) : body_(std::move(body)) {}

  std::vector<std::string> names;

  // CefV8Handler methods:
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    names.push_back(name.ToString());
    return body_ ? body_(name, object, arguments, retval, exception) : false;
  }

 private:
  Body body_;

  IMPLEMENT_REFCOUNTING(FunctionHandler);
};

// A task over a function.
class FunctionTask : public CefTask {
 public:
  explicit FunctionTask(std::function<void()> body) : body_(std::move(body)) {}
  void Execute() override { body_(); }

 private:
  std::function<void()> body_;

  IMPLEMENT_REFCOUNTING(FunctionTask);
};

}  // namespace v8test

#endif  // TESTS_FRAMEWORK_V8_TEST_APP_H_
