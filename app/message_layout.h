#ifndef APP_MESSAGE_LAYOUT_H_
#define APP_MESSAGE_LAYOUT_H_

// The messages exchanged with the browser process, and where each entry sits
// in their argument lists. The dispatch of received messages and the query
// builder both read their positions from here.
namespace message_layout {

// Process message names, turned into framework strings where they are used.
const char kQueryMessageName[] = "kiv_jsapi";
const char kEventMessageName[] = "kiv_callback";

// Start-up list (extra_info of OnRenderThreadCreated).
const int kCallbackNamesIndex = 0;  // List of the event names pages may use.
const int kQueryNamesIndex = 1;     // List of the query names pages may use.

// Query, renderer to browser: "kiv_jsapi" (request id, name, [args]).
const int kQueryRequestIdIndex = 0;
const int kQueryNameIndex = 1;
const int kQueryArgsIndex = 2;
const int kQueryMessageSize = 3;
// The args entry is a list holding exactly one value.
const int kQueryArgsValueIndex = 0;
const int kQueryArgsListSize = 1;

// Reply, browser to renderer: "kiv_jsapi" (request id, flag, result).
const int kReplyRequestIdIndex = 0;
const int kReplyFlagIndex = 1;
const int kReplyResultIndex = 2;

// Event, browser to renderer: "kiv_callback" (event name, payload).
const int kEventNameIndex = 0;
const int kEventValueIndex = 1;

}  // namespace message_layout

#endif  // APP_MESSAGE_LAYOUT_H_
