// libFuzzer entry for the wire decoder. The same bytes are read as a value, a
// request payload, an event payload and a frame stream. Whatever decodes must
// encode back to exactly the same bytes (the encoding is canonical), so a
// decoder that accepts more than it should, or loses part of a value, traps.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ipc/framing.h"
#include "ipc/messages.h"
#include "ipc/value_codec.h"

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

void FuzzValue(const uint8_t* data, size_t size) {
  ipc::WireReader reader(data, size);
  ipc::WireValue value;
  if (!ipc::DecodeValue(&reader, &value)) {
    Check(!reader.ok());
    return;
  }
  std::vector<uint8_t> encoded;
  std::string error;
  Check(ipc::EncodeValue(value, &encoded, &error));
  Check(encoded.size() == reader.offset());
  Check(std::equal(encoded.begin(), encoded.end(), data));
}

void FuzzRecords(const std::vector<uint8_t>& payload) {
  std::string error;
  ipc::Request request;
  if (ipc::DecodeRequest(payload, &request, &error)) {
    std::vector<uint8_t> encoded;
    Check(ipc::EncodeRequest(request, &encoded, &error));
    Check(encoded == payload);
  } else {
    Check(!error.empty());
  }
  ipc::Event event;
  if (ipc::DecodeEvent(payload, &event, &error)) {
    std::vector<uint8_t> encoded;
    Check(ipc::EncodeEvent(event, &encoded, &error));
    Check(encoded == payload);
  }
}

void FuzzStream(const uint8_t* data, size_t size) {
  // A small limit so that the oversize path is reached often.
  ipc::FrameAssembler assembler(4096);
  // Feed in uneven pieces to exercise reassembly.
  size_t at = 0;
  size_t piece = 1;
  std::vector<uint8_t> payload;
  std::string error;
  while (at < size) {
    size_t take = std::min(piece, size - at);
    assembler.Append(data + at, take);
    at += take;
    piece = piece * 3 % 17 + 1;
    while (assembler.Next(&payload, &error) ==
           ipc::FrameAssembler::Status::kFrame) {
      Check(payload.size() <= 4096);
      FuzzRecords(payload);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzValue(data, size);
  FuzzRecords(std::vector<uint8_t>(data, data + size));
  FuzzStream(data, size);
  return 0;
}
