// Conversion between the framework's value containers and the wire codec's
// value tree, for process messages and the start-up list that cross the
// channel.
#ifndef CEF_SRC_PROCESS_VALUE_CONVERT_H_
#define CEF_SRC_PROCESS_VALUE_CONVERT_H_

#include <string>

#include "include/cef_process_message.h"
#include "include/cef_values.h"
#include "ipc/wire_value.h"

namespace cef_process {

// Reads a list into a wire list, under its tree's lock: changes made by other
// threads meanwhile land wholly before or after. Fails (|error| set, |out|
// untouched) for a NULL or invalid list and for nesting deeper than the wire
// allows.
bool ListToWire(CefRefPtr<CefListValue> list,
                ipc::WireValue* out,
                std::string* error);

// Builds a new writable list from a wire list (|wire| must be a list). The
// framework's storage rules apply: NaN and infinite doubles are stored as
// 0.0, an empty binary (which the framework cannot hold) as null, and a
// dictionary entry with an empty key is dropped. NULL, rather than a list
// cut short, when the framework cannot hold the value (a list beyond its
// list limit).
CefRefPtr<CefListValue> WireToList(const ipc::WireValue& wire);

}  // namespace cef_process

#endif  // CEF_SRC_PROCESS_VALUE_CONVERT_H_
