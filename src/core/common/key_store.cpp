#include "core/common/key_store.h"

#include <climits>

#include "core/common/number_format.h"
#include "core/common/text_utils.h"

namespace kinevo {

namespace {

std::optional<int64_t> ParseHex(std::string_view digits, bool negative) {
  if (digits.empty() || digits.size() > 16) return std::nullopt;
  uint64_t acc = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return std::nullopt;
    acc = acc * 16 + static_cast<uint64_t>(d);
  }
  // Hexadecimal values are bit patterns (colours): 32-bit ones keep their bits.
  const int64_t value = acc <= 0xFFFFFFFFull && acc > 0x7FFFFFFFull
                            ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(acc)))
                            : static_cast<int64_t>(acc);
  return negative ? -value : value;
}

}  // namespace

std::optional<int64_t> ParseStoredInteger(std::string_view text) {
  const std::string_view v = TrimBlanks(text);
  bool negative = false;
  std::string_view digits = v;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (!digits.empty() && digits.front() == '$') return ParseHex(digits.substr(1), negative);
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    return ParseHex(digits.substr(2), negative);
  long long out = 0;
  if (!TextToInt(v, out)) return std::nullopt;
  return static_cast<int64_t>(out);
}

std::string IKeyReader::ReadString(std::string_view section, std::string_view key,
                                   std::string_view def) const {
  return std::string(Find(section, key).value_or(def));
}

int64_t IKeyReader::ReadInt64(std::string_view section, std::string_view key, int64_t def) const {
  const auto text = Find(section, key);
  if (!text) return def;
  return ParseStoredInteger(*text).value_or(def);
}

int32_t IKeyReader::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  const int64_t v = ReadInt64(section, key, def);
  if (v < INT32_MIN || v > INT32_MAX) return def;
  return static_cast<int32_t>(v);
}

double IKeyReader::ReadFloat(std::string_view section, std::string_view key, double def) const {
  const auto text = Find(section, key);
  if (!text) return def;
  double v = 0;
  return TextToFloat(*text, v) ? v : def;
}

bool IKeyReader::ReadBool(std::string_view section, std::string_view key, bool def) const {
  const auto text = Find(section, key);
  if (!text) return def;
  const std::string_view v = TrimBlanks(*text);
  if (SameName(v, "true")) return true;
  if (SameName(v, "false")) return false;
  const auto n = ParseStoredInteger(v);
  return n ? *n != 0 : def;
}

void IKeyWriter::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void IKeyWriter::WriteFloat(std::string_view section, std::string_view key, double value) {
  WriteString(section, key, FloatToText(value));
}

void IKeyWriter::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

}  // namespace kinevo
