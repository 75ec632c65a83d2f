#ifndef APP_CALLBACK_TASK_H_
#define APP_CALLBACK_TASK_H_

#include "include/cef_task.h"
#include "include/cef_v8.h"
#include "include/cef_values.h"

// Runs one subscribed callback with one event's value: the only entry of its
// own copy of the payload. Posted to the runner of the subscription's context.
class CallbackTask : public CefTask {
 public:
  CallbackTask(CefRefPtr<CefV8Value> callback,
               CefRefPtr<CefV8Context> context,
               CefRefPtr<CefListValue> arguments);

  // CefTask methods:
  virtual void Execute() OVERRIDE;

 private:
  CefRefPtr<CefV8Value> callback_;
  CefRefPtr<CefV8Context> context_;
  CefRefPtr<CefListValue> arguments_;

  IMPLEMENT_REFCOUNTING(CallbackTask);
};

#endif  // APP_CALLBACK_TASK_H_
