// The crash recovery of a whole session with the real frame sources: the
// copy written while marking holds the analysis, a recovered copy opens as
// unsaved work whose save proposes the original document, and saving,
// leaving or closing the work removes the copy.
#include "core/app/session_recovery.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>

#include "core/app/session.h"
#include "core/common/ini_file.h"
#include "support/french_numeric_locale.h"
#include "support/real_frame_sources.h"
#include "support/scripted_dialog.h"
#include "support/scripted_files.h"
#include "support/temp_dir.h"
#include "support/test_videos_avi.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

// The reason of a failed write, for the failure messages.
std::string Why(const TStatus& s) { return s ? std::string() : s.error().Text(); }

class FakeClock : public IRecoveryClock {
 public:
  std::chrono::steady_clock::time_point Now() const override { return now; }
  std::time_t WallTime() const override { return 1765289100; }
  std::chrono::steady_clock::time_point now{};
};

struct Program {
  explicit Program(const std::string& folder) : recovery(session, folder, clock) {
    session.SetFileDialogs(&files);
    session.Options.CheckBox4ConfirmationFileChange = false;
    session.Options.CheckBox3ConfirmationQuit = false;
    session.Video.Resize(320, 240);
  }
  void Click(int x, int y) {
    session.Video.MouseDown(mbLeft, {}, x, y);
    session.Video.MouseUp(mbLeft, {}, x, y);
  }
  // Scale, origin, then two systems on `images` images.
  void Mark(int images) {
    TData& d = session.Data;
    d.SetTool(otEchelle);
    Click(20, 200);
    Click(300, 200);
    d.SetScaleLength(0.8);
    d.SetTool(otOrigine);
    Click(40, 180);
    d.SetXAxisAngle(0.2);
    d.SetMarksNumberPerFrame(2);
    d.SetTool(otMarque);
    for (int i = 0; i < images; ++i) {
      Click(50 + 9 * i, 60 + i);
      Click(70 + 9 * i, 100 - i);
    }
  }
  test::ScriptedDialog script;
  test::ScriptedFiles files;
  FakeClock clock;
  TSession session{test::RealFrameSources(), "", &script};
  TSessionRecovery recovery;
};

}  // namespace

TEST(SessionRecovery, TheCopyHoldsTheWholeAnalysisAndOpensAsUnsavedWorkOfItsDocument) {
  test::TempDir dir("kinevo-session-recovery");
  const std::string video = dir.File("chute.avi");
  ASSERT_TRUE(test::WriteIndexedAvi(video, 160, 120, 30));
  const std::string original = dir.File("chute_1_09122025.kvo");
  const std::string copy = dir.File("copie.kvo");

  TSeries series;
  std::pair<double, double> factors;
  std::vector<bool> visible;
  std::vector<int32_t> shifts;
  {
    Program a(dir.File("a"));
    ASSERT_TRUE(a.session.Workflow().OpenVideo(video));
    a.Mark(4);
    a.files.save.push_back(original);
    ASSERT_TRUE(a.session.Workflow().Save());
    const std::string doc = a.recovery.Recovery().DocumentPath();
    EXPECT_FALSE(fs::exists(doc));
    // More marks after the save: 20 changes make a copy.
    a.Mark(12);
    a.recovery.Recovery().WaitIdle();
    ASSERT_TRUE(fs::exists(doc)) << Why(a.recovery.Recovery().LastWrite());
    // The window thread took a snapshot only; a few more marks wait for the clock.
    a.Click(200, 30);
    a.Click(210, 40);
    // The montage's per-image tables are copied apart, as the marks are.
    a.session.Video.SetMode(vmMontage);
    ASSERT_TRUE(a.session.Montage.SetVisible(25, false));
    a.session.Video.SetMode(vmRepereFixe);
    visible = a.session.Montage.Visible();
    shifts = a.session.Montage.TimeShifts();
    a.clock.now += TRecovery::kInterval;
    a.recovery.Tick();
    a.recovery.Recovery().WaitIdle();
    series = a.session.Data.GetSeries();
    factors = a.session.Data.GetScaleFactors();
    fs::copy_file(doc, copy);
  }
  Program b(dir.File("b"));
  TOrphanRecovery orphan(copy, copy + ".lock", -1);
  orphan.documentPath = original;
  ASSERT_TRUE(b.recovery.Recover(orphan)) << b.script.LastText();
  TSession& s = b.session;
  EXPECT_EQ(s.Video.FileName(), video);
  const TSeries back = s.Data.GetSeries();
  EXPECT_EQ(back.times, series.times);
  EXPECT_EQ(s.Montage.Visible(), visible);
  EXPECT_FALSE(s.Montage.Visible()[25]);
  EXPECT_EQ(s.Montage.TimeShifts(), shifts);
  EXPECT_EQ(back.images, series.images);
  EXPECT_EQ(back.xs, series.xs);
  EXPECT_EQ(back.ys, series.ys);
  EXPECT_EQ(s.Data.GetScaleFactors(), factors);
  EXPECT_DOUBLE_EQ(s.Data.XAxisAngle(), 0.2);
  EXPECT_EQ(s.Data.GridMarks().MarksCount(), 2 * (4 + 12) + 2);
  // The recovered work has its own copy at once, and the last folder used
  // is not the recovery folder.
  EXPECT_TRUE(fs::exists(b.recovery.Recovery().DocumentPath()));
  EXPECT_NE(s.Recent.Directory, dir.Path());
  // Its save proposes the original document, then the copy goes.
  b.files.save.push_back(original);
  b.script.AnswerCaption("Ok");  // replace the file
  ASSERT_TRUE(s.Workflow().Save());
  ASSERT_FALSE(b.files.asked.empty());
  EXPECT_EQ(b.files.asked.back().fileName, "chute_1_09122025.kvo");
  EXPECT_EQ(b.files.asked.back().initialDir, dir.Path());
  EXPECT_FALSE(fs::exists(b.recovery.Recovery().DocumentPath()));
  // A later "Enregistrer sous" proposes the usual new name again.
  ASSERT_FALSE(s.Workflow().SaveAs());
  EXPECT_NE(b.files.asked.back().fileName, "chute_1_09122025.kvo");
}

TEST(SessionRecovery, LeavingOrClosingTheWorkRemovesTheCopyAndOpeningIsNoChange) {
  test::TempDir dir("kinevo-session-recovery");
  const std::string video = dir.File("chute.avi");
  ASSERT_TRUE(test::WriteIndexedAvi(video, 160, 120, 30));
  Program p(dir.File("r"));
  const std::string doc = p.recovery.Recovery().DocumentPath();
  ASSERT_TRUE(p.session.Workflow().OpenVideo(video));
  EXPECT_EQ(p.recovery.Recovery().PendingChanges(), 0);
  p.Mark(10);
  p.recovery.Recovery().WaitIdle();
  ASSERT_TRUE(fs::exists(doc));
  // Another video replaces the work: nothing unsaved remains.
  ASSERT_TRUE(p.session.Workflow().OpenVideo(video));
  EXPECT_FALSE(fs::exists(doc));
  p.Mark(10);
  p.recovery.Recovery().WaitIdle();
  ASSERT_TRUE(fs::exists(doc));
  ASSERT_TRUE(p.session.Workflow().CloseVideo());
  EXPECT_FALSE(fs::exists(doc));
  // Without a video nothing is counted or written.
  p.clock.now += std::chrono::hours(1);
  p.recovery.Tick();
  p.recovery.Recovery().WaitIdle();
  EXPECT_FALSE(fs::exists(doc));
}

// A French desktop prints "0,5" through the C library: the document and the
// recovery copy written under it are the ones written under the C locale.
TEST(SessionRecovery, DocumentAndCopyAreTheSameUnderAFrenchNumericLocale) {
  test::TempDir dir("kinevo-session-recovery");
  const std::string video = dir.File("chute.avi");
  ASSERT_TRUE(test::WriteIndexedAvi(video, 160, 120, 30));
  Program p(dir.File("r"));
  ASSERT_TRUE(p.session.Workflow().OpenVideo(video));
  p.Mark(6);
  ASSERT_TRUE(p.session.Workflow().WriteDocumentFile(dir.File("c.kvo")));
  std::string c, fr;
  c = ReadWholeFile(dir.File("c.kvo")).value_or("");
  ASSERT_FALSE(c.empty());
  EXPECT_NE(c.find("ScaleLength=0.8"), std::string::npos);
  {
    test::FrenchNumericLocale french;
    ASSERT_TRUE(french.Active());
    ASSERT_TRUE(p.session.Workflow().WriteDocumentFile(dir.File("fr.kvo")));
    p.recovery.Recovery().WriteNow();
    p.recovery.Recovery().WaitIdle();
  }
  fr = ReadWholeFile(dir.File("fr.kvo")).value_or("");
  ASSERT_FALSE(fr.empty());
  EXPECT_EQ(fr, c);
  TIniFile document(dir.File("c.kvo")), copy(p.recovery.Recovery().DocumentPath());
  ASSERT_TRUE(document.Load());
  ASSERT_TRUE(copy.Load()) << Why(p.recovery.Recovery().LastWrite());
  // The copy writes the mark tables apart, in another order.
  auto keys = [](const TIniFile& ini) {
    const auto values = ini.ReadSectionValues("Data");
    return std::map<std::string, std::string>(values.begin(), values.end());
  };
  EXPECT_EQ(keys(copy), keys(document));
}
