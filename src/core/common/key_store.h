#pragma once
// Named values in sections: what every model loads itself from and saves
// itself to (the document's sections, the settings).  The INI file engine
// is the store of the program; the models only know these two interfaces,
// so that they can be loaded from any store and tested without files.
//
// Reading follows the rules of the settings files: a missing key, or a
// value that does not read as the type asked, gives the default.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kinevo {

class IKeyReader {
 public:
  virtual ~IKeyReader() = default;

  // The value of `key` in `section` (names matched without regard to ASCII
  // case), or nothing when the key is missing.  The view is valid until the
  // store changes.
  virtual std::optional<std::string_view> Find(std::string_view section,
                                               std::string_view key) const = 0;

  bool ValueExists(std::string_view section, std::string_view key) const {
    return Find(section, key).has_value();
  }
  // A missing key gives the default; a key present with an empty value
  // gives "".
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def = {}) const;
  // Whole decimal integers (or hexadecimal "$FF" / "0xFF"); anything else,
  // or a number out of range, gives the default.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  int64_t ReadInt64(std::string_view section, std::string_view key, int64_t def) const;
  // A float with "," or "." as decimal separator; anything else gives the default.
  double ReadFloat(std::string_view section, std::string_view key, double def) const;
  // An integer: 0 is false, any other is true ("true"/"false" are accepted too).
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
};

class IKeyWriter {
 public:
  virtual ~IKeyWriter() = default;

  virtual void WriteString(std::string_view section, std::string_view key,
                           std::string_view value) = 0;
  virtual void DeleteKey(std::string_view section, std::string_view key) = 0;
  virtual void EraseSection(std::string_view section) = 0;

  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  // With the program's decimal separator.
  void WriteFloat(std::string_view section, std::string_view key, double value);
  void WriteBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"
};

// Integer of a text as the stores read it (see ReadInt64).
std::optional<int64_t> ParseStoredInteger(std::string_view text);

}  // namespace kinevo
