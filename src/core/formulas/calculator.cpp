#include "core/formulas/calculator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/common/number_format.h"

namespace kinevo {

std::string FormatCalculatorValue(double value) {
  const double a = std::fabs(value);
  // The general format of the C library turns to scientific notation below
  // 0,0001; the calculator keeps fixed notation down to 0,00001.
  if (a >= 1e-5 && a < 1e-4) {
    char buf[64];
    ScopedCNumericLocale cNumbers;  // "." below, then the separator
    std::snprintf(buf, sizeof buf, "%.19f", value);
    std::string s(buf);
    while (!s.empty() && s.back() == '0') s.pop_back();
    for (char& c : s)
      if (c == '.') c = DecimalSeparator();
    return s;
  }
  return FormatGeneral(value, 15);
}

TCalculatorModel::TCalculatorModel() { parser_.SetRadians(true); }

void TCalculatorModel::ClearIfError() {
  if (!clearOnInput_) return;
  Line.Clear();
  clearOnInput_ = false;
}

void TCalculatorModel::Press(TPadButton b) {
  if (b == pbEqual) {
    EvaluateLine();
    return;
  }
  if (b == pbArc) {
    arcMode_ = !arcMode_;
    return;
  }
  ClearIfError();
  Line.Apply(b, arcMode_);
  pending_ = Line.Text();
}

void TCalculatorModel::EvaluateLine() {
  std::string compact;
  for (char c : Line.Text())
    if (c != ' ' && c != '\t') compact += c;
  if (compact.empty()) return;
  parser_.SetFormula(compact);
  const bool ok = parser_.Evaluate();
  // A failed line is kept too, so that it can be brought back and corrected.
  history_.Add(Line.Text());
  if (!ok) {
    Line.SetText(parser_.ErrorMessage());
    clearOnInput_ = true;
  } else {
    Line.SetText(FormatCalculatorValue(parser_.LastValue()));
    clearOnInput_ = false;
  }
  pending_.clear();
}

void TCalculatorModel::Previous() {
  clearOnInput_ = false;
  history_.SetIndex(std::max(0, history_.Index() - 1));
  if (const std::string* e = history_.At(history_.Index())) Line.SetText(*e);
  Line.SetCaret(Line.Length());
}

void TCalculatorModel::Next() {
  clearOnInput_ = false;
  history_.SetIndex(std::min(history_.Index() + 1, history_.Count()));
  const std::string* e = history_.At(history_.Index());
  Line.SetText(e != nullptr ? *e : pending_);
}

bool TCalculatorModel::KeyTyped() {
  const bool cleared = clearOnInput_;
  ClearIfError();
  return cleared;
}

void TCalculatorModel::LineEdited(const std::string& text, int32_t caret) {
  Line.Set(text, caret);
  pending_ = text;
}

}  // namespace kinevo
