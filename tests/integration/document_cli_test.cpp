// kinevo-cli dump and results on documents written for the test.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "core/common/ini_file.h"
#include "core/common/number_format.h"
#include "support/run_program.h"
#include "support/test_videos_avi.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

struct CliRun {
  int code = -1;
  std::string out;
};

CliRun RunCli(const std::string& args) {
  const std::vector<std::string> words = kinevo::test::SplitWords(args);
  auto r = test::RunProgram(KINEVO_CLI_PATH, words);
  return {r.status, r.out};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return out;
    start = tab + 1;
  }
}

// A 200 x 100 video of 12 images; the document marks one point falling
// with y = 0.1 + 0.005 n² (picture fractions) on images 0 .. 9, a scale of
// 2 m over the whole width (kx = 2 m per width fraction), the origin at the
// top-left corner, axes not rotated.
class DocumentCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::MakeTempDir("kinevo_doc_cli");
    video = dir + "/chute.avi";
    ASSERT_TRUE(test::WriteIndexedAvi(video, 200, 100, 12));
    doc = dir + "/chute.kvo";
    WriteDocument(10, true);
  }
  void TearDown() override { fs::remove_all(dir); }

  void WriteDocument(int marks, bool withScale) {
    fs::remove(doc);
    TIniFile ini(doc);
    ini.WriteInteger("Main", "Version", 340000);
    ini.WriteString("Main", "VideoFileName", video);
    ini.WriteFloat("Data", "RequiredDuration", 0.04);
    ini.WriteInteger("Data", "MarkColorsNumber", 1);
    ini.WriteInteger("Data", "MarkColor_0", 255);
    ini.WriteInteger("Data", "OriginePointsNumber_Grid", 1);
    ini.WriteFloat("Data", "OrigineCurrentXCoordinate_Grid", 0);
    ini.WriteFloat("Data", "OrigineCurrentYCoordinate_Grid", 0);
    if (withScale) {
      ini.WriteInteger("Data", "ScalePointsNumber", 2);
      ini.WriteFloat("Data", "ScalePoint1XCoordinate", 0);
      ini.WriteFloat("Data", "ScalePoint1YCoordinate", 0.5);
      ini.WriteFloat("Data", "ScalePoint2XCoordinate", 1);
      ini.WriteFloat("Data", "ScalePoint2YCoordinate", 0.5);
      ini.WriteFloat("Data", "ScaleLength", 2);
    }
    ini.WriteInteger("Data", "MarksNumberPerFrame_Grid", 1);
    ini.WriteInteger("Data", "SystemNamesNumber_Grid", 1);
    ini.WriteString("Data", "SystemName_Grid_0", "Balle n°1");
    ini.WriteInteger("Data", "MarksContainersNumber_Grid", marks);
    for (int i = 0; i < marks; ++i) {
      const std::string s = "_Grid_" + std::to_string(i);
      ini.WriteInteger("Data", "MarksContainerFrameNumber" + s, i);
      ini.WriteInteger("Data", "MarksContainerMarkNumber" + s, i);
      ini.WriteInteger("Data", "MarksContainerMarksNumber" + s, 1);
      ini.WriteInteger("Data", "MarkOrderNumber" + s + "_0", 0);
      ini.WriteFloat("Data", "MarkXCoordinate" + s + "_0", 0.05 * i);
      ini.WriteFloat("Data", "MarkYCoordinate" + s + "_0", 0.1 + 0.005 * i * i);
    }
    ini.WriteInteger("Formules", "FormulesNumber", 1);
    ini.WriteString("Record", "RecordFormuleIdentifier_0", "d");
    ini.WriteString("Record", "RecordFormulePhrase_0", "2*t+1/2*4");
    ini.WriteString("Record", "RecordFormuleComment_0", "double du temps");
    ini.WriteString("Record", "RecordFormuleUnit_0", "s");
    ini.WriteInteger("Video", "ImageNumber", 3);
    ini.WriteInteger("Montage", "VisibleImagesNumber", 12);
    ASSERT_TRUE(ini.UpdateFile());
  }

  std::string dir, video, doc;
};

}  // namespace

TEST_F(DocumentCli, DumpPrintsTheAnalysisAsRead) {
  CliRun r = RunCli("dump " + doc);
  ASSERT_EQ(r.code, 0) << r.out;
  auto lines = Lines(r.out);
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[0], "video: " + video);
  EXPECT_EQ(lines[1], "images: 12");
  EXPECT_EQ(lines[2], "size: 200x100");
  EXPECT_EQ(lines[3], "duration: 0.04");
  EXPECT_EQ(lines[4], "mode: grid");
  EXPECT_NE(
      r.out.find("series grid: t=0.12 images=3 x=0.15000000000000002 y=-0.14500000000000002\n"),
      std::string::npos);
  EXPECT_NE(r.out.find("layer: stage=grab width=0.5 height=0.5"), std::string::npos);
  EXPECT_NE(r.out.find("montage: hidden= shifts=\n"), std::string::npos);
  EXPECT_NE(r.out.find("system 0: name=\"Balle n°1\" colour=255\n"), std::string::npos);
  EXPECT_NE(r.out.find("scale: kind=normal complete=1 kx=2 ky=1 length=2\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("origin: placed=1 x=0 y=0 angle=0 directx=1 directy=1\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("mark grid: image=3 system=0 x=0.15000000000000002 y=0.14500000000000002\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("series grid: t=0 images=0 x=0 y=-0.1\n"), std::string::npos) << r.out;
}

TEST_F(DocumentCli, ResultsOfAUniformlyAcceleratedFallAreExact) {
  CliRun r = RunCli("results " + doc + " --smooth-speed 0 --smooth-acceleration 0");
  ASSERT_EQ(r.code, 0) << r.out;
  auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u + 10u);
  auto ids = Fields(lines[0]);
  ASSERT_GE(ids.size(), 9u);
  EXPECT_EQ(ids[0], "t");
  auto col = [&](const std::string& id) {
    for (std::size_t i = 0; i < ids.size(); ++i)
      if (ids[i].rfind(id, 0) == 0) return static_cast<int>(i);
    return -1;
  };
  const int cy = col("y"), cvy = col("vy"), cay = col("ay");
  ASSERT_GE(cy, 0);
  ASSERT_GE(cvy, 0);
  ASSERT_GE(cay, 0);
  // y (m, upward) = -(0.1 + 0.005 n²) * 1 m per height fraction; t = 0.04 n.
  // vy = -0.01 n / 0.04 = -0.25 n m/s; ay = -0.01 / 0.0016 = -6.25 m/s².
  for (int n = 1; n < 9; ++n) {
    auto f = Fields(lines[static_cast<std::size_t>(3 + n)]);
    double y = 0, vy = 0, ay = 0;
    ASSERT_TRUE(TextToFloat(f[static_cast<std::size_t>(cy)], y))
        << lines[static_cast<std::size_t>(3 + n)];
    ASSERT_TRUE(TextToFloat(f[static_cast<std::size_t>(cvy)], vy));
    ASSERT_TRUE(TextToFloat(f[static_cast<std::size_t>(cay)], ay));
    EXPECT_NEAR(y, -(0.1 + 0.005 * n * n), 1e-12);
    EXPECT_NEAR(vy, -0.25 * n, 1e-9 * (1 + std::fabs(vy)));
    EXPECT_NEAR(ay, -6.25, 1e-9 * 6.25);
  }
  CliRun comma = RunCli("results " + doc + " --decimal , --smooth-speed 0 --smooth-acceleration 0");
  ASSERT_EQ(comma.code, 0);
  auto cl = Lines(comma.out);
  EXPECT_NE(cl[5].find(','), std::string::npos);
  EXPECT_EQ(cl[5].find('.'), std::string::npos);
}

TEST_F(DocumentCli, FailedReadinessAndBadDocumentsExitNonZero) {
  WriteDocument(10, false);
  EXPECT_EQ(RunCli("results " + doc).code, 1);
  WriteDocument(2, true);
  EXPECT_EQ(RunCli("results " + doc).code, 1);
  EXPECT_EQ(RunCli("results " + dir + "/absent.kvo").code, 1);
  EXPECT_EQ(RunCli("dump " + dir + "/absent.kvo").code, 1);
  EXPECT_EQ(RunCli("results " + doc + " --smooth-speed 2").code, 2);
  // A moved video is found with --video.
  WriteDocument(10, true);
  const std::string moved = dir + "/ailleurs.avi";
  fs::rename(video, moved);
  EXPECT_EQ(RunCli("dump " + doc).code, 1);
  CliRun r = RunCli("dump " + doc + " --video " + moved);
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("video: " + moved), std::string::npos);
}
