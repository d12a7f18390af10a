#pragma once
// The spreadsheet files read back by readers other than the program's
// writers: openpyxl for workbooks (.xlsx), Python's zipfile and XML parser
// for OpenDocument files (.ods).  One line per cell that holds something:
// row, column (from 0), the type read ("n" number, "s" text) and the value
// (numbers with Python's repr), tab-separated.  An OpenDocument file first
// gives "first NAME stored|deflated MIMETYPE", both give "sheets NAMES".
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace kinevo::test {

// Debian's Python, which has the readers (another python3 may come first in
// the PATH).
inline constexpr const char* kPython = "/usr/bin/python3";

inline constexpr const char* kReadXlsx = R"(
import sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
print("sheets", ",".join(book.sheetnames), sep="\t")
for row in book.active.iter_rows():
    for cell in row:
        v = cell.value
        if v is None: continue
        kind = "n" if isinstance(v, (int, float)) else "s"
        print(cell.row - 1, cell.column - 1, kind, repr(float(v)) if kind == "n" else v, sep="\t")
)";

inline constexpr const char* kReadOds = R"(
import sys, zipfile, xml.etree.ElementTree as ET
z = zipfile.ZipFile(sys.argv[1])
first = z.infolist()[0]
print("first", first.filename, "stored" if first.compress_type == zipfile.ZIP_STORED else "deflated",
      z.read("mimetype").decode())
O = "{urn:oasis:names:tc:opendocument:xmlns:office:1.0}"
T = "{urn:oasis:names:tc:opendocument:xmlns:table:1.0}"
root = ET.fromstring(z.read("content.xml"))
table = root.find(".//" + T + "table")
print("sheets", table.get(T + "name"), sep="\t")
for r, row in enumerate(table.iter(T + "table-row")):
    for c, cell in enumerate(row.iter(T + "table-cell")):
        kind = cell.get(O + "value-type")
        if kind is None: continue
        text = "".join(cell.itertext())
        if kind == "float":
            print(r, c, "n", repr(float(cell.get(O + "value"))), sep="\t")
        else:
            print(r, c, "s", text, sep="\t")
)";

// The lines of `script` (kReadXlsx or kReadOds) over the file at `path`.
inline std::vector<std::string> ReadSpreadsheet(const char* script, const std::string& path) {
  const auto run = RunProgram(kPython, {"-c", script, path});
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines;
  std::istringstream in(run.out);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

}  // namespace kinevo::test
