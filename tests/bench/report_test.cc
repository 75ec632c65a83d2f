#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "bench/report/figures.h"
#include "bench/report/gbench_results.h"
#include "bench/report/summary.h"
#include "bench/report/table.h"

namespace kivbench {
namespace {

// Google Benchmark's JSON output: two repetitions of a manual-time
// benchmark, their aggregates, one of a counter benchmark and one failure.
const char kOutput[] = R"({
  "context": {"date": "2026-12-08", "num_cpus": 2},
  "benchmarks": [
    {"name": "A/items/iterations:10/manual_time", "run_name": "A/items/iterations:10/manual_time",
     "run_type": "iteration", "repetitions": 2, "repetition_index": 0, "threads": 1,
     "iterations": 10, "real_time": 100.0, "cpu_time": 3.0, "time_unit": "us", "items": 4},
    {"name": "A/items/iterations:10/manual_time", "run_name": "A/items/iterations:10/manual_time",
     "run_type": "iteration", "repetitions": 2, "repetition_index": 1, "threads": 1,
     "iterations": 10, "real_time": 300.0, "cpu_time": 3.0, "time_unit": "us", "items": 4},
    {"name": "A/items/iterations:10/manual_time_mean", "run_name": "A/items/iterations:10/manual_time",
     "run_type": "aggregate", "aggregate_name": "mean", "iterations": 2,
     "real_time": 200.0, "cpu_time": 3.0, "time_unit": "us"},
    {"name": "Mem/x/iterations:1/repeats:1", "run_name": "Mem/x/iterations:1/repeats:1",
     "run_type": "iteration", "iterations": 1, "real_time": 2.0, "cpu_time": 1.0,
     "time_unit": "s", "growth_mib": 3.5},
    {"name": "Broken/y", "run_name": "Broken/y", "run_type": "iteration",
     "error_occurred": true, "error_message": "the renderer hung",
     "iterations": 0, "real_time": 0, "cpu_time": 0, "time_unit": "ns"}
  ]
})";

TEST(BenchResultsTest, GroupsRepetitionsByNameWithoutOptionSuffixes) {
  Results results;
  std::string error;
  ASSERT_TRUE(AddResults(kOutput, &results, &error)) << error;

  ASSERT_EQ(1u, results.runs.count("A/items"));
  const std::vector<Repetition>& runs = results.runs["A/items"];
  ASSERT_EQ(2u, runs.size());  // the aggregate is not a run
  EXPECT_DOUBLE_EQ(100e-6, runs[0].seconds_per_iteration);
  EXPECT_DOUBLE_EQ(300e-6, runs[1].seconds_per_iteration);
  EXPECT_DOUBLE_EQ(4, runs[0].counters.at("items"));
  // Standard fields are not counters.
  EXPECT_EQ(0u, runs[0].counters.count("cpu_time"));
  EXPECT_EQ(0u, runs[0].counters.count("repetition_index"));

  EXPECT_DOUBLE_EQ(3.5, results.runs["Mem/x"].at(0).counters.at("growth_mib"));
  EXPECT_DOUBLE_EQ(2.0, results.runs["Mem/x"].at(0).seconds_per_iteration);

  EXPECT_EQ(0u, results.runs.count("Broken/y"));
  EXPECT_EQ("the renderer hung", results.errors["Broken/y"]);
}

TEST(BenchResultsTest, RefusesWhatIsNotBenchmarkOutput) {
  Results results;
  std::string error;
  // A document broken after its first entry adds nothing.
  EXPECT_FALSE(AddResults(
      R"({"benchmarks": [{"name": "Good", "real_time": 1, "time_unit": "ms"},
                         {"real_time": 1}]})",
      &results, &error));
  EXPECT_TRUE(results.runs.empty());
  EXPECT_FALSE(AddResults("not json", &results, &error));
  EXPECT_FALSE(AddResults("{\"context\": {}}", &results, &error));
  EXPECT_FALSE(AddResults(
      R"({"benchmarks": [{"name": "X", "real_time": 1, "time_unit": "fortnights"}]})",
      &results, &error));
  EXPECT_FALSE(error.empty());
}

TEST(BenchResultsTest, BaseNameKeepsTheBenchmarksOwnParts) {
  EXPECT_EQ("A/b", BaseName("A/b/iterations:1/manual_time"));
  EXPECT_EQ("A/b", BaseName("A/b/min_time:0.300/repeats:5/real_time"));
  EXPECT_EQ("A/iterations", BaseName("A/iterations"));
  EXPECT_EQ("manual_time", BaseName("manual_time"));
}

TEST(SummaryTest, MedianMinimumAndMaximum) {
  Summary odd = Summarize({5, 1, 3});
  EXPECT_EQ(3, odd.samples);
  EXPECT_DOUBLE_EQ(3, odd.median);
  EXPECT_DOUBLE_EQ(1, odd.min);
  EXPECT_DOUBLE_EQ(5, odd.max);
  EXPECT_DOUBLE_EQ(2.5, Summarize({4, 1, 3, 2}).median);
  EXPECT_DOUBLE_EQ(7, Summarize({7}).median);
  EXPECT_EQ(0, Summarize({}).samples);
}

// Results with one run per benchmark: |seconds| per iteration and counters.
Results Single(const std::string& name,
               double seconds,
               std::map<std::string, double> counters,
               Results results = Results()) {
  Repetition run;
  run.seconds_per_iteration = seconds;
  run.counters = std::move(counters);
  results.runs[name].push_back(run);
  return results;
}

FigureSpec Spec(Measure measure,
                Measure reference,
                const std::string& unit,
                Target target) {
  FigureSpec spec;
  spec.figure = "figure";
  spec.measure = measure;
  spec.reference = reference.benchmark.empty() ? "" : "reference";
  spec.reference_measure = reference;
  spec.unit = unit;
  spec.target = target;
  return spec;
}

TEST(FiguresTest, TimesCompareAsCostsAndRatesInverted) {
  Results results = Single("Fig", 0.002, {{"items", 1000}},
                           Single("Ref", 0.001, {{"items", 1000}}));
  FigureSpec time =
      Spec({"Fig", Quantity::kTime, ""}, {"Ref", Quantity::kTime, ""}, "ms",
           {TargetKind::kRatioAtMost, 1.0});
  FigureRow row = Evaluate(time, results);
  EXPECT_TRUE(row.problem.empty()) << row.problem;
  EXPECT_DOUBLE_EQ(2.0, row.value.median);  // ms
  EXPECT_DOUBLE_EQ(1.0, row.reference.median);
  EXPECT_DOUBLE_EQ(2.0, row.ratio);
  EXPECT_TRUE(row.has_target);
  EXPECT_FALSE(row.target_met);

  // The figure handles 500 items per second, the reference 1000: it still
  // costs twice as much.
  FigureSpec rate =
      Spec({"Fig", Quantity::kRate, ""}, {"Ref", Quantity::kRate, ""}, "/s",
           {TargetKind::kRatioAtMost, 2.0});
  row = Evaluate(rate, results);
  EXPECT_DOUBLE_EQ(500000, row.value.median);
  EXPECT_DOUBLE_EQ(2.0, row.ratio);
  EXPECT_TRUE(row.target_met);
}

TEST(FiguresTest, PerItemBandwidthAndCounterValuesAgainstAbsoluteTargets) {
  Results results = Single("Event", 0.010, {{"items", 10000}},
                           Single("Wire", 0.002, {{"bytes", 4e6}},
                                  Single("Mem", 9, {{"growth_mib", 4.5}})));
  FigureRow per_item = Evaluate(Spec({"Event", Quantity::kTimePerItem, ""}, {},
                                     "µs", {TargetKind::kValueAtMost, 2.0}),
                                results);
  EXPECT_DOUBLE_EQ(1.0, per_item.value.median);
  EXPECT_EQ(0, per_item.ratio);  // no reference
  EXPECT_TRUE(per_item.target_met);

  FigureRow bandwidth =
      Evaluate(Spec({"Wire", Quantity::kBandwidth, ""}, {}, "MB/s",
                    {TargetKind::kValueAtLeast, 2500}),
               results);
  EXPECT_DOUBLE_EQ(2000, bandwidth.value.median);
  EXPECT_FALSE(bandwidth.target_met);

  FigureRow counter = Evaluate(Spec({"Mem", Quantity::kCounter, "growth_mib"},
                                    {}, "MiB", {TargetKind::kValueAtMost, 5}),
                               results);
  EXPECT_DOUBLE_EQ(4.5, counter.value.median);
  EXPECT_TRUE(counter.target_met);

  // A run without the counter the measure needs gives no value.
  FigureRow missing =
      Evaluate(Spec({"Wire", Quantity::kRate, ""}, {}, "/s", {}), results);
  EXPECT_EQ(0, missing.value.samples);
  EXPECT_NE(std::string::npos, missing.problem.find("no value"));
}

TEST(FiguresTest, MissingOrFailedBenchmarksAreNamedAndMissTheirTarget) {
  Results results = Single("Fig", 0.001, {});
  results.errors["Ref"] = "the renderer hung";
  FigureRow failed =
      Evaluate(Spec({"Fig", Quantity::kTime, ""}, {"Ref", Quantity::kTime, ""},
                    "ms", {TargetKind::kRatioAtMost, 1.0}),
               results);
  EXPECT_EQ("Ref failed: the renderer hung", failed.problem);
  EXPECT_EQ(0, failed.ratio);
  EXPECT_FALSE(failed.target_met);

  FigureRow absent = Evaluate(Spec({"Gone", Quantity::kTime, ""}, {}, "ms",
                                   {TargetKind::kValueAtMost, 1e9}),
                              results);
  EXPECT_EQ("Gone did not run", absent.problem);
  EXPECT_FALSE(absent.target_met);
}

TEST(FiguresTest, EveryTableFigureHasAUnitAndAMeasure) {
  for (const FigureSpec& spec : TableFigures()) {
    EXPECT_FALSE(spec.measure.benchmark.empty()) << spec.figure;
    EXPECT_FALSE(spec.unit.empty()) << spec.figure;
    EXPECT_EQ(spec.reference.empty(), spec.reference_measure.benchmark.empty())
        << spec.figure;
  }
}

TEST(TableTest, ValuesKeepAboutThreeSignificantDigits) {
  EXPECT_EQ("998 µs", FormatValue(998.4, "µs"));
  EXPECT_EQ("95.0 µs", FormatValue(95.04, "µs"));
  EXPECT_EQ("4.21 ms", FormatValue(4.2149, "ms"));
  EXPECT_EQ("0.0200 ms", FormatValue(0.02, "ms"));
  EXPECT_EQ("10117/s", FormatValue(10117.3, "/s"));
  EXPECT_EQ("10.5×", FormatRatio(10.5));
  EXPECT_EQ("—", FormatRatio(0));
}

TEST(TableTest, MarkdownHasAHeaderASeparatorAndOneLinePerFigure) {
  Results results = Single("Fig", 0.002, {}, Single("Ref", 0.001, {}));
  FigureSpec spec =
      Spec({"Fig", Quantity::kTime, ""}, {"Ref", Quantity::kTime, ""}, "ms",
           {TargetKind::kRatioAtMost, 1.0});
  spec.figure = "a | b";
  std::vector<FigureRow> rows = {Evaluate(spec, results)};
  const std::string table = FormatTable(rows, TableStyle::kMarkdown);
  EXPECT_EQ(0u, table.find("| figure | median |"));
  EXPECT_NE(std::string::npos, table.find("\n|---|---|"));
  EXPECT_NE(std::string::npos,
            table.find("| a \\| b | 2.00 ms | 2.00 – 2.00 ms | reference: "
                       "1.00 ms | 1.00 – 1.00 ms | 2.00× | ≤ 1.00×: missed |"));
  EXPECT_EQ(3, std::count(table.begin(), table.end(), '\n'));

  // The text form aligns the same cells.
  const std::string text = FormatTable(rows, TableStyle::kText);
  EXPECT_NE(std::string::npos, text.find("2.00×"));
  EXPECT_EQ(2, std::count(text.begin(), text.end(), '\n'));
}

TEST(TableTest, TheNoteNamesFiguresWhoseRepetitionsSpreadWidely) {
  FigureSpec steady_spec, busy_spec, busy_reference_spec;
  steady_spec.figure = "steady";
  busy_spec.figure = "busy";
  busy_reference_spec.figure = "busy reference";
  auto row = [](const FigureSpec& spec, std::vector<double> value,
                std::vector<double> reference) {
    FigureRow result;
    result.spec = &spec;
    result.value = Summarize(std::move(value));
    result.reference = Summarize(std::move(reference));
    return result;
  };
  // 12 over 10 stays under the limit; 13 over 10 and 26 over 20 do not.
  const std::vector<FigureRow> rows = {
      row(steady_spec, {10, 11, 12}, {5, 5, 5}),
      row(busy_spec, {10, 11, 13}, {5, 5, 5}),
      row(busy_reference_spec, {10, 10, 10}, {20, 21, 26}),
  };
  const std::string note = FormatSpreadNote(rows);
  EXPECT_EQ(std::string::npos, note.find("steady")) << note;
  EXPECT_NE(std::string::npos, note.find("in: busy; busy reference.")) << note;

  EXPECT_EQ("", FormatSpreadNote({rows[0]}));
  // One repetition, or a figure without data, has no spread to speak of.
  EXPECT_EQ("", FormatSpreadNote({row(busy_spec, {10}, {})}));
}

}  // namespace
}  // namespace kivbench
