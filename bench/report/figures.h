// The rows of the performance table: which benchmark gives each figure and
// its reference, in which unit, and the target where there is one; and
// their evaluation from the output of one benchmark run.
#ifndef BENCH_REPORT_FIGURES_H_
#define BENCH_REPORT_FIGURES_H_

#include <string>
#include <vector>

#include "bench/report/gbench_results.h"
#include "bench/report/summary.h"

namespace kivbench {

// How a run gives a figure's value.
enum class Quantity {
  kTime,         // seconds per iteration
  kTimePerItem,  // seconds per iteration / counter "items"
  kRate,         // counter "items" per second
  kBandwidth,    // counter "bytes" per second
  kCounter,      // the named counter itself
};

struct Measure {
  std::string benchmark;  // empty: none
  Quantity quantity = Quantity::kTime;
  std::string counter;  // for kCounter
};

enum class TargetKind {
  kNone,
  kRatioAtMost,   // cost ratio to the reference at most |value|
  kValueAtMost,   // the figure (in the row's unit) at most |value|
  kValueAtLeast,  // the figure (in the row's unit) at least |value|
};

struct Target {
  TargetKind kind = TargetKind::kNone;
  double value = 0;
};

struct FigureSpec {
  std::string figure;
  Measure measure;
  std::string reference;  // what the reference is; empty: none
  Measure reference_measure;
  std::string unit;  // "µs", "ms", "/s", "MB/s", "MiB"
  Target target;
};

// The table's rows, in order.
const std::vector<FigureSpec>& TableFigures();

// One evaluated row. Values are in the row's unit.
struct FigureRow {
  const FigureSpec* spec = nullptr;
  Summary value;
  Summary reference;
  // Cost of the figure over the cost of its reference (for rates: the
  // reference's rate over the figure's); 0 when there is none.
  double ratio = 0;
  bool has_target = false;
  bool target_met = false;
  std::string problem;  // a missing or failed benchmark
};

FigureRow Evaluate(const FigureSpec& spec, const Results& results);

// A value in the row's unit from one run, or false if the run lacks what the
// measure needs.
bool ValueOf(const Measure& measure,
             const std::string& unit,
             const Repetition& run,
             double* value);

}  // namespace kivbench

#endif  // BENCH_REPORT_FIGURES_H_
