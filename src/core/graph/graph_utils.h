#pragma once
// The choice and formatting of the labelled ticks of a graph axis.
#include <string>
#include <vector>

namespace kinevo {

// Labelled ticks of an axis running from min to max.
struct TAxisTicks {
  double step = 0;
  double first = 0;
  double last = 0;
  int count = 0;
  // The values of the labelled ticks: first, first + step, ... (count of
  // them, accumulated by repeated addition, as drawn).
  std::vector<double> Values() const;
};

// Chooses the tick step and the first, last and number of labelled ticks.
TAxisTicks ComputeAxisTicks(double min, double max);

// Label of a tick value for an axis running from min to max: exponent format
// (3 digits, 1 exponent digit) when max(|min|, |max|) >= 10000 or <= 0.1,
// otherwise fixed with 0 to 3 decimals.  A value is printed as 0 when
// |v| * 2^20 < step: ticks are multiples of the step, so it is the rounding
// residue of 0 (the first tick too, which the tick rule can leave at -0).
// Uses the program's decimal separator.
std::string FormatTickLabel(double value, double min, double max, double step);

}  // namespace kinevo
