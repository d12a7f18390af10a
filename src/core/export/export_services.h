#pragma once
// The outside services the exports reach: the clipboard, the desktop (open
// a file with its default program, start a program) and the spreadsheet
// file writers.  Implemented in platform/ and gui/; tests give fakes.
#include <string>

#include "core/common/result.h"
#include "core/export/table_export.h"

namespace kinevo {

class IClipboard {
 public:
  virtual ~IClipboard() = default;
  // Puts the text, and the HTML form of the same table when not empty, on
  // the clipboard.  False when the clipboard could not be set.
  virtual bool SetTable(const std::string& text, const std::string& html) = 0;
};

enum TOpenResult { orOpened, orNoProgram, orFailed };

class IDesktop {
 public:
  virtual ~IDesktop() = default;
  // Opens a file with the desktop's default program for its type.
  virtual TOpenResult OpenWithDefaultProgram(const std::string& path) = 0;
  // Whether a program file can be started here (a Windows program needs a
  // compatibility layer).
  virtual bool CanStartProgram(const std::string& program) = 0;
  virtual bool StartProgram(const std::string& program) = 0;
};

class ISpreadsheetWriter {
 public:
  virtual ~ISpreadsheetWriter() = default;
  // The file name extension, without the dot ("xlsx", "ods").
  virtual std::string Extension() const = 0;
  // Writes the matrix as a spreadsheet file, replacing an earlier one only
  // once the new one is whole.
  virtual TStatus Write(const TTableMatrix& matrix, const std::string& path) = 0;
};

}  // namespace kinevo
