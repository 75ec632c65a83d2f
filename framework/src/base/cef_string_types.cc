// The cef_string_* C functions: set, clear, compare and convert the three
// string structures.

#include <stdint.h>
#include <string.h>
#include <wchar.h>

#include <new>
#include <string>

#include "base/string_conversion.h"
#include "include/internal/cef_string_types.h"
#include "unicode/utf.h"

namespace {

void string_wide_dtor(wchar_t* str) {
  delete[] str;
}
void string_utf8_dtor(char* str) {
  delete[] str;
}
void string_utf16_dtor(char16* str) {
  delete[] str;
}

template <typename Struct>
void ClearString(Struct* str) {
  if (!str)
    return;
  if (str->dtor && str->str)
    str->dtor(str->str);
  str->str = nullptr;
  str->length = 0;
  str->dtor = nullptr;
}

// Whether |length| units of |Unit| can be a real buffer whose conversion
// (at most four bytes per unit) is still countable; longer lengths are
// refused before anything is read or allocated.
template <typename Unit>
bool PlausibleLength(size_t length) {
  return length <= static_cast<size_t>(PTRDIFF_MAX) / 4 / sizeof(Unit);
}

// Sets |output| from |src|. The new characters are copied before the old
// ones are freed, so |src| may point into |output| itself. A copy that
// cannot be made fails with |output| cleared.
template <typename Char, typename Struct>
int SetString(const Char* src,
              size_t src_len,
              Struct* output,
              bool copy,
              void (*dtor)(Char*)) {
  if (!output)
    return 0;
  Struct replacement = {};
  if (src && src_len > 0) {
    if (copy) {
      Char* buffer = PlausibleLength<Char>(src_len) ? new (std::nothrow)
                                                          Char[src_len + 1]
                                                    : nullptr;
      if (!buffer) {
        ClearString(output);
        return 0;
      }
      memcpy(buffer, src, src_len * sizeof(Char));
      buffer[src_len] = 0;
      replacement.str = buffer;
      replacement.dtor = dtor;
    } else {
      replacement.str = const_cast<Char*>(src);
      replacement.dtor = nullptr;
    }
    replacement.length = src_len;
  }
  if (output->dtor && output->str)
    output->dtor(output->str);
  *output = replacement;
  return 1;
}

// Code-unit comparison: the first difference decides (-1 or 1), otherwise
// the shorter string is less. Two empty strings are equal whatever their
// pointers.
template <typename Unit, typename Struct>
int CompareStrings(const Struct* str1, const Struct* str2) {
  const size_t len1 = str1 ? str1->length : 0;
  const size_t len2 = str2 ? str2->length : 0;
  if (len1 == 0 && len2 == 0)
    return 0;
  const size_t common = len1 < len2 ? len1 : len2;
  for (size_t i = 0; i < common; ++i) {
    const Unit a = static_cast<Unit>(str1->str[i]);
    const Unit b = static_cast<Unit>(str2->str[i]);
    if (a != b)
      return a < b ? -1 : 1;
  }
  if (len1 == len2)
    return 0;
  return len1 < len2 ? -1 : 1;
}

// Converts |src_len| units of |src| (none when |src| is NULL) with
// |convert|, which fills a |String| and tells whether the input was
// well-formed, and copies the result into |output| with |set|. A length no
// buffer can have, or a result that cannot be allocated, fails with
// |output| cleared.
template <typename String, typename Unit, typename Struct, typename Convert>
int ConvertInto(
    const Unit* src,
    size_t src_len,
    Struct* output,
    int (*set)(const typename String::value_type*, size_t, Struct*, int),
    Convert convert) {
  if (!output)
    return 0;
  String result;
  bool valid = true;
  bool converted = PlausibleLength<Unit>(src_len);
  if (converted && src) {
    try {
      valid = convert(src, src_len, &result);
    } catch (const std::bad_alloc&) {
      converted = false;
    }
  }
  if (!converted) {
    ClearString(output);
    return 0;
  }
  if (!set(result.data(), result.size(), output, 1))
    return 0;
  return valid ? 1 : 0;
}

// Widens each byte as it is; a byte above 0x7F is not ASCII and, as with
// the framework on signed-char platforms, is sign-extended.
template <typename String>
bool WidenAscii(const char* src, size_t src_len, String* out) {
  out->reserve(src_len);
  for (size_t i = 0; i < src_len; ++i)
    out->push_back(static_cast<typename String::value_type>(src[i]));
  return true;
}

}  // namespace

namespace cef_base {

std::string ToUtf8(const CefString& text) {
  std::string utf8;
  if (text.length() > 0)
    unicode::Utf16ToUtf8(text.c_str(), text.length(), &utf8);
  return utf8;
}

void FromUtf8(const std::string& utf8, CefString* out) {
  out->clear();
  if (utf8.empty())
    return;
  // UTF-16 never needs more units than UTF-8 has bytes.
  char16* buffer = new char16[unicode::MaxUtf16ForUtf8(utf8.size()) + 1];
  const size_t length = unicode::ConvertUtf8ToUtf16(
      utf8.data(), utf8.size(), reinterpret_cast<unicode::Unit16*>(buffer),
      nullptr);
  buffer[length] = 0;
  cef_string_utf16_t* target = out->GetWritableStruct();
  target->str = buffer;
  target->length = length;
  target->dtor = string_utf16_dtor;
}

CefString FromUtf8(const std::string& utf8) {
  CefString result;
  FromUtf8(utf8, &result);
  return result;
}

}  // namespace cef_base

extern "C" {

CEF_EXPORT int cef_string_wide_set(const wchar_t* src,
                                   size_t src_len,
                                   cef_string_wide_t* output,
                                   int copy) {
  return SetString(src, src_len, output, copy != 0, string_wide_dtor);
}

CEF_EXPORT int cef_string_utf8_set(const char* src,
                                   size_t src_len,
                                   cef_string_utf8_t* output,
                                   int copy) {
  return SetString(src, src_len, output, copy != 0, string_utf8_dtor);
}

CEF_EXPORT int cef_string_utf16_set(const char16* src,
                                    size_t src_len,
                                    cef_string_utf16_t* output,
                                    int copy) {
  return SetString(src, src_len, output, copy != 0, string_utf16_dtor);
}

CEF_EXPORT void cef_string_wide_clear(cef_string_wide_t* str) {
  ClearString(str);
}

CEF_EXPORT void cef_string_utf8_clear(cef_string_utf8_t* str) {
  ClearString(str);
}

CEF_EXPORT void cef_string_utf16_clear(cef_string_utf16_t* str) {
  ClearString(str);
}

CEF_EXPORT int cef_string_wide_cmp(const cef_string_wide_t* str1,
                                   const cef_string_wide_t* str2) {
  return CompareStrings<wchar_t>(str1, str2);
}

CEF_EXPORT int cef_string_utf8_cmp(const cef_string_utf8_t* str1,
                                   const cef_string_utf8_t* str2) {
  return CompareStrings<unsigned char>(str1, str2);
}

CEF_EXPORT int cef_string_utf16_cmp(const cef_string_utf16_t* str1,
                                    const cef_string_utf16_t* str2) {
  return CompareStrings<unsigned short>(str1, str2);  // NOLINT(runtime/int)
}

CEF_EXPORT int cef_string_wide_to_utf8(const wchar_t* src,
                                       size_t src_len,
                                       cef_string_utf8_t* output) {
  return ConvertInto<std::string>(src, src_len, output, cef_string_utf8_set,
                                  unicode::WideToUtf8);
}

CEF_EXPORT int cef_string_utf8_to_wide(const char* src,
                                       size_t src_len,
                                       cef_string_wide_t* output) {
  return ConvertInto<std::wstring>(src, src_len, output, cef_string_wide_set,
                                   unicode::Utf8ToWide);
}

CEF_EXPORT int cef_string_wide_to_utf16(const wchar_t* src,
                                        size_t src_len,
                                        cef_string_utf16_t* output) {
  return ConvertInto<std::basic_string<char16>>(
      src, src_len, output, cef_string_utf16_set, unicode::WideToUtf16);
}

CEF_EXPORT int cef_string_utf16_to_wide(const char16* src,
                                        size_t src_len,
                                        cef_string_wide_t* output) {
  return ConvertInto<std::wstring>(src, src_len, output, cef_string_wide_set,
                                   unicode::Utf16ToWide);
}

CEF_EXPORT int cef_string_utf8_to_utf16(const char* src,
                                        size_t src_len,
                                        cef_string_utf16_t* output) {
  return ConvertInto<std::basic_string<char16>>(
      src, src_len, output, cef_string_utf16_set,
      unicode::Utf8ToUtf16<std::basic_string<char16>>);
}

CEF_EXPORT int cef_string_utf16_to_utf8(const char16* src,
                                        size_t src_len,
                                        cef_string_utf8_t* output) {
  return ConvertInto<std::string>(src, src_len, output, cef_string_utf8_set,
                                  unicode::Utf16ToUtf8<char16>);
}

CEF_EXPORT int cef_string_ascii_to_wide(const char* src,
                                        size_t src_len,
                                        cef_string_wide_t* output) {
  return ConvertInto<std::wstring>(src, src_len, output, cef_string_wide_set,
                                   WidenAscii<std::wstring>);
}

CEF_EXPORT int cef_string_ascii_to_utf16(const char* src,
                                         size_t src_len,
                                         cef_string_utf16_t* output) {
  return ConvertInto<std::basic_string<char16>>(
      src, src_len, output, cef_string_utf16_set,
      WidenAscii<std::basic_string<char16>>);
}

CEF_EXPORT cef_string_userfree_wide_t cef_string_userfree_wide_alloc() {
  return new cef_string_wide_t();
}

CEF_EXPORT cef_string_userfree_utf8_t cef_string_userfree_utf8_alloc() {
  return new cef_string_utf8_t();
}

CEF_EXPORT cef_string_userfree_utf16_t cef_string_userfree_utf16_alloc() {
  return new cef_string_utf16_t();
}

CEF_EXPORT void cef_string_userfree_wide_free(cef_string_userfree_wide_t str) {
  ClearString(str);
  delete str;
}

CEF_EXPORT void cef_string_userfree_utf8_free(cef_string_userfree_utf8_t str) {
  ClearString(str);
  delete str;
}

CEF_EXPORT void cef_string_userfree_utf16_free(
    cef_string_userfree_utf16_t str) {
  ClearString(str);
  delete str;
}

}  // extern "C"
