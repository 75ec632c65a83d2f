// Page queries through the real kiv-subprocess and host/, each beside its
// reference measured in the same run:
//   BridgeRoundTrip/items       vs JsonBridgeRoundTrip/items (40 objects)
//   BridgeRoundTrip/small       vs RawPingPong/small (same frame sizes)
//   BridgeThroughput/items      vs JsonBridgeThroughput/items (in flight)
//   BridgeMemoryGrowth/items    vs JsonBridgeMemoryGrowth/items
// This process is the browser side: it answers every query with its value.

#include <algorithm>
#include <chrono>
#include <string>

#include "bench/common/bench_main.h"
#include "bench/cross_process/bench_renderer.h"
#include "bench/cross_process/proc_status.h"
#include "bench/cross_process/raw_pingpong.h"
#include "ipc/framing.h"
#include "ipc/messages.h"

namespace kivbench {

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

std::unique_ptr<BenchRenderer> StartRenderer(Bridge bridge,
                                             std::vector<std::string> arguments,
                                             std::string* error) {
  BenchRendererOptions options;
  options.bridge = bridge;
  options.executable =
      bridge == Bridge::kProduct ? KIV_SUBPROCESS_PATH : KIV_JSON_BRIDGE_PATH;
  options.extra_arguments = std::move(arguments);
  return BenchRenderer::Start(options, error);
}

// Every reply so far was the value sent (see bench.use).
bool RepliesWereRight(BenchRenderer* renderer, std::string* error) {
  std::string json;
  if (!renderer->Run("[bench.bad, bench.replies]", &json, error))
    return false;
  if (json.rfind("[0,", 0) != 0 || json == "[0,0]") {
    *error = "[wrong replies, replies] = " + json;
    return false;
  }
  return true;
}

// Answers "echo" queries until the page sends "done".
bool ServeUntilDone(BenchRenderer* renderer, std::string* error) {
  PageQuery query;
  while (renderer->NextQuery(&query, error)) {
    if (query.name == "done")
      return true;
    if (!renderer->Echo(std::move(query), error))
      return false;
  }
  return false;
}

const char* FullCheck() {
  return Tiny() ? "true" : "false";
}

std::string ItemsPayload() {
  return "makeItems(40)";
}

// One query at a time; each iteration is one round trip, from the arrival
// of a query to the arrival of the next one, which the page sends from the
// previous reply's callback.
void RoundTrip(benchmark::State& state,
               Bridge bridge,
               const std::string& payload) {
  std::string error, json;
  std::unique_ptr<BenchRenderer> renderer = StartRenderer(bridge, {}, &error);
  if (!renderer || !renderer->Run("bench.use(" + payload + ", " + FullCheck() +
                                      "); bench.pingPong(0); 0",
                                  &json, &error)) {
    return Fail(state, error);
  }
  PageQuery query;
  for (long warm_up = Size(100, 1); warm_up > 0; --warm_up) {
    if (!renderer->NextQuery(&query, &error) ||
        !renderer->Echo(std::move(query), &error)) {
      return Fail(state, error);
    }
  }
  if (!renderer->NextQuery(&query, &error))
    return Fail(state, error);
  Clock::time_point previous = Clock::now();
  for (auto _ : state) {
    if (!renderer->Echo(std::move(query), &error) ||
        !renderer->NextQuery(&query, &error)) {
      return Fail(state, error);
    }
    Clock::time_point now = Clock::now();
    state.SetIterationTime(Seconds(now - previous));
    previous = now;
  }
  if (!RepliesWereRight(renderer.get(), &error) || !renderer->Shutdown(&error))
    return Fail(state, error);
  SetItemsPerIteration(state, 1);
}

// |count| queries sent at once; each iteration lasts until the page has all
// replies.
void Throughput(benchmark::State& state, Bridge bridge) {
  const long count = Size(1000, 10);
  const std::string burst = "bench.burst(" + std::to_string(count) + "); 0";
  const std::string warm_up =
      "bench.burst(" + std::to_string(std::max(1L, count / 10)) + "); 0";
  std::string error, json;
  std::unique_ptr<BenchRenderer> renderer = StartRenderer(bridge, {}, &error);
  if (!renderer ||
      !renderer->Run(
          "bench.use(" + ItemsPayload() + ", " + FullCheck() + "); 0", &json,
          &error) ||
      !renderer->Post(warm_up, &error) ||
      !ServeUntilDone(renderer.get(), &error)) {
    return Fail(state, error);
  }
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    if (!renderer->Post(burst, &error) ||
        !ServeUntilDone(renderer.get(), &error)) {
      return Fail(state, error);
    }
    state.SetIterationTime(Seconds(Clock::now() - start));
  }
  if (!RepliesWereRight(renderer.get(), &error) || !renderer->Shutdown(&error))
    return Fail(state, error);
  SetItemsPerIteration(state, static_cast<double>(count));
}

// The renderer's resident memory, all of it and its anonymous part.
struct Resident {
  long kib = 0;
  long anon_kib = 0;
};

// Resident memory of the renderer, with V8's garbage collected first.
bool CollectedRss(BenchRenderer* renderer, Resident* rss, std::string* error) {
  std::string json;
  if (!renderer->Run("gc(); gc(); 0", &json, error) || !renderer->Settle(error))
    return false;
  // Both fields from one reading of the status file.
  const std::string status = ReadStatusText(renderer->pid());
  rss->kib = ParseVmRssKib(status);
  // RssAnon: the heaps, without pages mapped from files (library code).
  rss->anon_kib = ParseStatusKib(status, "RssAnon");
  if (rss->kib < 0 || rss->anon_kib < 0) {
    *error = "cannot read the renderer's resident memory";
    return false;
  }
  return true;
}

// Resident growth over |count| answered round trips after as many again as a
// warm-up. It runs once whatever the repetitions: it takes long, and varies
// little. The warm-up is that long because V8's optimizing compiler first
// runs on the page's hot functions some thousands of round trips in, and
// the kernel then reads in about 3 MiB of libnode's code for it, for every
// bridge alike; after a shorter warm-up those pages would count as growth.
// The anonymous part leaves out all library code: it is what the page's
// work keeps in the heaps.
void MemoryGrowth(benchmark::State& state, Bridge bridge) {
  const long count = Size(10000, 20);
  for (auto _ : state) {
    std::string error, json;
    std::unique_ptr<BenchRenderer> renderer =
        StartRenderer(bridge, {"--js-flags=--expose-gc"}, &error);
    Resident before, after;
    if (!renderer ||
        !renderer->Run("bench.use(" + ItemsPayload() + ", " + FullCheck() +
                           "); bench.pingPong(" + std::to_string(count) +
                           "); 0",
                       &json, &error) ||
        !ServeUntilDone(renderer.get(), &error) ||
        !CollectedRss(renderer.get(), &before, &error) ||
        !renderer->Post("bench.pingPong(" + std::to_string(count) + "); 0",
                        &error) ||
        !ServeUntilDone(renderer.get(), &error) ||
        !CollectedRss(renderer.get(), &after, &error) ||
        !RepliesWereRight(renderer.get(), &error) ||
        !renderer->Shutdown(&error)) {
      return Fail(state, error);
    }
    state.counters["growth_mib"] = (after.kib - before.kib) / 1024.0;
    state.counters["anon_growth_mib"] =
        (after.anon_kib - before.anon_kib) / 1024.0;
  }
  SetItemsPerIteration(state, static_cast<double>(count));
}

// The frame sizes of the small query and of its reply, as the product's
// renderer and the browser side write them.
bool SmallFrameSizes(size_t* query_size,
                     size_t* reply_size,
                     std::string* error) {
  using ipc::WireValue;
  WireValue value = WireValue::Dictionary(
      {{u"id", WireValue::Double(7)},
       {u"ok", WireValue::Bool(true)},
       {u"text", WireValue::String(u"hello from the page")}});
  std::vector<uint8_t> query, reply;
  if (!ipc::EncodeEvent(
          ipc::ProcessMessageSent{
              1, "kiv_jsapi",
              WireValue::List({WireValue::Int(1), WireValue::String(u"echo"),
                               WireValue::List({value})})},
          &query, error) ||
      !ipc::EncodeRequest(
          ipc::DeliverMessage{1, "kiv_jsapi",
                              WireValue::List({WireValue::Int(1),
                                               WireValue::Bool(true), value})},
          &reply, error)) {
    return false;
  }
  *query_size = ipc::kFrameHeaderSize + query.size();
  *reply_size = ipc::kFrameHeaderSize + reply.size();
  return true;
}

void BM_RawPingPong(benchmark::State& state) {
  size_t query_size = 0, reply_size = 0;
  std::string error;
  if (!SmallFrameSizes(&query_size, &reply_size, &error))
    return Fail(state, error);
  std::unique_ptr<RawPingPong> ping_pong =
      RawPingPong::Start(query_size, reply_size, &error);
  if (!ping_pong)
    return Fail(state, error);
  for (auto _ : state) {
    if (!ping_pong->RoundTrip())
      return Fail(state, "the ping-pong child stopped answering");
  }
  state.counters["bytes"] = static_cast<double>(query_size + reply_size);
}

}  // namespace

void RegisterBridgeBenchmarks() {
  Register("BridgeRoundTrip/items", [](benchmark::State& state) {
    RoundTrip(state, Bridge::kProduct, ItemsPayload());
  })->UseManualTime();
  Register("JsonBridgeRoundTrip/items", [](benchmark::State& state) {
    RoundTrip(state, Bridge::kJsonString, ItemsPayload());
  })->UseManualTime();
  Register("BridgeRoundTrip/small", [](benchmark::State& state) {
    RoundTrip(state, Bridge::kProduct, "makeSmall()");
  })->UseManualTime();
  Register("RawPingPong/small", BM_RawPingPong);
  Register("BridgeThroughput/items", [](benchmark::State& state) {
    Throughput(state, Bridge::kProduct);
  })->UseManualTime();
  Register("JsonBridgeThroughput/items", [](benchmark::State& state) {
    Throughput(state, Bridge::kJsonString);
  })->UseManualTime();
  Register(
      "BridgeMemoryGrowth/items",
      [](benchmark::State& state) { MemoryGrowth(state, Bridge::kProduct); })
      ->Iterations(1)
      ->Repetitions(1);
  Register(
      "JsonBridgeMemoryGrowth/items",
      [](benchmark::State& state) { MemoryGrowth(state, Bridge::kJsonString); })
      ->Iterations(1)
      ->Repetitions(1);
}

}  // namespace kivbench
