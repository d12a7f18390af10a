// kinevo-cli track on real video files: a disc moving over a textured
// background, written losslessly by the ffmpeg program (raw BI_RGB AVI for
// the built-in reader, FFV1 in Matroska for the FFmpeg source).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/image.h"
#include "support/run_program.h"
#include "support/test_videos.h"

namespace {

using kinevo::Image;
using kinevo::RGBColor;

constexpr int kW = 160, kH = 120, kFrames = 8, kR = 10;
// Centre of the disc on image k.
int DiscX(int k) { return 40 + 6 * k; }
int DiscY(int k) { return 50 + 3 * k; }

using TRun = kinevo::test::ProgramRun;

Image Picture(int k) {
  static const kinevo::TColor palette[] = {RGBColor(90, 90, 90), RGBColor(150, 150, 150),
                                           RGBColor(40, 120, 50), RGBColor(40, 60, 160)};
  std::mt19937 gen(100 + static_cast<unsigned>(k));
  std::uniform_int_distribution<int> pick(0, 3);
  Image img(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) img.SetPixel(x, y, palette[pick(gen)]);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int dx = x - DiscX(k), dy = y - DiscY(k);
      if (dx * dx + dy * dy <= kR * kR)
        img.SetPixel(x, y, (x + y) % 2 ? RGBColor(230, 25, 20) : RGBColor(250, 200, 30));
    }
  return img;
}

class TrackCliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = kinevo::test::MakeTempDir("track_cli");
    const std::string raw = dir_ + "/frames.rgb";
    FILE* f = fopen(raw.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    for (int k = 0; k < kFrames; ++k) {
      const Image img = Picture(k);
      fwrite(img.Data(), 1, img.ByteSize(), f);
    }
    fclose(f);
    const std::string size = std::to_string(kW) + "x" + std::to_string(kH);
    const std::vector<std::string> input = {"-loglevel", "error", "-y", "-f", "rawvideo",
                                            "-pix_fmt",  "rgb24", "-s", size, "-r",
                                            "25",        "-i",    raw};
    auto encode = [&](std::vector<std::string> out) {
      std::vector<std::string> args = input;
      args.insert(args.end(), out.begin(), out.end());
      return kinevo::test::RunProgram("ffmpeg", args).status == 0;
    };
    aviOk_ = encode({"-c:v", "rawvideo", "-pix_fmt", "bgr24", dir_ + "/disc.avi"});
    mkvOk_ = encode({"-c:v", "ffv1", "-pix_fmt", "bgr0", dir_ + "/disc.mkv"});
    std::remove(raw.c_str());
  }

  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  static TRun Track(const std::vector<std::string>& args) {
    std::vector<std::string> all{"track"};
    all.insert(all.end(), args.begin(), args.end());
    return kinevo::test::RunProgram(KINEVO_CLI_PATH, all);
  }

  // A contour around the disc on image k, in picture pixels.
  static std::vector<std::string> Contour(int k) {
    std::vector<std::string> c{"--contour"};
    for (int i = 0; i < 16; ++i) {
      const double a = 2 * 3.14159265358979 * i / 16;
      c.push_back(std::to_string(DiscX(k) + (kR - 1) * std::cos(a)) + "," +
                  std::to_string(DiscY(k) + (kR - 1) * std::sin(a)));
    }
    return c;
  }

  struct TLine {
    int image;
    double x, y, similarity;
  };
  static std::vector<TLine> Lines(const std::string& out) {
    std::vector<TLine> lines;
    std::istringstream in(out);
    TLine l{};
    while (in >> l.image >> l.x >> l.y >> l.similarity) lines.push_back(l);
    return lines;
  }

  static std::string dir_;
  static bool aviOk_, mkvOk_;
};

std::string TrackCliTest::dir_;
bool TrackCliTest::aviOk_ = false;
bool TrackCliTest::mkvOk_ = false;

TEST_F(TrackCliTest, FollowsTheDiscImageByImage) {
  for (const std::string name : {"disc.avi", "disc.mkv"}) {
    if ((name == "disc.avi" && !aviOk_) || (name == "disc.mkv" && !mkvOk_)) {
      ADD_FAILURE() << "the ffmpeg program could not write " << name;
      continue;
    }
    std::vector<std::string> args{dir_ + "/" + name};
    for (const auto& a : Contour(0)) args.push_back(a);
    for (const std::string a : {"--first", "0", "--last", "7", "--radius", "10"}) args.push_back(a);
    for (bool rgb : {false, true}) {
      if (rgb) args.push_back("--rgb");
      const TRun r = Track(args);
      ASSERT_EQ(r.status, 0) << name << ": " << r.err;
      const auto lines = Lines(r.out);
      ASSERT_EQ(lines.size(), static_cast<std::size_t>(kFrames)) << r.out;
      for (int k = 0; k < kFrames; ++k) {
        EXPECT_EQ(lines[k].image, k);
        EXPECT_LE(std::abs(lines[k].x - DiscX(k)), 1) << name << " image " << k << " " << r.out;
        EXPECT_LE(std::abs(lines[k].y - DiscY(k)), 1) << name << " image " << k << " " << r.out;
      }
    }
  }
}

TEST_F(TrackCliTest, StepAndLastImageFollowTheRunRules) {
  ASSERT_TRUE(aviOk_);
  std::vector<std::string> args{dir_ + "/disc.avi"};
  for (const auto& a : Contour(1)) args.push_back(a);
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> all = args;
    all.insert(all.end(), extra.begin(), extra.end());
    return Lines(Track(all).out);
  };
  // Every second image from 1 up to 6: 1, 3, 5.
  auto lines = with({"--first", "1", "--last", "6", "--step", "2"});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].image, 3);
  EXPECT_EQ(lines[2].image, 5);
  EXPECT_LE(std::abs(lines[2].x - DiscX(5)), 1);
  // A last image beyond the video, or not after the first, becomes the last one.
  for (const std::string last : {"1000", "0"}) {
    lines = with({"--first", "1", "--last", last, "--step", "3"});
    ASSERT_EQ(lines.size(), 3u) << "last " << last;
    EXPECT_EQ(lines.back().image, 7);
  }
}

TEST_F(TrackCliTest, RefusesWhatARunRefuses) {
  ASSERT_TRUE(aviOk_);
  const std::string video = dir_ + "/disc.avi";
  // A contour that encloses nothing.
  TRun r = Track({video, "--contour", "10,10", "20,20", "--first", "0", "--last", "5"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("contour"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
  // The sequence starting on the last image.
  std::vector<std::string> args{video};
  for (const auto& a : Contour(0)) args.push_back(a);
  args.insert(args.end(), {"--first", "7", "--last", "7"});
  r = Track(args);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("La séquence débute avec la dernière image"), std::string::npos) << r.err;
  // A missing video, a malformed point, missing options.
  r = Track({dir_ + "/none.avi", "--contour", "1,1", "9,1", "9,9", "--first", "0", "--last", "3"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("none.avi"), std::string::npos) << r.err;
  r = Track({video, "--contour", "1;1", "--first", "0", "--last", "3"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("1;1"), std::string::npos) << r.err;
  EXPECT_NE(Track({video, "--first", "0"}).status, 0);
}

}  // namespace
