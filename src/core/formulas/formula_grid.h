#pragma once
// The two grids of the formulas dialog, without widgets: the texts of their
// cells and what an edit or a click in them does to the formulas.
//
// Formulas grid (GridExF): four header rows (0 digit and collapse controls,
// 1 formula text, 2 unit, 3 comment), then one row per results row; column 0
// holds the row labels, column 1 the time, then one column per formula (each
// followed by its uncertainty column when they are shown) and a last column
// for a new formula.
//
// Constants grid (GridExC): a header row ("Nom", "Valeur ou formule",
// "Unité"), one row per constant and an empty row for a new constant.
#include <cstdint>
#include <string>

#include "core/formulas/user_formulas.h"

namespace kinevo {

class TFormulaGrid {
 public:
  static constexpr int32_t kHeaderRows = 4;
  static constexpr int32_t kControlWidth = 12;  // pixels of the "-" and "+" zones
  static constexpr int32_t kCollapsedWidth = 15;
  static constexpr int32_t kDefaultWidth = 100;

  explicit TFormulaGrid(TFormules& formulas) : f_(formulas) {}

  int32_t TimeDigits = 0;
  // "CheckBox30HideEdgeV_Checked", "CheckBox31HideEdgeA_Checked": formulas
  // that use speeds hide their first and last values, those that use
  // accelerations their first two and last two.
  bool HideEdgeSpeed = false;
  bool HideEdgeAcceleration = false;

  // "Afficher les incertitudes": each formula column is followed by the
  // standard uncertainty of its values ("u(E)", same unit), and its values
  // are rounded to match.  Those columns are read only.
  bool UncertaintiesShown = false;

  int32_t ColCount() const { return 2 + f_.FormulaCount() * ColumnsPerFormula() + 1; }
  int32_t RowCount() const;
  // Formula of a column, -1 for the label, time, uncertainty and
  // new-formula columns.
  int32_t FormulaOfColumn(int32_t col) const;
  // Formula of an uncertainty column, -1 for any other column.
  int32_t UncertaintyFormulaOfColumn(int32_t col) const;
  bool IsNewColumn(int32_t col) const { return col == ColCount() - 1; }
  std::string Cell(int32_t col, int32_t row) const;
  int32_t ColumnWidth(int32_t col) const;

  // A click in row 0: `x` from the cell's left edge, `width` of the cell.
  // Returns true when the grid changed.
  bool ClickControl(int32_t col, int32_t x, int32_t width, bool rightButton);
  // The three texts of a column after the editor closed.  Returns false
  // (and changes nothing) when the check refused the formula.
  bool ApplyTexts(int32_t col, const std::string& formula, const std::string& unit,
                  const std::string& comment);

  // ---- constants grid
  int32_t ConstantRows() const { return 1 + f_.ConstantCount() + 1; }
  std::string ConstantCell(int32_t col, int32_t row) const;
  // Applies a cell; `beside` is the value typed next to a new name.
  // Returns false when the check refused it.
  bool ApplyConstantCell(int32_t col, int32_t row, const std::string& text,
                         const std::string& beside = "");
  // What typing a character gives in the first two columns: "." and ","
  // become the decimal separator, "/" the division sign, "~" nothing.
  static std::string TypedCharacter(int32_t col, char32_t c);

 private:
  int32_t ColumnsPerFormula() const { return UncertaintiesShown ? 2 : 1; }
  std::string UncertaintyCell(int32_t i, int32_t row) const;
  // Whether the settings hide the value of formula i on a data row.
  bool EdgeHidden(const TCurve& c, int32_t dataRow) const;

  TFormules& f_;
};

}  // namespace kinevo
