#include "core/video/file_times.h"

#include <cmath>

namespace kinevo {

double MeanInterval(std::span<const double> times) {
  if (times.size() < 2) return 0.0;
  return (times.back() - times.front()) / static_cast<double>(times.size() - 1);
}

bool IsVariableRate(std::span<const double> times) {
  const double mean = MeanInterval(times);
  if (!(mean > 0.0)) return false;
  const double limit = kVariableRateTolerance * mean;
  for (std::size_t i = 1; i < times.size(); ++i)
    if (std::fabs(times[i] - times[i - 1] - mean) > limit) return true;
  return false;
}

double FileImageTime(std::span<const double> times, int32_t index, int32_t shift, double period) {
  const double mean = MeanInterval(times);
  double t = 0.0;
  if (!times.empty() && index >= 0) {
    const std::size_t last = times.size() - 1;
    const std::size_t i = static_cast<std::size_t>(index);
    t = i <= last ? times[i] - times.front()
                  : times[last] - times.front() + static_cast<double>(i - last) * mean;
  } else if (index < 0) {
    t = static_cast<double>(index) * mean;
  }
  // The default period is the mean interval: the file's own times, unscaled.
  const double scale = mean > 0.0 ? period / mean : 1.0;
  const double scaled = std::fabs(scale - 1.0) < 1e-12 ? t : t * scale;
  return scaled + static_cast<double>(shift) * period;
}

}  // namespace kinevo
