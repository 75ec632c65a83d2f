// The cross-process benchmarks: real sub-processes started through host/.
#include "bench/common/bench_main.h"
#include "host/heap_policy.h"

namespace kivbench {

void RegisterBridgeBenchmarks();
void RegisterStartupBenchmarks();

void RegisterBenchmarks() {
  // This process is the browser side, as kivhost is.
  host::KeepFreedHeapForReuse();
  RegisterBridgeBenchmarks();
  RegisterStartupBenchmarks();
}

}  // namespace kivbench
