#include "bench/common/bench_main.h"

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <vector>

namespace kivbench {

namespace {

bool g_tiny = false;
std::atomic<bool> g_failed{false};

}  // namespace

bool Tiny() {
  return g_tiny;
}

long Size(long full, long tiny) {
  return g_tiny ? tiny : full;
}

benchmark::internal::Benchmark* Register(
    const std::string& name,
    std::function<void(benchmark::State&)> function) {
  benchmark::internal::Benchmark* b = benchmark::RegisterBenchmark(
      name.c_str(), [function](benchmark::State& state) { function(state); });
  if (g_tiny)
    b->Iterations(1);
  return b;
}

void Fail(benchmark::State& state, const std::string& why) {
  fprintf(stderr, "benchmark failed: %s\n", why.c_str());
  g_failed = true;
  state.SkipWithError(why.c_str());
}

void SetItemsPerIteration(benchmark::State& state, double items) {
  state.counters["items"] = items;
}

void SetBytesPerIteration(benchmark::State& state, double bytes) {
  state.counters["bytes"] = bytes;
}

}  // namespace kivbench

int main(int argc, char** argv) {
  // --tiny is ours; the rest goes to Google Benchmark.
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (i > 0 && strcmp(argv[i], "--tiny") == 0)
      kivbench::g_tiny = true;
    else
      args.push_back(argv[i]);
  }
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data()))
    return 2;
  kivbench::RegisterBenchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return kivbench::g_failed ? 1 : 0;
}
