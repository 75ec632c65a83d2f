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

// How far apart the slowest and the fastest repetition of a figure or of its
// reference may lie before the table's note names the figure.
constexpr double kWideSpread = 1.25;

// A paragraph naming the figures whose repetitions, or whose reference's,
// spread wider than kWideSpread: the machine was busy while they ran, and
// their ratios are worth another run. "" when there are none.
std::string FormatSpreadNote(const std::vector<FigureRow>& rows);

}  // namespace kivbench

#endif  // BENCH_REPORT_TABLE_H_
