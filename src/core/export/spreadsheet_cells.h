#pragma once
// How the cells of the table matrix become spreadsheet cells.  Header rows
// (0 to 3) are always text, even when they look like numbers; data rows
// hold numbers.  The two routes differ only in what a cell that is not a
// number becomes: the workbook route leaves it empty, the OpenDocument
// route keeps its text ("#Nombre!").
#include <string>

namespace kinevo {

struct TSheetCell {
  enum TKind { Empty, Text, Number } kind = Empty;
  std::string text;
  double number = 0.0;
};

// `row` counts from 0 in the matrix.
TSheetCell WorkbookCell(int row, const std::string& text);
TSheetCell OpenDocumentCell(int row, const std::string& text);

}  // namespace kinevo
