#include "ipc/messages.h"

#include <utility>

#include "ipc/framing.h"
#include "ipc/value_codec.h"
#include "ipc/wire_buffer.h"

namespace ipc {

namespace {

// Requests use 0x01.., events 0x41..: a frame sent the wrong way is refused.
enum : uint8_t {
  kStartRenderThread = 0x01,
  kCreateBrowser = 0x02,
  kLoadFrame = 0x03,
  kExecuteScript = 0x04,
  kDeliverMessage = 0x05,
  kReleaseContext = 0x06,
  kDestroyBrowser = 0x07,
  kShutdown = 0x08,
  kSync = 0x09,

  kProcessMessageSent = 0x41,
  kConsoleMessage = 0x42,
  kUncaughtException = 0x43,
  kScriptResult = 0x44,
  kRequestFailed = 0x45,
  kSyncReply = 0x46,
};

// Encoding: each record writes its type byte and fields; values may fail.
class Encoder {
 public:
  explicit Encoder(std::vector<uint8_t>* out) : out_(out), writer_(out) {}

  WireWriter& writer() { return writer_; }
  void Value(const WireValue& value) {
    if (ok_)
      ok_ = EncodeValue(value, out_, &error_);
  }
  bool Finish(std::string* error) {
    if (ok_ && out_->size() > kMaxFrameSize) {
      ok_ = false;
      error_ = "payload of " + std::to_string(out_->size()) +
               " bytes exceeds the frame limit";
    }
    if (!ok_) {
      out_->clear();
      if (error)
        *error = error_;
    }
    return ok_;
  }

 private:
  std::vector<uint8_t>* out_;
  WireWriter writer_;
  bool ok_ = true;
  std::string error_;
};

void Write(Encoder& e, const StartRenderThread& r) {
  e.writer().WriteU8(kStartRenderThread);
  e.Value(r.extra_info);
}
void Write(Encoder& e, const CreateBrowser& r) {
  e.writer().WriteU8(kCreateBrowser);
  e.writer().WriteI32(r.browser_id);
}
void Write(Encoder& e, const LoadFrame& r) {
  WireWriter& w = e.writer();
  w.WriteU8(kLoadFrame);
  w.WriteI32(r.browser_id);
  w.WriteI64(r.frame_id);
  w.WriteBool(r.is_main);
  w.WriteString8(r.name);
  w.WriteString8(r.url);
  w.WriteString8(r.script);
}
void Write(Encoder& e, const ExecuteScript& r) {
  WireWriter& w = e.writer();
  w.WriteU8(kExecuteScript);
  w.WriteI32(r.request_id);
  w.WriteI32(r.browser_id);
  w.WriteI64(r.frame_id);
  w.WriteString8(r.code);
}
void Write(Encoder& e, const DeliverMessage& r) {
  e.writer().WriteU8(kDeliverMessage);
  e.writer().WriteI32(r.browser_id);
  e.writer().WriteString8(r.name);
  e.Value(r.arguments);
}
void Write(Encoder& e, const ReleaseContext& r) {
  e.writer().WriteU8(kReleaseContext);
  e.writer().WriteI32(r.browser_id);
  e.writer().WriteI64(r.frame_id);
}
void Write(Encoder& e, const DestroyBrowser& r) {
  e.writer().WriteU8(kDestroyBrowser);
  e.writer().WriteI32(r.browser_id);
}
void Write(Encoder& e, const Shutdown& r) {
  e.writer().WriteU8(kShutdown);
  e.writer().WriteI32(r.exit_code);
}
void Write(Encoder& e, const Sync& r) {
  e.writer().WriteU8(kSync);
  e.writer().WriteI32(r.token);
}
void Write(Encoder& e, const ProcessMessageSent& r) {
  e.writer().WriteU8(kProcessMessageSent);
  e.writer().WriteI32(r.browser_id);
  e.writer().WriteString8(r.name);
  e.Value(r.arguments);
}
void Write(Encoder& e, const ConsoleMessage& r) {
  WireWriter& w = e.writer();
  w.WriteU8(kConsoleMessage);
  w.WriteI32(r.browser_id);
  w.WriteI64(r.frame_id);
  w.WriteU8(static_cast<uint8_t>(r.level));
  w.WriteString8(r.text);
}
void Write(Encoder& e, const UncaughtException& r) {
  WireWriter& w = e.writer();
  w.WriteU8(kUncaughtException);
  w.WriteI32(r.browser_id);
  w.WriteI64(r.frame_id);
  w.WriteString8(r.message);
  w.WriteI32(r.line);
}
void Write(Encoder& e, const ScriptResult& r) {
  WireWriter& w = e.writer();
  w.WriteU8(kScriptResult);
  w.WriteI32(r.request_id);
  w.WriteBool(r.ok);
  w.WriteString8(r.json);
  w.WriteString8(r.exception);
  w.WriteI32(r.line);
}
void Write(Encoder& e, const RequestFailed& r) {
  e.writer().WriteU8(kRequestFailed);
  e.writer().WriteU8(r.request_type);
  e.writer().WriteString8(r.reason);
}
void Write(Encoder& e, const SyncReply& r) {
  e.writer().WriteU8(kSyncReply);
  e.writer().WriteI32(r.token);
  e.writer().WriteBool(r.idle);
}

// Decoding: fields are read in order through a sticky-failure reader.
bool ReadList(WireReader& r, const char* field, WireValue* out) {
  WireValue value;
  if (!DecodeValue(&r, &value))
    return false;
  if (!value.is_list()) {
    r.Fail(std::string(field) + " is a " + WireTypeName(value.type()) +
           ", not a list");
    return false;
  }
  *out = std::move(value);
  return true;
}

void Read(WireReader& r, StartRenderThread* m) {
  ReadList(r, "extra info", &m->extra_info);
}
void Read(WireReader& r, CreateBrowser* m) {
  r.ReadI32(&m->browser_id);
}
void Read(WireReader& r, LoadFrame* m) {
  r.ReadI32(&m->browser_id);
  r.ReadI64(&m->frame_id);
  r.ReadBool(&m->is_main);
  r.ReadString8(&m->name);
  r.ReadString8(&m->url);
  r.ReadString8(&m->script);
}
void Read(WireReader& r, ExecuteScript* m) {
  r.ReadI32(&m->request_id);
  r.ReadI32(&m->browser_id);
  r.ReadI64(&m->frame_id);
  r.ReadString8(&m->code);
}
void Read(WireReader& r, DeliverMessage* m) {
  r.ReadI32(&m->browser_id);
  r.ReadString8(&m->name);
  ReadList(r, "message arguments", &m->arguments);
}
void Read(WireReader& r, ReleaseContext* m) {
  r.ReadI32(&m->browser_id);
  r.ReadI64(&m->frame_id);
}
void Read(WireReader& r, DestroyBrowser* m) {
  r.ReadI32(&m->browser_id);
}
void Read(WireReader& r, Shutdown* m) {
  r.ReadI32(&m->exit_code);
}
void Read(WireReader& r, Sync* m) {
  r.ReadI32(&m->token);
}
void Read(WireReader& r, ProcessMessageSent* m) {
  r.ReadI32(&m->browser_id);
  r.ReadString8(&m->name);
  ReadList(r, "message arguments", &m->arguments);
}
void Read(WireReader& r, ConsoleMessage* m) {
  r.ReadI32(&m->browser_id);
  r.ReadI64(&m->frame_id);
  uint8_t level = 0;
  if (r.ReadU8(&level) && level > static_cast<uint8_t>(ConsoleLevel::kError))
    r.Fail("unknown console level " + std::to_string(level));
  m->level = static_cast<ConsoleLevel>(level);
  r.ReadString8(&m->text);
}
void Read(WireReader& r, UncaughtException* m) {
  r.ReadI32(&m->browser_id);
  r.ReadI64(&m->frame_id);
  r.ReadString8(&m->message);
  r.ReadI32(&m->line);
}
void Read(WireReader& r, ScriptResult* m) {
  r.ReadI32(&m->request_id);
  r.ReadBool(&m->ok);
  r.ReadString8(&m->json);
  r.ReadString8(&m->exception);
  r.ReadI32(&m->line);
}
void Read(WireReader& r, RequestFailed* m) {
  r.ReadU8(&m->request_type);
  r.ReadString8(&m->reason);
}
void Read(WireReader& r, SyncReply* m) {
  r.ReadI32(&m->token);
  r.ReadBool(&m->idle);
}

template <typename Record, typename Variant>
bool ReadRecord(WireReader& reader, Variant* out, std::string* error) {
  Record record;
  Read(reader, &record);
  if (reader.ok() && !reader.AtEnd())
    reader.Fail(std::to_string(reader.remaining()) +
                " trailing bytes after the record");
  if (!reader.ok()) {
    *error = reader.error();
    return false;
  }
  *out = std::move(record);
  return true;
}

}  // namespace

uint8_t RequestTypeByte(const Request& request) {
  return static_cast<uint8_t>(kStartRenderThread + request.index());
}

const char* RequestTypeName(uint8_t type_byte) {
  switch (type_byte) {
    case kStartRenderThread:
      return "start render thread";
    case kCreateBrowser:
      return "create browser";
    case kLoadFrame:
      return "load frame";
    case kExecuteScript:
      return "execute script";
    case kDeliverMessage:
      return "deliver message";
    case kReleaseContext:
      return "release context";
    case kDestroyBrowser:
      return "destroy browser";
    case kShutdown:
      return "shut down";
    case kSync:
      return "sync";
    default:
      return "unknown request";
  }
}

const char* ConsoleLevelName(ConsoleLevel level) {
  switch (level) {
    case ConsoleLevel::kLog:
      return "log";
    case ConsoleLevel::kInfo:
      return "info";
    case ConsoleLevel::kWarn:
      return "warn";
    case ConsoleLevel::kError:
      return "error";
  }
  return "log";
}

bool EncodeRequest(const Request& request,
                   std::vector<uint8_t>* payload,
                   std::string* error) {
  payload->clear();
  Encoder encoder(payload);
  std::visit([&encoder](const auto& record) { Write(encoder, record); },
             request);
  return encoder.Finish(error);
}

bool EncodeEvent(const Event& event,
                 std::vector<uint8_t>* payload,
                 std::string* error) {
  payload->clear();
  Encoder encoder(payload);
  std::visit([&encoder](const auto& record) { Write(encoder, record); }, event);
  return encoder.Finish(error);
}

bool DecodeRequest(const std::vector<uint8_t>& payload,
                   Request* out,
                   std::string* error) {
  WireReader reader(payload.data(), payload.size());
  uint8_t type;
  if (!reader.ReadU8(&type)) {
    *error = "empty frame";
    return false;
  }
  switch (type) {
    case kStartRenderThread:
      return ReadRecord<StartRenderThread>(reader, out, error);
    case kCreateBrowser:
      return ReadRecord<CreateBrowser>(reader, out, error);
    case kLoadFrame:
      return ReadRecord<LoadFrame>(reader, out, error);
    case kExecuteScript:
      return ReadRecord<ExecuteScript>(reader, out, error);
    case kDeliverMessage:
      return ReadRecord<DeliverMessage>(reader, out, error);
    case kReleaseContext:
      return ReadRecord<ReleaseContext>(reader, out, error);
    case kDestroyBrowser:
      return ReadRecord<DestroyBrowser>(reader, out, error);
    case kShutdown:
      return ReadRecord<Shutdown>(reader, out, error);
    case kSync:
      return ReadRecord<Sync>(reader, out, error);
  }
  *error = "unknown request type " + std::to_string(type);
  return false;
}

bool DecodeEvent(const std::vector<uint8_t>& payload,
                 Event* out,
                 std::string* error) {
  WireReader reader(payload.data(), payload.size());
  uint8_t type;
  if (!reader.ReadU8(&type)) {
    *error = "empty frame";
    return false;
  }
  switch (type) {
    case kProcessMessageSent:
      return ReadRecord<ProcessMessageSent>(reader, out, error);
    case kConsoleMessage:
      return ReadRecord<ConsoleMessage>(reader, out, error);
    case kUncaughtException:
      return ReadRecord<UncaughtException>(reader, out, error);
    case kScriptResult:
      return ReadRecord<ScriptResult>(reader, out, error);
    case kRequestFailed:
      return ReadRecord<RequestFailed>(reader, out, error);
    case kSyncReply:
      return ReadRecord<SyncReply>(reader, out, error);
  }
  *error = "unknown event type " + std::to_string(type);
  return false;
}

}  // namespace ipc
