#include "v8/v8_handler_call.h"

#include "v8/v8_util.h"
#include "v8/v8_value_impl.h"

namespace cef_renderer {

void CallV8Handler(const v8::FunctionCallbackInfo<v8::Value>& info,
                   CefRefPtr<CefV8Handler> handler,
                   const CefString& name) {
  if (!handler)
    return;  // undefined
  v8::Isolate* isolate = info.GetIsolate();
  // An API function runs in its own context: arguments and results belong to
  // it.
  v8::Local<v8::Context> context = isolate->GetCurrentContext();
  CefRefPtr<CefV8Value> object =
      CefV8ValueImpl::WrapIn(isolate, context, info.This()).get();
  CefV8ValueList arguments;
  arguments.reserve(static_cast<size_t>(info.Length()));
  for (int i = 0; i < info.Length(); ++i)
    arguments.push_back(
        CefV8ValueImpl::WrapIn(isolate, context, info[i]).get());

  CefRefPtr<CefV8Value> retval;
  CefString exception;
  if (!handler->Execute(name, object, arguments, retval, exception))
    return;  // not handled: undefined, and any exception text is dropped
  if (!exception.empty()) {
    v8::Local<v8::String> message;
    if (!NewV8String(isolate, exception).ToLocal(&message))
      message = v8::String::Empty(isolate);
    isolate->ThrowException(v8::Exception::Error(message));
    return;
  }
  // A wrapper from another live context is handed back as it is; one whose
  // context is gone becomes undefined.
  CefV8ValueImpl* result = CefV8ValueImpl::From(retval);
  v8::Local<v8::Value> value;
  if (result && result->IsValid() &&
      result->ToV8(isolate, context).ToLocal(&value)) {
    info.GetReturnValue().Set(value);
  }
}

}  // namespace cef_renderer
