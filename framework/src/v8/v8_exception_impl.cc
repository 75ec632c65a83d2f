#include "v8/v8_exception_impl.h"

#include <algorithm>

#include "v8/render_thread_impl.h"
#include "v8/v8_util.h"

namespace cef_renderer {

namespace {

CefString StringOrEmpty(v8::Isolate* isolate, v8::Local<v8::Value> value) {
  if (value.IsEmpty() || !value->IsString())
    return CefString();
  return CefStringFromV8(isolate, value.As<v8::String>());
}

CefString MaybeStringOrEmpty(v8::Isolate* isolate,
                             v8::MaybeLocal<v8::String> value) {
  v8::Local<v8::String> text;
  return value.ToLocal(&text) ? CefStringFromV8(isolate, text) : CefString();
}

}  // namespace

CefRefPtr<CefV8Exception> CefV8ExceptionImpl::FromTryCatch(
    v8::Isolate* isolate,
    v8::Local<v8::Context> context,
    const v8::TryCatch& try_catch) {
  v8::Local<v8::Message> message = try_catch.Message();
  if (!message.IsEmpty())
    return FromMessage(isolate, context, message);
  // Termination and some internal failures carry no message.
  CefRefPtr<CefV8ExceptionImpl> exception(new CefV8ExceptionImpl());
  v8::Local<v8::Value> thrown = try_catch.Exception();
  if (!thrown.IsEmpty() && !context.IsEmpty()) {
    exception->message_ = "Uncaught " + DescribeValue(isolate, context, thrown);
  } else {
    exception->message_ = "Uncaught exception";
  }
  return exception.get();
}

CefRefPtr<CefV8Exception> CefV8ExceptionImpl::FromMessage(
    v8::Isolate* isolate,
    v8::Local<v8::Context> context,
    v8::Local<v8::Message> message) {
  CefRefPtr<CefV8ExceptionImpl> exception(new CefV8ExceptionImpl());
  exception->message_ = CefStringFromV8(isolate, message->Get());
  exception->script_name_ =
      StringOrEmpty(isolate, message->GetScriptResourceName());
  exception->start_position_ = std::max(0, message->GetStartPosition());
  exception->end_position_ = std::max(0, message->GetEndPosition());
  if (!context.IsEmpty()) {
    exception->source_line_ =
        MaybeStringOrEmpty(isolate, message->GetSourceLine(context));
    exception->line_ =
        std::max(0, message->GetLineNumber(context).FromMaybe(0));
    exception->start_column_ =
        std::max(0, message->GetStartColumn(context).FromMaybe(0));
    exception->end_column_ =
        std::max(0, message->GetEndColumn(context).FromMaybe(0));
  }
  return exception.get();
}

CefV8StackFrameImpl::CefV8StackFrameImpl(v8::Isolate* isolate,
                                         v8::Local<v8::StackFrame> frame) {
  script_name_ = StringOrEmpty(isolate, frame->GetScriptName());
  script_name_or_source_url_ =
      StringOrEmpty(isolate, frame->GetScriptNameOrSourceURL());
  function_name_ = StringOrEmpty(isolate, frame->GetFunctionName());
  line_ = std::max(0, frame->GetLineNumber());
  column_ = std::max(0, frame->GetColumn());
  is_eval_ = frame->IsEval();
  is_constructor_ = frame->IsConstructor();
}

CefV8StackTraceImpl::CefV8StackTraceImpl(v8::Isolate* isolate,
                                         v8::Local<v8::StackTrace> trace) {
  const int count = trace->GetFrameCount();
  for (int i = 0; i < count; ++i) {
    frames_.push_back(
        new CefV8StackFrameImpl(isolate, trace->GetFrame(isolate, i)));
  }
}

CefRefPtr<CefV8StackFrame> CefV8StackTraceImpl::GetFrame(int index) {
  if (index < 0 || index >= GetFrameCount())
    return nullptr;
  return frames_[static_cast<size_t>(index)];
}

}  // namespace cef_renderer

CefRefPtr<CefV8StackTrace> CefV8StackTrace::GetCurrent(int frame_limit) {
  // The stack of script running in a context of this renderer.
  cef_renderer::RenderThreadImpl* thread =
      cef_renderer::RenderThreadImpl::Current();
  if (!thread || !thread->isolate() || !thread->isolate()->InContext())
    return nullptr;
  v8::Isolate* isolate = thread->isolate();
  v8::HandleScope handle_scope(isolate);
  v8::Local<v8::StackTrace> trace = v8::StackTrace::CurrentStackTrace(
      isolate, frame_limit < 0 ? 0 : frame_limit);
  return new cef_renderer::CefV8StackTraceImpl(isolate, trace);
}
