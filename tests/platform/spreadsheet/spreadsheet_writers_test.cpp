// The spreadsheet files read back by readers other than the writers:
// openpyxl for the workbook, Python's zipfile and XML parser for the
// OpenDocument file.
#include <gtest/gtest.h>

#include <sstream>

#include "core/common/number_format.h"
#include "platform/spreadsheet/ods_writer.h"
#include "platform/spreadsheet/xlsx_writer.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace kinevo {
namespace {

// Debian's Python, which has the readers (another python3 may come first in
// the PATH).
constexpr const char* kPython = "/usr/bin/python3";

// Prints one line per cell that holds something: row, column (from 0),
// the type read ("n" number, "s" text) and the value (numbers with repr).
constexpr const char* kReadXlsx = R"(
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

constexpr const char* kReadOds = R"(
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

std::vector<std::string> Read(const char* script, const std::string& path) {
  const auto run = test::RunProgram(kPython, {"-c", script, path});
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines;
  std::istringstream in(run.out);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

// Angle row, three header rows, then data with the comma separator: an
// unmarked cell, a formula that could not be computed and a tiny value.
TTableMatrix Sample() {
  return {{"Angle (rad) : ", "0,25", ""},         {"t", "x", "12"},         {"s", "m", "J"},
          {"temps", "Abscisse <balle>", "é & ü"}, {"0", "1,5", "#Nombre!"}, {"0,04", "", "-2,5E-7"},
          {"0,08", "0,123456789012345", "3"}};
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  for (const auto& l : lines)
    if (l == line) return true;
  return false;
}

TEST(SpreadsheetWriters, WorkbookHoldsNumbersAsNumbersAndHeadersAsText) {
  test::TempDir dir;
  const std::string path = dir.File("chute.xlsx");
  const TStatus written = TXlsxWriter().Write(Sample(), path);
  ASSERT_TRUE(written) << written.error().Text();
  const auto cells = Read(kReadXlsx, path);
  ASSERT_FALSE(cells.empty());
  EXPECT_EQ(cells[0], "sheets\tKinevo");
  EXPECT_TRUE(Has(cells, "0\t1\ts\t0,25"));  // the angle stays text
  EXPECT_TRUE(Has(cells, "1\t2\ts\t12"));
  EXPECT_TRUE(Has(cells, "3\t1\ts\tAbscisse <balle>"));
  EXPECT_TRUE(Has(cells, "3\t2\ts\té & ü"));
  EXPECT_TRUE(Has(cells, "4\t0\tn\t0.0"));
  EXPECT_TRUE(Has(cells, "4\t1\tn\t1.5"));
  EXPECT_TRUE(Has(cells, "5\t2\tn\t-2.5e-07"));
  EXPECT_TRUE(Has(cells, "6\t1\tn\t0.123456789012345"));
  // "#Nombre!" and unmarked cells arrive empty.
  for (const auto& l : cells) {
    EXPECT_EQ(l.rfind("4\t2\t", 0), std::string::npos) << l;
    EXPECT_EQ(l.rfind("5\t1\t", 0), std::string::npos) << l;
  }
  EXPECT_EQ(cells.size(), 1u + 11u + 7u);
}

TEST(SpreadsheetWriters, OpenDocumentStartsWithAStoredMimetypeAndHoldsFloats) {
  test::TempDir dir;
  const std::string path = dir.File("chute.ods");
  const TStatus written = TOdsWriter().Write(Sample(), path);
  ASSERT_TRUE(written) << written.error().Text();
  const auto cells = Read(kReadOds, path);
  ASSERT_GE(cells.size(), 2u);
  EXPECT_EQ(cells[0], "first mimetype stored application/vnd.oasis.opendocument.spreadsheet");
  EXPECT_EQ(cells[1], "sheets\tKinevo");
  EXPECT_TRUE(Has(cells, "0\t1\ts\t0,25"));
  EXPECT_TRUE(Has(cells, "3\t1\ts\tAbscisse <balle>"));
  EXPECT_TRUE(Has(cells, "4\t1\tn\t1.5"));
  EXPECT_TRUE(Has(cells, "5\t2\tn\t-2.5e-07"));
  EXPECT_TRUE(Has(cells, "6\t1\tn\t0.123456789012345"));
  EXPECT_TRUE(Has(cells, "4\t2\ts\t#Nombre!"));
  EXPECT_EQ(cells.size(), 2u + 11u + 8u);
}

TEST(SpreadsheetWriters, AFolderThatDoesNotExistIsAFailureWithItsReason) {
  test::TempDir dir;
  TXlsxWriter workbook;
  TOdsWriter openDocument;
  for (ISpreadsheetWriter* writer : {static_cast<ISpreadsheetWriter*>(&workbook),
                                     static_cast<ISpreadsheetWriter*>(&openDocument)}) {
    const std::string path = dir.File("absent/t." + writer->Extension());
    const TStatus written = writer->Write(Sample(), path);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().reason, "Le fichier « " + path + " » n'a pas pu être enregistré.");
    EXPECT_EQ(written.error().cause, "le dossier « " + dir.File("absent") + " » n'existe pas");
  }
}

}  // namespace
}  // namespace kinevo
