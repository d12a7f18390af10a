// Files that mislead a reader: MPEG program streams that give a time to only
// some pictures (ffmpeg's default settings), with and without a damaged
// time; MP4 files whose durations are 0 or negative; AVI files followed by
// gigabytes of zeros, as cameras pre-allocate them.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/avi/vfw_play.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"
#include "support/damaged_files.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/test_videos.h"
#include "support/test_videos_avi.h"

using namespace kinevo;

namespace {

constexpr int kW = 160, kH = 120;

std::string BridgeFolder() { return std::string(KINEVO_BINARY_DIR) + "/KvoDll"; }

// Packets of the video stream that carry no presentation time, as ffprobe
// reads them.
int PacketsWithoutTime(const std::string& path) {
  const auto run =
      test::RunProgram("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                   "packet=pts", "-of", "csv=p=0", path});
  std::istringstream in(run.out);
  int missing = 0;
  for (std::string line; std::getline(in, line);) missing += line == "N/A";
  return missing;
}

struct Sources {
  TDSPlay ds;
  TFFMpegPlay bridge{BridgeFolder()};
  std::vector<TFrameSource*> All() { return {&ds, &bridge}; }
};

}  // namespace

// ffmpeg at its default settings writes a low-bitrate MPEG-1 or MPEG-2
// program stream without B-pictures, where the small pictures that do not
// begin a packet of the stream get no time.  Such a file is read at its
// exact 25 images/s, not as a variable rate, every image at n / 25 s and
// showing its own picture; one damaged time changes nothing of that.
TEST(LyingInputs, ConstantRateMpegReadsItsExactRate) {
  test::TempDir dir("kinevo-mpeg-rate");
  constexpr int kFrames = 100;
  Sources src;
  ASSERT_TRUE(src.bridge.LoadBridgeLibrary()) << BridgeFolder();
  for (const std::string codec : {"mpeg2video", "mpeg1video"}) {
    const std::string clean = dir.File(codec + ".mpg");
    ASSERT_TRUE(test::WriteVideoWithFfmpeg(clean, kW, kH, kFrames, 25, {"-c:v", codec}));
    ASSERT_GT(PacketsWithoutTime(clean), 5) << "the file no longer tests missing times";
    std::vector<char> bytes = test::ReadBytes(clean);
    ASSERT_EQ(test::FlipMpegPresentationTimes(bytes, 1), 1);
    const std::string damaged = dir.File(codec + "-damaged.mpg");
    test::WriteBytes(damaged, bytes);

    for (const std::string& path : {clean, damaged}) {
      for (TFrameSource* s : src.All()) {
        SCOPED_TRACE(path + ", back-end " + std::to_string(s->Framework()));
        s->Open(path);
        ASSERT_TRUE(s->Opened()) << s->Error();
        EXPECT_EQ(s->ImagesNumber(), kFrames);
        EXPECT_DOUBLE_EQ(s->ImageRate(), 25.0);
        EXPECT_FALSE(s->VariableRate());
        EXPECT_NEAR(s->StreamDuration(), kFrames / 25.0, 1e-9);
        ASSERT_EQ(s->ImageTimes().size(), static_cast<std::size_t>(kFrames));
        int shown = 0;
        Image img(kW, kH);
        for (int i = 0; i < kFrames; ++i) {
          EXPECT_NEAR(s->ImageTimes()[i], i / 25.0, 1e-9) << "image " << i;
          s->GoToImage(i);
          shown += s->DrawImage(img) && test::ReadIndexPattern(img) == i;
        }
        EXPECT_EQ(shown, kFrames);
      }
    }
  }
}

// MP4 files whose durations are all 0, or all -1 tick (time going back),
// with and without B-pictures: every image the file holds is counted, in
// its order, at even times over the file's length, and the file is said to
// have incoherent durations.  The untouched file is not.
TEST(LyingInputs, Mp4WithZeroOrNegativeDurationsKeepsEveryImage) {
  test::TempDir dir("kinevo-mp4-durations");
  constexpr int kFrames = 50;
  Sources src;
  ASSERT_TRUE(src.bridge.LoadBridgeLibrary()) << BridgeFolder();
  const std::vector<std::vector<std::string>> encodings = {
      {"-c:v", "mpeg4"}, {"-c:v", "libx264", "-preset", "veryfast", "-bf", "2", "-g", "12"}};
  for (std::size_t e = 0; e < encodings.size(); ++e) {
    const std::string original = dir.File("v" + std::to_string(e) + ".mp4");
    ASSERT_TRUE(test::WriteVideoWithFfmpeg(original, kW, kH, kFrames, 25, encodings[e]));
    for (const int32_t duration : {512, 0, -1}) {
      std::vector<char> bytes = test::ReadBytes(original);
      const bool edited = duration != 512;
      if (edited) {
        ASSERT_TRUE(test::SetSampleDurations(bytes, duration));
      }
      const std::string path = dir.File("d" + std::to_string(duration) + ".mp4");
      test::WriteBytes(path, bytes);
      for (TFrameSource* s : src.All()) {
        SCOPED_TRACE(original + " " + std::to_string(duration) + ", back-end " +
                     std::to_string(s->Framework()));
        s->Open(path);
        ASSERT_TRUE(s->Opened()) << s->Error();
        EXPECT_EQ(s->IncoherentDurations(), edited);
        ASSERT_EQ(s->ImagesNumber(), kFrames);
        EXPECT_NEAR(s->ImageRate(), 25.0, 1e-9);
        ASSERT_EQ(s->ImageTimes().size(), static_cast<std::size_t>(kFrames));
        Image img(kW, kH);
        for (int i = 0; i < kFrames; ++i) {
          EXPECT_NEAR(s->ImageTimes()[i], i / 25.0, 1e-9) << "image " << i;
          s->GoToImage(i);
          ASSERT_TRUE(s->DrawImage(img)) << "image " << i;
          EXPECT_EQ(test::ReadIndexPattern(img), i);
        }
      }
    }
  }
}

namespace {

// Bytes this process has read so far (from any file).
uint64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

void SetLe32(std::vector<char>& bytes, std::size_t at, uint32_t value) {
  for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>(value >> (8 * k));
}

}  // namespace

// An AVI file followed by 4 GiB of zeros (a sparse file), whose RIFF size
// covers them, with its index and without it (the data list then covers the
// zeros): every back-end counts the images and reads only a bounded part of
// the zeros while opening.
TEST(LyingInputs, AviWithAPreallocatedZeroTailOpensInBoundedReads) {
  test::TempDir dir("kinevo-avi-zeros");
  constexpr int kFrames = 30;
  const std::string original = dir.File("v.avi");
  ASSERT_TRUE(test::WriteIndexedAvi(original, kW, kH, kFrames));
  const std::vector<char> bytes = test::ReadBytes(original);
  const std::string text(bytes.begin(), bytes.end());
  const uint64_t tail = uint64_t{4} << 30;
  const uint64_t total = bytes.size() + tail;

  std::vector<char> indexed = bytes;
  SetLe32(indexed, 4, 0xFFFFFFFFu);  // the RIFF goes on past the data
  const std::size_t idx1 = text.rfind("idx1"), movi = text.find("movi");
  ASSERT_NE(idx1, std::string::npos);
  ASSERT_NE(movi, std::string::npos);
  std::vector<char> unindexed(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(idx1));
  SetLe32(unindexed, 4, 0xFFFFFFFFu);
  SetLe32(unindexed, movi - 4,
          static_cast<uint32_t>(std::min<uint64_t>(total - movi, 0xFFFFFFFFu)));

  TVfwPlay vfw;
  Sources src;
  ASSERT_TRUE(src.bridge.LoadBridgeLibrary()) << BridgeFolder();
  for (const auto& [name, head] :
       {std::pair{"indexed.avi", indexed}, {"unindexed.avi", unindexed}}) {
    const std::string path = dir.File(name);
    test::WriteBytes(path, head);
    std::filesystem::resize_file(path, head.size() + tail);  // sparse: the zeros take no room
    for (TFrameSource* s : {static_cast<TFrameSource*>(&vfw), static_cast<TFrameSource*>(&src.ds),
                            static_cast<TFrameSource*>(&src.bridge)}) {
      SCOPED_TRACE(std::string(name) + ", back-end " + std::to_string(s->Framework()));
      const uint64_t before = BytesRead();
      s->Open(path);
      const uint64_t read = BytesRead() - before;
      ASSERT_TRUE(s->Opened()) << s->Error();
      EXPECT_EQ(s->ImagesNumber(), kFrames);
      // The built-in reader looks a little way into the zeros; the FFmpeg
      // demuxers are stopped after a few hundred megabytes.
      EXPECT_LT(read, s == &vfw ? uint64_t{1} << 20 : uint64_t{512} << 20);
      Image img(kW, kH);
      s->GoToImage(kFrames - 1);
      ASSERT_TRUE(s->DrawImage(img));
      EXPECT_EQ(test::ReadIndexPattern(img), kFrames - 1);
      s->Close();
    }
  }
}
