#pragma once
// Small text helpers shared by every part of the program: names in files and
// formulas are compared without regard to ASCII case, and values are read
// without their surrounding blanks.
#include <string>
#include <string_view>

namespace kinevo {

// `s` without the blanks (space, tab, line breaks, form feed, vertical tab)
// at its ends.
std::string_view TrimBlanks(std::string_view s);

// Whether two names are the same, ASCII letters compared without regard to
// case (the program's keys and identifiers are ASCII; other bytes must match).
bool SameName(std::string_view a, std::string_view b);

// `s` with its ASCII capitals made small: the key under which a name is found
// whatever its case.
std::string LowerAscii(std::string_view s);

}  // namespace kinevo
