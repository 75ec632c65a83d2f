// Encoding and decoding process messages for the channel, beside memcpy of
// the same bytes:
//   WireEncodeDecode  the renderer's whole path: straight from the message's
//                     containers to an outgoing payload, and from an
//                     incoming payload to the containers its handler gets
//   WireCodec         the browser side's codec: its own value tree (made
//                     once) to a payload and back to a new tree
//   Memcpy            one copy of a buffer of the payload's size
// for the query message of 10,000 objects and for a message holding one
// string of 1,000,000 characters; and
//   ReceivedTreeHeap  the heap that the containers of a received query
//                     message hold, per object, beside its bytes on the wire

#include <malloc.h>
#include <string.h>

#include <string>

#include "bench/common/bench_main.h"
#include "bench/common/payloads.h"
#include "bench/common/value_equal.h"
#include "bench/wire/wire_path.h"

namespace kivbench {

namespace {

// "kiv_jsapi" (request id, name, [value]), as the page's query sends it.
CefRefPtr<CefProcessMessage> QueryMessage(CefRefPtr<CefListValue> args) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("kiv_jsapi");
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  arguments->SetInt(0, 17);
  arguments->SetString(1, "echo");
  arguments->SetList(2, args);
  return message;
}

long ItemCount() {
  return Size(10000, 50);
}

CefRefPtr<CefProcessMessage> ItemsMessage() {
  return QueryMessage(WrapInList(MakeItemsList(ItemCount())));
}

CefRefPtr<CefProcessMessage> StringMessage() {
  return QueryMessage(WrapStringInList(MakeLongString(Size(1000000, 1000))));
}

void EncodeDecode(benchmark::State& state,
                  CefRefPtr<CefProcessMessage> message) {
  std::string error;
  Payload incoming;
  if (!EncodeIncoming(1, message, &incoming, &error))
    return Fail(state, "cannot encode: " + error);
  Payload outgoing;
  std::string name;
  CefRefPtr<CefListValue> decoded;
  for (auto _ : state) {
    if (!EncodeOutgoing(1, message, &outgoing, &error))
      return Fail(state, "cannot encode: " + error);
    decoded = nullptr;  // freed inside the loop, as the renderer frees it
    if (!DecodeIncoming(incoming, &name, &decoded, &error))
      return Fail(state, "cannot decode: " + error);
  }
  if (name != message->GetName().ToString() ||
      !SameList(decoded, message->GetArgumentList())) {
    return Fail(state, "the decoded message differs from the original");
  }
  SetBytesPerIteration(state, static_cast<double>(outgoing.size()));
}

void CodecOnly(benchmark::State& state, CefRefPtr<CefProcessMessage> message) {
  std::string error;
  size_t size = 0;
  std::function<bool()> round_trip = CodecRoundTrip(message, &size, &error);
  if (!round_trip)
    return Fail(state, "cannot encode: " + error);
  for (auto _ : state) {
    if (!round_trip())
      return Fail(state, "the codec refused its own payload");
  }
  SetBytesPerIteration(state, static_cast<double>(size));
}

void Memcpy(benchmark::State& state, CefRefPtr<CefProcessMessage> message) {
  std::string error;
  Payload payload;
  if (!EncodeOutgoing(1, message, &payload, &error))
    return Fail(state, "cannot encode: " + error);
  Payload copy(payload.size());
  for (auto _ : state) {
    memcpy(copy.data(), payload.data(), payload.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  if (copy != payload)
    return Fail(state, "memcpy lost bytes");
  SetBytesPerIteration(state, static_cast<double>(payload.size()));
}

// Bytes of the heap in use, as the allocator counts them.
double HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks) + static_cast<double>(info.hblkhd);
}

// What a renderer holds for a received message while its handler keeps it:
// the tree that the decoder builds, measured by the allocator around the
// decoding.
void ReceivedTreeHeap(benchmark::State& state,
                      CefRefPtr<CefProcessMessage> message,
                      double objects) {
  std::string error;
  Payload incoming;
  if (!EncodeIncoming(1, message, &incoming, &error))
    return Fail(state, "cannot encode: " + error);
  double held = 0;
  for (auto _ : state) {
    std::string name;
    CefRefPtr<CefListValue> decoded;
    name.reserve(64);  // the name's room is not the tree's
    const double before = HeapInUse();
    if (!DecodeIncoming(incoming, &name, &decoded, &error))
      return Fail(state, "cannot decode: " + error);
    held = HeapInUse() - before;
    if (!SameList(decoded, message->GetArgumentList()))
      return Fail(state, "the decoded message differs from the original");
  }
  state.counters["heap_bytes_per_object"] = held > 0 ? held / objects : 0;
  state.counters["wire_bytes_per_object"] =
      static_cast<double>(incoming.size()) / objects;
}

}  // namespace

void RegisterBenchmarks() {
  Register("WireEncodeDecode/query_message", [](benchmark::State& state) {
    EncodeDecode(state, ItemsMessage());
  });
  Register("WireCodec/query_message",
           [](benchmark::State& state) { CodecOnly(state, ItemsMessage()); });
  Register("Memcpy/query_message",
           [](benchmark::State& state) { Memcpy(state, ItemsMessage()); });
  Register("ReceivedTreeHeap/query_message", [](benchmark::State& state) {
    ReceivedTreeHeap(state, ItemsMessage(), static_cast<double>(ItemCount()));
  });
  Register("WireEncodeDecode/string", [](benchmark::State& state) {
    EncodeDecode(state, StringMessage());
  });
  Register("WireCodec/string",
           [](benchmark::State& state) { CodecOnly(state, StringMessage()); });
  Register("Memcpy/string",
           [](benchmark::State& state) { Memcpy(state, StringMessage()); });
}

}  // namespace kivbench
