#pragma once
// The one-line editor shared by the calculator and the formula keyboard:
// a text and a caret, and what each button of their pads does to them.
//
// Positions count characters (Unicode code points), not bytes, so that a
// division sign "÷" or a "²" in the line moves the caret by one, as the
// user sees it.  Texts are UTF-8.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kinevo {

// The buttons of the two pads.  Which pad shows which button is the
// window's business; the effect on the line is the same everywhere.
enum TPadButton : uint8_t {
  pb0,
  pb1,
  pb2,
  pb3,
  pb4,
  pb5,
  pb6,
  pb7,
  pb8,
  pb9,
  pbSeparator,     // the user's decimal separator
  pbOpen,          // "("
  pbClose,         // ")"
  pbBracketOpen,   // "["
  pbBracketClose,  // "]"
  pbAdd,
  pbMinus,
  pbMult,
  pbDiv,      // "÷"
  pbPower,    // "^"
  pbE,        // "E" of an exponent
  pbSquare,   // "^2"
  pbInverse,  // "^(-1)"
  pbPi,
  pbSin,
  pbCos,
  pbTan,
  pbLn,
  pbLog,
  pbExp,
  pbPower10,  // "10^("
  pbSqrt,
  pbAbs,
  pbIndexBefore,  // "[i-1]"
  pbIndexAfter,   // "[i+1]"
  pbIndex,        // "[i]"
  pbEqual,        // "=" in the keyboard; the calculator evaluates instead
  pbDelete,       // the character before the caret
  pbClear,        // the whole line
  pbArc,          // switches Sin, Cos, Tan to their Arc forms
  pbHome,
  pbEnd,
  pbLeft,
  pbRight,
  pbCount
};

// The text a button inserts ("" for the buttons that only move, delete or
// switch).  With `arc`, Sin, Cos and Tan give ArcSin, ArcCos and ArcTan.
std::string PadButtonText(TPadButton b, bool arc);
// Buttons that insert a function with its opening parenthesis.
bool IsFunctionButton(TPadButton b);

class TInputLine {
 public:
  TInputLine() = default;
  TInputLine(std::string text, int32_t caret) { Set(std::move(text), caret); }

  const std::string& Text() const { return text_; }
  // Characters before the caret, 0 .. Length().
  int32_t Caret() const { return caret_; }
  int32_t Length() const { return length_; }

  // The caret is clamped into the line.
  void Set(std::string text, int32_t caret);
  // Replaces the text and puts the caret at its end.
  void SetText(std::string text);
  void SetCaret(int32_t caret);

  // Puts `s` at the caret and the caret after it.  With `function`, when
  // the caret was at the end of the line, a ")" follows and the caret stays
  // between the parentheses.
  void Insert(std::string_view s, bool function = false);
  // Deletes the character before the caret (nothing at the start).
  void DeleteBefore();
  void Clear() { Set({}, 0); }

  // What a pad button does to the line (pbEqual inserts "=", pbArc does
  // nothing here: the owner keeps the switch).
  void Apply(TPadButton b, bool arc);

 private:
  std::string text_;
  int32_t caret_ = 0;
  int32_t length_ = 0;
};

// What typing a character in a pad's line gives: "," and "." the user's
// decimal separator, "/" the division sign; other characters themselves.
std::string TranslateTypedCharacter(char32_t c);

// ---------------------------------------------------------------- text helpers

// Number of characters of a UTF-8 text (a broken byte counts as one).
int32_t CharCount(std::string_view s);
// Byte offset of character `index` (clamped to the text).
std::size_t ByteOffsetOfChar(std::string_view s, int32_t index);
// The text without the blanks and control characters at both ends.
std::string TrimText(std::string_view s);
// True when the text holds nothing but blanks.
bool IsBlank(std::string_view s);
// Equality without regard to case, for ASCII and the accented letters of
// Latin-1 ("Énergie" equals "énergie").
bool SameText(std::string_view a, std::string_view b);

// A list of entered texts, oldest first, with a position for stepping
// through it.  Equal texts (without regard to case) are kept once, at the
// place of the latest entry.
class TTextHistory {
 public:
  const std::vector<std::string>& Items() const { return items_; }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  int32_t Index() const { return index_; }
  void SetIndex(int32_t index) { index_ = index; }
  // The entry at `index`, or null when there is none.
  const std::string* At(int32_t index) const;

  // Appends the trimmed text (an equal entry removed first); the position
  // goes past the newest entry.
  void Add(std::string_view text);
  // Index of an entry equal to `text`, or -1.
  int32_t Find(std::string_view text) const;

 private:
  std::vector<std::string> items_;
  int32_t index_ = 0;
};

}  // namespace kinevo
