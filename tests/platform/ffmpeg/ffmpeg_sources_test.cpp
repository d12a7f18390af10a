// The three frame sources over real files written by the program's AVI
// writer and by the FFmpeg encoders: image counts, images fetched in any
// order, bounds, the time addressing of the FFmpeg source, the bridge plugin,
// the decoded-picture cache, and broken input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "core/video/frame_sources.h"
#include "platform/avi/vfw_play.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"
#include "platform/ffmpeg/ffmpeg_video.h"
#include "support/test_videos.h"
#include "support/test_videos_avi.h"

namespace fs = std::filesystem;
using namespace kinevo;
using kinevo::test::ReadIndexPattern;

namespace {

constexpr int kW = 160, kH = 120;

struct Sample {
  std::string name;  // file name in the sample folder
  int frames;
  std::vector<double> times;  // presentation times when not 1/25 s apart
  bool aviReader;             // the built-in reader opens it
};

// The sample videos, written once for the whole program.
class Samples : public ::testing::Environment {
 public:
  static std::string dir;
  static std::vector<Sample> list;
  static std::string Path(const std::string& name) { return dir + "/" + name; }

  void SetUp() override {
    dir = kinevo::test::MakeTempDir("kinevo-ff");
    ASSERT_FALSE(dir.empty());
    avi::TAviWriterOptions mjpeg;
    mjpeg.codec = avi::TAviCodec::MJPEG;
    ASSERT_TRUE(kinevo::test::WriteIndexedAvi(Path("rgb.avi"), kW, kH, 30));
    ASSERT_TRUE(kinevo::test::WriteIndexedAvi(Path("mjpeg.avi"), kW, kH, 30, mjpeg));
    list.push_back({"rgb.avi", 30, {}, true});
    list.push_back({"mjpeg.avi", 30, {}, true});
    auto add = [&](const std::string& name, int frames, std::vector<std::string> args,
                   std::vector<double> times = {}, bool aviReader = false) {
      std::string log;
      ASSERT_TRUE(
          kinevo::test::WriteVideoWithFfmpeg(Path(name), kW, kH, frames, 25, args, times, &log))
          << name << log;
      list.push_back({name, frames, times, aviReader});
    };
    add("pal8.avi", 20, {"-c:v", "rawvideo", "-pix_fmt", "pal8"}, {}, true);
    add("mpeg4.avi", 40, {"-c:v", "mpeg4", "-q:v", "3", "-bf", "2", "-g", "12"});
    add("h264.mp4", 60,
        {"-c:v", "libx264", "-preset", "veryfast", "-bf", "3", "-g", "48", "-sc_threshold", "0",
         "-pix_fmt", "yuv420p"});
    add("mpeg2.mpg", 40, {"-c:v", "mpeg2video", "-q:v", "3", "-bf", "2", "-g", "12"});
    add("h264.MOV", 40,
        {"-c:v", "libx264", "-preset", "veryfast", "-bf", "2", "-g", "30", "-pix_fmt", "yuv420p"});
    add("wmv2.wmv", 40, {"-c:v", "wmv2", "-q:v", "3"});
    // Times on the 1/25 s grid of the encoder's input (others get rounded).
    std::vector<double> t;
    for (int i = 0; i < 40; ++i) t.push_back(i == 0 ? 0.0 : t.back() + (i % 3 == 0 ? 0.12 : 0.04));
    add("vfr.mp4", 40,
        {"-c:v", "libx264", "-preset", "veryfast", "-bf", "2", "-pix_fmt", "yuv420p",
         "-video_track_timescale", "1000"},
        t);
  }
  void TearDown() override { fs::remove_all(dir); }
};
std::string Samples::dir;
std::vector<Sample> Samples::list;
const auto* const env = ::testing::AddGlobalTestEnvironment(new Samples);

std::string BridgeFolder() { return std::string(KINEVO_BINARY_DIR) + "/KvoDll"; }

std::vector<int> Shuffled(int n, unsigned seed) {
  std::vector<int> v(n);
  for (int i = 0; i < n; ++i) v[i] = i;
  std::shuffle(v.begin(), v.end(), std::mt19937(seed));
  return v;
}

// The index shown by a source at its current image.
int Shown(TFrameSource& s) {
  Image img(s.ImageWidth(), s.ImageHeight());
  if (!s.DrawImage(img)) return -2;
  return ReadIndexPattern(img);
}

// The source frame displayed at time t.
int DisplayedAt(const Sample& s, double t) {
  if (s.times.empty()) return std::min(static_cast<int>(std::floor(t * 25 + 1e-9)), s.frames - 1);
  int k = 0;
  while (k + 1 < s.frames && s.times[k + 1] <= t + 1e-9) ++k;
  return k;
}

}  // namespace

// Every sample with every back-end: index addressing (AVI reader, bridge)
// gives image n = frame n; time addressing gives the frame shown at
// n x 1.0001 x ImageDuration.
TEST(FrameSources, EverySampleWithEveryBackEnd) {
  TVfwPlay vfw;
  TDSPlay ds;
  TFFMpegPlay bridge(BridgeFolder());
  ASSERT_TRUE(bridge.LoadBridgeLibrary()) << BridgeFolder();
  for (const Sample& smp : Samples::list) {
    for (TFrameSource* src : {static_cast<TFrameSource*>(&vfw), static_cast<TFrameSource*>(&ds),
                              static_cast<TFrameSource*>(&bridge)}) {
      SCOPED_TRACE(smp.name + " with back-end " + std::to_string(src->Framework()));
      src->Open(Samples::Path(smp.name));
      if (src->Framework() == fwVfw) {
        EXPECT_EQ(src->Opened(), smp.aviReader);
        if (!smp.aviReader) continue;
      }
      ASSERT_TRUE(src->Opened());
      EXPECT_EQ(src->ImageWidth(), kW);
      EXPECT_EQ(src->ImageHeight(), kH);
      // A variable-rate file is addressed by index by every back-end.
      const bool byTime = src->Framework() == fwDS && !src->VariableRate();
      if (smp.times.empty()) {
        EXPECT_EQ(src->ImagesNumber(), smp.frames);
        EXPECT_NEAR(src->ImageRate(), 25.0, 1e-6);
        EXPECT_EQ(src->ImageDurationMs(), 40);
      } else if (!byTime) {
        EXPECT_EQ(src->ImagesNumber(), smp.frames);
      }
      const int n = src->ImagesNumber();
      ASSERT_GT(n, 0);
      auto expected = [&](int i) {
        if (!byTime) return i;
        const double t = std::min(i * 1.0001 * src->ImageDuration(), src->StreamDuration());
        return DisplayedAt(smp, t);
      };
      std::vector<int> order = Shuffled(n, 11);
      order.insert(order.begin(), {n - 1, 0});
      for (int i : order) {
        src->GoToImage(i);
        ASSERT_EQ(src->ImageIndex(), i);
        ASSERT_EQ(Shown(*src), expected(i)) << "image " << i;
      }
      src->GoToImage(-5);
      EXPECT_EQ(src->ImageIndex(), 0);
      EXPECT_EQ(Shown(*src), expected(0));
      src->GoToImage(n + 10);
      EXPECT_EQ(src->ImageIndex(), n - 1);
      EXPECT_EQ(Shown(*src), byTime ? DisplayedAt(smp, src->StreamDuration()) : n - 1);
    }
  }
}

TEST(FrameSources, LosslessFilesGiveTheSamePixelsEverywhere) {
  // The AVI reader and FFmpeg agree to the byte on uncompressed pictures,
  // also on an 8-bit file whose palette FFmpeg sends only once.
  for (const char* name : {"rgb.avi", "pal8.avi"}) {
    TVfwPlay vfw;
    TFFMpegPlay bridge(BridgeFolder());
    vfw.Open(Samples::Path(name));
    bridge.Open(Samples::Path(name));
    ASSERT_TRUE(vfw.Opened() && bridge.Opened()) << name;
    for (int i : {7, 0, 19}) {
      vfw.GoToImage(i);
      bridge.GoToImage(i);
      Image a(kW, kH), b(kW, kH);
      ASSERT_TRUE(vfw.DrawImage(a) && bridge.DrawImage(b));
      EXPECT_EQ(a, b) << name << " image " << i;
      EXPECT_EQ(ReadIndexPattern(a), i);
    }
  }
}

TEST(FrameSources, TimeAddressingFollowsTheStreamPosition) {
  TDSPlay ds;
  ds.Open(Samples::Path("h264.mp4"));
  ASSERT_TRUE(ds.Opened());
  EXPECT_NEAR(ds.StreamDuration(), 60 / 25.0, 1e-9);
  ds.GoToImage(10);
  EXPECT_NEAR(ds.StreamPosition(), 0.40004, 1e-12);
  ds.GoToImage(500);
  EXPECT_DOUBLE_EQ(ds.StreamPosition(), ds.StreamDuration());
  ds.GoToImage(-3);
  EXPECT_DOUBLE_EQ(ds.StreamPosition(), 0.0);
}

TEST(FrameSources, ReadImageGivesItsOwnImageWhereverTheViewStands) {
  // A tracking run's worker reads ahead of the image the view shows.
  for (const Sample& sample : Samples::list) {
    if (!sample.times.empty()) continue;  // addressed by index anyway
    TDSPlay ds;
    ds.Open(Samples::Path(sample.name));
    ASSERT_TRUE(ds.Opened()) << sample.name;
    ds.GoToImage(3);
    Image img;
    for (int k : {4, 5, 9, 2}) {
      ASSERT_TRUE(ds.ReadImage(k, img)) << sample.name << " " << k;
      EXPECT_EQ(ReadIndexPattern(img), k) << sample.name;
    }
    EXPECT_EQ(ds.ImageIndex(), 3);
    EXPECT_EQ(Shown(ds), 3) << sample.name;
  }
}

TEST(FrameSources, ChainOpensEachFileAndFallsBack) {
  TVfwPlay vfw;
  TDSPlay ds;
  TFFMpegPlay bridge(BridgeFolder());
  TFrameSources chain(vfw, ds, bridge);
  // MPEG-4 part 2 in AVI: refused by the AVI reader, opened by FFmpeg.
  EXPECT_EQ(&chain.Open(Samples::Path("mpeg4.avi")), &ds);
  EXPECT_TRUE(ds.Opened());
  EXPECT_EQ(&chain.Open(Samples::Path("mjpeg.avi")), &vfw);
  // Upper-case .MOV goes to the bridge.
  EXPECT_EQ(&chain.Open(Samples::Path("h264.MOV")), &bridge);
  EXPECT_TRUE(bridge.Opened());
  EXPECT_FALSE(vfw.Opened());  // released when another source was chosen
  // An .mp4 after a .wmv starts with FFmpeg by time.
  chain.Open(Samples::Path("wmv2.wmv"));
  EXPECT_EQ(chain.Framework(), fwDS);
  EXPECT_EQ(&chain.Open(Samples::Path("h264.mp4")), &ds);
  // Nothing opens a file of random bytes.
  const std::string junk = Samples::Path("junk.avi");
  {
    std::ofstream f(junk, std::ios::binary);
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i) f.put(static_cast<char>(rng()));
  }
  TFrameSource& s = chain.Open(junk);
  EXPECT_FALSE(s.Opened());
  EXPECT_EQ(chain.Framework(), fwFFMpeg);
  EXPECT_FALSE(vfw.Opened() || ds.Opened() || bridge.Opened());
}

TEST(FrameSources, OwnRecorderCommentSelectsTheBridge) {
  const std::string path = Samples::Path("tagged.avi");
  std::string log;
  ASSERT_TRUE(kinevo::test::WriteVideoWithFfmpeg(
      path, kW, kH, 10, 25,
      {"-c:v", "mpeg4", "-metadata", "comment=Kinevo video FFMpeg MPEG4 codec"}, {}, &log))
      << log;
  TVfwPlay vfw;
  TDSPlay ds;
  TFFMpegPlay bridge(BridgeFolder());
  EXPECT_EQ(bridge.FileComment(path), TFrameSources::kOwnRecorderComment);
  EXPECT_EQ(bridge.FileComment(Samples::Path("h264.mp4")), "");
  TFrameSources chain(vfw, ds, bridge);
  EXPECT_EQ(&chain.Open(path), &bridge);
  EXPECT_TRUE(bridge.Opened());
}

TEST(FrameSources, BridgeIsMissingWithoutItsFolder) {
  TFFMpegPlay bridge(Samples::dir + "/nowhere");
  EXPECT_FALSE(bridge.LoadBridgeLibrary());
  EXPECT_EQ(bridge.FileComment(Samples::Path("h264.mp4")), "");
  int closes = 0;
  TConnection onCloseLink = bridge.OnClose.Connect([&](void*) { ++closes; });
  bridge.Open(Samples::Path("h264.MOV"));
  EXPECT_FALSE(bridge.Opened());
  EXPECT_EQ(closes, 0);  // without the bridge, Close does nothing
  TVfwPlay vfw;
  TDSPlay ds;
  TFrameSources chain(vfw, ds, bridge);
  EXPECT_FALSE(chain.Open(Samples::Path("h264.MOV")).Opened());
  EXPECT_EQ(VideoOpenFailureLines(true, bridge.LoadBridgeLibrary()).size(), 4u);
}

TEST(FrameSources, EventsAndProgress) {
  std::vector<std::string> events;  // outlives the source, which reports its closing
  TFFMpegPlay bridge(BridgeFolder());
  TConnection onOpenLink =
      bridge.OnOpen.Connect([&](void* s) { events.push_back(s == &bridge ? "open" : "?"); });
  TConnection onCloseLink =
      bridge.OnClose.Connect([&](void* s) { events.push_back(s == &bridge ? "close" : "?"); });
  std::vector<double> fractions;
  bridge.OnProgress = [&](double f) {
    fractions.push_back(f);
    return true;
  };
  bridge.Open(Samples::Path("h264.mp4"));
  ASSERT_TRUE(bridge.Opened());
  EXPECT_FALSE(fractions.empty());
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  // The bridge's Close reports on every call.
  EXPECT_EQ(events, (std::vector<std::string>{"close", "open"}));
  bridge.OnProgress = [](double) { return false; };  // the user cancels
  bridge.Open(Samples::Path("wmv2.wmv"));
  EXPECT_FALSE(bridge.Opened());

  TDSPlay ds;
  ds.OnProgress = [](double f) { return f < 0.3; };
  ds.Open(Samples::Path("mpeg2.mpg"));
  EXPECT_FALSE(ds.Opened());
}

// The decoder: exact counts and order, seeking, and the cache.
TEST(FfmpegVideo, SteppingBackIsServedFromTheCache) {
  ff::TFfmpegVideo v;
  ASSERT_TRUE(v.Open(Samples::Path("h264.mp4")));
  ASSERT_EQ(v.FrameCount(), 60);
  EXPECT_EQ(v.KeyframeCount(), 2);  // groups of 48 images
  Image img;
  ASSERT_TRUE(v.ReadFrame(47, img));
  EXPECT_EQ(ReadIndexPattern(img), 47);
  const int64_t afterFirst = v.FramesDecoded();
  for (int i = 46; i >= 0; --i) {
    ASSERT_TRUE(v.ReadFrame(i, img));
    ASSERT_EQ(ReadIndexPattern(img), i);
  }
  EXPECT_EQ(v.FramesDecoded(), afterFirst);  // nothing decoded again

  // Stepping forward decodes about one image per step.
  ff::TFfmpegVideo w;
  ASSERT_TRUE(w.Open(Samples::Path("h264.mp4")));
  for (int i = 0; i < 60; ++i) {
    ASSERT_TRUE(w.ReadFrame(i, img));
    ASSERT_EQ(ReadIndexPattern(img), i);
  }
  EXPECT_LE(w.FramesDecoded(), 60 + 4);
}

// A reader of isolated images: a jump decodes only what its image needs
// (the B pictures nothing refers to are skipped), and every image is still
// exact, in any order.
TEST(FfmpegVideo, IsolatedReadsDecodeLessAndStayExact) {
  ff::TFfmpegVideo all, isolated;
  isolated.SetIsolatedReads(true);
  ASSERT_TRUE(all.Open(Samples::Path("h264.mp4")));
  ASSERT_TRUE(isolated.Open(Samples::Path("h264.mp4")));
  Image img;
  ASSERT_TRUE(all.ReadFrame(45, img));
  ASSERT_TRUE(isolated.ReadFrame(45, img));
  EXPECT_EQ(ReadIndexPattern(img), 45);
  EXPECT_LT(isolated.FramesDecoded(), all.FramesDecoded() * 3 / 4)
      << isolated.FramesDecoded() << " against " << all.FramesDecoded();
  for (int i : Shuffled(60, 5)) {
    ASSERT_TRUE(isolated.ReadFrame(i, img));
    ASSERT_EQ(ReadIndexPattern(img), i);
  }
  // Read in order, every image once (as decode-all reads), the pictures
  // before the one asked for are let go: the cache never holds more than
  // the few the decoder returned together, where the window's reader keeps
  // them all.
  std::size_t mostHeld = 0;
  for (int i = 0; i < 60; ++i) {
    ASSERT_TRUE(isolated.ReadFrame(i, img));
    ASSERT_EQ(ReadIndexPattern(img), i);
    mostHeld = std::max(mostHeld, isolated.CacheBytes());
    ASSERT_TRUE(all.ReadFrame(i, img));
  }
  EXPECT_LT(mostHeld * 6, all.CacheBytes()) << mostHeld << " against " << all.CacheBytes();
}

// Images decoded apart keep their own picture: held while the source decodes
// on (reading in order, keeping almost nothing) and after it is closed, then
// converted on another thread, each is the very picture a draw gives.
TEST(FfmpegVideo, ImagesDecodedApartStayTheirOwnUntilConverted) {
  TDSPlay drawn, apart;
  drawn.Open(Samples::Path("h264.mp4"));
  apart.SetCacheBudget(0);
  apart.SetIsolatedReads(true);
  apart.Open(Samples::Path("h264.mp4"));
  ASSERT_TRUE(drawn.Opened() && apart.Opened());
  ASSERT_TRUE(apart.DecodesApart());
  EXPECT_EQ(apart.DecodeImage(-1), nullptr);
  EXPECT_EQ(apart.DecodeImage(60), nullptr);
  std::vector<std::unique_ptr<TDecodedImage>> held;
  for (int i = 0; i < 60; ++i) {
    held.push_back(apart.DecodeImage(i));
    ASSERT_NE(held.back(), nullptr) << i;
  }
  EXPECT_EQ(apart.ImageIndex(), 0);  // the current image stays
  apart.Close();
  EXPECT_EQ(apart.DecodeImage(0), nullptr);
  std::vector<Image> converted(held.size());
  std::vector<char> ok(held.size(), 0);
  std::thread converter([&] {
    for (std::size_t i = 0; i < held.size(); ++i) ok[i] = held[i]->ConvertInto(converted[i]);
    held.clear();
  });
  converter.join();
  Image expected(kW, kH);
  for (int i = 0; i < 60; ++i) {
    ASSERT_TRUE(ok[static_cast<std::size_t>(i)]) << i;
    drawn.GoToImage(i);
    ASSERT_TRUE(drawn.DrawImage(expected));
    ASSERT_EQ(ReadIndexPattern(converted[static_cast<std::size_t>(i)]), i);
    ASSERT_TRUE(converted[static_cast<std::size_t>(i)] == expected) << i;
  }
  // The other back-ends draw in one step.
  TVfwPlay vfw;
  vfw.Open(Samples::Path("rgb.avi"));
  ASSERT_TRUE(vfw.Opened());
  EXPECT_FALSE(vfw.DecodesApart());
  EXPECT_EQ(vfw.DecodeImage(0), nullptr);
}

TEST(FfmpegVideo, SmallCacheStaysWithinBudgetAndStaysRight) {
  ff::TFfmpegVideo v;
  v.SetCacheBudget(100000);  // a handful of 160 x 120 pictures
  ASSERT_TRUE(v.Open(Samples::Path("h264.mp4")));
  Image img;
  for (int i = 59; i >= 0; --i) {
    ASSERT_TRUE(v.ReadFrame(i, img));
    ASSERT_EQ(ReadIndexPattern(img), i);
    ASSERT_LE(v.CacheBytes(), 100000u + 4 * 60000u);
  }
  for (int i : Shuffled(60, 3)) {
    ASSERT_TRUE(v.ReadFrame(i, img));
    ASSERT_EQ(ReadIndexPattern(img), i);
  }
  EXPECT_FALSE(v.ReadFrame(60, img));
  EXPECT_FALSE(v.ReadFrame(-1, img));
}

TEST(FfmpegVideo, TimesOfAVariableRateFile) {
  ff::TFfmpegVideo v;
  ASSERT_TRUE(v.Open(Samples::Path("vfr.mp4")));
  const Sample* s = nullptr;
  for (const auto& x : Samples::list)
    if (x.name == "vfr.mp4") s = &x;
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(v.FrameCount(), s->frames);
  for (int i = 0; i < s->frames; ++i) {
    EXPECT_NEAR(v.FrameTime(i), s->times[i], 1e-3) << i;
    EXPECT_EQ(v.FrameAtTime(s->times[i]), i);
    if (i + 1 < s->frames) {
      EXPECT_EQ(v.FrameAtTime((s->times[i] + s->times[i + 1]) / 2), i);
    }
  }
  EXPECT_EQ(v.FrameAtTime(-1), 0);
  EXPECT_EQ(v.FrameAtTime(1e9), s->frames - 1);
}

TEST(FfmpegVideo, BrokenInputIsRefused) {
  const std::string dir = Samples::dir;
  ff::TFfmpegVideo v;
  TDSPlay ds;
  TFFMpegPlay bridge(BridgeFolder());
  EXPECT_FALSE(v.Open(dir + "/missing.mp4"));
  EXPECT_FALSE(v.Open(""));
  { std::ofstream(dir + "/empty.mp4"); }
  EXPECT_FALSE(v.Open(dir + "/empty.mp4"));
  ds.Open(dir + "/empty.mp4");
  EXPECT_FALSE(ds.Opened());
  // Only sound.
  const std::string wav = dir + "/sound.mp4";
  ASSERT_EQ(
      std::system(
          ("ffmpeg -v error -nostdin -y -f lavfi -i sine=d=0.5 -c:a aac '" + wav + "'").c_str()),
      0);
  EXPECT_FALSE(v.Open(wav));
  bridge.Open(wav);
  EXPECT_FALSE(bridge.Opened());
  // Truncated copies: refused, or every counted image decodes (none hangs).
  for (const char* name : {"h264.mp4", "mpeg2.mpg", "wmv2.wmv", "mpeg4.avi"}) {
    std::ifstream in(Samples::Path(name), std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    for (std::size_t len :
         {bytes.size() / 5, bytes.size() / 2, bytes.size() * 9 / 10, bytes.size() - 1}) {
      const std::string cut = dir + "/cut-" + name;
      std::ofstream(cut, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(len));
      ds.Open(cut);
      if (!ds.Opened()) continue;
      Image img(kW, kH);
      for (int i = 0; i < ds.ImagesNumber(); i += 3) {
        ds.GoToImage(i);
        ds.DrawImage(img);
      }
    }
  }
}

// Pictures converted straight into the caller's memory: rows at any stride,
// padding and failures leave the memory as it was.
TEST(FfmpegVideo, ReadsIntoCallerMemoryAtAnyStride) {
  ff::TFfmpegVideo v;
  ASSERT_TRUE(v.Open(Samples::Path("h264.mp4")));
  const std::size_t row = kW * 3;
  const std::size_t stride = row + 13;  // odd padding after each row
  std::vector<uint8_t> mem(stride * kH, 0xA5);
  Image expected;
  for (int i : {0, 59, 30, 31, 12}) {
    ASSERT_TRUE(v.ReadFrame(i, mem.data(), stride)) << i;
    ASSERT_TRUE(v.ReadFrame(i, expected));
    for (int y = 0; y < kH; ++y) {
      ASSERT_EQ(std::memcmp(mem.data() + y * stride, expected.Row(y), row), 0)
          << "image " << i << " row " << y;
      for (std::size_t x = row; x < stride; ++x)
        ASSERT_EQ(mem[y * stride + x], 0xA5) << "padding of row " << y;
    }
  }
  const std::vector<uint8_t> before = mem;
  EXPECT_FALSE(v.ReadFrame(60, mem.data(), stride));
  EXPECT_FALSE(v.ReadFrame(-1, mem.data(), stride));
  EXPECT_FALSE(v.ReadFrame(3, mem.data(), row - 1));  // rows too short
  EXPECT_FALSE(v.ReadFrame(3, nullptr, stride));
  EXPECT_EQ(mem, before);
}

namespace {
// A back-end over one picture per image (grey level = index) that may decode
// straight into the destination and fails on the images it is told to.
class InPlaceSource : public TFrameSource {
 public:
  explicit InPlaceSource(bool inPlace) : TFrameSource(fwDS), inPlace_(inPlace) {}
  ~InPlaceSource() override { Close(); }
  std::vector<const uint8_t*> targets;  // the memory each fetch wrote to
  int failAt = -1;

 protected:
  bool OpenFile(const std::string&, TStreamInfo& info) override {
    info.width = 6;
    info.height = 4;
    info.imagesNumber = 10;
    info.imageRate = 25;
    return true;
  }
  void CloseFile() override {}
  bool FetchImage(int32_t index, Image& p) override {
    if (index == failAt) return false;  // untouched, as promised below
    p.Resize(6, 4);
    p.Fill(RGBColor(static_cast<uint8_t>(index), static_cast<uint8_t>(index + 100), 7));
    targets.push_back(p.Data());
    return true;
  }
  bool FetchesIntoDestination() const override { return inPlace_; }

 private:
  bool inPlace_;
};
}  // namespace

TEST(FrameSources, WholePictureIsDecodedStraightIntoTheDestination) {
  for (bool inPlace : {true, false}) {
    SCOPED_TRACE(inPlace ? "in place" : "through the work bitmap");
    InPlaceSource s(inPlace);
    s.Open("x");
    ASSERT_TRUE(s.Opened());
    Image dest(6, 4, RGBColor(1, 2, 3));
    s.GoToImage(5);
    ASSERT_TRUE(s.DrawImage(dest));
    EXPECT_EQ(dest, Image(6, 4, RGBColor(5, 105, 7)));
    EXPECT_EQ(s.targets.back() == dest.Data(), inPlace);
    // Inverted colours for a hidden montage image.
    s.SetCopyMode(TRasterOp::ropNotSrcCopy);
    s.GoToImage(6);
    ASSERT_TRUE(s.DrawImage(dest));
    EXPECT_EQ(dest, Image(6, 4, RGBColor(255 - 6, 255 - 106, 255 - 7)));
    s.SetCopyMode(TRasterOp::ropSrcCopy);
    // A failed draw leaves the destination as it was.
    s.failAt = 7;
    s.GoToImage(7);
    const Image before = dest;
    EXPECT_FALSE(s.DrawImage(dest));
    EXPECT_EQ(dest, before);
    // A part of the picture, or another size, is stretched from the work
    // bitmap, never decoded into the destination.
    s.GoToImage(8);
    const std::size_t fetches = s.targets.size();
    Image half(3, 2, RGBColor(1, 2, 3));
    ASSERT_TRUE(s.DrawImage(half));
    EXPECT_EQ(half, Image(3, 2, RGBColor(8, 108, 7)));
    Image same(6, 4, RGBColor(1, 2, 3));
    ASSERT_TRUE(s.DrawImage(same, {0, 0, 3, 4}));
    EXPECT_EQ(same, Image(6, 4, RGBColor(8, 108, 7)));
    ASSERT_EQ(s.targets.size(), fetches + 2);
    EXPECT_NE(s.targets[fetches], half.Data());
    EXPECT_NE(s.targets[fetches + 1], same.Data());
    EXPECT_EQ(s.WorkBitmap(), Image(6, 4, RGBColor(8, 108, 7)));
  }
}

// The real back-ends drawing whole pictures in place give the same pixels as
// a draw through the work bitmap, inverted or not.
TEST(FrameSources, InPlaceDrawingMatchesStretchedDrawing) {
  TDSPlay ds;
  TFFMpegPlay bridge(BridgeFolder());
  ASSERT_TRUE(bridge.BridgeLoaded());
  for (TFrameSource* s : std::initializer_list<TFrameSource*>{&ds, &bridge}) {
    s->Open(Samples::Path("mpeg4.avi"));
    ASSERT_TRUE(s->Opened()) << static_cast<int>(s->Framework());
    Image whole(kW, kH), viaWork(kW, kH), inverted(kW, kH);
    for (int i : {0, 17, 39, 5}) {
      s->GoToImage(i);
      ASSERT_TRUE(s->DrawImage(whole));
      // Full width but one row short of the picture: through the work bitmap.
      Image part(kW, kH - 1);
      ASSERT_TRUE(s->DrawImage(part, {0, 0, kW, kH - 1}));
      for (int y = 0; y < kH - 1; ++y)
        ASSERT_EQ(std::memcmp(part.Row(y), whole.Row(y), whole.Stride()), 0);
      EXPECT_EQ(ReadIndexPattern(whole), i);  // 1.0001 x i images stays within image i
      s->SetCopyMode(TRasterOp::ropNotSrcCopy);
      ASSERT_TRUE(s->DrawImage(inverted));
      s->SetCopyMode(TRasterOp::ropSrcCopy);
      inverted.Invert();
      EXPECT_EQ(inverted, whole);
    }
    s->Close();
  }
}
