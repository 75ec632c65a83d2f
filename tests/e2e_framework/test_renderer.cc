// A small sub-process executable on the framework stand-in, for end-to-end
// tests of the renderer runtime and the host without the product.
//
// Process messages from the browser side, by name:
//   "echo"              sends the same message straight back
//   "extra_info"        answers "extra_info" with the start-up list it got
//   "calls"             answers "calls" with the handler calls so far
//   "burst" [n]         sends n messages "burst" [0] ... [n-1]
//   "send_from_thread"  another thread sends "from_thread"
//   "flood_from_thread" [n]  another thread sends n messages "flooded" at once
//   "post_from_thread"  another thread posts a task that sends "posted"
//   "crash"             aborts
//   "hang"              loops for ever
//   "hang_on_release"   the next context release loops for ever
//   "exit" [code]       ends the process at once with |code|
// Any other message goes to the page: testBridge.onMessage(name, json) runs
// in a task, with the arguments as JSON text. The page sends with
// testBridge.send(name, json), json being the argument list as JSON text.

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_runnable.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"
#include "nlohmann/json.hpp"

namespace {

using Json = nlohmann::json;

CefRefPtr<CefListValue> JsonToList(const Json& json);
CefRefPtr<CefDictionaryValue> JsonToDictionary(const Json& json);

template <typename Target, typename Key>
void StoreJson(Target target, const Key& key, const Json& value) {
  if (value.is_boolean()) {
    target->SetBool(key, value.get<bool>());
  } else if (value.is_number_integer() && value.get<int64_t>() >= INT32_MIN &&
             value.get<int64_t>() <= INT32_MAX) {
    target->SetInt(key, static_cast<int>(value.get<int64_t>()));
  } else if (value.is_number()) {
    target->SetDouble(key, value.get<double>());
  } else if (value.is_string()) {
    target->SetString(key, value.get<std::string>());
  } else if (value.is_array()) {
    target->SetList(key, JsonToList(value));
  } else if (value.is_object()) {
    target->SetDictionary(key, JsonToDictionary(value));
  } else {
    target->SetNull(key);
  }
}

CefRefPtr<CefListValue> JsonToList(const Json& json) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(json.size());
  for (size_t i = 0; i < json.size(); ++i)
    StoreJson(list, static_cast<int>(i), json[i]);
  return list;
}

CefRefPtr<CefDictionaryValue> JsonToDictionary(const Json& json) {
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  for (auto it = json.begin(); it != json.end(); ++it)
    StoreJson(dictionary, CefString(it.key()), it.value());
  return dictionary;
}

Json ListToJson(CefRefPtr<CefListValue> list);

Json DictionaryToJson(CefRefPtr<CefDictionaryValue> dictionary) {
  Json out = Json::object();
  CefDictionaryValue::KeyList keys;
  dictionary->GetKeys(keys);
  for (const CefString& key : keys) {
    std::string name = key.ToString();
    switch (dictionary->GetType(key)) {
      case VTYPE_BOOL:
        out[name] = dictionary->GetBool(key);
        break;
      case VTYPE_INT:
        out[name] = dictionary->GetInt(key);
        break;
      case VTYPE_DOUBLE:
        out[name] = dictionary->GetDouble(key);
        break;
      case VTYPE_STRING:
        out[name] = dictionary->GetString(key).ToString();
        break;
      case VTYPE_LIST:
        out[name] = ListToJson(dictionary->GetList(key));
        break;
      case VTYPE_DICTIONARY:
        out[name] = DictionaryToJson(dictionary->GetDictionary(key));
        break;
      default:
        out[name] = nullptr;
    }
  }
  return out;
}

Json ListToJson(CefRefPtr<CefListValue> list) {
  Json out = Json::array();
  for (size_t i = 0; i < list->GetSize(); ++i) {
    int index = static_cast<int>(i);
    switch (list->GetType(index)) {
      case VTYPE_BOOL:
        out.push_back(list->GetBool(index));
        break;
      case VTYPE_INT:
        out.push_back(list->GetInt(index));
        break;
      case VTYPE_DOUBLE:
        out.push_back(list->GetDouble(index));
        break;
      case VTYPE_STRING:
        out.push_back(list->GetString(index).ToString());
        break;
      case VTYPE_LIST:
        out.push_back(ListToJson(list->GetList(index)));
        break;
      case VTYPE_DICTIONARY:
        out.push_back(DictionaryToJson(list->GetDictionary(index)));
        break;
      default:
        out.push_back(nullptr);
    }
  }
  return out;
}

void SendNamed(CefRefPtr<CefBrowser> browser, const std::string& name) {
  browser->SendProcessMessage(PID_BROWSER, CefProcessMessage::Create(name));
}

// testBridge.send(name, json).
class BridgeHandler : public CefV8Handler {
 public:
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    if (arguments.size() != 2 || !arguments[0]->IsString() ||
        !arguments[1]->IsString()) {
      exception = "testBridge.send(name, json)";
      return true;
    }
    Json args =
        Json::parse(arguments[1]->GetStringValue().ToString(), nullptr, false);
    if (!args.is_array()) {
      exception = "the arguments must be a JSON list";
      return true;
    }
    CefRefPtr<CefProcessMessage> message =
        CefProcessMessage::Create(arguments[0]->GetStringValue());
    CefRefPtr<CefListValue> target = message->GetArgumentList();
    target->SetSize(args.size());
    for (size_t i = 0; i < args.size(); ++i)
      StoreJson(target, static_cast<int>(i), args[i]);
    CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
    bool sent = context->GetBrowser()->SendProcessMessage(PID_BROWSER, message);
    retval = CefV8Value::CreateBool(sent);
    return true;
  }

  IMPLEMENT_REFCOUNTING(BridgeHandler);
};

void CallPage(CefRefPtr<CefV8Context> context,
              const std::string& name,
              const std::string& json) {
  if (!context->IsValid() || !context->Enter())
    return;
  CefRefPtr<CefV8Value> bridge = context->GetGlobal()->GetValue("testBridge");
  CefRefPtr<CefV8Value> callback =
      bridge ? bridge->GetValue("onMessage") : nullptr;
  if (callback && callback->IsFunction()) {
    CefV8ValueList args;
    args.push_back(CefV8Value::CreateString(name));
    args.push_back(CefV8Value::CreateString(json));
    callback->ExecuteFunction(context->GetGlobal(), args);
  }
  context->Exit();
}

class TestApp : public CefApp, public CefRenderProcessHandler {
 public:
  // CefApp methods:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override {
    return this;
  }

  // CefRenderProcessHandler methods:
  void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override {
    calls_.push_back("render thread created");
    extra_info_ = extra_info->Copy();
  }
  void OnWebKitInitialized() override { calls_.push_back("webkit"); }
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser) override {
    calls_.push_back("browser created " +
                     std::to_string(browser->GetIdentifier()));
  }
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override {
    calls_.push_back("browser destroyed " +
                     std::to_string(browser->GetIdentifier()));
  }
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override {
    calls_.push_back("context created " +
                     std::to_string(frame->GetIdentifier()));
    CefRefPtr<CefV8Value> bridge = CefV8Value::CreateObject(NULL);
    bridge->SetValue("send",
                     CefV8Value::CreateFunction("send", new BridgeHandler),
                     V8_PROPERTY_ATTRIBUTE_NONE);
    context->GetGlobal()->SetValue("testBridge", bridge,
                                   V8_PROPERTY_ATTRIBUTE_NONE);
    contexts_[browser->GetIdentifier()] = context;
  }
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override {
    calls_.push_back("context released " +
                     std::to_string(frame->GetIdentifier()));
    for (volatile bool forever = hang_on_release_; forever;) {
    }
    auto found = contexts_.find(browser->GetIdentifier());
    if (found != contexts_.end() && found->second->IsSame(context))
      contexts_.erase(found);
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override {
    const std::string name = message->GetName().ToString();
    calls_.push_back("message " + name);
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    if (name == "echo") {
      browser->SendProcessMessage(PID_BROWSER, message->Copy());
    } else if (name == "extra_info") {
      CefRefPtr<CefProcessMessage> reply =
          CefProcessMessage::Create("extra_info");
      reply->GetArgumentList()->SetList(0, extra_info_->Copy());
      browser->SendProcessMessage(PID_BROWSER, reply);
    } else if (name == "calls") {
      CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create("calls");
      CefRefPtr<CefListValue> list = reply->GetArgumentList();
      list->SetSize(calls_.size());
      for (size_t i = 0; i < calls_.size(); ++i)
        list->SetString(static_cast<int>(i), calls_[i]);
      browser->SendProcessMessage(PID_BROWSER, reply);
    } else if (name == "burst") {
      for (int i = 0; i < args->GetInt(0); ++i) {
        CefRefPtr<CefProcessMessage> item = CefProcessMessage::Create("burst");
        item->GetArgumentList()->SetInt(0, i);
        browser->SendProcessMessage(PID_BROWSER, item);
      }
    } else if (name == "send_from_thread") {
      std::thread([browser]() {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        SendNamed(browser, "from_thread");
      }).detach();
    } else if (name == "flood_from_thread") {
      const int count = args->GetInt(0);
      std::thread([browser, count]() {
        for (int i = 0; i < count; ++i)
          SendNamed(browser, "flooded");
      }).detach();
    } else if (name == "post_from_thread") {
      std::thread([browser]() {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        CefPostTask(
            TID_RENDERER,
            NewCefRunnableFunction(&SendNamed, browser, std::string("posted")));
      }).detach();
    } else if (name == "crash") {
      abort();
    } else if (name == "hang") {
      for (volatile bool forever = true; forever;) {
      }
    } else if (name == "hang_on_release") {
      hang_on_release_ = true;
    } else if (name == "exit") {
      _exit(args->GetInt(0));
    } else {
      auto found = contexts_.find(browser->GetIdentifier());
      if (found != contexts_.end()) {
        found->second->GetTaskRunner()->PostTask(NewCefRunnableFunction(
            &CallPage, found->second, name, ListToJson(args).dump()));
      }
    }
    return true;
  }

 private:
  CefRefPtr<CefListValue> extra_info_;
  std::vector<std::string> calls_;
  bool hang_on_release_ = false;
  std::map<int, CefRefPtr<CefV8Context>> contexts_;

  IMPLEMENT_REFCOUNTING(TestApp);
};

}  // namespace

int main(int argc, char* argv[]) {
  CefMainArgs main_args(argc, argv);
  CefRefPtr<TestApp> app(new TestApp);
  return CefExecuteProcess(main_args, app.get(), NULL);
}
