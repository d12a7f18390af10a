#pragma once
// Text encodings of files.  The program writes its files in UTF-8; files
// written by older Windows versions of the program are in Windows-1252 and
// are recognised by not being valid UTF-8.
#include <string>
#include <string_view>

namespace kinevo {

// Appends code point `cp` (below 0x110000) to `out` in UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Converts Windows-1252 bytes to UTF-8.  The five bytes that Windows-1252
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control
// characters of the same number, as Windows does.
std::string Cp1252ToUtf8(std::string_view text);

// Converts UTF-8 to Windows-1252; characters that have no Windows-1252 form
// become '?'.  Invalid sequences are taken byte by byte.
std::string Utf8ToCp1252(std::string_view text);

// The text of a file as UTF-8: a UTF-8 byte-order mark is dropped; UTF-16
// with its byte-order mark (what Windows editors save as "Unicode") is
// converted; valid UTF-8 is kept as it is; anything else is read as
// Windows-1252.
std::string DecodeFileText(std::string_view bytes);
// The same, taking the bytes over: valid UTF-8 without a mark is kept
// without a copy (documents can hold hundreds of megabytes).
std::string TakeFileText(std::string&& bytes);

// A name or value read from a file, made fit for a message: invalid UTF-8
// and control characters are escaped ("\x07"), and text longer than
// `maxChars` characters is cut in its middle with an ellipsis, so that a
// binary file given by mistake never floods a dialog or a terminal.
std::string DisplayText(std::string_view text, std::size_t maxChars = 160);

}  // namespace kinevo
