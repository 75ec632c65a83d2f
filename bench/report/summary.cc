#include "bench/report/summary.h"

#include <algorithm>

namespace kivbench {

Summary Summarize(std::vector<double> samples) {
  Summary summary;
  if (samples.empty())
    return summary;
  std::sort(samples.begin(), samples.end());
  const size_t n = samples.size();
  summary.samples = static_cast<int>(n);
  summary.min = samples.front();
  summary.max = samples.back();
  summary.median =
      n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  return summary;
}

}  // namespace kivbench
