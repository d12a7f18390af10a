// kinevo-cli annotate on the generated throw: as many images as the source
// (times F when slowed down), and image k shows the marks of the images up
// to k within the trail and none of the later ones.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/throw_document.h"

namespace kinevo {
namespace {

using T = test::Throw;

class AnnotateCli : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE((doc = test::WriteThrowDocument(dir.Path())).empty()); }
  static test::ProgramRun Cli(const std::vector<std::string>& args) {
    return test::RunProgram(KINEVO_CLI_PATH, args);
  }
  // Whether the mark of image i shows on the picture: its square symbol,
  // blue, on its centre (a number's thin strokes do not fill the cross).
  static bool MarkShown(const QImage& img, int i) {
    const int x = static_cast<int>(std::lround(T::X(i))),
              y = static_cast<int>(std::lround(T::Y(i)));
    for (const auto& [dx, dy] : {std::pair{0, 0}, {-2, 0}, {2, 0}, {0, -2}, {0, 2}}) {
      const QRgb c = img.pixel(x + dx, y + dy);
      if (qBlue(c) - qRed(c) <= 60 || qBlue(c) - qGreen(c) <= 60) return false;
    }
    return true;
  }
  test::TempDir dir{"kinevo_annotate_cli"};
  std::string doc;
};

TEST_F(AnnotateCli, EachImageShowsTheMarksOfItsTrailAndNoLaterOnes) {
  const std::string out = dir.File("a.avi");
  const auto r = Cli({"annotate", doc, "--trail", "3", "--slow", "2", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "images: 40\n");
  const auto probe = Cli({"probe", out});
  ASSERT_EQ(probe.status, 0) << probe.err;
  EXPECT_NE(probe.out.find("images: 40\n"), std::string::npos) << probe.out;

  std::vector<std::string> frame{"frame", out};
  for (int j = 0; j < 40; ++j) frame.push_back(std::to_string(j));
  frame.push_back("-o");
  frame.push_back(dir.File("f%d.png"));
  const auto frames = Cli(frame);
  ASSERT_EQ(frames.status, 0) << frames.err;
  for (int j = 0; j < 40; ++j) {
    const QImage img(QString::fromStdString(dir.File("f" + std::to_string(j) + ".png")));
    ASSERT_FALSE(img.isNull()) << j;
    const int k = j / 2;  // each source image written twice
    for (int i = 0; i < T::kImages; ++i)
      EXPECT_EQ(MarkShown(img, i), i <= k && i > k - 3) << "image " << j << ", mark " << i;
  }
}

TEST_F(AnnotateCli, AllMarksWithVectorsInAnMp4AndNothingLeftByARefusal) {
  const std::string out = dir.File("a.mp4");
  const auto r = Cli({"annotate", doc, "--trail", "all", "--vectors", "speed", "-o", out});
  if (r.status != 0 && r.err.find("H.264") != std::string::npos)
    GTEST_SKIP() << "pas de codeur H.264";
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "images: 20\n");
  const auto probe = Cli({"probe", out});
  ASSERT_EQ(probe.status, 0) << probe.err;
  EXPECT_NE(probe.out.find("images: 20\n"), std::string::npos) << probe.out;

  // A refused run (no such system) leaves no file behind.
  const auto refused = Cli({"annotate", doc, "--system", "2", "-o", dir.File("b.avi")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("b.avi")));
  EXPECT_EQ(Cli({"annotate", doc, "--slow", "0", "-o", dir.File("c.avi")}).status, 2);
}

}  // namespace
}  // namespace kinevo
