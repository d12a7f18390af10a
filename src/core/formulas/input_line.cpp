#include "core/formulas/input_line.h"

#include <algorithm>

#include "core/common/number_format.h"
#include "core/common/text_encoding.h"

namespace kinevo {

namespace {

// Length in bytes of the character starting at `i`: a lead byte followed by
// its continuation bytes, or a single byte when the sequence is broken.
std::size_t CharBytes(std::string_view s, std::size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  std::size_t n = 1;
  if (b >= 0xF0 && b < 0xF8)
    n = 4;
  else if (b >= 0xE0)
    n = 3;
  else if (b >= 0xC0)
    n = 2;
  if (n == 1 || i + n > s.size()) return 1;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  return n;
}

// The code point of the character at `i` (a broken byte gives itself).
char32_t CodePoint(std::string_view s, std::size_t i, std::size_t n) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (n == 1) return b;
  char32_t c = b & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  return c;
}

// Lower case of ASCII and of the Latin-1 capitals (À..Þ but ×).
char32_t FoldCase(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  return c;
}

bool IsBlankChar(char c) { return static_cast<unsigned char>(c) <= ' '; }

struct TButtonText {
  const char* text;
  const char* arcText = nullptr;
  bool function = false;
};

TButtonText ButtonText(TPadButton b) {
  static constexpr const char* kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  if (b <= pb9) return {kDigits[b]};
  switch (b) {
    case pbOpen:
      return {"("};
    case pbClose:
      return {")"};
    case pbBracketOpen:
      return {"["};
    case pbBracketClose:
      return {"]"};
    case pbAdd:
      return {"+"};
    case pbMinus:
      return {"-"};
    case pbMult:
      return {"*"};
    case pbDiv:
      return {"\xC3\xB7"};  // ÷
    case pbPower:
      return {"^"};
    case pbE:
      return {"E"};
    case pbSquare:
      return {"^2"};
    case pbInverse:
      return {"^(-1)"};
    case pbPi:
      return {"Pi"};
    case pbSin:
      return {"Sin(", "ArcSin(", true};
    case pbCos:
      return {"Cos(", "ArcCos(", true};
    case pbTan:
      return {"Tan(", "ArcTan(", true};
    case pbLn:
      return {"Ln(", nullptr, true};
    case pbLog:
      return {"Log(", nullptr, true};
    case pbExp:
      return {"Exp(", nullptr, true};
    case pbPower10:
      return {"10^(", nullptr, true};
    case pbSqrt:
      return {"Sqrt(", nullptr, true};
    case pbAbs:
      return {"Abs(", nullptr, true};
    case pbIndexBefore:
      return {"[i-1]"};
    case pbIndexAfter:
      return {"[i+1]"};
    case pbIndex:
      return {"[i]"};
    case pbEqual:
      return {"="};
    default:
      return {""};
  }
}

}  // namespace

std::string PadButtonText(TPadButton b, bool arc) {
  if (b == pbSeparator) return std::string(1, DecimalSeparator());
  const TButtonText t = ButtonText(b);
  return arc && t.arcText != nullptr ? t.arcText : t.text;
}

bool IsFunctionButton(TPadButton b) { return ButtonText(b).function; }

// ---------------------------------------------------------------- TInputLine

void TInputLine::Set(std::string text, int32_t caret) {
  text_ = std::move(text);
  length_ = CharCount(text_);
  caret_ = std::clamp(caret, 0, length_);
}

void TInputLine::SetText(std::string text) {
  text_ = std::move(text);
  length_ = CharCount(text_);
  caret_ = length_;
}

void TInputLine::SetCaret(int32_t caret) { caret_ = std::clamp(caret, 0, length_); }

void TInputLine::Insert(std::string_view s, bool function) {
  const bool atEnd = caret_ == length_;
  const std::size_t at = ByteOffsetOfChar(text_, caret_);
  std::string inserted(s);
  if (function && atEnd) inserted += ')';
  text_.insert(at, inserted);
  length_ = CharCount(text_);
  caret_ += CharCount(s);
}

void TInputLine::DeleteBefore() {
  if (caret_ == 0) return;
  const std::size_t from = ByteOffsetOfChar(text_, caret_ - 1);
  const std::size_t to = ByteOffsetOfChar(text_, caret_);
  text_.erase(from, to - from);
  --length_;
  --caret_;
}

void TInputLine::Apply(TPadButton b, bool arc) {
  switch (b) {
    case pbDelete:
      DeleteBefore();
      return;
    case pbClear:
      Clear();
      return;
    case pbArc:
      return;
    case pbHome:
      caret_ = 0;
      return;
    case pbEnd:
      caret_ = length_;
      return;
    case pbLeft:
      SetCaret(caret_ - 1);
      return;
    case pbRight:
      SetCaret(caret_ + 1);
      return;
    default:
      break;
  }
  const std::string s = PadButtonText(b, arc);
  if (!s.empty()) Insert(s, IsFunctionButton(b));
}

std::string TranslateTypedCharacter(char32_t c) {
  if (c == ',' || c == '.') return std::string(1, DecimalSeparator());
  if (c == '/') return PadButtonText(pbDiv, false);
  std::string out;
  AppendUtf8(out, c);
  return out;
}

// ---------------------------------------------------------------- text helpers

int32_t CharCount(std::string_view s) {
  int32_t n = 0;
  for (std::size_t i = 0; i < s.size(); i += CharBytes(s, i)) ++n;
  return n;
}

std::size_t ByteOffsetOfChar(std::string_view s, int32_t index) {
  std::size_t i = 0;
  for (int32_t k = 0; k < index && i < s.size(); ++k) i += CharBytes(s, i);
  return i;
}

std::string TrimText(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlankChar(s[b])) ++b;
  while (e > b && IsBlankChar(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

bool IsBlank(std::string_view s) { return std::all_of(s.begin(), s.end(), IsBlankChar); }

bool SameText(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const std::size_t na = CharBytes(a, i), nb = CharBytes(b, j);
    if (FoldCase(CodePoint(a, i, na)) != FoldCase(CodePoint(b, j, nb))) return false;
    i += na;
    j += nb;
  }
  return i == a.size() && j == b.size();
}

// ---------------------------------------------------------------- TTextHistory

void TTextHistory::Add(std::string_view text) {
  std::string t = TrimText(text);
  const int32_t same = Find(t);
  if (same >= 0) items_.erase(items_.begin() + same);
  items_.push_back(std::move(t));
  index_ = Count();
}

int32_t TTextHistory::Find(std::string_view text) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (SameText(items_[i], text)) return i;
  return -1;
}

const std::string* TTextHistory::At(int32_t index) const {
  return index >= 0 && index < Count() ? &items_[index] : nullptr;
}

}  // namespace kinevo
