// The renderer's side of the codec: the framework's containers straight to
// and from the wire, checked against the browser side's exact WireValue.

#include "process/list_codec.h"

#include <cmath>
#include <string>
#include <vector>

#include "base/value_scope.h"
#include "gtest/gtest.h"
#include "include/cef_values.h"
#include "ipc/record_codec.h"
#include "unicode/utf.h"

namespace ipc {
namespace {

using cef_process::ListToSend;
using cef_process::ReceivedList;

// What the browser side reads from a message the renderer sends.
WireValue Sent(CefRefPtr<CefListValue> list) {
  ProcessMessageSentOf<ListToSend> event;
  event.browser_id = 1;
  event.name = "m";
  event.arguments.list = list;
  std::vector<uint8_t> payload;
  std::string error;
  EXPECT_TRUE(EncodeRecord(kFirstEventType, event, &payload, &error)) << error;
  Event decoded;
  EXPECT_TRUE(DecodeEvent(payload, &decoded, &error)) << error;
  return std::get<ProcessMessageSent>(decoded).arguments;
}

// What the renderer's handler sees of a list the browser side sends.
CefRefPtr<CefListValue> Received(const WireValue& arguments) {
  std::vector<uint8_t> payload;
  std::string error;
  EXPECT_TRUE(
      EncodeRequest(DeliverMessage{1, "m", arguments}, &payload, &error))
      << error;
  RequestOf<ReceivedList> request;
  EXPECT_TRUE(DecodeRequestOf(payload.data(), payload.size(), &request, &error))
      << error;
  return cef_base::AdoptList(std::move(
      std::get<DeliverMessageOf<ReceivedList>>(request).arguments.root));
}

TEST(ListCodecTest, EveryKindTheFrameworkHoldsIsSentExactly) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetNull(0);
  list->SetBool(1, true);
  list->SetInt(2, -7);
  list->SetDouble(3, -0.0);
  list->SetString(4, "caf\xC3\xA9");                   // one-byte form
  list->SetString(5, "\xE2\x82\xAC\xF0\x9F\x98\x80");  // two-byte form
  const unsigned char bytes[] = {0, 255};
  list->SetBinary(6, CefBinaryValue::Create(bytes, sizeof bytes));
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetInt("z", 1);
  dict->SetList("a", CefListValue::Create());
  dict->SetString("\xC3\xBC", "");
  list->SetDictionary(7, dict);
  list->SetString(8, "");

  const WireValue expected = WireValue::List({
      WireValue::Null(),
      WireValue::Bool(true),
      WireValue::Int(-7),
      WireValue::Double(-0.0),
      WireValue::String(u"caf\u00e9"),
      WireValue::String(u"\u20ac\xD83D\xDE00"),
      WireValue::Binary({0, 255}),
      // Keys in the framework's order (UTF-8 bytes).
      WireValue::Dictionary({{u"a", WireValue::List({})},
                             {u"z", WireValue::Int(1)},
                             {u"\u00fc", WireValue::String(u"")}}),
      WireValue::String(u""),
  });
  EXPECT_EQ(Sent(list), expected);
}

// Long text is scanned and copied in blocks on both sides; a character
// beyond ASCII in any block, or at a block's edge, still picks the form and
// the bytes of the whole string.
TEST(ListCodecTest, LongTextCrossesEveryBlockEdgeIntact) {
  const size_t block = unicode::kAsciiAppendBlock;
  struct Wide {
    const char* utf8;
    std::u16string utf16;
  };
  const Wide wides[] = {{"\xC3\xA9", u"\u00e9"}, {"\xE2\x82\xAC", u"\u20ac"}};
  for (const Wide& wide : wides) {
    for (size_t at : {size_t{0}, block - 1, block, 2 * block + 3}) {
      std::string utf8(2 * block + 4, 'k');
      std::u16string utf16(utf8.size(), u'k');
      utf8.replace(at, 1, wide.utf8);
      utf16[at] = wide.utf16[0];

      CefRefPtr<CefListValue> list = CefListValue::Create();
      list->SetString(0, utf8);
      EXPECT_EQ(Sent(list), WireValue::List({WireValue::String(utf16)})) << at;

      CefRefPtr<CefListValue> received =
          Received(WireValue::List({WireValue::String(utf16)}));
      ASSERT_TRUE(received.get());
      EXPECT_EQ(received->GetString(0).ToString(), utf8) << at;
    }
  }
}

TEST(ListCodecTest, ReceivedValuesFollowTheFrameworksStorageRules) {
  CefRefPtr<CefListValue> list = Received(WireValue::List({
      WireValue::Double(std::nan("")),
      WireValue::Double(-INFINITY),
      WireValue::Int(3),
      WireValue::String(u"a\xD800z"),
      WireValue::String(std::u16string(u"n\0l", 3)),
      WireValue::Binary({}),
      WireValue::Dictionary({{u"", WireValue::Int(1)},
                             {u"k", WireValue::Bool(false)},
                             {u"\u00e9", WireValue::Null()}}),
      WireValue::List({WireValue::List({WireValue::Int(5)})}),
  }));
  ASSERT_TRUE(list.get());
  ASSERT_EQ(list->GetSize(), 8u);
  EXPECT_EQ(list->GetType(0), VTYPE_DOUBLE);
  EXPECT_EQ(list->GetDouble(0), 0.0);
  EXPECT_EQ(list->GetDouble(1), 0.0);
  EXPECT_EQ(list->GetType(2), VTYPE_INT);
  EXPECT_EQ(list->GetString(3).ToString(), "a\xEF\xBF\xBDz");
  EXPECT_EQ(list->GetString(4).length(), 3u) << "embedded NUL kept";
  EXPECT_EQ(list->GetType(5), VTYPE_NULL) << "empty binary";
  CefRefPtr<CefDictionaryValue> dict = list->GetDictionary(6);
  ASSERT_TRUE(dict.get());
  EXPECT_EQ(dict->GetSize(), 2u) << "the empty key is dropped";
  EXPECT_EQ(dict->GetType("k"), VTYPE_BOOL);
  EXPECT_EQ(dict->GetType("\xC3\xA9"), VTYPE_NULL);
  EXPECT_EQ(list->GetList(7)->GetList(0)->GetInt(0), 5);
}

TEST(ListCodecTest, SendingRefusesWhatTheWireCannotCarry) {
  std::vector<uint8_t> payload;
  std::string error;
  ProcessMessageSentOf<ListToSend> event;
  event.name = "m";
  EXPECT_FALSE(EncodeRecord(kFirstEventType, event, &payload, &error))
      << "a NULL list";
  EXPECT_TRUE(payload.empty());

  CefRefPtr<CefListValue> deep = CefListValue::Create();
  for (int level = 1; level < kMaxValueDepth + 1; ++level) {
    CefRefPtr<CefListValue> outer = CefListValue::Create();
    outer->SetList(0, deep);
    deep = outer;
  }
  event.arguments.list = deep;
  EXPECT_FALSE(EncodeRecord(kFirstEventType, event, &payload, &error));
  EXPECT_NE(error.find("deeper"), std::string::npos) << error;

  CefRefPtr<CefListValue> huge = CefListValue::Create();
  const std::string megabyte(1 << 20, 'x');
  for (int i = 0; i < 65; ++i)
    huge->SetString(i, megabyte);
  event.arguments.list = huge;
  EXPECT_FALSE(EncodeRecord(kFirstEventType, event, &payload, &error));
  EXPECT_NE(error.find("frame limit"), std::string::npos) << error;
  EXPECT_TRUE(payload.empty());

  // Text and bytes too long for any frame are refused before they are
  // copied: the payload never grows to hold them.
  const std::string too_long(kMaxFrameSize + 1, 'x');
  CefRefPtr<CefListValue> long_text = CefListValue::Create();
  long_text->SetString(0, too_long);
  CefRefPtr<CefListValue> long_bytes = CefListValue::Create();
  long_bytes->SetBinary(
      0, CefBinaryValue::Create(too_long.data(), too_long.size()));
  for (const auto& list : {long_text, long_bytes}) {
    std::vector<uint8_t> fresh;
    event.arguments.list = list;
    error.clear();
    EXPECT_FALSE(EncodeRecord(kFirstEventType, event, &fresh, &error));
    EXPECT_NE(error.find("frame limit"), std::string::npos) << error;
    EXPECT_LT(fresh.capacity(), too_long.size());
  }

  // Text longer than the frame in UTF-8 still goes when its wire form fits:
  // U+00E9 takes two bytes of UTF-8 and one on the wire.
  const size_t characters = 49 << 20;
  CefRefPtr<CefListValue> latin1 = CefListValue::Create();
  std::string text;
  text.reserve(2 * characters);
  for (size_t i = 0; i < characters; ++i)
    text += "\xC3\xA9";
  latin1->SetString(0, text);
  event.arguments.list = latin1;
  std::vector<uint8_t> fits;
  EXPECT_TRUE(EncodeRecord(kFirstEventType, event, &fits, &error)) << error;
  EXPECT_GT(fits.size(), characters);
  EXPECT_LT(fits.size(), characters + 64);
}

}  // namespace
}  // namespace ipc
