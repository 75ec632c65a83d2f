// The cross-process benchmarks: real sub-processes started through host/.
#include "bench/common/bench_main.h"

namespace kivbench {

void RegisterBridgeBenchmarks();
void RegisterStartupBenchmarks();

void RegisterBenchmarks() {
  RegisterBridgeBenchmarks();
  RegisterStartupBenchmarks();
}

}  // namespace kivbench
