// kinevo-cli simulate on a document whose marks follow known motions: a
// fall with a = −6.25 m/s² and a uniform rise (see two_systems_document.h).
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/two_systems_document.h"

namespace kinevo {
namespace {

using T = test::TwoSystems;

class SimulateCli : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(T::Write(dir.Path()).empty()); }
  test::ProgramRun Simulate(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"simulate", dir.File("doc.kvo")};
    args.insert(args.end(), extra.begin(), extra.end());
    return test::RunProgram(KINEVO_CLI_PATH, args);
  }
  test::TempDir dir{"kinevo_simulate_cli"};
};

struct Lines {
  std::vector<std::string> named;        // "NAME = VALUE ± U"
  std::vector<std::vector<double>> txy;  // "t x y"
  double rms = NAN;
};

Lines Parse(const std::string& out) {
  Lines l;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("rms = ", 0) == 0) {
      l.rms = std::stod(line.substr(6));
    } else if (line.find(" = ") != std::string::npos) {
      l.named.push_back(line);
    } else {
      std::istringstream words(line);
      double t, x, y;
      EXPECT_TRUE(static_cast<bool>(words >> t >> x >> y)) << line;
      l.txy.push_back({t, x, y});
    }
  }
  return l;
}

double Value(const std::string& line) { return std::stod(line.substr(line.find(" = ") + 3)); }

TEST_F(SimulateCli, ModelsFollowTheMarksAndFitTheirParameters) {
  // The fall: g fitted from a poor start with the starting speed.
  auto r = Simulate({"--ax", "0", "--ay", "-g", "--param", "g=1", "--fit", "g,vx0,vy0"});
  ASSERT_EQ(r.status, 0) << r.err;
  Lines l = Parse(r.out);
  ASSERT_EQ(l.named.size(), 3u) << r.out;
  EXPECT_EQ(l.named[0].rfind("g = ", 0), 0u);
  EXPECT_NEAR(Value(l.named[0]) / 6.25, 1, 1e-6);
  EXPECT_NE(l.named[0].find(" ± "), std::string::npos);
  ASSERT_EQ(l.txy.size(), static_cast<std::size_t>(T::kMarks));
  for (int i = 0; i < T::kMarks; ++i) {
    const double t = i * T::kPeriod;
    EXPECT_NEAR(l.txy[i][0], t, 1e-12);
    EXPECT_NEAR(l.txy[i][1], 2.5 * t, 1e-7);
    EXPECT_NEAR(l.txy[i][2], -0.1 - 3.125 * t * t, 1e-7);
  }
  EXPECT_LT(l.rms, 1e-7);

  // The rise, launched from image 6 with the results' position and speed,
  // no force: on the marks without fitting anything.
  r = Simulate({"--ax", "0", "--ay", "0", "--system", "2", "--from", "6"});
  ASSERT_EQ(r.status, 0) << r.err;
  l = Parse(r.out);
  EXPECT_TRUE(l.named.empty());
  ASSERT_EQ(l.txy.size(), static_cast<std::size_t>(T::kMarks));
  EXPECT_NEAR(l.txy[0][2], -0.5, 1e-9);
  EXPECT_LT(l.rms, 1e-9);
  // A wrong model is far from the marks, and says so by its rms.
  r = Simulate({"--ax", "0", "--ay", "-9.81", "--system", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_GT(Parse(r.out).rms, 0.01);
}

TEST_F(SimulateCli, FailuresExitWithTheirReason) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* said;
  };
  const std::vector<Case> cases = {
      {{"--ax", "0", "--ay", "-q"}, 1, "La formule de ay ne peut pas être lue."},
      {{"--ax", "(1", "--ay", "0"}, 1, "La formule de ax ne peut pas être lue."},
      {{"--ax", "0", "--ay", "y*y*1e9", "--param", "y0=1"}, 1, "Le modèle diverge à t = "},
      {{"--ax", "0", "--ay", "-g", "--fit", "g"}, 1, "le paramètre « g » n'existe pas"},
      {{"--ax", "0", "--ay", "0", "--system", "3"}, 1, "Le point 3 n'existe pas."},
      {{"--ax", "0", "--ay", "0", "--from", "12"}, 1, "L'image 12 n'est pas marquée"},
      {{"--ax", "0", "--ay", "0", "--param", "k"}, 2, "NOM=VALEUR"},
      {{"--ax", "0"}, 2, "Usage : kinevo-cli simulate"},
      {{"--ax", "0", "--ay", "0", "--system", "0"}, 2, "Usage : kinevo-cli simulate"},
  };
  for (const Case& c : cases) {
    const test::ProgramRun r = Simulate(c.args);
    EXPECT_EQ(r.status, c.status) << c.said << "\n" << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

}  // namespace
}  // namespace kinevo
