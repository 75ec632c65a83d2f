#ifndef APP_QUERY_REPLY_H_
#define APP_QUERY_REPLY_H_

#include "include/cef_v8.h"
#include "include/cef_values.h"

// Runs a query's callback with one reply: (flag, result) where the result is
// entry 2 of |reply|, a copy of the reply's argument list. Bound into the task
// that the dispatch posts to |context|'s runner. A context released since the
// reply arrived runs nothing.
void RunQueryCallback(bool flag,
                      CefRefPtr<CefV8Value> callback,
                      CefRefPtr<CefV8Context> context,
                      CefRefPtr<CefListValue> reply);

#endif  // APP_QUERY_REPLY_H_
