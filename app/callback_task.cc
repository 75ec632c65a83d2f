#include "app/callback_task.h"

#include "marshal/message_to_v8.h"

CallbackTask::CallbackTask(CefRefPtr<CefV8Value> callback,
                           CefRefPtr<CefV8Context> context,
                           CefRefPtr<CefListValue> arguments)
    : callback_(callback), context_(context), arguments_(arguments) {}

void CallbackTask::Execute() {
  // The page may have gone away while the task was waiting.
  if (!context_.get() || !context_->IsValid())
    return;
  context_->Enter();

  CefV8ValueList arguments;
  arguments.push_back(ListEntryToV8Value(arguments_, 0));

  // The callback's result and any exception it throws are discarded; an empty
  // receiver makes the context's global object |this|.
  callback_->SetRethrowExceptions(false);
  callback_->ExecuteFunction(CefRefPtr<CefV8Value>(), arguments);
  callback_->ClearException();

  context_->Exit();
}
