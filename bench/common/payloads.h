// The payloads the benchmarks move, as message values.
#ifndef BENCH_COMMON_PAYLOADS_H_
#define BENCH_COMMON_PAYLOADS_H_

#include <string>

#include "include/cef_values.h"

namespace kivbench {

// The value of makeItems(n) (payload_script.h) as message values: id an
// int, price a double.
CefRefPtr<CefListValue> MakeItemsList(int count);

// A string of |length| characters.
CefString MakeLongString(size_t length);

// A new list whose entry 0 is |value| (the form CopyListEntry reads).
CefRefPtr<CefListValue> WrapInList(CefRefPtr<CefListValue> value);
CefRefPtr<CefListValue> WrapStringInList(const CefString& value);

}  // namespace kivbench

#endif  // BENCH_COMMON_PAYLOADS_H_
