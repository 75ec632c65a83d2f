#include "ipc/utf.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace ipc {
namespace {

TEST(UtfTest, ValidTextRoundTrips) {
  const std::u16string samples[] = {
      u"",
      u"plain",
      std::u16string(u"nul\0inside", 10),
      u"\u00e9\u4e2d",
      u"\xD83D\xDE00",  // U+1F600 as a pair
      u"\xFFFF\x0080\x07FF\x0800",
  };
  for (const std::u16string& text : samples) {
    ASSERT_TRUE(IsValidUtf16(text));
    std::string utf8 = Utf16ToUtf8(text);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToUtf16(utf8), text);
  }
  EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
}

TEST(UtfTest, UnpairedSurrogatesBecomeReplacementCharacters) {
  EXPECT_FALSE(IsValidUtf16(u"\xD800"));
  EXPECT_FALSE(IsValidUtf16(u"a\xDC00"));
  EXPECT_FALSE(IsValidUtf16(u"\xDE00\xD83D"));
  EXPECT_EQ(Utf16ToUtf8(u"a\xD800"
                        u"b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(Utf16ToUtf8(u"\xDE00\xD83D"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(UtfTest, MalformedUtf8IsRefusedAndReplaced) {
  const char* bad[] = {
      "\x80",              // stray continuation
      "\xC0\xAF",          // overlong '/'
      "\xE0\x80\xAF",      // overlong
      "\xED\xA0\x80",      // encoded surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xE4\xB8",          // truncated
      "\xFF",
  };
  for (const char* text : bad) {
    EXPECT_FALSE(IsValidUtf8(text)) << text;
    std::u16string converted = Utf8ToUtf16(text);
    EXPECT_NE(converted.find(u'\xFFFD'), std::u16string::npos);
  }
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\xFFFD"
            u"b");
}

// The converters work on blocks of plain text; a character outside ASCII
// (or outside one byte) at any position of any block must still be found.
TEST(UtfTest, BlockScansFindTheFirstWiderCharacterAnywhere) {
  struct Wide {
    std::u16string utf16;
    std::string utf8;
  };
  const Wide wides[] = {
      {u"\u00e9", "\xC3\xA9"},
      {u"\u20ac", "\xE2\x82\xAC"},
      {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
      {u"\xDC00", "\xEF\xBF\xBD"},  // unpaired: replaced
  };
  for (size_t size = 1; size <= 130; ++size) {  // past two 64-byte blocks
    for (size_t at = 0; at < size; ++at) {
      for (const Wide& wide : wides) {
        const std::u16string text = std::u16string(at, u'a') + wide.utf16 +
                                    std::u16string(size - at - 1, u'b');
        const std::string utf8 =
            std::string(at, 'a') + wide.utf8 + std::string(size - at - 1, 'b');
        const auto* units = reinterpret_cast<const uint16_t*>(text.data());
        EXPECT_EQ(unicode::AsciiPrefix(units, text.size()), at);
        EXPECT_EQ(unicode::Latin1Prefix(units, text.size()),
                  wide.utf16[0] < 0x100 ? text.size() : at);
        EXPECT_EQ(unicode::AsciiPrefix(utf8.data(), utf8.size()), at);
        EXPECT_EQ(Utf16ToUtf8(text), utf8) << size << " " << at;
        if (IsValidUtf16(text)) {
          EXPECT_EQ(Utf8ToUtf16(utf8), text) << size << " " << at;
        }
      }
    }
  }
}

// Runs of 128 bytes take a wider scan where the processor has one; a byte
// above 0x7F in any lane of any step, or in the tail after the last step,
// must end the prefix there.
TEST(UtfTest, ByteScanFindsEveryHighByteInWideSteps) {
  for (size_t size : {127u, 128u, 129u, 255u, 256u, 300u, 385u}) {
    for (size_t at = 0; at < size; ++at) {
      for (unsigned char high : {0x80, 0xC3, 0xFF}) {
        std::string text(size, 'q');
        text[at] = static_cast<char>(high);
        ASSERT_EQ(unicode::AsciiPrefix(text.data(), size), at)
            << size << " " << at << " " << int{high};
      }
    }
    EXPECT_EQ(unicode::AsciiPrefix(std::string(size, '\x7F').data(), size),
              size);
  }
}

// Appending scans and copies block by block: what is appended is exactly
// the prefix before the first high byte, wherever that falls, after what the
// destination already held.
TEST(UtfTest, AppendAsciiPrefixStopsAtTheFirstHighByteInAnyBlock) {
  const size_t block = unicode::kAsciiAppendBlock;
  std::string text(2 * block + 10, 'x');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char>('a' + i % 26);
  for (size_t at :
       {size_t{0}, block - 1, block, block + 1, 2 * block + 9, text.size()}) {
    std::string input = text;
    if (at < input.size())
      input[at] = '\xE9';
    std::string as_string = "head";
    std::vector<uint8_t> as_bytes = {1, 2};
    EXPECT_EQ(
        unicode::AppendAsciiPrefix(input.data(), input.size(), &as_string), at);
    EXPECT_EQ(unicode::AppendAsciiPrefix(input.data(), input.size(), &as_bytes),
              at);
    EXPECT_EQ(as_string, "head" + input.substr(0, at));
    ASSERT_EQ(as_bytes.size(), 2 + at);
    EXPECT_TRUE(std::equal(as_bytes.begin() + 2, as_bytes.end(),
                           reinterpret_cast<const uint8_t*>(input.data())));
  }
}

// UTF-16 is narrowed a block at a time; a wider character in a later
// block, or at either edge of one, must still be converted in place.
TEST(UtfTest, NarrowingCrossesBlockEdges) {
  const size_t block = unicode::kNarrowBlock;
  for (size_t at : {block - 1, block, block + 1, 2 * block, 3 * block - 1}) {
    std::u16string text(3 * block, u'z');
    std::string expected(3 * block, 'z');
    text[at] = u'\u20ac';
    expected.replace(at, 1, "\xE2\x82\xAC");
    EXPECT_EQ(Utf16ToUtf8(text), expected) << at;
  }
  EXPECT_EQ(Utf16ToUtf8(std::u16string(2 * block, u'y')),
            std::string(2 * block, 'y'));
}

}  // namespace
}  // namespace ipc
