// The bridge end to end: the real kiv-subprocess as a renderer under kivhost,
// with pages calling kivApi and the test playing the browser process.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_product/kivhost_process.h"

namespace {

const char kInvalidType[] = "Invalid message value type, please report!";

// The texts of the console lines among |events|, in order.
std::vector<std::string> ConsoleTexts(const std::vector<Json>& events) {
  std::vector<std::string> texts;
  for (const Json& event : events)
    texts.push_back(event.value("text", std::string()));
  return texts;
}

class BridgeE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host_.ok()) << "kivhost did not start";
    Json started = host_.Start({"tick", "tock"}, {"echo"});
    ASSERT_TRUE(started.value("ok", false)) << started.dump();
  }

  // The renderer ends cleanly: exit code 0, nothing printed (a sanitizer
  // report would be), no uncaught exception left unexpected.
  void TearDown() override {
    Json shutdown = host_.Command(Json{{"cmd", "shutdown"}});
    EXPECT_TRUE(shutdown.value("ok", false)) << shutdown.dump();
    EXPECT_EQ(0, shutdown.value("code", -1)) << host_.Transcript();
    EXPECT_TRUE(host_.TakeEvents("output").empty()) << host_.Transcript();
  }

  void Open(int browser, int64_t frame, const std::string& script) {
    Json loaded = host_.OpenPage(browser, frame, script);
    ASSERT_TRUE(loaded.value("ok", false)) << loaded.dump() << "\n"
                                           << host_.Transcript();
  }

  void Deliver(int browser, const std::string& name, Json args) {
    Json sent = host_.Send(browser, name, args);
    ASSERT_TRUE(sent.value("ok", false)) << sent.dump();
    Json settled = host_.Settle();
    ASSERT_TRUE(settled.value("ok", false)) << settled.dump();
  }

  std::vector<std::string> Console() {
    return ConsoleTexts(host_.TakeEvents("console"));
  }

  KivhostProcess host_;
};

TEST_F(BridgeE2ETest, QueriesCrossToTheBrowserAndRepliesComeBack) {
  Open(1, 1,
       "window.replies = [];"
       "kivApi.query({name: 'echo',"
       "  args: {list: [1, 'x', null, true], half: 2.5},"
       "  callback: function(ok, result) {"
       "    replies.push([ok, result, this === window]); }});");
  std::vector<Json> messages = host_.TakeEvents("message");
  ASSERT_EQ(1u, messages.size()) << host_.Transcript();
  EXPECT_EQ(1, messages[0].value("browser", 0));
  EXPECT_EQ("kiv_jsapi", messages[0].value("name", std::string()));
  // The request id is an int; every JavaScript number arrives as a double.
  EXPECT_EQ(R"([0,"echo",[{"half":2.5,"list":[1.0,"x",null,true]}]])",
            messages[0]["args"].dump());

  // A refused conversion uses up an id; an unannounced name does not.
  EXPECT_EQ(std::string("exception: Uncaught Error: ") +
                "The specified argument cannot be passed to a query!",
            host_.Eval(1, 1, "kivApi.query({name: 'echo', args: new Date()})"));
  EXPECT_EQ("null", host_.Eval(1, 1, "kivApi.query({name: 'other'})"));
  EXPECT_EQ("null", host_.Eval(1, 1, "kivApi.query({name: 'echo'})"));
  messages = host_.TakeEvents("message");
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(R"([2,"echo",[null]])", messages[0]["args"].dump());

  // Each reply runs the callback again, with the page's global as this.
  Deliver(1, "kiv_jsapi", Json::parse(R"([0, true, {"n": 5, "d": 0.5}])"));
  Deliver(1, "kiv_jsapi", Json::parse(R"([0, false, "second"])"));
  // Without a result entry the callback gets the invalid-type text.
  Deliver(1, "kiv_jsapi", Json::parse(R"([0, true])"));
  // Replies for the query without a callback, or ids never handed out, run
  // nothing.
  Deliver(1, "kiv_jsapi", Json::parse(R"([2, true, "none"])"));
  Deliver(1, "kiv_jsapi", Json::parse(R"([9, true, "none"])"));
  EXPECT_EQ(std::string(R"([[true,{"d":0.5,"n":5},true],)") +
                R"([false,"second",true],[true,")" + kInvalidType +
                R"(",true]])",
            host_.Eval(1, 1, "replies"));
  EXPECT_TRUE(host_.TakeEvents("exception").empty()) << host_.Transcript();
}

TEST_F(BridgeE2ETest, EventsReachEveryRegistrationInIdOrderAcrossPages) {
  // The first function changes its argument; the others must not see it.
  Open(1, 1,
       "kivApi.registerCallback('tick', function(v) {"
       "  console.log('a ' + JSON.stringify(v)); if (v) v.list.push(3); });");
  Open(2, 2,
       "kivApi.registerCallback('tick', function(v) {"
       "  console.log('b ' + JSON.stringify(v)); throw new Error('b'); });");
  EXPECT_EQ("2", host_.Eval(1, 1,
                            "kivApi.registerCallback('tick', function(v) {"
                            "  console.log('c ' + JSON.stringify(v)); })"));
  EXPECT_EQ("3", host_.Eval(2, 2,
                            "kivApi.registerCallback('tock', function(v) {"
                            "  console.log('tock ' + JSON.stringify(v)); })"));
  host_.TakeEvents();

  Deliver(1, "kiv_callback", Json::parse(R"(["tick", {"list": [1, 2.5]}])"));
  EXPECT_EQ(
      (std::vector<std::string>{"a {\"list\":[1,2.5]}", "b {\"list\":[1,2.5]}",
                                "c {\"list\":[1,2.5]}"}),
      Console());

  // Without a payload every function gets null; names match exactly.
  Deliver(2, "kiv_callback", Json::parse(R"(["tick"])"));
  Deliver(1, "kiv_callback", Json::parse(R"(["Tick", 1])"));
  Deliver(1, "KIV_CALLBACK", Json::parse(R"(["tick", 1])"));
  EXPECT_EQ((std::vector<std::string>{"a null", "b null", "c null"}),
            Console());

  // An unsubscribed function runs no more.
  EXPECT_EQ("true", host_.Eval(2, 2, "kivApi.unregisterCallback(1)"));
  EXPECT_EQ("false", host_.Eval(2, 2, "kivApi.unregisterCallback(1)"));
  Deliver(1, "kiv_callback", Json::parse(R"(["tick", "x"])"));
  EXPECT_EQ((std::vector<std::string>{"a \"x\"", "c \"x\""}), Console());
}

TEST_F(BridgeE2ETest, ReleasedPageForgetsItsQueriesAndRegistrations) {
  const char kPage[] =
      "kivApi.registerCallback('tick', function(v) {"
      "  console.log('event in ' + pageName); });"
      "kivApi.query({name: 'echo', callback: function() {"
      "  console.log('reply in ' + pageName); }});"
      "var pageName = 'page ' + kivApi.registerCallback('tock', "
      "    function() {});";
  Open(1, 1, kPage);
  Open(2, 2, kPage);
  // Registration ids 0, 1 (page 1) and 2, 3 (page 2); request ids 0 and 1.
  EXPECT_EQ("\"page 1\"", host_.Eval(1, 1, "pageName"));
  EXPECT_EQ("\"page 3\"", host_.Eval(2, 2, "pageName"));
  EXPECT_EQ(2u, host_.TakeEvents("message").size());

  Json released = host_.Release(1, 1);
  ASSERT_TRUE(released.value("ok", false)) << released.dump();
  host_.TakeEvents();
  Deliver(1, "kiv_callback", Json::parse(R"(["tick", 1])"));
  Deliver(1, "kiv_jsapi", Json::parse(R"([0, true, 1])"));
  Deliver(2, "kiv_jsapi", Json::parse(R"([1, true, 1])"));
  EXPECT_EQ((std::vector<std::string>{"event in page 3", "reply in page 3"}),
            Console());
  // The released page's registrations are gone; the other page's stay.
  EXPECT_EQ("false", host_.Eval(2, 2, "kivApi.unregisterCallback(0)"));
  EXPECT_EQ("true", host_.Eval(2, 2, "kivApi.unregisterCallback(2)"));
}

}  // namespace
