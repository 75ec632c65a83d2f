#include "bench/report/gbench_results.h"

#include <set>
#include <sstream>

#include "nlohmann/json.hpp"

namespace kivbench {

namespace {

using Json = nlohmann::json;

// Fields of a run entry that are not user counters.
const std::set<std::string>& StandardFields() {
  static const std::set<std::string> fields = {"name",
                                               "family_index",
                                               "per_family_instance_index",
                                               "run_name",
                                               "run_type",
                                               "repetitions",
                                               "repetition_index",
                                               "threads",
                                               "iterations",
                                               "real_time",
                                               "cpu_time",
                                               "time_unit",
                                               "error_occurred",
                                               "error_message",
                                               "aggregate_name",
                                               "aggregate_unit",
                                               "label"};
  return fields;
}

bool IsOptionSuffix(const std::string& part) {
  static const char* const kPrefixes[] = {
      "iterations:", "repeats:", "min_time:", "min_warmup_time:", "threads:"};
  if (part == "manual_time" || part == "real_time" || part == "process_time")
    return true;
  for (const char* prefix : kPrefixes) {
    if (part.rfind(prefix, 0) == 0)
      return true;
  }
  return false;
}

double UnitSeconds(const std::string& unit) {
  if (unit == "ns")
    return 1e-9;
  if (unit == "us")
    return 1e-6;
  if (unit == "ms")
    return 1e-3;
  if (unit == "s")
    return 1;
  return 0;
}

}  // namespace

std::string BaseName(const std::string& run_name) {
  std::vector<std::string> parts;
  std::stringstream in(run_name);
  std::string part;
  while (std::getline(in, part, '/'))
    parts.push_back(part);
  while (parts.size() > 1 && IsOptionSuffix(parts.back()))
    parts.pop_back();
  std::string base;
  for (const std::string& kept : parts)
    base += (base.empty() ? "" : "/") + kept;
  return base;
}

bool AddResults(const std::string& json_text,
                Results* out,
                std::string* error) {
  Results found;
  Results* results = &found;
  Json document = Json::parse(json_text, nullptr, false);
  if (document.is_discarded() || !document.is_object() ||
      !document.contains("benchmarks") || !document["benchmarks"].is_array()) {
    *error = "not the JSON output of a benchmark run";
    return false;
  }
  for (const Json& entry : document["benchmarks"]) {
    if (!entry.is_object() || !entry.contains("name") ||
        !entry["name"].is_string()) {
      *error = "a benchmark entry without a name";
      return false;
    }
    if (entry.value("run_type", "iteration") == "aggregate")
      continue;
    const std::string name =
        BaseName(entry.value("run_name", entry["name"].get<std::string>()));
    if (entry.value("error_occurred", false)) {
      results->errors[name] = entry.value("error_message", "failed");
      continue;
    }
    const double unit = UnitSeconds(entry.value("time_unit", ""));
    const Json real_time = entry.value("real_time", Json());
    if (unit == 0 || !real_time.is_number()) {
      *error = name + ": no real time";
      return false;
    }
    Repetition run;
    run.seconds_per_iteration = real_time.get<double>() * unit;
    for (auto it = entry.begin(); it != entry.end(); ++it) {
      if (it.value().is_number() && !StandardFields().count(it.key()))
        run.counters[it.key()] = it.value().get<double>();
    }
    results->runs[name].push_back(run);
  }
  for (auto& runs : found.runs) {
    std::vector<Repetition>& all = out->runs[runs.first];
    all.insert(all.end(), runs.second.begin(), runs.second.end());
  }
  for (auto& failure : found.errors)
    out->errors[failure.first] = failure.second;
  return true;
}

}  // namespace kivbench
