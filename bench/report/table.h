// The performance table as text: aligned columns for a terminal, or a
// markdown table to paste into docs/performance.md.
#ifndef BENCH_REPORT_TABLE_H_
#define BENCH_REPORT_TABLE_H_

#include <string>
#include <vector>

#include "bench/report/figures.h"

namespace kivbench {

enum class TableStyle { kText, kMarkdown };

// A value with its unit, to about three significant digits: "998 µs",
// "4.21 ms", "0.0200 ms".
std::string FormatValue(double value, const std::string& unit);

// "10.5×"; "—" for no ratio.
std::string FormatRatio(double ratio);

// "≤ 1×: met", "≥ 1000 MB/s: missed", "" without a target.
std::string FormatTarget(const FigureRow& row);

std::string FormatTable(const std::vector<FigureRow>& rows, TableStyle style);

}  // namespace kivbench

#endif  // BENCH_REPORT_TABLE_H_
