// The common entry point of the benchmark executables (Google Benchmark).
//
// Each executable defines RegisterBenchmarks(), which registers its
// benchmarks with the sizes of the run: full sizes normally, tiny ones when
// the command line has --tiny (a quick run that only checks that every
// benchmark still works; each then runs exactly one iteration). A benchmark
// that finds its work wrong calls Fail: the run goes on, and the executable
// exits with 1.
#ifndef BENCH_COMMON_BENCH_MAIN_H_
#define BENCH_COMMON_BENCH_MAIN_H_

#include <functional>
#include <string>

#include "benchmark/benchmark.h"

namespace kivbench {

// Defined by each benchmark executable.
void RegisterBenchmarks();

// Whether this is a --tiny run.
bool Tiny();

// |full| normally, |tiny| in a --tiny run.
long Size(long full, long tiny);

// Registers |function| under |name|; in a --tiny run it runs once.
benchmark::internal::Benchmark* Register(
    const std::string& name,
    std::function<void(benchmark::State&)> function);

// Marks the benchmark failed with |why| (also printed to stderr).
void Fail(benchmark::State& state, const std::string& why);

// Counters the report reads: the work of one iteration.
void SetItemsPerIteration(benchmark::State& state, double items);
void SetBytesPerIteration(benchmark::State& state, double bytes);

}  // namespace kivbench

#endif  // BENCH_COMMON_BENCH_MAIN_H_
