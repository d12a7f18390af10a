#include "core/graph/graph_utils.h"

#include <algorithm>
#include <cmath>

#include "core/common/number_format.h"

namespace kinevo {

// ---------------------------------------------------------------------------
// Axis ticks

namespace {
bool IsZeroValue(double v) { return std::fabs(v) < 1e-100; }
}  // namespace

std::vector<double> TAxisTicks::Values() const {
  std::vector<double> v;
  if (count <= 0) return v;
  v.reserve(static_cast<size_t>(count));
  double t = first;
  for (int i = 0; i < count; ++i) {
    v.push_back(t);
    t += step;
  }
  return v;
}

TAxisTicks ComputeAxisTicks(double min, double max) {
  TAxisTicks t;
  const double range = max - min;
  if (!std::isfinite(range)) return t;
  int e = 0;
  if (!IsZeroValue(range)) e = static_cast<int>(std::floor(std::log10(std::fabs(range))));
  const double p = std::pow(10.0, e);
  const double h = range / p;
  double mult;
  if (h <= 1.2)
    mult = 0.2;
  else if (h <= 2.4)
    mult = 0.4;
  else if (h <= 3.6)
    mult = 0.6;
  else if (h < 4)
    mult = 0.8;
  else if (h <= 6)
    mult = 1;
  else
    mult = 2;
  t.step = mult * p;

  double first = std::trunc(min / t.step);
  if (first < 0) first -= 1;
  first *= t.step;
  if (!IsZeroValue(first - min) && t.step > 0) {
    while (first < min) first += t.step;
  }
  t.first = first;

  const double n = std::trunc(range / t.step) + 1;
  t.count = (n > 0 && n < 1e6) ? static_cast<int>(n) : 0;

  double last = first;
  if (t.step > 0) {
    do {
      last += t.step;
    } while (last < max);
    if (!IsZeroValue(max - last)) last -= t.step;
  }
  t.last = last;
  return t;
}

std::string FormatTickLabel(double value, double min, double max, double step) {
  if (std::fabs(value) * 1048576.0 < step) value = 0.0;  // also turns −0 into 0
  const double d = std::max(std::fabs(min), std::fabs(max));
  const char sep = DecimalSeparator();
  if (d >= 10000 || d <= 0.1) return FormatFloatExponent(value, 3, 1, sep);
  int decimals = 3;
  if (d >= 1000)
    decimals = 0;
  else if (d >= 100)
    decimals = 1;
  else if (d >= 10)
    decimals = 2;
  return FormatFloatFixed(value, 4, decimals, sep);
}

}  // namespace kinevo
