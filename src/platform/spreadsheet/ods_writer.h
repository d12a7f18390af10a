#pragma once
// The OpenDocument route of the spreadsheet export: the table matrix as an
// OpenDocument spreadsheet (.ods).  The "mimetype" entry comes first and is
// stored uncompressed, so that programs recognise the file by its first
// bytes; data cells are floats, header rows text.
#include <string>

#include "core/export/export_services.h"

namespace kinevo {

class TOdsWriter : public ISpreadsheetWriter {
 public:
  std::string Extension() const override { return "ods"; }
  TStatus Write(const TTableMatrix& matrix, const std::string& path) override;

  // The content.xml of a matrix (one table named "Kinevo").
  static std::string ContentXml(const TTableMatrix& matrix);
  // The whole .ods file.
  static TResult<std::string> Archive(const TTableMatrix& matrix);
};

}  // namespace kinevo
