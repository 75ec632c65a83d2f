#include "base/utf_conversion.h"

namespace cef_base {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsValidCodePoint(uint32_t cp) {
  return cp < 0xD800 || (cp >= 0xE000 && cp <= 0x10FFFF);
}

// Reads one code point from |src| at |*i| and advances |*i| past it. On an
// ill-formed sequence returns false and advances past its maximal subpart
// (at least one byte), so that each such subpart yields one U+FFFD.
bool ReadUtf8(const unsigned char* src, size_t len, size_t* i, uint32_t* cp) {
  const unsigned char lead = src[*i];
  ++*i;
  if (lead < 0x80) {
    *cp = lead;
    return true;
  }
  size_t trail_count;
  uint32_t value;
  unsigned char lower = 0x80;
  unsigned char upper = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail_count = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail_count = 2;
    value = lead & 0x0F;
    if (lead == 0xE0)
      lower = 0xA0;  // no overlong forms
    else if (lead == 0xED)
      upper = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail_count = 3;
    value = lead & 0x07;
    if (lead == 0xF0)
      lower = 0x90;  // no overlong forms
    else if (lead == 0xF4)
      upper = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return false;  // a stray continuation byte or an impossible lead byte
  }
  for (size_t n = 0; n < trail_count; ++n) {
    if (*i >= len)
      return false;
    const unsigned char c = src[*i];
    if (c < lower || c > upper)
      return false;  // the offending byte starts the next sequence
    lower = 0x80;
    upper = 0xBF;
    value = (value << 6) | (c & 0x3F);
    ++*i;
  }
  *cp = value;
  return true;
}

bool ReadUtf16(const char16* src, size_t len, size_t* i, uint32_t* cp) {
  const uint32_t unit = static_cast<uint16_t>(src[*i]);
  ++*i;
  if (unit < 0xD800 || unit > 0xDFFF) {
    *cp = unit;
    return true;
  }
  if (unit <= 0xDBFF && *i < len) {
    const uint32_t next = static_cast<uint16_t>(src[*i]);
    if (next >= 0xDC00 && next <= 0xDFFF) {
      ++*i;
      *cp = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
      return true;
    }
  }
  return false;  // an unpaired surrogate
}

bool ReadWide(const wchar_t* src, size_t len, size_t* i, uint32_t* cp) {
#if defined(WCHAR_T_IS_UTF32)
  const uint32_t value = static_cast<uint32_t>(src[*i]);
  ++*i;
  *cp = value;
  return IsValidCodePoint(value);
#else
  return ReadUtf16(reinterpret_cast<const char16*>(src), len, i, cp);
#endif
}

void AppendUtf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendUtf16(uint32_t cp, String16* out) {
  if (cp < 0x10000) {
    out->push_back(static_cast<char16>(cp));
  } else {
    cp -= 0x10000;
    out->push_back(static_cast<char16>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<char16>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendWide(uint32_t cp, std::wstring* out) {
#if defined(WCHAR_T_IS_UTF32)
  out->push_back(static_cast<wchar_t>(cp));
#else
  String16 units;
  AppendUtf16(cp, &units);
  for (char16 unit : units)
    out->push_back(static_cast<wchar_t>(unit));
#endif
}

template <typename Char, typename Reader, typename Out, typename Writer>
bool Convert(const Char* src, size_t len, Reader read, Out* out, Writer write) {
  out->clear();
  if (!src)
    return true;
  out->reserve(len);
  bool valid = true;
  size_t i = 0;
  while (i < len) {
    uint32_t cp = 0;
    if (read(src, len, &i, &cp)) {
      write(cp, out);
    } else {
      write(kReplacement, out);
      valid = false;
    }
  }
  return valid;
}

bool ReadUtf8Chars(const char* src, size_t len, size_t* i, uint32_t* cp) {
  return ReadUtf8(reinterpret_cast<const unsigned char*>(src), len, i, cp);
}

}  // namespace

bool Utf8ToUtf16(const char* src, size_t len, String16* out) {
  return Convert(src, len, ReadUtf8Chars, out, AppendUtf16);
}

bool Utf16ToUtf8(const char16* src, size_t len, std::string* out) {
  return Convert(src, len, ReadUtf16, out, AppendUtf8);
}

bool WideToUtf8(const wchar_t* src, size_t len, std::string* out) {
  return Convert(src, len, ReadWide, out, AppendUtf8);
}

bool Utf8ToWide(const char* src, size_t len, std::wstring* out) {
  return Convert(src, len, ReadUtf8Chars, out, AppendWide);
}

bool WideToUtf16(const wchar_t* src, size_t len, String16* out) {
  return Convert(src, len, ReadWide, out, AppendUtf16);
}

bool Utf16ToWide(const char16* src, size_t len, std::wstring* out) {
  return Convert(src, len, ReadUtf16, out, AppendWide);
}

String16 Utf8ToUtf16(const std::string& utf8) {
  String16 out;
  Utf8ToUtf16(utf8.data(), utf8.size(), &out);
  return out;
}

std::string Utf16ToUtf8(const String16& utf16) {
  std::string out;
  Utf16ToUtf8(utf16.data(), utf16.size(), &out);
  return out;
}

}  // namespace cef_base
