// The records that cross the channel between the browser side and a
// renderer, and their frame payloads (layout in docs/wire-format.md).
// Requests go from the browser side to the renderer, events back. Each
// payload is a type byte and the record's fields; a decoder accepts a payload
// only if it is whole, well formed and has no trailing bytes.

#ifndef FRAMEWORK_SRC_IPC_MESSAGES_H_
#define FRAMEWORK_SRC_IPC_MESSAGES_H_

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "ipc/wire_value.h"

namespace ipc {

// Text fields are UTF-8; values (WireValue) and script source (UTF-16, as
// JavaScript source may hold unpaired surrogates in string literals) keep
// UTF-16 code units exactly.
//
// The records that carry values are templates over the value model: the
// browser side uses WireValue (the aliases below), the renderer decodes and
// encodes its own containers through the same record layouts
// (ipc/record_codec.h).

// An empty list of value model V: the default of every value field.
template <typename V>
V EmptyList();
template <>
inline WireValue EmptyList<WireValue>() {
  return WireValue::List({});
}

// Requests, browser side to renderer.

// First request of every renderer: the start-up list the renderer hands to
// OnRenderThreadCreated (a list value).
template <typename V>
struct StartRenderThreadOf {
  V extra_info = EmptyList<V>();
};
using StartRenderThread = StartRenderThreadOf<WireValue>;

struct CreateBrowser {
  int32_t browser_id = 0;
};

// Gives a frame a new document: the frame is created on first use, a context
// it still has is released first, then the new context is created and the
// page script (if any) runs in it as a <script> element would.
struct LoadFrame {
  int32_t browser_id = 0;
  int64_t frame_id = 0;
  bool is_main = false;
  std::string name;  // empty for the main frame
  std::string url;
  std::u16string script;
};

// Runs code at global scope in a frame's context; answered by one
// ScriptResult with the same request id.
struct ExecuteScript {
  int32_t request_id = 0;
  int32_t browser_id = 0;
  int64_t frame_id = 0;
  std::u16string code;
};

// A process message for a browser's renderer (a list value as arguments).
template <typename V>
struct DeliverMessageOf {
  int32_t browser_id = 0;
  std::string name;
  V arguments = EmptyList<V>();
};
using DeliverMessage = DeliverMessageOf<WireValue>;

struct ReleaseContext {
  int32_t browser_id = 0;
  int64_t frame_id = 0;
};

struct DestroyBrowser {
  int32_t browser_id = 0;
};

// Ends the renderer; it exits with |exit_code|.
struct Shutdown {
  int32_t exit_code = 0;
};

// A barrier: answered by one SyncReply with the same token once every
// request before it has been carried out, so the browser side knows that
// everything those requests produced has arrived before the reply.
struct Sync {
  int32_t token = 0;
};

template <typename V>
using RequestOf = std::variant<StartRenderThreadOf<V>,
                               CreateBrowser,
                               LoadFrame,
                               ExecuteScript,
                               DeliverMessageOf<V>,
                               ReleaseContext,
                               DestroyBrowser,
                               Shutdown,
                               Sync>;
using Request = RequestOf<WireValue>;

// Events, renderer to browser side.

// A process message a page side sent with SendProcessMessage(PID_BROWSER).
template <typename V>
struct ProcessMessageSentOf {
  int32_t browser_id = 0;
  std::string name;
  V arguments = EmptyList<V>();
};
using ProcessMessageSent = ProcessMessageSentOf<WireValue>;

enum class ConsoleLevel : uint8_t {
  kLog = 0,
  kInfo = 1,
  kWarn = 2,
  kError = 3
};

// console.log/info/warn/error; |text| is the arguments joined by spaces.
struct ConsoleMessage {
  int32_t browser_id = 0;
  int64_t frame_id = 0;
  ConsoleLevel level = ConsoleLevel::kLog;
  std::string text;
};

// A script error V8 reported ("Uncaught Error: boom"); |line| is 1-based,
// 0 when unknown.
struct UncaughtException {
  int32_t browser_id = 0;
  int64_t frame_id = 0;
  std::string message;
  int32_t line = 0;
};

// The outcome of one ExecuteScript: when |ok|, |json| is JSON.stringify of
// the completion value ("undefined" when JSON cannot express it); otherwise
// |exception| is the exception's message and |line| its 1-based line.
struct ScriptResult {
  int32_t request_id = 0;
  bool ok = false;
  std::string json;
  std::string exception;
  int32_t line = 0;
};

// A request the renderer could not carry out (an unknown browser or frame,
// a second start-up request, ...). |request_type| is the request's type byte.
struct RequestFailed {
  uint8_t request_type = 0;
  std::string reason;
};

// The answer to a Sync. |idle|: the render thread had no task queued,
// delayed ones (timers) included, when it answered.
struct SyncReply {
  int32_t token = 0;
  bool idle = false;
};

template <typename V>
using EventOf = std::variant<ProcessMessageSentOf<V>,
                             ConsoleMessage,
                             UncaughtException,
                             ScriptResult,
                             RequestFailed,
                             SyncReply>;
using Event = EventOf<WireValue>;

// Type bytes, exposed for RequestFailed and tests.
template <typename V>
uint8_t RequestTypeByte(const RequestOf<V>& request) {
  return static_cast<uint8_t>(0x01 + request.index());
}
inline uint8_t RequestTypeByte(const Request& request) {
  return RequestTypeByte<WireValue>(request);
}
const char* RequestTypeName(uint8_t type_byte);
const char* ConsoleLevelName(ConsoleLevel level);

// Encoders return false (|error| set, |payload| cleared) only when a value
// cannot be encoded (see EncodeValue) or the payload would exceed
// kMaxFrameSize.
bool EncodeRequest(const Request& request,
                   std::vector<uint8_t>* payload,
                   std::string* error);
bool EncodeEvent(const Event& event,
                 std::vector<uint8_t>* payload,
                 std::string* error);
// The records that carry values, encoded without first copying them into a
// Request or Event.
bool EncodeRequest(const StartRenderThread& request,
                   std::vector<uint8_t>* payload,
                   std::string* error);
bool EncodeRequest(const DeliverMessage& request,
                   std::vector<uint8_t>* payload,
                   std::string* error);
bool EncodeEvent(const ProcessMessageSent& event,
                 std::vector<uint8_t>* payload,
                 std::string* error);

// Decoders return false with |error| set for a malformed payload, and then
// leave |out| untouched.
bool DecodeRequest(const std::vector<uint8_t>& payload,
                   Request* out,
                   std::string* error);
bool DecodeEvent(const std::vector<uint8_t>& payload,
                 Event* out,
                 std::string* error);
bool DecodeRequest(const uint8_t* payload,
                   size_t size,
                   Request* out,
                   std::string* error);
bool DecodeEvent(const uint8_t* payload,
                 size_t size,
                 Event* out,
                 std::string* error);

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_MESSAGES_H_
