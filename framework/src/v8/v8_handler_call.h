// Calls a client CefV8Handler for a native function and turns its outcome
// into the function's result: a thrown Error, the returned value, or
// undefined.
#ifndef CEF_SRC_V8_V8_HANDLER_CALL_H_
#define CEF_SRC_V8_V8_HANDLER_CALL_H_

#include <v8.h>

#include "include/cef_v8.h"

namespace cef_renderer {

void CallV8Handler(const v8::FunctionCallbackInfo<v8::Value>& info,
                   CefRefPtr<CefV8Handler> handler,
                   const CefString& name);

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_V8_HANDLER_CALL_H_
