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

std::string FloatToText(double value) { return FloatToText(value, 17, DecimalSeparator()); }

namespace {

// The significant digits of |x| > 0 without trailing zeros, and its decimal
// exponent (x = d.ddd × 10^exponent); `digits` 0 asks for the shortest exact.
void SignificantDigits(double ax, int digits, std::string& ds, int& exponent) {
  char buf[64];
  const auto r =
      digits == 0
          ? std::to_chars(buf, buf + sizeof buf, ax, std::chars_format::scientific)
          : std::to_chars(buf, buf + sizeof buf, ax, std::chars_format::scientific, digits - 1);
  const std::string_view t(buf, static_cast<std::size_t>(r.ptr - buf));
  const std::size_t e = t.find('e');
  ds.clear();
  for (char c : t.substr(0, e))
    if (c != '.') ds += c;
  while (ds.size() > 1 && ds.back() == '0') ds.pop_back();
  exponent = std::atoi(std::string(t.substr(e + 1)).c_str());
}

}  // namespace

std::string FormatGeneral(double x, int digits, char sep) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  if (x == 0) return "0";
  digits = std::clamp(digits, 0, 17);
  std::string ds;
  int exponent = 0;
  SignificantDigits(std::fabs(x), digits, ds, exponent);
  const int widest = digits == 0 ? 15 : digits;
  std::string out = x < 0 ? "-" : "";
  if (exponent < -5 || exponent >= widest) {
    out += ds[0];
    if (ds.size() > 1) out += sep + ds.substr(1);
    out += "E" + std::to_string(exponent);
  } else if (exponent >= 0) {
    const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
    out += ds.substr(0, whole);
    if (ds.size() < whole) out += std::string(whole - ds.size(), '0');
    if (ds.size() > whole) out += sep + ds.substr(whole);
  } else {
    out += "0";
    out += sep;
    out += std::string(static_cast<std::size_t>(-exponent - 1), '0') + ds;
  }
  return out;
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
