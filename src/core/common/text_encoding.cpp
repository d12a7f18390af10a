#include "core/common/text_encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace kinevo {

namespace {

// Code points of the bytes 0x80 to 0x9F in Windows-1252.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// Decodes one UTF-8 sequence at `i`; returns its length, 0 when invalid.
size_t DecodeOne(std::string_view s, size_t i, char32_t& cp) {
  const auto b0 = static_cast<uint8_t>(s[i]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  size_t len;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<uint8_t>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    char32_t cp;
    const size_t n = DecodeOne(text, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char ch : text) {
    const auto b = static_cast<uint8_t>(ch);
    if (b < 0x80)
      out += ch;
    else if (b < 0xA0)
      AppendUtf8(out, kCp1252High[b - 0x80]);
    else
      AppendUtf8(out, b);  // Latin-1 range: same code point
  }
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char32_t cp;
    size_t n = DecodeOne(text, i, cp);
    if (n == 0) {
      out += text[i];
      ++i;
      continue;
    }
    i += n;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    char mapped = '?';
    for (size_t k = 0; k < kCp1252High.size(); ++k) {
      if (kCp1252High[k] == cp) {
        mapped = static_cast<char>(0x80 + k);
        break;
      }
    }
    out += mapped;
  }
  return out;
}

namespace {

bool HasUtf8Mark(std::string_view b) {
  return b.size() >= 3 && static_cast<uint8_t>(b[0]) == 0xEF &&
         static_cast<uint8_t>(b[1]) == 0xBB && static_cast<uint8_t>(b[2]) == 0xBF;
}

// 0: no UTF-16 mark, 1: little-endian, 2: big-endian.
int Utf16Mark(std::string_view b) {
  if (b.size() < 2) return 0;
  const auto b0 = static_cast<uint8_t>(b[0]), b1 = static_cast<uint8_t>(b[1]);
  if (b0 == 0xFF && b1 == 0xFE) return 1;
  if (b0 == 0xFE && b1 == 0xFF) return 2;
  return 0;
}

// UTF-16 after its mark; unpaired surrogates become U+FFFD, a last odd byte
// is dropped.
std::string Utf16ToUtf8(std::string_view b, bool little) {
  std::string out;
  out.reserve(b.size());
  auto unit = [&](std::size_t i) -> char32_t {
    const auto lo = static_cast<uint8_t>(b[little ? i : i + 1]);
    const auto hi = static_cast<uint8_t>(b[little ? i + 1 : i]);
    return static_cast<char32_t>(hi << 8 | lo);
  };
  for (std::size_t i = 2; i + 1 < b.size(); i += 2) {
    char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < b.size()) {
      const char32_t v = unit(i + 2);
      if (v >= 0xDC00 && v <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
    AppendUtf8(out, u);
  }
  return out;
}

}  // namespace

std::string DecodeFileText(std::string_view bytes) {
  if (const int m = Utf16Mark(bytes)) return Utf16ToUtf8(bytes, m == 1);
  if (HasUtf8Mark(bytes)) bytes.remove_prefix(3);
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Cp1252ToUtf8(bytes);
}

std::string TakeFileText(std::string&& bytes) {
  if (Utf16Mark(bytes) == 0 && !HasUtf8Mark(bytes) && IsValidUtf8(bytes)) return std::move(bytes);
  return DecodeFileText(std::string_view(bytes));
}

namespace {

// Each character of `text` as it is shown: itself, or its bytes escaped when
// it is a control character or not valid UTF-8.
std::vector<std::string> ShownCharacters(std::string_view text) {
  static const char* hex = "0123456789abcdef";
  auto escape = [](std::string& out, uint8_t b) {
    out += "\\x";
    out += hex[b >> 4];
    out += hex[b & 15];
  };
  std::vector<std::string> pieces;
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const std::size_t n = DecodeOne(text, i, cp);
    std::string piece;
    if (n == 0) {
      escape(piece, static_cast<uint8_t>(text[i]));
      ++i;
    } else if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0)) {
      for (std::size_t k = 0; k < n; ++k) escape(piece, static_cast<uint8_t>(text[i + k]));
      i += n;
    } else {
      piece.assign(text.substr(i, n));
      i += n;
    }
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

std::string Join(const std::vector<std::string>& pieces, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to && i < pieces.size(); ++i) out += pieces[i];
  return out;
}

}  // namespace

std::string DisplayText(std::string_view text, std::size_t maxChars) {
  maxChars = std::max<std::size_t>(maxChars, 3);
  const std::size_t head = (maxChars - 1) / 2, tail = maxChars - 1 - head;
  // At most four bytes a character: a window of that many bytes at each end
  // holds every character that can be shown, whatever the file's size.
  const std::size_t window = 4 * maxChars + 4;
  std::vector<std::string> front, back;
  if (text.size() <= 2 * window) {
    front = ShownCharacters(text);
    if (front.size() <= maxChars) return Join(front, 0, front.size());
    back = front;
  } else {
    front = ShownCharacters(text.substr(0, window));
    std::size_t start = text.size() - window;
    for (int k = 0; k < 3 && (static_cast<uint8_t>(text[start]) & 0xC0) == 0x80; ++k) ++start;
    back = ShownCharacters(text.substr(start));
  }
  return Join(front, 0, head) + "\u2026" + Join(back, back.size() - tail, back.size());
}

}  // namespace kinevo
