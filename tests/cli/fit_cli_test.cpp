// kinevo-cli fit on a document with two systems, against the motions the
// document's marks were made from.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "core/common/ini_file.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/two_systems_document.h"

namespace kinevo {
namespace {

using T = test::TwoSystems;

// "NAME = VALUE ± U" lines as (value, uncertainty), "NAME = VALUE" lines as
// (value, NaN), and the equation line under "equation".
struct FitOutput {
  std::map<std::string, std::pair<double, double>> values;
  std::string equation;
};

FitOutput Parse(const std::string& out) {
  FitOutput f;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Modèle: ", 0) == 0) {
      f.equation = line;
      continue;
    }
    const auto eq = line.find(" = ");
    if (eq == std::string::npos) continue;
    const std::string rest = line.substr(eq + 3);
    const auto pm = rest.find(" ± ");
    double u = NAN;
    if (pm != std::string::npos) u = std::stod(rest.substr(pm + 4));
    // Numbers use "." whatever the locale.
    EXPECT_EQ(rest.find(','), std::string::npos) << line;
    f.values[line.substr(0, eq)] = {std::stod(rest.substr(0, pm)), u};
  }
  return f;
}

class FitCli : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(T::Write(dir.Path()).empty()); }
  test::ProgramRun Fit(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"fit", dir.File("doc.kvo")};
    args.insert(args.end(), extra.begin(), extra.end());
    return test::RunProgram(KINEVO_CLI_PATH, args);
  }
  test::TempDir dir{"kinevo_fit_cli"};
};

TEST_F(FitCli, ExactMotionsGiveTheirCoefficients) {
  // System 0 falls: y = −0.1 − 0.005 i² m with i = t / 0.04, so
  // y = −0.1 − 3.125 t²; x = 0.1 i = 2.5 t.
  auto r = Fit({"--y", "y", "--model", "parabola"});
  ASSERT_EQ(r.status, 0) << r.err;
  FitOutput f = Parse(r.out);
  ASSERT_EQ(f.values.count("c"), 1u) << r.out;
  EXPECT_NEAR(f.values["c"].first, -3.125, 3.125e-9);
  EXPECT_NEAR(f.values["b"].first, 0.0, 1e-9);
  EXPECT_NEAR(f.values["r"].first, -0.1, 1e-9);
  EXPECT_LT(f.values["c"].second, 1e-6);
  EXPECT_NEAR(f.values["rms"].first, 0.0, 1e-9);
  EXPECT_EQ(f.values.count("correlation"), 0u);  // not a linear model
  EXPECT_EQ(f.equation, "Modèle: y = r + b.t + c.t²");
  // Each parameter with its unit.
  for (const char* unit : {" m\nb = ", " m/s\nc = ", " m/s²\nrms = "})
    EXPECT_NE(r.out.find(unit), std::string::npos) << unit << " in " << r.out;

  r = Fit({"--y", "x", "--model", "line"});
  ASSERT_EQ(r.status, 0) << r.err;
  f = Parse(r.out);
  EXPECT_NEAR(f.values["b"].first, 2.5, 1e-9);
  EXPECT_NEAR(f.values["correlation"].first, 1.0, 1e-12);
  EXPECT_EQ(f.equation, "Modèle: x = r + b.t");

  // y against x for system 0: y = −0.1 − 0.5 x²; b has no unit, c is in m⁻¹.
  r = Fit({"--y", "y", "--x", "x", "--model", "parabola"});
  ASSERT_EQ(r.status, 0) << r.err;
  f = Parse(r.out);
  EXPECT_NEAR(f.values["c"].first, -0.5, 1e-9);
  EXPECT_EQ(f.equation, "Modèle: y = r + b.x + c.x²");
  EXPECT_NE(r.out.find(" m⁻¹\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(" m/m"), std::string::npos) << r.out;
}

TEST_F(FitCli, UncertaintiesOfAnInexactFit) {
  // A straight line on the falling ball's y: the residual is the parabola's
  // curvature, so the uncertainties are those of the textbook formulas.
  const auto r = Fit({"--y", "y", "--model", "line"});
  ASSERT_EQ(r.status, 0) << r.err;
  FitOutput f = Parse(r.out);
  double mt = 0, my = 0;
  const int n = T::kMarks;
  std::vector<double> t(n), y(n);
  for (int i = 0; i < n; ++i) {
    t[i] = i * T::kPeriod;
    y[i] = -T::Y0(i);
    mt += t[i] / n;
    my += y[i] / n;
  }
  double sxx = 0, sxy = 0;
  for (int i = 0; i < n; ++i) sxx += (t[i] - mt) * (t[i] - mt), sxy += (t[i] - mt) * (y[i] - my);
  const double b = sxy / sxx, a = my - b * mt;
  double ssr = 0;
  for (int i = 0; i < n; ++i) ssr += std::pow(y[i] - a - b * t[i], 2);
  EXPECT_NEAR(f.values["b"].first, b, 1e-9);
  EXPECT_NEAR(f.values["b"].second / (std::sqrt(ssr / (n - 2)) / std::sqrt(sxx)), 1.0, 1e-6);
  EXPECT_NEAR(f.values["rms"].first, std::sqrt(ssr / n), 1e-9);
}

TEST_F(FitCli, FailuresAreReported) {
  // The second system stays at one abscissa: no parabola through x = 1 only.
  auto r = Fit({"--system", "2", "--x", "x", "--y", "y", "--model", "parabola"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("L'ajustement du modèle a échoué.\n"
                       "Détail : tous les points ont la même abscisse"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
  // Three points give a parabola but no uncertainty: said so, not "NAN".
  {
    TIniFile ini(dir.File("doc.kvo"));
    ini.WriteInteger("Data", "MarksContainersNumber_Grid", 3);
    ASSERT_TRUE(ini.UpdateFile());
  }
  r = Fit({"--y", "y", "--model", "parabola"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("c = -3.125 ± indéterminée m/s²"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("NAN"), std::string::npos) << r.out;
  r = Fit({"--system", "5", "--y", "y", "--model", "line"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("Le point 5 n'existe pas."), std::string::npos) << r.err;
  EXPECT_EQ(Fit({"--system", "0", "--y", "y", "--model", "line"}).status, 2);
  r = Fit({"--y", "y", "--model", "cubic"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Usage"), std::string::npos);
}

}  // namespace
}  // namespace kinevo
