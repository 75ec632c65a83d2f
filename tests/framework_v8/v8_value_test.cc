// CefV8Value as the framework behaves: classification, typed getters,
// identity, properties and keys, exception state, calls, accessors and the
// objects made through the API.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "include/cef_v8.h"
#include "tests/framework_v8/frame_fixture.h"
#include "v8/render_thread_impl.h"
#include "v8/v8_util.h"

namespace v8test {
namespace {

// Which Is* tests pass, as a string of letters: u(ndefined) n(ull) b(ool)
// i(nt) U(int) d(ouble) D(ate) s(tring) o(bject) a(rray) f(unction); "-"
// for none. Plus whether the wrapper is valid.
std::string Classify(CefRefPtr<CefV8Value> v) {
  if (!v.get())
    return "NULL";
  std::string out;
  if (v->IsUndefined())
    out += 'u';
  if (v->IsNull())
    out += 'n';
  if (v->IsBool())
    out += 'b';
  if (v->IsInt())
    out += 'i';
  if (v->IsUInt())
    out += 'U';
  if (v->IsDouble())
    out += 'd';
  if (v->IsDate())
    out += 'D';
  if (v->IsString())
    out += 's';
  if (v->IsObject())
    out += 'o';
  if (v->IsArray())
    out += 'a';
  if (v->IsFunction())
    out += 'f';
  if (out.empty())
    out = "-";
  if (!v->IsValid())
    out += " invalid";
  return out;
}

using ValueTest = FrameTest;

TEST_F(ValueTest, ClassifiesScriptValuesAsTheFrameworkDoes) {
  struct Case {
    const char* code;
    const char* tests;
  } cases[] = {
      {"undefined", "u"},
      {"null", "n"},
      {"true", "b"},
      {"false", "b"},
      {"0", "iUd"},
      {"-5", "iUd"},
      {"2147483647", "iUd"},
      {"0.5 * 2", "iUd"},
      {"2147483648", "iUd"},
      {"4294967295", "iUd"},
      {"1.5", "d"},
      {"-0", "d"},
      {"4294967296", "d"},
      {"-2147483649", "d"},
      {"NaN", "d"},
      {"Infinity", "d"},
      {"-Infinity", "d"},
      {"new Date(0)", "D"},
      {"new Date(NaN)", "D"},
      {"'x'", "s"},
      {"''", "s"},
      {"[1, 2]", "oa"},
      {"(function() {})", "of"},
      {"(() => 1)", "of"},
      {"({})", "o"},
      {"/re/g", "o"},
      {"new Error('e')", "o"},
      {"new String('x')", "o"},
      {"new Number(1)", "o"},
      {"new Boolean(false)", "o"},
      {"Symbol('s')", "- invalid"},
      {"10n", "- invalid"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.tests, Classify(JS(c.code))) << c.code;
}

TEST_F(ValueTest, ClassifiesCreatedValues) {
  EXPECT_EQ("u", Classify(CefV8Value::CreateUndefined()));
  EXPECT_EQ("n", Classify(CefV8Value::CreateNull()));
  EXPECT_EQ("b", Classify(CefV8Value::CreateBool(false)));
  EXPECT_EQ("iUd", Classify(CefV8Value::CreateInt(-3)));
  EXPECT_EQ("iUd", Classify(CefV8Value::CreateUInt(4000000000u)));
  EXPECT_EQ("d", Classify(CefV8Value::CreateDouble(12.1223)));
  EXPECT_EQ("D", Classify(CefV8Value::CreateDate(CefTime(1.5))));
  EXPECT_EQ("s", Classify(CefV8Value::CreateString(CefString())));
  EXPECT_EQ("o", Classify(CefV8Value::CreateObject(nullptr)));
  EXPECT_EQ("oa", Classify(CefV8Value::CreateArray(2)));
  CefRefPtr<FunctionHandler> handler(new FunctionHandler(nullptr));
  EXPECT_EQ("of", Classify(CefV8Value::CreateFunction("f", handler.get())));
}

TEST_F(ValueTest, TypedGettersNeverConvert) {
  CefRefPtr<CefV8Value> big = JS("3000000000");
  EXPECT_EQ(-1294967296, big->GetIntValue());
  EXPECT_EQ(3000000000u, big->GetUIntValue());
  EXPECT_EQ(3000000000.0, big->GetDoubleValue());
  CefRefPtr<CefV8Value> minus_one = JS("-1");
  EXPECT_EQ(4294967295u, minus_one->GetUIntValue());
  EXPECT_EQ(-1.0, minus_one->GetDoubleValue());
  CefRefPtr<CefV8Value> fraction = JS("3.5");
  EXPECT_EQ(0, fraction->GetIntValue());
  EXPECT_EQ(0u, fraction->GetUIntValue());
  EXPECT_EQ(3.5, fraction->GetDoubleValue());
  EXPECT_TRUE(std::isnan(JS("NaN")->GetDoubleValue()));
  EXPECT_TRUE(std::signbit(JS("-0")->GetDoubleValue()));
  EXPECT_FALSE(JS("1")->GetBoolValue());
  EXPECT_TRUE(JS("true")->GetBoolValue());
  EXPECT_EQ(0, JS("'5'")->GetIntValue());
  EXPECT_EQ(0.0, JS("new Number(5)")->GetDoubleValue());
  EXPECT_TRUE(JS("5")->GetStringValue().empty());
  EXPECT_EQ(0.0, JS("5")->GetDateValue().GetDoubleT());
}

TEST_F(ValueTest, StringsKeepEveryCodeUnit) {
  CefRefPtr<CefV8Value> lone = JS("'a\\ud800b\\u00e9\\u0000z'");
  CefString text = lone->GetStringValue();
  ASSERT_EQ(6u, text.length());
  EXPECT_EQ(0xD800, text.c_str()[1]);
  EXPECT_EQ(0x00E9, text.c_str()[3]);
  EXPECT_EQ(0, text.c_str()[4]);
  // And back into script unchanged.
  CefRefPtr<CefV8Value> global = context_->GetGlobal();
  ASSERT_TRUE(global->SetValue("lone", CefV8Value::CreateString(text),
                               V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_EQ("true", Eval("lone === 'a\\ud800b\\u00e9\\u0000z'"));
}

TEST_F(ValueTest, LatinTextBecomesOneByteStrings) {
  v8::Isolate* isolate = v8::Isolate::GetCurrent();
  v8::HandleScope handle_scope(isolate);
  const char16 latin[] = {'c', 'a', 'f', 0xE9, 0xFF};
  const char16 wide[] = {'c', 'a', 'f', 0xE9, 0x100};
  v8::Local<v8::String> one_byte =
      cef_renderer::NewV8String(isolate, CefString(latin, 5, false))
          .ToLocalChecked();
  v8::Local<v8::String> two_byte =
      cef_renderer::NewV8String(isolate, CefString(wide, 5, false))
          .ToLocalChecked();
  EXPECT_TRUE(one_byte->IsOneByte());
  EXPECT_FALSE(two_byte->IsOneByte());
  // Both read back unit for unit.
  CefString back = cef_renderer::CefStringFromV8(isolate, one_byte);
  ASSERT_EQ(5u, back.length());
  EXPECT_EQ(0xFF, back.c_str()[4]);
  back = cef_renderer::CefStringFromV8(isolate, two_byte);
  ASSERT_EQ(5u, back.length());
  EXPECT_EQ(0x100, back.c_str()[4]);
  EXPECT_EQ(0, back.c_str()[5]);
}

TEST_F(ValueTest, DatesCarryMilliseconds) {
  CefRefPtr<CefV8Value> date =
      JS("new Date(Date.UTC(2014, 1, 3, 4, 5, 6, 789))");
  CefTime time = date->GetDateValue();
  EXPECT_EQ(2014, time.year);
  EXPECT_EQ(2, time.month);
  EXPECT_EQ(3, time.day_of_month);
  EXPECT_EQ(4, time.hour);
  EXPECT_EQ(5, time.minute);
  EXPECT_EQ(6, time.second);
  EXPECT_EQ(789, time.millisecond);
  // A created date becomes a script Date with the same time.
  CefRefPtr<CefV8Value> global = context_->GetGlobal();
  ASSERT_TRUE(global->SetValue("d", CefV8Value::CreateDate(time),
                               V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_EQ("\"2014-02-03T04:05:06.789Z\"", Eval("d.toISOString()"));
  EXPECT_EQ("true", Eval("d instanceof Date"));
}

TEST_F(ValueTest, IsSameComparesByKind) {
  EXPECT_FALSE(CefV8Value::CreateInt(5)->IsSame(CefV8Value::CreateUInt(5)));
  EXPECT_TRUE(CefV8Value::CreateInt(5)->IsSame(JS("5")));
  EXPECT_FALSE(JS("NaN")->IsSame(JS("NaN")));
  EXPECT_TRUE(JS("'ab'")->IsSame(CefV8Value::CreateString("ab")));
  EXPECT_TRUE(JS("null")->IsSame(CefV8Value::CreateNull()));
  EXPECT_FALSE(JS("null")->IsSame(CefV8Value::CreateUndefined()));
  EXPECT_FALSE(JS("1")->IsSame(nullptr));
  // Dates: whole seconds.
  EXPECT_TRUE(JS("new Date(1000)")->IsSame(JS("new Date(1999)")));
  EXPECT_FALSE(JS("new Date(1000)")->IsSame(JS("new Date(2000)")));
  // Objects: identity, whatever wrapper.
  JS("var o1 = {}, o2 = {}");
  EXPECT_TRUE(JS("o1")->IsSame(context_->GetGlobal()->GetValue("o1")));
  EXPECT_FALSE(JS("o1")->IsSame(JS("o2")));
}

TEST_F(ValueTest, GetValueReadsPropertiesAndPrototypes) {
  CefRefPtr<CefV8Value> object =
      JS("var base = {inherited: 1}; var o = Object.create(base);"
         "o.own = 'x'; o[''] = 'empty'; o[2] = 'two'; o");
  EXPECT_EQ("x", object->GetValue("own")->GetStringValue().ToString());
  EXPECT_EQ(1, object->GetValue("inherited")->GetIntValue());
  EXPECT_EQ("empty", object->GetValue("")->GetStringValue().ToString());
  EXPECT_EQ("two", object->GetValue(2)->GetStringValue().ToString());
  // Missing: an UNDEFINED wrapper, not NULL. Negative index: NULL.
  CefRefPtr<CefV8Value> missing = object->GetValue("missing");
  ASSERT_TRUE(missing.get());
  EXPECT_TRUE(missing->IsUndefined());
  EXPECT_FALSE(object->GetValue(-1).get());
  EXPECT_TRUE(object->HasValue("inherited"));
  EXPECT_TRUE(object->HasValue(2));
  EXPECT_FALSE(object->HasValue("missing"));
  EXPECT_FALSE(object->HasValue(-1));
  // Object methods on primitives fail.
  CefRefPtr<CefV8Value> text = JS("'abc'");
  EXPECT_FALSE(text->GetValue("length").get());
  EXPECT_FALSE(text->HasValue("length"));
  EXPECT_FALSE(text->SetRethrowExceptions(true));
  EXPECT_EQ(0, text->GetArrayLength());
}

TEST_F(ValueTest, ArrayLengthIsTheUint32ReadAsInt) {
  EXPECT_EQ(0, JS("[]")->GetArrayLength());
  EXPECT_EQ(2147483647,
            JS("var a = []; a.length = 2**31 - 1; a")->GetArrayLength());
  EXPECT_EQ(-2147483647 - 1, JS("a.length = 2**31; a")->GetArrayLength());
  EXPECT_EQ(-1, JS("a.length = 2**32 - 1; a")->GetArrayLength());
  // A length far beyond what V8 could give elements storage is still only a
  // length: the slots are holes, as with new Array(n).
  CefRefPtr<CefV8Value> huge = CefV8Value::CreateArray(2147483647);
  ASSERT_TRUE(huge.get());
  EXPECT_EQ(2147483647, huge->GetArrayLength());
  EXPECT_FALSE(huge->HasValue(2147483646));
  EXPECT_TRUE(huge->SetValue(2147483646, CefV8Value::CreateInt(1)));
  EXPECT_EQ(1, huge->GetValue(2147483646)->GetIntValue());
  EXPECT_EQ(3, CefV8Value::CreateArray(3)->GetArrayLength());
}

TEST_F(ValueTest, GetKeysAppendsTheForInSet) {
  CefRefPtr<CefV8Value> object =
      JS("var p = {inh: 1}; var k = Object.create(p); k.b = 1; k[1] = 2;"
         "k.a = 3; Object.defineProperty(k, 'hidden', {value: 1});"
         "k[Symbol('s')] = 4; k");
  std::vector<CefString> keys;
  keys.push_back("pre");
  ASSERT_TRUE(object->GetKeys(keys));
  std::vector<std::string> names;
  for (const CefString& key : keys)
    names.push_back(key.ToString());
  EXPECT_EQ((std::vector<std::string>{"pre", "1", "b", "a", "inh"}), names);

  std::vector<CefString> array_keys;
  ASSERT_TRUE(JS("['x', 'y']")->GetKeys(array_keys));
  EXPECT_EQ(2u, array_keys.size());  // no "length"
  EXPECT_FALSE(JS("5")->GetKeys(array_keys));
}

TEST_F(ValueTest, SetValueAppliesAttributesToNewProperties) {
  CefRefPtr<CefV8Value> global = context_->GetGlobal();
  ASSERT_TRUE(global->SetValue("ro", CefV8Value::CreateInt(1),
                               V8_PROPERTY_ATTRIBUTE_READONLY));
  ASSERT_TRUE(global->SetValue("hid", CefV8Value::CreateInt(2),
                               V8_PROPERTY_ATTRIBUTE_DONTENUM));
  ASSERT_TRUE(global->SetValue("kept", CefV8Value::CreateInt(3),
                               V8_PROPERTY_ATTRIBUTE_DONTDELETE));
  EXPECT_EQ("1", Eval("ro = 5; ro"));
  EXPECT_EQ("false", Eval("Object.keys(window).indexOf('hid') >= 0"));
  EXPECT_EQ("2", Eval("hid"));
  EXPECT_EQ("3", Eval("delete window.kept; kept"));
  // Assigning to a read-only property succeeds and changes nothing.
  EXPECT_TRUE(global->SetValue("ro", CefV8Value::CreateInt(9),
                               V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_EQ(1, global->GetValue("ro")->GetIntValue());
  // A don't-delete property still "deletes".
  EXPECT_TRUE(global->DeleteValue("kept"));
  EXPECT_TRUE(global->HasValue("kept"));
  EXPECT_FALSE(global->SetValue("x", nullptr, V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_FALSE(global->SetValue(-1, CefV8Value::CreateInt(1)));
}

TEST_F(ValueTest, SetValueByIndexWritesArrays) {
  CefRefPtr<CefV8Value> array = CefV8Value::CreateArray(3);
  EXPECT_EQ(3, array->GetArrayLength());
  EXPECT_FALSE(array->HasValue(0));  // holes
  EXPECT_TRUE(array->SetValue(4, CefV8Value::CreateString("four")));
  EXPECT_EQ(5, array->GetArrayLength());
  EXPECT_EQ("four", array->GetValue(4)->GetStringValue().ToString());
  EXPECT_TRUE(array->DeleteValue(4));
  EXPECT_FALSE(array->HasValue(4));
  EXPECT_EQ(0, CefV8Value::CreateArray(-5)->GetArrayLength());
}

TEST_F(ValueTest, ThrowingGetterLeavesTheExceptionOnTheWrapper) {
  CefRefPtr<CefV8Value> object =
      JS("({get bad() { throw new Error('My get exception'); }, good: 1,"
         "  set bad(v) { throw new Error('My set exception'); }})");
  EXPECT_FALSE(object->HasException());
  harness_->TakeUncaughtExceptions();
  EXPECT_FALSE(object->GetValue("bad").get());
  ASSERT_TRUE(object->HasException());
  EXPECT_EQ("Uncaught Error: My get exception",
            object->GetException()->GetMessage().ToString());
  // As in the framework, whose TryCatch is verbose, the caught exception is
  // still reported to V8's message listener, once.
  EXPECT_EQ(std::vector<std::string>{"Uncaught Error: My get exception"},
            harness_->TakeUncaughtExceptions());
  // A call that does not throw clears it.
  EXPECT_EQ(1, object->GetValue("good")->GetIntValue());
  EXPECT_FALSE(object->HasException());
  EXPECT_FALSE(object->SetValue("bad", CefV8Value::CreateInt(1),
                                V8_PROPERTY_ATTRIBUTE_NONE));
  ASSERT_TRUE(object->HasException());
  EXPECT_EQ("Uncaught Error: My set exception",
            object->GetException()->GetMessage().ToString());
  // Another wrapper of the same object has its own state.
  EXPECT_FALSE(JS("1")->HasException());
  EXPECT_TRUE(object->ClearException());
  EXPECT_FALSE(object->HasException());
  EXPECT_FALSE(object->GetException().get());
}

TEST_F(ValueTest, ExecuteFunctionUsesTheGlobalForAnEmptyReceiver) {
  CefRefPtr<CefV8Value> function =
      JS("(function(a, b) { return [this === window, a + b]; })");
  CefV8ValueList args;
  args.push_back(CefV8Value::CreateInt(2));
  args.push_back(CefV8Value::CreateInt(3));
  CefRefPtr<CefV8Value> result = function->ExecuteFunction(nullptr, args);
  ASSERT_TRUE(result.get());
  EXPECT_TRUE(result->GetValue(0)->GetBoolValue());
  EXPECT_EQ(5, result->GetValue(1)->GetIntValue());
  // An explicit receiver.
  CefRefPtr<CefV8Value> receiver = JS("({tag: 'me'})");
  CefRefPtr<CefV8Value> tag = JS("(function() { return this.tag; })")
                                  ->ExecuteFunction(receiver, CefV8ValueList());
  EXPECT_EQ("me", tag->GetStringValue().ToString());
  // undefined comes back as a wrapper.
  CefRefPtr<CefV8Value> nothing =
      JS("(function() {})")->ExecuteFunction(nullptr, CefV8ValueList());
  ASSERT_TRUE(nothing.get());
  EXPECT_TRUE(nothing->IsUndefined());
  // Refusals: a NULL argument, a primitive receiver, a non-function.
  CefV8ValueList bad;
  bad.push_back(nullptr);
  EXPECT_FALSE(function->ExecuteFunction(nullptr, bad).get());
  EXPECT_FALSE(function->ExecuteFunction(CefV8Value::CreateInt(1), args).get());
  EXPECT_FALSE(JS("({})")->ExecuteFunction(nullptr, args).get());
}

TEST_F(ValueTest, ThrowingFunctionReturnsNullAndKeepsTheException) {
  CefRefPtr<CefV8Value> function = JS(
      "(function() { window.reached = true; throw new Error('My error'); })");
  EXPECT_FALSE(function->ExecuteFunction(nullptr, CefV8ValueList()).get());
  ASSERT_TRUE(function->HasException());
  EXPECT_EQ("Uncaught Error: My error",
            function->GetException()->GetMessage().ToString());
  EXPECT_EQ("true", Eval("reached"));
  // Nothing leaked into the page: script runs on normally.
  EXPECT_EQ("2", Eval("1 + 1"));
}

TEST_F(ValueTest, ExecuteFunctionNeedsAContext) {
  CefRefPtr<CefV8Value> function = JS("(function() { return 1; })");
  ASSERT_TRUE(context_->Exit());
  entered_ = false;
  EXPECT_FALSE(CefV8Context::InContext());
  EXPECT_FALSE(function->ExecuteFunction(nullptr, CefV8ValueList()).get());
  EXPECT_FALSE(CefV8Value::CreateObject(nullptr).get());
  EXPECT_FALSE(CefV8Value::CreateArray(1).get());
  // Primitives need no context.
  EXPECT_TRUE(CefV8Value::CreateInt(1)->IsValid());
  CefRefPtr<CefV8Value> result =
      function->ExecuteFunctionWithContext(context_, nullptr, CefV8ValueList());
  ASSERT_TRUE(result.get());
  EXPECT_EQ(1, result->GetIntValue());
  EXPECT_FALSE(
      function->ExecuteFunctionWithContext(nullptr, nullptr, CefV8ValueList())
          .get());
}

TEST_F(ValueTest, ExecuteFunctionWithContextRunsInThatContext) {
  const int64 child = harness_->CreateFrame(browser_, "child", false);
  CefRefPtr<CefV8Context> child_context = harness_->GetContext(browser_, child);
  harness_->Eval(browser_, child, "var where = 'child'");
  JS("var where = 'main'");
  // A function of the main frame called with the child as the context: the
  // empty receiver is the child's global, while the function's own scope
  // stays the main frame's.
  CefRefPtr<CefV8Value> function =
      JS("(function() { return this.where + '/' + where; })");
  CefRefPtr<CefV8Value> result = function->ExecuteFunctionWithContext(
      child_context, nullptr, CefV8ValueList());
  ASSERT_TRUE(result.get())
      << (function->HasException()
              ? function->GetException()->GetMessage().ToString()
              : "no exception");
  EXPECT_EQ("child/main", result->GetStringValue().ToString());
}

class RethrowHandlerTest : public FrameTest {
 protected:
  void ConfigureApp(TestApp* app) override {
    app->on_context_created = [this](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                     CefRefPtr<CefV8Context> context) {
      handler_ = new FunctionHandler(
          [this](const CefString& name, CefRefPtr<CefV8Value> object,
                 const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
                 CefString& exception) {
            // Reads a property that throws, with rethrow on or off.
            CefRefPtr<CefV8Value> target = arguments[0];
            target->SetRethrowExceptions(arguments[1]->GetBoolValue());
            CefRefPtr<CefV8Value> value = target->GetValue("bad");
            had_exception_ = target->HasException();
            retval = CefV8Value::CreateString(value.get() ? "value" : "null");
            return true;
          });
      context->GetGlobal()->SetValue(
          "probe", CefV8Value::CreateFunction("probe", handler_.get()),
          V8_PROPERTY_ATTRIBUTE_NONE);
    };
  }

  CefRefPtr<FunctionHandler> handler_;
  bool had_exception_ = false;
};

TEST_F(RethrowHandlerTest, CaughtExceptionsReachThePageOnlyWithRethrow) {
  JS("var thrower = {get bad() { throw new Error('inner'); }}");
  EXPECT_EQ("\"null\"",
            Eval("try { probe(thrower, false) } catch (e) { 'caught' }"));
  EXPECT_TRUE(had_exception_);
  EXPECT_EQ("\"caught:inner\"", Eval("try { probe(thrower, true) } catch (e) {"
                                     " 'caught:' + e.message }"));
  EXPECT_TRUE(had_exception_);
}

// ExecuteFunction with rethrow on: inside a native call the exception
// reaches the calling script; with no script below (client code in a task,
// or here in the test body) it stays on the wrapper and nothing is left
// behind for later page code.
TEST_F(ValueTest, ExecuteFunctionRethrowsOnlyIntoScript) {
  CefRefPtr<CefV8Value> thrower =
      JS("(function() { throw new Error('from the callback'); })");
  ASSERT_TRUE(thrower->SetRethrowExceptions(true));
  harness_->TakeUncaughtExceptions();
  EXPECT_FALSE(thrower->ExecuteFunction(nullptr, CefV8ValueList()).get());
  ASSERT_TRUE(thrower->HasException());
  EXPECT_EQ("Uncaught Error: from the callback",
            thrower->GetException()->GetMessage().ToString());
  EXPECT_EQ(std::vector<std::string>{"Uncaught Error: from the callback"},
            harness_->TakeUncaughtExceptions());
  // Page code that calls into native functions later sees no exception of
  // its own.
  EXPECT_EQ("\"clean\"",
            Eval("try { console.log('x'); setTimeout(function() {}, 0);"
                 "  'clean' } catch (e) { 'stale: ' + e }"));

  CefRefPtr<FunctionHandler> handler(
      new FunctionHandler([](const CefString&, CefRefPtr<CefV8Value>,
                             const CefV8ValueList& arguments,
                             CefRefPtr<CefV8Value>& retval, CefString&) {
        arguments[0]->SetRethrowExceptions(true);
        retval = arguments[0]->ExecuteFunction(nullptr, CefV8ValueList());
        return true;
      }));
  context_->GetGlobal()->SetValue(
      "callIt", CefV8Value::CreateFunction("callIt", handler.get()),
      V8_PROPERTY_ATTRIBUTE_NONE);
  EXPECT_EQ("\"caught:inner\"",
            Eval("try { callIt(function() { throw new Error('inner'); }) }"
                 "catch (e) { 'caught:' + e.message }"));
}

// An accessor that serves "name" and refuses "secret".
class TestAccessor : public CefV8Accessor {
 public:
  std::string stored = "initial";
  std::vector<std::string> log;

  bool Get(const CefString& name,
           const CefRefPtr<CefV8Value> object,
           CefRefPtr<CefV8Value>& retval,
           CefString& exception) override {
    log.push_back("get " + name.ToString());
    if (name == "secret") {
      exception = "no access";
      return true;
    }
    if (name == "declined")
      return false;
    if (name == "declinedWithText") {
      exception = "dropped";
      return false;
    }
    retval = CefV8Value::CreateString(stored);
    return true;
  }
  bool Set(const CefString& name,
           const CefRefPtr<CefV8Value> object,
           const CefRefPtr<CefV8Value> value,
           CefString& exception) override {
    log.push_back("set " + name.ToString());
    if (name == "declinedWithText") {
      exception = "not writable";
      return false;
    }
    stored = value->GetStringValue().ToString();
    return true;
  }

  IMPLEMENT_REFCOUNTING(TestAccessor);
};

TEST_F(ValueTest, AccessorPropertiesCallTheAccessor) {
  CefRefPtr<TestAccessor> accessor(new TestAccessor());
  CefRefPtr<CefV8Value> object = CefV8Value::CreateObject(accessor.get());
  EXPECT_TRUE(object->SetValue("name", V8_ACCESS_CONTROL_DEFAULT,
                               V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_TRUE(object->SetValue("fixed", V8_ACCESS_CONTROL_DEFAULT,
                               V8_PROPERTY_ATTRIBUTE_READONLY));
  EXPECT_TRUE(object->SetValue("secret", V8_ACCESS_CONTROL_DEFAULT,
                               V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_TRUE(object->SetValue("declined", V8_ACCESS_CONTROL_DEFAULT,
                               V8_PROPERTY_ATTRIBUTE_NONE));
  context_->GetGlobal()->SetValue("acc", object, V8_PROPERTY_ATTRIBUTE_NONE);
  EXPECT_EQ("\"initial\"", Eval("acc.name"));
  Eval("acc.name = 'changed'");
  EXPECT_EQ("changed", accessor->stored);
  Eval("acc.fixed = 'ignored'");  // no setter
  EXPECT_EQ("changed", accessor->stored);
  EXPECT_EQ("\"Error: no access\"",
            Eval("try { acc.secret } catch (e) { String(e) }"));
  EXPECT_EQ("true", Eval("acc.declined === undefined"));
  // A read the accessor does not handle drops its exception text, as a
  // native function's does; a write throws it whatever Set returns.
  EXPECT_TRUE(object->SetValue("declinedWithText", V8_ACCESS_CONTROL_DEFAULT,
                               V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_EQ("true", Eval("acc.declinedWithText === undefined"));
  EXPECT_EQ("\"Error: not writable\"",
            Eval("try { acc.declinedWithText = 1 } catch (e) { String(e) }"));
  // Plain objects take no accessor properties.
  EXPECT_FALSE(CefV8Value::CreateObject(nullptr)->SetValue(
      "x", V8_ACCESS_CONTROL_DEFAULT, V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_FALSE(JS("({})")->SetValue("x", V8_ACCESS_CONTROL_DEFAULT,
                                    V8_PROPERTY_ATTRIBUTE_NONE));
}

class Payload : public CefBase {
 public:
  explicit Payload(int* freed = nullptr) : freed_(freed) {}
  ~Payload() {
    if (freed_)
      ++*freed_;
  }

 private:
  int* const freed_;

  IMPLEMENT_REFCOUNTING(Payload);
};

TEST_F(ValueTest, UserCreatedObjectsKeepTheirRecords) {
  CefRefPtr<FunctionHandler> handler(new FunctionHandler(
      [](const CefString&, CefRefPtr<CefV8Value>, const CefV8ValueList&,
         CefRefPtr<CefV8Value>& retval, CefString&) {
        retval = CefV8Value::CreateInt(11);
        return true;
      }));
  CefRefPtr<CefV8Value> function =
      CefV8Value::CreateFunction("made", handler.get());
  EXPECT_EQ("made", function->GetFunctionName().ToString());
  EXPECT_EQ(handler.get(), function->GetFunctionHandler().get());
  EXPECT_TRUE(function->IsUserCreated());
  EXPECT_FALSE(CefV8Value::CreateFunction("", handler.get()).get());
  EXPECT_FALSE(CefV8Value::CreateFunction("f", nullptr).get());

  CefRefPtr<CefBase> payload(new Payload());
  EXPECT_TRUE(function->SetUserData(payload));
  context_->GetGlobal()->SetValue("made", function, V8_PROPERTY_ATTRIBUTE_NONE);
  // Another wrapper of the same function, found through script, sees the
  // same record.
  CefRefPtr<CefV8Value> again = JS("made");
  EXPECT_EQ(payload.get(), again->GetUserData().get());
  EXPECT_EQ(handler.get(), again->GetFunctionHandler().get());
  EXPECT_EQ("11", Eval("made()"));
  EXPECT_EQ("\"made\"", Eval("made.name"));

  // Script objects are not user-created and take no user data.
  CefRefPtr<CefV8Value> plain = JS("({})");
  EXPECT_FALSE(plain->IsUserCreated());
  EXPECT_FALSE(plain->SetUserData(payload));
  EXPECT_FALSE(plain->GetUserData().get());
  EXPECT_FALSE(JS("(function named() {})")->GetFunctionHandler().get());
  EXPECT_EQ("named", JS("(function named() {})")->GetFunctionName().ToString());

  CefRefPtr<CefV8Value> object = CefV8Value::CreateObject(nullptr);
  EXPECT_EQ(100, object->AdjustExternallyAllocatedMemory(100));
  EXPECT_EQ(60, object->AdjustExternallyAllocatedMemory(-40));
  EXPECT_EQ(60, object->GetExternallyAllocatedMemory());
  EXPECT_EQ(0, object->AdjustExternallyAllocatedMemory(-1000));
}

// Records of API-made objects live as long as their objects: V8 collecting
// an object frees its record and releases the client's data, while objects
// script still reaches keep theirs.
TEST_F(ValueTest, RecordsGoWhenV8CollectsTheirObjects) {
  cef_renderer::ObjectTracker& tracker =
      cef_renderer::RenderThreadImpl::Current()->tracker();
  v8::Isolate* isolate = v8::Isolate::GetCurrent();
  const size_t baseline = tracker.size();
  // Static: the record still alive at the end goes with the context, after
  // this function has returned.
  static int freed;
  freed = 0;
  {
    v8::HandleScope handle_scope(isolate);
    for (int i = 0; i < 1000; ++i) {
      CefRefPtr<CefV8Value> object = CefV8Value::CreateObject(nullptr);
      CefRefPtr<CefV8Value> array = CefV8Value::CreateArray(2);
      ASSERT_TRUE(object->SetUserData(new Payload(&freed)));
      EXPECT_TRUE(array->IsUserCreated());
      if (i == 0) {
        context_->GetGlobal()->SetValue("kept", object,
                                        V8_PROPERTY_ATTRIBUTE_NONE);
      }
    }
  }
  // Plain arrays and objects need no record until they hold something.
  EXPECT_EQ(baseline + 1000, tracker.size());
  isolate->LowMemoryNotification();
  cef_renderer::RenderThreadImpl::Current()->RunMicrotasks();
  EXPECT_EQ(999, freed);
  EXPECT_EQ(baseline + 1, tracker.size());
  CefRefPtr<CefV8Value> kept = JS("kept");
  EXPECT_TRUE(kept->IsUserCreated());
  EXPECT_TRUE(kept->GetUserData().get());
  EXPECT_FALSE(JS("[]")->IsUserCreated());
}

}  // namespace
}  // namespace v8test
