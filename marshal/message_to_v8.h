#ifndef MARSHAL_MESSAGE_TO_V8_H_
#define MARSHAL_MESSAGE_TO_V8_H_

#include "include/cef_v8.h"
#include "include/cef_values.h"

// The JavaScript form of the entry at |index| of |list| or under |key| of
// |dictionary|: lists become arrays, dictionaries plain objects whose
// properties behave like those made by script. An entry with no JavaScript
// counterpart (binary, or nothing there) becomes the string "Invalid message
// value type, please report!" in its place. Call inside the entered context
// that the value is to live in.
CefRefPtr<CefV8Value> ListEntryToV8Value(CefRefPtr<CefListValue> list,
                                         int index);
CefRefPtr<CefV8Value> DictionaryEntryToV8Value(
    CefRefPtr<CefDictionaryValue> dictionary,
    const CefString& key);

#endif  // MARSHAL_MESSAGE_TO_V8_H_
