// A throw filmed at an angle through a barrel lens, from end to end on the
// command line: the lens fitted to points along the grid lines of the
// wall, kinevo-cli new with --lens and --plane, track, results.  The wall
// carries the grid and the ball flies along it; the camera looks at it from
// the side (a perspective view), and its lens bends the picture (the inverse
// of the radial model).  Positions and g are checked against the truth, and
// the same pipeline with the usual scale and axes gives the error the
// corrections remove.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/common/image.h"
#include "core/common/number_format.h"
#include "core/marking/lens.h"
#include "support/ball_scene.h"
#include "support/run_program.h"
#include "support/test_videos.h"
#include "support/text_checks.h"

namespace {

using kinevo::Image;
using kinevo::TWorldPoint;
using kinevo::test::ProgramRun;
using kinevo::test::QuadraticCoefficient;
using kinevo::test::Split;

constexpr int kW = 640, kH = 480, kFrames = 25;
constexpr double kRate = 25, kG = 9.81;
// The lens: a phone's barrel.
constexpr double kK1 = 0.15, kK2 = 0.03;
// The calibration rectangle on the wall, in metres.
constexpr double kPlaneW = 3.0, kPlaneH = 2.0;
constexpr double kBallRadius = 0.05, kGridStep = 0.25, kGridLine = 0.012;

// The ball on the wall (metres, y upwards) at image k.
double BallX(int k) { return 0.3 + 2.4 * k / kRate; }
double BallY(int k) {
  const double t = k / kRate;
  return 0.3 + 4.5 * t - 0.5 * kG * t * t;
}

struct Vec3 {
  double x, y, z;
};
double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A pinhole camera 3.5 m from the middle of the wall, turned 35° to its
// side: the wall is the plane z = 0, x to the right and y upwards.
class Camera {
 public:
  Camera() {
    const double yaw = 35.0 * std::acos(-1.0) / 180.0;
    forward_ = {std::sin(yaw), 0.0, -std::cos(yaw)};
    right_ = {std::cos(yaw), 0.0, std::sin(yaw)};
    down_ = {0.0, -1.0, 0.0};
    const Vec3 target{kPlaneW / 2, kPlaneH / 2, 0.0};
    centre_ = {target.x - 3.5 * forward_.x, target.y, target.z - 3.5 * forward_.z};
  }
  // The undistorted picture's pixel of a wall point.
  TWorldPoint Project(double X, double Y) const {
    const Vec3 d{X - centre_.x, Y - centre_.y, -centre_.z};
    const double depth = Dot(d, forward_);
    return {kW / 2.0 + kFocal * Dot(d, right_) / depth, kH / 2.0 + kFocal * Dot(d, down_) / depth};
  }
  // The wall point seen at an undistorted picture pixel.
  TWorldPoint Unproject(const TWorldPoint& p) const {
    const double a = (p.x - kW / 2.0) / kFocal, b = (p.y - kH / 2.0) / kFocal;
    const Vec3 ray{forward_.x + a * right_.x + b * down_.x, forward_.y + a * right_.y + b * down_.y,
                   forward_.z + a * right_.z + b * down_.z};
    const double s = -centre_.z / ray.z;
    return {centre_.x + s * ray.x, centre_.y + s * ray.y};
  }

 private:
  static constexpr double kFocal = 600.0;
  Vec3 forward_{}, right_{}, down_{}, centre_{};
};

const Camera& TheCamera() {
  static const Camera camera;
  return camera;
}
const kinevo::TLensModel& TheLens() {
  static const kinevo::TLensModel lens(kW, kH, kK1, kK2);
  return lens;
}

// Where the video shows a wall point, and the wall point a video pixel
// position shows.
TWorldPoint Shown(double X, double Y) { return TheLens().Distort(TheCamera().Project(X, Y)); }
TWorldPoint OnWall(double x, double y) { return TheCamera().Unproject(TheLens().Correct({x, y})); }

// The colour of the wall at a point: light paint with dark grid lines.
bool OnGridLine(const TWorldPoint& q) {
  auto near = [](double v) {
    const double r = v - kGridStep * std::round(v / kGridStep);
    return std::abs(r) < kGridLine / 2;
  };
  return near(q.x) || near(q.y);
}

// Each pixel is the mean of n × n samples of what it shows.
template <typename Colour>
kinevo::TColor Sampled(int x, int y, int n, Colour&& colour) {
  int r = 0, g = 0, b = 0;
  for (int sy = 0; sy < n; ++sy)
    for (int sx = 0; sx < n; ++sx) {
      const kinevo::TColor c = colour(OnWall(x + (sx + 0.5) / n, y + (sy + 0.5) / n));
      r += kinevo::RedOf(c);
      g += kinevo::GreenOf(c);
      b += kinevo::BlueOf(c);
    }
  const int m = n * n;
  return kinevo::RGBColor((r + m / 2) / m, (g + m / 2) / m, (b + m / 2) / m);
}

kinevo::TColor Wall(const TWorldPoint& q) {
  return OnGridLine(q) ? kinevo::RGBColor(80, 80, 90) : kinevo::test::kSceneBackground;
}

// The video's pictures: the wall once, then the ball over it on each image.
void DrawImage(Image& img, int k) {
  static const Image wall = [] {
    Image w(kW, kH);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) w.SetPixel(x, y, Sampled(x, y, 3, Wall));
    return w;
  }();
  img = wall;
  const TWorldPoint c = Shown(BallX(k), BallY(k));
  const double bx = BallX(k), by = BallY(k);
  auto colour = [&](const TWorldPoint& q) {
    return std::hypot(q.x - bx, q.y - by) <= kBallRadius ? kinevo::test::kBallColour : Wall(q);
  };
  for (int y = std::max(0, int(c.y) - 25); y < std::min(kH, int(c.y) + 25); ++y)
    for (int x = std::max(0, int(c.x) - 25); x < std::min(kW, int(c.x) + 25); ++x)
      img.SetPixel(x, y, Sampled(x, y, 4, colour));
}

std::string Num(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", v);
  return text;
}
std::string PointText(const TWorldPoint& p) { return Num(p.x) + "," + Num(p.y); }

// "NAME = VALUE" of an output, NaN when missing.
double Value(const std::string& out, const std::string& name) {
  const auto at = out.find(name + " = ");
  if (at == std::string::npos) return std::nan("");
  return std::strtod(out.c_str() + at + name.size() + 3, nullptr);
}

class TiltedThrowCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = kinevo::test::MakeTempDir("tilted_throw_cli");
    std::string log;
    videoOk_ = kinevo::test::WritePicturesWithFfmpeg(
        dir_ + "/lancer.avi", kW, kH, kFrames, kRate, DrawImage,
        {"-c:v", "ffv1", "-pix_fmt", "bgr0"}, {}, &log);
    if (!videoOk_) std::fprintf(stderr, "%s\n", log.c_str());
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  static ProgramRun Cli(const std::vector<std::string>& args) {
    return kinevo::test::RunProgram(KINEVO_CLI_PATH, args);
  }

  // The measured positions of the ball (x, y columns of the results) of
  // document `doc` tracked from a contour around the ball on image 0.
  struct Track {
    std::vector<double> t, x, y;
  };
  static Track TrackAndMeasure(const std::string& doc) {
    Track out;
    const std::string tracked = doc + ".suivi.kvo";
    std::vector<std::string> args{"track",  doc,  "--system", "1",     "--first",  "0",
                                  "--last", "24", "-o",       tracked, "--contour"};
    const TWorldPoint c = Shown(BallX(0), BallY(0));
    for (int i = 0; i < 12; ++i) {
      const double a = 2 * std::acos(-1.0) * i / 12;
      args.push_back(PointText({c.x + 7 * std::cos(a), c.y + 7 * std::sin(a)}));
    }
    ProgramRun r = Cli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    r = Cli({"results", tracked, "--smooth-speed", "0", "--smooth-acceleration", "0"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto rows = Split(r.out, '\n');
    if (rows.size() != 3u + kFrames) {
      ADD_FAILURE() << r.out;
      return out;
    }
    const auto ids = Split(rows[0], '\t');
    int ct = -1, cx = -1, cy = -1;
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (ids[i] == "t" && ct < 0) ct = static_cast<int>(i);
      if (ids[i].rfind("x", 0) == 0 && cx < 0) cx = static_cast<int>(i);
      if (ids[i].rfind("y", 0) == 0 && cy < 0) cy = static_cast<int>(i);
    }
    if (ct < 0 || cx < 0 || cy < 0) {
      ADD_FAILURE() << rows[0];
      return out;
    }
    for (std::size_t i = 3; i < rows.size(); ++i) {
      const auto f = Split(rows[i], '\t');
      double t = 0, x = 0, y = 0;
      EXPECT_TRUE(kinevo::TextToFloat(f[static_cast<std::size_t>(ct)], t)) << rows[i];
      EXPECT_TRUE(kinevo::TextToFloat(f[static_cast<std::size_t>(cx)], x)) << rows[i];
      EXPECT_TRUE(kinevo::TextToFloat(f[static_cast<std::size_t>(cy)], y)) << rows[i];
      out.t.push_back(t);
      out.x.push_back(x);
      out.y.push_back(y);
    }
    return out;
  }

  static std::string dir_;
  static bool videoOk_;
};

std::string TiltedThrowCli::dir_;
bool TiltedThrowCli::videoOk_ = false;

TEST_F(TiltedThrowCli, LensAndPlaneGiveTheTrueThrowAndG) {
  ASSERT_TRUE(videoOk_) << "the ffmpeg program could not write the video";
  const std::string video = dir_ + "/lancer.avi";

  // The lens from the grid lines: points every 5 cm along each line of the
  // grid, kept where the picture shows them (its corners included), as a
  // user would click them, to a thousandth of a pixel.
  std::vector<std::string> args{"lens", video, "--image", "0"};
  int lines = 0;
  bool corner = false;
  for (int vertical = 0; vertical < 2; ++vertical)
    for (double g = -3.0; g <= 6.0; g += 2 * kGridStep) {
      std::vector<std::string> points;
      for (double s = -4.0; s <= 7.0; s += 0.05) {
        const TWorldPoint p = vertical ? Shown(g, s) : Shown(s, g);
        if (p.x < 1 || p.y < 1 || p.x > kW - 1 || p.y > kH - 1) continue;
        // Beyond the horizon's side of the camera the projection has no
        // meaning.
        if (!(std::hypot(OnWall(p.x, p.y).x - (vertical ? g : s),
                         OnWall(p.x, p.y).y - (vertical ? s : g)) < 1e-6))
          continue;
        corner = corner || std::hypot(std::min(p.x, kW - p.x), std::min(p.y, kH - p.y)) < 40;
        points.push_back(PointText(p));
      }
      if (points.size() < 8) continue;
      args.push_back("--line");
      args.insert(args.end(), points.begin(), points.end());
      ++lines;
    }
  ASSERT_GE(lines, 8);
  EXPECT_TRUE(corner) << "no line passes near a corner of the picture";
  ProgramRun r = Cli(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const double k1 = Value(r.out, "k1"), k2 = Value(r.out, "k2");
  RecordProperty("k1", std::to_string(k1));
  RecordProperty("k2", std::to_string(k2));
  std::printf("lens fitted to %d grid lines: k1 = %.6f, k2 = %.6f\n", lines, k1, k2);
  EXPECT_NEAR(k1, kK1, 0.05 * kK1) << r.out;
  EXPECT_NEAR(k2, kK2, 0.05 * kK2) << r.out;

  // The document: the fitted lens, and the corners of the 3 m × 2 m
  // rectangle of the wall as the video shows them.
  const std::string doc = dir_ + "/plan.kvo";
  std::string plane;
  for (const TWorldPoint& q : {TWorldPoint{0, 0}, {kPlaneW, 0}, {kPlaneW, kPlaneH}, {0, kPlaneH}})
    plane += (plane.empty() ? "" : ",") + PointText(Shown(q.x, q.y));
  r = Cli({"new", video, "-o", doc, "--duration", "0.04", "--lens",
           kinevo::FloatToText(k1, 17, '.') + "," + kinevo::FloatToText(k2, 17, '.'), "--plane",
           plane, "--plane-size", "3,2"});
  ASSERT_EQ(r.status, 0) << r.err;
  r = Cli({"dump", doc});
  EXPECT_NE(r.out.find("lens: on=1 k1=0.1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("plane: on=1 points=0.1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" width=3 height=2\n"), std::string::npos) << r.out;

  const Track measured = TrackAndMeasure(doc);
  ASSERT_EQ(measured.t.size(), static_cast<std::size_t>(kFrames));
  double worst = 0;
  for (int k = 0; k < kFrames; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    EXPECT_NEAR(measured.t[i], k / kRate, 1e-9);
    const double error = std::hypot(measured.x[i] - BallX(k), measured.y[i] - BallY(k));
    EXPECT_LT(error, 0.005) << "image " << k << ": " << measured.x[i] << ", " << measured.y[i];
    worst = std::max(worst, error);
  }
  const double g = -2 * QuadraticCoefficient(measured.t, measured.y);
  RecordProperty("worst_position_error_m", std::to_string(worst));
  RecordProperty("g", std::to_string(g));
  std::printf("corrected: worst position error %.2f mm, g = %.4f m/s² (%.2f %%)\n", worst * 1000, g,
              100 * (g - kG) / kG);
  EXPECT_NEAR(g, kG, 0.01 * kG);

  // The plane without the lens: the same four points, the barrel left in.
  const std::string flat = dir_ + "/plan-seul.kvo";
  r = Cli(
      {"new", video, "-o", flat, "--duration", "0.04", "--plane", plane, "--plane-size", "3,2"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Track planeOnly = TrackAndMeasure(flat);
  ASSERT_EQ(planeOnly.t.size(), static_cast<std::size_t>(kFrames));
  double planeOnlyWorst = 0;
  for (int k = 0; k < kFrames; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    planeOnlyWorst =
        std::max(planeOnlyWorst, std::hypot(planeOnly.x[i] - BallX(k), planeOnly.y[i] - BallY(k)));
  }
  const double planeOnlyG = -2 * QuadraticCoefficient(planeOnly.t, planeOnly.y);
  RecordProperty("plane_only_worst_position_error_m", std::to_string(planeOnlyWorst));
  RecordProperty("plane_only_g", std::to_string(planeOnlyG));
  std::printf("plane without lens: worst position error %.1f mm, g = %.4f m/s² (%.1f %%)\n",
              planeOnlyWorst * 1000, planeOnlyG, 100 * (planeOnlyG - kG) / kG);
  EXPECT_GT(planeOnlyWorst, 5 * worst);

  // The same video with the usual scale and axes: the scale along the
  // wall's x axis from the shown origin to the shown 3 m point, the origin
  // there and the x axis along it.
  const TWorldPoint o = Shown(0, 0), e = Shown(kPlaneW, 0);
  const double angle = std::atan2(o.y - e.y, e.x - o.x) * 180 / std::acos(-1.0);
  const std::string usual = dir_ + "/usuel.kvo";
  r = Cli({"new", video, "-o", usual, "--duration", "0.04", "--scale",
           PointText(o) + "," + PointText(e) + ",3", "--origin",
           PointText(o) + "," + kinevo::FloatToText(angle, 17, '.')});
  ASSERT_EQ(r.status, 0) << r.err;
  const Track plain = TrackAndMeasure(usual);
  ASSERT_EQ(plain.t.size(), static_cast<std::size_t>(kFrames));
  double plainWorst = 0;
  for (int k = 0; k < kFrames; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    plainWorst = std::max(plainWorst, std::hypot(plain.x[i] - BallX(k), plain.y[i] - BallY(k)));
  }
  const double plainG = -2 * QuadraticCoefficient(plain.t, plain.y);
  RecordProperty("uncorrected_worst_position_error_m", std::to_string(plainWorst));
  RecordProperty("uncorrected_g", std::to_string(plainG));
  std::printf("uncorrected: worst position error %.1f mm, g = %.4f m/s² (%.1f %%)\n",
              plainWorst * 1000, plainG, 100 * (plainG - kG) / kG);
  // The corrections are what makes the measure true.
  EXPECT_GT(plainWorst, 10 * worst);
  EXPECT_GT(std::abs(plainG - kG), 0.05 * kG);
}

TEST_F(TiltedThrowCli, NewRefusesWhatGivesNoLensOrPlane) {
  ASSERT_TRUE(videoOk_) << "the ffmpeg program could not write the video";
  const std::string video = dir_ + "/lancer.avi", doc = dir_ + "/refus.kvo";
  auto refused = [&](std::vector<std::string> extra, const std::string& reason) {
    std::vector<std::string> args{"new", video, "-o", doc};
    args.insert(args.end(), extra.begin(), extra.end());
    const ProgramRun r = Cli(args);
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(doc));
  };
  const std::string square = "100,400,500,400,500,100,100,100";
  refused({"--lens", "0.1"}, "--lens attend K1,K2");
  refused({"--lens", "-0.5,0"}, "trop forte");
  refused({"--plane", square}, "vont ensemble");
  refused({"--plane-size", "3,2"}, "vont ensemble");
  refused({"--plane", "100,400,500,400,500,100", "--plane-size", "3,2"}, "--plane attend");
  refused({"--plane", square, "--plane-size", "0,2"}, "doit être positive");
  refused({"--plane", "100,400,300,300,500,200,100,100", "--plane-size", "3,2"}, "alignés");
  refused({"--plane", "100,400,500,100,500,400,100,100", "--plane-size", "3,2"}, "croisé");
  refused({"--plane", "100,400,700,400,500,100,100,100", "--plane-size", "3,2"},
          "pas tous dans l'image");
  // Points that are a view of a rectangle as shown but no longer once the
  // lens has corrected them: along the top edge the barrel pushes the
  // corners out past the middle point.
  const std::string bowed = "20,30,320,28,620,30,320,400";
  ASSERT_EQ(Cli({"new", video, "-o", doc, "--plane", bowed, "--plane-size", "3,2"}).status, 0);
  std::filesystem::remove(doc);
  refused({"--lens", "0.3,0", "--plane", bowed, "--plane-size", "3,2"}, "croisé");
}

}  // namespace
