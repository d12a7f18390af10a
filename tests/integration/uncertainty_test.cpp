// The uncertainties the program reports against the spread it really has: a
// throw marked with clicks on a real video, then every mark perturbed 2,000
// times with its stated uncertainty and the results computed again.  The
// spread of each position, speed and acceleration must be the reported one.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "core/app/session.h"
#include "core/results/results_model.h"
#include "support/session_fixture.h"
#include "support/test_videos.h"
#include "support/test_videos_avi.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

// The analysis's own source, with every mark moved by a normal draw of its
// standard uncertainty at each reading.
class PerturbedSource : public IResultsSource {
 public:
  PerturbedSource(const IResultsSource& base, std::mt19937& gen) : base_(base), gen_(gen) {
    base_.GetSeries(false, series_);
  }
  bool IsVideoOpen() const override { return true; }
  bool IsLayerActive() const override { return false; }
  void GetSeries(bool, TMarkSeries& out) const override {
    out = series_;
    for (size_t s = 0; s < out.xs.size(); ++s)
      for (size_t k = 0; k < out.xs[s].size(); ++k) {
        if (out.images[s][k] < 0) continue;
        out.xs[s][k] += std::normal_distribution<double>(0.0, series_.uxs[s][k])(gen_);
        out.ys[s][k] += std::normal_distribution<double>(0.0, series_.uys[s][k])(gen_);
      }
  }
  std::pair<double, double> ScaleFactors() const override { return base_.ScaleFactors(); }
  double XAxisAngle(bool) const override { return base_.XAxisAngle(false); }
  bool DirectXAxisDirection(bool) const override { return base_.DirectXAxisDirection(false); }
  bool DirectYAxisDirection(bool) const override { return base_.DirectYAxisDirection(false); }
  double ImagePeriod() const override { return base_.ImagePeriod(); }
  std::string SystemName(bool, int) const override { return ""; }

 private:
  const IResultsSource& base_;
  std::mt19937& gen_;
  TMarkSeries series_;
};

struct Fixture : test::SessionFixture {
  Fixture() : SessionFixture(640, 480) {}
};

}  // namespace

TEST(Uncertainty, ReportedUncertaintiesAreTheSpreadOfPerturbedMarks) {
  const std::string dir = test::MakeTempDir("kinevo_uncertainty");
  const std::string video = dir + "/lancer.avi";
  ASSERT_TRUE(test::WriteIndexedAvi(video, 640, 480, 30));
  Fixture f;
  TSession& s = f.session;
  ASSERT_TRUE(s.Workflow().OpenVideo(video));
  // Two metres over 600 pixels, the origin low on the left, the axes turned.
  s.Data.SetTool(otEchelle);
  f.Click(20, 440);
  f.Click(620, 440);
  s.Data.SetScaleLength(2.0);
  s.Data.SetTool(otOrigine);
  f.Click(40, 400);
  s.Data.SetXAxisAngle(0.2);
  // A throw at 1.1 m/s across and 2.5 m/s up, clicked to the nearest pixel.
  s.Data.SetTool(otMarque);
  const int marks = 16;
  for (int k = 0; k < marks; ++k) {
    const double t = 0.04 * k, up = 2.5 * t - 4.9 * t * t;
    f.Click(60 + static_cast<int>(std::lround(300 * 1.1 * t)),
            300 - static_cast<int>(std::lround(300 * up)));
  }
  ASSERT_EQ(s.Data.GridMarks().MarksCount(), marks);
  EXPECT_EQ(s.Data.PointingUncertainty(), 1.0);
  // Two clicked ends 600 pixels apart.
  EXPECT_NEAR(s.Data.ScaleRelativeUncertainty(), std::sqrt(2.0) / 600.0, 1e-12);

  const int quantities[] = {qtX, qtY, qtVx, qtVy, qtV, qtAx, qtAy, qtA};
  const char* names[] = {"", "x", "y", "vx", "vy", "v", "ax", "ay", "a"};
  for (int flags : {0, TCalcul::kSmoothSpeed | TCalcul::kSmoothAcceleration}) {
    SCOPED_TRACE(flags);
    s.Results().SetSmoothingFlags(flags);
    s.Results().SetUncertainties(true);
    ASSERT_TRUE(s.Results().Update(true));
    const TCalcul& reported = s.Results().Grid();
    ASSERT_TRUE(reported.HasUncertainties());
    ASSERT_EQ(reported.RowCount(), marks);

    std::mt19937 gen(20261210);
    PerturbedSource noisy(s.ResultsSource(), gen);
    constexpr int kRuns = 2000;
    std::vector<double> sum(9 * marks, 0.0), sum2(9 * marks, 0.0);
    for (int run = 0; run < kRuns; ++run) {
      TCalcul c;
      ASSERT_EQ(c.Compute(noisy, false), ccOk);
      ASSERT_EQ(c.ComputeDerivatives(flags), ccOk);
      for (int q : quantities)
        for (int row = 0; row < marks; ++row) {
          const double v = c.Value(cfAxes, 0, q, row);
          sum[q * marks + row] += v;
          sum2[q * marks + row] += v * v;
        }
    }
    for (int q : quantities)
      for (int row = 0; row < marks; ++row) {
        const double mean = sum[q * marks + row] / kRuns;
        const double spread =
            std::sqrt((sum2[q * marks + row] - kRuns * mean * mean) / (kRuns - 1));
        const double u = reported.Uncertainty(cfAxes, 0, q, row);
        ASSERT_GT(u, 0.0) << names[q] << " row " << row;
        EXPECT_NEAR(spread / u, 1.0, 0.05)
            << names[q] << " row " << row << ": spread " << spread << ", reported " << u;
      }
  }
  fs::remove_all(dir);
}
