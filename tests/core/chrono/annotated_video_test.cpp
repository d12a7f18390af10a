// The annotated video's overlays and writing: each image shows the marks of
// its trail and the vector of each system's latest mark only; a cancelled
// or failed run leaves no file, a finished one holds every image F times.
#include "core/chrono/annotated_video.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace kinevo {
namespace {

// A recorder that writes each picture's bytes to the file it is given (a
// real file, so the test sees what a cancel leaves on the disk), and fails
// at the frame asked.
class RawRecorder : public TRecorder {
 public:
  int failAt = -1;
  int frames = 0;
  TVideoFramework Framework() const override { return fwVfw; }
  std::vector<std::string> Codecs() override { return {"raw"}; }
  bool Open(const std::string& path, int, int, double, const std::string&) override {
    out_.open(path, std::ios::binary | std::ios::trunc);
    return out_.is_open();
  }
  bool AddFrame(const Image& picture) override {
    if (frames == failAt) return false;
    ++frames;
    out_.write(reinterpret_cast<const char*>(picture.Data()),
               static_cast<std::streamsize>(picture.ByteSize()));
    return out_.good();
  }
  bool Close() override {
    out_.close();
    return true;
  }
  void Abort() override { out_.close(); }
  std::string Error() const override { return "le disque a refusé l'image"; }

 private:
  std::ofstream out_;
};

TChronophotograph TwoSystemsPlan() {
  TChronophotograph all;
  all.width = 8;
  all.height = 6;
  for (int32_t image : {2, 4, 6, 8}) {
    all.images.push_back(image);
    for (int s : {0, 1}) {
      TChronoMark m;
      m.image = image;
      m.system = s;
      m.hasVector = !(s == 1 && image == 6);
      all.marks.push_back(m);
    }
  }
  return all;
}

TEST(AnnotatedVideo, AnImageShowsItsTrailAndTheVectorsOfItsLatestMarks) {
  const TChronophotograph all = TwoSystemsPlan();
  EXPECT_TRUE(OverlayOfImage(all, 1, 0).marks.empty());
  const TChronophotograph at7 = OverlayOfImage(all, 7, 2);
  ASSERT_EQ(at7.marks.size(), 4u);  // images 4 and 6, both systems
  for (const TChronoMark& m : at7.marks) {
    EXPECT_TRUE(m.image == 4 || m.image == 6);
    // The latest marks only; system 1 has none on image 6.
    EXPECT_EQ(m.hasVector, m.image == 6 && m.system == 0) << m.image << " " << m.system;
  }
  EXPECT_EQ(OverlayOfImage(all, 20, 0).marks.size(), 8u);
}

struct Writing : ::testing::Test {
  test::TempDir dir{"kinevo_annotated"};
  RawRecorder recorder;
  TAnnotatedVideo video{10, 25.0, 3, 0, "raw"};
  int painted = 0;
  TStatus Write(const std::string& path, const TVideoProgress& progress = {}) {
    return WriteAnnotatedVideo(
        path, video, TwoSystemsPlan(), recorder,
        [](int32_t i, Image& p) {
          p = Image(8, 6, RGBColor(i, 0, 0));
          return true;
        },
        [this](Image&, const TChronophotograph&) { ++painted; }, progress);
  }
};

TEST_F(Writing, EveryImageIsWrittenFTimesAndACancelOrAFailureLeavesNoFile) {
  const std::string path = dir.File("a.raw");
  ASSERT_TRUE(Write(path).ok());
  EXPECT_EQ(painted, 10);
  EXPECT_EQ(recorder.frames, 30);
  EXPECT_EQ(std::filesystem::file_size(path), 30u * 8 * 6 * 3);

  const std::string cancelled = dir.File("b.raw");
  const TStatus stopped = Write(cancelled, [](int32_t done, int32_t) { return done < 4; });
  ASSERT_FALSE(stopped.ok());
  EXPECT_EQ(stopped.error().reason, "Enregistrement de la vidéo annotée annulé.");
  EXPECT_FALSE(std::filesystem::exists(cancelled));

  // A failure keeps the earlier file as it was.
  recorder.frames = 0;
  recorder.failAt = 5;
  const TStatus failed = Write(path);
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.error().cause, "le disque a refusé l'image");
  EXPECT_EQ(std::filesystem::file_size(path), 30u * 8 * 6 * 3);
  // Nothing else is left in the folder: no temporary file.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

}  // namespace
}  // namespace kinevo
