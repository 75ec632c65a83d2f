// Conversions between CefString (UTF-16) and the UTF-8 that the value
// containers store, each in one pass with no intermediate copy.

#ifndef CEF_SRC_BASE_STRING_CONVERSION_H_
#define CEF_SRC_BASE_STRING_CONVERSION_H_

#include <string>

#include "include/internal/cef_string.h"

namespace cef_base {

// UTF-8 of |text|; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const CefString& text);

// A CefString holding |utf8| as UTF-16, converted straight into the
// string's own buffer. An empty |utf8| gives an empty (NULL) string.
CefString FromUtf8(const std::string& utf8);
// The same into |out|, replacing what it held; no CefString copy (CefString
// has no move, so returning one into a container copies its text).
void FromUtf8(const std::string& utf8, CefString* out);

}  // namespace cef_base

#endif  // CEF_SRC_BASE_STRING_CONVERSION_H_
