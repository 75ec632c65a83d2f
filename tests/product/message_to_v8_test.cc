// Message values to JavaScript values, checked from the page's side.

#include <string>

#include "marshal/message_to_v8.h"
#include "tests/product/bridge_fixture.h"

namespace {

const char kInvalidType[] = "Invalid message value type, please report!";

class MessageToV8Test : public BridgeTest {
 protected:
  void SetUp() override {
    Start();
    context_ = harness_->GetContext(browser_, frame_);
    ASSERT_TRUE(context_.get());
  }

  // Converts entry |index| of |list| in the page's context, stores it as the
  // page global `v` and returns the JSON of what |probe| evaluates to there.
  std::string Convert(CefRefPtr<CefListValue> list,
                      int index,
                      const std::string& probe = "v") {
    EXPECT_TRUE(context_->Enter());
    CefRefPtr<CefV8Value> value = ListEntryToV8Value(list, index);
    const bool stored =
        value.get() &&
        context_->GetGlobal()->SetValue("v", value, V8_PROPERTY_ATTRIBUTE_NONE);
    context_->Exit();
    if (!stored)
      return "no value";
    return Eval(probe);
  }

  CefRefPtr<CefV8Context> context_;
};

TEST_F(MessageToV8Test, ScalarKinds) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetNull(0);
  list->SetBool(1, false);
  list->SetInt(2, -5);
  list->SetDouble(3, 2.5);
  list->SetString(4, "");
  list->SetString(5, "\xE2\x82\xAC");
  list->SetInt(6, 2147483647);
  EXPECT_EQ("null", Convert(list, 0));
  EXPECT_EQ("false", Convert(list, 1));
  EXPECT_EQ("\"boolean\"", Convert(list, 1, "typeof v"));
  EXPECT_EQ("-5", Convert(list, 2, "v"));
  EXPECT_EQ("2.5", Convert(list, 3, "v"));
  EXPECT_EQ("\"string:0\"", Convert(list, 4, "typeof v + ':' + v.length"));
  EXPECT_EQ("true", Convert(list, 5, "v === '\\u20ac'"));
  EXPECT_EQ("2147483647", Convert(list, 6, "v"));
}

TEST_F(MessageToV8Test, KindsWithoutCounterpartBecomeTheInvalidTypeText) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 1);
  const char bytes[] = {9};
  list->SetBinary(1, CefBinaryValue::Create(bytes, sizeof(bytes)));
  list->SetString(2, "s");
  const std::string quoted = std::string("\"") + kInvalidType + "\"";
  EXPECT_EQ(quoted, Convert(list, 1, "v"));
  // Nothing at the position.
  EXPECT_EQ(quoted, Convert(list, 3, "v"));
  EXPECT_EQ(quoted, Convert(list, -1, "v"));
  // In place inside a container, beside normally converted entries.
  CefRefPtr<CefListValue> outer = CefListValue::Create();
  outer->SetList(0, list);
  EXPECT_EQ(std::string("[1,\"") + kInvalidType + "\",\"s\"]",
            Convert(outer, 0));
}

TEST_F(MessageToV8Test, EmptyContainers) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetList(0, CefListValue::Create());
  list->SetDictionary(1, CefDictionaryValue::Create());
  EXPECT_EQ("\"true:0\"",
            Convert(list, 0, "Array.isArray(v) + ':' + v.length"));
  EXPECT_EQ("\"object:0\"",
            Convert(list, 1, "typeof v + ':' + Object.keys(v).length"));
}

TEST_F(MessageToV8Test, NestedListsAndDictionaries) {
  // {x: [1, 2], y: {z: "deep"}}
  CefRefPtr<CefListValue> x = CefListValue::Create();
  x->SetInt(0, 1);
  x->SetInt(1, 2);
  CefRefPtr<CefDictionaryValue> y = CefDictionaryValue::Create();
  y->SetString("z", "deep");
  CefRefPtr<CefDictionaryValue> top = CefDictionaryValue::Create();
  top->SetList("x", x);
  top->SetDictionary("y", y);
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetDictionary(0, top);
  EXPECT_EQ("{\"x\":[1,2],\"y\":{\"z\":\"deep\"}}", Convert(list, 0));
  EXPECT_EQ("true", Convert(list, 0, "Array.isArray(v.x)"));
  EXPECT_EQ("true",
            Convert(list, 0, "Object.getPrototypeOf(v) === Object.prototype"));

  // |top| moved into |list|; the reference into |list| is copied in.
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  ASSERT_TRUE(dictionary->SetDictionary("top", list->GetDictionary(0)));
  context_->Enter();
  CefRefPtr<CefV8Value> value = DictionaryEntryToV8Value(dictionary, "top");
  CefRefPtr<CefV8Value> missing = DictionaryEntryToV8Value(dictionary, "none");
  context_->Exit();
  ASSERT_TRUE(value.get());
  EXPECT_TRUE(value->IsObject());
  ASSERT_TRUE(missing.get());
  EXPECT_EQ(kInvalidType, missing->GetStringValue().ToString());
}

TEST_F(MessageToV8Test, CreatedPropertiesBehaveLikeScriptProperties) {
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  dictionary->SetInt("a", 1);
  dictionary->SetInt("b", 2);
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetDictionary(0, dictionary);
  EXPECT_EQ("\"true,true,true\"",
            Convert(list, 0,
                    "var d = Object.getOwnPropertyDescriptor(v, 'a');"
                    "[d.writable, d.enumerable, d.configurable].join()"));
  EXPECT_EQ("{\"a\":3}", Eval("v.a = 3; delete v.b; v"));
  // Array elements too.
  CefRefPtr<CefListValue> array = CefListValue::Create();
  array->SetInt(0, 1);
  list->SetList(1, array);
  EXPECT_EQ("[5,6]", Convert(list, 1, "v[0] = 5; v.push(6); v"));
}

TEST_F(MessageToV8Test, LongListKeepsEveryElement) {
  CefRefPtr<CefListValue> values = CefListValue::Create();
  for (int i = 0; i < 1000; ++i)
    values->SetInt(i, i);
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetList(0, values);
  EXPECT_EQ("\"1000:499500\"",
            Convert(list, 0,
                    "v.length + ':' + v.reduce(function(a, b) "
                    "{ return a + b; }, 0)"));
}

}  // namespace
