// The three recorder back-ends writing real files, read back by the FFmpeg
// decoder: every image shows the index it was given, exactly with the
// lossless codecs and within a few grey levels with the lossy ones; the
// image rate; the bridge plugin's comment; and the failures the user meets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "core/video/frame_sources.h"
#include "platform/avi/vfw_record.h"
#include "platform/ffmpeg/ffmpeg_record.h"
#include "platform/ffmpeg/ffmpeg_recorder.h"
#include "platform/ffmpeg/ffmpeg_video.h"
#include "support/temp_dir.h"
#include "support/test_videos.h"

using namespace kinevo;

namespace {

constexpr int kW = 96, kH = 64, kFrames = 8;

std::string BridgeFolder() { return std::string(KINEVO_BINARY_DIR) + "/KvoDll"; }

// Mean of |a - b| over every byte.
double MeanDifference(const Image& a, const Image& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.ByteSize(); ++i) sum += std::abs(a.Data()[i] - b.Data()[i]);
  return sum / static_cast<double>(a.ByteSize());
}

bool WriteIndexed(TRecorder& rec, const std::string& path, const std::string& codec,
                  double rate = 25.0) {
  if (!rec.Open(path, kW, kH, rate, codec)) return false;
  for (int i = 0; i < kFrames; ++i)
    if (!rec.AddFrame(test::IndexedImage(kW, kH, i))) return false;
  return rec.Close();
}

// Reads the file back; `tolerance` 0 asks for the very same pixels.
void ExpectIndexed(const std::string& path, double tolerance, const std::string& what) {
  SCOPED_TRACE(what);
  ff::TFfmpegVideo video;
  ASSERT_TRUE(video.Open(path)) << video.Error();
  ASSERT_EQ(video.FrameCount(), kFrames);
  ASSERT_EQ(video.Width(), kW);
  ASSERT_EQ(video.Height(), kH);
  Image got;
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_TRUE(video.ReadFrame(i, got));
    EXPECT_EQ(test::ReadIndexPattern(got), i);
    const Image want = test::IndexedImage(kW, kH, i);
    if (tolerance == 0)
      EXPECT_TRUE(got == want) << "image " << i;
    else
      EXPECT_LE(MeanDifference(got, want), tolerance) << "image " << i;
  }
}

TEST(Recorders, BuiltInWriterKeepsPicturesExactlyUncompressedAndCloselyInMjpeg) {
  test::TempDir dir("kinevo-rec");
  TVfwRecord rec;
  ASSERT_TRUE(WriteIndexed(rec, dir.File("raw.avi"), "sans")) << rec.Error();
  ExpectIndexed(dir.File("raw.avi"), 0, "sans");
  ASSERT_TRUE(WriteIndexed(rec, dir.File("mjpeg.avi"), "MJPEG")) << rec.Error();
  ExpectIndexed(dir.File("mjpeg.avi"), 4, "MJPEG");
}

TEST(Recorders, EveryFfmpegEncoderOfferedWritesAReadableAvi) {
  test::TempDir dir("kinevo-rec");
  const std::vector<std::string> codecs = ff::AvailableEncoders();
  // MJPEG, FFV1 and MPEG-4 are part of every FFmpeg build.
  ASSERT_GE(codecs.size(), 3u);
  EXPECT_EQ(codecs[0], "MJPEG");
  EXPECT_EQ(codecs[1], "FFV1");
  EXPECT_EQ(codecs[2], "MPEG-4");
  TDSRecord rec;
  EXPECT_EQ(rec.Codecs(), codecs);
  for (const std::string& codec : codecs) {
    const std::string path = dir.File(codec + ".avi");
    ASSERT_TRUE(WriteIndexed(rec, path, codec)) << codec << ": " << rec.Error();
    ExpectIndexed(path, codec == "FFV1" ? 0 : 6, codec);
  }
}

TEST(Recorders, ImageRateIsKeptEvenWhenNotAWholeNumberOfMilliseconds) {
  test::TempDir dir("kinevo-rec");
  TVfwRecord vfw;
  TDSRecord ds;
  for (double rate : {25.0, 29.97, 12.5}) {
    ASSERT_TRUE(WriteIndexed(vfw, dir.File("v.avi"), "sans", rate));
    ASSERT_TRUE(WriteIndexed(ds, dir.File("d.avi"), "FFV1", rate));
    for (const char* name : {"v.avi", "d.avi"}) {
      ff::TFfmpegVideo video;
      ASSERT_TRUE(video.Open(dir.File(name)));
      EXPECT_NEAR(video.FrameRate(), rate, 1e-3) << name;
    }
  }
  uint32_t r = 0, s = 0;
  TVfwRecord::RateAndScale(25.0, r, s);
  EXPECT_EQ(r, 1000u);
  EXPECT_EQ(s, 40u);
}

TEST(Recorders, BridgePluginWritesFilesTheViewOpensWithTheReadingBridge) {
  test::TempDir dir("kinevo-rec");
  TFFMpegRecord rec(BridgeFolder());
  ASSERT_TRUE(rec.LoadBridgeLibrary());
  EXPECT_EQ(rec.Codecs(), (std::vector<std::string>{"FFMpeg internal MPEG4 codec"}));
  const std::string path = dir.File("bridge.avi");
  ASSERT_TRUE(WriteIndexed(rec, path, "FFMpeg internal MPEG4 codec")) << rec.Error();
  ExpectIndexed(path, 6, "bridge");
  EXPECT_EQ(ff::TFfmpegVideo::ReadComment(path), TFrameSources::kOwnRecorderComment);
}

TEST(Recorders, FailuresAreReportedInFrench) {
  test::TempDir dir("kinevo-rec");
  TVfwRecord vfw;
  TDSRecord ds;
  const std::string nowhere = dir.File("missing/folder/out.avi");
  for (TRecorder* rec : std::vector<TRecorder*>{&vfw, &ds}) {
    EXPECT_FALSE(rec->Open(nowhere, kW, kH, 25, rec->Codecs()[0]));
    // With the system's reason of the failed call.
    EXPECT_EQ(rec->Error(),
              "Impossible d'écrire le fichier vidéo sur le disque (fichier introuvable)");
    EXPECT_FALSE(rec->Open(dir.File("x.avi"), kW, kH, 25, "Cinepak"));
    EXPECT_EQ(rec->Error(), "Le codeur n'existe pas ou est indisponible");
    // A picture of another size is refused, and the file can still be finished.
    ASSERT_TRUE(rec->Open(dir.File("y.avi"), kW, kH, 25, rec->Codecs()[0]));
    EXPECT_FALSE(rec->AddFrame(test::IndexedImage(kW + 2, kH, 0)));
    EXPECT_EQ(rec->Error(), "Une image est abîmée");
    EXPECT_TRUE(rec->AddFrame(test::IndexedImage(kW, kH, 0)));
    EXPECT_TRUE(rec->Close());
  }
  TFFMpegRecord missing(dir.File("NoKvoDll"));
  EXPECT_FALSE(missing.Open(dir.File("z.avi"), kW, kH, 25, "FFMpeg internal MPEG4 codec"));
  EXPECT_NE(missing.Error().find("KvoRff"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.File("z.avi")));
}

}  // namespace
