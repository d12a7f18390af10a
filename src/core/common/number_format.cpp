#include "core/common/number_format.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <stdexcept>

#include "core/common/text_utils.h"

namespace kinevo {

namespace {
std::atomic<char> g_separator{'.'};

}  // namespace

char DecimalSeparator() { return g_separator.load(std::memory_order_relaxed); }

void SetDecimalSeparator(char sep) {
  g_separator.store(sep == ',' ? ',' : '.', std::memory_order_relaxed);
}

ScopedCNumericLocale::ScopedCNumericLocale() {
  // Made once and kept: the process's numeric locale may change meanwhile,
  // this one never does.
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  previous_ = uselocale(c);
}

ScopedCNumericLocale::~ScopedCNumericLocale() { uselocale(previous_); }

std::string FloatToText(double value) { return FloatToText(value, 17, DecimalSeparator()); }

namespace {

// The significant digits of |x| > 0 without trailing zeros, and its decimal
// exponent (x = d.ddd × 10^exponent); `digits` 0 asks for the shortest exact.
// Answers the number of digits put in `ds` (at most 17).
std::size_t SignificantDigits(double ax, int digits, char (&ds)[24], int& exponent) {
  char buf[64];
  const auto r =
      digits == 0
          ? std::to_chars(buf, buf + sizeof buf, ax, std::chars_format::scientific)
          : std::to_chars(buf, buf + sizeof buf, ax, std::chars_format::scientific, digits - 1);
  const char* e = std::find(buf, r.ptr, 'e');
  std::size_t n = 0;
  for (const char* p = buf; p < e && n < sizeof ds; ++p)
    if (*p != '.') ds[n++] = *p;
  while (n > 1 && ds[n - 1] == '0') --n;
  const char* from = e + 1;
  if (from < r.ptr && *from == '+') ++from;
  exponent = 0;
  std::from_chars(from, r.ptr, exponent);
  return n;
}

}  // namespace

std::string FormatGeneral(double x, int digits, char sep) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  if (x == 0) return "0";
  digits = std::clamp(digits, 0, 17);
  char ds[24];
  int exponent = 0;
  const std::size_t n = SignificantDigits(std::fabs(x), digits, ds, exponent);
  const int widest = digits == 0 ? 15 : digits;
  // Built on the stack: files write millions of numbers.  The longest text
  // is a sign, 17 digits, a separator, the zeros of an exponent down to -5
  // or up to 16, and at most "E-324".
  char out[64];
  std::size_t len = 0;
  auto put = [&](char c) { out[len++] = c; };
  auto putDigits = [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) put(ds[i]);
  };
  if (x < 0) put('-');
  if (exponent < -5 || exponent >= widest) {
    put(ds[0]);
    if (n > 1) {
      put(sep);
      putDigits(1, n);
    }
    put('E');
    len = static_cast<std::size_t>(std::to_chars(out + len, out + sizeof out, exponent).ptr - out);
  } else if (exponent >= 0) {
    const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
    putDigits(0, std::min(n, whole));
    for (std::size_t i = n; i < whole; ++i) put('0');
    if (n > whole) {
      put(sep);
      putDigits(whole, n);
    }
  } else {
    put('0');
    put(sep);
    for (int i = 0; i < -exponent - 1; ++i) put('0');
    putDigits(0, n);
  }
  return std::string(out, len);
}

std::string FormatGeneral(double x, int digits) {
  return FormatGeneral(x, digits, DecimalSeparator());
}

std::string FloatToText(double value, int maxDigits, char sep) {
  return FormatGeneral(value, maxDigits >= 17 ? 0 : std::max(maxDigits, 1), sep);
}

bool TextToFloat(std::string_view text, double& out) {
  text = TrimBlanks(text);
  if (text.empty()) return false;
  // Numbers of files are short: copied to the stack, not the heap, since a
  // large document reads millions of them.
  char local[64];
  std::string heap;
  char* d = local;
  if (text.size() > sizeof local) {
    heap.assign(text);
    d = heap.data();
  } else {
    std::copy(text.begin(), text.end(), local);
  }
  for (std::size_t i = 0; i < text.size(); ++i)
    if (d[i] == ',') d[i] = '.';
  const char* b = d;
  const char* e = b + text.size();
  if (*b == '+') ++b;
  if (b == e) return false;
  double v = 0;
  auto r = std::from_chars(b, e, v);
  if (r.ec == std::errc::result_out_of_range) {
    // Keep the behaviour of strtod: overflow to infinity, underflow to zero.
    // The text has "." as its decimal point, whatever the process's locale.
    ScopedCNumericLocale cNumbers;
    v = std::strtod(std::string(b, e).c_str(), nullptr);
  } else if (r.ec != std::errc()) {
    return false;
  }
  if (r.ptr != e) return false;
  out = v;
  return true;
}

bool TextToInt(std::string_view text, long long& out) {
  text = TrimBlanks(text);
  if (text.empty()) return false;
  const char* b = text.data();
  const char* e = b + text.size();
  if (*b == '+') ++b;
  long long v = 0;
  auto r = std::from_chars(b, e, v);
  if (r.ec != std::errc() || r.ptr != e) return false;
  out = v;
  return true;
}

char LocaleDecimalSeparator() {
  const char* names[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
  for (const char* n : names) {
    const char* v = std::getenv(n);
    if (v == nullptr || *v == '\0') continue;
    try {
      std::locale loc(v);
      return std::use_facet<std::numpunct<char>>(loc).decimal_point() == ',' ? ',' : '.';
    } catch (const std::runtime_error&) {
      // Locale not installed: guess from the language, as the French, German,
      // Spanish ... conventions use a comma.
      std::string l(v);
      static const char* commaLangs[] = {"fr", "de", "es", "it", "pt", "nl", "ru",
                                         "pl", "sv", "da", "fi", "nb", "nn", "cs",
                                         "tr", "el", "hu", "ro", "uk", "be"};
      for (const char* c : commaLangs)
        if (l.rfind(c, 0) == 0) return ',';
      return '.';
    }
  }
  return '.';
}

// ---------------------------------------------------------------- fixed and exponent

std::string FormatFloatFixed(double value, int precision, int digits, char sep) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  // Round to `precision` significant digits or `digits` decimals, whichever
  // keeps fewer; integer parts longer than the precision go to exponent form.
  int intDigits = 1;
  if (value != 0) intDigits = static_cast<int>(std::floor(std::log10(std::fabs(value)))) + 1;
  if (intDigits > precision) return FormatFloatExponent(value, precision, 0, sep);
  int decimals = std::min(digits, std::max(0, precision - intDigits));
  char buf[64];
  ScopedCNumericLocale cNumbers;  // "." below, then `sep`
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string s(buf);
  // Pad to the asked number of decimals.
  if (decimals < digits) {
    if (decimals == 0) s += '.';
    s.append(static_cast<size_t>(digits - decimals), '0');
  }
  if (s.size() > 1 && s[0] == '-') {
    // "-0.000" is shown without its sign.
    bool allZero = s.find_first_not_of("-0.") == std::string::npos;
    if (allZero) s.erase(0, 1);
  }
  for (auto& c : s)
    if (c == '.') c = sep;
  return s;
}

std::string FormatFloatExponent(double value, int precision, int digits, char sep) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  precision = std::clamp(precision, 1, 17);
  char buf[64];
  ScopedCNumericLocale cNumbers;  // "." below, then `sep`
  std::snprintf(buf, sizeof buf, "%.*E", precision - 1, value);
  std::string s(buf);
  const auto epos = s.find('E');
  std::string mant = s.substr(0, epos);
  int exp = std::atoi(s.c_str() + epos + 1);
  std::string ed = std::to_string(std::abs(exp));
  if (static_cast<int>(ed.size()) < digits)
    ed.insert(0, static_cast<size_t>(digits) - ed.size(), '0');
  for (auto& c : mant)
    if (c == '.') c = sep;
  return mant + "E" + (exp < 0 ? "-" : "+") + ed;
}

// ---------------------------------------------------------------- FormatNumber

namespace {

// A positive finite number as decimal digits: value = d0.d1d2... × 10^exp.
struct TDecimal {
  std::string digits;
  int exp = 0;

  char Digit(int i) const {
    return i >= 0 && i < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(i)]
                                                         : '0';
  }
};

TDecimal ToDecimal(double v) {
  // The shortest digits that read back to the same double: the number as
  // it reads in decimal, so that rounding it is done as people round by
  // hand (12.345 gives 12.35, where its binary expansion 12.3449999... would
  // give 12.34).  Halves round away from zero.
  char buf[40];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf - 1, v, std::chars_format::scientific);
  *end = '\0';
  TDecimal d;
  const char* p = buf;
  for (; *p != 'e' && *p != '\0'; ++p)
    if (*p >= '0' && *p <= '9') d.digits.push_back(*p);
  d.exp = *p == 'e' ? std::atoi(p + 1) : 0;
  return d;
}

// Keeps n significant digits (n may be 0 or negative: the number then
// rounds to one unit of the place 10^(exp - n + 1) or to nothing).
void RoundDigits(TDecimal& d, int n) {
  if (n >= static_cast<int>(d.digits.size())) return;
  if (n < 0) {
    d.digits = "0";
    return;
  }
  const bool up = d.digits[static_cast<std::size_t>(n)] >= '5';
  d.digits.resize(static_cast<std::size_t>(n));
  if (up) {
    int i = n - 1;
    while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
      d.digits[static_cast<std::size_t>(i)] = '0';
      --i;
    }
    if (i >= 0) {
      ++d.digits[static_cast<std::size_t>(i)];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.exp;
    }
  }
  if (d.digits.empty()) d.digits = "0";
}

std::string FixedText(double ax, int precision, int decimals, char sep) {
  TDecimal d = ToDecimal(ax);
  RoundDigits(d, std::min(precision, d.exp + 1 + decimals));
  std::string s;
  // Digit index of the place 10^q is exp - q.
  for (int q = std::max(d.exp, 0); q >= 0; --q) s.push_back(d.Digit(d.exp - q));
  if (decimals > 0) {
    s.push_back(sep);
    for (int q = -1; q >= -decimals; --q) s.push_back(d.Digit(d.exp - q));
  }
  return s;
}

std::string ExponentText(double ax, int precision, int expDigits, char sep) {
  TDecimal d = ToDecimal(ax);
  RoundDigits(d, precision);
  std::string s;
  s.push_back(d.Digit(0));
  if (precision > 1) {
    s.push_back(sep);
    for (int i = 1; i < precision; ++i) s.push_back(d.Digit(i));
  }
  s.push_back('E');
  s.push_back(d.exp < 0 ? '-' : '+');
  std::string e = std::to_string(std::abs(d.exp));
  if (static_cast<int>(e.size()) < expDigits)
    e.insert(0, static_cast<std::size_t>(expDigits) - e.size(), '0');
  return s + e;
}

}  // namespace

std::string FormatNumber(int extra, double x) {
  if (std::isnan(x)) return "#Nombre!";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  extra = std::clamp(extra, 0, 8);
  const char sep = DecimalSeparator();
  const double ax = std::fabs(x);
  const std::string sign = x < 0 ? "-" : "";
  if (ax <= 10000 && ax >= 0.01) {
    int decimals = extra + 3;
    if (ax > 1000)
      decimals = extra;
    else if (ax > 100)
      decimals = extra + 1;
    else if (ax > 10)
      decimals = extra + 2;
    return sign + FixedText(ax, extra + 4, decimals, sep);
  }
  if (x != 0) return sign + ExponentText(ax, extra + 3, extra + 1, sep);
  return "0";
}

std::string NormaliseDecimal(const std::string& text) {
  const char sep = DecimalSeparator();
  std::string s = text;
  for (auto& c : s)
    if (c == ',' || c == '.') c = sep;
  return s;
}

}  // namespace kinevo
