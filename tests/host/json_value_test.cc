#include "host/json_value.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "gtest/gtest.h"
#include "host/json_parse.h"
#include "ipc/value_codec.h"

namespace kivhost {
namespace {

using ipc::WireValue;

WireValue FromText(const std::string& text) {
  WireValue value;
  std::string error;
  EXPECT_TRUE(JsonToValue(Json::parse(text), &value, &error)) << error;
  return value;
}

std::string ErrorFor(const std::string& text) {
  WireValue value = WireValue::Int(77);
  std::string error;
  EXPECT_FALSE(JsonToValue(Json::parse(text), &value, &error)) << text;
  EXPECT_EQ(value, WireValue::Int(77)) << "no partial result";
  return error;
}

TEST(JsonValueTest, EveryKindHasAnExactTextForm) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    WireValue value;
    const char* text;
  } cases[] = {
      {WireValue::Null(), "null"},
      {WireValue::Bool(false), "false"},
      {WireValue::Int(5), "5"},
      {WireValue::Int(std::numeric_limits<int32_t>::min()), "-2147483648"},
      {WireValue::Double(5.0), "5.0"},
      {WireValue::Double(-0.0), "-0.0"},
      {WireValue::Double(0.1), "0.1"},
      {WireValue::Double(1e300), "1e+300"},
      {WireValue::Double(std::nan("")), "{\"$double\":\"NaN\"}"},
      {WireValue::Double(inf), "{\"$double\":\"Infinity\"}"},
      {WireValue::Double(-inf), "{\"$double\":\"-Infinity\"}"},
      {WireValue::String(u"caf\u00e9"), "\"caf\xc3\xa9\""},
      {WireValue::String(std::u16string(u"a\0b", 3)), "\"a\\u0000b\""},
      {WireValue::String(u"x\xD800"), "{\"$utf16\":[120,55296]}"},
      {WireValue::Binary({0, 1, 0xff}), "{\"$binary\":\"AAH/\"}"},
      {WireValue::Binary({}), "{\"$binary\":\"\"}"},
      {WireValue::List({WireValue::Int(1), WireValue::List({})}), "[1,[]]"},
      {WireValue::Dictionary(
           {{u"z", WireValue::Int(1)}, {u"a", WireValue::Null()}}),
       "{\"z\":1,\"a\":null}"},
      {WireValue::Dictionary({{u"$binary", WireValue::Int(1)},
                              {u"k\xDC00", WireValue::Bool(true)}}),
       "{\"$dict\":[[\"$binary\",1],[{\"$utf16\":[107,56320]},true]]}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ValueToJsonText(c.value), c.text);
    WireValue back = FromText(c.text);
    EXPECT_EQ(back, c.value) << c.text;
  }
}

// The text is written as the value is walked; it must stay the compact
// dump of the tree form for containers in every combination.
TEST(JsonValueTest, TextOfNestedContainersIsTheTreeFormsDump) {
  const WireValue plain = WireValue::Dictionary(
      {{u"l", WireValue::List({WireValue::Double(0.5), WireValue::Null()})},
       {u"e", WireValue::Dictionary({})}});
  const WireValue tagged = WireValue::Dictionary(
      {{u"$k", WireValue::List({plain, WireValue::String(u"\xD800")})}});
  // Not made by the decoder, which refuses it; the tree form keeps the first
  // place and the last value.
  const WireValue repeated = WireValue::Dictionary(
      {{u"a", WireValue::Int(1)}, {u"b", plain}, {u"a", WireValue::Int(2)}});
  const WireValue values[] = {
      WireValue::List({}),
      WireValue::List({plain, tagged, WireValue::List({WireValue::List({})})}),
      WireValue::Dictionary({{u"x", tagged}, {u"y", repeated}}),
      repeated,
  };
  for (const WireValue& value : values)
    EXPECT_EQ(ValueToJsonText(value), ValueToJson(value).dump());
  EXPECT_EQ(ValueToJsonText(repeated),
            "{\"a\":2,\"b\":{\"l\":[0.5,null],\"e\":{}}}");
}

TEST(JsonValueTest, InputAlternatives) {
  EXPECT_EQ(FromText("5e0"), WireValue::Double(5.0));
  EXPECT_EQ(FromText("{\"$double\": 3}"), WireValue::Double(3.0));
  EXPECT_EQ(FromText("{\"$utf16\": []}"), WireValue::String(u""));
  EXPECT_EQ(FromText("\"\\ud83d\\ude00\""), WireValue::String(u"\U0001F600"));
  EXPECT_EQ(FromText("{\"$dict\": []}"), WireValue::Dictionary({}));
  EXPECT_EQ(FromText("{}"), WireValue::Dictionary({}));
}

// Escapes of unpaired surrogates, which JSON.stringify writes, give the
// exact code units wherever a string may stand: values, keys of a plain
// object and keys of a $dict.
TEST(JsonValueTest, EscapedUnpairedSurrogatesKeepTheirCodeUnits) {
  WireValue value;
  std::string error;
  ASSERT_TRUE(
      JsonToValue(ParseJson(R"(["a\ud800", {"\udc00": 1},)"
                            R"( {"$dict": [["\ud800", 2], ["\udbff", 3]]}])"),
                  &value, &error))
      << error;
  EXPECT_EQ(value,
            WireValue::List(
                {WireValue::String(u"a\xD800"),
                 WireValue::Dictionary({{u"\xDC00", WireValue::Int(1)}}),
                 WireValue::Dictionary({{u"\xD800", WireValue::Int(2)},
                                        {u"\xDBFF", WireValue::Int(3)}})}));
}

TEST(JsonValueTest, BadInputIsNamed) {
  EXPECT_NE(ErrorFor("2147483648").find("32-bit"), std::string::npos);
  EXPECT_NE(ErrorFor("-2147483649").find("32-bit"), std::string::npos);
  EXPECT_NE(ErrorFor("[1, {\"a\": [9999999999]}]").find("\"/1/a/0\""),
            std::string::npos);
  EXPECT_NE(ErrorFor("{\"$nope\": 1}").find("unknown tag"), std::string::npos);
  EXPECT_NE(ErrorFor("{\"$binary\": \"AA\", \"x\": 1}").find("mixes"),
            std::string::npos);
  EXPECT_NE(ErrorFor("{\"$binary\": \"A*==\"}").find("base64"),
            std::string::npos);
  EXPECT_NE(ErrorFor("{\"$double\": \"nan\"}").find("NaN"), std::string::npos);
  EXPECT_NE(ErrorFor("{\"$utf16\": [65536]}").find("code unit"),
            std::string::npos);
  EXPECT_NE(ErrorFor("{\"$dict\": [[\"a\", 1], [\"a\", 2]]}").find("repeats"),
            std::string::npos);
  EXPECT_NE(ErrorFor("{\"$dict\": [[\"a\"]]}").find("pair"), std::string::npos);
  std::string deep(101, '[');
  deep += std::string(101, ']');
  EXPECT_NE(ErrorFor(deep).find("deeper"), std::string::npos);
}

// The size check runs on the JSON before any value is built: a value whose
// encoding would pass the frame limit by one byte is refused, one that
// reaches it exactly is not.
TEST(JsonValueTest, AValueTooLargeForAFrameIsRefused) {
  Json value = Json::parse(R"([null, true, 5, 0.5, "\u00e9", {"k": [[]]},
      {"$binary": "AAE="}, {"$utf16": [233]}, {"$dict": [["$k", -1]]},
      {"$double": "NaN"}])");
  WireValue small;
  std::string error;
  ASSERT_TRUE(JsonToValue(value, &small, &error)) << error;
  std::vector<uint8_t> encoded;
  ASSERT_TRUE(ipc::EncodeValue(small, &encoded, &error)) << error;
  // A one-byte-form string adds its tag, its count and a byte per unit.
  value.push_back(std::string(ipc::kMaxFrameSize - encoded.size() - 5, 'x'));
  WireValue full;
  EXPECT_TRUE(JsonToValue(value, &full, &error)) << error;
  value.back().get_ref<std::string&>().push_back('x');
  WireValue over = WireValue::Int(77);
  error.clear();
  EXPECT_FALSE(JsonToValue(value, &over, &error));
  EXPECT_NE(error.find("frame limit"), std::string::npos) << error;
  EXPECT_EQ(over, WireValue::Int(77));
}

TEST(JsonValueTest, Base64) {
  for (size_t size = 0; size < 10; ++size) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < size; ++i)
      bytes.push_back(static_cast<uint8_t>(i * 37 + 200));
    std::vector<uint8_t> back;
    ASSERT_TRUE(Base64Decode(Base64Encode(bytes), &back));
    EXPECT_EQ(back, bytes);
  }
  EXPECT_EQ(Base64Encode({'M', 'a', 'n'}), "TWFu");
  std::vector<uint8_t> out;
  EXPECT_FALSE(Base64Decode("TWF", &out));
  EXPECT_FALSE(Base64Decode("T=Fu", &out));
  EXPECT_FALSE(Base64Decode("TW=u", &out));
  EXPECT_FALSE(Base64Decode("TWFu====", &out));
}

}  // namespace
}  // namespace kivhost
