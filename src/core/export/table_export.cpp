#include "core/export/table_export.h"

#include <cmath>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/formulas/formula_grid.h"
#include "core/formulas/user_formulas.h"
#include "core/results/values_grid.h"

namespace kinevo {

namespace {

// A value as the values table gives it unformatted.
std::string ExportNumber(double v) {
  return std::isfinite(v) ? FloatToText(v, 15, DecimalSeparator()) : FormatNumber(0, v);
}

std::string JoinFields(const std::vector<std::string>& fields, char sep) {
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) out += sep;
    out += fields[i];
  }
  return out;
}

// The cell of a formula column in one row, with the edge rules of the grid.
std::string FormulaCell(const TCurve& c, int row, const TFormulaGrid& grid) {
  if (c.Invalid) return kNotANumber;
  if (row >= static_cast<int>(c.RowValid.size()) || row >= static_cast<int>(c.RowValues.size()) ||
      c.RowValid[static_cast<std::size_t>(row)] != 0)
    return "";
  if (grid.HideEdgeSpeed && c.UsesSpeed && (row == c.FirstRow || row == c.LastRow)) return "";
  if (grid.HideEdgeAcceleration && c.UsesAcceleration &&
      !(c.FirstRow + 1 < row && row < c.LastRow - 1))
    return "";
  return ExportNumber(c.RowValues[static_cast<std::size_t>(row)]);
}

// The uncertainty of a formula's row where the row has a value.
std::string FormulaUncertaintyCell(const TCurve& c, int row, const TFormulaGrid& grid) {
  if (c.Invalid || row >= static_cast<int>(c.RowUncertainties.size()) ||
      FormulaCell(c, row, grid).empty())
    return "";
  return ExportNumber(c.RowUncertainties[static_cast<std::size_t>(row)]);
}

std::string CsvField(const std::string& text, char sep) {
  if (text.find_first_of(std::string{sep, '"', '\r', '\n'}) == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

}  // namespace

TExportTable ValuesTable(const TGrid& grid, double axisAngle) {
  TExportTable t;
  t.axisAngle = axisAngle;
  std::vector<int> cols;
  for (int col = 1; col < grid.ColCount(); ++col)
    if (grid.DataColumn(col) >= 0) cols.push_back(col);
  for (int col : cols) {
    t.identifiers.push_back(grid.CellText(col, 1, false));
    t.units.push_back(grid.CellText(col, 2, false));
    t.descriptions.push_back(grid.CellText(col, 3, false));
  }
  for (int row = TGrid::kFixedRows; row < grid.RowCount(); ++row) {
    std::vector<std::string> cells;
    cells.reserve(cols.size());
    for (int col : cols) cells.push_back(grid.CellText(col, row, false));
    t.rows.push_back(std::move(cells));
  }
  return t;
}

TExportTable FormulasTable(const TFormules& formulas, const TFormulaGrid& grid) {
  TExportTable t;
  const IFormulaTable* results = formulas.Table();
  t.axisAngle = results ? results->AxisAngle() : 0.0;
  t.identifiers.push_back("t");
  t.units.push_back("s");
  t.descriptions.push_back("temps");
  std::vector<const TCurve*> curves;
  for (int i = 0; i < formulas.FormulaCount(); ++i) {
    const TRec& r = formulas.Formula(i);
    if (!r.Curve.Expanded) continue;
    const std::string text = r.FormulaText();
    const std::size_t eq = text.find('=');
    t.identifiers.push_back(eq == std::string::npos ? text : text.substr(eq + 1));
    t.units.push_back(r.UnitText);
    t.descriptions.push_back(r.Comment);
    curves.push_back(&r.Curve);
    if (grid.UncertaintiesShown) {
      t.identifiers.push_back(r.UncertaintyTitle());
      t.units.push_back(r.UnitText);
      t.descriptions.push_back("Incertitude-type");
    }
  }
  const int rows = grid.RowCount() - TFormulaGrid::kHeaderRows;
  for (int row = 0; row < rows; ++row) {
    std::vector<std::string> cells;
    cells.push_back(results && row < results->RowCount() ? ExportNumber(results->RowTime(row))
                                                         : "");
    for (const TCurve* c : curves) {
      cells.push_back(FormulaCell(*c, row, grid));
      if (grid.UncertaintiesShown) cells.push_back(FormulaUncertaintyCell(*c, row, grid));
    }
    t.rows.push_back(std::move(cells));
  }
  return t;
}

std::vector<std::string> TableText(const TExportTable& table, const std::string& programPath,
                                   const std::string& dateTime) {
  std::vector<std::string> lines;
  lines.reserve(6 + table.rows.size());
  lines.push_back(programPath);
  lines.push_back(dateTime);
  lines.push_back(std::string(kAngleText) + " : " + ExportNumber(table.axisAngle) + " rad");
  lines.push_back(JoinFields(table.identifiers, '\t'));
  lines.push_back(JoinFields(table.units, '\t'));
  lines.push_back(JoinFields(table.descriptions, '\t'));
  for (const auto& row : table.rows) lines.push_back(JoinFields(row, '\t'));
  return lines;
}

TTableMatrix TableMatrix(const TExportTable& table) {
  const std::size_t cols = table.identifiers.size();
  TTableMatrix m(kMatrixDataRow + table.rows.size(), std::vector<std::string>(cols));
  // With a single column there is no room for the angle and its value.
  if (cols > 1) {
    m[0][0] = std::string(kAngleText) + " (rad) : ";
    m[0][1] = ExportNumber(table.axisAngle);
  }
  m[1] = table.identifiers;
  m[2] = table.units;
  m[3] = table.descriptions;
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    auto& out = m[kMatrixDataRow + r];
    const auto& in = table.rows[r];
    for (std::size_t c = 0; c < cols && c < in.size(); ++c) out[c] = in[c];
  }
  return m;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control characters other than tab and line breaks are not allowed in XML.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += c;
    }
  }
  return out;
}

std::string LinesText(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) {
    out += l;
    out += '\n';
  }
  return out;
}

std::string CsvText(const TExportTable& table, char decimal) {
  const char sep = decimal == ',' ? ';' : ',';
  std::string out;
  auto line = [&](const std::vector<std::string>& fields, bool numbers) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i) out += sep;
      std::string f = fields[i];
      // Data cells hold one number (or "#Nombre!"); its separator follows
      // the file's, not the program's.
      if (numbers)
        for (char& ch : f)
          if (ch == '.' || ch == ',') ch = decimal;
      out += CsvField(f, sep);
    }
    out += "\r\n";
  };
  line(table.identifiers, false);
  for (const auto& row : table.rows) line(row, true);
  return out;
}

std::string HtmlTable(const TTableMatrix& matrix) {
  std::string out = "<html><head><meta charset=\"utf-8\"></head><body>\n<table border=\"1\">\n";
  for (const auto& row : matrix) {
    out += "<tr>";
    for (const auto& cell : row) out += "<td>" + XmlEscaped(cell) + "</td>";
    out += "</tr>\n";
  }
  out += "</table>\n</body></html>\n";
  return out;
}

}  // namespace kinevo
