#include "jsapi/function_handler.h"

#include "jsapi/extension_script.h"

FunctionHandler::FunctionHandler(CefRefPtr<Application> application)
    : application(application) {}

bool FunctionHandler::Execute(const CefString& name,
                              CefRefPtr<CefV8Value> object,
                              const CefV8ValueList& arguments,
                              CefRefPtr<CefV8Value>& retval,
                              CefString& exception) {
  if (name == kQueryFunctionName) {
    queryFunc(arguments, retval, exception);
    return true;
  }
  if (name == kRegisterCallbackFunctionName) {
    registerCallback(arguments, retval, exception);
    return true;
  }
  if (name == kUnregisterCallbackFunctionName) {
    unregisterCallback(arguments, retval, exception);
    return true;
  }
  return false;
}
