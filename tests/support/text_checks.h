#pragma once
// Helpers of the tests that read the program's text output: splitting it
// into lines, fields and named values, and an independent least-squares parabola to
// check the values it gives.
#include <cmath>
#include <cstddef>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace kinevo::test {

inline std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, sep)) out.push_back(item);
  return out;
}

// The "name: value" lines of a text, by name.
inline std::map<std::string, std::string> Keys(const std::string& text) {
  std::map<std::string, std::string> m;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const auto c = line.find(": ");
    if (c != std::string::npos) m[line.substr(0, c)] = line.substr(c + 2);
  }
  return m;
}

// The quadratic coefficient of the least-squares parabola through (t, y),
// from the normal equations by Cramer's rule.
inline double QuadraticCoefficient(const std::vector<double>& t, const std::vector<double>& y) {
  double s[5] = {}, r[3] = {};
  for (std::size_t i = 0; i < t.size(); ++i)
    for (int p = 0; p < 5; ++p) {
      s[p] += std::pow(t[i], p);
      if (p < 3) r[p] += std::pow(t[i], p) * y[i];
    }
  auto det = [](double a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  double m[3][3] = {{s[0], s[1], s[2]}, {s[1], s[2], s[3]}, {s[2], s[3], s[4]}};
  double m2[3][3] = {{s[0], s[1], r[0]}, {s[1], s[2], r[1]}, {s[2], s[3], r[2]}};
  return det(m2) / det(m);
}

}  // namespace kinevo::test
