// libFuzzer entry for the wire decoders. The same bytes are read as a value,
// a request payload, an event payload, a frame stream, and a zygote's start
// request and reply. Whatever decodes
// must encode back to exactly the same bytes (every value has one encoding),
// so a decoder that accepts more than it should, or loses part of a value,
// traps. The renderer's decoder (straight into the framework's containers)
// must accept exactly the requests the browser side's decoder accepts.
//
// An input that starts with the byte 0xA5 is amplified first: the two bytes
// after it say how often the rest is repeated, up to the largest frame. That
// is how a few fuzzed bytes become a frame of the real limit's size whose
// nested counts each claim what follows (run under -malloc_limit_mb so that
// a decoder that reserves what counts claim is caught).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ipc/framing.h"
#include "ipc/messages.h"
#include "ipc/record_codec.h"
#include "ipc/value_codec.h"
#include "ipc/zygote_protocol.h"
#include "process/list_codec.h"

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

void FuzzRecords(const uint8_t* data, size_t size) {
  std::string error;
  ipc::Request request;
  const bool accepted = ipc::DecodeRequest(data, size, &request, &error);
  if (accepted) {
    std::vector<uint8_t> encoded;
    Check(ipc::EncodeRequest(request, &encoded, &error));
    Check(encoded.size() == size &&
          std::equal(encoded.begin(), encoded.end(), data));
  } else {
    Check(!error.empty());
  }
  ipc::RequestOf<cef_process::ReceivedList> received;
  std::string reason;
  Check(ipc::DecodeRequestOf(data, size, &received, &reason) == accepted);
  Check(accepted || !reason.empty());

  ipc::Event event;
  if (ipc::DecodeEvent(data, size, &event, &error)) {
    std::vector<uint8_t> encoded;
    Check(ipc::EncodeEvent(event, &encoded, &error));
    Check(encoded.size() == size &&
          std::equal(encoded.begin(), encoded.end(), data));
  }
}

void FuzzZygotePackets(const uint8_t* data, size_t size) {
  std::string error;
  std::vector<std::string> arguments;
  if (ipc::DecodeForkRequest(data, size, &arguments, &error)) {
    std::vector<uint8_t> encoded;
    Check(ipc::EncodeForkRequest(arguments, &encoded, &error));
    Check(encoded.size() == size &&
          std::equal(encoded.begin(), encoded.end(), data));
  } else {
    Check(!error.empty() && arguments.empty());
  }
  ipc::ForkReply reply;
  if (ipc::DecodeForkReply(data, size, &reply, &error)) {
    std::vector<uint8_t> encoded = ipc::EncodeForkReply(reply);
    Check(encoded.size() == size &&
          std::equal(encoded.begin(), encoded.end(), data));
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
      FuzzRecords(payload.data(), payload.size());
    }
  }
}

// 0xA5, a little-endian u16 repeat count, then the unit to repeat; the
// result is cut at the frame limit.
bool Amplify(const uint8_t* data, size_t size, std::vector<uint8_t>* out) {
  if (size < 4 || data[0] != 0xA5)
    return false;
  const size_t repeats = data[1] | (size_t{data[2]} << 8);
  const uint8_t* unit = data + 3;
  const size_t unit_size = size - 3;
  const size_t total = std::min(repeats * unit_size, ipc::kMaxFrameSize);
  out->resize(total);
  for (size_t at = 0; at < total; at += unit_size)
    std::copy(unit, unit + std::min(unit_size, total - at), out->data() + at);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> amplified;
  if (Amplify(data, size, &amplified)) {
    FuzzValue(amplified.data(), amplified.size());
    FuzzRecords(amplified.data(), amplified.size());
    FuzzZygotePackets(amplified.data(), amplified.size());
    return 0;
  }
  FuzzValue(data, size);
  FuzzRecords(data, size);
  FuzzZygotePackets(data, size);
  FuzzStream(data, size);
  return 0;
}
