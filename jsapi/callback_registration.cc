// FunctionHandler: kivApi.registerCallback and kivApi.unregisterCallback.

#include <exception>

#include "jsapi/function_handler.h"

void FunctionHandler::registerCallback(const CefV8ValueList& arguments,
                                       CefRefPtr<CefV8Value>& retval,
                                       CefString& exception) {
  if (arguments.size() != 2) {
    exception = "Exactly two arguments are needed!";
    return;
  }
  if (!arguments[0].get() || !arguments[0]->IsString()) {
    exception = "First argument must be a string!";
    return;
  }
  if (!arguments[1].get() || !arguments[1]->IsFunction()) {
    exception = "Second argument must be a function!";
    return;
  }
  const CefString name = arguments[0]->GetStringValue();
  if (!application->IsCallbackKnown(name)) {
    exception = "The specified callback name is not known!";
    return;
  }

  // A failure while registering (out of memory) ends the call with neither a
  // result nor an exception: the script gets undefined.
  try {
    CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
    const int id = application->AddCallback(name, arguments[1], context);
    retval = CefV8Value::CreateInt(id);
  } catch (const std::exception&) {
  }
}

void FunctionHandler::unregisterCallback(const CefV8ValueList& arguments,
                                         CefRefPtr<CefV8Value>& retval,
                                         CefString& exception) {
  if (arguments.size() != 1) {
    exception = "Need exactly one argument1";
    return;
  }
  if (!arguments[0].get() || !arguments[0]->IsInt()) {
    exception = "Argument needs to be an int!";
    return;
  }
  retval = CefV8Value::CreateBool(
      application->RemoveCallback(arguments[0]->GetIntValue()));
}
