#pragma once
// The tables that leave the program: the values table of the results window
// and the table of the formulas dialog, in the forms the exports need.
//
// Both tables are first gathered column by column (identifiers, units,
// descriptions and the unformatted cell texts of every row); the text of the
// clipboard and of text files (TableText), the matrix of the spreadsheets
// (TableMatrix), the CSV text and the HTML table are then made from that.
#include <string>
#include <vector>

namespace kinevo {

class TGrid;
class TFormules;
class TFormulaGrid;

// The exported columns of one table.  Cell texts are unformatted: general
// format with up to 15 significant digits and the program's decimal
// separator, empty where there is no value, "#Nombre!" for an invalid
// formula.
struct TExportTable {
  double axisAngle = 0.0;  // radians
  std::vector<std::string> identifiers, units, descriptions;
  std::vector<std::vector<std::string>> rows;  // [row][column]

  int ColumnCount() const { return static_cast<int>(identifiers.size()); }
  int RowCount() const { return static_cast<int>(rows.size()); }
};

// Rows × columns of texts for the spreadsheets: row 0 the angle, rows 1 to 3
// identifiers, units and descriptions, then the data rows.
using TTableMatrix = std::vector<std::vector<std::string>>;
inline constexpr int kMatrixDataRow = 4;

inline constexpr const char* kAngleText =
    "Angle de rotation du repère dans le sens trigonométrique";

// The displayed data columns of the values table (the row labels are not
// exported).
TExportTable ValuesTable(const TGrid& grid, double axisAngle);
// The time column and every expanded formula column of the formulas grid;
// the identifier of a formula column is the part of its text after the
// first "=".
TExportTable FormulasTable(const TFormules& formulas, const TFormulaGrid& grid);

// The seven kinds of lines: program path, date, angle, identifiers, units,
// descriptions, one line per row; fields separated by one tab.
std::vector<std::string> TableText(const TExportTable& table, const std::string& programPath,
                                   const std::string& dateTime);
TTableMatrix TableMatrix(const TExportTable& table);
// The lines with a line break after each one.
std::string LinesText(const std::vector<std::string>& lines);

// RFC 4180 text: a header line of identifiers, then one line per row, CRLF
// line ends.  With "." as decimal separator the fields are separated by
// ",", with "," by ";".  Numbers are written with `decimal` whatever the
// program's separator.
std::string CsvText(const TExportTable& table, char decimal);

// An HTML table of the matrix (UTF-8), for the clipboard: pasted into a
// spreadsheet or a word processor it keeps the columns.
std::string HtmlTable(const TTableMatrix& matrix);
// The text with the characters that XML and HTML reserve written as
// entities, and control characters other than tab and line breaks dropped.
std::string XmlEscaped(const std::string& text);

}  // namespace kinevo
