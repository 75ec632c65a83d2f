// The bridge library through the browser-process stand-in and the real
// kiv-subprocess: pages ask, handlers answer, pages go away.

#include <signal.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "browser/kiv_bridge.h"
#include "browser_process/browser_process.h"
#include "gtest/gtest.h"
#include "tests/browser/bridge_app.h"

namespace {

using cef_browser_process::BrowserProcess;
using cef_browser_process::Millis;

// Every answer a page gets is logged as "<name> <flag> <JSON result>".
const char kAsk[] =
    "function ask(name, args) {"
    "  kivApi.query({name: name, args: args, callback: function(ok, r) {"
    "    console.log(name + ' ' + ok + ' ' + JSON.stringify(r));"
    "  }});"
    "}\n";

const Millis kWait(10000);

// The channel carries messages nested at most 100 levels, counting the
// message's own argument list (a scalar or an empty container is one).
// A reply's result or an event's payload sits one level below that list.
KivValue Nest(int levels) {
  KivValue value(1);
  for (int i = 1; i < levels; ++i)
    value = KivValue::MakeList({value});
  return value;
}

// A list whose entry 0 nests |levels| levels.
CefRefPtr<CefListValue> NestList(int levels) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 1);
  for (int i = 1; i < levels; ++i) {
    CefRefPtr<CefListValue> outer = CefListValue::Create();
    outer->SetList(0, list);
    list = outer;
  }
  return list;
}

class BridgeE2eTest : public ::testing::Test {
 protected:
  BridgeE2eTest()
      : bridge_(new KivBridge()), client_(new BridgeClient(bridge_)) {}

  void TearDown() override {
    process_.reset();
    for (std::thread& thread : threads_)
      thread.join();
    // Closing the browsers canceled what was pending; the holders kept those
    // responders, which refer back to the bridge through their browsers.
    for (CefRefPtr<FunctionQueryHandler>& holder : holders_)
      holder->canceled.clear();
  }

  // A handler for |name| that keeps every responder and its arguments.
  CefRefPtr<FunctionQueryHandler> AddHolder(const std::string& name) {
    CefRefPtr<FunctionQueryHandler> handler(new FunctionQueryHandler(
        [this](CefRefPtr<CefBrowser> browser, CefRefPtr<CefListValue> args,
               CefRefPtr<KivResponder> responder) {
          held_.push_back(responder);
          held_args_.push_back(args);
        }));
    std::string error;
    EXPECT_TRUE(bridge_->AddQuery(name, handler.get(), &error)) << error;
    holders_.push_back(handler);
    return handler;
  }

  void Start() {
    app_ = new BridgeApp(bridge_);
    process_ =
        std::make_unique<BrowserProcess>(app_.get(), KIV_SUBPROCESS_PATH);
  }

  int StartRenderer() {
    std::string error;
    int renderer = process_->StartRenderer(&error);
    EXPECT_GT(renderer, 0) << error;
    return renderer;
  }

  CefRefPtr<CefBrowser> Open(int renderer, const std::string& script) {
    std::string error;
    CefRefPtr<CefBrowser> browser =
        process_->CreateBrowser(renderer, client_.get(), &error);
    EXPECT_TRUE(browser.get()) << error;
    if (browser.get())
      Load(browser, script);
    return browser;
  }

  void Load(CefRefPtr<CefBrowser> browser, const std::string& script) {
    std::string error;
    EXPECT_TRUE(process_->LoadMainFrame(browser, "test://page.js",
                                        kAsk + script, &error))
        << error;
    EXPECT_TRUE(process_->Settle(nullptr));
  }

  bool WaitFor(const std::function<bool()>& done) {
    return process_->RunUntil(done, kWait);
  }

  bool WaitForLine(CefRefPtr<CefBrowser> browser, const std::string& line) {
    const int id = browser->GetIdentifier();
    return WaitFor([&] { return client_->HasLine(id, line); });
  }

  size_t Lines(CefRefPtr<CefBrowser> browser, const std::string& prefix) {
    return client_->CountLines(browser->GetIdentifier(), prefix);
  }

  CefRefPtr<KivBridge> bridge_;
  CefRefPtr<BridgeClient> client_;
  CefRefPtr<BridgeApp> app_;
  std::unique_ptr<BrowserProcess> process_;
  std::vector<CefRefPtr<FunctionQueryHandler>> holders_;
  std::vector<CefRefPtr<KivResponder>> held_;
  std::vector<CefRefPtr<CefListValue>> held_args_;
  std::vector<std::thread> threads_;
};

TEST_F(BridgeE2eTest, QueriesAnsweredOnceManyTimesFromAnotherThreadOrNever) {
  std::string error;
  bool second_reply_taken = true;
  ASSERT_TRUE(bridge_->AddQuery(
      "once",
      new FunctionQueryHandler([&](CefRefPtr<CefBrowser>,
                                   CefRefPtr<CefListValue>,
                                   CefRefPtr<KivResponder> responder) {
        KivValue page = KivValue::MakeDictionary(
            {{"page", 3}, {"items", KivValue::MakeList({"a", 2.5, true})}});
        responder->Reply(true, page, nullptr);
        responder->Finish();
        second_reply_taken = responder->Reply(true, "again", nullptr);
      }),
      &error));
  ASSERT_TRUE(bridge_->AddQuery(
      "many",
      new FunctionQueryHandler([&](CefRefPtr<CefBrowser>,
                                   CefRefPtr<CefListValue> args,
                                   CefRefPtr<KivResponder> responder) {
        // The page sent 7, which arrives as a number of either kind.
        int first = 0;
        ASSERT_TRUE(KivGetInt(args, 0, &first));
        for (int i = 0; i < 3; ++i)
          responder->Reply(i != 1, first + i, nullptr);
        responder->Finish();
      }),
      &error));
  ASSERT_TRUE(bridge_->AddQuery(
      "thread",
      new FunctionQueryHandler([&](CefRefPtr<CefBrowser>,
                                   CefRefPtr<CefListValue>,
                                   CefRefPtr<KivResponder> responder) {
        threads_.emplace_back([responder] {
          EXPECT_FALSE(CefCurrentlyOn(TID_UI));
          responder->Reply(false, "far", nullptr);
          responder->Reply(true, "farther", nullptr);
          responder->Finish();
        });
      }),
      &error));
  AddHolder("never");
  Start();
  CefRefPtr<CefBrowser> browser = Open(
      StartRenderer(),
      "ask('once', 1); ask('many', 7); ask('thread', 3); ask('never', 4);");

  ASSERT_TRUE(WaitForLine(browser, "thread true \"farther\""));
  // The page can see the last reply before its thread has called Finish.
  for (std::thread& thread : threads_)
    thread.join();
  threads_.clear();
  ASSERT_TRUE(process_->Settle(nullptr));
  // The framework keeps dictionary keys in order.
  EXPECT_TRUE(
      client_->HasLine(browser->GetIdentifier(),
                       "once true {\"items\":[\"a\",2.5,true],\"page\":3}"));
  EXPECT_EQ(1u, Lines(browser, "once "));
  EXPECT_FALSE(second_reply_taken);
  EXPECT_TRUE(client_->HasLine(browser->GetIdentifier(), "many true 7"));
  EXPECT_TRUE(client_->HasLine(browser->GetIdentifier(), "many false 8"));
  EXPECT_TRUE(client_->HasLine(browser->GetIdentifier(), "many true 9"));
  EXPECT_TRUE(
      client_->HasLine(browser->GetIdentifier(), "thread false \"far\""));
  EXPECT_EQ(0u, Lines(browser, "never"));
  ASSERT_EQ(1u, held_.size());
  EXPECT_TRUE(held_[0]->IsActive());
  EXPECT_EQ(1u, bridge_->GetPendingCount());
  EXPECT_EQ(1, bridge_->GetCounts().dropped);  // the reply after Finish
}

TEST_F(BridgeE2eTest, RenderersWithCollidingRequestIdsGetTheirOwnAnswers) {
  AddHolder("echo");
  Start();
  CefRefPtr<CefBrowser> first = Open(StartRenderer(), "ask('echo', 'one');");
  CefRefPtr<CefBrowser> second = Open(StartRenderer(), "ask('echo', 'two');");
  ASSERT_TRUE(WaitFor([&] { return held_.size() == 2; }));
  // Both renderers number their queries from 0.
  EXPECT_EQ(0, held_[0]->GetRequestId());
  EXPECT_EQ(0, held_[1]->GetRequestId());
  // Answered in the other order, each with its own query's argument.
  EXPECT_TRUE(held_[1]->Reply(true, held_args_[1], 0, nullptr));
  EXPECT_TRUE(held_[0]->Reply(true, held_args_[0], 0, nullptr));
  ASSERT_TRUE(WaitForLine(first, "echo true \"one\""));
  ASSERT_TRUE(WaitForLine(second, "echo true \"two\""));
  ASSERT_TRUE(process_->Settle(nullptr));
  EXPECT_EQ(1u, Lines(first, "echo"));
  EXPECT_EQ(1u, Lines(second, "echo"));
}

TEST_F(BridgeE2eTest, RendererKilledWhileAHandlerHoldsItsResponder) {
  CefRefPtr<FunctionQueryHandler> holder = AddHolder("hold");
  Start();
  const int renderer = StartRenderer();
  CefRefPtr<CefBrowser> browser = Open(renderer, "ask('hold', 'old page');");
  ASSERT_TRUE(WaitFor([&] { return held_.size() == 1; }));
  CefRefPtr<KivResponder> old_responder = held_[0];
  const int generation = bridge_->GetGeneration(browser);
  EXPECT_EQ(generation, old_responder->GetGeneration());

  ASSERT_TRUE(process_->KillRenderer(renderer, SIGKILL));
  ASSERT_TRUE(WaitFor([&] { return !client_->terminated.empty(); }));
  EXPECT_EQ(std::vector<int>{browser->GetIdentifier()}, client_->terminated);
  ASSERT_EQ(1u, holder->canceled.size());
  EXPECT_EQ(old_responder.get(), holder->canceled[0].get());
  EXPECT_FALSE(old_responder->IsActive());
  EXPECT_FALSE(old_responder->Reply(true, "too late", nullptr));
  threads_.emplace_back([old_responder] {
    EXPECT_FALSE(old_responder->Reply(true, "too late", nullptr));
  });
  EXPECT_EQ(generation + 1, bridge_->GetGeneration(browser));

  // The reload runs in a new renderer process, whose ids start at 0 again:
  // the old responder's id now names the new page's query.
  Load(browser, "ask('hold', 'new page');");
  ASSERT_TRUE(WaitFor([&] { return held_.size() == 2; }));
  EXPECT_EQ(old_responder->GetRequestId(), held_[1]->GetRequestId());
  EXPECT_FALSE(old_responder->Reply(true, "stale", nullptr));
  EXPECT_TRUE(held_[1]->Reply(true, "fresh", nullptr));
  ASSERT_TRUE(WaitForLine(browser, "hold true \"fresh\""));
  ASSERT_TRUE(process_->Settle(nullptr));
  EXPECT_EQ(1u, Lines(browser, "hold"));
  for (std::thread& thread : threads_)
    thread.join();
  threads_.clear();
  EXPECT_EQ(3, bridge_->GetCounts().dropped);
}

TEST_F(BridgeE2eTest, MainFrameNavigationEndsTheOldPagesQueries) {
  CefRefPtr<FunctionQueryHandler> holder = AddHolder("hold");
  Start();
  CefRefPtr<CefBrowser> browser = Open(StartRenderer(), "ask('hold', 1);");
  ASSERT_TRUE(WaitFor([&] { return held_.size() == 1; }));
  CefRefPtr<KivResponder> old_responder = held_[0];
  const int generation = bridge_->GetGeneration(browser);

  // A cancelled navigation leaves the page and its queries alone.
  client_->cancel_navigation = true;
  std::string error;
  EXPECT_FALSE(process_->LoadMainFrame(browser, "test://other.js", "", &error));
  EXPECT_TRUE(old_responder->IsActive());
  EXPECT_EQ(generation, bridge_->GetGeneration(browser));
  client_->cancel_navigation = false;

  // A reply accepted on another thread but not yet sent when the page goes
  // is never sent.
  std::thread late([old_responder] {
    EXPECT_TRUE(old_responder->Reply(true, "late", nullptr));
  });
  late.join();
  Load(browser, "ask('hold', 2);");
  ASSERT_EQ(1u, holder->canceled.size());
  EXPECT_FALSE(old_responder->IsActive());
  EXPECT_EQ(generation + 1, bridge_->GetGeneration(browser));

  ASSERT_TRUE(WaitFor([&] { return held_.size() == 2; }));
  EXPECT_EQ(generation + 1, held_[1]->GetGeneration());
  EXPECT_TRUE(held_[1]->Reply(true, "fresh", nullptr));
  ASSERT_TRUE(WaitForLine(browser, "hold true \"fresh\""));
  ASSERT_TRUE(process_->Settle(nullptr));
  EXPECT_EQ(1u, Lines(browser, "hold"));
  EXPECT_EQ(1, bridge_->GetCounts().dropped);
}

TEST_F(BridgeE2eTest, BrowserCloseEndsItsQueries) {
  CefRefPtr<FunctionQueryHandler> holder = AddHolder("hold");
  Start();
  const int renderer = StartRenderer();
  CefRefPtr<CefBrowser> closing = Open(renderer, "ask('hold', 1);");
  CefRefPtr<CefBrowser> staying = Open(renderer, "ask('hold', 2);");
  ASSERT_TRUE(WaitFor([&] { return held_.size() == 2; }));

  ASSERT_TRUE(process_->CloseBrowser(closing));
  EXPECT_EQ(std::vector<int>{closing->GetIdentifier()}, client_->closed);
  ASSERT_EQ(1u, holder->canceled.size());
  EXPECT_EQ(held_[0].get(), holder->canceled[0].get());
  EXPECT_FALSE(held_[0]->Reply(true, "gone", nullptr));
  EXPECT_EQ(-1, bridge_->GetGeneration(closing));
  EXPECT_EQ(1u, bridge_->GetPendingCount());

  EXPECT_TRUE(held_[1]->Reply(true, "still here", nullptr));
  ASSERT_TRUE(WaitForLine(staying, "hold true \"still here\""));
}

TEST_F(BridgeE2eTest, EventsToOneBrowserAndToAll) {
  std::string error;
  ASSERT_TRUE(bridge_->AddEvent("tick", &error));
  Start();
  const char kListen[] =
      "kivApi.registerCallback('tick', function(v) {"
      "  console.log('tick ' + JSON.stringify(v));"
      "});";
  // One renderer each: an event reaches every page of the renderer process
  // it is sent to.
  CefRefPtr<CefBrowser> first = Open(StartRenderer(), kListen);
  CefRefPtr<CefBrowser> second = Open(StartRenderer(), kListen);
  CefRefPtr<CefBrowser> third = Open(StartRenderer(), kListen);

  EXPECT_TRUE(bridge_->SendEvent(first, "tick", 1, &error)) << error;
  EXPECT_EQ(3, bridge_->SendEventToAll(
                   "tick", KivValue::MakeDictionary({{"n", 2}}), &error));
  threads_.emplace_back([this] {
    std::string thread_error;
    EXPECT_EQ(3, bridge_->SendEventToAll("tick", 3, &thread_error));
  });
  threads_.back().join();
  threads_.clear();
  EXPECT_FALSE(bridge_->SendEvent(first, "tock", 1, &error));
  EXPECT_NE(std::string::npos, error.find("tock")) << error;

  ASSERT_TRUE(WaitForLine(third, "tick 3"));
  ASSERT_TRUE(WaitForLine(second, "tick 3"));
  ASSERT_TRUE(WaitForLine(first, "tick 3"));
  ASSERT_TRUE(process_->Settle(nullptr));
  EXPECT_TRUE(client_->HasLine(first->GetIdentifier(), "tick 1"));
  EXPECT_EQ(std::vector<std::string>({"tick {\"n\":2}", "tick 3"}),
            client_->console[second->GetIdentifier()]);
  EXPECT_EQ(std::vector<std::string>({"tick {\"n\":2}", "tick 3"}),
            client_->console[third->GetIdentifier()]);

  // A closed browser is no longer among all.
  ASSERT_TRUE(process_->CloseBrowser(third));
  EXPECT_EQ(2, bridge_->SendEventToAll("tick", 4, &error));
}

TEST_F(BridgeE2eTest, ValuesDeeperThanTheChannelCarriesAreRefusedUpFront) {
  std::string error;
  ASSERT_TRUE(bridge_->AddEvent("tick", &error));
  AddHolder("deep");
  Start();
  CefRefPtr<CefBrowser> browser =
      Open(StartRenderer(),
           "kivApi.registerCallback('tick', function(v) {"
           "  console.log('tick ' + JSON.stringify(v));"
           "});"
           "ask('deep', 1);");
  ASSERT_TRUE(WaitFor([&] { return held_.size() == 1; }));
  CefRefPtr<KivResponder> responder = held_[0];

  EXPECT_FALSE(responder->Reply(true, Nest(100), &error));
  EXPECT_NE(std::string::npos, error.find("deeper")) << error;
  error.clear();
  EXPECT_FALSE(responder->Reply(true, NestList(100), 0, &error));
  EXPECT_NE(std::string::npos, error.find("deeper")) << error;
  error.clear();
  EXPECT_FALSE(bridge_->SendEvent(browser, "tick", Nest(100), &error));
  EXPECT_NE(std::string::npos, error.find("deeper")) << error;
  // Off the UI thread a refusal could not be reported later.
  threads_.emplace_back([this, responder, browser] {
    std::string thread_error;
    EXPECT_FALSE(responder->Reply(true, Nest(100), &thread_error));
    EXPECT_FALSE(responder->Reply(true, NestList(100), 0, &thread_error));
    EXPECT_FALSE(bridge_->SendEvent(browser, "tick", Nest(100), &thread_error));
    EXPECT_EQ(0, bridge_->SendEventToAll("tick", Nest(100), &thread_error));
  });
  threads_.back().join();
  threads_.clear();

  EXPECT_TRUE(responder->Reply(true, Nest(99), &error)) << error;
  EXPECT_TRUE(responder->Reply(false, NestList(99), 0, &error)) << error;
  EXPECT_TRUE(bridge_->SendEvent(browser, "tick", Nest(99), &error)) << error;
  const std::string nested = std::string(98, '[') + "1" + std::string(98, ']');
  ASSERT_TRUE(WaitForLine(browser, "tick " + nested));
  ASSERT_TRUE(process_->Settle(nullptr));
  EXPECT_TRUE(
      client_->HasLine(browser->GetIdentifier(), "deep true " + nested));
  EXPECT_TRUE(
      client_->HasLine(browser->GetIdentifier(), "deep false " + nested));
  EXPECT_EQ(2u, Lines(browser, "deep "));
  EXPECT_EQ(1u, Lines(browser, "tick "));
  EXPECT_EQ(2, responder->GetReplyCount());
}

TEST_F(BridgeE2eTest, NamesAreFixedOnceTheFirstRendererStarted) {
  AddHolder("early");
  std::string error;
  ASSERT_TRUE(bridge_->AddEvent("ping", &error));
  EXPECT_FALSE(bridge_->IsFrozen());
  Start();
  CefRefPtr<CefBrowser> browser = Open(StartRenderer(), "");
  EXPECT_TRUE(bridge_->IsFrozen());
  EXPECT_FALSE(bridge_->AddQuery(
      "late",
      new FunctionQueryHandler([](CefRefPtr<CefBrowser>,
                                  CefRefPtr<CefListValue>,
                                  CefRefPtr<KivResponder>) {}),
      &error));
  EXPECT_NE(std::string::npos, error.find("fixed")) << error;
  EXPECT_FALSE(bridge_->AddEvent("pong", &error));

  // The renderer knows exactly the names announced before it started.
  process_->ShutdownRenderer(process_->RendererOf(browser));
  Load(browser,
       "ask('late', 1); ask('early', 2);"
       "try { kivApi.registerCallback('pong', function() {}); }"
       "catch (e) { console.log('pong refused'); }"
       "kivApi.registerCallback('ping', function() {});"
       "console.log('ping registered');");
  ASSERT_TRUE(WaitFor([&] { return held_.size() == 1; }));
  ASSERT_TRUE(process_->Settle(nullptr));
  EXPECT_EQ(1u, held_.size());
  EXPECT_TRUE(client_->HasLine(browser->GetIdentifier(), "pong refused"));
  EXPECT_TRUE(client_->HasLine(browser->GetIdentifier(), "ping registered"));
  EXPECT_EQ(0, bridge_->GetCounts().unannounced);
}

}  // namespace
