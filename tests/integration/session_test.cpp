// A whole analysis through the session with the real frame sources: open a
// video, set the scale, the origin and three systems, mark six images with
// clicks on the view, undo, save, reopen the document.
#include "core/app/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>

#include "core/document/marking_document.h"
#include "support/real_frame_sources.h"
#include "support/recording_view_host.h"
#include "support/scripted_dialog.h"
#include "support/scripted_files.h"
#include "support/session_fixture.h"
#include "support/test_videos.h"
#include "support/test_videos_avi.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

struct Fixture : test::SessionFixture {
  Fixture() : SessionFixture(320, 240) {}
};

}  // namespace

TEST(Session, WholeAnalysisIsSavedAndReopenedIdentically) {
  const std::string dir = test::MakeTempDir("kinevo_session");
  const std::string video = dir + "/lancer.avi";
  ASSERT_TRUE(test::WriteIndexedAvi(video, 160, 120, 30));
  std::string doc = dir + "/travail.kvo";
  TSeries before;
  std::pair<double, double> factors;
  double angle = 0;
  {
    Fixture f;
    TSession& s = f.session;
    ASSERT_TRUE(s.Workflow().OpenVideo(video));
    EXPECT_EQ(s.Video.ImagesNumber(), 30);
    EXPECT_NEAR(s.Data.RequiredDuration(), 0.04, 1e-12);
    // Scale: two clicks, then the length.
    s.Data.SetTool(otEchelle);
    f.Click(20, 200);
    f.Click(300, 200);
    s.Data.SetScaleLength(1.0);
    ASSERT_TRUE(s.Data.IsScaleComplete());
    // Origin and a rotated x axis.
    s.Data.SetTool(otOrigine);
    f.Click(40, 180);
    s.Data.SetXAxisAngle(0.25);
    // Three systems, six images: the view advances after the last system.
    s.Data.SetMarksNumberPerFrame(3);
    s.Data.SetTool(otMarque);
    for (int image = 0; image < 6; ++image) {
      EXPECT_EQ(s.Video.CurrentImage(), image);
      for (int sys = 0; sys < 3; ++sys) f.Click(50 + 20 * image, 60 + 30 * sys + image);
    }
    EXPECT_EQ(s.Data.GridMarks().MarksCount(), 18);
    s.Data.Undo();
    s.Data.Undo();
    EXPECT_EQ(s.Data.GridMarks().MarksCount(), 16);
    before = s.Data.GetSeries();
    factors = s.Data.GetScaleFactors();
    angle = s.Data.XAxisAngle();
    f.files.save.push_back(doc);
    ASSERT_TRUE(s.Workflow().Save());
    ASSERT_TRUE(s.Workflow().CloseVideo());
    EXPECT_FALSE(s.Video.IsOpen());
    EXPECT_EQ(s.Data.GridMarks().MarksCount(), 0);
  }
  Fixture g;
  TSession& s = g.session;
  ASSERT_TRUE(s.Workflow().OpenDocument(doc)) << g.script.LastText();
  EXPECT_EQ(s.Video.FileName(), video);
  EXPECT_EQ(s.Data.GridMarks().MarksCount(), 16);
  EXPECT_EQ(s.Data.GridMarks().MarksNumberPerFrame(), 3);
  TSeries after = s.Data.GetSeries();
  EXPECT_EQ(after.times, before.times);
  EXPECT_EQ(after.images, before.images);
  EXPECT_EQ(after.xs, before.xs);
  EXPECT_EQ(after.ys, before.ys);
  EXPECT_EQ(s.Data.GetScaleFactors(), factors);
  EXPECT_DOUBLE_EQ(s.Data.XAxisAngle(), angle);
  // The results of the reopened analysis compute.
  EXPECT_TRUE(s.Results().Update(true)) << s.Results().LastCode();
  fs::remove_all(dir);
}

TEST(Session, DocumentWhoseVideoCannotBeReadLeavesNoVideoOpen) {
  const std::string dir = test::MakeTempDir("kinevo_session_bad");
  const std::string video = dir + "/v.avi";
  ASSERT_TRUE(test::WriteIndexedAvi(video, 64, 48, 10));
  const std::string doc = dir + "/bad.kvo";
  {
    TIniFile ini(doc);
    ini.WriteString("Main", "VideoFileName", video);
    ini.WriteString("Data", "MarksContainersNumber_Grid", "3");  // no RequiredDuration
    ASSERT_TRUE(ini.UpdateFile());
  }
  Fixture f;
  EXPECT_FALSE(f.session.Workflow().OpenDocument(doc));
  EXPECT_FALSE(f.session.Video.IsOpen());
  // The window and the command line give the same reason and cause.
  // Without a version it is no document of the program (nor an old one).
  const TError expected{"Erreur de lecture dans le fichier.",
                        "« " + doc +
                            " » n'est pas un document Kinevo (ni version, ni présentation "
                            "ancienne reconnue)"};
  EXPECT_EQ(f.script.LastText(), expected.Text());
  const TStatus quiet = f.session.LoadDocumentQuietly(doc, "");
  ASSERT_FALSE(quiet);
  EXPECT_EQ(quiet.error(), expected);
  EXPECT_FALSE(f.session.Video.IsOpen());
  fs::remove_all(dir);
}

TEST(Session, OpeningALongVideoReportsProgressAndCanBeCancelled) {
  const std::string dir = test::MakeTempDir("kinevo_session_cancel");
  const std::string video = dir + "/long.mpg";
  std::string log;
  ASSERT_TRUE(test::WriteVideoWithFfmpeg(video, 64, 48, 120, 25, {"-c:v", "mpeg2video"}, {}, &log))
      << log;
  Fixture f;
  std::vector<double> seen;
  f.session.OpenProgress = [&](double fraction) {
    seen.push_back(fraction);
    return true;
  };
  int finished = 0;
  TConnection heard = f.session.OpenFinished.Connect([&] { ++finished; });
  ASSERT_TRUE(f.session.Workflow().OpenVideo(video));
  EXPECT_FALSE(seen.empty());
  EXPECT_EQ(finished, 1);
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i], seen[i - 1]);
  // Cancelled at the first report: nothing opens, nothing is reported as a failure.
  ASSERT_TRUE(f.session.Workflow().CloseVideo());
  f.session.OpenProgress = [](double) { return false; };
  const std::size_t shown = f.script.Count();
  EXPECT_FALSE(f.session.Workflow().OpenVideo(video));
  EXPECT_FALSE(f.session.Video.IsOpen());
  EXPECT_TRUE(f.session.OpenCancelled());
  EXPECT_EQ(f.script.Count(), shown);
  EXPECT_EQ(finished, 2);
  // The next opening is not cancelled by the previous answer.
  f.session.OpenProgress = nullptr;
  EXPECT_TRUE(f.session.Workflow().OpenVideo(video));
  fs::remove_all(dir);
}

TEST(Session, AWindowListeningToTheModelsLeavesTheSessionItsOwnListeners) {
  Fixture f;
  TSession& s = f.session;
  // A window hears the settings change, and the session still applies them.
  int windowHeard = 0;
  TConnection window = s.Options.OnChange.Connect([&](void*) { ++windowHeard; });
  s.Options.CheckBox54SmoothSpeed = false;
  s.Options.CheckBox7SmoothAcceleration = true;
  s.Options.NotifyChanged();
  EXPECT_EQ(windowHeard, 1);
  EXPECT_EQ(s.Results().SmoothingFlags(), TCalcul::kSmoothAcceleration);
  s.Options.CheckBox54SmoothSpeed = true;
  s.Options.NotifyChanged();
  EXPECT_EQ(windowHeard, 2);
  EXPECT_EQ(s.Results().SmoothingFlags(), TCalcul::kSmoothSpeed | TCalcul::kSmoothAcceleration);

  // A results window learns that its tables are stale.
  std::vector<TResultsTarget> stale;
  TConnection results =
      s.Results().OnInvalidated.Connect([&](TResultsTarget t) { stale.push_back(t); });
  s.Data.SetRequiredDuration(0.5);
  ASSERT_FALSE(stale.empty());
  EXPECT_EQ(stale.back(), rtBoth);

  // A drawing setting repaints the view without the window asking.
  test::RecordingViewHost host;
  s.Video.SetHost(&host);
  s.Data.SetMarksIsAllDrawn(false);
  EXPECT_EQ(host.repaints, 1);
  s.Data.EnsureMarkColors(2);
  s.Data.SetMarkColor(1, 0x00FF00);
  EXPECT_EQ(host.repaints, 2);
  s.Video.SetHost(nullptr);
}

// The results computation listens to the marking and the montage beside any
// window: a window's listener neither replaces it nor goes with it.
TEST(Session, ResultsAndWindowsBothHearStaleMarkingAndMontage) {
  const std::string dir = test::MakeTempDir("kinevo_session_listeners");
  const std::string video = dir + "/v.avi";
  ASSERT_TRUE(test::WriteIndexedAvi(video, 160, 120, 10));
  Fixture f;
  TSession& s = f.session;
  ASSERT_TRUE(s.Workflow().OpenVideo(video));
  std::vector<TResultsTarget> results, marking;
  int montage = 0;
  TConnection r =
      s.Results().OnInvalidated.Connect([&](TResultsTarget t) { results.push_back(t); });
  TConnection w1 =
      s.Data.OnResultsInvalidated.Connect([&](TResultsTarget t) { marking.push_back(t); });
  TConnection w2 = s.Montage.OnResultsInvalidated.Connect([&] { ++montage; });

  s.Data.SetRequiredDuration(0.5);
  ASSERT_FALSE(marking.empty());
  EXPECT_EQ(results, marking);

  s.Video.SetMode(vmMontage);
  results.clear();
  ASSERT_TRUE(s.Montage.SetVisible(3, false));
  EXPECT_EQ(montage, 1);
  EXPECT_EQ(std::count(results.begin(), results.end(), rtBoth), 1);

  // The window goes; the results still follow the montage.
  w2.Disconnect();
  results.clear();
  ASSERT_TRUE(s.Montage.SetVisible(3, true));
  EXPECT_EQ(montage, 1);
  EXPECT_EQ(std::count(results.begin(), results.end(), rtBoth), 1);
}

// The drawing size of the settings reaches the marking at start-up and
// whenever the settings change.
TEST(Session, DrawingSizeOfTheSettingsIsApplied) {
  const std::string dir = test::MakeTempDir("kinevo_pen");
  const std::string ini = dir + "/Kinevo.ini";
  std::ofstream(ini) << "[Options]\nPenSize_Value=2\n";
  {
    test::ScriptedDialog script;
    TSession s{test::RealFrameSources(), ini, &script};
    EXPECT_EQ(s.Data.ElementSize(), 2);
    s.Options.PenSize_Value = 1;
    s.Options.NotifyChanged();
    EXPECT_EQ(s.Data.ElementSize(), 1);
  }
  std::filesystem::remove_all(dir);
}
