// The channel's codec as the benchmarks use it, kept to the framework's
// top-level entry points so that the benchmarks do not depend on how the
// codec works inside.
//
// A process message crosses the channel as a frame payload: the renderer
// encodes the messages it sends and decodes the ones delivered to it.
#ifndef BENCH_WIRE_WIRE_PATH_H_
#define BENCH_WIRE_WIRE_PATH_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "include/cef_process_message.h"

namespace kivbench {

using Payload = std::vector<uint8_t>;

// The payload of |message| sent by the page of |browser_id| to the browser
// process, from the message's containers.
bool EncodeOutgoing(int browser_id,
                    CefRefPtr<CefProcessMessage> message,
                    Payload* payload,
                    std::string* error);

// The payload of |message| delivered by the browser process to a page of
// |browser_id|, and its decoding, as the renderer does it, into the name and
// the argument containers of the message that its handler receives.
bool EncodeIncoming(int browser_id,
                    CefRefPtr<CefProcessMessage> message,
                    Payload* payload,
                    std::string* error);
bool DecodeIncoming(const Payload& payload,
                    std::string* name,
                    CefRefPtr<CefListValue>* arguments,
                    std::string* error);

// The codec alone, without the containers: prepares the browser side's wire
// form of |message| (a tree of its own) and returns a function that encodes it
// as an outgoing payload and decodes that payload again, true when both worked.
// |payload_size| is the size of the payload.
std::function<bool()> CodecRoundTrip(CefRefPtr<CefProcessMessage> message,
                                     size_t* payload_size,
                                     std::string* error);

}  // namespace kivbench

#endif  // BENCH_WIRE_WIRE_PATH_H_
