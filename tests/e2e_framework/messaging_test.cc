// What crosses the channel between host/ and a real renderer: the start-up
// list, process messages both ways with every value kind, page output, the
// order of everything, and refused requests.

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e_framework/e2e_util.h"

namespace {

using ipc::WireValue;
using kivhost::Millis;

WireValue Str(const std::u16string& text) {
  return WireValue::String(text);
}

// Every kind the framework keeps exactly.
WireValue ExactValues() {
  return WireValue::List(
      {WireValue::Null(), WireValue::Bool(true), WireValue::Bool(false),
       WireValue::Int(0), WireValue::Int(std::numeric_limits<int32_t>::min()),
       WireValue::Int(std::numeric_limits<int32_t>::max()),
       WireValue::Double(0.1), WireValue::Double(-0.0),
       WireValue::Double(1e308), WireValue::Double(5.0), Str(u""),
       Str(u"caf\u00e9 \U0001F600"), Str(std::u16string(u"a\0b", 3)),
       WireValue::Binary({0, 1, 2, 255}),
       WireValue::Dictionary({{u"a", WireValue::Int(1)},
                              {u"b", WireValue::List({WireValue::Null()})}}),
       WireValue::List({WireValue::List({WireValue::Dictionary({})})})});
}

ipc::ProcessMessageSent EchoOf(kivhost::RendererHost* host,
                               const WireValue& arguments) {
  std::string error;
  EXPECT_TRUE(host->SendProcessMessage(1, "echo", arguments, &error)) << error;
  std::vector<ipc::ProcessMessageSent> echoes =
      e2e::Messages(e2e::SyncEvents(host), "echo");
  EXPECT_EQ(echoes.size(), 1u);
  return echoes.empty() ? ipc::ProcessMessageSent() : echoes[0];
}

TEST(MessagingTest, ExtraInfoReachesOnRenderThreadCreated) {
  WireValue extra = WireValue::List(
      {WireValue::List({Str(u"tick"), Str(u"other")}),
       WireValue::List({Str(u"echo")}), WireValue::Double(2.5),
       WireValue::Dictionary({{u"k", WireValue::Binary({7})}})});
  auto host = e2e::StartRenderer(extra);
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(
      host->SendProcessMessage(1, "extra_info", WireValue::List({}), &error));
  auto replies = e2e::Messages(e2e::SyncEvents(host.get()), "extra_info");
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].arguments, WireValue::List({extra}));
}

TEST(MessagingTest, EchoKeepsEveryValueKindTheFrameworkHolds) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  ipc::ProcessMessageSent echo = EchoOf(host.get(), ExactValues());
  EXPECT_EQ(echo.browser_id, 1);
  EXPECT_EQ(echo.arguments, ExactValues());
}

TEST(MessagingTest, FrameworkStorageRulesApplyInTheRenderer) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  const double inf = std::numeric_limits<double>::infinity();
  WireValue sent =
      WireValue::List({WireValue::Double(std::nan("")), WireValue::Double(-inf),
                       Str(u"x\xD800y"), WireValue::Binary({}),
                       WireValue::Dictionary({{u"", WireValue::Int(1)},
                                              {u"kept", WireValue::Int(2)}})});
  WireValue expected =
      WireValue::List({WireValue::Double(0.0), WireValue::Double(0.0),
                       Str(u"x\uFFFDy"), WireValue::Null(),
                       WireValue::Dictionary({{u"kept", WireValue::Int(2)}})});
  EXPECT_EQ(EchoOf(host.get(), sent).arguments, expected);
}

TEST(MessagingTest, DeeplyNestedValuesTravelUpToTheLimit) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  WireValue deep = WireValue::Int(1);
  for (int depth = 1; depth < 99; ++depth)
    deep = WireValue::List({deep});
  WireValue arguments = WireValue::List({deep});  // depth 100
  ASSERT_EQ(arguments.Depth(), 100);
  EXPECT_EQ(EchoOf(host.get(), arguments).arguments, arguments);
}

TEST(MessagingTest, OrderHoldsInBothDirections) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  std::string error;
  const int kCount = 300;
  for (int i = 0; i < kCount; ++i) {
    ASSERT_TRUE(host->SendProcessMessage(
        1, "echo", WireValue::List({WireValue::Int(i)}), &error));
  }
  ASSERT_TRUE(host->SendProcessMessage(
      1, "burst", WireValue::List({WireValue::Int(kCount)}), &error));
  std::vector<kivhost::HostEvent> events = e2e::SyncEvents(host.get());
  auto echoes = e2e::Messages(events, "echo");
  auto bursts = e2e::Messages(events, "burst");
  ASSERT_EQ(echoes.size(), static_cast<size_t>(kCount));
  ASSERT_EQ(bursts.size(), static_cast<size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    EXPECT_EQ(echoes[i].arguments, WireValue::List({WireValue::Int(i)}));
    EXPECT_EQ(bursts[i].arguments, WireValue::List({WireValue::Int(i)}));
  }
  // Every echo was sent before the burst began.
  EXPECT_EQ(e2e::Messages(events)[kCount - 1].name, "echo");
  EXPECT_EQ(e2e::Messages(events)[kCount].name, "burst");
}

TEST(MessagingTest, PageOutputArrivesInScriptOrder) {
  auto host = e2e::StartRenderer(
      WireValue::List({}),
      "console.log('one', 2, {a: 1});\n"
      "testBridge.send('from_page', JSON.stringify([1, 'two', [3.5]]));\n"
      "console.warn('three');\n"
      "testBridge.onMessage = function(name, json) {\n"
      "  console.info('page got ' + name + ' ' + json);\n"
      "};\n"
      "null.boom;\n");
  ASSERT_TRUE(host);
  std::vector<std::string> described =
      e2e::Describe(e2e::SyncEvents(host.get()));
  ASSERT_EQ(described.size(), 4u) << testing::PrintToString(described);
  EXPECT_EQ(described[0], "console.log: one 2 [object Object]");
  EXPECT_EQ(described[1],
            "message from_page from browser 1: [1, \"two\", [3.5d]]");
  EXPECT_EQ(described[2], "console.warn: three");
  EXPECT_EQ(described[3].find("exception: Uncaught TypeError"), 0u)
      << described[3];
  EXPECT_NE(described[3].find("(line 7)"), std::string::npos) << described[3];

  std::string error;
  ASSERT_TRUE(host->SendProcessMessage(
      1, "hello", WireValue::List({WireValue::Int(1), Str(u"x")}), &error));
  EXPECT_EQ(e2e::ConsoleTexts(e2e::SyncEvents(host.get())),
            std::vector<std::string>{"page got hello [1,\"x\"]"});
}

TEST(MessagingTest, HandlersRunInTheFrameworkOrder) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(host->CreateBrowser(2, &error));
  ipc::LoadFrame load;
  load.browser_id = 2;
  load.frame_id = 20;
  load.is_main = true;
  ASSERT_TRUE(host->LoadFrame(load, &error));
  ASSERT_TRUE(host->LoadFrame(load, &error));  // a navigation: new context
  load.frame_id = 21;
  load.is_main = false;
  load.name = "child";
  ASSERT_TRUE(host->LoadFrame(load, &error));
  ASSERT_TRUE(host->ReleaseContext(2, 21, &error));
  ASSERT_TRUE(host->DestroyBrowser(2, &error));
  ASSERT_TRUE(
      host->SendProcessMessage(1, "calls", WireValue::List({}), &error));
  auto replies = e2e::Messages(e2e::SyncEvents(host.get()), "calls");
  ASSERT_EQ(replies.size(), 1u);
  std::vector<std::string> calls;
  for (const WireValue& call : replies[0].arguments.list_value()) {
    std::u16string text = call.string_value();
    calls.push_back(std::string(text.begin(), text.end()));
  }
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "render thread created", "webkit", "browser created 1",
                       "context created 1", "browser created 2",
                       "context created 20", "context released 20",
                       "context created 20", "context created 21",
                       "context released 21", "context released 20",
                       "browser destroyed 2", "message calls"}));
}

TEST(MessagingTest, OtherThreadsWakeTheRenderLoop) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  std::string error;
  for (const char* name : {"send_from_thread", "post_from_thread"}) {
    ASSERT_TRUE(host->SendProcessMessage(1, name, WireValue::List({}), &error));
    const std::string reply =
        std::string(name) == "send_from_thread" ? "from_thread" : "posted";
    bool found = false;
    auto started = std::chrono::steady_clock::now();
    e2e::CollectUntil(host.get(), e2e::IsMessage(reply), Millis(5000), &found);
    EXPECT_TRUE(found) << name;
    // The thread waits 50 ms; the idle loop must not add its own delay.
    EXPECT_LT(std::chrono::steady_clock::now() - started,
              std::chrono::seconds(2))
        << name;
  }
}

// Processor time a process has used so far, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)),
                   std::istreambuf_iterator<char>());
  // Fields after the command name (which may hold spaces): state is the
  // 3rd field, utime the 14th, stime the 15th.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long utime = 0;
  long stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14)
      utime = std::stol(field);
    if (i == 15)
      stime = std::stol(field);
  }
  return utime + stime;
}

// Sends from another thread race with the loop waking for requests; however
// they fall, each goes out without waiting for a request to wake the loop,
// and a renderer with nothing left to do sleeps instead of spinning.
TEST(MessagingTest, SendsFromOtherThreadsNeverWaitForARequest) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  std::string error;
  constexpr int kRounds = 20;
  constexpr int kPerRound = 3000;
  for (int round = 0; round < kRounds; ++round) {
    ASSERT_TRUE(host->SendProcessMessage(
        1, "flood_from_thread", WireValue::List({WireValue::Int(kPerRound)}),
        &error));
    int flooded = 0;
    bool done = false;
    // Requests keep waking the loop while the thread sends.
    for (int i = 0; i < 50 && !done; ++i) {
      ASSERT_TRUE(
          host->SendProcessMessage(1, "echo", WireValue::List({}), &error));
      std::vector<kivhost::HostEvent> events;
      host->Poll(Millis(1), &events);
      flooded += e2e::Messages(events, "flooded").size();
      done = flooded == kPerRound;
    }
    if (!done) {
      e2e::CollectUntil(
          host.get(),
          [&](const kivhost::HostEvent& event) {
            const auto* wire = std::get_if<ipc::Event>(&event);
            const auto* sent =
                wire ? std::get_if<ipc::ProcessMessageSent>(wire) : nullptr;
            if (sent && sent->name == "flooded")
              ++flooded;
            return flooded == kPerRound;
          },
          Millis(5000), &done);
    }
    const size_t late =
        e2e::Messages(e2e::SyncEvents(host.get()), "flooded").size();
    ASSERT_TRUE(done) << flooded << " arrived in time, " << late
                      << " only after a request, in round " << round;
  }
  const long ticks_per_second = sysconf(_SC_CLK_TCK);
  const long before = CpuTicks(host->pid());
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  const long used = CpuTicks(host->pid()) - before;
  EXPECT_LT(used, ticks_per_second / 4)
      << "the idle renderer used " << used << " of " << ticks_per_second
      << " ticks in a second";
}

TEST(MessagingTest, RefusedRequestsAreAnsweredAndTheRendererGoesOn) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  std::string error;
  ipc::LoadFrame load;
  load.browser_id = 9;
  load.frame_id = 3;
  ASSERT_TRUE(host->LoadFrame(load, &error));
  int script = host->ExecuteScript(1, 42, "1", &error);
  ASSERT_TRUE(host->ReleaseContext(1, 42, &error));
  ASSERT_TRUE(host->CreateBrowser(1, &error));  // in use
  ASSERT_TRUE(host->SendProcessMessage(5, "echo", WireValue::List({}), &error));
  ASSERT_TRUE(host->StartRenderThread(WireValue::List({}), &error));
  std::vector<std::string> described =
      e2e::Describe(e2e::SyncEvents(host.get()));
  EXPECT_EQ(described,
            (std::vector<std::string>{
                "request failed (load frame): no browser 9",
                "request failed (execute script): no frame 42 of browser 1",
                "result " + std::to_string(script) +
                    ": threw no frame 42 of browser 1",
                "request failed (release context): no frame 42 of browser 1",
                "request failed (create browser): cannot create browser 1 "
                "(the id must be positive and unused)",
                "request failed (deliver message): no browser 5",
                "request failed (start render thread): the render thread has "
                "already started"}));
  EXPECT_EQ(EchoOf(host.get(), WireValue::List({WireValue::Int(5)})).arguments,
            WireValue::List({WireValue::Int(5)}));
}

TEST(MessagingTest, ScriptResultsAndExceptions) {
  auto host = e2e::StartRenderer(WireValue::List({}), "var x = 20;");
  ASSERT_TRUE(host);
  std::string error;
  int good = host->ExecuteScript(1, 1, "x * 2 + 2", &error);
  int bad = host->ExecuteScript(1, 1, "\n\nthrow new Error('boom')", &error);
  std::vector<std::string> described =
      e2e::Describe(e2e::SyncEvents(host.get()));
  EXPECT_EQ(described,
            (std::vector<std::string>{"result " + std::to_string(good) + ": 42",
                                      "result " + std::to_string(bad) +
                                          ": threw Uncaught Error: boom"}));
}

// A result too large for a frame still answers its request, with the reason,
// and the renderer goes on.
TEST(MessagingTest, AResultTooLargeToSendStillAnswersItsRequest) {
  auto host = e2e::StartRenderer();
  ASSERT_TRUE(host);
  std::string error;
  const int big =
      host->ExecuteScript(1, 1, "'x'.repeat(65 * 1024 * 1024)", &error);
  const int next = host->ExecuteScript(1, 1, "1 + 1", &error);
  std::vector<std::string> described;
  for (const std::string& event : e2e::Describe(e2e::SyncEvents(host.get()))) {
    if (event.find("result ") == 0)
      described.push_back(event);
  }
  ASSERT_EQ(described.size(), 2u) << ::testing::PrintToString(described);
  EXPECT_EQ(described[0].find("result " + std::to_string(big) + ": threw"), 0u)
      << described[0];
  EXPECT_NE(described[0].find("exceeds the frame limit"), std::string::npos)
      << described[0];
  EXPECT_EQ(described[1], "result " + std::to_string(next) + ": 2");
}

}  // namespace
