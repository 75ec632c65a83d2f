// RenderThreadImpl: page scripts, evaluations for the owner, and process
// messages delivered to the handler.
#include <algorithm>
#include <string>

#include "base/value_scope.h"
#include "include/cef_render_process_handler.h"
#include "v8/browser_impl.h"
#include "v8/render_thread_impl.h"
#include "v8/v8_util.h"

namespace cef_renderer {

bool RenderThreadImpl::LoadScript(int browser_id,
                                  int64 frame_id,
                                  const CefString& code,
                                  const std::string& url) {
  FrameImpl* frame = FindFrame(browser_id, frame_id);
  if (shut_down_ || !frame || !frame->state())
    return false;
  return RunPageScript(frame->state(), code, CefString(url), 0);
}

bool RenderThreadImpl::RunPageScript(const std::shared_ptr<ContextState>& state,
                                     const CefString& code,
                                     const CefString& url,
                                     int start_line) {
  if (shut_down_ || !state || !state->IsValid())
    return false;
  // The caller's reference may go if the script releases the context.
  std::shared_ptr<ContextState> keep(state);
  v8::HandleScope handle_scope(isolate_);
  v8::Local<v8::Context> context = keep->context();
  if (context.IsEmpty())
    return false;
  v8::Context::Scope context_scope(context);
  ScriptScope script_scope(script_depth_.get());
  // Verbose: an exception the page does not catch goes to the message
  // listener, which reports it.
  v8::TryCatch try_catch(isolate_);
  try_catch.SetVerbose(true);
  v8::Local<v8::String> source;
  v8::Local<v8::String> name;
  if (!NewV8String(isolate_, code).ToLocal(&source) ||
      !NewV8String(isolate_, url).ToLocal(&name)) {
    return false;
  }
  v8::ScriptOrigin origin(isolate_, name, start_line, 0);
  v8::Local<v8::Script> script;
  v8::Local<v8::Value> result;
  return v8::Script::Compile(context, source, &origin).ToLocal(&script) &&
         script->Run(context).ToLocal(&result);
}

EvalOutcome RenderThreadImpl::Evaluate(int browser_id,
                                       int64 frame_id,
                                       const CefString& code) {
  EvalOutcome outcome;
  FrameImpl* frame = FindFrame(browser_id, frame_id);
  if (shut_down_) {
    outcome.exception = "the renderer has shut down";
    return outcome;
  }
  if (!frame) {
    outcome.exception = "no such frame";
    return outcome;
  }
  std::shared_ptr<ContextState> state = frame->state();
  if (!state || !state->IsValid()) {
    outcome.exception = "the frame has no script context";
    return outcome;
  }
  v8::HandleScope handle_scope(isolate_);
  v8::Local<v8::Context> context = state->context();
  v8::Context::Scope context_scope(context);
  ScriptScope script_scope(script_depth_.get());
  v8::TryCatch try_catch(isolate_);
  v8::Local<v8::String> source;
  if (!NewV8String(isolate_, code).ToLocal(&source)) {
    outcome.exception = "the script is too long";
    return outcome;
  }
  v8::ScriptOrigin origin(isolate_,
                          v8::String::NewFromUtf8Literal(isolate_, "eval"));
  v8::Local<v8::Script> script;
  v8::Local<v8::Value> result;
  if (!v8::Script::Compile(context, source, &origin).ToLocal(&script) ||
      !script->Run(context).ToLocal(&result)) {
    v8::Local<v8::Message> message = try_catch.Message();
    if (!message.IsEmpty()) {
      outcome.exception = ReportedText(isolate_, message->Get());
      outcome.line = std::max(0, message->GetLineNumber(context).FromMaybe(0));
    } else if (try_catch.HasCaught()) {
      outcome.exception =
          "Uncaught " + DescribeValue(isolate_, context, try_catch.Exception());
    } else {
      outcome.exception = "the script did not run";
    }
    return outcome;
  }
  std::string error;
  if (!StringifyAsJson(isolate_, context, result, &outcome.json, &error)) {
    outcome.exception = "the result has no JSON form: " + error;
    return outcome;
  }
  outcome.ok = true;
  return outcome;
}

bool RenderThreadImpl::DeliverProcessMessage(
    int browser_id,
    CefRefPtr<CefProcessMessage> message) {
  BrowserImpl* browser = FindBrowser(browser_id);
  if (shut_down_ || !browser || !message || !message->IsValid())
    return false;
  CefRefPtr<CefRenderProcessHandler> h = handler();
  if (!h)
    return false;
  CefRefPtr<BrowserImpl> keep(browser);
  bool handled = false;
  {
    cef_base::CallbackScope<CefProcessMessage> received(
        cef_base::CreateCallbackScopedMessage(message, true));
    if (!received.get())
      return false;
    handled = h->OnProcessMessageReceived(browser, PID_BROWSER, received.get());
  }
  RunMicrotasks();
  return handled;
}

}  // namespace cef_renderer
