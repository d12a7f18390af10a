// A phone's variable-rate video through the session: the times of the marks
// are the file's own, in the results too; a typed T scales them; the
// document keeps the choice, and a document without it counts images.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "core/app/session.h"
#include "support/real_frame_sources.h"
#include "support/run_program.h"
#include "support/scripted_dialog.h"
#include "support/scripted_files.h"
#include "support/session_fixture.h"
#include "support/test_videos.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

struct Fixture : test::SessionFixture {
  Fixture() : SessionFixture(320, 192) {}
};

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

std::string ReadText(const std::string& path) {
  std::ifstream f(path);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

TEST(PhoneVideo, MarkTimesComeFromTheFileAndSurviveReopening) {
  const std::string dir = test::MakeTempDir("kinevo-phone-session");
  const std::string video = dir + "/telephone.mp4";
  std::mt19937 gen(5);
  std::vector<double> times{0.0};
  while (times.size() < 30) times.push_back(times.back() + (20 + gen() % 50) / 1000.0);
  ASSERT_TRUE(test::WriteVideoWithFfmpeg(video, 160, 96, 30, 1000,
                                         {"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt",
                                          "yuv420p", "-video_track_timescale", "90000"},
                                         times));
  const std::vector<double> probed = FfprobeTimes(video);
  ASSERT_EQ(probed.size(), 30u);
  const double mean = probed.back() / 29;
  const std::string doc = dir + "/travail.kvo";
  constexpr int kMarked = 12;
  TSeries before;
  std::vector<double> speeds;
  {
    Fixture f;
    TSession& s = f.session;
    ASSERT_TRUE(s.Workflow().OpenVideo(video));
    ASSERT_TRUE(s.Video.FileTimes());
    EXPECT_NEAR(s.Data.RequiredDuration(), mean, 1e-9);
    s.Data.SetTool(otEchelle);
    f.Click(10, 180);
    f.Click(310, 180);
    s.Data.SetScaleLength(1.0);
    s.Data.SetTool(otOrigine);
    f.Click(10, 180);
    s.Data.SetTool(otMarque);
    // Images 2 to 13, one click each (the view goes on to the next image).
    s.Video.GoToImage(2);
    for (int k = 0; k < kMarked; ++k) f.Click(20 + 20 * k, 100);
    before = s.Data.GetSeries();
    ASSERT_EQ(before.times.size(), static_cast<std::size_t>(kMarked));
    EXPECT_TRUE(before.fileTimes);
    for (int k = 0; k < kMarked; ++k)
      EXPECT_NEAR(before.times[k], probed[2 + k] - probed[2], 1e-9) << k;
    // The results follow those times: a constant step of 20 pixels per
    // image over irregular intervals is an irregular speed.
    ASSERT_TRUE(s.UpdateResults(true));
    const TCalcul& c = s.Results().Active();
    for (int k = 0; k < kMarked; ++k) EXPECT_NEAR(c.RowTime(k), before.times[k], 1e-12);
    const double metresPerStep = 20.0 / 300.0;
    for (int k = 1; k + 1 < kMarked; ++k) {
      const double expected = 2 * metresPerStep / (before.times[k + 1] - before.times[k - 1]);
      speeds.push_back(c.Value(cfAxes, 0, qtVx, k));
      EXPECT_NEAR(speeds.back(), expected, 1e-6 * expected) << k;
    }
    // A hidden image closes one period of time after it.
    s.Video.SetMode(vmMontage);
    s.Video.GoToImage(5);
    const double shown = s.Montage.ImageTime(2);
    EXPECT_NEAR(shown, probed[5], 1e-9);
    f.files.save.push_back(doc);
    ASSERT_TRUE(s.Workflow().Save());
    s.Video.SetMode(vmRepereFixe);
  }
  EXPECT_NE(ReadText(doc).find("FileTimes=1"), std::string::npos);
  {
    Fixture g;
    TSession& s = g.session;
    ASSERT_TRUE(s.Workflow().OpenDocument(doc)) << g.script.LastText();
    EXPECT_TRUE(s.Video.FileTimes());
    const TSeries after = s.Data.GetSeries();
    EXPECT_EQ(after.times, before.times);
    ASSERT_TRUE(s.UpdateResults(true));
    for (int k = 1; k + 1 < kMarked; ++k)
      EXPECT_DOUBLE_EQ(s.Results().Active().Value(cfAxes, 0, qtVx, k), speeds[k - 1]);
    // A slow-motion film: T typed ten times longer scales every time.
    s.Data.SetRequiredDuration(10 * mean);
    const TSeries slow = s.Data.GetSeries();
    for (int k = 0; k < kMarked; ++k) EXPECT_NEAR(slow.times[k], 10 * before.times[k], 1e-9);
  }
  // A document written before times were read from files counts images.
  std::string text = ReadText(doc);
  text.erase(text.find("FileTimes=1"), std::string("FileTimes=1\n").size());
  std::ofstream(doc, std::ios::trunc) << text;
  Fixture h;
  TSession& s = h.session;
  ASSERT_TRUE(s.Workflow().OpenDocument(doc)) << h.script.LastText();
  EXPECT_FALSE(s.Video.FileTimes());
  const TSeries counted = s.Data.GetSeries();
  EXPECT_FALSE(counted.fileTimes);
  for (int k = 0; k < kMarked; ++k) EXPECT_NEAR(counted.times[k], k * mean, 1e-9);
  fs::remove_all(dir);
}
