// The marks' uncertainties on the command line: the columns of results and
// export, and the weighted fit of a throw marked with noise of a known size
// judged against the pointing uncertainty the document states.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "core/common/ini_file.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/test_videos_avi.h"

namespace kinevo {
namespace {

constexpr int kMarks = 40;
constexpr double kPeriod = 0.02;
constexpr int kWidth = 320, kHeight = 240;

// A throw on a 320 × 240 video, 200 pixels per metre, the origin at the
// top-left corner; every mark moved by a normal draw of `noise` pixels.
// `pointing` is the document's pointing uncertainty (none: the key left out).
std::string WriteThrow(const test::TempDir& dir, double noise, double pointing) {
  const std::string video = dir.File("v.avi"), doc = dir.File("lancer.kvo");
  if (!test::WriteIndexedAvi(video, kWidth, kHeight, kMarks)) return {};
  TIniFile ini(doc);
  ini.WriteInteger("Main", "Version", 340000);
  ini.WriteString("Main", "VideoFileName", video);
  ini.WriteFloat("Data", "RequiredDuration", kPeriod);
  if (pointing > 0) ini.WriteFloat("Data", "PointingUncertainty", pointing);
  ini.WriteInteger("Data", "OriginePointsNumber_Grid", 1);
  ini.WriteFloat("Data", "OrigineCurrentXCoordinate_Grid", 0);
  ini.WriteFloat("Data", "OrigineCurrentYCoordinate_Grid", 0);
  ini.WriteInteger("Data", "ScalePointsNumber", 2);
  ini.WriteFloat("Data", "ScalePoint1XCoordinate", 0);
  ini.WriteFloat("Data", "ScalePoint1YCoordinate", 0.5);
  ini.WriteFloat("Data", "ScalePoint2XCoordinate", 1);
  ini.WriteFloat("Data", "ScalePoint2YCoordinate", 0.5);
  ini.WriteFloat("Data", "ScaleLength", kWidth / 200.0);
  ini.WriteInteger("Data", "MarksNumberPerFrame_Grid", 1);
  ini.WriteInteger("Data", "MarksContainersNumber_Grid", kMarks);
  std::mt19937 gen(38);
  std::normal_distribution<double> draw(0.0, noise);
  for (int i = 0; i < kMarks; ++i) {
    const double t = kPeriod * i;
    const double px = 20 + 300 * t + draw(gen);
    const double py = 200 - 200 * (3.8 * t - 4.9 * t * t) + draw(gen);
    const std::string s = "_Grid_" + std::to_string(i);
    ini.WriteInteger("Data", "MarksContainerFrameNumber" + s, i);
    ini.WriteInteger("Data", "MarksContainerMarkNumber" + s, i);
    ini.WriteInteger("Data", "MarksContainerMarksNumber" + s, 1);
    ini.WriteInteger("Data", "MarkOrderNumber" + s + "_0", 0);
    ini.WriteFloat("Data", "MarkXCoordinate" + s + "_0", px / kWidth);
    ini.WriteFloat("Data", "MarkYCoordinate" + s + "_0", py / kHeight);
  }
  ini.WriteInteger("Montage", "VisibleImagesNumber", kMarks);
  return ini.UpdateFile() ? doc : std::string();
}

// The value of a "NAME = VALUE" line of the output; NaN when absent.
double Line(const std::string& out, const std::string& name) {
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(name + " = ", 0) == 0) return std::stod(line.substr(name.size() + 3));
  return NAN;
}

test::ProgramRun WeightedParabola(const std::string& doc) {
  return test::RunProgram(KINEVO_CLI_PATH,
                          {"fit", doc, "--y", "y", "--model", "parabola", "--weighted"});
}

TEST(UncertaintyCli, WeightedFitJudgesTheModelAgainstThePointingUncertainty) {
  // Marked with the 1-pixel noise the document states: the reduced χ² lies
  // within its expected spread around 1.
  test::TempDir dir{"kinevo_uncertainty_cli"};
  auto r = WeightedParabola(WriteThrow(dir, 1.0, 1.0));
  ASSERT_EQ(r.status, 0) << r.err;
  const double ndf = Line(r.out, "ndf");
  EXPECT_EQ(ndf, kMarks - 3) << r.out;
  const double reduced = Line(r.out, "reduced_chi2");
  EXPECT_NEAR(Line(r.out, "chi2"), reduced * ndf, 1e-9 * ndf);
  EXPECT_LE(std::fabs(reduced - 1.0), 2.0 * std::sqrt(2.0 / ndf)) << r.out;
  EXPECT_NE(r.out.find("\nLe modèle est compatible avec les mesures\n"), std::string::npos)
      << r.out;
  // g from the curvature: c = −g/2, within a few of its uncertainties.
  const auto c = r.out.find("\nc = ");
  ASSERT_NE(c, std::string::npos);
  const double cValue = std::stod(r.out.substr(c + 5));
  const double cU = std::stod(r.out.substr(r.out.find(" ± ", c) + 4));
  EXPECT_NEAR(cValue, -4.9, 4 * cU);
  EXPECT_LT(cU, 0.2);

  // The noise doubled, the stated uncertainty kept: not compatible.
  test::TempDir doubled{"kinevo_uncertainty_cli2"};
  r = WeightedParabola(WriteThrow(doubled, 2.0, 1.0));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_GT(Line(r.out, "reduced_chi2"), 1.0 + 2.0 * std::sqrt(2.0 / (kMarks - 3))) << r.out;
  EXPECT_NE(r.out.find("\nLe modèle n'est pas compatible avec les mesures\n"), std::string::npos)
      << r.out;
  // Stated honestly, the same marks are compatible again.
  test::TempDir honest{"kinevo_uncertainty_cli3"};
  r = WeightedParabola(WriteThrow(honest, 2.0, 2.0));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\nLe modèle est compatible avec les mesures\n"), std::string::npos)
      << r.out;
}

TEST(UncertaintyCli, ResultsAndExportCarryTheColumns) {
  // A document written before the uncertainties: the pointing uncertainty
  // is 1 pixel, 1/200 m along y here.
  test::TempDir dir{"kinevo_uncertainty_cols"};
  const std::string doc = WriteThrow(dir, 0.0, 0.0);
  auto r = test::RunProgram(KINEVO_CLI_PATH, {"results", doc, "--uncertainties"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream in(r.out);
  std::string ids, units, descriptions, first;
  std::getline(in, ids);
  std::getline(in, units);
  std::getline(in, descriptions);
  std::getline(in, first);
  EXPECT_EQ(ids.rfind("t\tx\tu(x)\ty\tu(y)\tvx\tu(vx)\tvy\tu(vy)\tv\tu(v)\tax\tu(ax)", 0), 0u)
      << ids;
  EXPECT_EQ(units.rfind("s\tm\tm\tm\tm\tm/s\tm/s", 0), 0u) << units;
  std::vector<std::string> cells;
  std::istringstream row(first);
  for (std::string c; std::getline(row, c, '\t');) cells.push_back(c);
  ASSERT_GT(cells.size(), 5u);
  EXPECT_NEAR(std::stod(cells[2]), 1.0 / 200.0, 1e-12);
  EXPECT_NEAR(std::stod(cells[4]), 1.0 / 200.0, 1e-12);
  // The scale's own term comes apart, last: two ends clicked 320 px apart.
  EXPECT_NE(r.out.find("u(échelle)/échelle\t"), std::string::npos);
  EXPECT_NEAR(std::stod(r.out.substr(r.out.rfind('\t') + 1)), std::sqrt(2.0) / 320.0, 1e-12);
  // Without the option, no uncertainty.
  r = test::RunProgram(KINEVO_CLI_PATH, {"results", doc});
  EXPECT_EQ(r.out.find("u("), std::string::npos);

  // The export beside its columns too.
  r = test::RunProgram(KINEVO_CLI_PATH, {"export", doc, "--format", "csv", "-o", dir.File("t.csv"),
                                         "--uncertainties"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string csv = test::ReadFileBytes(dir.File("t.csv"));
  EXPECT_EQ(csv.rfind("t,x,u(x),y,u(y),vx,u(vx)", 0), 0u) << csv.substr(0, 80);
}

}  // namespace
}  // namespace kinevo
