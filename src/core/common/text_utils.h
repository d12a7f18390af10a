#pragma once
// Small text helpers shared by every part of the program: names in files and
// formulas are compared without regard to ASCII case, values are read
// without their surrounding blanks, and paths are cut into folder and name.
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
// And its small letters made capitals ("png" -> "PNG" in messages).
std::string UpperAscii(std::string_view s);

// The folder of a path, as a name to open: "." for a bare name (the file is
// in the current folder), "/" for a file at the root.
std::string FolderOf(std::string_view path);
// The part after the last '/' (the whole path when there is none).
std::string FileNameOf(std::string_view path);
// The extension of the file name, dot included, in small letters: ".avi";
// "" when the name has none (a dot in a folder's name or at the start of
// the name does not count).
std::string LowerExtension(std::string_view path);

}  // namespace kinevo
