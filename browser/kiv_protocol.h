#ifndef BROWSER_KIV_PROTOCOL_H_
#define BROWSER_KIV_PROTOCOL_H_

// The bridge's messages as the browser process sees them, and where each
// entry sits in their argument lists.
namespace kiv_protocol {

const char kQueryMessageName[] = "kiv_jsapi";
const char kEventMessageName[] = "kiv_callback";

// Start-up list (extra_info of OnRenderProcessThreadCreated).
const int kEventNamesIndex = 0;
const int kQueryNamesIndex = 1;

// Query, renderer to browser: "kiv_jsapi" (request id, name, [argument]).
const int kQueryRequestIdIndex = 0;
const int kQueryNameIndex = 1;
const int kQueryArgsIndex = 2;
const int kQueryMessageSize = 3;
const int kQueryArgsListSize = 1;

// Reply, browser to renderer: "kiv_jsapi" (request id, flag, result).
const int kReplyRequestIdIndex = 0;
const int kReplyFlagIndex = 1;
const int kReplyResultIndex = 2;
const int kReplyMessageSize = 3;

// Event, browser to renderer: "kiv_callback" (event name, payload).
const int kEventNameIndex = 0;
const int kEventPayloadIndex = 1;
const int kEventMessageSize = 2;

}  // namespace kiv_protocol

#endif  // BROWSER_KIV_PROTOCOL_H_
