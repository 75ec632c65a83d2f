#ifndef MARSHAL_V8_TO_MESSAGE_H_
#define MARSHAL_V8_TO_MESSAGE_H_

#include <cstddef>

#include "include/cef_v8.h"
#include "include/cef_values.h"

// What a converted value may hold. A query message that exceeds any of these
// can never reach the browser process, so the conversion refuses the value as
// soon as it is clear that it would, instead of building it first: a page can
// make a tiny JavaScript value (subtrees shared many times over, getters that
// keep adding elements) convert into gigabytes. The figures are the product's
// own, set to what the framework's channel between the processes carries;
// docs/limits.md lists them with what each side does at each limit.

// Levels of nesting, counting a value that holds nothing nested (a number, a
// string, an empty array or object) as one level and an array of numbers as
// two. The framework's channel carries process messages nested at most 100
// levels counted that way, and a query message wraps the value in two lists
// (its argument list and the one-entry list of query arguments). Deeper
// values, and so values that contain themselves, are refused with "The
// specified argument is nested too deeply!".
const int kMaxNestingDepth = 98;

// Elements of one array: the framework's lists hold at most 2^24 entries.
// A longer array is refused with "The specified argument cannot be passed to
// a query!", also when it grows past the limit while it is converted.
const int kMaxArrayLength = 1 << 24;

// The converted value's size, estimated as it is built. The estimate counts
// the smallest encoding each part can have on the channel (one byte for a
// null, the count of a list, one byte per UTF-16 code unit of a string, ...),
// so it never exceeds the message's real size. The bound is the largest
// message of the real framework's channel (Chromium's IPC takes at most
// 128 MiB), which is what the product ships on: a smaller bound would refuse
// values that real CEF carries. The stand-in's frames are smaller (64 MiB), so
// there a value between the two can still fail to be sent. A larger value is
// refused with "The specified argument cannot be passed to a query!".
const size_t kMaxConvertedSize = 128 * 1024 * 1024;

// Write the message form of the JavaScript |value| at |index| of |list| or
// under |key| of |dictionary|: arrays become lists (element by index), other
// objects dictionaries (property by key), undefined and null become null, and
// every number the framework reports as double stays a double. Returns false,
// with the reason in |exception| and nothing written, when the value or
// anything inside it cannot be passed. A nested list or dictionary is attached
// only once it is complete. A property whose key is empty is dropped, as the
// framework's dictionaries refuse such keys. Refused with "The specified
// argument cannot be passed to a query!": NaN and the infinities, which the
// framework would store as 0, and an object with two keys that it would store
// as one (they differ only in unpaired surrogates, which become U+FFFD).
bool V8ValueToListEntry(CefRefPtr<CefV8Value> value,
                        CefRefPtr<CefListValue> list,
                        int index,
                        CefString& exception);
bool V8ValueToDictionaryEntry(CefRefPtr<CefV8Value> value,
                              CefRefPtr<CefDictionaryValue> dictionary,
                              const CefString& key,
                              CefString& exception);

#endif  // MARSHAL_V8_TO_MESSAGE_H_
