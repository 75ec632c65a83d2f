// UTF-8 / UTF-16 / UTF-32 transcoding used by the cef_string_* functions and
// by the value containers (which store strings as UTF-8).
//
// Invalid input never stops a conversion: every ill-formed sequence (a
// maximal subpart of UTF-8, an unpaired surrogate, a code point beyond
// U+10FFFF) becomes U+FFFD and the result reports the input as invalid.

#ifndef CEF_SRC_BASE_UTF_CONVERSION_H_
#define CEF_SRC_BASE_UTF_CONVERSION_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "include/internal/cef_string_types.h"

namespace cef_base {

using String16 = std::basic_string<char16>;

// Each returns true when the whole input was well-formed.
bool Utf8ToUtf16(const char* src, size_t len, String16* out);
bool Utf16ToUtf8(const char16* src, size_t len, std::string* out);
bool WideToUtf8(const wchar_t* src, size_t len, std::string* out);
bool Utf8ToWide(const char* src, size_t len, std::wstring* out);
bool WideToUtf16(const wchar_t* src, size_t len, String16* out);
bool Utf16ToWide(const char16* src, size_t len, std::wstring* out);

// Convenience forms for std::string / String16 arguments.
String16 Utf8ToUtf16(const std::string& utf8);
std::string Utf16ToUtf8(const String16& utf16);

}  // namespace cef_base

#endif  // CEF_SRC_BASE_UTF_CONVERSION_H_
