// kivApi.query through page JavaScript: the checks of the query object, the
// request ids and the "kiv_jsapi" message that reaches the browser process.

#include <string>

#include "jsapi/function_handler.h"
#include "tests/product/bridge_fixture.h"

namespace {

const char kObjectError[] = "A query needs exectly one object paramter!";
const char kNameError[] =
    "Query needs a field named 'name' which is of type string!";
const char kCallbackError[] =
    "The query field 'callback' must be either a function or undefined!";
const char kCannotPass[] =
    "The specified argument cannot be passed to a query!";

class QueryTest : public BridgeTest {
 protected:
  // The one message sent since the last call, described entry by entry.
  std::string OnlySentMessage() {
    std::vector<cef_harness::SentMessage> sent = TakeSent();
    if (sent.size() != 1)
      return "sent " + std::to_string(sent.size()) + " messages";
    return sent[0].message->GetName().ToString() + " " +
           DescribeList(sent[0].message->GetArgumentList());
  }
};

TEST_F(QueryTest, QueryObjectMustBeOneObject) {
  Start();
  for (const char* call :
       {"kivApi.query()", "kivApi.query(null)", "kivApi.query(undefined)",
        "kivApi.query('echo')", "kivApi.query(42)", "kivApi.query(true)",
        "kivApi.query(new Date())"}) {
    EXPECT_EQ(Thrown(kObjectError), Eval(call)) << call;
  }
  // Arrays and functions are objects. An array has no name; a function's
  // name is a string (here the empty one, which was not announced).
  EXPECT_EQ(Thrown(kNameError), Eval("kivApi.query([])"));
  EXPECT_EQ("null", Eval("kivApi.query(function() {})"));
  EXPECT_TRUE(TakeSent().empty());
}

TEST_F(QueryTest, NameMustBeAString) {
  Start();
  for (const char* call : {"kivApi.query({})", "kivApi.query({name: 5})",
                           "kivApi.query({name: null})",
                           "kivApi.query({name: new String('echo')})",
                           "kivApi.query({name: undefined, args: 1})"}) {
    EXPECT_EQ(Thrown(kNameError), Eval(call)) << call;
  }
  // The name is checked before the callback.
  EXPECT_EQ(Thrown(kNameError), Eval("kivApi.query({callback: 5})"));
  EXPECT_TRUE(TakeSent().empty());
}

TEST_F(QueryTest, CallbackMustBeAFunctionOrUndefined) {
  Start();
  for (const char* call : {"kivApi.query({name: 'echo', callback: null})",
                           "kivApi.query({name: 'echo', callback: 1})",
                           "kivApi.query({name: 'echo', callback: {}})",
                           "kivApi.query({name: 'echo', callback: 'f'})"}) {
    EXPECT_EQ(Thrown(kCallbackError), Eval(call)) << call;
  }
  // Also for a name that was not announced: the check comes first.
  EXPECT_EQ(Thrown(kCallbackError),
            Eval("kivApi.query({name: 'nope', callback: 1})"));
  EXPECT_TRUE(TakeSent().empty());

  // None of the refused queries used up a request id.
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', callback: undefined})"));
  EXPECT_EQ("kiv_jsapi [int:0,\"echo\",[null]]", OnlySentMessage());
}

TEST_F(QueryTest, UnannouncedNamesAreDroppedWithoutAnId) {
  Start();
  EXPECT_EQ("null", Eval("kivApi.query({name: 'nope', args: 1, "
                         "callback: function() { window.ran = true; }})"));
  // Names are compared exactly.
  EXPECT_EQ("null", Eval("kivApi.query({name: 'Echo'})"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo '})"));
  EXPECT_EQ("null", Eval("kivApi.query({name: ''})"));
  EXPECT_TRUE(TakeSent().empty());

  EXPECT_EQ("null", Eval("kivApi.query({name: 'save', args: 'x'})"));
  EXPECT_EQ("kiv_jsapi [int:0,\"save\",[\"x\"]]", OnlySentMessage());
  // A reply to the first id does not find the dropped query's callback.
  EXPECT_TRUE(Deliver(Reply(0, true)));
  EXPECT_EQ("false", Eval("window.ran === true"));
}

TEST_F(QueryTest, RequestIdsRiseAndARefusedConversionLeavesAGap) {
  Start();
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', args: 1})"));
  EXPECT_EQ(Thrown(kCannotPass),
            Eval("kivApi.query({name: 'echo', args: new Date()})"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'save', args: 2})"));
  std::vector<cef_harness::SentMessage> sent = TakeSent();
  ASSERT_EQ(2u, sent.size());
  EXPECT_EQ(0, sent[0].message->GetArgumentList()->GetInt(0));
  EXPECT_EQ(2, sent[1].message->GetArgumentList()->GetInt(0));
  EXPECT_EQ(browser_, sent[0].browser_id);
}

// Values that no message could carry are refused with the conversion's text
// and nothing is sent, however the page made them: too long, too large, too
// deep. None of them waits for a reply.
TEST_F(QueryTest, ValuesNoMessageCanCarryAreRefused) {
  Start();
  const char* too_long =
      "var a = []; a.length = 2 ** 24 + 3;"
      "kivApi.query({name: 'echo', args: a, callback: function() {}})";
  EXPECT_EQ(Thrown(kCannotPass), Eval(too_long));
  EXPECT_EQ(Thrown(kCannotPass), Eval("var v = 'x'.repeat(4096);"
                                      "for (var i = 0; i < 40; i++) v = [v, v];"
                                      "kivApi.query({name: 'echo', args: v})"));
  EXPECT_EQ(Thrown("The specified argument is nested too deeply!"),
            Eval("var d = 0; for (var i = 0; i < 98; i++) d = [d];"
                 "kivApi.query({name: 'echo', args: d})"));
  EXPECT_TRUE(TakeSent().empty());
  // Each refusal used up its request id.
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', args: 1})"));
  EXPECT_EQ("kiv_jsapi [int:3,\"echo\",[double:1]]", OnlySentMessage());
}

TEST_F(QueryTest, ArraysLongerThanAnIntAreRefusedAtOnce) {
  Start();
  // The length reads as a negative int, which the conversion refuses before
  // it visits a single element.
  EXPECT_EQ(Thrown(kCannotPass), Eval("var a = []; a.length = 2**32 - 1;"
                                      "kivApi.query({name: 'echo', args: a})"));
  EXPECT_EQ(Thrown(kCannotPass),
            Eval("a.length = 2**31; kivApi.query({name: 'echo', args: [a]})"));
  EXPECT_TRUE(TakeSent().empty());
}

TEST_F(QueryTest, OneCounterServesAllFramesAndBrowsers) {
  Start();
  int other_browser = 0;
  const int64 other_frame = AddFrame(true, &other_browser);
  int sub_browser = 0;
  const int64 sub_frame = AddFrame(false, &sub_browser);
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo'})"));
  EXPECT_EQ("null",
            EvalIn(other_browser, other_frame, "kivApi.query({name: 'echo'})"));
  EXPECT_EQ("null",
            EvalIn(sub_browser, sub_frame, "kivApi.query({name: 'echo'})"));
  std::vector<cef_harness::SentMessage> sent = TakeSent();
  ASSERT_EQ(3u, sent.size());
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(i, sent[i].message->GetArgumentList()->GetInt(0));
  // Each goes out through the browser of the page that made it.
  EXPECT_EQ(browser_, sent[0].browser_id);
  EXPECT_EQ(other_browser, sent[1].browser_id);
  EXPECT_EQ(browser_, sent[2].browser_id);
}

TEST_F(QueryTest, MessageCarriesIdNameAndOneConvertedValue) {
  Start();
  // Without args the value is null; every JavaScript number is a double.
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo'})"));
  EXPECT_EQ("kiv_jsapi [int:0,\"echo\",[null]]", OnlySentMessage());

  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', args: [1, 'two', [true], "
                         "{k: null}], callback: function() {}, extra: 5})"));
  EXPECT_EQ(
      "kiv_jsapi [int:1,\"echo\",[[double:1,\"two\",[bool:true],{k:null}]]]",
      OnlySentMessage());

  std::vector<cef_harness::SentMessage> sent;
  EXPECT_EQ("null", Eval("kivApi.query({name: 'save', args: 2.5})"));
  sent = TakeSent();
  ASSERT_EQ(1u, sent.size());
  CefRefPtr<CefListValue> arguments = sent[0].message->GetArgumentList();
  ASSERT_EQ(3u, arguments->GetSize());
  EXPECT_EQ(VTYPE_INT, arguments->GetType(0));
  EXPECT_EQ(VTYPE_STRING, arguments->GetType(1));
  ASSERT_EQ(VTYPE_LIST, arguments->GetType(2));
  CefRefPtr<CefListValue> value = arguments->GetList(2);
  ASSERT_EQ(1u, value->GetSize());
  EXPECT_EQ(VTYPE_DOUBLE, value->GetType(0));
  EXPECT_EQ(2.5, value->GetDouble(0));
}

TEST_F(QueryTest, FailedSendIsNullAndRecordsNothing) {
  Start();
  harness_->SetSendResult(false);
  EXPECT_EQ("null", Eval("window.calls = 0; kivApi.query({name: 'echo', "
                         "callback: function() { calls++; }})"));
  harness_->SetSendResult(true);
  EXPECT_TRUE(TakeSent().empty());
  EXPECT_TRUE(Deliver(Reply(0, true)));
  EXPECT_EQ("0", Eval("calls"));

  // The failed send used id 0.
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', "
                         "callback: function() { calls += 10; }})"));
  EXPECT_EQ("kiv_jsapi [int:1,\"echo\",[null]]", OnlySentMessage());
  EXPECT_TRUE(Deliver(Reply(1, true)));
  EXPECT_EQ("10", Eval("calls"));
}

TEST_F(QueryTest, NoBrowserToSendThroughIsAFailedSend) {
  Start();
  // A query object made by the page, then passed to the native function with
  // no current context, and so no browser to send through.
  CefRefPtr<CefV8Context> context = harness_->GetContext(browser_, frame_);
  ASSERT_TRUE(context->Enter());
  CefRefPtr<CefV8Value> query;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context->Eval(
      "window.calls = 0;"
      "({name: 'echo', args: 1, callback: function() { calls++; }})",
      query, exception));
  context->Exit();
  ASSERT_FALSE(CefV8Context::InContext());

  CefRefPtr<FunctionHandler> handler(new FunctionHandler(app_));
  CefV8ValueList arguments(1, query);
  CefRefPtr<CefV8Value> retval;
  CefString text;
  handler->queryFunc(arguments, retval, text);
  EXPECT_TRUE(text.empty()) << text.ToString();
  ASSERT_TRUE(retval.get());
  EXPECT_TRUE(retval->IsNull());
  EXPECT_TRUE(TakeSent().empty());

  // Nothing waits under the id it used up.
  EXPECT_TRUE(Deliver(Reply(0, true)));
  EXPECT_EQ("0", Eval("calls"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo'})"));
  EXPECT_EQ("kiv_jsapi [int:1,\"echo\",[null]]", OnlySentMessage());
}

TEST_F(QueryTest, OnlyQueriesWithAFunctionWaitForReplies) {
  Start();
  EXPECT_EQ("null", Eval("window.calls = []; kivApi.query({name: 'echo'})"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', callback: undefined})"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', callback: "
                         "function(f, r) { calls.push(r); }})"));
  EXPECT_EQ(3u, TakeSent().size());
  for (int id = 0; id < 3; ++id) {
    CefRefPtr<CefProcessMessage> reply = Reply(id, true);
    reply->GetArgumentList()->SetInt(2, id);
    EXPECT_TRUE(Deliver(reply));
  }
  EXPECT_EQ("[2]", Eval("calls"));
}

TEST_F(QueryTest, SameFunctionInTwoQueriesWaitsTwice) {
  Start();
  EXPECT_EQ("null", Eval("window.calls = [];"
                         "window.f = function(flag, r) { calls.push(r); };"
                         "kivApi.query({name: 'echo', callback: f});"
                         "kivApi.query({name: 'echo', callback: f})"));
  TakeSent();
  CefRefPtr<CefProcessMessage> second = Reply(1, true);
  second->GetArgumentList()->SetString(2, "second");
  CefRefPtr<CefProcessMessage> first = Reply(0, true);
  first->GetArgumentList()->SetString(2, "first");
  EXPECT_TRUE(Deliver(second));
  EXPECT_TRUE(Deliver(first));
  EXPECT_EQ("[\"second\",\"first\"]", Eval("calls"));
}

TEST_F(QueryTest, ThrowingGettersOfTheQueryObject) {
  Start();
  // A name whose getter throws counts as missing.
  EXPECT_EQ(Thrown(kNameError),
            Eval("kivApi.query({get name() { throw new Error('n'); }})"));
  // A callback whose getter throws counts as no callback: the query goes out
  // and nothing waits for it.
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', "
                         "get callback() { throw new Error('c'); }})"));
  EXPECT_EQ("kiv_jsapi [int:0,\"echo\",[null]]", OnlySentMessage());
  // Args whose getter throws cannot be passed; the id is used up.
  EXPECT_EQ(Thrown(kCannotPass),
            Eval("kivApi.query({name: 'echo', "
                 "get args() { throw new Error('a'); }})"));
  EXPECT_TRUE(TakeSent().empty());
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo', args: 'after'})"));
  EXPECT_EQ("kiv_jsapi [int:2,\"echo\",[\"after\"]]", OnlySentMessage());
}

}  // namespace
