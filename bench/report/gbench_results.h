// The runs recorded in Google Benchmark's JSON output, one entry per
// repetition, grouped by benchmark name.
#ifndef BENCH_REPORT_GBENCH_RESULTS_H_
#define BENCH_REPORT_GBENCH_RESULTS_H_

#include <map>
#include <string>
#include <vector>

namespace kivbench {

// One repetition of one benchmark.
struct Repetition {
  double seconds_per_iteration = 0;
  std::map<std::string, double> counters;  // user counters ("items", ...)
};

struct Results {
  // By name without the suffixes that options add ("/manual_time",
  // "/iterations:10", ...).
  std::map<std::string, std::vector<Repetition>> runs;
  // Benchmarks that reported an error, with its message.
  std::map<std::string, std::string> errors;
};

// "BridgeRoundTrip/items/iterations:1/manual_time" -> "BridgeRoundTrip/items".
std::string BaseName(const std::string& run_name);

// Adds the runs of one JSON document to |results|; false (|error| set, and
// |results| untouched) when the text is not Google Benchmark's JSON output.
// Aggregate entries (mean, median, ...) are skipped: the report computes its
// own from the runs.
bool AddResults(const std::string& json_text,
                Results* results,
                std::string* error);

}  // namespace kivbench

#endif  // BENCH_REPORT_GBENCH_RESULTS_H_
