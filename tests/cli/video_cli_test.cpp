// kinevo-cli probe, frame and decode-all on videos written by ffmpeg.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "support/run_program.h"
#include "support/test_videos.h"
#include "support/text_checks.h"

namespace fs = std::filesystem;
using kinevo::Image;
using kinevo::test::ReadIndexPattern;

namespace {

struct CliRun {
  int code = -1;
  std::string out, err;
};

// Runs kinevo-cli with `args` split as a shell would split them.
CliRun Cli(const std::string& args, const std::string&) {
  const std::vector<std::string> words = kinevo::test::SplitWords(args);
  auto r = kinevo::test::RunProgram(KINEVO_CLI_PATH, words);
  return {r.status, r.out, r.err};
}

using kinevo::test::Keys;

Image ReadPpm(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  int w = 0, h = 0, max = 0;
  f >> magic >> w >> h >> max;
  f.get();
  if (magic != "P6" || w <= 0 || h <= 0) return {};
  Image img(w, h);
  f.read(reinterpret_cast<char*>(img.Data()), static_cast<std::streamsize>(img.ByteSize()));
  return f ? img : Image();
}

class VideoCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = kinevo::test::MakeTempDir("kinevo-cli");
    ASSERT_TRUE(kinevo::test::WriteVideoWithFfmpeg(dir + "/raw.avi", 96, 64, 20, 25,
                                                   {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}));
    ASSERT_TRUE(kinevo::test::WriteVideoWithFfmpeg(
        dir + "/gop.mp4", 96, 64, 30, 25,
        {"-c:v", "libx264", "-bf", "2", "-g", "30", "-pix_fmt", "yuv420p"}));
  }
  static void TearDownTestSuite() { fs::remove_all(dir); }
  static std::string dir;
};
std::string VideoCli::dir;

}  // namespace

TEST_F(VideoCli, ProbeNamesTheBackEndAndTheProperties) {
  CliRun r = Cli("probe '" + dir + "/raw.avi'", dir);
  ASSERT_EQ(r.code, 0) << r.err;
  auto k = Keys(r.out);
  EXPECT_EQ(k["backend"], "vfw");
  EXPECT_EQ(k["images"], "20");
  EXPECT_EQ(k["width"], "96");
  EXPECT_EQ(k["height"], "64");
  EXPECT_EQ(k["rate"], "25");
  EXPECT_EQ(k["duration"], "0.8");
  for (const char* b : {"ds", "ffmpeg"}) {
    r = Cli("probe '" + dir + "/gop.mp4' --backend " + b, dir);
    ASSERT_EQ(r.code, 0) << r.err;
    k = Keys(r.out);
    EXPECT_EQ(k["backend"], b);
    EXPECT_EQ(k["images"], "30");
  }
}

TEST_F(VideoCli, FailuresGoToStderrWithAnErrorCode) {
  CliRun r = Cli("probe '" + dir + "/missing.avi'", dir);
  EXPECT_NE(r.code, 0);
  EXPECT_TRUE(r.out.empty());
  EXPECT_NE(r.err.find("Impossible d'ouvrir ce fichier vidéo."), std::string::npos);
  { std::ofstream(dir + "/junk.avi") << "RIFF this is not a video at all"; }
  r = Cli("probe '" + dir + "/junk.avi'", dir);
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("suggestions"), std::string::npos);
  EXPECT_NE(Cli("probe '" + dir + "/raw.avi' --backend dshow", dir).code, 0);
  EXPECT_NE(Cli("frame '" + dir + "/raw.avi' 20 -o '" + dir + "/x.ppm'", dir).code,
            0);  // beyond the last
  EXPECT_NE(Cli("frame '" + dir + "/raw.avi' 1 2 -o '" + dir + "/x.ppm'", dir).code, 0);  // no %d
}

TEST_F(VideoCli, FramesAreWrittenInTheOrderGiven) {
  for (const char* b : {"vfw", "ds", "ffmpeg"}) {
    const std::string file = std::string(b) == "vfw" ? "/raw.avi" : "/gop.mp4";
    CliRun r =
        Cli("frame '" + dir + file + "' 17 3 0 19 -o '" + dir + "/f-%d.ppm' --backend " + b, dir);
    ASSERT_EQ(r.code, 0) << b << r.err;
    for (int n : {17, 3, 0, 19})
      EXPECT_EQ(ReadIndexPattern(ReadPpm(dir + "/f-" + std::to_string(n) + ".ppm")), n) << b;
  }
  CliRun r = Cli("frame '" + dir + "/gop.mp4' 5 -o '" + dir + "/five.png'", dir);
  ASSERT_EQ(r.code, 0) << r.err;
  std::ifstream png(dir + "/five.png", std::ios::binary);
  char sig[8] = {};
  png.read(sig, 8);
  EXPECT_EQ(std::string(sig + 1, 3), "PNG");
}

TEST_F(VideoCli, DecodeAllAgreesAcrossBackEnds) {
  CliRun a = Cli("decode-all '" + dir + "/raw.avi' --backend vfw", dir);
  CliRun b = Cli("decode-all '" + dir + "/raw.avi' --backend ffmpeg", dir);
  // The time-addressed back-end converts and checksums on a thread of its
  // own while the next images decode: the same images, in the same order.
  CliRun d = Cli("decode-all '" + dir + "/raw.avi' --backend ds", dir);
  ASSERT_EQ(a.code, 0) << a.err;
  ASSERT_EQ(b.code, 0) << b.err;
  ASSERT_EQ(d.code, 0) << d.err;
  EXPECT_EQ(Keys(a.out)["images"], "20");
  EXPECT_EQ(Keys(a.out)["checksum"].size(), 16u);
  EXPECT_EQ(a.out, b.out);  // the same pixels, losslessly stored
  EXPECT_EQ(a.out, d.out);
  CliRun c = Cli("decode-all '" + dir + "/gop.mp4'", dir);
  ASSERT_EQ(c.code, 0) << c.err;
  EXPECT_EQ(Keys(c.out)["images"], "30");
  EXPECT_NE(Keys(c.out)["checksum"], Keys(a.out)["checksum"]);
  CliRun e = Cli("decode-all '" + dir + "/gop.mp4' --backend ffmpeg", dir);
  ASSERT_EQ(e.code, 0) << e.err;
  EXPECT_EQ(c.out, e.out);  // decoded apart or drawn, the same pictures
}

// The checksum as its help describes it, computed here from the pictures
// `frame` writes: a picture whose size is not a multiple of 32 bytes leaves
// bytes over for lane 0, and the lanes must take the words in their order.
TEST_F(VideoCli, DecodeAllChecksumIsTheDescribedSum) {
  const std::string path = dir + "/odd.avi";
  const int images = 4;
  ASSERT_TRUE(kinevo::test::WriteVideoWithFfmpeg(path, 95, 63, images, 25,
                                                 {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}));
  ASSERT_EQ(Cli("frame '" + path + "' 0 1 2 3 -o '" + dir + "/odd-%d.ppm'", dir).code, 0);
  uint64_t sum[4] = {}, sumOfSums[4] = {};
  for (int n = 0; n < images; ++n) {
    const Image picture = ReadPpm(dir + "/odd-" + std::to_string(n) + ".ppm");
    ASSERT_EQ(picture.ByteSize(), 95u * 63 * 3);
    const uint8_t* p = picture.Data();
    std::size_t i = 0;
    for (; i + 32 <= picture.ByteSize(); i += 32)
      for (int k = 0; k < 4; ++k) {
        uint64_t word = 0;
        for (int b = 7; b >= 0; --b) word = word << 8 | p[i + 8 * k + b];
        sum[k] += word;
        sumOfSums[k] += sum[k];
      }
    for (; i < picture.ByteSize(); ++i) sumOfSums[0] += sum[0] += p[i];
  }
  uint64_t hash = 14695981039346656037ull;
  for (int k = 0; k < 4; ++k) {
    hash = (hash ^ sum[k]) * 1099511628211ull;
    hash = (hash ^ sumOfSums[k]) * 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  for (const char* backend : {"vfw", "ffmpeg"}) {
    const CliRun r = Cli("decode-all '" + path + "' --backend " + backend, dir);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Keys(r.out)["images"], std::to_string(images)) << backend;
    EXPECT_EQ(Keys(r.out)["checksum"], hex) << backend;
  }
}
