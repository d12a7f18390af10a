#include "core/common/number_format.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
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

}  // namespace kinevo
