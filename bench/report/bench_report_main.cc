// bench_report [--markdown] [--check] RESULTS.json...
//
// Prints the performance table from the JSON output of the benchmark
// executables (--benchmark_format=json), and after it a note naming the
// figures whose repetitions spread widely. --markdown: as a markdown table.
// --check: exits with 1 when a figure has no value (a benchmark failed or
// did not run), for the smoke test. A file that cannot be read is reported
// and the table printed without it; the exit status is then 2.

#include <stdio.h>
#include <string.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/report/figures.h"
#include "bench/report/gbench_results.h"
#include "bench/report/table.h"

int main(int argc, char** argv) {
  kivbench::TableStyle style = kivbench::TableStyle::kText;
  bool check = false;
  bool unreadable = false;
  kivbench::Results results;
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--markdown") == 0) {
      style = kivbench::TableStyle::kMarkdown;
      continue;
    }
    if (strcmp(argv[i], "--check") == 0) {
      check = true;
      continue;
    }
    std::ifstream in(argv[i]);
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    ++files;
    // The figures of the other files still count.
    if (!in || !kivbench::AddResults(text.str(), &results, &error)) {
      fprintf(stderr, "bench_report: %s: %s\n", argv[i],
              in ? error.c_str() : "cannot read");
      unreadable = true;
    }
  }
  if (files == 0) {
    fprintf(stderr,
            "usage: bench_report [--markdown] [--check] RESULTS.json...\n");
    return 2;
  }

  std::vector<kivbench::FigureRow> rows;
  bool complete = true;
  for (const kivbench::FigureSpec& spec : kivbench::TableFigures()) {
    rows.push_back(kivbench::Evaluate(spec, results));
    if (!rows.back().problem.empty())
      complete = false;
  }
  fputs(kivbench::FormatTable(rows, style).c_str(), stdout);
  const std::string spread = kivbench::FormatSpreadNote(rows);
  if (!spread.empty())
    printf("\n%s", spread.c_str());
  for (const auto& error : results.errors)
    fprintf(stderr, "bench_report: %s failed: %s\n", error.first.c_str(),
            error.second.c_str());
  if (unreadable)
    return 2;
  return check && (!complete || !results.errors.empty()) ? 1 : 0;
}
