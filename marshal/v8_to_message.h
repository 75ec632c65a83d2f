#ifndef MARSHAL_V8_TO_MESSAGE_H_
#define MARSHAL_V8_TO_MESSAGE_H_

#include "include/cef_v8.h"
#include "include/cef_values.h"

// Arrays and objects may be nested this many levels deep in a value that is
// converted (the outermost array or object is level 1). Deeper values, and so
// values that contain themselves, are refused with "The specified argument is
// nested too deeply!". The renderer's stack holds this depth with room to
// spare, also in sanitizer builds.
const int kMaxNestingDepth = 1000;

// Write the message form of the JavaScript |value| at |index| of |list| or
// under |key| of |dictionary|: arrays become lists (element by index), other
// objects dictionaries (property by key), undefined and null become null, and
// every number the framework reports as double stays a double. Returns false,
// with the reason in |exception| and nothing written, when the value or
// anything inside it cannot be passed. A nested list or dictionary is attached
// only once it is complete.
bool V8ValueToListEntry(CefRefPtr<CefV8Value> value,
                        CefRefPtr<CefListValue> list,
                        int index,
                        CefString& exception);
bool V8ValueToDictionaryEntry(CefRefPtr<CefV8Value> value,
                              CefRefPtr<CefDictionaryValue> dictionary,
                              const CefString& key,
                              CefString& exception);

#endif  // MARSHAL_V8_TO_MESSAGE_H_
