// kinevo-cli lens: the lens fitted to points clicked on a real video's
// picture, and the refusals of what cannot give one.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/marking/lens.h"
#include "support/run_program.h"
#include "support/test_videos.h"

namespace fs = std::filesystem;
using kinevo::TWorldPoint;

namespace {

// "NAME = VALUE" of the output, NaN when missing.
double Value(const std::string& out, const std::string& name) {
  const auto at = out.find(name + " = ");
  if (at == std::string::npos) return std::nan("");
  return std::strtod(out.c_str() + at + name.size() + 3, nullptr);
}

}  // namespace

TEST(LensCliTest, FitsTheLensToLinesClickedOnTheVideo) {
  const std::string dir = kinevo::test::MakeTempDir("kinevo-lens");
  const std::string video = dir + "/scene.avi";
  ASSERT_TRUE(kinevo::test::WriteVideoWithFfmpeg(video, 320, 240, 3, 25,
                                                 {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}));
  // Four edges of a frame, straight in reality, as a barrel shows them on
  // the 320×240 picture; printed with three decimals as a user would type.
  const double k1 = 0.2, k2 = 0.05;
  const kinevo::TLensModel lens(320, 240, k1, k2);
  const std::vector<std::pair<TWorldPoint, TWorldPoint>> edges{{{-5, 15}, {325, 22}},
                                                               {{-5, 228}, {325, 222}},
                                                               {{18, -5}, {12, 245}},
                                                               {{305, 245}, {300, -5}}};
  std::vector<std::string> args{"lens", video, "--image", "2"};
  for (const auto& [a, b] : edges) {
    args.push_back("--line");
    for (int i = 0; i <= 10; ++i) {
      const double t = i / 10.0;
      const TWorldPoint p = lens.Distort({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
      char point[64];
      std::snprintf(point, sizeof point, "%.3f,%.3f", p.x, p.y);
      args.push_back(point);
    }
  }
  const auto run = kinevo::test::RunProgram(KINEVO_CLI_PATH, args);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NEAR(Value(run.out, "k1"), k1, 0.05 * std::abs(k1)) << run.out;
  EXPECT_NEAR(Value(run.out, "k2"), k2, 0.05 * std::abs(k2)) << run.out;
  // Three decimals are within a thousandth of a pixel of the bent lines.
  EXPECT_LT(Value(run.out, "residual"), 0.002) << run.out;
  EXPECT_NE(run.out.find(" px\n"), std::string::npos) << run.out;

  // What cannot give a lens exits with a French reason.
  auto refused = [&](std::vector<std::string> a, const std::string& reason) {
    const auto r = kinevo::test::RunProgram(KINEVO_CLI_PATH, a);
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
  };
  const std::vector<std::string> line1{"--line", "10,20", "100,15", "200,18"};
  std::vector<std::string> one{"lens", video, "--image", "0"};
  one.insert(one.end(), line1.begin(), line1.end());
  refused(one, "au moins deux lignes");
  auto shortLine = one;
  shortLine.insert(shortLine.end(), {"--line", "10,200", "100,210"});
  refused(shortLine, "il en faut au moins trois");
  auto twice = one;
  twice.insert(twice.end(), {"--line", "10,200", "100,210", "10,200"});
  refused(twice, "points confondus");
  auto outside = one;
  outside.insert(outside.end(), {"--line", "10,200", "100,210", "400,220"});
  refused(outside, "hors de l'image");
  auto badPoint = one;
  badPoint.insert(badPoint.end(), {"--line", "10,200", "100;210", "200,220"});
  refused(badPoint, "point incorrect");
  auto noImage = one;
  noImage[3] = "3";
  refused(noImage, "n'existe pas");
  fs::remove_all(dir);
}
