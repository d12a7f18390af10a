#pragma once
// The calculator (TCalculatrice) without its window: one line evaluated at
// a time by a parser of its own, in radians or degrees, with a history of
// what was evaluated that the user steps through.
//
// The parser answers no variable: every name other than pi and the
// functions is refused with the parser's "unknown name" message.
//
// The window keeps the model's line and its widget in step: before a
// button it hands the widget's text and caret in (Line), after it shows
// the model's.
#include <cstdint>
#include <string>
#include <vector>

#include "core/formulas/input_line.h"
#include "core/formulas/parser.h"

namespace kinevo {

// A result as the calculator shows it: at most 15 significant digits,
// trailing zeros dropped, the program's decimal separator; scientific
// notation ("1,5E-7", "1E20") when the integer part has more than 15
// digits or the magnitude is below 0,00001.
std::string FormatCalculatorValue(double value);

class TCalculatorModel {
 public:
  static constexpr const char* kCaption = "Kinevo";
  static constexpr int32_t kRadians = 0;  // index of "Radians" in the angle choice
  static constexpr int32_t kDegrees = 1;  // index of "Degrés"

  TCalculatorModel();

  TInputLine Line;

  // A pad button: pbEqual evaluates, pbArc switches the Arc mode, the
  // others edit the line (emptied first while it shows an error).
  void Press(TPadButton b);
  // Evaluates the line; an empty or blank line changes nothing.
  void EvaluateLine();
  // The history buttons "Saisie précédente" and "Saisie suivante".
  void Previous();
  void Next();

  // A key is about to be typed in the line: it empties the line first when
  // the line shows an error.  True when it did.
  bool KeyTyped();
  // The line after the user typed in it; kept as the entry being typed.
  void LineEdited(const std::string& text, int32_t caret);

  int32_t AngleIndex() const { return parser_.Radians() ? kRadians : kDegrees; }
  void SetAngleIndex(int32_t index) { parser_.SetRadians(index == kRadians); }

  bool ArcMode() const { return arcMode_; }
  bool ClearOnInput() const { return clearOnInput_; }
  const std::vector<std::string>& History() const { return history_.Items(); }
  int32_t HistoryIndex() const { return history_.Index(); }
  const std::string& PendingEntry() const { return pending_; }

 private:
  void ClearIfError();

  TParser parser_;
  TTextHistory history_;
  std::string pending_;
  bool arcMode_ = false;
  bool clearOnInput_ = false;
};

}  // namespace kinevo
