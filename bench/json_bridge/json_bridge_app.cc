#include "bench/json_bridge/json_bridge_app.h"

namespace {

const char kMessageName[] = "jsonQuery";
const char kSendFunction[] = "jsonBridgeSend";

const char kExtensionScript[] =
    "var jsonBridge = {};\n"
    "(function() {\n"
    "  jsonBridge.query = function(name, text, callback) {\n"
    "    native function jsonBridgeSend(name, text, callback);\n"
    "    return jsonBridgeSend(name, text, callback);\n"
    "  };\n"
    "})();\n";

}  // namespace

JsonBridgeApp::JsonBridgeApp() : next_request_id_(1) {}

CefRefPtr<CefRenderProcessHandler> JsonBridgeApp::GetRenderProcessHandler() {
  return this;
}

void JsonBridgeApp::OnWebKitInitialized() {
  CefRegisterExtension("v8/jsonBridge", kExtensionScript, this);
}

bool JsonBridgeApp::Execute(const CefString& name,
                            CefRefPtr<CefV8Value> object,
                            const CefV8ValueList& arguments,
                            CefRefPtr<CefV8Value>& retval,
                            CefString& exception) {
  if (name != kSendFunction)
    return false;
  if (arguments.size() != 3 || !arguments[0]->IsString() ||
      !arguments[1]->IsString()) {
    exception = "jsonBridge.query(name, text, callback) needs two strings";
    return true;
  }
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  const int request_id = next_request_id_++;
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create(kMessageName);
  CefRefPtr<CefListValue> message_arguments = message->GetArgumentList();
  message_arguments->SetInt(0, request_id);
  message_arguments->SetString(1, arguments[0]->GetStringValue());
  message_arguments->SetString(2, arguments[1]->GetStringValue());
  CefRefPtr<CefBrowser> browser;
  if (context.get())
    browser = context->GetBrowser();
  if (!browser.get() || !browser->SendProcessMessage(PID_BROWSER, message)) {
    exception = "the browser process is gone";
    return true;
  }
  if (arguments[2]->IsFunction()) {
    PendingQuery& query = pending_[request_id];
    query.callback = arguments[2];
    query.context = context;
  }
  retval = CefV8Value::CreateInt(request_id);
  return true;
}

bool JsonBridgeApp::OnProcessMessageReceived(
    CefRefPtr<CefBrowser> browser,
    CefProcessId source_process,
    CefRefPtr<CefProcessMessage> message) {
  if (message->GetName() != kMessageName)
    return false;
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  std::map<int, PendingQuery>::iterator it =
      pending_.find(arguments->GetInt(0));
  if (it == pending_.end())
    return true;
  // One reply per query: the entry goes before the callback runs.
  PendingQuery query = it->second;
  pending_.erase(it);
  if (!query.context->IsValid())
    return true;

  CefV8ValueList callback_arguments;
  callback_arguments.push_back(CefV8Value::CreateBool(arguments->GetBool(1)));
  callback_arguments.push_back(
      CefV8Value::CreateString(arguments->GetString(2)));
  query.callback->ExecuteFunctionWithContext(query.context, NULL,
                                             callback_arguments);
  return true;
}

void JsonBridgeApp::OnContextReleased(CefRefPtr<CefBrowser> browser,
                                      CefRefPtr<CefFrame> frame,
                                      CefRefPtr<CefV8Context> context) {
  std::map<int, PendingQuery>::iterator it = pending_.begin();
  while (it != pending_.end()) {
    if (it->second.context->IsSame(context))
      it = pending_.erase(it);
    else
      ++it;
  }
}
