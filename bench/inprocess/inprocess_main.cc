// The in-process benchmarks: the product's conversions and copies, and its
// event dispatch, on the framework's harness.
#include "bench/common/bench_main.h"

namespace kivbench {

void RegisterMarshalBenchmarks();
void RegisterEventBenchmarks();

void RegisterBenchmarks() {
  RegisterMarshalBenchmarks();
  RegisterEventBenchmarks();
}

}  // namespace kivbench
