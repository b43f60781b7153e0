// Summaries of repeated timings. Portable: used by the Win32 benchmarks under
// Wine and by the native ones.
#pragma once
#include <algorithm>
#include <numeric>
#include <vector>

namespace vellumo::bench {

struct Summary {
    double median = 0;
    double mean = 0;
    double min = 0;
    double max = 0;
    std::size_t count = 0;
};

// Median of an even count is the mean of the two middle samples.
inline Summary Summarize(std::vector<double> samples) {
    Summary s;
    s.count = samples.size();
    if (samples.empty()) return s;
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    s.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    s.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / double(n);
    s.min = samples.front();
    s.max = samples.back();
    return s;
}

// Figure over floor; 0 when the floor could not be measured.
inline double Ratio(double figure, double floor) { return floor > 0 ? figure / floor : 0; }

}  // namespace vellumo::bench
