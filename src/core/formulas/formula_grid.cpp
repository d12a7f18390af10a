#include "core/formulas/formula_grid.h"

#include <algorithm>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/common/text_encoding.h"
#include "core/graph/graph_model_element.h"

namespace kinevo {

namespace {
std::string Utf8(char32_t c) {
  std::string s;
  AppendUtf8(s, c);
  return s;
}
}  // namespace

int32_t TFormulaGrid::RowCount() const {
  int32_t rows = f_.Table() ? f_.Table()->RowCount() : 0;
  for (int32_t i = 0; i < f_.FormulaCount(); ++i)
    rows = std::max(rows, static_cast<int32_t>(f_.Formula(i).Curve.RowValid.size()));
  return kHeaderRows + rows;
}

int32_t TFormulaGrid::FormulaOfColumn(int32_t col) const {
  const int32_t k = col - 2;
  if (k < 0 || k % ColumnsPerFormula() != 0) return -1;
  const int32_t i = k / ColumnsPerFormula();
  return i < f_.FormulaCount() ? i : -1;
}

int32_t TFormulaGrid::UncertaintyFormulaOfColumn(int32_t col) const {
  const int32_t k = col - 2;
  if (!UncertaintiesShown || k < 0 || k % 2 != 1) return -1;
  const int32_t i = k / 2;
  return i < f_.FormulaCount() ? i : -1;
}

bool TFormulaGrid::EdgeHidden(const TCurve& c, int32_t dataRow) const {
  if (HideEdgeSpeed && c.UsesSpeed && (dataRow == c.FirstRow || dataRow == c.LastRow)) return true;
  return HideEdgeAcceleration && c.UsesAcceleration &&
         !(c.FirstRow + 1 < dataRow && dataRow < c.LastRow - 1);
}

std::string TFormulaGrid::UncertaintyCell(int32_t i, int32_t row) const {
  const TRec& r = f_.Formula(i);
  const TCurve& c = r.Curve;
  switch (row) {
    case 0:
      return "";
    case 1:
      return r.UncertaintyTitle();
    case 2:
      return r.UnitText;
    case 3:
      return r.Comment == kNoComment ? "Incertitude-type" : "Incertitude-type : " + r.Comment;
    default:
      break;
  }
  const int32_t dataRow = row - kHeaderRows;
  if (!c.Expanded || c.Invalid || dataRow >= static_cast<int32_t>(c.RowValid.size()) ||
      dataRow >= static_cast<int32_t>(c.RowUncertainties.size()) || c.RowValid[dataRow] != 0 ||
      EdgeHidden(c, dataRow))
    return "";
  return FormatUncertainty(c.RowUncertainties[static_cast<size_t>(dataRow)]);
}

std::string TFormulaGrid::Cell(int32_t col, int32_t row) const {
  const int32_t dataRow = row - kHeaderRows;
  if (col == 0) {
    static const char* heads[] = {"", "Formule", "Unité", "Commentaire"};
    if (row < kHeaderRows) return heads[row];
    return std::to_string(dataRow + (f_.Settings().startByZero ? 0 : 1));
  }
  if (col == 1) {
    static const char* heads[] = {"-   +", "t", "s", "temps"};
    if (row < kHeaderRows) return heads[row];
    const IFormulaTable* t = f_.Table();
    if (!t || dataRow >= t->RowCount()) return "";
    return FormatNumber(TimeDigits, t->RowTime(dataRow));
  }
  if (IsNewColumn(col)) return row == 1 ? "Saisir une formule" : "";
  if (const int32_t u = UncertaintyFormulaOfColumn(col); u >= 0) return UncertaintyCell(u, row);
  const int32_t i = FormulaOfColumn(col);
  if (i < 0) return "";
  const TRec& r = f_.Formula(i);
  const TCurve& c = r.Curve;
  switch (row) {
    case 0:
      return c.Expanded ? "-   +" : "";
    case 1:
      return r.FormulaText();
    case 2:
      return r.UnitText;
    case 3:
      return r.Comment;
    default:
      break;
  }
  if (!c.Expanded) return "";
  if (c.Invalid) return kNotANumber;
  if (dataRow < 0 || dataRow >= static_cast<int32_t>(c.RowValid.size()) || c.RowValid[dataRow] != 0)
    return "";
  if (EdgeHidden(c, dataRow)) return "";
  const double v = c.RowValues[static_cast<size_t>(dataRow)];
  if (UncertaintiesShown && dataRow < static_cast<int32_t>(c.RowUncertainties.size()))
    return FormatMeasured(v, c.RowUncertainties[static_cast<size_t>(dataRow)]);
  return FormatNumber(c.Digits, v);
}

int32_t TFormulaGrid::ColumnWidth(int32_t col) const {
  int32_t i = FormulaOfColumn(col);
  if (i < 0) i = UncertaintyFormulaOfColumn(col);
  if (i >= 0 && !f_.Formula(i).Curve.Expanded) return kCollapsedWidth;
  if (col == 0) return 85;
  return IsNewColumn(col) ? 130 : kDefaultWidth;
}

bool TFormulaGrid::ClickControl(int32_t col, int32_t x, int32_t width, bool rightButton) {
  const int32_t i = FormulaOfColumn(col);
  if (col != 1 && i < 0) return false;
  if (i >= 0 && rightButton) {
    f_.DeleteFormula(i);
    f_.ComputeFormulas();
    return true;
  }
  if (rightButton) return false;
  if (i >= 0 && !f_.Formula(i).Curve.Expanded) {
    f_.Formula(i).Curve.Expanded = true;
    return true;
  }
  int32_t& digits = i >= 0 ? f_.Formula(i).Curve.Digits : TimeDigits;
  if (width > kControlWidth && x < kControlWidth) {
    if (digits <= 0) return false;
    --digits;
    return true;
  }
  if (width > kControlWidth && x >= width - kControlWidth) {
    if (digits >= 8) return false;
    ++digits;
    return true;
  }
  if (i < 0) return false;
  f_.Formula(i).Curve.Expanded = false;
  return true;
}

bool TFormulaGrid::ApplyTexts(int32_t col, const std::string& formula, const std::string& unit,
                              const std::string& comment) {
  // A formula refused by its check is taken back: one edit, whatever the steps.
  TFormules::TEditGroup edit(f_);
  bool ok = true;
  if (IsNewColumn(col)) {
    std::string blankless;
    for (char c : formula)
      if (c != ' ') blankless += c;
    if (blankless.empty()) return true;
    const int32_t i = f_.AddFormula(formula, comment, unit);
    if (f_.CheckRecord(f_.Formula(i)) != 0) {
      f_.DeleteFormula(i);
      ok = false;
    }
  } else {
    const int32_t i = FormulaOfColumn(col);
    if (i < 0) return false;
    TRec& r = f_.Formula(i);
    f_.SetUnit(r, unit);
    f_.SetComment(r, comment);
    std::string blankless;
    for (char c : formula)
      if (c != ' ') blankless += c;
    if (blankless.empty()) {
      f_.DeleteFormula(i);
    } else if (blankless != r.FormulaText()) {
      const std::string old = r.FormulaText();
      f_.SetFormulaText(r, blankless);
      r.Curve.Plotted = true;
      if (f_.CheckRecord(r) != 0) {
        f_.SetFormulaText(r, old);
        ok = false;
      }
    }
  }
  f_.ComputeFormulas();
  return ok;
}

std::string TFormulaGrid::ConstantCell(int32_t col, int32_t row) const {
  if (row == 0) {
    static const char* heads[] = {"Nom", "Valeur ou formule", "Unité"};
    return col >= 0 && col < 3 ? heads[col] : "";
  }
  const int32_t i = row - 1;
  if (i >= f_.ConstantCount()) return "";
  const TRec& r = f_.Constant(i);
  switch (col) {
    case 0:
      return r.TypedIdentifier;
    case 1:
      return r.Phrase.empty() ? r.ValueText : (r.ShowExpression ? "=" + r.Phrase : r.ValueText);
    case 2:
      return r.UnitText;
    default:
      return "";
  }
}

bool TFormulaGrid::ApplyConstantCell(int32_t col, int32_t row, const std::string& text,
                                     const std::string& beside) {
  TFormules::TEditGroup edit(f_);
  std::string t;
  for (char c : text)
    if (c != ' ') t += c;
  const int32_t i = row - 1;
  bool ok = true;
  if (i == f_.ConstantCount()) {
    // The empty row: only a name creates a constant.
    if (col != 0 || t.empty()) return true;
    std::string v;
    for (char c : beside)
      if (c != ' ') v += c;
    int32_t k;
    if (!v.empty() && v[0] == '=') {
      k = f_.AddConstant(t, v.substr(1), "", "");
    } else {
      double d = 0;
      const bool number = v.empty() || TextToFloat(NormaliseDecimal(v), d);
      k = number ? f_.AddConstant(t, "", "", v.empty() ? "0" : v) : f_.AddConstant(t, v, "", "");
    }
    if (f_.CheckRecord(f_.Constant(k)) != 0) {
      f_.DeleteConstant(k);
      ok = false;
    }
  } else if (i >= 0 && i < f_.ConstantCount()) {
    TRec& r = f_.Constant(i);
    if (col == 0) {
      if (t.empty()) {
        f_.DeleteConstant(i);
      } else if (t != r.TypedIdentifier) {
        const std::string old = r.TypedIdentifier;
        f_.SetIdentifier(r, t);
        if (f_.CheckRecord(r) != 0) {
          f_.SetIdentifier(r, old);
          ok = false;
        }
      }
    } else if (col == 1) {
      double d = 0;
      if (t.empty()) {
        r.Phrase.clear();
        f_.SetConstantValueText(r, "0");
      } else if (t[0] != '=' && TextToFloat(NormaliseDecimal(t), d)) {
        r.Phrase.clear();
        f_.SetConstantValueText(r, t);
      } else {
        const std::string old = r.Phrase;
        r.Phrase = t[0] == '=' ? t.substr(1) : t;
        r.ShowExpression = true;
        if (f_.CheckRecord(r) != 0) {
          r.Phrase = old;
          ok = false;
        }
      }
    } else if (col == 2) {
      f_.SetUnit(r, text);
    }
  }
  f_.ComputeAll();
  return ok;
}

std::string TFormulaGrid::TypedCharacter(int32_t col, char32_t c) {
  if (col <= 1) {
    if (c == '.' || c == ',') return std::string(1, DecimalSeparator());
    if (c == '/') return "\xC3\xB7";
    if (c == '~') return "";
  }
  return Utf8(c);
}

}  // namespace kinevo
