#include "core/common/number_format.h"

#include <atomic>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <stdexcept>

namespace kinevo {

namespace {
std::atomic<char> g_separator{'.'};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}
}  // namespace

char DecimalSeparator() { return g_separator.load(std::memory_order_relaxed); }

void SetDecimalSeparator(char sep) {
  g_separator.store(sep == ',' ? ',' : '.', std::memory_order_relaxed);
}

std::string FloatToText(double value) { return FloatToText(value, 17, DecimalSeparator()); }

std::string FloatToText(double value, int maxDigits, char sep) {
  if (value == 0) value = 0.0;  // no "-0" in files and tables
  char buf[64];
  std::to_chars_result r;
  if (maxDigits >= 17) {
    r = std::to_chars(buf, buf + sizeof buf, value);
  } else {
    if (maxDigits < 1) maxDigits = 1;
    r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, maxDigits);
  }
  std::string s(buf, r.ptr);
  if (sep != '.') {
    for (auto& c : s)
      if (c == '.') c = sep;
  }
  return s;
}

bool TextToFloat(std::string_view text, double& out) {
  text = Trim(text);
  if (text.empty()) return false;
  std::string s(text);
  for (auto& c : s)
    if (c == ',') c = '.';
  const char* b = s.data();
  const char* e = b + s.size();
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
  text = Trim(text);
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
