// The extension script, what it gives a page, and the routing of native
// calls in FunctionHandler::Execute.

#include <algorithm>
#include <string>

#include "jsapi/extension_script.h"
#include "jsapi/function_handler.h"
#include "tests/product/bridge_fixture.h"

namespace {

std::string Line(const std::string& text, int number) {
  size_t begin = 0;
  for (int i = 1; i < number; ++i)
    begin = text.find('\n', begin) + 1;
  return text.substr(begin, text.find('\n', begin) - begin);
}

TEST(ExtensionScriptTest, HasItsExactShape) {
  const std::string script = kExtensionScript;
  EXPECT_EQ(445u, script.size());
  EXPECT_EQ(26, std::count(script.begin(), script.end(), '\n'));
  EXPECT_EQ(24, std::count(script.begin(), script.end(), '\t'));
  EXPECT_NE('\n', script.back());
  EXPECT_EQ("\t", Line(script, 15));
  EXPECT_EQ("\t", Line(script, 21));
  EXPECT_EQ("var kivApi;", Line(script, 1));
  EXPECT_EQ("})();", Line(script, 27));
  EXPECT_TRUE(std::all_of(script.begin(), script.end(), [](char c) {
    return c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7f);
  }));
  // Indentation is by tabs only.
  EXPECT_EQ(std::string::npos, script.find("\n "));
  EXPECT_EQ("kivExtension", std::string(kExtensionName));
}

class ExtensionTest : public BridgeTest {};

TEST_F(ExtensionTest, EveryPageGetsKivApiWithThreeMethods) {
  Start();
  int sub_browser = 0;
  const int64 sub_frame = AddFrame(false, &sub_browser);
  const char kShape[] =
      "[typeof kivApi, typeof kivApi.query, typeof kivApi.registerCallback,"
      " typeof kivApi.unregisterCallback, kivApi.query.length,"
      " kivApi.registerCallback.length, kivApi.unregisterCallback.length]";
  const char kExpected[] =
      "[\"object\",\"function\",\"function\",\"function\",1,2,1]";
  EXPECT_EQ(kExpected, Eval(kShape));
  EXPECT_EQ(kExpected, EvalIn(sub_browser, sub_frame, kShape));
  // The native functions are reachable only through kivApi.
  EXPECT_EQ("[\"undefined\",\"undefined\",\"undefined\"]",
            Eval("[typeof queryFunc, typeof registerCallback,"
                 " typeof unregisterCallback]"));
  // A navigated frame gets a fresh kivApi.
  EXPECT_EQ("1", Eval("kivApi.marker = 1"));
  harness_->ReleaseContext(browser_, frame_);
  ASSERT_TRUE(harness_->Navigate(browser_, frame_));
  EXPECT_EQ("[\"undefined\",\"function\"]",
            Eval("[typeof kivApi.marker, typeof kivApi.query]"));
}

TEST_F(ExtensionTest, TruthyExistingKivApiIsKeptAndExtended) {
  StartProbed(NameLists({}, {"echo"}),
              "var kivApi = {keep: 'mine', query: 'replaced'};");
  EXPECT_EQ("\"mine\"", Eval("kivApi.keep"));
  EXPECT_EQ("\"function\"", Eval("typeof kivApi.query"));
  EXPECT_EQ("null", Eval("kivApi.query({name: 'echo'})"));
  EXPECT_EQ(1u, TakeSent().size());
}

TEST_F(ExtensionTest, FalsyExistingKivApiIsReplaced) {
  StartProbed(NameLists({}, {}), "var kivApi = 0;");
  EXPECT_EQ("\"object\"", Eval("typeof kivApi"));
  EXPECT_EQ("\"function\"", Eval("typeof kivApi.registerCallback"));
}

TEST_F(ExtensionTest, ExecuteRoutesOnlyTheThreeExactNames) {
  CefRefPtr<Application> app(new Application());
  CefRefPtr<FunctionHandler> handler(new FunctionHandler(app));
  CefV8ValueList no_arguments;
  for (const char* name :
       {"QueryFunc", "queryfunc", "queryFunc ", "RegisterCallback",
        "unregistercallback", "query", ""}) {
    CefRefPtr<CefV8Value> retval;
    CefString exception = "untouched";
    EXPECT_FALSE(handler->Execute(name, NULL, no_arguments, retval, exception))
        << name;
    EXPECT_EQ(nullptr, retval.get()) << name;
    EXPECT_EQ("untouched", exception.ToString()) << name;
  }
  // The served names answer even when their checks fail.
  for (const char* name :
       {"queryFunc", "registerCallback", "unregisterCallback"}) {
    CefRefPtr<CefV8Value> retval;
    CefString exception;
    EXPECT_TRUE(handler->Execute(name, NULL, no_arguments, retval, exception))
        << name;
    EXPECT_FALSE(exception.empty()) << name;
    EXPECT_EQ(nullptr, retval.get()) << name;
  }
}

TEST_F(ExtensionTest, UnservedNativeFunctionsReturnUndefinedFromThePage) {
  StartProbed(NameLists({}, {"echo"}), "");
  EXPECT_EQ("undefined", Eval("probe.wrongCase({name: 'echo'})"));
  EXPECT_EQ("undefined", Eval("probe.unknown()"));
  EXPECT_TRUE(TakeSent().empty());
  // The same handler serves the exact name.
  EXPECT_EQ("null", Eval("probe.query({name: 'echo'})"));
  EXPECT_EQ(1u, TakeSent().size());
}

}  // namespace
