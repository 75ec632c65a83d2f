// Exact comparison of message values, for checking that a benchmark's work
// was done right: same kinds (an int is not a double), same contents.
#ifndef BENCH_COMMON_VALUE_EQUAL_H_
#define BENCH_COMMON_VALUE_EQUAL_H_

#include "include/cef_values.h"

namespace kivbench {

bool SameListEntry(CefRefPtr<CefListValue> a,
                   int a_index,
                   CefRefPtr<CefListValue> b,
                   int b_index);
bool SameList(CefRefPtr<CefListValue> a, CefRefPtr<CefListValue> b);
bool SameDictionary(CefRefPtr<CefDictionaryValue> a,
                    CefRefPtr<CefDictionaryValue> b);

}  // namespace kivbench

#endif  // BENCH_COMMON_VALUE_EQUAL_H_
