// The JSON lines of driver mode's events (format in docs/kivhost.md).

#ifndef HOST_DRIVER_EVENTS_H_
#define HOST_DRIVER_EVENTS_H_

#include "host/json_value.h"
#include "host/renderer_host.h"

namespace kivhost {

// The fields of an "exit" event, also the reply fields of "shutdown" and
// "close": "code" or "signal" and "signal_name", then "reason".
Json ExitFields(const ProcessExited& exited);

// The event line for |event|; false for what has no line of its own (a clean
// end of the channel, which the exit event tells, script results and sync
// replies, which belong to replies).
bool EventToJson(const HostEvent& event, Json* line);

}  // namespace kivhost

#endif  // HOST_DRIVER_EVENTS_H_
