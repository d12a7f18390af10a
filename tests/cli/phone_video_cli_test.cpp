// A ball thrown and filmed at a variable rate, as phones film when the light
// drops: probe tells the rate is variable, and the headless pipeline (new,
// track, results) gives the ball's speeds and g from the file's own times.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/number_format.h"
#include "support/ball_scene.h"
#include "support/run_program.h"
#include "support/test_videos.h"
#include "support/text_checks.h"

using kinevo::test::QuadraticCoefficient;
using kinevo::test::Split;

namespace {

using kinevo::Image;
using kinevo::test::ProgramRun;

constexpr int kW = 320, kH = 240, kFrames = 22;
constexpr double kPixelsPerMetre = 100, kG = 9.81, kRadius = 8, kVx = 3.0, kVy = 3.73;

// The rate falls as the light drops: 29 ms between the first two images,
// one millisecond more for each next one (50 ms at the end).
double TimeOf(int k) { return 0.028 * k + 0.001 * k * (k + 1) / 2; }
double BallX(double t) { return 30.3 + kVx * kPixelsPerMetre * t; }
double BallY(double t) {
  return 150.6 - kVy * kPixelsPerMetre * t + 0.5 * kG * kPixelsPerMetre * t * t;
}

std::string Field(const std::string& out, const std::string& key) {
  for (const auto& line : Split(out, '\n'))
    if (line.rfind(key + ": ", 0) == 0) return line.substr(key.size() + 2);
  return "<missing>";
}

ProgramRun Cli(const std::vector<std::string>& args) {
  return kinevo::test::RunProgram(KINEVO_CLI_PATH, args);
}

}  // namespace

TEST(PhoneVideoCli, BallFilmedAtAVariableRateGivesItsSpeedsAndG) {
  const std::string dir = kinevo::test::MakeTempDir("phone_cli");
  const std::string video = dir + "/lancer.mp4";
  std::vector<double> times;
  // A microsecond later: the writer truncates the times to its clock's ticks.
  for (int k = 0; k < kFrames; ++k) times.push_back(TimeOf(k) + 1e-6);
  std::string log;
  ASSERT_TRUE(kinevo::test::WritePicturesWithFfmpeg(
      video, kW, kH, kFrames, 1000,
      [](Image& img, int k) {
        img = kinevo::test::BallScene(kW, kH, BallX(TimeOf(k)), BallY(TimeOf(k)), kRadius);
      },
      {"-c:v", "libx264", "-qp", "0", "-pix_fmt", "yuv444p", "-video_track_timescale", "90000"},
      times, &log))
      << log;

  ProgramRun r = Cli({"probe", video});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Field(r.out, "variable_rate"), "yes");
  EXPECT_EQ(Field(r.out, "rotation"), "0");
  EXPECT_EQ(Field(r.out, "images"), std::to_string(kFrames));

  // No --duration: the times are the file's.
  const std::string doc = dir + "/lancer.kvo", out = dir + "/suivi.kvo";
  r = Cli({"new", video, "-o", doc, "--scale", "10,230,310,230,3", "--origin", "30,150"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> args{"track",   doc, "--system", "1",
                                "--first", "0", "--last",   std::to_string(kFrames - 1),
                                "-o",      out, "--contour"};
  for (int i = 0; i < 12; ++i) {
    const double a = 2 * 3.14159265358979 * i / 12;
    args.push_back(std::to_string(BallX(0) + 7 * std::cos(a)) + "," +
                   std::to_string(BallY(0) + 7 * std::sin(a)));
  }
  r = Cli(args);
  ASSERT_EQ(r.status, 0) << r.err;

  r = Cli({"results", out, "--smooth-speed", "0", "--smooth-acceleration", "0", "--decimal", "."});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = Split(r.out, '\n');
  ASSERT_EQ(rows.size(), 3u + kFrames) << r.out;
  const auto ids = Split(rows[0], '\t');
  // The column of a quantity: its identifier, with the system's number or not.
  auto column = [&](const std::string& id) {
    for (std::size_t i = 0; i < ids.size(); ++i)
      if (ids[i].rfind(id, 0) == 0 && (ids[i].size() == id.size() ||
                                       std::isdigit(static_cast<unsigned char>(ids[i][id.size()]))))
        return static_cast<int>(i);
    return -1;
  };
  const int ct = column("t"), cx = column("x"), cy = column("y"), cv = column("v");
  ASSERT_GE(ct, 0);
  ASSERT_GE(cy, 0);
  ASSERT_GE(cv, 0) << rows[0];
  ASSERT_GE(cx, 0);
  std::vector<double> ts, xs, ys, counted;
  double worstSpeed = 0;
  const double mean = TimeOf(kFrames - 1) / (kFrames - 1);
  for (int k = 0; k < kFrames; ++k) {
    const auto f = Split(rows[3 + static_cast<std::size_t>(k)], '\t');
    double t = 0, x = 0, y = 0, v = 0;
    ASSERT_TRUE(kinevo::TextToFloat(f[static_cast<std::size_t>(cx)], x));
    xs.push_back(x);
    ASSERT_TRUE(kinevo::TextToFloat(f[static_cast<std::size_t>(ct)], t)) << rows[3 + k];
    ASSERT_TRUE(kinevo::TextToFloat(f[static_cast<std::size_t>(cy)], y));
    EXPECT_NEAR(t, TimeOf(k), 1e-4) << "image " << k;
    ts.push_back(t);
    ys.push_back(y);
    counted.push_back(k * mean);
    if (k == 0 || k + 1 == kFrames) continue;  // end differences are one-sided
    ASSERT_TRUE(kinevo::TextToFloat(f[static_cast<std::size_t>(cv)], v));
    const double tk = TimeOf(k);
    const double truth = std::hypot(kVx, kVy - kG * tk);
    worstSpeed = std::max(worstSpeed, std::fabs(v - truth) / truth);
  }
  RecordProperty("worst_speed_error", std::to_string(worstSpeed));
  EXPECT_LT(worstSpeed, 0.02);
  const double g = -2 * QuadraticCoefficient(ts, ys);
  RecordProperty("g", std::to_string(g));
  EXPECT_NEAR(g, kG, 0.02 * kG);
  // Counting images at the mean rate would put the first speeds tens of
  // percent off.
  const double vxCounted = (xs[2] - xs[0]) / (counted[2] - counted[0]);
  RecordProperty("vx_counted_error", std::to_string(std::fabs(vxCounted - kVx) / kVx));
  EXPECT_GT(std::fabs(vxCounted - kVx), 0.1 * kVx);
  std::filesystem::remove_all(dir);
}

namespace {
Image ReadPpm(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  char magic[3] = {};
  int w = 0, h = 0, max = 0;
  const bool header = std::fscanf(f, "%2s %d %d %d", magic, &w, &h, &max) == 4 &&
                      std::string(magic) == "P6" && w > 0 && h > 0 && std::fgetc(f) != EOF;
  Image img(header ? w : 0, header ? h : 0);
  const bool ok = header && std::fread(img.Data(), 1, img.ByteSize(), f) == img.ByteSize();
  std::fclose(f);
  return ok ? img : Image();
}
}  // namespace

TEST(PhoneVideoCli, PortraitVideoIsProbedAndWrittenUpright) {
  const std::string dir = kinevo::test::MakeTempDir("phone_cli_turned");
  const std::string video = dir + "/portrait.mp4";
  // Upright 96 x 160, stored 160 x 96 lying on its side.
  std::string log;
  ASSERT_TRUE(kinevo::test::WriteRotatedIndexedVideo(
      video, 96, 160, 12, 25, 90, {"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p"},
      &log))
      << log;
  for (const char* backend : {"ds", "ffmpeg"}) {
    SCOPED_TRACE(backend);
    ProgramRun r = Cli({"probe", video, "--backend", backend});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.out, "width"), "96");
    EXPECT_EQ(Field(r.out, "height"), "160");
    EXPECT_EQ(Field(r.out, "rotation"), "90");
    EXPECT_EQ(Field(r.out, "variable_rate"), "no");
    r = Cli({"frame", video, "7", "2", "-o", dir + "/f-%d.ppm", "--backend", backend});
    ASSERT_EQ(r.status, 0) << r.err;
    for (int n : {7, 2}) {
      const Image img = ReadPpm(dir + "/f-" + std::to_string(n) + ".ppm");
      EXPECT_EQ(img.Width(), 96);
      EXPECT_EQ(img.Height(), 160);
      EXPECT_EQ(kinevo::test::ReadIndexPattern(img), n);
    }
  }
  std::filesystem::remove_all(dir);
}
