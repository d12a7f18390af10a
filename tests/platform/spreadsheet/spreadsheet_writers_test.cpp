// The spreadsheet files read back by readers other than the writers:
// openpyxl for the workbook, Python's zipfile and XML parser for the
// OpenDocument file.
#include <gtest/gtest.h>

#include "core/common/number_format.h"
#include "platform/spreadsheet/ods_writer.h"
#include "platform/spreadsheet/xlsx_writer.h"
#include "support/french_numeric_locale.h"
#include "support/spreadsheet_readers.h"
#include "support/temp_dir.h"

namespace kinevo {
namespace {

using test::kReadOds;
using test::kReadXlsx;

std::vector<std::string> Read(const char* script, const std::string& path) {
  return test::ReadSpreadsheet(script, path);
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

// A French desktop prints "0,5" through the C library: both files must read
// back exactly as under the C locale.
TEST(SpreadsheetWriters, BothFilesAreTheSameUnderAFrenchNumericLocale) {
  test::TempDir dir;
  auto write = [](auto writer, const std::string& path) {
    const TStatus written = writer.Write(Sample(), path);
    EXPECT_TRUE(written) << written.error().Text();
  };
  write(TXlsxWriter(), dir.File("c.xlsx"));
  write(TOdsWriter(), dir.File("c.ods"));
  {
    test::FrenchNumericLocale french;
    ASSERT_TRUE(french.Active());
    write(TXlsxWriter(), dir.File("fr.xlsx"));
    write(TOdsWriter(), dir.File("fr.ods"));
  }
  const auto workbook = Read(kReadXlsx, dir.File("fr.xlsx"));
  EXPECT_TRUE(Has(workbook, "4\t1\tn\t1.5"));
  EXPECT_TRUE(Has(workbook, "5\t2\tn\t-2.5e-07"));
  EXPECT_EQ(workbook, Read(kReadXlsx, dir.File("c.xlsx")));
  EXPECT_EQ(Read(kReadOds, dir.File("fr.ods")), Read(kReadOds, dir.File("c.ods")));
}

}  // namespace
}  // namespace kinevo
