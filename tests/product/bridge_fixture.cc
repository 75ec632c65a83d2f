#include "tests/product/bridge_fixture.h"

#include <sstream>

#include "tests/product/probe_app.h"

namespace {

CefRefPtr<CefListValue> StringList(const std::vector<std::string>& values) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  for (size_t i = 0; i < values.size(); ++i)
    list->SetString(static_cast<int>(i), values[i]);
  return list;
}

std::string DescribeDictionary(CefRefPtr<CefDictionaryValue> dictionary) {
  std::vector<CefString> keys;
  dictionary->GetKeys(keys);
  std::string out = "{";
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i)
      out += ",";
    out +=
        keys[i].ToString() + ":" + DescribeDictionaryEntry(dictionary, keys[i]);
  }
  return out + "}";
}

template <class Container, class Position>
std::string Describe(CefRefPtr<Container> container, const Position& position) {
  std::ostringstream out;
  switch (container->GetType(position)) {
    case VTYPE_INVALID:
      return "invalid";
    case VTYPE_NULL:
      return "null";
    case VTYPE_BOOL:
      return container->GetBool(position) ? "bool:true" : "bool:false";
    case VTYPE_INT:
      out << "int:" << container->GetInt(position);
      return out.str();
    case VTYPE_DOUBLE:
      out.precision(17);
      out << "double:" << container->GetDouble(position);
      return out.str();
    case VTYPE_STRING:
      return "\"" + container->GetString(position).ToString() + "\"";
    case VTYPE_BINARY:
      return "binary";
    case VTYPE_DICTIONARY:
      return DescribeDictionary(container->GetDictionary(position));
    case VTYPE_LIST:
      return DescribeList(container->GetList(position));
  }
  return "unknown";
}

}  // namespace

CefRefPtr<CefListValue> NameLists(const std::vector<std::string>& callbacks,
                                  const std::vector<std::string>& queries) {
  CefRefPtr<CefListValue> extra_info = CefListValue::Create();
  extra_info->SetList(0, StringList(callbacks));
  extra_info->SetList(1, StringList(queries));
  return extra_info;
}

std::string DescribeListEntry(CefRefPtr<CefListValue> list, int index) {
  return Describe(list, index);
}

std::string DescribeDictionaryEntry(CefRefPtr<CefDictionaryValue> dictionary,
                                    const CefString& key) {
  return Describe(dictionary, key);
}

std::string DescribeList(CefRefPtr<CefListValue> list) {
  if (!list.get())
    return "no list";
  std::string out = "[";
  for (size_t i = 0; i < list->GetSize(); ++i) {
    if (i)
      out += ",";
    out += DescribeListEntry(list, static_cast<int>(i));
  }
  return out + "]";
}

std::string Thrown(const std::string& text) {
  return "exception: Uncaught Error: " + text;
}

CefRefPtr<CefProcessMessage> Reply(int request_id, bool flag) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("kiv_jsapi");
  message->GetArgumentList()->SetInt(0, request_id);
  message->GetArgumentList()->SetBool(1, flag);
  return message;
}

CefRefPtr<CefProcessMessage> Event(const std::string& name) {
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create("kiv_callback");
  message->GetArgumentList()->SetString(0, name);
  return message;
}

void BridgeTest::TearDown() {
  harness_.reset();
  app_ = NULL;
}

void BridgeTest::Start() {
  StartRenderer(NameLists({"tick", "tock"}, {"echo", "save"}));
}

void BridgeTest::StartRenderer(CefRefPtr<CefListValue> extra_info) {
  app_ = new Application();
  harness_.reset(new cef_harness::RendererHarness(app_.get(), extra_info));
  OpenMainFrame();
}

void BridgeTest::StartProbed(CefRefPtr<CefListValue> extra_info,
                             const std::string& before) {
  app_ = new Application();
  harness_.reset(
      new cef_harness::RendererHarness(new ProbeApp(app_, before), extra_info));
  OpenMainFrame();
}

void BridgeTest::OpenMainFrame() {
  browser_ = harness_->CreateBrowser();
  frame_ = harness_->CreateFrame(browser_, "", true);
  ASSERT_NE(0, frame_);
}

int64 BridgeTest::AddFrame(bool own_browser, int* browser_id) {
  if (own_browser) {
    *browser_id = harness_->CreateBrowser();
    return harness_->CreateFrame(*browser_id, "", true);
  }
  *browser_id = browser_;
  static int sub_frames = 0;
  return harness_->CreateFrame(browser_, "sub" + std::to_string(++sub_frames),
                               false);
}

std::string BridgeTest::Eval(const std::string& code) {
  return harness_->Eval(browser_, frame_, code);
}

std::string BridgeTest::EvalIn(int browser,
                               int64 frame,
                               const std::string& code) {
  return harness_->Eval(browser, frame, code);
}

std::vector<cef_harness::SentMessage> BridgeTest::TakeSent() {
  return harness_->TakeSentMessages();
}

bool BridgeTest::Deliver(CefRefPtr<CefProcessMessage> message) {
  const bool handled = harness_->DeliverMessage(browser_, message);
  harness_->RunPendingTasks();
  return handled;
}
