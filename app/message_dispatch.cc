// Application: messages from the browser process and released contexts.

#include "app/application.h"

#include "app/callback_task.h"
#include "app/message_layout.h"
#include "app/query_reply.h"
#include "include/cef_runnable.h"
#include "marshal/message_copy.h"

namespace {

// Erases every entry of |registry| whose callback belongs to |context|.
template <class Registry>
void EraseEntriesOfContext(Registry* registry,
                           CefRefPtr<CefV8Context> context) {
  typename Registry::iterator it = registry->begin();
  while (it != registry->end()) {
    // Asked of the entry's context, which is still valid, not of the one
    // being released.
    CefRefPtr<CefV8Context> entry_context = it->second.second;
    if (entry_context.get() && entry_context->IsSame(context))
      it = registry->erase(it);
    else
      ++it;
  }
}

}  // namespace

bool Application::OnProcessMessageReceived(
    CefRefPtr<CefBrowser> browser,
    CefProcessId source_process,
    CefRefPtr<CefProcessMessage> message) {
  if (!message.get())
    return false;
  const CefString name = message->GetName();
  if (name == message_layout::kQueryMessageName) {
    HandleQueryReply(message);
    return true;
  }
  if (name == message_layout::kEventMessageName) {
    HandleEvent(message);
    return true;
  }
  return false;
}

void Application::HandleQueryReply(CefRefPtr<CefProcessMessage> message) {
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  if (!arguments.get())
    return;
  const int request_id =
      arguments->GetInt(message_layout::kReplyRequestIdIndex);
  const bool flag = arguments->GetBool(message_layout::kReplyFlagIndex);

  AutoLock lock_scope(this);
  PendingQueryMap::const_iterator it = pendingQueries.find(request_id);
  if (it == pendingQueries.end())
    return;
  CefRefPtr<CefV8Value> callback = it->second.first;
  CefRefPtr<CefV8Context> context = it->second.second;
  if (!context.get())
    return;

  // The received message lives only as long as this call; the task gets a
  // copy of its own. The entry stays: further replies run the callback again.
  CefRefPtr<CefListValue> reply = message->GetArgumentList()->Copy();
  CefRefPtr<CefTask> task =
      NewCefRunnableFunction(&RunQueryCallback, flag, callback, context, reply);
  CefRefPtr<CefTaskRunner> runner = context->GetTaskRunner();
  if (runner.get())
    runner->PostTask(task);
}

void Application::HandleEvent(CefRefPtr<CefProcessMessage> message) {
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  if (!arguments.get())
    return;
  DispatchCallback(arguments->GetString(message_layout::kEventNameIndex),
                   arguments, message_layout::kEventValueIndex);
}

void Application::DispatchCallback(const CefString& name,
                                   CefRefPtr<CefListValue> arguments,
                                   int value_index) {
  AutoLock lock_scope(this);
  for (RegisteredCallbackMap::const_iterator it = registeredCallbacks.begin();
       it != registeredCallbacks.end(); ++it) {
    if (it->first.second != name)
      continue;
    // Every callback gets a copy of its own: what one does to its argument
    // cannot reach the next.
    CefRefPtr<CefListValue> value = CefListValue::Create();
    value->SetSize(1);
    CopyListEntry(arguments, value_index, value, 0);

    CefRefPtr<CefV8Context> context = it->second.second;
    if (!context.get())
      continue;
    CefRefPtr<CefTaskRunner> runner = context->GetTaskRunner();
    if (runner.get())
      runner->PostTask(new CallbackTask(it->second.first, context, value));
  }
}

void Application::OnContextReleased(CefRefPtr<CefBrowser> browser,
                                    CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefV8Context> context) {
  // Tasks already posted for the context keep their own references; they
  // test the context before running.
  AutoLock lock_scope(this);
  EraseEntriesOfContext(&pendingQueries, context);
  EraseEntriesOfContext(&registeredCallbacks, context);
}
