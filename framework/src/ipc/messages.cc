#include "ipc/messages.h"

#include <type_traits>
#include <variant>

#include "ipc/record_codec.h"

namespace ipc {

bool ValueCodec<WireValue>::Encode(const WireValue& list,
                                   WireWriter* writer,
                                   std::string* error) {
  return EncodeValue(list, writer, error);
}

bool ValueCodec<WireValue>::DecodeList(WireReader* reader,
                                       WireValue* out,
                                       const char* field) {
  WireValue value;
  if (!DecodeValue(reader, &value))
    return false;
  if (!value.is_list()) {
    reader->Fail(std::string(field) + " is a " + WireTypeName(value.type()) +
                 ", not a list");
    return false;
  }
  *out = std::move(value);
  return true;
}

bool FieldWriter::Finish(std::string* error) {
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

void FieldReader::operator()(ConsoleLevel& value) {
  uint8_t level = 0;
  if (reader_->ReadU8(&level) &&
      level > static_cast<uint8_t>(ConsoleLevel::kError)) {
    reader_->Fail("unknown console level " + std::to_string(level));
  }
  value = static_cast<ConsoleLevel>(level);
}

const char* RequestTypeName(uint8_t type_byte) {
  switch (type_byte) {
    case 0x01:
      return "start render thread";
    case 0x02:
      return "create browser";
    case 0x03:
      return "load frame";
    case 0x04:
      return "execute script";
    case 0x05:
      return "deliver message";
    case 0x06:
      return "release context";
    case 0x07:
      return "destroy browser";
    case 0x08:
      return "shut down";
    case 0x09:
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
  return EncodeRequestOf(request, payload, error);
}

bool EncodeEvent(const Event& event,
                 std::vector<uint8_t>* payload,
                 std::string* error) {
  return EncodeEventOf(event, payload, error);
}

// The type bytes below are those of the records' places in the variants.
static_assert(
    std::is_same_v<std::variant_alternative_t<0, Request>, StartRenderThread>);
static_assert(
    std::is_same_v<std::variant_alternative_t<4, Request>, DeliverMessage>);
static_assert(
    std::is_same_v<std::variant_alternative_t<0, Event>, ProcessMessageSent>);

bool EncodeRequest(const StartRenderThread& request,
                   std::vector<uint8_t>* payload,
                   std::string* error) {
  return EncodeRecord(kFirstRequestType + 0, request, payload, error);
}

bool EncodeRequest(const DeliverMessage& request,
                   std::vector<uint8_t>* payload,
                   std::string* error) {
  return EncodeRecord(kFirstRequestType + 4, request, payload, error);
}

bool EncodeEvent(const ProcessMessageSent& event,
                 std::vector<uint8_t>* payload,
                 std::string* error) {
  return EncodeRecord(kFirstEventType + 0, event, payload, error);
}

bool DecodeRequest(const uint8_t* payload,
                   size_t size,
                   Request* out,
                   std::string* error) {
  return DecodeRequestOf(payload, size, out, error);
}

bool DecodeEvent(const uint8_t* payload,
                 size_t size,
                 Event* out,
                 std::string* error) {
  return DecodeEventOf(payload, size, out, error);
}

bool DecodeRequest(const std::vector<uint8_t>& payload,
                   Request* out,
                   std::string* error) {
  return DecodeRequest(payload.data(), payload.size(), out, error);
}

bool DecodeEvent(const std::vector<uint8_t>& payload,
                 Event* out,
                 std::string* error) {
  return DecodeEvent(payload.data(), payload.size(), out, error);
}

}  // namespace ipc
