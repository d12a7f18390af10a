#pragma once
// The workbook route of the spreadsheet export: the table matrix as an
// Office Open XML workbook (.xlsx) with one sheet named "Kinevo", header
// rows as text and data cells as numbers.
#include "core/export/export_services.h"

namespace kinevo {

class TXlsxWriter : public ISpreadsheetWriter {
 public:
  std::string Extension() const override { return "xlsx"; }
  TStatus Write(const TTableMatrix& matrix, const std::string& path) override;
};

}  // namespace kinevo
