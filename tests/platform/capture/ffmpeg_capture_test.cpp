#include "platform/capture/ffmpeg_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <thread>

#include "platform/avi/avi_reader.h"
#include "platform/ffmpeg/ffmpeg_video.h"
#include "support/temp_dir.h"

namespace kinevo::capture {
namespace {

using namespace std::chrono_literals;

std::size_t Hash(const Image& p) {
  return std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(p.Data()), p.ByteSize()));
}

// Waits up to ten seconds for `done`.
bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 1000 && !done(); ++i) std::this_thread::sleep_for(10ms);
  return done();
}

// The first `n` images of the test pattern as FFmpeg renders them, by the
// hash of their pixels: an image of a recording is identified exactly.
std::map<std::size_t, int> PatternImages(const TCameraFormat& format, double rate, int n) {
  TCameraChoice c{TestPatternDevice(), format, rate, false};
  TAvDeviceInput input(c);
  std::map<std::size_t, int> ids;
  if (!input.Open()) return ids;
  for (int k = 0; k < n; ++k) {
    const TResult<std::optional<TCameraFrame>> f = input.Read();
    if (!f || !f.value()) break;
    ids.emplace(Hash(*f.value()->picture), k);
  }
  return ids;
}

// Records the test pattern for `seconds` with `codec` into `path`.
TCaptureCounts RecordPattern(const std::string& codec, double seconds, const std::string& path) {
  TFFmpegCapture capture;
  const auto devices = capture.Devices();
  EXPECT_EQ(devices.at(0), "Mire de test");
  const TStatus connected = capture.Connect(0, "rgb24 320x240", 25);
  EXPECT_TRUE(connected) << connected.error().Text();
  EXPECT_TRUE(WaitFor([&] { return capture.Preview() != nullptr; }));
  const TStatus started = capture.StartRecording(path, codec);
  EXPECT_TRUE(started) << started.error().Text();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  capture.StopRecording();
  const TCaptureCounts counts = capture.Counts();
  capture.Disconnect();
  return counts;
}

TEST(FFmpegCapture, TestPatternRecordedThreeSecondsHoldsEveryImageOnceInOrder) {
  test::TempDir dir;
  const std::string path = dir.File("CaptureKinevo0");
  const TCaptureCounts counts = RecordPattern("sans", 3.0, path);
  EXPECT_NEAR(counts.captured, 75, 2);
  EXPECT_EQ(counts.dropped, 0);

  ff::TFfmpegVideo video;
  ASSERT_TRUE(video.Open(path)) << video.Error();
  EXPECT_EQ(video.FrameCount(), counts.captured);
  EXPECT_DOUBLE_EQ(video.FrameRate(), 25);
  avi::TAviReader avi;
  ASSERT_TRUE(avi.Open(path));
  EXPECT_EQ(avi.FrameCount(), video.FrameCount());

  const auto ids = PatternImages({"rgb24", 320, 240}, 25, 400);
  int previous = -1;
  Image picture;
  for (int i = 0; i < video.FrameCount(); ++i) {
    ASSERT_TRUE(avi.ReadFrame(i, picture));
    auto it = ids.find(Hash(picture));
    ASSERT_NE(it, ids.end()) << "image " << i << " is not an image of the pattern";
    if (previous >= 0) {
      EXPECT_EQ(it->second, previous + 1) << "image " << i;
    }
    previous = it->second;
  }
}

TEST(FFmpegCapture, EveryCodecGivesAFileWithTheImageCount) {
  const auto ids = PatternImages({"rgb24", 320, 240}, 25, 400);
  TFFmpegCapture probe;
  for (const std::string& codec : probe.Codecs()) {
    SCOPED_TRACE(codec);
    test::TempDir dir;
    const std::string path = dir.File("capture.avi");
    const TCaptureCounts counts = RecordPattern(codec, 1.0, path);
    ff::TFfmpegVideo video;
    ASSERT_TRUE(video.Open(path)) << video.Error();
    EXPECT_EQ(video.FrameCount(), counts.captured + counts.dropped);
    EXPECT_NEAR(video.FrameCount(), 25, 2);
    if (codec == "MJPEG") continue;  // not lossless
    Image picture;
    int previous = -1;
    for (int i = 0; i < video.FrameCount(); ++i) {
      ASSERT_TRUE(video.ReadFrame(i, picture));
      auto it = ids.find(Hash(picture));
      ASSERT_NE(it, ids.end()) << "image " << i << " changed by the codec";
      if (previous >= 0) {
        EXPECT_EQ(it->second, previous + 1);
      }
      previous = it->second;
    }
  }
  EXPECT_NE(std::find(probe.Codecs().begin(), probe.Codecs().end(), "FFV1"), probe.Codecs().end());
}

// A camera that gives numbered images (the number in the first pixel's red
// and green) at 25 per second of its own clock, once recording has begun,
// leaving out the periods listed in `gaps`, and then fails.
class ScriptedCamera : public ICameraInput {
 public:
  ScriptedCamera(const std::atomic<bool>& go, int images, std::vector<int> gaps)
      : go_(go), images_(images), gaps_(std::move(gaps)) {}
  TStatus Open() override { return {}; }
  TResult<std::optional<TCameraFrame>> Read() override {
    if (!previewSent_) {  // one picture for the preview, before the recording
      previewSent_ = true;
      return Make(0, 0.0);
    }
    while (!go_ && !stopped_) std::this_thread::sleep_for(1ms);
    if (stopped_) return std::optional<TCameraFrame>();
    if (sent_ >= images_)
      return TError{"Le périphérique de capture a été débranché.", "/dev/video0 : End of file"};
    while (std::find(gaps_.begin(), gaps_.end(), period_) != gaps_.end()) ++period_;
    std::optional<TCameraFrame> frame = Make(sent_ + 1, period_ / 25.0);
    ++sent_;
    ++period_;
    return frame;
  }
  void Interrupt() override { stopped_ = true; }

 private:
  static std::optional<TCameraFrame> Make(int id, double seconds) {
    TCameraFrame f;
    f.picture = std::make_shared<Image>(64, 48);
    f.picture->SetPixel(0, 0, static_cast<TColor>((id & 0xFF) | ((id >> 8) << 8)));
    f.seconds = seconds;
    return f;
  }
  const std::atomic<bool>& go_;
  int images_;
  std::vector<int> gaps_;
  bool previewSent_ = false;
  int sent_ = 0;
  int period_ = 1;
  std::atomic<bool> stopped_{false};
};

int IdOf(const Image& p) {
  const TColor c = p.Pixel(0, 0);
  return static_cast<int>((c & 0xFF) | (((c >> 8) & 0xFF) << 8));
}

struct ScriptedRun {
  std::atomic<bool> go{false};
  std::unique_ptr<TFFmpegCapture> capture;
  ScriptedRun(int images, std::vector<int> gaps) {
    TCameraDevice d{"Caméra (V4L2)", TCameraDevice::V4l2, "/dev/video9", {{"rgb24", 64, 48}}};
    capture = std::make_unique<TFFmpegCapture>(
        std::vector<TCameraDevice>{d}, [this, images, gaps](const TCameraChoice&) {
          return std::make_unique<ScriptedCamera>(go, images, gaps);
        });
  }
};

TEST(FFmpegCapture, DeviceFailingHalfWayKeepsEveryImageTakenBefore) {
  test::TempDir dir;
  const std::string path = dir.File("CaptureKinevo0");
  ScriptedRun run(40, {21, 22});
  TFFmpegCapture& c = *run.capture;
  const TStatus connected = c.Connect(0, "", 25);
  ASSERT_TRUE(connected) << connected.error().Text();
  ASSERT_TRUE(WaitFor([&] { return c.Preview() != nullptr; }));
  const TStatus started = c.StartRecording(path, "sans");
  ASSERT_TRUE(started) << started.error().Text();
  run.go = true;
  ASSERT_TRUE(WaitFor([&] { return c.DeviceLost().has_value(); }));
  EXPECT_EQ(c.DeviceLost()->Text(),
            "Le périphérique de capture a été débranché.\nDétail : /dev/video0 : End of file");
  EXPECT_TRUE(c.Recording());
  c.StopRecording();
  EXPECT_EQ(c.Counts().captured, 40);
  EXPECT_EQ(c.Counts().dropped, 2);

  // The two missed periods repeat image 20, so that image 21 keeps its time.
  avi::TAviReader avi;
  ASSERT_TRUE(avi.Open(path));
  ASSERT_EQ(avi.FrameCount(), 42);
  Image picture;
  std::vector<int> ids;
  for (int i = 0; i < avi.FrameCount(); ++i) {
    ASSERT_TRUE(avi.ReadFrame(i, picture));
    ids.push_back(IdOf(picture));
  }
  std::vector<int> expected;
  for (int k = 1; k <= 40; ++k) {
    expected.push_back(k);
    if (k == 20) expected.insert(expected.end(), {20, 20});
  }
  EXPECT_EQ(ids, expected);
}

TEST(FFmpegCapture, FullQueueDropsImagesButTheFileKeepsTime) {
  test::TempDir dir;
  const std::string path = dir.File("capture.avi");
  ScriptedRun run(600, {});
  TFFmpegCapture& c = *run.capture;
  c.SetQueueBudget(1);  // the smallest queue: the encoder falls behind at once
  const TStatus connected = c.Connect(0, "", 25);
  ASSERT_TRUE(connected) << connected.error().Text();
  ASSERT_TRUE(WaitFor([&] { return c.Preview() != nullptr; }));
  const TStatus started = c.StartRecording(path, "MJPEG");
  ASSERT_TRUE(started) << started.error().Text();
  run.go = true;
  ASSERT_TRUE(WaitFor([&] { return c.DeviceLost().has_value(); }));
  c.StopRecording();
  const TCaptureCounts n = c.Counts();
  EXPECT_EQ(n.captured + n.dropped, 600);
  avi::TAviReader avi;
  ASSERT_TRUE(avi.Open(path));
  EXPECT_EQ(avi.FrameCount(), 600);
}

TEST(FFmpegCapture, NoRecordingWithoutAConnectedDevice) {
  test::TempDir dir;
  ScriptedRun run(1, {});
  const TStatus started = run.capture->StartRecording(dir.File("x.avi"), "sans");
  ASSERT_FALSE(started);
  EXPECT_EQ(started.error().reason, "Aucun périphérique de capture sélectionné.");
  EXPECT_TRUE(dir.Names().empty());
}

TEST(FFmpegCapture, AFileThatCannotBeStartedNamesItselfAndTheCodec) {
  test::TempDir dir;
  ScriptedRun run(1, {});
  const TStatus connected = run.capture->Connect(0, "", 25);
  ASSERT_TRUE(connected) << connected.error().Text();
  // The folder of the file has gone: the writer's reason, and the file.
  const std::string path = dir.File("parti") + "/x.avi";
  const TStatus started = run.capture->StartRecording(path, "sans");
  ASSERT_FALSE(started);
  EXPECT_FALSE(started.error().reason.empty());
  EXPECT_EQ(started.error().cause, path);
  // A codec this FFmpeg does not have is named.
  const TStatus unknown = run.capture->StartRecording(dir.File("y.avi"), "Cinepak");
  ASSERT_FALSE(unknown);
  EXPECT_EQ(unknown.error().Text(),
            "Le codeur n'existe pas ou est indisponible\nDétail : codeur « Cinepak »");
  run.capture->Disconnect();
}

}  // namespace
}  // namespace kinevo::capture
