// The driver's JSON parsing and the JSON form of large dictionaries.

#include "host/json_parse.h"

#include <string>

#include "gtest/gtest.h"

namespace kivhost {
namespace {

using ipc::WireValue;

// What Json::parse makes of |text|, or the text of what it throws.
std::string Reference(const std::string& text) {
  try {
    return Json::parse(text).dump();
  } catch (const Json::exception& e) {
    return std::string("threw: ") + e.what();
  }
}

std::string Parsed(const std::string& text) {
  try {
    return ParseJson(text).dump();
  } catch (const Json::exception& e) {
    return std::string("threw: ") + e.what();
  }
}

TEST(JsonParseTest, SameDocumentsAndErrorsAsJsonParse) {
  const char* texts[] = {
      "null", " true ", "-7", "18446744073709551615", "-9223372036854775808",
      "1.5e3", "-0.0", "\"a\\u00e9\\ud83d\\ude00\"", "[]", "{}",
      "[1, [2, {}], {\"a\": {\"b\": []}}, [[[]]]]", "{\"z\": 1, \"a\": 2}",
      // A repeated key keeps its first place and takes its last value, also
      // when the values are containers.
      "{\"a\": 1, \"b\": 2, \"a\": 3}",
      "{\"a\": {\"x\": 1}, \"b\": [], \"a\": [2, {\"y\": {}}], \"c\": 0}",
      "[{\"k\": 1, \"k\": {\"k\": 2, \"k\": 3}}, {\"k\": 4}]",
      // Malformed input throws the same exception with the same text.
      "", "   ", "[1,", "{\"a\"}", "nul", "[1] x", "{\"a\": 1,}", "[01]",
      "{\"cmd\": \"start\"", "\"\t\"", "1e999",
      // An escaped backslash before "ud800" is no escape of a surrogate.
      "\"\\\\ud800\"", "\"\\\\\\ud83d\\ude00\""};
  for (const char* text : texts)
    EXPECT_EQ(Reference(text), Parsed(text)) << text;
}

// An integer literal beyond 64 bits would become an approximate double, while
// one that fits 64 bits but not 32 is refused where a value is read; it is
// refused as the 64-bit overflow it is. Fractions and exponents stay doubles.
TEST(JsonParseTest, IntegersBeyond64BitsAreRefused) {
  for (const char* text : {"18446744073709551616", "-9223372036854775809",
                           "[1, {\"a\": 123456789012345678901234567890}]"}) {
    const std::string parsed = Parsed(text);
    EXPECT_NE(parsed.find("threw: [json.exception.out_of_range.406] number "
                          "overflow parsing '"),
              std::string::npos)
        << text << " gave " << parsed;
    EXPECT_NE(parsed.find("an integer beyond 64 bits"), std::string::npos)
        << parsed;
  }
  EXPECT_EQ(Parsed("18446744073709551616.0"), "1.8446744073709552e+19");
  EXPECT_EQ(Parsed("1e19"), "1e+19");
  EXPECT_EQ(Parsed("-9223372036854775808"), "-9223372036854775808");
}

// Escapes of unpaired surrogates, as JSON.stringify writes them, give the
// exact code units; everything else in the text is read as before, and
// errors elsewhere keep their places.
TEST(JsonParseTest, UnpairedSurrogateEscapesKeepTheirCodeUnits) {
  Json json = ParseJson(
      "{\"k\\udc00\": [\"a\\ud800b\", \"\\uDBFF\", \"\\ud83d\\ude00\","
      " \"\\ud800\\ud800\\udc00\\n\", \"\\udfff\\ud800\"], \"plain\": "
      "\"\\u00e9\"}");
  ASSERT_TRUE(json.is_object());
  EXPECT_EQ(std::u16string(u"k\xdc00"), JsonStringToUtf16(json.begin().key()));
  const Json& list = json.begin().value();
  ASSERT_EQ(5u, list.size());
  const std::u16string expected[] = {
      u"a\xd800"
      u"b",
      u"\xdbff", u"\U0001F600", u"\xd800\U00010000\n", u"\xdfff\xd800"};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(expected[i], JsonStringToUtf16(list[i].get<std::string>())) << i;
  }
  EXPECT_EQ("\xc3\xa9", json["plain"]) << "other strings are untouched";
  // In the value form the string carries the code units exactly.
  WireValue value;
  std::string error;
  ASSERT_TRUE(JsonToValue(json, &value, &error)) << error;
  EXPECT_EQ(u"k\xdc00", value.dictionary_value()[0].first);
  EXPECT_EQ(
      u"a\xd800"
      u"b",
      value.dictionary_value()[0].second.list_value()[0].string_value());
  // An error after such an escape is the one Json::parse gives with a
  // replacement character in its place.
  EXPECT_EQ(Reference("[\"\\uFFFD\", 01]"), Parsed("[\"\\ud800\", 01]"));
  EXPECT_EQ(Reference("{\"\\uFFFD\" 1}"), Parsed("{\"\\udc00\" 1}"));
}

TEST(JsonParseTest, DeepInputDoesNotExhaustTheStack) {
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  EXPECT_TRUE(ParseJson(deep).is_array());
  // Discarding walks every item of a deep and wide document, objects too.
  std::string mixed;
  for (int i = 0; i < 100000; ++i)
    mixed += i % 2 ? "{\"k\": 1, \"v\": " : "[1, [], {}, ";
  mixed += "2";
  for (int i = 100000 - 1; i >= 0; --i)
    mixed += i % 2 ? "}" : "]";
  Json document = ParseJson(mixed);
  DiscardJson(&document);
  EXPECT_TRUE(document.is_null());
}

TEST(JsonValueScaleTest, RepeatedKeysInAValueKeepTheirFirstPlace) {
  WireValue value = WireValue::Dictionary({{u"a", WireValue::Int(1)},
                                           {u"b", WireValue::Int(2)},
                                           {u"a", WireValue::Int(3)}});
  EXPECT_EQ("{\"a\":3,\"b\":2}", ValueToJsonText(value));
}

// A million keys each way: the driver reads such a message from its input
// and writes it when a renderer sends it. Key lookups on every insertion made
// this take hours; it must be linear.
TEST(JsonValueScaleTest, AMillionKeysConvertInBothDirections) {
  const int kKeys = 1000000;
  std::string text = "{";
  for (int i = 0; i < kKeys; ++i) {
    if (i > 0)
      text += ',';
    text += "\"k" + std::to_string(i) + "\":" + std::to_string(i);
  }
  text += '}';

  Json json = ParseJson(text);
  ASSERT_EQ(static_cast<size_t>(kKeys), json.size());
  WireValue value;
  std::string error;
  ASSERT_TRUE(JsonToValue(json, &value, &error)) << error;
  ASSERT_EQ(static_cast<size_t>(kKeys), value.dictionary_value().size());
  EXPECT_EQ(u"k999999", value.dictionary_value().back().first);
  EXPECT_EQ(text, ValueToJsonText(value));
}

}  // namespace
}  // namespace kivhost
