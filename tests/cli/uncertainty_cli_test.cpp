// The marks' uncertainties on the command line: the columns of results and
// export, and the weighted fit of a throw marked with noise of a known size
// judged against the pointing uncertainty the document states.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <random>
#include <sstream>

#include "core/common/ini_file.h"
#include "core/results/results_model.h"
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

// ---------------------------------------------------------------- Monte Carlo

// A throw clicked to the nearest pixel on a 640 × 480 video: a metre over
// 600 pixels, the origin low on the left, the axes turned by 0.2 rad.
struct ClickedThrow {
  static constexpr int kW = 640, kH = 480, kMarks = 16;
  static constexpr double kPeriod = 0.04, kAngle = 0.2, kOriginX = 40, kOriginY = 400;
  std::vector<double> px, py;  // picture pixels, y down

  ClickedThrow() {
    for (int k = 0; k < kMarks; ++k) {
      const double t = kPeriod * k, up = 2.5 * t - 4.9 * t * t;
      px.push_back(std::round(60 + 600 * 1.1 * t));
      py.push_back(std::round(kOriginY - 20 - 600 * up));
    }
  }
  std::string Write(const test::TempDir& dir) const {
    const std::string video = dir.File("lancer.avi"), doc = dir.File("lancer.kvo");
    if (!test::WriteIndexedAvi(video, kW, kH, kMarks)) return {};
    TIniFile ini(doc);
    ini.WriteInteger("Main", "Version", 340000);
    ini.WriteString("Main", "VideoFileName", video);
    ini.WriteFloat("Data", "RequiredDuration", kPeriod);
    ini.WriteInteger("Data", "OriginePointsNumber_Grid", 1);
    ini.WriteFloat("Data", "OrigineCurrentXCoordinate_Grid", kOriginX / kW);
    ini.WriteFloat("Data", "OrigineCurrentYCoordinate_Grid", kOriginY / kH);
    ini.WriteFloat("Data", "XAxisAngle_Grid", kAngle);
    ini.WriteFloat("Data", "YAxisAngle_Grid", kAngle + std::acos(0.0));
    ini.WriteInteger("Data", "ScalePointsNumber", 2);
    ini.WriteFloat("Data", "ScalePoint1XCoordinate", 20.0 / kW);
    ini.WriteFloat("Data", "ScalePoint1YCoordinate", 440.0 / kH);
    ini.WriteFloat("Data", "ScalePoint2XCoordinate", 620.0 / kW);
    ini.WriteFloat("Data", "ScalePoint2YCoordinate", 440.0 / kH);
    ini.WriteFloat("Data", "ScaleLength", 1.0);
    ini.WriteInteger("Data", "MarksNumberPerFrame_Grid", 1);
    ini.WriteInteger("Data", "MarksContainersNumber_Grid", kMarks);
    for (int i = 0; i < kMarks; ++i) {
      const std::string s = "_Grid_" + std::to_string(i);
      ini.WriteInteger("Data", "MarksContainerFrameNumber" + s, i);
      ini.WriteInteger("Data", "MarksContainerMarkNumber" + s, i);
      ini.WriteInteger("Data", "MarksContainerMarksNumber" + s, 1);
      ini.WriteInteger("Data", "MarkOrderNumber" + s + "_0", 0);
      ini.WriteFloat("Data", "MarkXCoordinate" + s + "_0", px[i] / kW);
      ini.WriteFloat("Data", "MarkYCoordinate" + s + "_0", py[i] / kH);
    }
    ini.WriteInteger("Montage", "VisibleImagesNumber", kMarks);
    return ini.UpdateFile() ? doc : std::string();
  }
};

// The same marks for the results computation, each moved at every reading
// by a normal draw of its 1-pixel uncertainty.
class PerturbedThrow : public IResultsSource {
 public:
  PerturbedThrow(const ClickedThrow& marks, std::mt19937* gen) : marks_(marks), gen_(gen) {}
  bool IsVideoOpen() const override { return true; }
  bool IsLayerActive() const override { return false; }
  void GetSeries(bool, TMarkSeries& out) const override {
    using T = ClickedThrow;
    out = {};
    out.images.assign(1, {});
    out.xs.assign(1, {});
    out.ys.assign(1, {});
    std::normal_distribution<double> pixel(0.0, 1.0);
    for (int k = 0; k < T::kMarks; ++k) {
      const double dx = gen_ ? pixel(*gen_) : 0.0, dy = gen_ ? pixel(*gen_) : 0.0;
      out.times.push_back(k * T::kPeriod);
      out.images[0].push_back(k);
      out.xs[0].push_back((marks_.px[k] + dx - T::kOriginX) / T::kW);
      out.ys[0].push_back(-(marks_.py[k] + dy - T::kOriginY) / T::kH);
    }
  }
  std::pair<double, double> ScaleFactors() const override {
    return {ClickedThrow::kW / 600.0, ClickedThrow::kH / 600.0};
  }
  double XAxisAngle(bool) const override { return ClickedThrow::kAngle; }
  bool DirectXAxisDirection(bool) const override { return true; }
  bool DirectYAxisDirection(bool) const override { return true; }
  double ImagePeriod() const override { return ClickedThrow::kPeriod; }
  std::string SystemName(bool, int) const override { return ""; }

 private:
  const ClickedThrow& marks_;
  std::mt19937* gen_;
};

// The results table of the command line, by column identifier.
std::map<std::string, std::vector<double>> Columns(const std::string& out) {
  std::istringstream in(out);
  std::string line;
  std::getline(in, line);
  std::vector<std::string> ids;
  std::istringstream header(line);
  for (std::string id; std::getline(header, id, '\t');) ids.push_back(id);
  std::getline(in, line);  // units
  std::getline(in, line);  // descriptions
  std::map<std::string, std::vector<double>> columns;
  while (std::getline(in, line) && line.rfind("u(", 0) != 0) {
    std::istringstream row(line);
    std::string cell;
    for (std::size_t c = 0; c < ids.size() && std::getline(row, cell, '\t'); ++c)
      columns[ids[c]].push_back(cell.empty() ? NAN : std::stod(cell));
  }
  return columns;
}

TEST(UncertaintyCli, ReportedUncertaintiesAreTheSpreadOfPerturbedMarks) {
  // Every mark of the analysis moved 2,000 times by its stated uncertainty:
  // the spread of each position, speed and acceleration is the uncertainty
  // the program reports, smoothing off and on.
  test::TempDir dir{"kinevo_uncertainty_mc"};
  const ClickedThrow marks;
  const std::string doc = marks.Write(dir);
  ASSERT_FALSE(doc.empty());
  const char* names[] = {"", "x", "y", "vx", "vy", "v", "ax", "ay", "a"};
  const int quantities[] = {qtX, qtY, qtVx, qtVy, qtV, qtAx, qtAy, qtA};
  for (const char* smooth : {"0", "1"}) {
    SCOPED_TRACE(smooth);
    auto r = test::RunProgram(KINEVO_CLI_PATH, {"results", doc, "--uncertainties", "--smooth-speed",
                                                smooth, "--smooth-acceleration", smooth});
    ASSERT_EQ(r.status, 0) << r.err;
    auto reported = Columns(r.out);
    const int flags = smooth[0] == '1' ? TCalcul::kSmoothSpeed | TCalcul::kSmoothAcceleration : 0;

    // The same analysis as the program's, unperturbed.
    TCalcul exact;
    PerturbedThrow still(marks, nullptr);
    ASSERT_EQ(exact.Compute(still, false), ccOk);
    ASSERT_EQ(exact.ComputeDerivatives(flags), ccOk);
    for (int q : quantities)
      for (int row = 0; row < ClickedThrow::kMarks; ++row)
        ASSERT_NEAR(exact.Value(cfAxes, 0, q, row), reported[names[q]].at(row), 1e-9)
            << names[q] << " row " << row;

    std::mt19937 gen(20261210);
    PerturbedThrow noisy(marks, &gen);
    constexpr int kRuns = 2000;
    std::map<int, std::vector<double>> sum, sum2;
    for (int q : quantities) sum[q] = sum2[q] = std::vector<double>(ClickedThrow::kMarks, 0.0);
    for (int run = 0; run < kRuns; ++run) {
      TCalcul c;
      ASSERT_EQ(c.Compute(noisy, false), ccOk);
      ASSERT_EQ(c.ComputeDerivatives(flags), ccOk);
      for (int q : quantities)
        for (int row = 0; row < ClickedThrow::kMarks; ++row) {
          const double v = c.Value(cfAxes, 0, q, row);
          sum[q][row] += v;
          sum2[q][row] += v * v;
        }
    }
    double worst = 0.0;
    for (int q : quantities)
      for (int row = 0; row < ClickedThrow::kMarks; ++row) {
        const double mean = sum[q][row] / kRuns;
        const double spread = std::sqrt((sum2[q][row] - kRuns * mean * mean) / (kRuns - 1));
        const double u = reported["u(" + std::string(names[q]) + ")"].at(row);
        ASSERT_GT(u, 0.0) << names[q] << " row " << row;
        // A magnitude is linear in the marks only to first order: where its
        // uncertainty is a sizeable part of it (the plain differences'
        // accelerations at the ends) the bound does not apply.
        if ((q == qtV || q == qtA) && u > 0.2 * std::fabs(mean)) continue;
        worst = std::max(worst, std::fabs(spread / u - 1.0));
        EXPECT_NEAR(spread / u, 1.0, 0.05)
            << names[q] << " row " << row << ": spread " << spread << ", reported " << u;
      }
    std::cout << "smoothing " << smooth << ": largest |spread / u − 1| = " << worst << "\n";
  }
}

}  // namespace
}  // namespace kinevo
