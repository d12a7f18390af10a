#include "core/graph/units.h"

#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace kinevo {
namespace {

// Named units with their powers, in the order they first appear.
using TFactors = std::vector<std::pair<std::string, int>>;

// The superscript digits ⁰ ... ⁹ and the superscript minus, in UTF-8.
constexpr const char* kSuperDigits[10] = {"\u2070", "\u00B9", "\u00B2", "\u00B3", "\u2074",
                                          "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};
constexpr std::string_view kSuperMinus = "\u207B";

void Add(TFactors& f, const std::string& name, int power) {
  for (auto& [n, p] : f)
    if (n == name) {
      p += power;
      return;
    }
  f.emplace_back(name, power);
}

// The superscript digit or minus at the start of s: its value (−1 for the
// minus) and its length in bytes; 0 bytes when there is none.
int SuperscriptAt(std::string_view s, int& value) {
  if (s.starts_with(kSuperMinus)) {
    value = -1;
    return static_cast<int>(kSuperMinus.size());
  }
  for (int d = 0; d < 10; ++d)
    if (s.starts_with(kSuperDigits[d])) {
      value = d;
      return static_cast<int>(std::string_view(kSuperDigits[d]).size());
    }
  return 0;
}

bool IsSeparator(char c) { return c == '.' || c == '*' || c == ' '; }

// One factor: a name then an optional power ("s²", "s⁻¹", "s^-2", "s-2").
// False when it cannot be read.
bool ReadFactor(std::string_view s, std::string& name, int& power) {
  size_t i = 0;
  int digit = 0;
  while (i < s.size()) {
    const char c = s[i];
    if ((c >= '0' && c <= '9') || c == '^' || c == '-' || c == '(' || c == ')' ||
        SuperscriptAt(s.substr(i), digit) > 0)
      break;
    ++i;
  }
  name = std::string(s.substr(0, i));
  if (name.empty()) return false;
  std::string_view rest = s.substr(i);
  power = 1;
  if (rest.empty()) return true;
  if (rest[0] == '(' || rest[0] == ')') return false;
  if (rest[0] == '^') rest.remove_prefix(1);
  int sign = 1, value = 0, digits = 0;
  if (!rest.empty() && rest[0] == '-') {
    sign = -1;
    rest.remove_prefix(1);
  }
  while (!rest.empty()) {
    if (rest[0] >= '0' && rest[0] <= '9') {
      value = value * 10 + (rest[0] - '0');
      rest.remove_prefix(1);
    } else if (const int n = SuperscriptAt(rest, digit); n > 0) {
      rest.remove_prefix(static_cast<size_t>(n));
      if (digit < 0) {
        sign = -sign;
        continue;
      }
      value = value * 10 + digit;
    } else {
      return false;
    }
    if (++digits > 2) return false;
  }
  if (digits == 0) return false;
  power = sign * value;
  return true;
}

// The factors of a unit ("m/s²": m¹ s⁻²); nothing for a unit that is not a
// product of powers of names.
std::optional<TFactors> Parse(const std::string& unit) {
  TFactors f;
  int side = 1;  // after a "/" the powers count negatively
  size_t i = 0;
  while (i < unit.size()) {
    if (IsSeparator(unit[i])) {
      ++i;
      continue;
    }
    if (unit[i] == '/') {
      side = -1;
      ++i;
      continue;
    }
    size_t j = i;
    // "·" (U+00B7) separates too.
    while (j < unit.size() && !IsSeparator(unit[j]) && unit[j] != '/' &&
           unit.compare(j, 2, "\u00B7") != 0)
      ++j;
    std::string name;
    int power = 0;
    if (!ReadFactor(std::string_view(unit).substr(i, j - i), name, power)) return std::nullopt;
    Add(f, name, side * power);
    i = j;
    if (unit.compare(i, 2, "\u00B7") == 0) i += 2;
  }
  return f;
}

std::string Superscript(int power) {
  std::string s = power < 0 ? std::string(kSuperMinus) : std::string();
  for (char c : std::to_string(std::abs(power))) s += kSuperDigits[c - '0'];
  return s;
}

std::string Write(const TFactors& f) {
  std::string above, below;
  bool anyAbove = false;
  for (const auto& [n, p] : f) anyAbove = anyAbove || p > 0;
  for (const auto& [n, p] : f) {
    if (p == 0) continue;
    // Nothing above the line: negative powers ("s⁻¹") rather than "1/s".
    std::string& side = p > 0 || !anyAbove ? above : below;
    const int shown = p > 0 || !anyAbove ? p : -p;
    if (!side.empty()) side += ".";
    side += n + (shown == 1 ? std::string() : Superscript(shown));
  }
  return below.empty() ? above : above + "/" + below;
}

// A unit kept whole in a quotient.
std::string Whole(const std::string& unit) {
  return unit.find_first_of("/. *") == std::string::npos ? unit : "(" + unit + ")";
}

}  // namespace

std::string UnitRatio(const std::string& numerator, const std::string& denominator, int power) {
  if (numerator.empty() || denominator.empty()) return {};
  const auto a = Parse(numerator), b = Parse(denominator);
  if (a && b) {
    TFactors f = *a;
    for (const auto& [n, p] : *b) Add(f, n, -p * power);
    return Write(f);
  }
  return Whole(numerator) + "/" + Whole(denominator) + (power == 1 ? "" : Superscript(power));
}

std::string UnitInverse(const std::string& unit, int power) {
  if (unit.empty()) return {};
  if (const auto a = Parse(unit)) {
    TFactors f;
    for (const auto& [n, p] : *a) Add(f, n, -p * power);
    return Write(f);
  }
  return Whole(unit) + Superscript(-power);
}

}  // namespace kinevo
