#pragma once
// The decimal separator of files and displays.  It is one program-wide
// setting, read once at start-up from the user's locale (or the settings);
// library code never calls setlocale.  Floats are written with this
// separator and read after accepting both "," and ".".
#include <locale.h>

#include <string>
#include <string_view>

namespace kinevo {

char DecimalSeparator();
void SetDecimalSeparator(char sep);

// Sets the separator for the life of the object, then puts the previous one
// back (used by tests and by commands that force a separator).
class ScopedDecimalSeparator {
 public:
  explicit ScopedDecimalSeparator(char sep) : previous_(DecimalSeparator()) {
    SetDecimalSeparator(sep);
  }
  ~ScopedDecimalSeparator() { SetDecimalSeparator(previous_); }
  ScopedDecimalSeparator(const ScopedDecimalSeparator&) = delete;
  ScopedDecimalSeparator& operator=(const ScopedDecimalSeparator&) = delete;

 private:
  char previous_;
};

// For its life, the C library formats and reads the numbers of this thread
// with the C conventions ("." as decimal point) whatever the process's
// LC_NUMERIC: around printf-family calls and libraries that follow it
// (libxlsxwriter writes its number cells with printf).  Files must be the
// same in every locale.
class ScopedCNumericLocale {
 public:
  ScopedCNumericLocale();
  ~ScopedCNumericLocale();
  ScopedCNumericLocale(const ScopedCNumericLocale&) = delete;
  ScopedCNumericLocale& operator=(const ScopedCNumericLocale&) = delete;

 private:
  locale_t previous_;
};

// The program's one general number format: `digits` significant digits at
// most (1 to 17; 0 for the shortest text that reads back exactly), trailing
// zeros dropped, fixed notation unless the integer part would need more
// digits than that or the magnitude is below 0.00001, then an exponent
// written "E" with its sign only when negative and no leading zeros
// ("1E20", "1,5E-7").  Not-a-number and infinities give "NAN", "INF" and
// "-INF"; zero is never negative.
std::string FormatGeneral(double x, int digits, char sep);
std::string FormatGeneral(double x, int digits);  // with the current separator

// Shortest text that reads back to exactly `value` (at most 17 significant
// digits), in the general format with the current separator.  Used for files.
std::string FloatToText(double value);
// Same with `maxDigits` significant digits at most (1 to 17) and an explicit
// separator; used by the command-line output.
std::string FloatToText(double value, int maxDigits, char sep);

// Fixed and exponent forms: `precision` significant digits; fixed with
// `digits` decimals (an integer part longer than the precision goes to the
// exponent form), exponent with at least `digits` exponent digits and a sign
// ("3.50E+4").  Used by the graphs' tick labels and the figures' angles.
std::string FormatFloatFixed(double value, int precision, int digits, char sep);
std::string FormatFloatExponent(double value, int precision, int digits, char sep);

// The formatter of every displayed real.  `extra` is the number of extra
// digits (0 to 8; larger values count as 8, negative ones as 0).
//   NaN                          -> "#Nombre!"
//   0.01 <= |x| <= 10000         -> fixed, extra + 4 significant digits at most,
//                                   decimals extra (|x| > 1000), extra + 1 (> 100),
//                                   extra + 2 (> 10), extra + 3 otherwise
//   other non-zero x             -> "d.ddE+d": extra + 3 significant digits,
//                                   at least extra + 1 exponent digits (at most 4)
//   0                            -> "0"
// Infinities show as "INF" and "-INF".  The decimal separator is
// DecimalSeparator(); halves are rounded away from zero.
std::string FormatNumber(int extra, double x);

// Replaces every "," and "." by the current decimal separator, so that typed
// numbers accept both.
std::string NormaliseDecimal(const std::string& text);

// Reads a float written with "," or "." as separator, with optional blanks
// around it.  Returns false (and leaves `out` alone) when the text is not a
// complete number.
bool TextToFloat(std::string_view text, double& out);
// Reads a whole decimal integer (optional sign and blanks).
bool TextToInt(std::string_view text, long long& out);

// The separator of the user's locale, from the environment (LC_ALL,
// LC_NUMERIC, LANG), without changing the C locale.
char LocaleDecimalSeparator();

}  // namespace kinevo
