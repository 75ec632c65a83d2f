// The layout of every record, written once and used in both directions:
// Fields(io, record) names the record's fields in wire order, and the
// FieldWriter and FieldReader below turn that list into an encoder and a
// decoder. The value fields go through ValueCodec<V>, so the same layouts
// serve the browser side's WireValue and the renderer's own containers.

#ifndef FRAMEWORK_SRC_IPC_RECORD_CODEC_H_
#define FRAMEWORK_SRC_IPC_RECORD_CODEC_H_

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "ipc/framing.h"
#include "ipc/messages.h"
#include "ipc/value_codec.h"
#include "ipc/wire_buffer.h"

namespace ipc {

// How a value model crosses the wire. Every value field of a record is a
// list. A specialisation provides:
//   static bool Encode(const V& list, WireWriter* writer, std::string* error);
//   static bool DecodeList(WireReader* reader, V* out, const char* field);
// DecodeList fails |reader| (with a reason naming |field| when the value is
// not a list) and may leave |out| partly filled; the record is then dropped.
template <typename V>
struct ValueCodec;

template <>
struct ValueCodec<WireValue> {
  static bool Encode(const WireValue& list,
                     WireWriter* writer,
                     std::string* error);
  static bool DecodeList(WireReader* reader, WireValue* out, const char* field);
};

// Type bytes: requests 0x01.., events 0x41.., so a record sent the wrong way
// is refused. A variant's alternatives are numbered from its first byte.
constexpr uint8_t kFirstRequestType = 0x01;
constexpr uint8_t kFirstEventType = 0x41;

// The one description of each record.
template <typename IO, typename V>
void Fields(IO& io, StartRenderThreadOf<V>& r) {
  io.List(r.extra_info, "extra info");
}
template <typename IO>
void Fields(IO& io, CreateBrowser& r) {
  io(r.browser_id);
}
template <typename IO>
void Fields(IO& io, LoadFrame& r) {
  io(r.browser_id);
  io(r.frame_id);
  io(r.is_main);
  io(r.name);
  io(r.url);
  io(r.script);
}
template <typename IO>
void Fields(IO& io, ExecuteScript& r) {
  io(r.request_id);
  io(r.browser_id);
  io(r.frame_id);
  io(r.code);
}
template <typename IO, typename V>
void Fields(IO& io, DeliverMessageOf<V>& r) {
  io(r.browser_id);
  io(r.name);
  io.List(r.arguments, "message arguments");
}
template <typename IO>
void Fields(IO& io, ReleaseContext& r) {
  io(r.browser_id);
  io(r.frame_id);
}
template <typename IO>
void Fields(IO& io, DestroyBrowser& r) {
  io(r.browser_id);
}
template <typename IO>
void Fields(IO& io, Shutdown& r) {
  io(r.exit_code);
}
template <typename IO>
void Fields(IO& io, Sync& r) {
  io(r.token);
}
template <typename IO, typename V>
void Fields(IO& io, ProcessMessageSentOf<V>& r) {
  io(r.browser_id);
  io(r.name);
  io.List(r.arguments, "message arguments");
}
template <typename IO>
void Fields(IO& io, ConsoleMessage& r) {
  io(r.browser_id);
  io(r.frame_id);
  io(r.level);
  io(r.text);
}
template <typename IO>
void Fields(IO& io, UncaughtException& r) {
  io(r.browser_id);
  io(r.frame_id);
  io(r.message);
  io(r.line);
}
template <typename IO>
void Fields(IO& io, ScriptResult& r) {
  io(r.request_id);
  io(r.ok);
  io(r.json);
  io(r.exception);
  io(r.line);
}
template <typename IO>
void Fields(IO& io, RequestFailed& r) {
  io(r.request_type);
  io(r.reason);
}
template <typename IO>
void Fields(IO& io, SyncReply& r) {
  io(r.token);
  io(r.idle);
}

// Encoding: appends each field.
class FieldWriter {
 public:
  explicit FieldWriter(std::vector<uint8_t>* out) : out_(out), writer_(out) {}

  void operator()(uint8_t value) { writer_.WriteU8(value); }
  void operator()(bool value) { writer_.WriteBool(value); }
  void operator()(int32_t value) { writer_.WriteI32(value); }
  void operator()(int64_t value) { writer_.WriteI64(value); }
  void operator()(ConsoleLevel value) {
    writer_.WriteU8(static_cast<uint8_t>(value));
  }
  void operator()(const std::string& text) { writer_.WriteString8(text); }
  void operator()(const std::u16string& text) { writer_.WriteString16(text); }
  template <typename V>
  void List(const V& value, const char* field) {
    if (ok_)
      ok_ = ValueCodec<V>::Encode(value, &writer_, &error_);
  }

  // Checks the frame limit; on failure clears the payload.
  bool Finish(std::string* error);
  WireWriter& writer() { return writer_; }

 private:
  std::vector<uint8_t>* out_;
  WireWriter writer_;
  bool ok_ = true;
  std::string error_;
};

// Decoding: reads each field through the sticky-failure reader.
class FieldReader {
 public:
  explicit FieldReader(WireReader* reader) : reader_(reader) {}

  void operator()(uint8_t& value) { reader_->ReadU8(&value); }
  void operator()(bool& value) { reader_->ReadBool(&value); }
  void operator()(int32_t& value) { reader_->ReadI32(&value); }
  void operator()(int64_t& value) { reader_->ReadI64(&value); }
  void operator()(ConsoleLevel& value);
  void operator()(std::string& text) { reader_->ReadString8(&text); }
  void operator()(std::u16string& text) { reader_->ReadString16(&text); }
  template <typename V>
  void List(V& value, const char* field) {
    if (reader_->ok())
      ValueCodec<V>::DecodeList(reader_, &value, field);
  }

 private:
  WireReader* reader_;
};

// Encodes one record of any value model, type byte first.
template <typename Record>
bool EncodeRecord(uint8_t type,
                  const Record& record,
                  std::vector<uint8_t>* payload,
                  std::string* error) {
  payload->clear();
  FieldWriter io(payload);
  io(type);
  // The writer only reads the fields it is handed.
  Fields(io, const_cast<Record&>(record));
  return io.Finish(error);
}

template <typename Variant, size_t... I>
bool EncodeVariant(uint8_t first_type,
                   const Variant& record,
                   std::vector<uint8_t>* payload,
                   std::string* error,
                   std::index_sequence<I...>) {
  bool ok = false;
  const bool matched =
      ((record.index() == I
            ? (ok = EncodeRecord(static_cast<uint8_t>(first_type + I),
                                 std::get<I>(record), payload, error),
               true)
            : false) ||
       ...);
  (void)matched;
  return ok;
}

// Decodes the record of alternative I of |Variant| from what follows its
// type byte; leaves |out| untouched on failure.
template <typename Variant, size_t I>
bool DecodeAlternative(WireReader* reader, Variant* out, std::string* error) {
  std::variant_alternative_t<I, Variant> record;
  FieldReader io(reader);
  Fields(io, record);
  if (reader->ok() && !reader->AtEnd())
    reader->Fail(std::to_string(reader->remaining()) +
                 " trailing bytes after the record");
  if (!reader->ok()) {
    *error = reader->error();
    return false;
  }
  out->template emplace<I>(std::move(record));
  return true;
}

template <typename Variant, size_t... I>
bool DecodeVariant(uint8_t first_type,
                   const char* kind,
                   const uint8_t* payload,
                   size_t size,
                   Variant* out,
                   std::string* error,
                   std::index_sequence<I...>) {
  WireReader reader(payload, size);
  uint8_t type;
  if (!reader.ReadU8(&type)) {
    *error = "empty frame";
    return false;
  }
  bool ok = false;
  const bool known =
      ((type == first_type + I
            ? (ok = DecodeAlternative<Variant, I>(&reader, out, error), true)
            : false) ||
       ...);
  if (!known)
    *error = std::string("unknown ") + kind + " type " + std::to_string(type);
  return ok;
}

template <typename V>
bool EncodeRequestOf(const RequestOf<V>& request,
                     std::vector<uint8_t>* payload,
                     std::string* error) {
  return EncodeVariant(
      kFirstRequestType, request, payload, error,
      std::make_index_sequence<std::variant_size_v<RequestOf<V>>>());
}

template <typename V>
bool EncodeEventOf(const EventOf<V>& event,
                   std::vector<uint8_t>* payload,
                   std::string* error) {
  return EncodeVariant(
      kFirstEventType, event, payload, error,
      std::make_index_sequence<std::variant_size_v<EventOf<V>>>());
}

template <typename V>
bool DecodeRequestOf(const uint8_t* payload,
                     size_t size,
                     RequestOf<V>* out,
                     std::string* error) {
  return DecodeVariant(
      kFirstRequestType, "request", payload, size, out, error,
      std::make_index_sequence<std::variant_size_v<RequestOf<V>>>());
}

template <typename V>
bool DecodeEventOf(const uint8_t* payload,
                   size_t size,
                   EventOf<V>* out,
                   std::string* error) {
  return DecodeVariant(
      kFirstEventType, "event", payload, size, out, error,
      std::make_index_sequence<std::variant_size_v<EventOf<V>>>());
}

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_RECORD_CODEC_H_
