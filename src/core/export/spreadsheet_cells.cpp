#include "core/export/spreadsheet_cells.h"

#include <cmath>

#include "core/common/number_format.h"
#include "core/export/table_export.h"
#include "core/formulas/user_formulas.h"

namespace kinevo {

namespace {

TSheetCell TextCell(const std::string& text) {
  TSheetCell c;
  if (!text.empty()) {
    c.kind = TSheetCell::Text;
    c.text = text;
  }
  return c;
}

// A data cell read as a number (either separator); false when it is not one.
bool DataNumber(const std::string& text, double& value) {
  if (text.empty() || text == kNotANumber) return false;
  double v = 0;
  if (!TextToFloat(text, v) || !std::isfinite(v)) return false;
  value = v;
  return true;
}

}  // namespace

TSheetCell WorkbookCell(int row, const std::string& text) {
  if (row < kMatrixDataRow) return TextCell(text);
  TSheetCell c;
  if (DataNumber(text, c.number)) c.kind = TSheetCell::Number;
  return c;
}

TSheetCell OpenDocumentCell(int row, const std::string& text) {
  if (row < kMatrixDataRow) return TextCell(text);
  TSheetCell c;
  if (DataNumber(text, c.number)) {
    c.kind = TSheetCell::Number;
    return c;
  }
  return TextCell(text);
}

}  // namespace kinevo
