#include "app/query_reply.h"

#include "app/message_layout.h"
#include "marshal/message_to_v8.h"

void RunQueryCallback(bool flag,
                      CefRefPtr<CefV8Value> callback,
                      CefRefPtr<CefV8Context> context,
                      CefRefPtr<CefListValue> reply) {
  // The context may have been released while the task was waiting; it must
  // not be entered then.
  if (!context.get() || !context->IsValid())
    return;
  context->Enter();

  CefV8ValueList arguments;
  arguments.push_back(CefV8Value::CreateBool(flag));
  arguments.push_back(
      ListEntryToV8Value(reply, message_layout::kReplyResultIndex));

  // The callback's result and any exception it throws are discarded; an empty
  // receiver makes the context's global object |this|.
  callback->SetRethrowExceptions(false);
  callback->ExecuteFunction(CefRefPtr<CefV8Value>(), arguments);
  callback->ClearException();

  context->Exit();
}
