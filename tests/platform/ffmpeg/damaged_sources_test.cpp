// The three frame sources on damaged and hostile files: truncated AVI files
// (every counted image can be shown, and every back-end counts the same),
// a damaged timestamp, FIFOs and other non-regular files refused without
// being opened, and a file without read permission.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "core/video/frame_sources.h"
#include "platform/avi/vfw_play.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"
#include "platform/ffmpeg/ffmpeg_video.h"
#include "support/damaged_files.h"
#include "support/fifo_watch.h"
#include "support/temp_dir.h"
#include "support/test_videos.h"
#include "support/test_videos_avi.h"

using namespace kinevo;
using kinevo::test::ReadIndexPattern;

namespace {

constexpr int kW = 64, kH = 48;

std::string BridgeFolder() { return std::string(KINEVO_BINARY_DIR) + "/KvoDll"; }

using kinevo::test::ReadBytes;

using kinevo::test::WriteBytes;

struct Sources {
  TVfwPlay vfw;
  TDSPlay ds;
  TFFMpegPlay bridge{BridgeFolder()};
  std::vector<TFrameSource*> All() { return {&vfw, &ds, &bridge}; }
};

// The images of an opened source that show their own index.
int ImagesShowingTheirIndex(TFrameSource& s) {
  Image img(s.ImageWidth(), s.ImageHeight());
  int good = 0;
  for (int i = 0; i < s.ImagesNumber(); ++i) {
    s.GoToImage(i);
    if (s.DrawImage(img) && ReadIndexPattern(img) == i) ++good;
  }
  return good;
}

}  // namespace

// A file cut short, or whose index chunk says it is empty: each back-end
// counts the images that can be shown, no more, and they all agree.
TEST(DamagedSources, TruncatedAviFilesCountTheImagesThatDecode) {
  kinevo::test::TempDir dir("kinevo-cut");
  const int frames = 30;
  const std::string ffRaw = dir.File("ffraw.avi"), ownRaw = dir.File("own.avi"),
                    mjpeg = dir.File("mjpeg.avi");
  ASSERT_TRUE(kinevo::test::WriteVideoWithFfmpeg(ffRaw, kW, kH, frames, 25,
                                                 {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}));
  ASSERT_TRUE(kinevo::test::WriteIndexedAvi(ownRaw, kW, kH, frames));
  avi::TAviWriterOptions mj;
  mj.codec = avi::TAviCodec::MJPEG;
  ASSERT_TRUE(kinevo::test::WriteIndexedAvi(mjpeg, kW, kH, frames, mj));

  Sources src;
  ASSERT_TRUE(src.bridge.LoadBridgeLibrary()) << BridgeFolder();
  for (const std::string& original : {ffRaw, ownRaw, mjpeg}) {
    const std::vector<char> bytes = ReadBytes(original);
    struct Cut {
      std::string name;
      std::vector<char> bytes;
    };
    std::vector<Cut> cuts;
    for (int percent : {99, 90, 60}) {
      const std::size_t n = bytes.size() * percent / 100;
      cuts.push_back(
          {std::to_string(percent) + "%", std::vector<char>(bytes.begin(), bytes.begin() + n)});
    }
    // The index chunk claims to be empty: its entries are then read as data.
    std::vector<char> emptyIndex = bytes;
    const std::size_t idx1 = std::string(bytes.begin(), bytes.end()).rfind("idx1");
    ASSERT_NE(idx1, std::string::npos);
    std::fill(emptyIndex.begin() + static_cast<std::ptrdiff_t>(idx1) + 4,
              emptyIndex.begin() + static_cast<std::ptrdiff_t>(idx1) + 8, 0);
    cuts.push_back({"empty index", emptyIndex});

    for (const Cut& cut : cuts) {
      SCOPED_TRACE(original + " " + cut.name);
      const std::string path = dir.File("cut.avi");
      WriteBytes(path, cut.bytes);
      std::vector<int> counts;
      for (TFrameSource* s : src.All()) {
        SCOPED_TRACE("back-end " + std::to_string(s->Framework()));
        s->Open(path);
        ASSERT_TRUE(s->Opened()) << s->Error();
        EXPECT_EQ(ImagesShowingTheirIndex(*s), s->ImagesNumber());
        counts.push_back(s->ImagesNumber());
      }
      EXPECT_EQ(counts[1], counts[0]);
      EXPECT_EQ(counts[2], counts[0]);
      EXPECT_LE(counts[0], frames);
      if (cut.name == "empty index") {
        EXPECT_EQ(counts[0], frames);
      }
    }
  }
}

// One flipped bit in a presentation time of an MPEG-2 file (bit 32 of the
// 90 kHz clock: 13 hours) neither stretches the count nor misplaces the
// images after it.
TEST(DamagedSources, DamagedTimestampKeepsTheCountAndTheOrder) {
  kinevo::test::TempDir dir("kinevo-pts");
  const std::string path = dir.File("v.mpg");
  const int frames = 100;
  ASSERT_TRUE(kinevo::test::WriteVideoWithFfmpeg(
      path, 160, 120, frames, 25,
      {"-c:v", "mpeg2video", "-q:v", "2", "-g", "12", "-bf", "2", "-f", "vob"}));
  std::vector<char> bytes = ReadBytes(path);
  ASSERT_GT(kinevo::test::FlipMpegPresentationTimes(bytes, 2), 0);
  WriteBytes(path, bytes);

  Sources src;
  for (TFrameSource* s :
       {static_cast<TFrameSource*>(&src.ds), static_cast<TFrameSource*>(&src.bridge)}) {
    SCOPED_TRACE("back-end " + std::to_string(s->Framework()));
    s->Open(path);
    ASSERT_TRUE(s->Opened()) << s->Error();
    EXPECT_EQ(s->ImagesNumber(), frames);
    EXPECT_NEAR(s->StreamDuration(), frames / 25.0, 0.1);
    // Lossy pictures: most must still read as their own index.
    EXPECT_GE(ImagesShowingTheirIndex(*s), frames * 9 / 10);
  }
}

// A FIFO with no writer, a folder and a device: every back-end and the
// choice of back-end refuse them at once and never open the FIFO.
TEST(DamagedSources, NonRegularFilesAreRefusedWithoutBeingOpened) {
  kinevo::test::TempDir dir("kinevo-fifo");
  Sources src;
  TFrameSources chain(src.vfw, src.ds, src.bridge);
  for (const char* name : {"tube.avi", "tube.mpg", "tube.mov", "tube"}) {
    kinevo::test::FifoWatch fifo(dir.File(name));
    ASSERT_TRUE(fifo.Made());
    for (TFrameSource* s : src.All()) {
      s->Open(fifo.Path());
      EXPECT_FALSE(s->Opened());
      EXPECT_EQ(s->Failure(), TOpenFailure::Unreadable);
      EXPECT_EQ(s->Error(), "ce n'est pas un fichier ordinaire (tube, périphérique ou socket)");
    }
    EXPECT_FALSE(chain.Open(fifo.Path()).Opened());
    EXPECT_EQ(chain.Failure(), TOpenFailure::Unreadable);
    EXPECT_TRUE(src.bridge.FileComment(fifo.Path()).empty());
    EXPECT_TRUE(ff::TFfmpegVideo::ReadComment(fifo.Path()).empty());
    ff::TFfmpegVideo video;
    EXPECT_FALSE(video.Open(fifo.Path()));
    EXPECT_EQ(fifo.ReadersSeen(), 0) << name;
  }
  for (const std::string& path : {dir.Path(), std::string("/dev/zero")}) {
    EXPECT_FALSE(chain.Open(path).Opened());
    EXPECT_EQ(chain.Failure(), TOpenFailure::Unreadable) << path;
  }
}

// A file without read permission says so, whatever the back-end.  Run in a
// child process that gives up the administrator's rights, which read any
// file.
TEST(DamagedSources, UnreadableFileSaysAccessDenied) {
  kinevo::test::TempDir dir("kinevo-perm");
  const std::string path = dir.File("locked.avi");
  ASSERT_TRUE(kinevo::test::WriteIndexedAvi(path, kW, kH, 3));
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);

  Sources src;  // the bridge is loaded before the rights are given up
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    int wrong = 0;
    for (TFrameSource* s : src.All()) {
      s->Open(path);
      if (s->Opened() || s->Error() != "Accès refusé" || s->Failure() != TOpenFailure::Unreadable)
        ++wrong;
    }
    ::_exit(wrong == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a back-end did not report the missing permission";
}
