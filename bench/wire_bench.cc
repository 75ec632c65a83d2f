// Encoding and decoding speed of typical and large payloads: a query
// message, a big list of mixed values, a wide dictionary, the framing of a
// stream of small frames, and the JSON form of a value.

#include <string>
#include <vector>

#include "benchmark/benchmark.h"
#include "host/json_value.h"
#include "ipc/framing.h"
#include "ipc/messages.h"
#include "ipc/value_codec.h"

namespace {

using ipc::WireValue;

WireValue QueryArguments() {
  return WireValue::List(
      {WireValue::Int(17), WireValue::String(u"echo"),
       WireValue::List({WireValue::Dictionary(
           {{u"greeting", WireValue::String(u"hello from the page")},
            {u"numbers",
             WireValue::List({WireValue::Double(1), WireValue::Double(2.5)})},
            {u"nested",
             WireValue::Dictionary({{u"ok", WireValue::Bool(true)}})}})})});
}

WireValue MixedList(int size) {
  WireValue::Items items;
  for (int i = 0; i < size; ++i) {
    switch (i % 4) {
      case 0:
        items.push_back(WireValue::Int(i));
        break;
      case 1:
        items.push_back(WireValue::Double(i * 0.5));
        break;
      case 2:
        items.push_back(
            WireValue::String(u"item text " + std::u16string(i % 16, u'x')));
        break;
      default:
        items.push_back(
            WireValue::List({WireValue::Bool(true), WireValue::Null()}));
    }
  }
  return WireValue::List(std::move(items));
}

WireValue WideDictionary(int size) {
  WireValue::Entries entries;
  for (int i = 0; i < size; ++i) {
    std::string key = "key" + std::to_string(i);
    entries.emplace_back(std::u16string(key.begin(), key.end()),
                         WireValue::Int(i));
  }
  return WireValue::Dictionary(std::move(entries));
}

void EncodeDecode(benchmark::State& state, const WireValue& arguments) {
  ipc::DeliverMessage message{1, "kiv_jsapi", arguments};
  std::vector<uint8_t> payload;
  std::string error;
  for (auto _ : state) {
    ipc::EncodeRequest(message, &payload, &error);
    ipc::Request decoded;
    bool ok = ipc::DecodeRequest(payload, &decoded, &error);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(payload.size()));
}

void BM_QueryMessage(benchmark::State& state) {
  EncodeDecode(state, QueryArguments());
}
BENCHMARK(BM_QueryMessage);

void BM_MixedList(benchmark::State& state) {
  EncodeDecode(state,
               WireValue::List({MixedList(static_cast<int>(state.range(0)))}));
}
BENCHMARK(BM_MixedList)->Arg(1000)->Arg(100000);

void BM_WideDictionary(benchmark::State& state) {
  EncodeDecode(state, WireValue::List(
                          {WideDictionary(static_cast<int>(state.range(0)))}));
}
BENCHMARK(BM_WideDictionary)->Arg(1000)->Arg(50000);

void BM_FrameStream(benchmark::State& state) {
  std::vector<uint8_t> payload;
  std::string error;
  ipc::EncodeRequest(ipc::DeliverMessage{1, "kiv_jsapi", QueryArguments()},
                     &payload, &error);
  std::vector<uint8_t> stream;
  for (int i = 0; i < 1000; ++i) {
    std::vector<uint8_t> frame = ipc::MakeFrame(payload);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  for (auto _ : state) {
    ipc::FrameAssembler assembler;
    // Fed in socket-read sized pieces.
    for (size_t at = 0; at < stream.size(); at += 4096) {
      size_t take = std::min<size_t>(4096, stream.size() - at);
      assembler.Append(stream.data() + at, take);
      std::vector<uint8_t> out;
      while (assembler.Next(&out, &error) ==
             ipc::FrameAssembler::Status::kFrame) {
        benchmark::DoNotOptimize(out.data());
      }
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_FrameStream);

void BM_JsonForm(benchmark::State& state) {
  WireValue value = MixedList(10000);
  for (auto _ : state) {
    std::string text = kivhost::ValueToJsonText(value);
    WireValue back;
    std::string error;
    bool ok = kivhost::JsonToValue(kivhost::Json::parse(text), &back, &error);
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_JsonForm);

}  // namespace
