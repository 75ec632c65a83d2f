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
  // The framework would store these as 0 (and asserts on them in debug).
  for (const char* number : {"NaN", "Infinity", "-Infinity", "[1, {n: 0/0}]"})
    EXPECT_EQ(std::string("refused: ") + kCannotPass, Convert(number));
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
  // The framework's dictionaries take no empty key: that property is dropped.
  EXPECT_EQ("{a:double:2}", Convert("({'': [1], a: 2})"));
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

TEST_F(V8ToMessageTest, KeysTheFrameworkWouldMergeAreRefused) {
  // Dictionaries store keys as UTF-8, where every unpaired surrogate becomes
  // U+FFFD: these keys would land on one entry and lose a value.
  EXPECT_EQ(std::string("refused: ") + kCannotPass,
            Convert("({'\\ud800': 1, '\\udc00': 2})"));
  EXPECT_EQ(std::string("refused: ") + kCannotPass,
            Convert("[{a: {'\\ufffd': 1, x: 0, '\\udfff': 2}}]"));
  // Paired surrogates stay distinct keys; one unpaired surrogate alone loses
  // nothing else; a shadowed inherited property is one key.
  EXPECT_EQ(std::string::npos,
            Convert("({'\\ud83d\\ude00': 1, '\\ud83d\\ude01': 2, "
                    "'\\ud800': 3})")
                .find("refused"));
  EXPECT_EQ("{a:double:1}",
            Convert("var p = Object.create({a: 2}); p.a = 1; p"));
  EXPECT_EQ("{x:double:1}", Convert("({x: 1, '': 2})"));
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
  // A number inside kMaxNestingDepth - 1 arrays takes kMaxNestingDepth levels
  // and is accepted ...
  const std::string deep = "var v = 0; for (var i = 1; i < " +
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
  int levels = 1;
  CefRefPtr<CefListValue> level = list;
  while (level->GetType(0) == VTYPE_LIST) {
    level = level->GetList(0);
    ++levels;
  }
  EXPECT_EQ(kMaxNestingDepth, levels);
  EXPECT_EQ(VTYPE_DOUBLE, level->GetType(0));
  // ... as is an empty array or object at that level.
  const std::string at_limit = std::to_string(kMaxNestingDepth);
  EXPECT_EQ(0u, Convert("var e = []; for (var i = 1; i < " + at_limit +
                        "; i++) e = [e]; e")
                    .find("[[[[[[[[[["));
  EXPECT_EQ(0u, Convert("var d = {}; for (var i = 1; i < " + at_limit +
                        "; i++) d = {d: d}; d")
                    .find("{d:{d:{d:"));

  // One more level is refused, for objects as for arrays, and for whatever
  // sits at that level.
  const std::string refused = std::string("refused: ") + kTooDeep;
  EXPECT_EQ(refused, Convert("var w = 0; for (var i = 0; i < " + at_limit +
                             "; i++) w = [w]; w"));
  EXPECT_EQ(refused, Convert("var o = null; for (var i = 0; i < " + at_limit +
                             "; i++) o = {o: o}; o"));
  EXPECT_EQ(refused, Convert("var x = []; for (var i = 0; i < " + at_limit +
                             "; i++) x = [x]; x"));
  EXPECT_EQ(refused, Convert("var m = 's'; for (var i = 0; i < " + at_limit +
                             "; i++) m = i % 2 ? [m] : {m: m}; m"));
  // Far deeper values are refused just the same, without exhausting the
  // stack.
  EXPECT_EQ(refused,
            Convert("var z = 0; for (var i = 0; i < 100000; i++) z = [z]; z"));
}

// Values that could never reach the browser process are refused as soon as
// that is clear, before they are built: arrays longer than a list can be,
// and values whose converted size is beyond the largest message.
TEST_F(V8ToMessageTest, ValuesBeyondWhatAMessageCarriesAreRefusedEarly) {
  const std::string refused = std::string("refused: ") + kCannotPass;
  // Sparse arrays longer than a list can hold; the longest also has a length
  // that does not fit an int.
  EXPECT_EQ(refused, Convert("var l = []; l.length = " +
                             std::to_string(kMaxArrayLength + 3) + "; l"));
  EXPECT_EQ(refused, Convert("var h = []; h.length = 2 ** 31; h"));
  EXPECT_EQ(refused, Convert("var g = []; g.length = 2 ** 32 - 1; g"));
  // Shared subtrees: forty levels of [v, v] are 2^40 values converted. With
  // leaves of 64 Mi code units the second one is past the bound.
  EXPECT_EQ(refused, Convert("var v = 'x'.repeat(1 << 26);"
                             "for (var i = 0; i < 40; i++) v = [v, v]; v"));
  // Keys count too, as soon as they are known.
  EXPECT_EQ(refused, Convert("var k = {}; k['k'.repeat(1 << 26)] = 1;"
                             "[k, k, k]"));
}

TEST_F(V8ToMessageTest, ArraysThatGrowWhileConvertedAreRefused) {
  const std::string refused = std::string("refused: ") + kCannotPass;
  // A getter that makes the array longer than a list can be.
  EXPECT_EQ(refused, Convert("var a = [0, 1];"
                             "Object.defineProperty(a, 0, {get: function() {"
                             "  a.length = " +
                             std::to_string(kMaxArrayLength + 1) +
                             "; return 0; }}); a"));
  // Getters that keep appending elements of a megabyte each.
  EXPECT_EQ(refused,
            Convert("var big = 'x'.repeat(1 << 20); var b = [];"
                    "function grow(i) {"
                    "  Object.defineProperty(b, i, {enumerable: true,"
                    "    configurable: true,"
                    "    get: function() { grow(i + 1); return big; }});"
                    "}"
                    "grow(0); b"));
  // A getter that shortens the array leaves nulls in the list's place.
  EXPECT_EQ("[double:1,null,null]",
            Convert("var c = [1, 2, 3];"
                    "Object.defineProperty(c, 0, {get: function() {"
                    "  c.length = 1; return 1; }}); c"));
}

TEST_F(V8ToMessageTest, ValuesUpToTheBoundsAreAccepted) {
  // Many megabytes of text, well below the largest message.
  EXPECT_EQ("\"ok\"", Eval("var m = 'y'.repeat(1 << 22);"
                           "window.many = [m, m, m, m, m, m, m, m]; 'ok'"));
  context_->Enter();
  CefRefPtr<CefV8Value> value;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context_->Eval("many", value, exception));
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(1);
  CefString text;
  EXPECT_TRUE(V8ValueToListEntry(value, list, 0, text)) << text.ToString();
  context_->Exit();
  ASSERT_EQ(VTYPE_LIST, list->GetType(0));
  EXPECT_EQ(8u, list->GetList(0)->GetSize());
  EXPECT_EQ(size_t{1} << 22, list->GetList(0)->GetString(7).length());
  // Sharing that stays small is converted in full.
  EXPECT_EQ(0u, Convert("var q = 1; for (var i = 0; i < 12; i++) q = [q, q]; q")
                    .find("[[[[[[[[[[[[double:1,double:1]"));
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

TEST(V8ToMessageOrderTest, ArrayLongerThanAListCanHoldIsRefused) {
  // The framework's lists hold 2^24 entries; a longer array used to be cut
  // short without a word.
  CefRefPtr<FakeV8Value> value(new FakeV8Value(FakeV8Value::kArray));
  value->array_length = kMaxArrayLength + 3;
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(1);
  CefString text;
  EXPECT_FALSE(V8ValueToListEntry(value.get(), list, 0, text));
  EXPECT_EQ(kCannotPass, text.ToString());
  EXPECT_EQ("null", DescribeListEntry(list, 0));
  EXPECT_EQ(0, value->values_fetched);
  // The length the framework gives for one that does not fit an int.
  value->array_length = -1;
  EXPECT_FALSE(V8ValueToListEntry(value.get(), list, 0, text));
  EXPECT_EQ(0, value->values_fetched);
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
