// Videos as phones make them, generated with ffmpeg: a variable image rate
// (every image exact whatever the back-end, and each image's time read from
// the file), a display rotation (shown upright), and 4K HEVC.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>

#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"
#include "platform/ffmpeg/ffmpeg_video.h"
#include "support/run_program.h"
#include "support/test_videos.h"

namespace fs = std::filesystem;
using namespace kinevo;
using kinevo::test::ReadIndexPattern;

namespace {

constexpr int kW = 160, kH = 96;

std::string BridgeFolder() { return std::string(KINEVO_BINARY_DIR) + "/KvoDll"; }

// Irregular intervals of 20 to 70 ms on a 1 ms grid, as a phone's camera
// gives when the light changes.
std::vector<double> PhoneTimes(int frames, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> ms(20, 70);
  std::vector<double> t{0.0};
  while (static_cast<int>(t.size()) < frames) t.push_back(t.back() + ms(gen) / 1000.0);
  return t;
}

const std::vector<std::string> kH264 = {"-c:v",
                                        "libx264",
                                        "-preset",
                                        "veryfast",
                                        "-bf",
                                        "2",
                                        "-g",
                                        "24",
                                        "-pix_fmt",
                                        "yuv420p",
                                        "-video_track_timescale",
                                        "90000"};

// The presentation times ffprobe reads, from the first image shown.
std::vector<double> FfprobeTimes(const std::string& path) {
  const auto run =
      test::RunProgram("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                   "frame=best_effort_timestamp_time", "-of", "csv=p=0", path});
  std::vector<double> t;
  std::istringstream in(run.out);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) t.push_back(std::stod(line));
  std::sort(t.begin(), t.end());
  for (std::size_t i = t.size(); i-- > 0;) t[i] -= t.front();
  return t;
}

class PhoneVideos : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = test::MakeTempDir("kinevo-phone");
    ASSERT_FALSE(dir_.empty());
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }
  static std::string Path(const std::string& name) { return dir_ + "/" + name; }
  static std::string dir_;
};
std::string PhoneVideos::dir_;

// The index shown by a source at image n.
int ShownAt(TFrameSource& s, int n) {
  s.GoToImage(n);
  Image img(s.ImageWidth(), s.ImageHeight());
  if (!s.DrawImage(img)) return -2;
  return ReadIndexPattern(img);
}

}  // namespace

TEST_F(PhoneVideos, VariableRateImagesAreExactAndTimedByTheFile) {
  constexpr int kFrames = 60;
  const std::vector<double> times = PhoneTimes(kFrames, 7);
  const std::string path = Path("vfr.mp4");
  std::string log;
  // Written at an input rate of 1000 so that times on the millisecond grid
  // are kept as they are.
  ASSERT_TRUE(test::WriteVideoWithFfmpeg(path, kW, kH, kFrames, 1000, kH264, times, &log)) << log;
  const std::vector<double> probed = FfprobeTimes(path);
  ASSERT_EQ(probed.size(), static_cast<std::size_t>(kFrames));

  TDSPlay ds;
  TFFMpegPlay bridge(BridgeFolder());
  ASSERT_TRUE(bridge.LoadBridgeLibrary());
  std::vector<int> order(kFrames);
  for (int i = 0; i < kFrames; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(3));
  for (TFrameSource* s : {static_cast<TFrameSource*>(&ds), static_cast<TFrameSource*>(&bridge)}) {
    SCOPED_TRACE("back-end " + std::to_string(s->Framework()));
    s->Open(path);
    ASSERT_TRUE(s->Opened()) << s->Error();
    EXPECT_TRUE(s->VariableRate());
    ASSERT_EQ(s->ImagesNumber(), kFrames);
    // The rate is the mean one, so that T by default keeps the file's times.
    EXPECT_NEAR(s->ImageDuration(), probed.back() / (kFrames - 1), 1e-9);
    for (int i : order) ASSERT_EQ(ShownAt(*s, i), i) << "image " << i;
    ASSERT_EQ(s->ImageTimes().size(), static_cast<std::size_t>(kFrames));
    for (int i = 0; i < kFrames; ++i) {
      EXPECT_NEAR(s->ImageTimes()[i], probed[i], 1e-6) << "image " << i;
      // (The writer may round a time down by one tick of its clock.)
      EXPECT_NEAR(s->ImageTimes()[i], times[i], 1.001e-3) << "image " << i;
    }
  }
}

TEST_F(PhoneVideos, SteadyRatesAreNotVariable) {
  // A constant rate, and one whose images jitter by less than 10 %.
  std::vector<double> jitter{0.0};
  for (int i = 1; i < 40; ++i) jitter.push_back(jitter.back() + (i % 2 ? 0.038 : 0.042));
  const std::vector<std::pair<std::string, std::vector<double>>> files = {{"cfr.mp4", {}},
                                                                          {"jitter.mp4", jitter}};
  TDSPlay ds;
  for (const auto& [name, times] : files) {
    ASSERT_TRUE(test::WriteVideoWithFfmpeg(Path(name), kW, kH, 40, times.empty() ? 25 : 1000, kH264,
                                           times));
    ds.Open(Path(name));
    ASSERT_TRUE(ds.Opened()) << name;
    EXPECT_FALSE(ds.VariableRate()) << name;
    // Still addressed by time: image 10 is fetched at 10 x 1.0001 x T.
    ds.GoToImage(10);
    EXPECT_NEAR(ds.StreamPosition(), 10 * 1.0001 * ds.ImageDuration(), 1e-12) << name;
  }
}

TEST_F(PhoneVideos, RotatedVideosAreShownUpright) {
  TDSPlay ds;
  TFFMpegPlay bridge(BridgeFolder());
  for (int degrees : {90, 180, 270}) {
    const std::string path = Path("turned" + std::to_string(degrees) + ".mov");
    std::string log;
    ASSERT_TRUE(test::WriteRotatedIndexedVideo(path, kW, kH, 20, 25, degrees, kH264, &log)) << log;
    // ffmpeg itself, turning the picture as players do, sees the pattern
    // upright: the file is what the test means it to be.
    const std::string raw = path + ".rgb";
    ASSERT_EQ(
        test::RunProgram("ffmpeg", {"-v", "error", "-y", "-i", path, "-vf", "select=eq(n\\,13)",
                                    "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", raw})
            .status,
        0);
    Image player(kW, kH);
    ASSERT_EQ(fs::file_size(raw), player.ByteSize());
    std::FILE* f = std::fopen(raw.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fread(player.Data(), 1, player.ByteSize(), f), player.ByteSize());
    std::fclose(f);
    ASSERT_EQ(ReadIndexPattern(player), 13);

    for (TFrameSource* s : {static_cast<TFrameSource*>(&ds), static_cast<TFrameSource*>(&bridge)}) {
      SCOPED_TRACE(std::to_string(degrees) + " degrees, back-end " +
                   std::to_string(s->Framework()));
      s->Open(path);
      ASSERT_TRUE(s->Opened()) << s->Error();
      EXPECT_EQ(s->Rotation(), degrees);
      EXPECT_EQ(s->ImageWidth(), kW);
      EXPECT_EQ(s->ImageHeight(), kH);
      for (int i : {13, 0, 19, 5}) ASSERT_EQ(ShownAt(*s, i), i) << "image " << i;
      // A part of the picture, stretched, comes from the upright picture too.
      s->GoToImage(13);
      Image part(kW / 4, kH / 4), whole(kW, kH);
      ASSERT_TRUE(s->DrawImage(whole));
      ASSERT_TRUE(s->DrawImage(part, {kW * 3 / 4, 0, kW, kH / 4}));
      EXPECT_EQ(part.Pixel(5, 5), whole.Pixel(kW * 3 / 4 + 5, 5));
      // An image decoded apart is turned upright when converted.
      if (auto apart = s->DecodeImage(13)) {
        Image converted;
        ASSERT_TRUE(apart->ConvertInto(converted));
        EXPECT_TRUE(converted == whole);
      } else {
        EXPECT_FALSE(s->DecodesApart());
      }
    }
  }
}

TEST_F(PhoneVideos, HevcIn4KIsExactAndTheCacheKeepsItsBudget) {
  constexpr int kW4 = 3840, kH4 = 2160, kFrames = 8;
  const std::string path = Path("hevc4k.mp4");
  std::string log;
  ASSERT_TRUE(test::WriteVideoWithFfmpeg(
      path, kW4, kH4, kFrames, 30,
      {"-c:v", "libx265", "-preset", "ultrafast", "-x265-params", "log-level=none:bframes=2",
       "-pix_fmt", "yuv420p", "-tag:v", "hvc1"},
      {}, &log))
      << log;
  ff::TFfmpegVideo v;
  ASSERT_TRUE(v.Open(path)) << v.Error();
  ASSERT_EQ(v.FrameCount(), kFrames);
  EXPECT_EQ(v.Width(), kW4);
  EXPECT_EQ(v.Height(), kH4);
  EXPECT_FALSE(v.VariableRate());
  // A budget of three 4K pictures: the pictures held are counted at their
  // real size, so the cache stays within it (apart from the few pictures
  // always kept).
  const std::size_t picture = std::size_t{kW4} * kH4 * 3 / 2;
  v.SetCacheBudget(3 * picture);
  Image img;
  for (int i : {5, 0, 7, 2, 6, 1, 4, 3}) {
    ASSERT_TRUE(v.ReadFrame(i, img));
    ASSERT_EQ(ReadIndexPattern(img), i);
    ASSERT_LE(v.CacheBytes(), std::max(v.CacheBudget(), 4 * picture + (4u << 20)));
  }
  // The same through the time-addressed source, which opens HEVC too.
  TDSPlay ds;
  ds.Open(path);
  ASSERT_TRUE(ds.Opened()) << ds.Error();
  for (int i : {7, 3}) ASSERT_EQ(ShownAt(ds, i), i);
}
