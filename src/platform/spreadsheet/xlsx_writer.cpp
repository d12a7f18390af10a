#include "platform/spreadsheet/xlsx_writer.h"

#include <xlsxwriter.h>

#include "core/export/spreadsheet_cells.h"

namespace kinevo {

bool TXlsxWriter::Write(const TTableMatrix& matrix, const std::string& path, std::string& error) {
  if (matrix.size() > LXW_ROW_MAX) {
    error = "Le tableau a trop de lignes pour un classeur.";
    return false;
  }
  lxw_workbook* book = workbook_new(path.c_str());
  if (book == nullptr) {
    error = "Le classeur " + path + " n'a pas pu être créé.";
    return false;
  }
  lxw_worksheet* sheet = workbook_add_worksheet(book, "Kinevo");
  lxw_error status = sheet == nullptr ? LXW_ERROR_MEMORY_MALLOC_FAILED : LXW_NO_ERROR;
  for (std::size_t r = 0; r < matrix.size() && status == LXW_NO_ERROR; ++r) {
    const auto& row = matrix[r];
    for (std::size_t c = 0; c < row.size() && status == LXW_NO_ERROR; ++c) {
      if (c >= LXW_COL_MAX) {
        status = LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE;
        break;
      }
      const TSheetCell cell = WorkbookCell(static_cast<int>(r), row[c]);
      const auto rr = static_cast<lxw_row_t>(r);
      const auto cc = static_cast<lxw_col_t>(c);
      if (cell.kind == TSheetCell::Number)
        status = worksheet_write_number(sheet, rr, cc, cell.number, nullptr);
      else if (cell.kind == TSheetCell::Text)
        status = worksheet_write_string(sheet, rr, cc, cell.text.c_str(), nullptr);
    }
  }
  // Closing writes the file, and frees the workbook in every case.
  const lxw_error closed = workbook_close(book);
  if (status == LXW_NO_ERROR) status = closed;
  if (status != LXW_NO_ERROR) {
    error = std::string("Le classeur n'a pas pu être écrit : ") + lxw_strerror(status);
    return false;
  }
  return true;
}

}  // namespace kinevo
