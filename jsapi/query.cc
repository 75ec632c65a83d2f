// FunctionHandler: kivApi.query and the query message.

#include <string>

#include "app/message_layout.h"
#include "jsapi/function_handler.h"
#include "marshal/v8_to_message.h"

namespace {

// Fields of the query object, in the order they are read.
const char kNameField[] = "name";
const char kCallbackField[] = "callback";
const char kArgsField[] = "args";

const char kQueryObjectError[] = "A query needs exectly one object paramter!";

std::string NameFieldError() {
  return std::string("Query needs a field named '") + kNameField +
         "' which is of type string!";
}

std::string CallbackFieldError() {
  return std::string("The query field '") + kCallbackField +
         "' must be either a function or undefined!";
}

}  // namespace

void FunctionHandler::queryFunc(const CefV8ValueList& arguments,
                                CefRefPtr<CefV8Value>& retval,
                                CefString& exception) {
  if (arguments.size() != 1 || !arguments[0].get() ||
      !arguments[0]->IsObject()) {
    exception = kQueryObjectError;
    return;
  }
  CefRefPtr<CefV8Value> query = arguments[0];

  // A field whose getter throws gives no value: a missing name, no callback,
  // and for args a value that the conversion refuses.
  CefRefPtr<CefV8Value> name = query->GetValue(kNameField);
  if (!name.get() || !name->IsString()) {
    exception = NameFieldError();
    return;
  }
  CefRefPtr<CefV8Value> callback = query->GetValue(kCallbackField);
  if (callback.get() && !callback->IsFunction() && !callback->IsUndefined()) {
    exception = CallbackFieldError();
    return;
  }
  CefRefPtr<CefV8Value> args = query->GetValue(kArgsField);

  // Names the browser process did not announce are dropped without a trace.
  const CefString query_name = name->GetStringValue();
  if (!application->IsQueryKnown(query_name)) {
    retval = CefV8Value::CreateNull();
    return;
  }

  int request_id = 0;
  CefRefPtr<CefProcessMessage> message =
      BuildQueryMessage(query_name, args, request_id, exception);
  if (!message.get())
    return;

  // The query goes out on behalf of the page whose script made the call. A
  // context without a browser counts as a failed send.
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  CefRefPtr<CefBrowser> browser;
  if (context.get())
    browser = context->GetBrowser();
  const bool sent =
      browser.get() && browser->SendProcessMessage(PID_BROWSER, message);

  // Only a query that went out can be answered.
  if (sent && callback.get() && callback->IsFunction())
    application->AddPendingQuery(request_id, callback, context);

  retval = CefV8Value::CreateNull();
}

CefRefPtr<CefProcessMessage> FunctionHandler::BuildQueryMessage(
    const CefString& name,
    CefRefPtr<CefV8Value> args,
    int& request_id,
    CefString& exception) {
  request_id = application->TakeQueryId();

  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create(message_layout::kQueryMessageName);
  CefRefPtr<CefListValue> message_arguments = message->GetArgumentList();
  message_arguments->SetSize(message_layout::kQueryMessageSize);
  message_arguments->SetInt(message_layout::kQueryRequestIdIndex, request_id);
  message_arguments->SetString(message_layout::kQueryNameIndex, name);

  CefRefPtr<CefListValue> args_list = CefListValue::Create();
  args_list->SetSize(message_layout::kQueryArgsListSize);
  if (!V8ValueToListEntry(args, args_list, message_layout::kQueryArgsValueIndex,
                          exception)) {
    return NULL;
  }
  message_arguments->SetList(message_layout::kQueryArgsIndex, args_list);
  return message;
}
