#include "bench/report/figures.h"

namespace kivbench {

namespace {

Measure Time(const std::string& benchmark) {
  return {benchmark, Quantity::kTime, ""};
}
Measure PerItem(const std::string& benchmark) {
  return {benchmark, Quantity::kTimePerItem, ""};
}
Measure Rate(const std::string& benchmark) {
  return {benchmark, Quantity::kRate, ""};
}
Measure Bandwidth(const std::string& benchmark) {
  return {benchmark, Quantity::kBandwidth, ""};
}
Measure Counter(const std::string& benchmark, const std::string& counter) {
  return {benchmark, Quantity::kCounter, counter};
}

// Larger is better for rates and bandwidths, smaller for everything else.
bool HigherIsBetter(Quantity quantity) {
  return quantity == Quantity::kRate || quantity == Quantity::kBandwidth;
}

double TimeScale(const std::string& unit) {
  if (unit == "µs")
    return 1e6;
  if (unit == "ms")
    return 1e3;
  return 1;
}

bool FindCounter(const Repetition& run,
                 const std::string& name,
                 double* value) {
  auto it = run.counters.find(name);
  if (it == run.counters.end())
    return false;
  *value = it->second;
  return true;
}

// The summary of |measure| over its runs; |problem| says why there is none.
Summary SummarizeMeasure(const Measure& measure,
                         const std::string& unit,
                         const Results& results,
                         std::string* problem) {
  auto error = results.errors.find(measure.benchmark);
  if (error != results.errors.end()) {
    *problem = measure.benchmark + " failed: " + error->second;
    return Summary();
  }
  auto runs = results.runs.find(measure.benchmark);
  if (runs == results.runs.end()) {
    *problem = measure.benchmark + " did not run";
    return Summary();
  }
  std::vector<double> samples;
  for (const Repetition& run : runs->second) {
    double value = 0;
    if (!ValueOf(measure, unit, run, &value)) {
      *problem = measure.benchmark + " reported no value";
      return Summary();
    }
    samples.push_back(value);
  }
  return Summarize(samples);
}

}  // namespace

const std::vector<FigureSpec>& TableFigures() {
  static const std::vector<FigureSpec> figures = {
      {"round trip, page query with 40 small objects (~4 KiB) echoed back",
       Time("BridgeRoundTrip/items"),
       "JSON-string bridge renderer, same stand-in",
       Time("JsonBridgeRoundTrip/items"),
       "µs",
       {TargetKind::kRatioAtMost, 1.0}},
      {"round trip, small {id, text, ok}",
       Time("BridgeRoundTrip/small"),
       "raw socketpair ping-pong, same frame sizes",
       Time("RawPingPong/small"),
       "µs",
       {TargetKind::kRatioAtMost, 2.0}},
      {"throughput, 1,000 queries in flight, 40 objects",
       Rate("BridgeThroughput/items"),
       "JSON-string bridge",
       Rate("JsonBridgeThroughput/items"),
       "/s",
       {TargetKind::kRatioAtMost, 1.0}},
      {"V8ValueToListEntry, 10,000 objects {id, name, price, tags:[2]}",
       Time("V8ValueToListEntry/items"),
       "JSON.stringify of the same value",
       Time("JsonStringify/items"),
       "ms",
       {TargetKind::kRatioAtMost, 4.0}},
      {"ListEntryToV8Value, same payload",
       Time("ListEntryToV8Value/items"),
       "JSON.parse of its text",
       Time("JsonParse/items"),
       "ms",
       {TargetKind::kRatioAtMost, 4.0}},
      {"CopyListEntry, 1,000,000-character string",
       Time("CopyListEntry/string"),
       "CefListValue::Copy",
       Time("ListValueCopy/string"),
       "ms",
       {TargetKind::kRatioAtMost, 2.0}},
      {"CopyListEntry, 10,000 objects",
       Time("CopyListEntry/many_items"),
       "CefListValue::Copy",
       Time("ListValueCopy/many_items"),
       "ms",
       {TargetKind::kRatioAtMost, 2.0}},
      {"CopyListEntry, 40 objects",
       Time("CopyListEntry/few_items"),
       "CefListValue::Copy",
       Time("ListValueCopy/few_items"),
       "µs",
       {TargetKind::kRatioAtMost, 2.0}},
      {"wire encode + decode of the 10,000-object query message, "
       "containers to bytes and back",
       Bandwidth("WireEncodeDecode/query_message"),
       "memcpy of the same bytes",
       Bandwidth("Memcpy/query_message"),
       "MB/s",
       {TargetKind::kValueAtLeast, 1000}},
      {"the same message through the browser side's codec (its own value "
       "tree, made once)",
       Bandwidth("WireCodec/query_message"),
       "memcpy of the same bytes",
       Bandwidth("Memcpy/query_message"),
       "MB/s",
       {}},
      {"wire encode + decode of a 1,000,000-character string",
       Bandwidth("WireEncodeDecode/string"),
       "memcpy of the same bytes",
       Bandwidth("Memcpy/string"),
       "MB/s",
       {TargetKind::kRatioAtMost, 2.0}},
      {"the same message through the browser side's codec (its own value "
       "tree, made once)",
       Bandwidth("WireCodec/string"),
       "memcpy of the same bytes",
       Bandwidth("Memcpy/string"),
       "MB/s",
       {}},
      {"heap that a received 10,000-object query message holds, per object",
       Counter("ReceivedTreeHeap/query_message", "heap_bytes_per_object"),
       "the same values on the wire",
       Counter("ReceivedTreeHeap/query_message", "wire_bytes_per_object"),
       "bytes",
       {}},
      {"one event to 10,000 registrations, per callback run",
       PerItem("EventToRegistrations/callbacks"),
       "",
       {},
       "µs",
       {TargetKind::kValueAtMost, 2.0}},
      {"resident growth after 10,000 answered round trips of 40 objects, "
       "after as many to warm up, then gc()",
       Counter("BridgeMemoryGrowth/items", "growth_mib"),
       "JSON-string bridge",
       Counter("JsonBridgeMemoryGrowth/items", "growth_mib"),
       "MiB",
       {TargetKind::kValueAtMost, 5.0}},
      {"the same, anonymous memory only (the heaps, without library code "
       "read in from its file)",
       Counter("BridgeMemoryGrowth/items", "anon_growth_mib"),
       "JSON-string bridge",
       Counter("JsonBridgeMemoryGrowth/items", "anon_growth_mib"),
       "MiB",
       {}},
      {"exec of kiv-subprocess to the first page script running",
       Time("StartToFirstScript/renderer"),
       "the same executable without V8 (--type=gpu-process), exec to exit",
       Time("StartWithoutV8/gpu_process"),
       "ms",
       {TargetKind::kValueAtMost, 40.0}},
      {"exec of a program that does nothing but is linked to libnode, to "
       "exit (the loader's floor under every exec'd renderer)",
       Time("StartEmptyProgram/libnode"),
       "the same program without libnode",
       Time("StartEmptyProgram/plain"),
       "ms",
       {}},
      {"a renderer forked from a running zygote to the first page script",
       Time("ForkToFirstScript/renderer"),
       "exec of kiv-subprocess, as above",
       Time("StartToFirstScript/renderer"),
       "ms",
       {TargetKind::kValueAtMost, 40.0}},
      {"idle renderer resident memory, one context",
       Counter("IdleRss/renderer", "rss_mib"),
       "the same executable without V8, idle",
       Counter("IdleRss/gpu_process", "rss_mib"),
       "MiB",
       {TargetKind::kValueAtMost, 30.0}},
      {"the same for a renderer forked from a zygote (pages it shares with "
       "the zygote and has not touched are not counted)",
       Counter("IdleRss/forked_renderer", "rss_mib"),
       "an exec'd renderer, as above",
       Counter("IdleRss/renderer", "rss_mib"),
       "MiB",
       {TargetKind::kValueAtMost, 30.0}},
  };
  return figures;
}

bool ValueOf(const Measure& measure,
             const std::string& unit,
             const Repetition& run,
             double* value) {
  const double seconds = run.seconds_per_iteration;
  double amount = 0;
  switch (measure.quantity) {
    case Quantity::kTime:
      *value = seconds * TimeScale(unit);
      return true;
    case Quantity::kTimePerItem:
      if (!FindCounter(run, "items", &amount) || amount <= 0)
        return false;
      *value = seconds / amount * TimeScale(unit);
      return true;
    case Quantity::kRate:
      if (!FindCounter(run, "items", &amount) || seconds <= 0)
        return false;
      *value = amount / seconds;
      return true;
    case Quantity::kBandwidth:
      if (!FindCounter(run, "bytes", &amount) || seconds <= 0)
        return false;
      *value = amount / seconds / 1e6;
      return true;
    case Quantity::kCounter:
      return FindCounter(run, measure.counter, value);
  }
  return false;
}

FigureRow Evaluate(const FigureSpec& spec, const Results& results) {
  FigureRow row;
  row.spec = &spec;
  row.value = SummarizeMeasure(spec.measure, spec.unit, results, &row.problem);
  if (!spec.reference_measure.benchmark.empty()) {
    std::string problem;
    row.reference =
        SummarizeMeasure(spec.reference_measure, spec.unit, results, &problem);
    if (row.problem.empty())
      row.problem = problem;
  }
  const double figure = row.value.median;
  const double reference = row.reference.median;
  if (row.value.samples > 0 && row.reference.samples > 0 && figure > 0 &&
      reference > 0) {
    row.ratio = HigherIsBetter(spec.measure.quantity) ? reference / figure
                                                      : figure / reference;
  }
  row.has_target = spec.target.kind != TargetKind::kNone;
  switch (spec.target.kind) {
    case TargetKind::kNone:
      break;
    case TargetKind::kRatioAtMost:
      row.target_met = row.ratio > 0 && row.ratio <= spec.target.value;
      break;
    case TargetKind::kValueAtMost:
      row.target_met = row.value.samples > 0 && figure <= spec.target.value;
      break;
    case TargetKind::kValueAtLeast:
      row.target_met = row.value.samples > 0 && figure >= spec.target.value;
      break;
  }
  return row;
}

}  // namespace kivbench
