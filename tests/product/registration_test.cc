// kivApi.registerCallback and kivApi.unregisterCallback through page
// JavaScript; the probe extension passes argument counts kivApi never does.

#include "tests/product/bridge_fixture.h"

namespace {

const char kTwoArguments[] = "Exactly two arguments are needed!";
const char kFirstArgument[] = "First argument must be a string!";
const char kSecondArgument[] = "Second argument must be a function!";
const char kUnknownName[] = "The specified callback name is not known!";
const char kOneArgument[] = "Need exactly one argument1";
const char kNotAnInt[] = "Argument needs to be an int!";

class RegistrationTest : public BridgeTest {
 protected:
  void StartWithProbe() {
    StartProbed(NameLists({"tick", "tock"}, {"echo"}), "");
    ASSERT_EQ("null", Eval("window.f = function() {}; null"));
  }
};

TEST_F(RegistrationTest, IdsStartAtZeroAndRiseAcrossFrames) {
  Start();
  int other_browser = 0;
  const int64 other_frame = AddFrame(true, &other_browser);
  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', function() {})"));
  EXPECT_EQ("1", EvalIn(other_browser, other_frame,
                        "kivApi.registerCallback('tick', function() {})"));
  // Removing a registration does not free its id.
  EXPECT_EQ("true", Eval("kivApi.unregisterCallback(1)"));
  EXPECT_EQ("2", Eval("kivApi.registerCallback('tock', function() {})"));
  // Request ids are a sequence of their own.
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo'})"));
  std::vector<cef_harness::SentMessage> sent = TakeSent();
  ASSERT_EQ(1u, sent.size());
  EXPECT_EQ(0, sent[0].message->GetArgumentList()->GetInt(0));
  EXPECT_EQ("3", Eval("kivApi.registerCallback('tock', function() {})"));
}

TEST_F(RegistrationTest, RegisterChecksInOrderAndUsesNoIdWhenRefused) {
  StartWithProbe();
  EXPECT_EQ(Thrown(kTwoArguments), Eval("probe.registerCallback()"));
  EXPECT_EQ(Thrown(kTwoArguments), Eval("probe.registerCallback('tick')"));
  EXPECT_EQ(Thrown(kTwoArguments),
            Eval("probe.registerCallback('tick', f, f)"));
  EXPECT_EQ(Thrown(kFirstArgument), Eval("kivApi.registerCallback(1, f)"));
  EXPECT_EQ(Thrown(kFirstArgument),
            Eval("kivApi.registerCallback(new String('tick'), f)"));
  // The first argument is tested before the second.
  EXPECT_EQ(Thrown(kFirstArgument), Eval("kivApi.registerCallback(1, 2)"));
  // kivApi always passes two arguments: a missing function is undefined.
  EXPECT_EQ(Thrown(kSecondArgument), Eval("kivApi.registerCallback('tick')"));
  EXPECT_EQ(Thrown(kSecondArgument),
            Eval("kivApi.registerCallback('tick', {})"));
  // The argument kinds are tested before the name.
  EXPECT_EQ(Thrown(kSecondArgument),
            Eval("kivApi.registerCallback('nope', 1)"));
  EXPECT_EQ(Thrown(kUnknownName), Eval("kivApi.registerCallback('nope', f)"));
  EXPECT_EQ(Thrown(kUnknownName), Eval("kivApi.registerCallback('Tick', f)"));
  EXPECT_EQ(Thrown(kUnknownName), Eval("kivApi.registerCallback('', f)"));
  // The query names are not callback names.
  EXPECT_EQ(Thrown(kUnknownName), Eval("kivApi.registerCallback('echo', f)"));

  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', f)"));
  EXPECT_EQ("1", Eval("probe.registerCallback('tick', f)"));
}

TEST_F(RegistrationTest, UnregisterTrueOnceThenFalse) {
  Start();
  EXPECT_EQ("0", Eval("kivApi.registerCallback('tick', function() {})"));
  EXPECT_EQ("1", Eval("kivApi.registerCallback('tick', function() {})"));
  EXPECT_EQ("true", Eval("kivApi.unregisterCallback(0)"));
  EXPECT_EQ("false", Eval("kivApi.unregisterCallback(0)"));
  EXPECT_EQ("false", Eval("kivApi.unregisterCallback(2)"));
  EXPECT_EQ("false", Eval("kivApi.unregisterCallback(-1)"));
  EXPECT_EQ("false", Eval("kivApi.unregisterCallback(2147483647)"));
  // Any script of the process may remove a registration by its id.
  int other_browser = 0;
  const int64 other_frame = AddFrame(true, &other_browser);
  EXPECT_EQ("true",
            EvalIn(other_browser, other_frame, "kivApi.unregisterCallback(1)"));
  EXPECT_EQ("false", Eval("kivApi.unregisterCallback(1)"));
}

TEST_F(RegistrationTest, UnregisterNeedsOneInteger) {
  StartWithProbe();
  EXPECT_EQ(Thrown(kOneArgument), Eval("probe.unregisterCallback()"));
  EXPECT_EQ(Thrown(kOneArgument), Eval("probe.unregisterCallback(0, 1)"));
  for (const char* call :
       {"kivApi.unregisterCallback()", "kivApi.unregisterCallback(1.5)",
        "kivApi.unregisterCallback('0')", "kivApi.unregisterCallback(null)",
        "kivApi.unregisterCallback(true)", "kivApi.unregisterCallback([0])",
        "kivApi.unregisterCallback(NaN)"}) {
    EXPECT_EQ(Thrown(kNotAnInt), Eval(call)) << call;
  }
  EXPECT_EQ("false", Eval("probe.unregisterCallback(0)"));
}

TEST_F(RegistrationTest, RemovedRegistrationNoLongerRuns) {
  Start();
  EXPECT_EQ("1", Eval("window.calls = [];"
                      "kivApi.registerCallback('tick', function(v) {"
                      "  calls.push('a' + v); });"
                      "kivApi.registerCallback('tick', function(v) {"
                      "  calls.push('b' + v); })"));
  CefRefPtr<CefProcessMessage> event = Event("tick");
  event->GetArgumentList()->SetInt(1, 1);
  EXPECT_TRUE(Deliver(event));
  EXPECT_EQ("true", Eval("kivApi.unregisterCallback(0)"));
  event->GetArgumentList()->SetInt(1, 2);
  EXPECT_TRUE(Deliver(event));
  EXPECT_EQ("[\"a1\",\"b1\",\"b2\"]", Eval("calls"));
}

}  // namespace
