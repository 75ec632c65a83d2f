#include "v8/v8_util.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>

#include "v8/render_thread.h"

namespace cef_renderer {

namespace {

v8::MaybeLocal<v8::String> NewV8StringOfType(v8::Isolate* isolate,
                                             const CefString& text,
                                             v8::NewStringType type) {
  if (text.length() == 0)
    return v8::String::Empty(isolate);
  if (text.length() > static_cast<size_t>(v8::String::kMaxLength))
    return v8::MaybeLocal<v8::String>();
  // V8 scans the code units itself and stores text whose units are all below
  // 0x100 as a one-byte string; narrowing it here first would only add a
  // copy.
  return v8::String::NewFromTwoByte(
      isolate, reinterpret_cast<const uint16_t*>(text.c_str()), type,
      static_cast<int>(text.length()));
}

}  // namespace

v8::MaybeLocal<v8::String> NewV8String(v8::Isolate* isolate,
                                       const CefString& text) {
  return NewV8StringOfType(isolate, text, v8::NewStringType::kNormal);
}

v8::MaybeLocal<v8::String> NewV8PropertyName(v8::Isolate* isolate,
                                             const CefString& name) {
  return NewV8StringOfType(isolate, name, v8::NewStringType::kInternalized);
}

namespace {

void DeleteUtf16Buffer(char16* buffer) {
  delete[] buffer;
}

}  // namespace

CefString CefStringFromV8(v8::Isolate* isolate, v8::Local<v8::String> text) {
  CefString result;
  CefStringFromV8(isolate, text, &result);
  return result;
}

void CefStringFromV8(v8::Isolate* isolate,
                     v8::Local<v8::String> text,
                     CefString* out) {
  out->clear();
  const int length = text->Length();
  if (length == 0)
    return;
  // V8 writes straight into the buffer the string then owns: one pass, no
  // intermediate copy.
  static_assert(sizeof(char16) == sizeof(uint16_t), "char16 is 16 bits");
  std::unique_ptr<char16[]> buffer(new char16[static_cast<size_t>(length) + 1]);
  text->Write(isolate, reinterpret_cast<uint16_t*>(buffer.get()), 0, length,
              v8::String::NO_NULL_TERMINATION);
  buffer[static_cast<size_t>(length)] = 0;
  cef_string_utf16_t* target = out->GetWritableStruct();
  target->str = buffer.release();
  target->length = static_cast<size_t>(length);
  target->dtor = &DeleteUtf16Buffer;
}

std::string Utf8FromV8(v8::Isolate* isolate, v8::Local<v8::String> text) {
  const int size = text->Utf8Length(isolate);
  std::string out(static_cast<size_t>(size), '\0');
  if (size > 0) {
    text->WriteUtf8(
        isolate, &out[0], size, nullptr,
        v8::String::NO_NULL_TERMINATION | v8::String::REPLACE_INVALID_UTF8);
  }
  return out;
}

size_t AppendUtf8FromV8(v8::Isolate* isolate,
                        v8::Local<v8::String> text,
                        size_t max_size,
                        std::string* out) {
  const size_t size = static_cast<size_t>(text->Utf8Length(isolate));
  const size_t room = out->size() < max_size ? max_size - out->size() : 0;
  const size_t take = std::min(size, room);
  if (take == 0)
    return size;
  const size_t start = out->size();
  out->resize(start + take);
  // Writes whole characters only, so a cut never splits one.
  const int written = text->WriteUtf8(
      isolate, &(*out)[start], static_cast<int>(take), nullptr,
      v8::String::NO_NULL_TERMINATION | v8::String::REPLACE_INVALID_UTF8);
  out->resize(start + static_cast<size_t>(written));
  return size - static_cast<size_t>(written);
}

void NoteCutBytes(size_t cut, std::string* out) {
  if (cut > 0)
    *out += " [... " + std::to_string(cut) + " more bytes cut]";
}

std::string ReportedText(v8::Isolate* isolate, v8::Local<v8::String> text) {
  std::string out;
  NoteCutBytes(AppendUtf8FromV8(isolate, text, kMaxReportedTextBytes, &out),
               &out);
  return out;
}

v8::Local<v8::String> TextOf(v8::Isolate* isolate,
                             v8::Local<v8::Context> context,
                             v8::Local<v8::Value> value) {
  v8::TryCatch try_catch(isolate);
  v8::Local<v8::String> text;
  if (value->ToString(context).ToLocal(&text))
    return text;
  try_catch.Reset();
  if (value->ToDetailString(context).ToLocal(&text))
    return text;
  return v8::String::Empty(isolate);
}

std::string DescribeValue(v8::Isolate* isolate,
                          v8::Local<v8::Context> context,
                          v8::Local<v8::Value> value) {
  return ReportedText(isolate, TextOf(isolate, context, value));
}

bool StringifyAsJson(v8::Isolate* isolate,
                     v8::Local<v8::Context> context,
                     v8::Local<v8::Value> value,
                     std::string* json,
                     std::string* error) {
  v8::TryCatch try_catch(isolate);
  v8::Local<v8::String> text;
  if (!v8::JSON::Stringify(context, value).ToLocal(&text)) {
    if (error) {
      v8::Local<v8::Message> message = try_catch.Message();
      *error = message.IsEmpty() ? std::string("JSON.stringify failed")
                                 : Utf8FromV8(isolate, message->Get());
    }
    return false;
  }
  // JSON.stringify gives undefined (which Stringify returns as the string
  // "undefined") for values it cannot express.
  *json = Utf8FromV8(isolate, text);
  return true;
}

std::string ExtensionSourceFromCef(const CefString& code) {
  std::string out;
  out.reserve(code.length());
  const char16* units = code.c_str();
  for (size_t i = 0; i < code.length(); ++i) {
    const unsigned unit = units[i];
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\u%04X", unit);
      out.append(escape);
    }
  }
  return out;
}

}  // namespace cef_renderer
