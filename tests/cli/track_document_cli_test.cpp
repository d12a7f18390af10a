// The headless pipeline: kinevo-cli new (scale, origin, time between
// images), track on the document, then results, on a generated video of a
// thrown ball drawn as an anti-aliased disc.  The tracked positions are
// compared with the truth and with the whole-pixel tracker, and a parabola
// through the results gives g back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/number_format.h"
#include "core/tracking/mean_shift.h"
#include "support/ball_scene.h"
#include "support/run_program.h"
#include "support/test_videos.h"
#include "support/text_checks.h"

using kinevo::test::QuadraticCoefficient;
using kinevo::test::Split;

namespace {

using kinevo::Image;
using kinevo::test::ProgramRun;

constexpr int kW = 320, kH = 240, kFrames = 20;
constexpr double kRate = 25, kPixelsPerMetre = 100, kG = 9.81, kRadius = 8;

// The ball's centre (continuous picture coordinates) at image k.
double BallX(int k) { return 30.3 + 12.2 * k; }
double BallY(int k) {
  const double t = k / kRate;
  return 150.6 - 3.73 * kPixelsPerMetre * t + 0.5 * kG * kPixelsPerMetre * t * t;
}

class TrackDocumentCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = kinevo::test::MakeTempDir("track_doc_cli");
    const std::string raw = dir_ + "/frames.rgb";
    FILE* f = std::fopen(raw.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    for (int k = 0; k < kFrames; ++k) {
      const Image img = kinevo::test::BallScene(kW, kH, BallX(k), BallY(k), kRadius);
      std::fwrite(img.Data(), 1, img.ByteSize(), f);
    }
    std::fclose(f);
    videoOk_ = kinevo::test::RunProgram(
                   "ffmpeg", {"-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24",
                              "-s", std::to_string(kW) + "x" + std::to_string(kH), "-r", "25", "-i",
                              raw, "-c:v", "rawvideo", "-pix_fmt", "bgr24", dir_ + "/lancer.avi"})
                   .status == 0;
    std::remove(raw.c_str());
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  static ProgramRun Cli(const std::vector<std::string>& args) {
    return kinevo::test::RunProgram(KINEVO_CLI_PATH, args);
  }
  // A 12-point contour of radius 7 around the ball on image k.
  static std::vector<std::string> Contour(int k) {
    std::vector<std::string> c{"--contour"};
    for (int i = 0; i < 12; ++i) {
      const double a = 2 * 3.14159265358979 * i / 12;
      c.push_back(std::to_string(BallX(k) + 7 * std::cos(a)) + "," +
                  std::to_string(BallY(k) + 7 * std::sin(a)));
    }
    return c;
  }
  static std::string dir_;
  static bool videoOk_;
};

std::string TrackDocumentCli::dir_;
bool TrackDocumentCli::videoOk_ = false;

TEST_F(TrackDocumentCli, NewTrackResultsGiveTheTrajectoryAndG) {
  ASSERT_TRUE(videoOk_) << "the ffmpeg program could not write the video";
  const std::string doc = dir_ + "/lancer.kvo", out = dir_ + "/suivi.kvo";
  ProgramRun r = Cli({"new", dir_ + "/lancer.avi", "-o", doc, "--scale", "10,230,310,230,3",
                      "--origin", "30,150", "--duration", "0.04"});
  ASSERT_EQ(r.status, 0) << r.err;

  std::vector<std::string> args{"track", doc,      "--system", "1",  "--first",
                                "0",     "--last", "19",       "-o", out};
  for (const auto& c : Contour(0)) args.push_back(c);
  r = Cli(args);
  ASSERT_EQ(r.status, 0) << r.err;

  // The tracked positions against the truth, and against the whole-pixel
  // positions of the same tracker.
  kinevo::TMeanShift whole;
  whole.SetRadius(40);
  Image first = kinevo::test::BallScene(kW, kH, BallX(0), BallY(0), kRadius);
  std::vector<kinevo::TPictureCoord> contour;
  for (int i = 0; i < 12; ++i) {
    const double a = 2 * 3.14159265358979 * i / 12;
    contour.push_back({(BallX(0) + 7 * std::cos(a)) / kW, (BallY(0) + 7 * std::sin(a)) / kH});
  }
  kinevo::TPixel p;
  ASSERT_TRUE(whole.SetModel(first, contour, p));
  whole.SetBinCount(20);
  whole.BuildModel();

  const auto lines = Split(r.out, '\n');
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kFrames)) << r.out;
  double sumError = 0, sumWholeError = 0;
  for (int k = 1; k < kFrames; ++k) {
    int image = -1;
    double x = 0, y = 0, similarity = 0;
    ASSERT_EQ(std::sscanf(lines[static_cast<std::size_t>(k)].c_str(), "%d %lf %lf %lf", &image, &x,
                          &y, &similarity),
              4);
    EXPECT_EQ(image, k);
    const double error = std::hypot(x - BallX(k), y - BallY(k));
    EXPECT_LT(error, 1.5) << "image " << k;
    EXPECT_GT(similarity, 0.5);
    sumError += error;
    whole.Track(kinevo::test::BallScene(kW, kH, BallX(k), BallY(k), kRadius), p, 10);
    // The whole pixel found, at its centre.
    sumWholeError += std::hypot(p.x + 0.5 - BallX(k), p.y + 0.5 - BallY(k));
  }
  const double mean = sumError / (kFrames - 1), wholeMean = sumWholeError / (kFrames - 1);
  RecordProperty("mean_error_px", std::to_string(mean));
  RecordProperty("whole_pixel_mean_error_px", std::to_string(wholeMean));
  EXPECT_LT(mean, 0.5 * wholeMean) << mean << " against " << wholeMean;

  // The results of the saved document: y (m, upward) against t.
  r = Cli({"results", out, "--smooth-speed", "0", "--smooth-acceleration", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = Split(r.out, '\n');
  ASSERT_EQ(rows.size(), 3u + kFrames) << r.out;
  const auto ids = Split(rows[0], '\t');
  int ct = -1, cy = -1;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == "t" && ct < 0) ct = static_cast<int>(i);
    if (ids[i].rfind("y", 0) == 0 && cy < 0) cy = static_cast<int>(i);
  }
  ASSERT_GE(ct, 0);
  ASSERT_GE(cy, 0);
  std::vector<double> ts, ys;
  for (std::size_t i = 3; i < rows.size(); ++i) {
    const auto f = Split(rows[i], '\t');
    double t = 0, y = 0;
    ASSERT_TRUE(kinevo::TextToFloat(f[static_cast<std::size_t>(ct)], t)) << rows[i];
    ASSERT_TRUE(kinevo::TextToFloat(f[static_cast<std::size_t>(cy)], y)) << rows[i];
    ts.push_back(t);
    ys.push_back(y);
  }
  const double g = -2 * QuadraticCoefficient(ts, ys);
  RecordProperty("g", std::to_string(g));
  EXPECT_NEAR(g, kG, 0.01 * kG);
}

TEST_F(TrackDocumentCli, RefusalsAndBadArgumentsFail) {
  ASSERT_TRUE(videoOk_);
  const std::string doc = dir_ + "/refus.kvo";
  ASSERT_EQ(Cli({"new", dir_ + "/lancer.avi", "-o", doc, "--systems", "2"}).status, 0);
  EXPECT_EQ(Cli({"new", dir_ + "/lancer.avi", "-o", doc, "--scale", "1,2,3"}).status, 2);
  EXPECT_EQ(Cli({"new", dir_ + "/lancer.avi", "-o", doc, "--systems", "0"}).status, 2);
  EXPECT_NE(Cli({"new", dir_ + "/absent.avi", "-o", doc}).status, 0);

  std::vector<std::string> base{"track",  doc,  "--first", "19",
                                "--last", "19", "-o",      dir_ + "/x.kvo"};
  for (const auto& c : Contour(0)) base.push_back(c);
  ProgramRun r = Cli(base);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("La séquence débute avec la dernière image"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/x.kvo"));

  base[3] = "0";
  base.push_back("--system");
  base.push_back("3");
  r = Cli(base);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("2 objet"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/x.kvo"));
}

}  // namespace
