// kinevo-cli track --method appearance on generated grey videos written
// losslessly by the ffmpeg program (FFV1): a thrown grey ball on a grey
// scene, the light growing by 40 % and the ball blurred by its motion,
// followed within half a pixel where the colour tracker loses it; and two
// balls crossing, tracked in one run on a document, each keeping its own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/grey_ball_scene.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/test_videos.h"

namespace {

using kinevo::TPixelF;
using kinevo::test::ProgramRun;
using kinevo::test::TGreyScene;

TGreyScene Thrown() {
  TGreyScene s;
  s.balls.push_back({[](double t) {
                       return TPixelF{40.0 + 8.0 * t, 60.0 + 8.0 * t - 0.3 * t * t};
                     },
                     14.0, 0.0});
  return s;
}

TGreyScene Crossing() {
  TGreyScene s;
  s.balls.push_back({[](double t) { return TPixelF{40.0 + 8.0 * t, 100.0}; }, 14.0, 0.0});
  s.balls.push_back({[](double t) { return TPixelF{280.0 - 8.0 * t, 110.0}; }, 14.0, 2.0});
  return s;
}

class TrackAppearanceCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = kinevo::test::MakeTempDir("track_appearance_cli");
    for (const auto& [name, scene] : {std::pair{"thrown", Thrown()}, {"crossing", Crossing()}}) {
      const bool ok = kinevo::test::WritePicturesWithFfmpeg(
          dir_ + "/" + name + ".mkv", scene.width, scene.height, scene.images, 25,
          [&scene](kinevo::Image& picture, int k) { picture = scene.Picture(k); },
          {"-c:v", "ffv1", "-pix_fmt", "bgr0"});
      ASSERT_TRUE(ok) << name;
    }
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  static ProgramRun Cli(std::vector<std::string> args) {
    return kinevo::test::RunProgram(KINEVO_CLI_PATH, args);
  }
  // "--contour" and the points of the scene's contour of `ball` on image 0.
  static std::vector<std::string> Contour(const TGreyScene& s, int ball) {
    std::vector<std::string> c{"--contour"};
    for (const auto& p : s.Contour(ball, 0)) {
      char text[64];
      std::snprintf(text, sizeof text, "%.4f,%.4f", p.x * s.width, p.y * s.height);
      c.push_back(text);
    }
    return c;
  }
  // Error of each "image x y similarity" line against ball `ball`.
  static std::vector<double> Errors(const std::string& lines, const TGreyScene& s, int ball) {
    std::vector<double> out;
    std::istringstream in(lines);
    int image = 0;
    double x = 0, y = 0, similarity = 0;
    while (in >> image >> x >> y >> similarity) {
      const TPixelF t = s.Truth(ball, image);
      out.push_back(std::hypot(x - t.x, y - t.y));
    }
    return out;
  }
  static std::string dir_;
};

std::string TrackAppearanceCli::dir_;

TEST_F(TrackAppearanceCli, FollowsTheGreyBallWhereTheColourTrackerLosesIt) {
  const TGreyScene s = Thrown();
  std::vector<std::string> args{"track", dir_ + "/thrown.mkv", "--first", "0", "--last",
                                "29",    "--radius",           "30"};
  const std::vector<std::string> contour = Contour(s, 0);
  args.insert(args.end(), contour.begin(), contour.end());

  std::vector<std::string> appearance = args;
  appearance.insert(appearance.end(), {"--method", "appearance"});
  ProgramRun r = Cli(appearance);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<double> e = Errors(r.out, s, 0);
  ASSERT_EQ(e.size(), 30u) << r.out;
  double mean = 0, worst = 0;
  for (std::size_t k = 1; k < e.size(); ++k) {
    mean += e[k] / static_cast<double>(e.size() - 1);
    worst = std::max(worst, e[k]);
  }
  RecordProperty("mean_error_px", std::to_string(mean));
  RecordProperty("worst_error_px", std::to_string(worst));
  EXPECT_LT(mean, 0.5);
  EXPECT_LT(worst, 1.5);

  // Expected: colours alone do not tell this ball from its scene.
  r = Cli(args);  // colour, the default
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<double> lost = Errors(r.out, s, 0);
  ASSERT_EQ(lost.size(), 30u);
  EXPECT_GT(lost.back(), 14.0);

  appearance.back() = "shape";
  r = Cli(appearance);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--method attend colour ou appearance"), std::string::npos) << r.err;
}

TEST_F(TrackAppearanceCli, TwoCrossingBallsOfADocumentKeepTheirIdentities) {
  const TGreyScene s = Crossing();
  const std::string doc = dir_ + "/crossing.kvo", out = dir_ + "/suivi.kvo";
  ProgramRun r = Cli({"new", dir_ + "/crossing.mkv", "-o", doc, "--systems", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> args{"track", doc,  "--first", "0",        "--last",
                                "29",    "-o", out,       "--method", "appearance"};
  for (int ball : {0, 1}) {
    args.insert(args.end(), {"--system", std::to_string(ball + 1)});
    const std::vector<std::string> contour = Contour(s, ball);
    args.insert(args.end(), contour.begin(), contour.end());
  }
  r = Cli(args);
  ASSERT_EQ(r.status, 0) << r.err;
  // One block per system, each after its "system N" line.
  const auto second = r.out.find("system 2\n");
  ASSERT_EQ(r.out.rfind("system 1\n", 0), 0u) << r.out;
  ASSERT_NE(second, std::string::npos) << r.out;
  const std::string blocks[] = {r.out.substr(9, second - 9), r.out.substr(second + 9)};
  for (int ball : {0, 1}) {
    const std::vector<double> e = Errors(blocks[ball], s, ball);
    ASSERT_EQ(e.size(), 30u) << blocks[ball];
    EXPECT_LT(e.back(), 1.5) << "ball " << ball << "\n" << blocks[ball];
  }
  // The document keeps the method.
  const std::string text = kinevo::test::ReadFileBytes(out);
  EXPECT_NE(text.find("TrackingMethod=1"), std::string::npos);

  // Two contours for one system, or several objects on a bare video, are
  // refused.
  args[1] = dir_ + "/crossing.mkv";
  r = Cli(args);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("document"), std::string::npos) << r.err;
  args[1] = doc;
  args[args.size() - 34] = "1";  // the second system
  r = Cli(args);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("deux contours"), std::string::npos) << r.err;
}

}  // namespace
