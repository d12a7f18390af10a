// kinevo-cli montage, split and join on a generated video whose images show
// their own index: the new files hold exactly the expected images (within a
// few grey levels for the lossy codecs), a cut gives the expected size with
// the content offset by the margins, and pictures made by split come back
// unchanged through join.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/common/ini_file.h"
#include "core/montage/recorder.h"
#include "platform/ffmpeg/ffmpeg_video.h"
#include "platform/ffmpeg/picture_files.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/test_videos_avi.h"

namespace fs = std::filesystem;
using namespace kinevo;

namespace {

constexpr int kW = 64, kH = 48, kFrames = 12;
constexpr int kGrey = -1;

test::ProgramRun Cli(const std::vector<std::string>& args) {
  return test::RunProgram(KINEVO_CLI_PATH, args);
}

double MeanDifference(const Image& a, const Image& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.ByteSize(); ++i) sum += std::abs(a.Data()[i] - b.Data()[i]);
  return sum / static_cast<double>(a.ByteSize());
}

// Every image of `path` compared with the expected index (kGrey for an
// empty image); `tolerance` 0 asks for the very same pixels.
void ExpectImages(const std::string& path, const std::vector<int>& expected, double tolerance) {
  ff::TFfmpegVideo video;
  ASSERT_TRUE(video.Open(path)) << video.Error();
  ASSERT_EQ(video.FrameCount(), static_cast<int>(expected.size()));
  Image got;
  for (int i = 0; i < video.FrameCount(); ++i) {
    ASSERT_TRUE(video.ReadFrame(i, got));
    const int e = expected[static_cast<std::size_t>(i)];
    const Image want =
        e == kGrey ? Image(kW, kH, kEmptyImageColour) : test::IndexedImage(kW, kH, e);
    if (tolerance == 0)
      EXPECT_TRUE(got == want) << "image " << i;
    else
      EXPECT_LE(MeanDifference(got, want), tolerance) << "image " << i;
    if (e != kGrey) EXPECT_EQ(test::ReadIndexPattern(got), e) << "image " << i;
  }
}

struct MontageCli : ::testing::Test {
  test::TempDir dir{"kinevo-montage-cli"};
  std::string video, doc;

  void SetUp() override {
    video = dir.File("index.avi");
    doc = dir.File("index.kvo");
    ASSERT_TRUE(test::WriteIndexedAvi(video, kW, kH, kFrames));
    const auto r = Cli({"new", video, "-o", doc});
    ASSERT_EQ(r.status, 0) << r.err;
    // Images 3, 4 and 9 hidden, and a gap of one image opened before image 6.
    const int shifts[kFrames] = {0, 0, 0, 0, -1, -2, -1, -1, -1, -1, -2, -2};
    TIniFile ini(doc);
    ASSERT_TRUE(ini.Load());
    ini.WriteInteger("Montage", "VisibleImagesNumber", kFrames);
    ini.WriteInteger("Montage", "TimeShiftsNumber", kFrames);
    for (int i = 0; i < kFrames; ++i) {
      ini.WriteBool("Montage", "IsVisibleImage_" + std::to_string(i), i != 3 && i != 4 && i != 9);
      ini.WriteInteger("Montage", "TimeShift_" + std::to_string(i), shifts[i]);
    }
    ASSERT_TRUE(ini.UpdateFile());
  }
};

TEST_F(MontageCli, VisibleImagesAreRecordedWithEveryBackEnd) {
  const std::vector<int> withGap = {0, 1, 2, 5, kGrey, 6, 7, 8, 10, 11};
  const std::vector<int> closed = {0, 1, 2, 5, 6, 7, 8, 10, 11};
  struct Case {
    std::vector<std::string> args;
    bool emptyImages;
    double tolerance;
  };
  const std::vector<Case> cases = {
      {{"--backend", "vfw", "--codec", "sans"}, true, 0},
      {{"--backend", "ds", "--codec", "FFV1"}, true, 0},
      {{"--backend", "vfw", "--codec", "MJPEG"}, false, 4},
      {{"--backend", "ds", "--codec", "MJPEG"}, true, 4},
      {{"--backend", "ffmpeg"}, false, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + (c.args.size() > 2 ? c.args[3] : ""));
    const std::string out = dir.File("montage.avi");
    std::vector<std::string> args = {"montage", doc, "-o", out};
    args.insert(args.end(), c.args.begin(), c.args.end());
    if (c.emptyImages) args.push_back("--empty-images");
    const auto r = Cli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto& expected = c.emptyImages ? withGap : closed;
    EXPECT_EQ(r.out, "images: " + std::to_string(expected.size()) + "\n");
    ExpectImages(out, expected, c.tolerance);
  }
}

TEST_F(MontageCli, CutKeepsTheInsideOfTheMarginsAndStretchTheWholePicture) {
  const std::string out = dir.File("cut.avi");
  auto r = Cli({"montage", doc, "-o", out, "--cut", "8,4,16,0", "--rate", "10"});
  ASSERT_EQ(r.status, 0) << r.err;
  ff::TFfmpegVideo video;
  ASSERT_TRUE(video.Open(out));
  EXPECT_EQ(video.Width(), kW - 24);
  EXPECT_EQ(video.Height(), kH - 4);
  EXPECT_NEAR(video.FrameRate(), 10.0, 1e-6);
  Image got;
  ASSERT_TRUE(video.ReadFrame(3, got));  // file image 5
  const Image full = test::IndexedImage(kW, kH, 5);
  for (int y = 0; y < got.Height(); ++y)
    for (int x = 0; x < got.Width(); ++x)
      ASSERT_EQ(got.Pixel(x, y), full.Pixel(x + 8, y + 4)) << x << "," << y;

  r = Cli({"montage", doc, "-o", out, "--stretch", "128x96"});
  ASSERT_EQ(r.status, 0) << r.err;
  ff::TFfmpegVideo stretched;
  ASSERT_TRUE(stretched.Open(out));
  EXPECT_EQ(stretched.Width(), 128);
  ASSERT_TRUE(stretched.ReadFrame(3, got));
  EXPECT_EQ(test::ReadIndexPattern(got), 5);
}

TEST_F(MontageCli, SplitThenJoinGivesTheSameImages) {
  for (const char* ext : {".png", ".bmp"}) {
    SCOPED_TRACE(ext);
    const std::string base = dir.File(std::string("shot") + ext);
    auto r = Cli({"split", doc, "-o", base});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "pictures: 9\n");
    // Given in an order the natural order puts right: _1 ... _9 need no
    // padding here, so "shot_10" never sorts before "shot_2".
    std::vector<std::string> pictures;
    for (int n = 9; n >= 1; --n) pictures.push_back(dir.File("shot_" + std::to_string(n) + ext));
    Image first;
    ASSERT_TRUE(ff::ReadPicture(pictures.back(), first));
    EXPECT_TRUE(first == test::IndexedImage(kW, kH, 0));

    const std::string out = dir.File("joined.avi");
    std::vector<std::string> args = {"join"};
    args.insert(args.end(), pictures.begin(), pictures.end());
    args.insert(args.end(), {"--rate", "25", "-o", out});
    r = Cli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectImages(out, {0, 1, 2, 5, 6, 7, 8, 10, 11}, 0);
  }
  // A whole video, every image visible, with padded numbers.
  const auto r = Cli({"split", video, "-o", dir.File("all.bmp")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir.File("all_01.bmp")));
  EXPECT_TRUE(fs::exists(dir.File("all_12.bmp")));
}

TEST_F(MontageCli, WrongChoicesAndFailuresAreReported) {
  auto r = Cli({"montage", doc, "-o", dir.File("a.avi"), "--codec", "Cinepak"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("codeur inconnu"), std::string::npos);
  r = Cli({"montage", doc, "-o", dir.File("a.avi"), "--cut", "1,2,3"});
  EXPECT_EQ(r.status, 2);
  r = Cli({"montage", doc, "-o", dir.File("no/such/folder/a.avi")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Erreur détectée durant la création du fichier vidéo"), std::string::npos);
  EXPECT_NE(r.err.find("Détail : le dossier « " + dir.File("no/such/folder") + " » n'existe pas"),
            std::string::npos)
      << r.err;
  // The picture that cannot be read is named, with the reason.
  r = Cli({"join", dir.File("missing.bmp"), "--rate", "25", "-o", dir.File("j.avi")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("L'image « " + dir.File("missing.bmp") +
                       " » n'a pas pu être lue.\nDétail : fichier introuvable"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dir.File("j.avi")));
}

}  // namespace
