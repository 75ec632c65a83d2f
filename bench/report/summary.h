// Median, minimum and maximum of a figure's samples.
#ifndef BENCH_REPORT_SUMMARY_H_
#define BENCH_REPORT_SUMMARY_H_

#include <vector>

namespace kivbench {

struct Summary {
  double median = 0;
  double min = 0;
  double max = 0;
  int samples = 0;  // 0: no data, the other fields mean nothing
};

// The median of an even count is the mean of the two middle samples.
Summary Summarize(std::vector<double> samples);

}  // namespace kivbench

#endif  // BENCH_REPORT_SUMMARY_H_
