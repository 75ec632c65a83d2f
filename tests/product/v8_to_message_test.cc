// JavaScript values to message values: the test order, containers, refusals
// and the bound on nesting.

#include <string>

#include "marshal/v8_to_message.h"
#include "tests/product/bridge_fixture.h"
#include "tests/product/fake_v8_value.h"

namespace {

const char kCannotPass[] =
    "The specified argument cannot be passed to a query!";
const char kTooDeep[] = "The specified argument is nested too deeply!";

class V8ToMessageTest : public BridgeTest {
 protected:
  void SetUp() override {
    Start();
    context_ = harness_->GetContext(browser_, frame_);
    ASSERT_TRUE(context_.get());
  }

  // Converts the value of |code| into index 0 of a new one-entry list:
  // its description, or "refused: <text>".
  std::string Convert(const std::string& code) {
    EXPECT_TRUE(context_->Enter());
    CefRefPtr<CefV8Value> value;
    CefRefPtr<CefV8Exception> exception;
    std::string result;
    if (!context_->Eval(code, value, exception)) {
      result = "script failed: " + exception->GetMessage().ToString();
    } else {
      result = ConvertValue(value);
    }
    context_->Exit();
    return result;
  }

  static std::string ConvertValue(CefRefPtr<CefV8Value> value) {
    CefRefPtr<CefListValue> list = CefListValue::Create();
    list->SetSize(1);
    CefString text;
    if (!V8ValueToListEntry(value, list, 0, text))
      return "refused: " + text.ToString();
    if (!text.empty())
      return "accepted with a text: " + text.ToString();
    return DescribeListEntry(list, 0);
  }

  CefRefPtr<CefV8Context> context_;
};

TEST_F(V8ToMessageTest, PrimitivesFollowTheTestOrder) {
  EXPECT_EQ("null", Convert("undefined"));
  EXPECT_EQ("null", Convert("null"));
  EXPECT_EQ("bool:true", Convert("true"));
  EXPECT_EQ("bool:false", Convert("false"));
  // Every number passes the double test first on this framework.
  EXPECT_EQ("double:1", Convert("1"));
  EXPECT_EQ("double:-5", Convert("-5"));
  EXPECT_EQ("double:2147483647", Convert("2147483647"));
  EXPECT_EQ("double:4294967295", Convert("4294967295"));
  EXPECT_EQ("double:1.5", Convert("1.5"));
  EXPECT_EQ("double:-0", Convert("-0"));
  EXPECT_EQ("\"text\"", Convert("'text'"));
  EXPECT_EQ("\"\"", Convert("''"));
}

TEST_F(V8ToMessageTest, StringsKeepTheirText) {
  context_->Enter();
  CefRefPtr<CefV8Value> value;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(
      context_->Eval("'\\u00e9\\u20ac\\ud83d\\ude00'", value, exception));
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(1);
  CefString text;
  ASSERT_TRUE(V8ValueToListEntry(value, list, 0, text));
  context_->Exit();
  EXPECT_EQ(value->GetStringValue().ToString(), list->GetString(0).ToString());
  EXPECT_EQ("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
            list->GetString(0).ToString());
}

TEST_F(V8ToMessageTest, ArraysByIndexAndObjectsByKey) {
  EXPECT_EQ("[]", Convert("[]"));
  EXPECT_EQ("{}", Convert("({})"));
  EXPECT_EQ("[double:1,\"s\",[bool:true],{k:null}]",
            Convert("[1, 's', [true], {k: null}]"));
  // A sparse array has an entry for every index up to its length.
  EXPECT_EQ("[null,null,null,double:3]", Convert("var a = []; a[3] = 3; a"));
  // Extra properties of an array are not part of it.
  EXPECT_EQ("[double:1]", Convert("var b = [1]; b.extra = 2; b"));
  EXPECT_EQ("{a:double:2,b:double:1}", Convert("({b: 1, a: 2})"));
  // Functions are objects: converted through their keys.
  EXPECT_EQ("{}", Convert("(function() {})"));
  EXPECT_EQ("{x:double:1}", Convert("var f = function() {}; f.x = 1; f"));
  // Boxed values, regular expressions and errors are plain objects.
  EXPECT_EQ("{}", Convert("new Number(1)"));
  EXPECT_EQ("{0:\"a\"}", Convert("new String('a')"));
  // Inherited enumerable properties are part of the object.
  EXPECT_EQ("{own:double:1,up:double:2}",
            Convert("var o = Object.create({up: 2}); o.own = 1; o"));
}

TEST_F(V8ToMessageTest, PropertiesAreVisitedInTheOrderOfTheirKeys) {
  EXPECT_EQ("{a:double:1,b:double:2}",
            Convert("window.seen = [];"
                    "({get b() { seen.push('b'); return 2; },"
                    "  get a() { seen.push('a'); return 1; }})"));
  EXPECT_EQ("[\"b\",\"a\"]", Eval("seen"));
}

TEST_F(V8ToMessageTest, DatesAreRefusedAtAnyDepth) {
  EXPECT_EQ(std::string("refused: ") + kCannotPass, Convert("new Date()"));
  EXPECT_EQ(std::string("refused: ") + kCannotPass,
            Convert("[1, {deep: [new Date()]}]"));
}

TEST_F(V8ToMessageTest, RefusalStopsAtTheFirstBadElement) {
  EXPECT_EQ(std::string("refused: ") + kCannotPass,
            Convert("window.fetched = false;"
                    "var c = [1, new Date()];"
                    "Object.defineProperty(c, 2, {enumerable: true, get: "
                    "function() { fetched = true; return 3; }});"
                    "c"));
  EXPECT_EQ("false", Eval("fetched"));
}

TEST_F(V8ToMessageTest, ThrowingGettersRefuseTheValue) {
  const std::string refused = std::string("refused: ") + kCannotPass;
  EXPECT_EQ(refused, Convert("({get x() { throw new Error('x'); }})"));
  EXPECT_EQ(refused, Convert("var t = [1]; Object.defineProperty(t, 0, {get: "
                             "function() { throw new Error('i'); }}); t"));
  EXPECT_EQ(refused,
            Convert("[{ok: 1}, {get bad() { throw new Error('b'); }}]"));
}

TEST_F(V8ToMessageTest, NestingIsBoundedAtTheDocumentedDepth) {
  // kMaxNestingDepth arrays inside one another are accepted ...
  const std::string deep = "var v = 0; for (var i = 0; i < " +
                           std::to_string(kMaxNestingDepth) +
                           "; i++) v = [v]; v";
  context_->Enter();
  CefRefPtr<CefV8Value> value;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context_->Eval(deep, value, exception));
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(1);
  CefString text;
  EXPECT_TRUE(V8ValueToListEntry(value, list, 0, text));
  context_->Exit();
  int levels = 0;
  CefRefPtr<CefListValue> level = list;
  while (level->GetType(0) == VTYPE_LIST) {
    level = level->GetList(0);
    ++levels;
  }
  EXPECT_EQ(kMaxNestingDepth, levels);
  EXPECT_EQ(VTYPE_DOUBLE, level->GetType(0));

  // ... one more level is refused, for objects as for arrays.
  const std::string refused = std::string("refused: ") + kTooDeep;
  EXPECT_EQ(refused,
            Convert("var w = 0; for (var i = 0; i <= " +
                    std::to_string(kMaxNestingDepth) + "; i++) w = [w]; w"));
  EXPECT_EQ(refused,
            Convert("var o = 0; for (var i = 0; i <= " +
                    std::to_string(kMaxNestingDepth) + "; i++) o = {o: o}; o"));
  // Far deeper values are refused just the same, without exhausting the
  // stack.
  EXPECT_EQ(refused,
            Convert("var z = 0; for (var i = 0; i < 100000; i++) z = [z]; z"));
}

TEST_F(V8ToMessageTest, ValuesThatContainThemselvesAreRefused) {
  const std::string refused = std::string("refused: ") + kTooDeep;
  EXPECT_EQ(refused, Convert("var s = []; s.push(s); s"));
  EXPECT_EQ(refused, Convert("var p = {}; p.self = p; p"));
  EXPECT_EQ(refused, Convert("var m = {list: []}; m.list.push({up: m}); m"));
  // Sharing without a cycle is fine: each use is converted.
  EXPECT_EQ("[[double:1],[double:1]]", Convert("var u = [1]; [u, u]"));
}

TEST_F(V8ToMessageTest, DictionaryFormWritesUnderTheKey) {
  context_->Enter();
  CefRefPtr<CefV8Value> value;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context_->Eval("({n: [1, 2]})", value, exception));
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  CefString text;
  EXPECT_TRUE(V8ValueToDictionaryEntry(value, dictionary, "key", text));
  ASSERT_TRUE(context_->Eval("new Date()", value, exception));
  EXPECT_FALSE(V8ValueToDictionaryEntry(value, dictionary, "date", text));
  context_->Exit();
  EXPECT_EQ("{n:[double:1,double:2]}",
            DescribeDictionaryEntry(dictionary, "key"));
  EXPECT_FALSE(dictionary->HasKey("date"));
  EXPECT_EQ(kCannotPass, text.ToString());
}

TEST_F(V8ToMessageTest, RefusedContainerIsNeverAttached) {
  context_->Enter();
  CefRefPtr<CefV8Value> value;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context_->Eval("[1, [2, new Date()]]", value, exception));
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetString(0, "before");
  CefString text = "old text";
  EXPECT_FALSE(V8ValueToListEntry(value, list, 0, text));
  context_->Exit();
  EXPECT_EQ(kCannotPass, text.ToString());
  EXPECT_EQ("[\"before\"]", DescribeList(list));
}

TEST(V8ToMessageOrderTest, FirstMatchingTestDecides) {
  // Each value passes every test from the named one on, so only the order
  // of the tests decides what is written.
  const int all =
      FakeV8Value::kArray | FakeV8Value::kBool | FakeV8Value::kDouble |
      FakeV8Value::kInt | FakeV8Value::kNull | FakeV8Value::kString |
      FakeV8Value::kUInt | FakeV8Value::kUndefined | FakeV8Value::kObject;
  struct Case {
    int tests;
    const char* expected;
  } cases[] = {
      {all, "[null,null]"},
      {all & ~FakeV8Value::kArray, "bool:true"},
      {all & ~(FakeV8Value::kArray | FakeV8Value::kBool), "double:1.5"},
      {FakeV8Value::kInt | FakeV8Value::kNull | FakeV8Value::kString |
           FakeV8Value::kUInt | FakeV8Value::kUndefined | FakeV8Value::kObject,
       "int:7"},
      {FakeV8Value::kNull | FakeV8Value::kString | FakeV8Value::kUInt |
           FakeV8Value::kUndefined | FakeV8Value::kObject,
       "null"},
      {FakeV8Value::kString | FakeV8Value::kUInt | FakeV8Value::kUndefined |
           FakeV8Value::kObject,
       "\"s\""},
      {FakeV8Value::kUInt | FakeV8Value::kUndefined | FakeV8Value::kObject,
       "int:0"},
      {FakeV8Value::kUndefined | FakeV8Value::kObject, "null"},
      {FakeV8Value::kObject, "{}"},
  };
  for (const Case& c : cases) {
    CefRefPtr<CefListValue> list = CefListValue::Create();
    list->SetSize(1);
    CefString text;
    EXPECT_TRUE(V8ValueToListEntry(new FakeV8Value(c.tests), list, 0, text))
        << c.expected;
    EXPECT_EQ(c.expected, DescribeListEntry(list, 0));
    EXPECT_TRUE(text.empty());
  }
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(1);
  CefString text;
  EXPECT_FALSE(
      V8ValueToListEntry(new FakeV8Value(FakeV8Value::kDate), list, 0, text));
  EXPECT_EQ(kCannotPass, text.ToString());
  EXPECT_EQ("null", DescribeListEntry(list, 0));
}

TEST(V8ToMessageOrderTest, UnsignedValuesTravelAsTheSameBits) {
  const struct {
    uint32 value;
    const char* expected;
  } cases[] = {{0u, "int:0"},
               {2147483647u, "int:2147483647"},
               {2147483648u, "int:-2147483648"},
               {3000000000u, "int:-1294967296"},
               {4294967295u, "int:-1"}};
  for (const auto& c : cases) {
    CefRefPtr<FakeV8Value> value(new FakeV8Value(FakeV8Value::kUInt));
    value->uint_value = c.value;
    CefRefPtr<CefListValue> list = CefListValue::Create();
    list->SetSize(1);
    CefString text;
    EXPECT_TRUE(V8ValueToListEntry(value.get(), list, 0, text));
    EXPECT_EQ(c.expected, DescribeListEntry(list, 0));
  }
}

TEST(V8ToMessageOrderTest, ObjectWhoseKeysCannotBeReadIsRefused) {
  CefRefPtr<FakeV8Value> value(new FakeV8Value(FakeV8Value::kObject));
  value->keys_ok = false;
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  CefString text;
  EXPECT_FALSE(V8ValueToDictionaryEntry(value.get(), dictionary, "k", text));
  EXPECT_EQ("Failed to get object keys!", text.ToString());
  EXPECT_EQ(0u, dictionary->GetSize());

  // No value at all (a getter threw) cannot be passed either.
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(1);
  EXPECT_FALSE(V8ValueToListEntry(NULL, list, 0, text));
  EXPECT_EQ(kCannotPass, text.ToString());
}

}  // namespace
