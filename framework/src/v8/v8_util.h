// Conversions between the framework's strings and V8 values.
#ifndef CEF_SRC_V8_V8_UTIL_H_
#define CEF_SRC_V8_V8_UTIL_H_

#include <v8.h>

#include <string>

#include "include/internal/cef_string.h"

namespace cef_renderer {

// A V8 string with exactly the UTF-16 code units of |text| (lone surrogates
// kept). Empty on allocation failure (a string too long for V8).
v8::MaybeLocal<v8::String> NewV8String(v8::Isolate* isolate,
                                       const CefString& text);

// The same for a property name: internalized, as V8 keeps every name it
// looks up, so that the property access that follows finds it at once.
v8::MaybeLocal<v8::String> NewV8PropertyName(v8::Isolate* isolate,
                                             const CefString& name);

// The exact UTF-16 code units of a V8 string.
CefString CefStringFromV8(v8::Isolate* isolate, v8::Local<v8::String> text);
// The same, into |out| (replacing what it held) without a CefString copy.
void CefStringFromV8(v8::Isolate* isolate,
                     v8::Local<v8::String> text,
                     CefString* out);

// The text of any value: ToString, or V8's detail string when ToString
// throws (symbols, objects with a throwing toString). Never throws.
v8::Local<v8::String> TextOf(v8::Isolate* isolate,
                             v8::Local<v8::Context> context,
                             v8::Local<v8::Value> value);

// TextOf as UTF-8 for a report, cut as ReportedText cuts.
std::string DescribeValue(v8::Isolate* isolate,
                          v8::Local<v8::Context> context,
                          v8::Local<v8::Value> value);

// UTF-8 of a V8 string; lone surrogates become U+FFFD.
std::string Utf8FromV8(v8::Isolate* isolate, v8::Local<v8::String> text);

// Appends the UTF-8 of |text| to |out| as far as |out| stays within
// |max_size| bytes, cut at a character boundary. Returns how many bytes of
// it did not fit.
size_t AppendUtf8FromV8(v8::Isolate* isolate,
                        v8::Local<v8::String> text,
                        size_t max_size,
                        std::string* out);

// Ends |out| with a note that |cut| bytes were cut, when any were.
void NoteCutBytes(size_t cut, std::string* out);

// Utf8FromV8 for a console line or error report: cut to
// kMaxReportedTextBytes, with the note.
std::string ReportedText(v8::Isolate* isolate, v8::Local<v8::String> text);

// JSON.stringify of |value|, or "undefined" where JSON has no text for it
// (undefined, functions, symbols). False, with *error set to V8's message,
// when stringifying throws (cycles, BigInt, a throwing toJSON).
bool StringifyAsJson(v8::Isolate* isolate,
                     v8::Local<v8::Context> context,
                     v8::Local<v8::Value> value,
                     std::string* json,
                     std::string* error);

// A Latin-1 rendering of extension source for V8, which reads extension code
// as one-byte text: non-ASCII code units become \uXXXX escapes, which keep
// their meaning in string literals, identifiers and regular expressions.
std::string ExtensionSourceFromCef(const CefString& code);

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_V8_UTIL_H_
