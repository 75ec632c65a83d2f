// The bridge without a renderer: message layouts, the registry, value
// helpers. A recording browser stands in for the framework's.

#include <limits>
#include <string>
#include <vector>

#include "browser/kiv_bridge.h"
#include "browser_process/browser_process.h"
#include "gtest/gtest.h"
#include "tests/browser/bridge_app.h"

namespace {

// Records what is sent to it; every other method does nothing.
class RecordingBrowser : public CefBrowser {
 public:
  explicit RecordingBrowser(int id) : id_(id) {}

  std::vector<CefRefPtr<CefProcessMessage>> sent;
  bool refuse = false;  // as the framework does for a closed browser

  // CefBrowser methods:
  virtual CefRefPtr<CefBrowserHost> GetHost() OVERRIDE { return NULL; }
  virtual bool CanGoBack() OVERRIDE { return false; }
  virtual void GoBack() OVERRIDE {}
  virtual bool CanGoForward() OVERRIDE { return false; }
  virtual void GoForward() OVERRIDE {}
  virtual bool IsLoading() OVERRIDE { return false; }
  virtual void Reload() OVERRIDE {}
  virtual void ReloadIgnoreCache() OVERRIDE {}
  virtual void StopLoad() OVERRIDE {}
  virtual int GetIdentifier() OVERRIDE { return id_; }
  virtual bool IsSame(CefRefPtr<CefBrowser> that) OVERRIDE {
    return that->GetIdentifier() == id_;
  }
  virtual bool IsPopup() OVERRIDE { return false; }
  virtual bool HasDocument() OVERRIDE { return true; }
  virtual CefRefPtr<CefFrame> GetMainFrame() OVERRIDE { return NULL; }
  virtual CefRefPtr<CefFrame> GetFocusedFrame() OVERRIDE { return NULL; }
  virtual CefRefPtr<CefFrame> GetFrame(int64 identifier) OVERRIDE {
    return NULL;
  }
  virtual CefRefPtr<CefFrame> GetFrame(const CefString& name) OVERRIDE {
    return NULL;
  }
  virtual size_t GetFrameCount() OVERRIDE { return 0; }
  virtual void GetFrameIdentifiers(std::vector<int64>& identifiers) OVERRIDE {}
  virtual void GetFrameNames(std::vector<CefString>& names) OVERRIDE {}
  virtual bool SendProcessMessage(
      CefProcessId target_process,
      CefRefPtr<CefProcessMessage> message) OVERRIDE {
    EXPECT_TRUE(CefCurrentlyOn(TID_UI));
    if (refuse)
      return false;
    sent.push_back(message->Copy());
    return true;
  }

 private:
  const int id_;

  IMPLEMENT_REFCOUNTING(RecordingBrowser);
};

// Builds "kiv_jsapi" messages entry by entry.
CefRefPtr<CefProcessMessage> Query(int id, const char* name, int args_size) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("kiv_jsapi");
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  args->SetSize(3);
  args->SetInt(0, id);
  args->SetString(1, name);
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  inner->SetSize(args_size);
  args->SetList(2, inner);
  return message;
}

class BridgeUnitTest : public ::testing::Test {
 protected:
  BridgeUnitTest()
      : process_(NULL, "/nonexistent"),
        bridge_(new KivBridge()),
        browser_(new RecordingBrowser(7)) {
    handler_ = new FunctionQueryHandler(
        [this](CefRefPtr<CefBrowser>, CefRefPtr<CefListValue> args,
               CefRefPtr<KivResponder> responder) {
          responders_.push_back(responder);
        });
    std::string error;
    EXPECT_TRUE(bridge_->AddQuery("ask", handler_.get(), &error));
    EXPECT_TRUE(bridge_->AddEvent("tick", &error));
  }

  bool Deliver(CefRefPtr<CefProcessMessage> message) {
    return bridge_->OnProcessMessageReceived(browser_.get(), PID_RENDERER,
                                             message);
  }

  // Owns the UI thread for the test.
  cef_browser_process::BrowserProcess process_;
  CefRefPtr<KivBridge> bridge_;
  CefRefPtr<RecordingBrowser> browser_;
  CefRefPtr<FunctionQueryHandler> handler_;
  std::vector<CefRefPtr<KivResponder>> responders_;
};

TEST_F(BridgeUnitTest, MalformedAndUnannouncedQueriesAreDroppedAndCounted) {
  EXPECT_TRUE(Deliver(Query(0, "ask", 1)));
  ASSERT_EQ(1u, responders_.size());

  std::vector<CefRefPtr<CefProcessMessage>> malformed;
  malformed.push_back(Query(1, "ask", 0));  // empty argument list
  malformed.push_back(Query(2, "ask", 2));  // two arguments
  CefRefPtr<CefProcessMessage> message = Query(3, "ask", 1);
  message->GetArgumentList()->SetDouble(0, 3.0);  // id of the wrong kind
  malformed.push_back(message);
  message = Query(4, "ask", 1);
  message->GetArgumentList()->SetInt(1, 5);  // name of the wrong kind
  malformed.push_back(message);
  message = Query(5, "ask", 1);
  message->GetArgumentList()->SetString(2, "x");  // args not a list
  malformed.push_back(message);
  message = Query(6, "ask", 1);
  message->GetArgumentList()->SetSize(4);  // an extra entry
  malformed.push_back(message);
  malformed.push_back(CefProcessMessage::Create("kiv_jsapi"));  // no entries
  for (CefRefPtr<CefProcessMessage>& bad : malformed)
    EXPECT_TRUE(Deliver(bad));
  // From the wrong side.
  EXPECT_TRUE(bridge_->OnProcessMessageReceived(browser_.get(), PID_BROWSER,
                                                Query(7, "ask", 1)));
  EXPECT_TRUE(Deliver(Query(8, "tell", 1)));  // unannounced
  EXPECT_TRUE(Deliver(Query(9, "ASK", 1)));   // names match case and all
  // Other messages are not the bridge's.
  EXPECT_FALSE(Deliver(CefProcessMessage::Create("kiv_callback")));
  EXPECT_FALSE(Deliver(CefProcessMessage::Create("KIV_JSAPI")));

  EXPECT_EQ(1u, responders_.size());
  KivBridge::Counts counts = bridge_->GetCounts();
  EXPECT_EQ(8, counts.malformed);
  EXPECT_EQ(2, counts.unannounced);
  EXPECT_TRUE(browser_->sent.empty());
}

TEST_F(BridgeUnitTest, RepliesCarryTheRequestIdFlagAndResult) {
  Deliver(Query(41, "ask", 1));
  ASSERT_EQ(1u, responders_.size());
  CefRefPtr<KivResponder> responder = responders_[0];
  EXPECT_TRUE(responder->Reply(false, KivValue::MakeList({1, "two"}), NULL));
  ASSERT_EQ(1u, browser_->sent.size());
  CefRefPtr<CefProcessMessage> reply = browser_->sent[0];
  EXPECT_EQ("kiv_jsapi", reply->GetName().ToString());
  CefRefPtr<CefListValue> args = reply->GetArgumentList();
  ASSERT_EQ(3u, args->GetSize());
  EXPECT_EQ(41, args->GetInt(0));
  EXPECT_EQ(VTYPE_BOOL, args->GetType(1));
  EXPECT_FALSE(args->GetBool(1));
  CefRefPtr<CefListValue> result = args->GetList(2);
  ASSERT_TRUE(result.get());
  EXPECT_EQ(1, result->GetInt(0));
  EXPECT_EQ("two", result->GetString(1).ToString());

  // A value that cannot be carried is refused before anything is sent.
  KivValue deep;
  for (int i = 0; i < KivValue::kMaxDepth + 1; ++i)
    deep = KivValue::MakeList({deep});
  std::string error;
  EXPECT_FALSE(responder->Reply(true, deep, &error));
  EXPECT_NE(std::string::npos, error.find("deeper")) << error;
  EXPECT_FALSE(
      responder->Reply(true, KivValue::MakeDictionary({{"", 1}}), &error));
  // A page would get an error text in place of a binary value.
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  inner->SetBinary(1, CefBinaryValue::Create("ab", 2));
  CefRefPtr<CefListValue> source = CefListValue::Create();
  source->SetList(0, inner);
  error.clear();
  EXPECT_FALSE(responder->Reply(true, source, 0, &error));
  EXPECT_NE(std::string::npos, error.find("binary")) << error;
  EXPECT_EQ(1u, browser_->sent.size());
  EXPECT_TRUE(responder->IsActive());
  EXPECT_EQ(1, responder->GetReplyCount());

  // On the UI thread the reply is sent at once: one the browser does not
  // take is a failure, not an accepted reply.
  const int dropped = bridge_->GetCounts().dropped;
  browser_->refuse = true;
  error.clear();
  EXPECT_FALSE(responder->Reply(true, 1, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(1, responder->GetReplyCount());
  EXPECT_EQ(dropped + 1, bridge_->GetCounts().dropped);
  browser_->refuse = false;
  EXPECT_TRUE(responder->Reply(true, 2, &error));
  EXPECT_EQ(2u, browser_->sent.size());
}

TEST_F(BridgeUnitTest, RegistryRefusesBadNamesAndFreezesWhenAnnounced) {
  std::string error;
  EXPECT_FALSE(bridge_->AddQuery("ask", handler_.get(), &error));
  EXPECT_FALSE(bridge_->AddQuery("", handler_.get(), &error));
  EXPECT_FALSE(bridge_->AddQuery("other", NULL, &error));
  EXPECT_FALSE(bridge_->AddEvent("tick", &error));
  EXPECT_FALSE(bridge_->AddEvent("", &error));
  EXPECT_TRUE(bridge_->AddQuery("second", handler_.get(), &error));

  CefRefPtr<CefListValue> extra_info = CefListValue::Create();
  bridge_->OnRenderProcessThreadCreated(extra_info);
  ASSERT_EQ(2u, extra_info->GetSize());
  CefRefPtr<CefListValue> events = extra_info->GetList(0);
  CefRefPtr<CefListValue> queries = extra_info->GetList(1);
  ASSERT_TRUE(events.get() && queries.get());
  ASSERT_EQ(1u, events->GetSize());
  EXPECT_EQ("tick", events->GetString(0).ToString());
  ASSERT_EQ(2u, queries->GetSize());
  EXPECT_EQ("ask", queries->GetString(0).ToString());
  EXPECT_EQ("second", queries->GetString(1).ToString());

  EXPECT_FALSE(bridge_->AddQuery("third", handler_.get(), &error));
  EXPECT_EQ("the names are fixed once the first renderer has started", error);
  EXPECT_FALSE(bridge_->AddEvent("tock", &error));
}

TEST_F(BridgeUnitTest, EventsNeedAnnouncedNamesAndCarryTheirPayload) {
  std::string error;
  EXPECT_FALSE(bridge_->SendEvent(browser_.get(), "tock", 1, &error));
  error.clear();
  EXPECT_EQ(0, bridge_->SendEventToAll("tick", 1, &error));  // none seen yet
  EXPECT_FALSE(error.empty());
  bridge_->OnAfterCreated(browser_.get());
  // None sent is a failure with a reason, also when the browsers refuse.
  browser_->refuse = true;
  error.clear();
  EXPECT_EQ(0, bridge_->SendEventToAll("tick", 1, &error));
  EXPECT_FALSE(error.empty());
  browser_->refuse = false;
  EXPECT_EQ(1, bridge_->SendEventToAll("tick", "now", &error));
  ASSERT_EQ(1u, browser_->sent.size());
  CefRefPtr<CefListValue> args = browser_->sent[0]->GetArgumentList();
  EXPECT_EQ("kiv_callback", browser_->sent[0]->GetName().ToString());
  EXPECT_EQ("tick", args->GetString(0).ToString());
  EXPECT_EQ("now", args->GetString(1).ToString());
  bridge_->OnBeforeClose(browser_.get());
  EXPECT_EQ(0, bridge_->SendEventToAll("tick", 1, &error));
}

TEST_F(BridgeUnitTest, CallsWithoutAnErrorStringFailAlike) {
  // Refusals without a place for their reason are still refusals.
  EXPECT_FALSE(bridge_->AddQuery("ask", handler_.get(), NULL));
  EXPECT_FALSE(bridge_->AddEvent("", NULL));
  EXPECT_FALSE(bridge_->SendEvent(NULL, "tick", 1, NULL));
  EXPECT_FALSE(bridge_->SendEvent(browser_.get(), "tock", 1, NULL));
  EXPECT_EQ(0, bridge_->SendEventToAll("tick", 1, NULL));  // none seen yet
  bridge_->OnAfterCreated(browser_.get());
  EXPECT_EQ(0, bridge_->SendEventToAll(
                   "tick", std::numeric_limits<double>::infinity(), NULL));
  browser_->refuse = true;
  EXPECT_FALSE(bridge_->SendEvent(browser_.get(), "tick", 1, NULL));
  browser_->refuse = false;
  EXPECT_TRUE(browser_->sent.empty());
  EXPECT_EQ(1, bridge_->SendEventToAll("tick", 1, NULL));

  CefRefPtr<CefListValue> list = CefListValue::Create();
  EXPECT_FALSE(KivValue(std::numeric_limits<double>::quiet_NaN())
                   .WriteTo(list, 0, NULL));
  EXPECT_FALSE(KivValue(1).WriteTo(NULL, 0, NULL));
  EXPECT_EQ(0u, list->GetSize());

  bridge_->OnRenderProcessThreadCreated(CefListValue::Create());
  EXPECT_FALSE(bridge_->AddEvent("tock", NULL));
}

// Keeps every responder it is given, as a handler that replies later does.
class KeepingHandler : public KivQueryHandler {
 public:
  explicit KeepingHandler(bool* destroyed) : destroyed_(destroyed) {}
  ~KeepingHandler() { *destroyed_ = true; }

  std::vector<CefRefPtr<KivResponder>> kept;

  // KivQueryHandler methods:
  virtual void OnQuery(CefRefPtr<CefBrowser> browser,
                       const CefString& name,
                       CefRefPtr<CefListValue> args,
                       CefRefPtr<KivResponder> responder) OVERRIDE {
    kept.push_back(responder);
  }

 private:
  bool* const destroyed_;

  IMPLEMENT_REFCOUNTING(KeepingHandler);
};

TEST_F(BridgeUnitTest, ABridgeGoneWithPagesOpenLetsGoOfItsHandlers) {
  bool destroyed = false;
  {
    CefRefPtr<KeepingHandler> keeping = new KeepingHandler(&destroyed);
    std::string error;
    ASSERT_TRUE(bridge_->AddQuery("keep", keeping.get(), &error));
    bridge_->OnAfterCreated(browser_.get());
    Deliver(Query(1, "keep", 1));
    Deliver(Query(2, "keep", 1));
    ASSERT_EQ(2u, keeping->kept.size());
  }
  // The browser never closes; the application lets go of the bridge.
  bridge_ = NULL;
  EXPECT_TRUE(destroyed);
}

TEST(KivCountersTest, StopAtTheLargestCountInsteadOfWrapping) {
  // A renderer can send malformed messages without end.
  CefRefPtr<KivCounters> counters(new KivCounters());
  counters->malformed = std::numeric_limits<int>::max() - 1;
  counters->Add(&counters->malformed);
  counters->Add(&counters->malformed);
  counters->Add(&counters->malformed);
  EXPECT_EQ(std::numeric_limits<int>::max(),
            counters->Read(&counters->malformed));
  EXPECT_EQ(0, counters->Read(&counters->dropped));
}

TEST(KivValueTest, IntegersAreReadFromIntsAndWholeDoubles) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  const double cases[] = {3.0,          -2147483648.0, 2147483647.0, 2.5,
                          2147483648.0, 1e20,          -0.0};
  list->SetSize(10);
  for (int i = 0; i < 7; ++i)
    list->SetDouble(i, cases[i]);
  list->SetInt(7, -5);
  list->SetString(8, "3");
  int value = 99;
  EXPECT_TRUE(KivGetInt(list, 0, &value));
  EXPECT_EQ(3, value);
  EXPECT_TRUE(KivGetInt(list, 1, &value));
  EXPECT_EQ(std::numeric_limits<int>::min(), value);
  EXPECT_TRUE(KivGetInt(list, 2, &value));
  EXPECT_EQ(std::numeric_limits<int>::max(), value);
  value = 99;
  EXPECT_FALSE(KivGetInt(list, 3, &value));
  EXPECT_FALSE(KivGetInt(list, 4, &value));
  EXPECT_FALSE(KivGetInt(list, 5, &value));
  EXPECT_EQ(99, value);
  EXPECT_TRUE(KivGetInt(list, 6, &value));
  EXPECT_EQ(0, value);
  EXPECT_TRUE(KivGetInt(list, 7, &value));
  EXPECT_EQ(-5, value);
  EXPECT_FALSE(KivGetInt(list, 8, &value));
  EXPECT_FALSE(KivGetInt(list, 9, &value));   // null
  EXPECT_FALSE(KivGetInt(list, 10, &value));  // missing
  EXPECT_FALSE(KivGetInt(list, -1, &value));

  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  dictionary->SetDouble("page", 12.0);
  dictionary->SetDouble("half", 0.5);
  EXPECT_TRUE(KivGetInt(dictionary, "page", &value));
  EXPECT_EQ(12, value);
  EXPECT_FALSE(KivGetInt(dictionary, "half", &value));
  EXPECT_FALSE(KivGetInt(dictionary, "missing", &value));
}

TEST(KivValueTest, LargeDictionariesReplaceRepeatedKeys) {
  // 100,000 keys, each set twice: small dictionaries scan their keys, large
  // ones look them up, and both must replace rather than add.
  const int kKeys = 100000;
  KivValue value;
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < kKeys; ++i)
      value.Set("k" + std::to_string(i), round * kKeys + i);
  }
  KivValue copy = value;  // a copy keeps working with its own entries
  copy.Set("k7", -7).Set("new", 1);
  value.Set("k7", 7);

  CefRefPtr<CefListValue> list = CefListValue::Create();
  std::string error;
  ASSERT_TRUE(value.WriteTo(list, 0, &error)) << error;
  ASSERT_TRUE(copy.WriteTo(list, 1, &error)) << error;
  CefRefPtr<CefDictionaryValue> out = list->GetDictionary(0);
  CefRefPtr<CefDictionaryValue> copied = list->GetDictionary(1);
  ASSERT_TRUE(out.get() && copied.get());
  EXPECT_EQ(static_cast<size_t>(kKeys), out->GetSize());
  EXPECT_EQ(static_cast<size_t>(kKeys) + 1, copied->GetSize());
  int wrong = 0;
  for (int i = 0; i < kKeys; ++i) {
    if (i != 7 && out->GetInt("k" + std::to_string(i)) != kKeys + i)
      ++wrong;
  }
  EXPECT_EQ(0, wrong);
  EXPECT_EQ(7, out->GetInt("k7"));
  EXPECT_EQ(-7, copied->GetInt("k7"));
  EXPECT_FALSE(out->HasKey("new"));

  // A dictionary that becomes a list and a dictionary again starts afresh.
  value.Append(1);
  value.Set("k3", 3);
  ASSERT_TRUE(value.WriteTo(list, 0, &error)) << error;
  EXPECT_EQ(1u, list->GetDictionary(0)->GetSize());
}

TEST(KivValueTest, AValueSetOrAppendedIntoItselfKeepsItsOldSelf) {
  KivValue list = KivValue::MakeList({1});
  list.Append(list);
  KivValue scalar(5);
  scalar.Append(scalar);
  KivValue small = KivValue::MakeDictionary({{"a", 1}});
  small.Set("a", small);
  KivValue large;  // looks its keys up in an index
  for (int i = 0; i < 20; ++i)
    large.Set("k" + std::to_string(i), i);
  large.Set("k3", large);
  large.Set("new", large);

  CefRefPtr<CefListValue> out = CefListValue::Create();
  std::string error;
  ASSERT_TRUE(list.WriteTo(out, 0, &error)) << error;
  ASSERT_TRUE(scalar.WriteTo(out, 1, &error)) << error;
  ASSERT_TRUE(small.WriteTo(out, 2, &error)) << error;
  ASSERT_TRUE(large.WriteTo(out, 3, &error)) << error;
  CefRefPtr<CefListValue> inner = out->GetList(0)->GetList(1);
  ASSERT_TRUE(inner.get());
  EXPECT_EQ(1u, inner->GetSize());
  EXPECT_EQ(1, inner->GetInt(0));
  EXPECT_EQ(5, out->GetList(1)->GetInt(0));
  EXPECT_EQ(1, out->GetDictionary(2)->GetDictionary("a")->GetInt("a"));
  CefRefPtr<CefDictionaryValue> indexed = out->GetDictionary(3);
  EXPECT_EQ(21u, indexed->GetSize());
  EXPECT_EQ(3, indexed->GetDictionary("k3")->GetInt("k3"));
  EXPECT_EQ(20u, indexed->GetDictionary("new")->GetSize());
  EXPECT_EQ(VTYPE_DICTIONARY,
            indexed->GetDictionary("new")->GetType("k3"));  // set before
}

TEST(KivValueTest, NestedValuesAreWrittenWithTheirKinds) {
  KivValue value = KivValue::MakeDictionary(
      {{"n", 1}, {"d", 1.0}, {"s", "x"}, {"b", false}, {"z", KivValue()}});
  value.Set("n", 2);  // replaces, keeps the order
  value.Set("l", KivValue::MakeList({}).Append(KivValue::MakeList({3})));
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(1);
  std::string error;
  ASSERT_TRUE(value.WriteTo(list, 0, &error)) << error;
  CefRefPtr<CefDictionaryValue> out = list->GetDictionary(0);
  ASSERT_TRUE(out.get());
  EXPECT_EQ(6u, out->GetSize());
  EXPECT_EQ(VTYPE_INT, out->GetType("n"));
  EXPECT_EQ(2, out->GetInt("n"));
  EXPECT_EQ(VTYPE_DOUBLE, out->GetType("d"));
  EXPECT_EQ(VTYPE_STRING, out->GetType("s"));
  EXPECT_EQ(VTYPE_BOOL, out->GetType("b"));
  EXPECT_EQ(VTYPE_NULL, out->GetType("z"));
  CefRefPtr<CefListValue> nested = out->GetList("l");
  ASSERT_TRUE(nested.get());
  ASSERT_EQ(VTYPE_LIST, nested->GetType(0));
  EXPECT_EQ(3, nested->GetList(0)->GetInt(0));

  // The framework stores a NaN or an infinity as 0: such a value is refused
  // rather than changed on the way, wherever it sits in the tree.
  const double not_finite[] = {std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity()};
  for (double number : not_finite) {
    error.clear();
    EXPECT_FALSE(KivValue(number).WriteTo(list, 0, &error));
    EXPECT_NE(std::string::npos, error.find("finite")) << error;
    EXPECT_FALSE(
        KivValue::MakeDictionary({{"items", KivValue::MakeList({1, number})}})
            .WriteTo(list, 0, &error));
  }
  EXPECT_EQ(VTYPE_DICTIONARY, list->GetType(0));  // the earlier value stays

  // Copying an entry keeps its kind.
  CefRefPtr<CefListValue> copy = CefListValue::Create();
  EXPECT_TRUE(KivCopyListEntry(list, 0, copy, 2));
  EXPECT_EQ(VTYPE_DICTIONARY, copy->GetType(2));
  EXPECT_TRUE(KivCopyListEntry(list, 5, copy, 0));  // missing: null
  EXPECT_EQ(VTYPE_NULL, copy->GetType(0));
}

}  // namespace
