// Messages from the browser process reaching page callbacks: query replies,
// events, and the release of a frame's context.

#include "tests/product/bridge_fixture.h"

namespace {

const char kInvalidType[] = "Invalid message value type, please report!";

// Records every call as [this === window, arguments...].
const char kRecorder[] =
    "window.calls = [];"
    "window.record = function(tag) {"
    "  return function() {"
    "    calls.push([tag, this === window].concat("
    "        Array.prototype.slice.call(arguments)));"
    "  };"
    "};"
    "null";

class DispatchTest : public BridgeTest {
 protected:
  void StartRecording() {
    Start();
    ASSERT_EQ("null", Eval(kRecorder));
  }

  CefRefPtr<CefProcessMessage> StringReply(int id,
                                           bool flag,
                                           const std::string& result) {
    CefRefPtr<CefProcessMessage> reply = Reply(id, flag);
    reply->GetArgumentList()->SetString(2, result);
    return reply;
  }
};

TEST_F(DispatchTest, ReplyRunsTheCallbackWithFlagAndResultEachTime) {
  StartRecording();
  EXPECT_EQ("null",
            Eval("kivApi.query({name: 'echo', callback: record('q')})"));
  TakeSent();
  // Nothing runs inside the delivery itself: the call is a posted task.
  EXPECT_TRUE(harness_->DeliverMessage(browser_, StringReply(0, true, "r1")));
  EXPECT_EQ("[]", Eval("calls"));
  EXPECT_LE(1, harness_->RunPendingTasks());
  EXPECT_EQ("[[\"q\",true,true,\"r1\"]]", Eval("calls"));

  // The query keeps waiting: a second reply runs it again.
  EXPECT_TRUE(Deliver(StringReply(0, false, "r2")));
  EXPECT_EQ("[[\"q\",true,true,\"r1\"],[\"q\",true,false,\"r2\"]]",
            Eval("calls"));
}

TEST_F(DispatchTest, ReplyEntriesAreReadWithTheTypedGetters) {
  StartRecording();
  EXPECT_EQ("null",
            Eval("kivApi.query({name: 'echo', callback: record('q')})"));
  // Only id and flag: the missing result arrives as the invalid-type text.
  EXPECT_TRUE(Deliver(Reply(0, true)));
  // A flag that is not a boolean reads as false; entries past 2 are unread.
  CefRefPtr<CefProcessMessage> odd = Reply(0, true);
  odd->GetArgumentList()->SetInt(1, 1);
  odd->GetArgumentList()->SetInt(2, 5);
  odd->GetArgumentList()->SetString(3, "ignored");
  EXPECT_TRUE(Deliver(odd));
  EXPECT_EQ(std::string("[[\"q\",true,true,\"") + kInvalidType +
                "\"],[\"q\",true,false,5]]",
            Eval("calls"));

  // A reply without any entry looks up request id 0.
  CefRefPtr<CefProcessMessage> empty = CefProcessMessage::Create("kiv_jsapi");
  EXPECT_TRUE(Deliver(empty));
  EXPECT_EQ("3", Eval("calls.length"));
  EXPECT_EQ("[\"q\",true,false,\"" + std::string(kInvalidType) + "\"]",
            Eval("calls[2]"));
}

TEST_F(DispatchTest, RepliesThatMatchNothingAreHandledAndRunNothing) {
  StartRecording();
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo'})"));
  EXPECT_EQ("null",
            Eval("kivApi.query({name: 'echo', callback: record('q')})"));
  EXPECT_TRUE(Deliver(StringReply(0, true, "to the callback-less query")));
  EXPECT_TRUE(Deliver(StringReply(7, true, "never handed out")));
  EXPECT_TRUE(Deliver(StringReply(-1, true, "never handed out")));
  EXPECT_EQ("[]", Eval("calls"));
}

TEST_F(DispatchTest, ThrowingCallbackIsSilencedAndKeepsWaiting) {
  StartRecording();
  EXPECT_EQ("null", Eval("window.n = 0; kivApi.query({name: 'echo', "
                         "callback: function() { n++; throw new Error('x'); "
                         "}})"));
  EXPECT_TRUE(Deliver(StringReply(0, true, "a")));
  EXPECT_TRUE(Deliver(StringReply(0, true, "b")));
  EXPECT_EQ("2", Eval("n"));
}

TEST_F(DispatchTest, EventReachesEveryRegistrationInIdOrderAcrossFrames) {
  StartRecording();
  int other_browser = 0;
  const int64 other_frame = AddFrame(true, &other_browser);
  ASSERT_EQ("null", EvalIn(other_browser, other_frame, kRecorder));
  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', record('main0'))"));
  EXPECT_EQ("1", EvalIn(other_browser, other_frame,
                        "kivApi.registerCallback('tick', record('other1'))"));
  EXPECT_EQ("2", Eval("kivApi.registerCallback('tock', record('tock2'))"));
  // The same function twice runs twice.
  EXPECT_EQ("4", Eval("window.g = record('main3');"
                      "kivApi.registerCallback('tick', g);"
                      "kivApi.registerCallback('tick', g)"));

  CefRefPtr<CefProcessMessage> event = Event("tick");
  event->GetArgumentList()->SetString(1, "payload");
  EXPECT_TRUE(harness_->DeliverMessage(browser_, event));
  EXPECT_EQ("[]", Eval("calls"));
  EXPECT_EQ(4, harness_->RunPendingTasks());
  EXPECT_EQ(
      "[[\"main0\",true,\"payload\"],[\"main3\",true,\"payload\"],"
      "[\"main3\",true,\"payload\"]]",
      Eval("calls"));
  EXPECT_EQ("[[\"other1\",true,\"payload\"]]",
            EvalIn(other_browser, other_frame, "calls"));
}

TEST_F(DispatchTest, EventCallbacksRunInAscendingIdOrder) {
  Start();
  int other_browser = 0;
  const int64 other_frame = AddFrame(true, &other_browser);
  const char kLogger[] =
      "kivApi.registerCallback('tick', function(v) { console.log('%s' + v); "
      "})";
  char code[256];
  snprintf(code, sizeof(code), kLogger, "a");
  EXPECT_EQ("0", Eval(code));
  snprintf(code, sizeof(code), kLogger, "b");
  EXPECT_EQ("1", EvalIn(other_browser, other_frame, code));
  snprintf(code, sizeof(code), kLogger, "c");
  EXPECT_EQ("2", Eval(code));
  harness_->TakeConsoleLines();

  CefRefPtr<CefProcessMessage> event = Event("tick");
  event->GetArgumentList()->SetInt(1, 1);
  EXPECT_TRUE(Deliver(event));
  std::vector<cef_harness::ConsoleLine> lines = harness_->TakeConsoleLines();
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ("a1", lines[0].text);
  EXPECT_EQ("b1", lines[1].text);
  EXPECT_EQ(other_browser, lines[1].browser_id);
  EXPECT_EQ("c1", lines[2].text);
}

TEST_F(DispatchTest, EachRegistrationGetsItsOwnCopy) {
  StartRecording();
  EXPECT_EQ("1", Eval("kivApi.registerCallback('tick', function(v) {"
                      "  v.list.push('mutated'); v.n = 0; delete v.s; });"
                      "kivApi.registerCallback('tick', record('second'))"));
  CefRefPtr<CefDictionaryValue> payload = CefDictionaryValue::Create();
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 1);
  payload->SetList("list", list);
  payload->SetInt("n", 5);
  payload->SetString("s", "kept");
  CefRefPtr<CefProcessMessage> event = Event("tick");
  event->GetArgumentList()->SetDictionary(1, payload);
  EXPECT_TRUE(Deliver(event));
  EXPECT_EQ("[[\"second\",true,{\"list\":[1],\"n\":5,\"s\":\"kept\"}]]",
            Eval("calls"));
}

TEST_F(DispatchTest, EventWithoutPayloadGivesNullAndBinaryToo) {
  StartRecording();
  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', record('t'))"));
  EXPECT_TRUE(Deliver(Event("tick")));
  CefRefPtr<CefProcessMessage> binary = Event("tick");
  const char bytes[] = {1, 2};
  binary->GetArgumentList()->SetBinary(
      1, CefBinaryValue::Create(bytes, sizeof(bytes)));
  EXPECT_TRUE(Deliver(binary));
  EXPECT_EQ("[[\"t\",true,null],[\"t\",true,null]]", Eval("calls"));
}

TEST_F(DispatchTest, EventNamesMatchExactly) {
  StartRecording();
  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', record('t'))"));
  EXPECT_TRUE(Deliver(Event("Tick")));
  EXPECT_TRUE(Deliver(Event("tock")));
  EXPECT_TRUE(Deliver(Event("")));
  // An event without a name entry carries the empty name.
  EXPECT_TRUE(Deliver(CefProcessMessage::Create("kiv_callback")));
  EXPECT_EQ("[]", Eval("calls"));
}

TEST_F(DispatchTest, EmptyEventNameReachesRegistrationsOfTheEmptyName) {
  StartRenderer(NameLists({""}, {}));
  ASSERT_EQ("null", Eval(kRecorder));
  EXPECT_EQ("0", Eval("kivApi.registerCallback('', record('empty'))"));
  CefRefPtr<CefProcessMessage> unnamed =
      CefProcessMessage::Create("kiv_callback");
  unnamed->GetArgumentList()->SetInt(0, 3);  // Not a string: the empty name.
  unnamed->GetArgumentList()->SetInt(1, 9);
  EXPECT_TRUE(Deliver(unnamed));
  EXPECT_EQ("[[\"empty\",true,9]]", Eval("calls"));
}

TEST_F(DispatchTest, ThrowingEventCallbackDoesNotStopTheOthers) {
  StartRecording();
  EXPECT_EQ("2", Eval("kivApi.registerCallback('tick', record('a'));"
                      "kivApi.registerCallback('tick', function() {"
                      "  throw new Error('boom'); });"
                      "kivApi.registerCallback('tick', record('c'))"));
  CefRefPtr<CefProcessMessage> event = Event("tick");
  event->GetArgumentList()->SetBool(1, false);
  EXPECT_TRUE(Deliver(event));
  EXPECT_EQ("[[\"a\",true,false],[\"c\",true,false]]", Eval("calls"));
}

TEST_F(DispatchTest, OtherMessageNamesAreNotHandled) {
  StartRecording();
  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', record('t'))"));
  EXPECT_EQ("null",
            Eval("kivApi.query({name: 'echo', callback: record('q')})"));
  for (const char* name : {"KIV_JSAPI", "Kiv_jsapi", "kiv_Callback",
                           "kiv_callbacks", "kiv_jsap", "kiv", "other"}) {
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
    message->GetArgumentList()->SetString(0, "tick");
    message->GetArgumentList()->SetBool(1, true);
    EXPECT_FALSE(Deliver(message)) << name;
  }
  EXPECT_EQ("[]", Eval("calls"));
}

TEST_F(DispatchTest, ReleasedContextForgetsItsQueriesAndRegistrations) {
  StartRecording();
  int other_browser = 0;
  const int64 other_frame = AddFrame(true, &other_browser);
  ASSERT_EQ("null", EvalIn(other_browser, other_frame, kRecorder));
  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', record('main'))"));
  EXPECT_EQ("1", EvalIn(other_browser, other_frame,
                        "kivApi.registerCallback('tick', record('other'))"));
  EXPECT_EQ("null", Eval("kivApi.registerCallback('tick', function() {"
                         "  console.log('main event'); }); null"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', callback: "
                         "function() { console.log('main reply'); }})"));
  EXPECT_EQ("null", EvalIn(other_browser, other_frame,
                           "kivApi.query({name: 'echo', "
                           "callback: record('other reply')})"));
  TakeSent();
  harness_->TakeConsoleLines();

  harness_->ReleaseContext(browser_, frame_);
  // The registration ids of the released page are gone.
  EXPECT_EQ("false",
            EvalIn(other_browser, other_frame, "kivApi.unregisterCallback(0)"));

  CefRefPtr<CefProcessMessage> event = Event("tick");
  event->GetArgumentList()->SetInt(1, 1);
  EXPECT_TRUE(Deliver(event));
  CefRefPtr<CefProcessMessage> to_main = StringReply(0, true, "main");
  CefRefPtr<CefProcessMessage> to_other = StringReply(1, true, "other");
  EXPECT_TRUE(Deliver(to_main));
  EXPECT_TRUE(Deliver(to_other));

  EXPECT_TRUE(harness_->TakeConsoleLines().empty());
  EXPECT_EQ("[[\"other\",true,1],[\"other reply\",true,true,\"other\"]]",
            EvalIn(other_browser, other_frame, "calls"));
  // The registration of the other frame is still there.
  EXPECT_EQ("true",
            EvalIn(other_browser, other_frame, "kivApi.unregisterCallback(1)"));
}

TEST_F(DispatchTest, TasksWaitingForAReleasedContextRunNothing) {
  StartRecording();
  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', function() {"
                      "  console.log('event ran'); })"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', callback: "
                         "function() { console.log('reply ran'); }})"));
  harness_->TakeConsoleLines();
  // Both tasks are posted, then the page goes away before they run.
  EXPECT_TRUE(harness_->DeliverMessage(browser_, StringReply(0, true, "r")));
  CefRefPtr<CefProcessMessage> event = Event("tick");
  event->GetArgumentList()->SetInt(1, 1);
  EXPECT_TRUE(harness_->DeliverMessage(browser_, event));
  harness_->ReleaseContext(browser_, frame_);
  harness_->RunPendingTasks();
  EXPECT_TRUE(harness_->TakeConsoleLines().empty());
  EXPECT_FALSE(CefV8Context::InContext());
}

TEST_F(DispatchTest, NavigatedFrameStartsWithoutTheOldRegistrations) {
  StartRecording();
  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', function() {"
                      "  console.log('old page'); })"));
  harness_->ReleaseContext(browser_, frame_);
  ASSERT_TRUE(harness_->Navigate(browser_, frame_));
  ASSERT_EQ("null", Eval(kRecorder));
  EXPECT_EQ("1", Eval("kivApi.registerCallback('tick', record('new'))"));
  harness_->TakeConsoleLines();
  CefRefPtr<CefProcessMessage> event = Event("tick");
  event->GetArgumentList()->SetInt(1, 2);
  EXPECT_TRUE(Deliver(event));
  EXPECT_TRUE(harness_->TakeConsoleLines().empty());
  EXPECT_EQ("[[\"new\",true,2]]", Eval("calls"));
}

TEST_F(DispatchTest, NestedValuesRoundTripWithTheirKinds) {
  StartRecording();
  // A page value goes out as a query ...
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', callback: record('q'), "
                         "args: [{a: [1, 'x', null], b: {c: [true, 2.5]}}, "
                         "[], {}]})"));
  std::vector<cef_harness::SentMessage> sent = TakeSent();
  ASSERT_EQ(1u, sent.size());
  CefRefPtr<CefListValue> query = sent[0].message->GetArgumentList();
  EXPECT_EQ("[{a:[double:1,\"x\",null],b:{c:[bool:true,double:2.5]}},[],{}]",
            DescribeListEntry(query->GetList(2), 0));

  // ... and comes back as the reply's result, unchanged.
  CefRefPtr<CefProcessMessage> reply = Reply(0, true);
  reply->GetArgumentList()->SetList(2, query->GetList(2)->GetList(0));
  EXPECT_TRUE(Deliver(reply));
  EXPECT_EQ(
      "[[\"q\",true,true,[{\"a\":[1,\"x\",null],\"b\":{\"c\":[true,2.5]}},"
      "[],{}]]]",
      Eval("calls"));

  // An event with lists of dictionaries of lists reaches the page whole,
  // ints as ints.
  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', function(v) {"
                      "  window.got = v; })"));
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  inner->SetInt(0, -5);
  inner->SetDouble(1, 0.25);
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  dictionary->SetList("l", inner);
  dictionary->SetString("s", "\xE2\x82\xAC");
  CefRefPtr<CefListValue> outer = CefListValue::Create();
  outer->SetDictionary(0, dictionary);
  outer->SetDictionary(1, CefDictionaryValue::Create());
  CefRefPtr<CefProcessMessage> event = Event("tick");
  event->GetArgumentList()->SetList(1, outer);
  EXPECT_TRUE(Deliver(event));
  EXPECT_EQ("[{\"l\":[-5,0.25],\"s\":\"\xE2\x82\xAC\"},{}]", Eval("got"));
  EXPECT_EQ("true", Eval("Array.isArray(got) && Array.isArray(got[0].l)"));
}

}  // namespace
