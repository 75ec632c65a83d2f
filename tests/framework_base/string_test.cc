// CefString and the cef_string_* functions: conversions, comparison and the
// string list.

#include <limits>
#include <map>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "include/internal/cef_string.h"
#include "include/internal/cef_string_list.h"

namespace {

std::vector<char16> Units(const CefString& s) {
  return std::vector<char16>(s.c_str(), s.c_str() + s.length());
}

TEST(StringTest, Utf8ConversionsKeepNonBmpCharacters) {
  // "aé€😀" : 1-, 2-, 3- and 4-byte UTF-8 sequences.
  const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  CefString s(utf8);
  EXPECT_EQ((std::vector<char16>{'a', 0x00E9, 0x20AC, 0xD83D, 0xDE00}),
            Units(s));
  EXPECT_EQ(utf8, s.ToString());
  EXPECT_EQ(utf8, std::string(s));
  // Wide strings are UTF-32 here.
  const std::wstring wide = s.ToWString();
  ASSERT_EQ(4u, wide.size());
  EXPECT_EQ(0x1F600, static_cast<int>(wide[3]));
  CefString from_wide(wide);
  EXPECT_EQ(0, s.compare(from_wide));
  CefString from_wchar(L"\U0001F600");
  EXPECT_EQ((std::vector<char16>{0xD83D, 0xDE00}), Units(from_wchar));
}

TEST(StringTest, InvalidInputBecomesReplacementCharacters) {
  // A stray continuation byte, a truncated sequence, an overlong form and an
  // encoded surrogate.
  CefString s(
      std::string("a\x80"
                  "b\xE2\x82"
                  "c\xC0\xAF"
                  "d\xED\xA0\x80"));
  const std::vector<char16> units = Units(s);
  EXPECT_EQ('a', units.front());
  EXPECT_EQ('d', units[units.size() - 4]);
  for (char16 unit : units)
    EXPECT_TRUE(unit < 0xD800 || unit > 0xDFFF) << unit;
  EXPECT_EQ(0xFFFD, units[1]);

  cef_string_utf16_t out = {};
  EXPECT_EQ(0, cef_string_utf8_to_utf16("x\xFF", 2, &out));
  ASSERT_EQ(2u, out.length);
  EXPECT_EQ(0xFFFD, out.str[1]);
  cef_string_utf16_clear(&out);
  EXPECT_EQ(nullptr, out.str);
  EXPECT_EQ(1, cef_string_utf8_to_utf16("ok", 2, &out));
  cef_string_utf16_clear(&out);
}

TEST(StringTest, UnpairedSurrogatesArePreservedInUtf16) {
  const char16 units[] = {0xDC00, 'x', 0xD800};  // lone low, lone high
  CefString s(units, 3, true);
  CefString copy(s);
  CefString assigned;
  assigned = s;
  EXPECT_EQ(std::vector<char16>(units, units + 3), Units(copy));
  EXPECT_EQ(std::vector<char16>(units, units + 3), Units(assigned));
  EXPECT_TRUE(s == copy);
  // Converting to UTF-8 replaces them, and reports the input as invalid.
  EXPECT_EQ("\xEF\xBF\xBDx\xEF\xBF\xBD", s.ToString());
  cef_string_utf8_t out = {};
  EXPECT_EQ(0, cef_string_utf16_to_utf8(units, 3, &out));
  cef_string_utf8_clear(&out);
}

TEST(StringTest, EmptyStringsStayNullAndCompareEqual) {
  CefString null_string;
  CefString from_empty_literal("");
  CefString from_empty_std((std::string()));
  CefString copy_of_empty(null_string);
  EXPECT_EQ(nullptr, from_empty_literal.GetStruct());
  EXPECT_EQ(nullptr, from_empty_std.c_str());
  EXPECT_EQ(nullptr, copy_of_empty.GetStruct());
  EXPECT_EQ(nullptr, CefString(static_cast<const char*>(NULL)).c_str());
  EXPECT_TRUE(null_string.empty());

  // A string cleared to zero length equals a NULL one.
  CefString cleared("abc");
  cleared.clear();
  EXPECT_NE(nullptr, cleared.GetStruct());
  EXPECT_TRUE(cleared.empty());
  EXPECT_TRUE(cleared == null_string);
  EXPECT_EQ(0, cleared.compare(from_empty_literal));
  EXPECT_TRUE(null_string < CefString("a"));
  EXPECT_TRUE(CefString("a") > null_string);
  EXPECT_EQ("", null_string.ToString());

  // Both lengths zero: equal whatever the pointers.
  char16 buffer[] = {'z'};
  cef_string_utf16_t a = {buffer, 0, NULL};
  cef_string_utf16_t b = {NULL, 0, NULL};
  EXPECT_EQ(0, cef_string_utf16_cmp(&a, &b));
}

TEST(StringTest, ComparisonIsByUnsignedCodeUnit) {
  EXPECT_LT(CefString("B").compare(CefString("a")), 0);  // case-sensitive
  EXPECT_EQ(-1, CefString("ab").compare(CefString("abc")));
  EXPECT_EQ(1, CefString("abd").compare(CefString("abc")));
  EXPECT_EQ(0, CefString("abc").compare(CefString("abc")));

  const char16 pair[] = {0xD83D, 0xDE00};  // U+1F600
  const char16 private_use[] = {0xE000};
  const char16 high_unit[] = {0xFFFF};
  CefString emoji(pair, 2, true);
  CefString pua(private_use, 1, true);
  CefString top(high_unit, 1, true);
  // By code unit, surrogates (0xD8xx) sort before U+E000..U+FFFF.
  EXPECT_TRUE(emoji < pua);
  EXPECT_TRUE(pua < top);
  EXPECT_TRUE(CefString("z") < emoji);  // unsigned, not sign-extended
  EXPECT_TRUE(emoji != pua);
  EXPECT_TRUE(emoji >= emoji);
  EXPECT_TRUE(emoji <= emoji);

  // An embedded NUL does not end the comparison.
  const char16 with_nul_a[] = {'a', 0, 'b'};
  const char16 with_nul_c[] = {'a', 0, 'c'};
  EXPECT_TRUE(CefString(with_nul_a, 3, true) < CefString(with_nul_c, 3, true));

  std::map<CefString, int> ordered;
  ordered[pua] = 3;
  ordered[emoji] = 2;
  ordered[CefString()] = 0;
  ordered["a"] = 1;
  std::vector<int> order;
  for (const auto& entry : ordered)
    order.push_back(entry.second);
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), order);
  // The empty string and "" are the same key.
  ordered[""] = 9;
  EXPECT_EQ(4u, ordered.size());
  EXPECT_EQ(9, ordered[CefString()]);
}

TEST(StringTest, ReferencingAndAttaching) {
  char16 buffer[] = {'h', 'i'};
  CefString referencing(buffer, 2, false);
  EXPECT_EQ(buffer, referencing.c_str());
  buffer[0] = 'H';
  EXPECT_EQ("Hi", referencing.ToString());
  CefString copied(buffer, 2, true);
  EXPECT_NE(buffer, copied.c_str());

  cef_string_t raw = {};
  cef_string_utf16_set(buffer, 2, &raw, 1);
  {
    CefString attached(&raw);  // attaches without owning
    EXPECT_FALSE(attached.IsOwner());
    EXPECT_EQ("Hi", attached.ToString());
  }
  EXPECT_EQ(2u, raw.length);  // still alive after the wrapper is gone
  // Setting from the string's own characters is safe.
  cef_string_utf16_set(raw.str, 1, &raw, 1);
  EXPECT_EQ(1u, raw.length);
  EXPECT_EQ('H', raw.str[0]);
  cef_string_utf16_clear(&raw);

  cef_string_userfree_t userfree = cef_string_userfree_alloc();
  cef_string_utf16_set(buffer, 2, userfree, 1);
  CefString taken;
  taken.AttachToUserFree(userfree);
  EXPECT_EQ("Hi", taken.ToString());
  cef_string_userfree_t back = taken.DetachToUserFree();
  EXPECT_TRUE(taken.empty());
  cef_string_userfree_free(back);
}

TEST(StringTest, ImpossibleLengthsAreRefused) {
  // No buffer can hold these many characters: the call fails and leaves an
  // empty string, without reading, allocating or throwing.
  const char bytes[] = "abc";
  const wchar_t wide[] = L"abc";
  const char16 units[] = {'a', 'b', 'c'};
  const size_t huge = std::numeric_limits<size_t>::max();
  cef_string_utf8_t out8 = {};
  cef_string_utf8_set("x", 1, &out8, 1);
  EXPECT_EQ(0, cef_string_utf8_set(bytes, huge, &out8, 1));
  EXPECT_EQ(nullptr, out8.str);
  EXPECT_EQ(0u, out8.length);
  cef_string_wide_t out_wide = {};
  EXPECT_EQ(0, cef_string_wide_set(wide, huge / 2, &out_wide, 1));
  EXPECT_EQ(0u, out_wide.length);
  cef_string_utf16_t out16 = {};
  EXPECT_EQ(0, cef_string_utf8_to_utf16(bytes, huge, &out16));
  EXPECT_EQ(0u, out16.length);
  EXPECT_EQ(0, cef_string_ascii_to_utf16(bytes, huge / 2, &out16));
  EXPECT_EQ(0, cef_string_wide_to_utf16(wide, huge / 2, &out16));
  EXPECT_EQ(0, cef_string_utf16_to_utf8(units, huge / 3, &out8));
}

TEST(StringTest, AsciiWidening) {
  CefString s;
  EXPECT_TRUE(s.FromASCII("plain"));
  EXPECT_EQ("plain", s.ToString());
  cef_string_utf16_t out = {};
  EXPECT_EQ(1, cef_string_ascii_to_utf16("ab", 2, &out));
  EXPECT_EQ(2u, out.length);
  cef_string_utf16_clear(&out);
}

TEST(StringTest, StringList) {
  cef_string_list_t list = cef_string_list_alloc();
  EXPECT_EQ(0, cef_string_list_size(list));
  CefString first("one");
  const char16 lone[] = {0xD800};
  CefString second(lone, 1, true);
  cef_string_list_append(list, first.GetStruct());
  cef_string_list_append(list, second.GetStruct());
  EXPECT_EQ(2, cef_string_list_size(list));

  CefString value;
  EXPECT_EQ(1, cef_string_list_value(list, 1, value.GetWritableStruct()));
  EXPECT_EQ(std::vector<char16>{0xD800}, Units(value));
  EXPECT_EQ(0, cef_string_list_value(list, 2, value.GetWritableStruct()));
  EXPECT_EQ(0, cef_string_list_value(list, -1, value.GetWritableStruct()));

  cef_string_list_t copy = cef_string_list_copy(list);
  cef_string_list_clear(list);
  EXPECT_EQ(0, cef_string_list_size(list));
  EXPECT_EQ(2, cef_string_list_size(copy));
  EXPECT_EQ(1, cef_string_list_value(copy, 0, value.GetWritableStruct()));
  EXPECT_EQ("one", value.ToString());
  cef_string_list_free(list);
  cef_string_list_free(copy);
}

}  // namespace
