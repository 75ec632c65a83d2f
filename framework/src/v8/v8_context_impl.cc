#include "v8/v8_context_impl.h"

#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "v8/render_thread_impl.h"
#include "v8/v8_exception_impl.h"
#include "v8/v8_util.h"
#include "v8/v8_value_impl.h"

namespace cef_renderer {

namespace {

// The record of |context|, for a handle to it.
std::shared_ptr<ContextState> StateOrReleased(RenderThreadImpl* thread,
                                              v8::Local<v8::Context> context) {
  if (std::shared_ptr<ContextState> state = thread->StateFor(context))
    return state;
  // A context released while its script still runs, or one whose function
  // another frame still calls: the record is gone. As the framework does,
  // such a context still gets a handle, which reports IsValid() false and
  // whose task runner works.
  std::shared_ptr<ContextState> released = std::make_shared<ContextState>(
      thread->isolate(), nullptr, 0, 0, thread->task_runner());
  released->Release();
  return released;
}

}  // namespace

CefV8ContextImpl::CefV8ContextImpl(std::shared_ptr<ContextState> state)
    : state_(std::move(state)) {}

CefV8ContextImpl::~CefV8ContextImpl() = default;

CefV8ContextImpl* CefV8ContextImpl::From(CefRefPtr<CefV8Context> context) {
  return context ? dynamic_cast<CefV8ContextImpl*>(context.get()) : nullptr;
}

CefRefPtr<CefTaskRunner> CefV8ContextImpl::GetTaskRunner() {
  return state_->task_runner();
}

bool CefV8ContextImpl::IsValid() {
  return state_->IsValid();
}

CefRefPtr<CefBrowser> CefV8ContextImpl::GetBrowser() {
  return IsValid() ? state_->browser() : nullptr;
}

CefRefPtr<CefFrame> CefV8ContextImpl::GetFrame() {
  return IsValid() ? state_->frame() : nullptr;
}

CefRefPtr<CefV8Value> CefV8ContextImpl::GetGlobal() {
  if (!IsValid())
    return nullptr;
  v8::Isolate* isolate = state_->isolate();
  v8::HandleScope handle_scope(isolate);
  v8::Local<v8::Context> context = state_->context();
  if (context.IsEmpty())
    return nullptr;
  return CefV8ValueImpl::Wrap(isolate, context->Global(), state_).get();
}

bool CefV8ContextImpl::Enter() {
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!IsValid() || !thread)
    return false;
  return thread->EnterContext(state_);
}

bool CefV8ContextImpl::Exit() {
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!thread)
    return false;
  // A released context that is still entered is left all the same, so
  // that V8's stack of entered contexts stays balanced, but the call fails.
  const bool valid = IsValid();
  return thread->ExitContext(state_.get()) && valid;
}

bool CefV8ContextImpl::IsSame(CefRefPtr<CefV8Context> that) {
  CefV8ContextImpl* other = From(that);
  return other && IsValid() && other->IsValid() &&
         other->state_.get() == state_.get();
}

bool CefV8ContextImpl::Eval(const CefString& code,
                            CefRefPtr<CefV8Value>& retval,
                            CefRefPtr<CefV8Exception>& exception) {
  retval = nullptr;
  exception = nullptr;
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!IsValid() || !thread || code.empty())
    return false;
  v8::Isolate* isolate = state_->isolate();
  v8::HandleScope handle_scope(isolate);
  v8::Local<v8::Context> context = state_->context();
  v8::Local<v8::Function> eval = state_->eval();
  v8::Local<v8::String> source;
  if (context.IsEmpty() || eval.IsEmpty() ||
      !NewV8String(isolate, code).ToLocal(&source)) {
    return false;
  }
  v8::Context::Scope context_scope(context);
  v8::Local<v8::Value> result;
  {
    ScriptScope script(&thread->script_depth());
    // Verbose, as the framework's: the exception is returned and also goes
    // to the message listener (the console, OnUncaughtException).
    v8::TryCatch try_catch(isolate);
    try_catch.SetVerbose(true);
    // An indirect call of eval: the code runs at global scope.
    v8::Local<v8::Value> argv[] = {source};
    if (!eval->Call(context, context->Global(), 1, argv).ToLocal(&result) ||
        try_catch.HasCaught()) {
      exception = CefV8ExceptionImpl::FromTryCatch(isolate, context, try_catch);
      return false;
    }
  }
  retval = CefV8ValueImpl::Wrap(isolate, result, state_).get();
  return true;
}

}  // namespace cef_renderer

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
  cef_renderer::RenderThreadImpl* thread =
      cef_renderer::RenderThreadImpl::Current();
  if (!thread || !thread->isolate()->InContext())
    return nullptr;
  v8::HandleScope handle_scope(thread->isolate());
  return new cef_renderer::CefV8ContextImpl(cef_renderer::StateOrReleased(
      thread, thread->isolate()->GetCurrentContext()));
}

CefRefPtr<CefV8Context> CefV8Context::GetEnteredContext() {
  cef_renderer::RenderThreadImpl* thread =
      cef_renderer::RenderThreadImpl::Current();
  if (!thread || !thread->isolate()->InContext())
    return nullptr;
  v8::HandleScope handle_scope(thread->isolate());
  return new cef_renderer::CefV8ContextImpl(cef_renderer::StateOrReleased(
      thread, thread->isolate()->GetEnteredOrMicrotaskContext()));
}

bool CefV8Context::InContext() {
  cef_renderer::RenderThreadImpl* thread =
      cef_renderer::RenderThreadImpl::Current();
  return thread && thread->isolate()->InContext();
}
