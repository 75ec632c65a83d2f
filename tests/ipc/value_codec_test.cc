#include "ipc/value_codec.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "gtest/gtest.h"
#include "ipc/framing.h"

namespace ipc {
namespace {

std::vector<uint8_t> Encode(const WireValue& value) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(EncodeValue(value, &bytes, &error)) << error;
  return bytes;
}

// Decodes a whole buffer; false if the decoder refuses it or leaves bytes.
bool DecodeAll(const std::vector<uint8_t>& bytes,
               WireValue* out,
               std::string* error = nullptr) {
  WireReader reader(bytes.data(), bytes.size());
  bool decoded = DecodeValue(&reader, out);
  if (error)
    *error = reader.error();
  return decoded && reader.AtEnd();
}

uint64_t Bits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

double FromBits(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

WireValue Nested(int depth) {
  WireValue value = WireValue::Int(7);
  for (int i = 1; i < depth; ++i)
    value = WireValue::List({value});
  return value;
}

WireValue Sample() {
  return WireValue::Dictionary({
      {u"z", WireValue::Int(1)},
      {u"a", WireValue::List({WireValue::Null(), WireValue::Bool(true),
                              WireValue::Double(-0.0),
                              WireValue::String(u"x\xD800y")})},
      {u"bin", WireValue::Binary({0, 1, 255})},
      {u"", WireValue::Dictionary({})},
  });
}

TEST(ValueCodecTest, EveryKindRoundTripsExactly) {
  const double kNaNWithPayload = FromBits(0x7ff80000deadbeefull);
  std::u16string all_units;
  for (uint32_t unit = 0; unit <= 0xffff; unit += 0x3f)
    all_units.push_back(static_cast<char16_t>(unit));
  WireValue::Blob all_bytes;
  for (int byte = 0; byte < 256; ++byte)
    all_bytes.push_back(static_cast<uint8_t>(byte));

  const std::vector<WireValue> values = {
      WireValue::Null(),
      WireValue::Bool(false),
      WireValue::Bool(true),
      WireValue::Int(0),
      WireValue::Int(-1),
      WireValue::Int(std::numeric_limits<int32_t>::min()),
      WireValue::Int(std::numeric_limits<int32_t>::max()),
      WireValue::Double(0.0),
      WireValue::Double(-0.0),
      WireValue::Double(1.5),
      WireValue::Double(std::numeric_limits<double>::denorm_min()),
      WireValue::Double(std::numeric_limits<double>::infinity()),
      WireValue::Double(-std::numeric_limits<double>::infinity()),
      WireValue::Double(std::numeric_limits<double>::quiet_NaN()),
      WireValue::Double(kNaNWithPayload),
      WireValue::String(u""),
      WireValue::String(std::u16string(u"a\0b", 3)),
      WireValue::String(u"\xD800"),           // lone high surrogate
      WireValue::String(u"\xDC00\xD800"),     // reversed pair
      WireValue::String(u"\xD83D\xDE00 ok"),  // a real pair
      WireValue::String(all_units),
      WireValue::Binary({}),
      WireValue::Binary(all_bytes),
      WireValue::List({}),
      WireValue::Dictionary({}),
      Sample(),
      WireValue::List({Sample(), Sample()}),
  };
  for (const WireValue& value : values) {
    WireValue decoded;
    std::string error;
    ASSERT_TRUE(DecodeAll(Encode(value), &decoded, &error))
        << value.DebugString() << ": " << error;
    EXPECT_EQ(value, decoded);
    if (value.is_double()) {
      EXPECT_EQ(Bits(value.double_value()), Bits(decoded.double_value()));
    }
  }
}

TEST(ValueCodecTest, KindsStayDistinct) {
  // Values that a lossy encoding would merge.
  const std::vector<WireValue> distinct = {
      WireValue::Null(),         WireValue::Int(0),
      WireValue::Double(0.0),    WireValue::Double(-0.0),
      WireValue::Bool(false),    WireValue::String(u""),
      WireValue::Binary({}),     WireValue::List({}),
      WireValue::Dictionary({}), WireValue::List({WireValue::Null()}),
  };
  for (size_t i = 0; i < distinct.size(); ++i) {
    for (size_t j = 0; j < distinct.size(); ++j) {
      WireValue decoded;
      ASSERT_TRUE(DecodeAll(Encode(distinct[i]), &decoded));
      EXPECT_EQ(i == j, decoded == distinct[j])
          << distinct[i].DebugString() << " vs " << distinct[j].DebugString();
    }
  }
}

TEST(ValueCodecTest, LayoutIsTheDocumentedOne) {
  EXPECT_EQ(Encode(WireValue::Null()), (std::vector<uint8_t>{1}));
  EXPECT_EQ(Encode(WireValue::Bool(true)), (std::vector<uint8_t>{2, 1}));
  EXPECT_EQ(Encode(WireValue::Int(-2)),
            (std::vector<uint8_t>{3, 0xfe, 0xff, 0xff, 0xff}));
  EXPECT_EQ(Encode(WireValue::Double(1.0)),
            (std::vector<uint8_t>{4, 0, 0, 0, 0, 0, 0, 0xf0, 0x3f}));
  // Text that fits one byte per unit travels that way; other text as UTF-16.
  EXPECT_EQ(Encode(WireValue::String(u"A\xE9")),
            (std::vector<uint8_t>{5, 2, 0, 0, 0x80, 0x41, 0xe9}));
  EXPECT_EQ(Encode(WireValue::String(u"")),
            (std::vector<uint8_t>{5, 0, 0, 0, 0x80}));
  EXPECT_EQ(Encode(WireValue::String(u"A\xD800")),
            (std::vector<uint8_t>{5, 2, 0, 0, 0, 0x41, 0, 0x00, 0xd8}));
  EXPECT_EQ(Encode(WireValue::Binary({9})),
            (std::vector<uint8_t>{6, 1, 0, 0, 0, 9}));
  EXPECT_EQ(Encode(WireValue::Dictionary({{u"k", WireValue::Null()}})),
            (std::vector<uint8_t>{7, 1, 0, 0, 0, 1, 0, 0, 0x80, 0x6b, 1}));
  EXPECT_EQ(Encode(WireValue::List({WireValue::Null(), WireValue::Null()})),
            (std::vector<uint8_t>{8, 2, 0, 0, 0, 1, 1}));
}

TEST(ValueCodecTest, DepthIsBoundedOnBothSides) {
  WireValue decoded;
  EXPECT_TRUE(DecodeAll(Encode(Nested(kMaxValueDepth)), &decoded));
  EXPECT_EQ(decoded.Depth(), kMaxValueDepth);

  std::vector<uint8_t> bytes = {0xaa};
  std::string error;
  EXPECT_FALSE(EncodeValue(Nested(kMaxValueDepth + 1), &bytes, &error));
  EXPECT_EQ(bytes, std::vector<uint8_t>{0xaa}) << "nothing appended";
  EXPECT_NE(error.find("deeper"), std::string::npos) << error;

  // A hand-made stream of 100000 nested one-entry lists must be refused
  // without exhausting the stack.
  std::vector<uint8_t> deep;
  for (int i = 0; i < 100000; ++i)
    deep.insert(deep.end(), {8, 1, 0, 0, 0});
  deep.push_back(1);
  EXPECT_FALSE(DecodeAll(deep, &decoded, &error));
  EXPECT_NE(error.find("deeper"), std::string::npos) << error;
}

TEST(ValueCodecTest, EveryTruncationIsRefusedWithoutPartialResult) {
  const std::vector<uint8_t> whole = Encode(WireValue::List({Sample()}));
  for (size_t length = 0; length < whole.size(); ++length) {
    std::vector<uint8_t> prefix(whole.begin(), whole.begin() + length);
    WireValue out = WireValue::String(u"untouched");
    WireReader reader(prefix.data(), prefix.size());
    EXPECT_FALSE(DecodeValue(&reader, &out)) << "prefix of " << length;
    EXPECT_FALSE(reader.ok());
    EXPECT_EQ(out, WireValue::String(u"untouched"));
  }
}

TEST(ValueCodecTest, LyingLengthsAndBadBytesAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* error_part;
  };
  const Case cases[] = {
      {"list count far beyond the bytes",
       {8, 0xff, 0xff, 0xff, 0xff, 1},
       "exceeds"},
      {"list count one too many", {8, 3, 0, 0, 0, 1, 1}, "exceeds"},
      {"dictionary count beyond the bytes",
       {7, 2, 0, 0, 0, 1, 0, 0, 0x80, 0x6b, 1},
       "exceeds"},
      {"one-byte string length beyond the bytes",
       {5, 3, 0, 0, 0x80, 0x41, 0x42},
       "exceeds"},
      {"two-byte form for one-byte text",
       {5, 2, 0, 0, 0, 0x41, 0, 0xe9, 0},
       "fits the one-byte form"},
      {"string length beyond the bytes",
       {5, 0xe8, 3, 0, 0, 0x41, 0},
       "exceeds"},
      {"odd string bytes", {5, 1, 0, 0, 0, 0x41}, "exceeds"},
      {"binary length beyond the bytes", {6, 5, 0, 0, 0, 1, 2}, "exceeds"},
      {"tag 0", {0}, "unknown value tag 0"},
      {"tag 9", {9}, "unknown value tag 9"},
      {"boolean byte 2", {2, 2}, "bad boolean"},
      {"empty input", {}, "truncated"},
      {"repeated key",
       {7, 2, 0, 0,    0,    1, 0, 0, 0x80, 0x6b, 1,
        1, 0, 0, 0x80, 0x6b, 3, 1, 0, 0,    0},
       "repeats a key"},
  };
  for (const Case& c : cases) {
    WireValue out;
    std::string error;
    EXPECT_FALSE(DecodeAll(c.bytes, &out, &error)) << c.what;
    EXPECT_NE(error.find(c.error_part), std::string::npos)
        << c.what << ": " << error;
    EXPECT_TRUE(out.is_null()) << c.what;
  }
}

// A frame may be well formed and still carry a list the framework cannot
// hold; it must be refused, never delivered cut short.
TEST(ValueCodecTest, ListsBeyondTheListLimitAreRefused) {
  std::vector<uint8_t> bytes = {8, 0, 0, 0, 0};
  auto set_count = [&bytes](uint32_t count) {
    StoreLittleEndian(count, bytes.data() + 1);
  };
  bytes.resize(5 + kMaxListItems + 1, 1);  // nulls
  set_count(kMaxListItems + 1);
  WireValue out;
  std::string error;
  EXPECT_FALSE(DecodeAll(bytes, &out, &error));
  EXPECT_NE(error.find("exceeds the limit"), std::string::npos) << error;
  EXPECT_TRUE(out.is_null());

  bytes.pop_back();
  set_count(kMaxListItems);
  ASSERT_TRUE(DecodeAll(bytes, &out, &error)) << error;
  EXPECT_EQ(out.list_value().size(), kMaxListItems);
}

TEST(ValueCodecTest, TextAndBytesBeyondAFrameAreRefusedBeforeTheyAreCopied) {
  const size_t too_long = kMaxFrameSize + 1;
  const WireValue values[] = {
      WireValue::String(std::u16string(too_long, u'x')),
      WireValue::Binary(std::vector<uint8_t>(too_long, 1)),
      // The second string no longer fits after the first.
      WireValue::List(
          {WireValue::String(std::u16string(too_long / 3, u'x')),
           WireValue::String(std::u16string(too_long - too_long / 3, u'y'))}),
  };
  for (const WireValue& value : values) {
    SCOPED_TRACE(static_cast<int>(value.type()));
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(EncodeValue(value, &bytes, &error));
    EXPECT_NE(error.find("frame limit"), std::string::npos) << error;
    EXPECT_TRUE(bytes.empty());
    // The text or bytes that could not fit were never copied in.
    EXPECT_LT(bytes.capacity(), too_long);
  }
}

TEST(ValueCodecTest, DecodingStopsAtTheEndOfOneValue) {
  std::vector<uint8_t> two = Encode(WireValue::Int(1));
  std::vector<uint8_t> second = Encode(WireValue::String(u"s"));
  two.insert(two.end(), second.begin(), second.end());
  WireReader reader(two.data(), two.size());
  WireValue first, next;
  ASSERT_TRUE(DecodeValue(&reader, &first));
  EXPECT_FALSE(reader.AtEnd());
  ASSERT_TRUE(DecodeValue(&reader, &next));
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(first, WireValue::Int(1));
  EXPECT_EQ(next, WireValue::String(u"s"));
}

TEST(WireValueTest, EqualityIsExact) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(WireValue::Double(nan), WireValue::Double(nan));
  EXPECT_NE(WireValue::Double(0.0), WireValue::Double(-0.0));
  EXPECT_NE(WireValue::Int(1), WireValue::Double(1.0));
  EXPECT_NE(WireValue::Dictionary(
                {{u"a", WireValue::Null()}, {u"b", WireValue::Null()}}),
            WireValue::Dictionary(
                {{u"b", WireValue::Null()}, {u"a", WireValue::Null()}}));
  EXPECT_NE(WireValue::String(u"a"),
            WireValue::String(std::u16string(u"a\0", 2)));
}

TEST(WireValueTest, TypedReadersFallBackOnMismatch) {
  WireValue text = WireValue::String(u"5");
  EXPECT_EQ(text.int_value(), 0);
  EXPECT_EQ(text.double_value(), 0.0);
  EXPECT_FALSE(text.bool_value());
  EXPECT_TRUE(text.list_value().empty());
  EXPECT_EQ(WireValue::Int(3).string_value(), u"");
  EXPECT_EQ(Sample().Find(u"z")->int_value(), 1);
  EXPECT_EQ(Sample().Find(u"missing"), nullptr);
  EXPECT_EQ(text.Find(u"z"), nullptr);
}

}  // namespace
}  // namespace ipc
