#include "bench/report/table.h"

#include <stdio.h>

#include <algorithm>
#include <cmath>

namespace kivbench {

namespace {

const char kNone[] = "—";

// Characters a terminal shows for UTF-8 |text|.
size_t DisplayWidth(const std::string& text) {
  size_t width = 0;
  for (unsigned char c : text) {
    if ((c & 0xc0) != 0x80)
      ++width;
  }
  return width;
}

std::string Number(double value) {
  const double magnitude = std::fabs(value);
  int decimals = 0;
  if (magnitude < 0.1)
    decimals = 4;
  else if (magnitude < 1)
    decimals = 3;
  else if (magnitude < 10)
    decimals = 2;
  else if (magnitude < 100)
    decimals = 1;
  char text[64];
  snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}

std::string Spread(const Summary& summary, const std::string& unit) {
  if (summary.samples == 0)
    return kNone;
  return Number(summary.min) + " – " + FormatValue(summary.max, unit);
}

std::string Median(const Summary& summary, const std::string& unit) {
  return summary.samples == 0 ? kNone : FormatValue(summary.median, unit);
}

std::vector<std::string> Cells(const FigureRow& row) {
  const FigureSpec& spec = *row.spec;
  std::string reference = spec.reference.empty() ? kNone : spec.reference;
  if (!spec.reference.empty())
    reference += ": " + Median(row.reference, spec.unit);
  std::string figure = spec.figure;
  if (!row.problem.empty())
    figure += " (" + row.problem + ")";
  return {figure,
          Median(row.value, spec.unit),
          Spread(row.value, spec.unit),
          reference,
          Spread(row.reference, spec.unit),
          FormatRatio(row.ratio),
          FormatTarget(row)};
}

const std::vector<std::string>& Headers() {
  static const std::vector<std::string> headers = {
      "figure",
      "median",
      "min – max",
      "reference in the same run (median)",
      "reference min – max",
      "ratio (cost)",
      "target"};
  return headers;
}

bool SpreadsWide(const Summary& summary) {
  return summary.samples > 1 && summary.min > 0 &&
         summary.max > kWideSpread * summary.min;
}

std::string MarkdownCell(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '|')
      out += "\\|";
    else
      out += c;
  }
  return out;
}

}  // namespace

std::string FormatValue(double value, const std::string& unit) {
  if (unit == "/s")
    return Number(value) + "/s";
  return Number(value) + " " + unit;
}

std::string FormatRatio(double ratio) {
  if (ratio <= 0)
    return kNone;
  return Number(ratio) + "×";
}

std::string FormatTarget(const FigureRow& row) {
  const Target& target = row.spec->target;
  std::string text;
  switch (target.kind) {
    case TargetKind::kNone:
      return "";
    case TargetKind::kRatioAtMost:
      text = "≤ " + Number(target.value) + "×";
      break;
    case TargetKind::kValueAtMost:
      text = "≤ " + FormatValue(target.value, row.spec->unit);
      break;
    case TargetKind::kValueAtLeast:
      text = "≥ " + FormatValue(target.value, row.spec->unit);
      break;
  }
  return text + (row.target_met ? ": met" : ": missed");
}

std::string FormatTable(const std::vector<FigureRow>& rows, TableStyle style) {
  std::vector<std::vector<std::string>> lines = {Headers()};
  for (const FigureRow& row : rows)
    lines.push_back(Cells(row));

  std::string out;
  if (style == TableStyle::kMarkdown) {
    for (size_t i = 0; i < lines.size(); ++i) {
      out += "|";
      for (const std::string& cell : lines[i])
        out += " " + MarkdownCell(cell) + " |";
      out += "\n";
      if (i == 0) {
        out += "|";
        for (size_t c = 0; c < lines[i].size(); ++c)
          out += "---|";
        out += "\n";
      }
    }
    return out;
  }

  std::vector<size_t> widths(Headers().size(), 0);
  for (const auto& line : lines) {
    for (size_t c = 0; c < line.size(); ++c)
      widths[c] = std::max(widths[c], DisplayWidth(line[c]));
  }
  for (const auto& line : lines) {
    std::string text;
    for (size_t c = 0; c < line.size(); ++c) {
      text += line[c];
      if (c + 1 < line.size())
        text += std::string(widths[c] - DisplayWidth(line[c]) + 2, ' ');
    }
    out += text + "\n";
  }
  return out;
}

std::string FormatSpreadNote(const std::vector<FigureRow>& rows) {
  std::string names;
  for (const FigureRow& row : rows) {
    if (!SpreadsWide(row.value) && !SpreadsWide(row.reference))
      continue;
    names += names.empty() ? "" : "; ";
    names += row.spec->figure;
  }
  if (names.empty())
    return "";
  return "Repetitions spread wider than " + Number(kWideSpread) +
         "× (slowest over fastest), for the figure or its reference, in: " +
         names + ". The machine was busy while they ran; run them again " +
         "before reading much into their ratios.\n";
}

}  // namespace kivbench
