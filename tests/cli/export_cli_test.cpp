// kinevo-cli export: the values table of a document in the four formats,
// read back and compared with the results the program computes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/common/ini_file.h"
#include "core/common/number_format.h"
#include "support/run_program.h"
#include "support/test_videos.h"

namespace fs = std::filesystem;
using namespace kinevo;

namespace {

// Debian's Python, which has the readers (another python3 may come first in
// the PATH).
constexpr const char* kPython = "/usr/bin/python3";

// Every number cell of a spreadsheet as "row<TAB>column<TAB>value".
constexpr const char* kXlsxNumbers = R"(
import sys, openpyxl
for row in openpyxl.load_workbook(sys.argv[1])["Kinevo"].iter_rows():
    for c in row:
        if isinstance(c.value, (int, float)): print(c.row - 1, c.column - 1, repr(float(c.value)), sep="\t")
)";
constexpr const char* kOdsNumbers = R"(
import sys, zipfile, xml.etree.ElementTree as ET
O = "{urn:oasis:names:tc:opendocument:xmlns:office:1.0}"
T = "{urn:oasis:names:tc:opendocument:xmlns:table:1.0}"
root = ET.fromstring(zipfile.ZipFile(sys.argv[1]).read("content.xml"))
for r, row in enumerate(root.iter(T + "table-row")):
    for c, cell in enumerate(row.iter(T + "table-cell")):
        if cell.get(O + "value-type") == "float": print(r, c, repr(float(cell.get(O + "value"))), sep="\t")
)";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    out.push_back(l);
  }
  return out;
}

std::vector<std::string> Fields(const std::string& line, char sep) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = line.find(sep, start);
    out.push_back(line.substr(start, at - start));
    if (at == std::string::npos) return out;
    start = at + 1;
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Two systems over ten images of a 200 × 100 video; the second system is
// not marked on image 4.
class ExportCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = test::MakeTempDir("kinevo-export-cli");
    const std::string video = dir + "/chute.avi";
    ASSERT_TRUE(test::WriteVideoWithFfmpeg(video, 200, 100, 12, 25,
                                           {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}));
    doc = dir + "/chute.kvo";
    TIniFile ini(doc);
    ini.WriteInteger("Main", "Version", 340000);
    ini.WriteString("Main", "VideoFileName", video);
    ini.WriteFloat("Data", "RequiredDuration", 0.04);
    ini.WriteInteger("Data", "MarkColorsNumber", 2);
    ini.WriteInteger("Data", "MarkColor_0", 255);
    ini.WriteInteger("Data", "MarkColor_1", 65280);
    ini.WriteInteger("Data", "OriginePointsNumber_Grid", 1);
    ini.WriteFloat("Data", "OrigineCurrentXCoordinate_Grid", 0);
    ini.WriteFloat("Data", "OrigineCurrentYCoordinate_Grid", 0);
    ini.WriteInteger("Data", "ScalePointsNumber", 2);
    ini.WriteFloat("Data", "ScalePoint1XCoordinate", 0);
    ini.WriteFloat("Data", "ScalePoint1YCoordinate", 0.5);
    ini.WriteFloat("Data", "ScalePoint2XCoordinate", 1);
    ini.WriteFloat("Data", "ScalePoint2YCoordinate", 0.5);
    ini.WriteFloat("Data", "ScaleLength", 2);
    ini.WriteInteger("Data", "MarksNumberPerFrame_Grid", 2);
    ini.WriteInteger("Data", "SystemNamesNumber_Grid", 2);
    ini.WriteString("Data", "SystemName_Grid_0", "balle");
    ini.WriteString("Data", "SystemName_Grid_1", "chariot");
    ini.WriteInteger("Data", "MarksContainersNumber_Grid", 10);
    for (int i = 0; i < 10; ++i) {
      const std::string s = "_Grid_" + std::to_string(i);
      const int marks = i == 4 ? 1 : 2;
      ini.WriteInteger("Data", "MarksContainerFrameNumber" + s, i);
      ini.WriteInteger("Data", "MarksContainerMarkNumber" + s, i);
      ini.WriteInteger("Data", "MarksContainerMarksNumber" + s, marks);
      for (int m = 0; m < marks; ++m) {
        const std::string k = s + "_" + std::to_string(m);
        ini.WriteInteger("Data", "MarkOrderNumber" + k, m);
        ini.WriteFloat("Data", "MarkXCoordinate" + k, 0.05 * i + 0.3 * m);
        ini.WriteFloat("Data", "MarkYCoordinate" + k, 0.1 + 0.005 * i * i + 0.4 * m);
      }
    }
    ini.WriteInteger("Montage", "VisibleImagesNumber", 12);
    ASSERT_TRUE(ini.UpdateFile());
    // The reference: the results command's table (identifiers, units,
    // descriptions, rows).
    const auto r = test::RunProgram(KINEVO_CLI_PATH, {"results", doc});
    ASSERT_EQ(r.status, 0) << r.err;
    results = Lines(r.out);
  }
  static void TearDownTestSuite() { fs::remove_all(dir); }

  static test::ProgramRun Export(const std::vector<std::string>& more) {
    std::vector<std::string> args = {"export", doc};
    args.insert(args.end(), more.begin(), more.end());
    return test::RunProgram(KINEVO_CLI_PATH, args);
  }
  // Number cells read back by `script`, keyed by (row, column).
  static std::map<std::pair<int, int>, double> Numbers(const char* script,
                                                       const std::string& path) {
    const auto run = test::RunProgram(kPython, {"-c", script, path});
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::pair<int, int>, double> out;
    for (const auto& l : Lines(run.out)) {
      const auto f = Fields(l, '\t');
      if (f.size() == 3) out[{std::stoi(f[0]), std::stoi(f[1])}] = std::stod(f[2]);
    }
    return out;
  }
  // Every data cell of the results arrives as the same number, and only
  // those cells are numbers.
  static void ExpectResults(const std::map<std::pair<int, int>, double>& numbers) {
    std::size_t count = 0;
    for (std::size_t r = 3; r < results.size(); ++r) {
      const auto f = Fields(results[r], '\t');
      for (std::size_t c = 0; c < f.size(); ++c) {
        double want = 0;
        const auto it = numbers.find({static_cast<int>(r + 1), static_cast<int>(c)});
        if (!TextToFloat(f[c], want)) {
          EXPECT_TRUE(it == numbers.end()) << "row " << r << " column " << c;
          continue;
        }
        ++count;
        ASSERT_TRUE(it != numbers.end()) << "row " << r << " column " << c;
        EXPECT_EQ(it->second, want) << "row " << r << " column " << c;
      }
    }
    EXPECT_GT(count, 150u);  // ten rows of 23 columns, a few empty
    EXPECT_EQ(numbers.size(), count);
  }

  static std::string dir, doc;
  static std::vector<std::string> results;
};
std::string ExportCli::dir, ExportCli::doc;
std::vector<std::string> ExportCli::results;

TEST_F(ExportCli, TextHoldsTheSevenKindsOfLines) {
  const std::string out = dir + "/tableau.txt";
  const auto run = Export({"--format", "txt", "-o", out});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = Lines(ReadFile(out));
  ASSERT_EQ(lines.size(), 6u + 10u);
  EXPECT_TRUE(fs::path(lines[0]).filename() == "kinevo-cli") << lines[0];
  EXPECT_EQ(lines[2], "Angle de rotation du repère dans le sens trigonométrique : 0 rad");
  EXPECT_EQ(Fields(lines[3], '\t').size(), 23u);  // t and 11 columns per system
  for (std::size_t i = 3; i < lines.size(); ++i) EXPECT_EQ(lines[i], results[i - 3]);
  EXPECT_NE(lines[10].find("\t\t"), std::string::npos);  // image 4
}

TEST_F(ExportCli, SpreadsheetsHoldTheResultsAsNumbers) {
  const std::string xlsx = dir + "/tableau.xlsx", ods = dir + "/tableau.ods";
  ASSERT_EQ(Export({"--format", "xlsx", "-o", xlsx}).status, 0);
  ExpectResults(Numbers(kXlsxNumbers, xlsx));
  ASSERT_EQ(Export({"--format", "ods", "-o", ods, "--decimal", ","}).status, 0);
  ExpectResults(Numbers(kOdsNumbers, ods));
}

TEST_F(ExportCli, AFileThatCannotBeWrittenExitsWithAMessage) {
  for (const char* format : {"txt", "csv", "xlsx", "ods"}) {
    const auto run = Export({"--format", format, "-o", dir + "/absent/tableau"});
    EXPECT_EQ(run.status, 1) << format;
    EXPECT_NE(run.err.find("Le fichier « " + dir + "/absent/tableau » n'a pas pu être enregistré."),
              std::string::npos)
        << run.err;
  }
  EXPECT_EQ(Export({"--format", "pdf", "-o", dir + "/t.pdf"}).status, 2);
  EXPECT_EQ(Export({"--format", "csv"}).status, 2);
}

}  // namespace
