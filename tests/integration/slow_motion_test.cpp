// A phone's slow motion: a ball falling, filmed at 240 images/s and stored to
// play at 30.  With the capture-rate key the commands time it as filmed;
// without it, the rate typed in the time dialog does the same and is kept by
// the document.  A file with a repeated image and a gap lists both.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/app/session.h"
#include "core/common/number_format.h"
#include "core/video/duration_dialog.h"
#include "support/ball_scene.h"
#include "support/real_frame_sources.h"
#include "support/run_program.h"
#include "support/scripted_dialog.h"
#include "support/scripted_files.h"
#include "support/session_fixture.h"
#include "support/test_videos.h"
#include "support/text_checks.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

constexpr int kW = 160, kH = 320, kFrames = 96;
constexpr double kCapture = 240, kPlayback = 30, kG = 9.81, kPixelsPerMetre = 330, kRadius = 7;
constexpr double kX0 = 60.3, kY0 = 20.6, kVx = 0.4;

double BallX(double t) { return kX0 + kVx * kPixelsPerMetre * t; }
double BallY(double t) { return kY0 + 0.5 * kG * kPixelsPerMetre * t * t; }

// The ball at image k, filmed at kCapture images/s; the file plays at
// kPlayback, with the capture-rate key or without it.
bool WriteSlowMotionBall(const std::string& path, bool withKey) {
  std::vector<std::string> args{"-c:v", "libx264", "-qp", "0", "-pix_fmt", "yuv444p"};
  if (withKey)
    args.insert(args.end(), {"-movflags", "use_metadata_tags", "-metadata",
                             "com.android.capture.fps=240.000000"});
  return test::WritePicturesWithFfmpeg(
      path, kW, kH, kFrames, kPlayback,
      [](Image& img, int k) {
        img = test::BallScene(kW, kH, BallX(k / kCapture), BallY(k / kCapture), kRadius);
      },
      args);
}

std::string Field(const std::string& out, const std::string& key) {
  for (const auto& line : test::Split(out, '\n'))
    if (line.rfind(key + ": ", 0) == 0) return line.substr(key.size() + 2);
  return "<missing>";
}

test::ProgramRun Cli(const std::vector<std::string>& args) {
  return test::RunProgram(KINEVO_CLI_PATH, args);
}

struct TTrack {
  std::vector<double> t, y;
};

// Tracks the ball of document `doc` through every image and reads its times
// and heights back from the results.
TTrack TrackAndRead(const std::string& doc, const std::string& out) {
  std::vector<std::string> args{"track",   doc, "--system", "1",
                                "--first", "0", "--last",   std::to_string(kFrames - 1),
                                "-o",      out, "--contour"};
  for (int i = 0; i < 12; ++i) {
    const double a = 2 * 3.14159265358979 * i / 12;
    args.push_back(std::to_string(BallX(0) - 0.5 + 6 * std::cos(a)) + "," +
                   std::to_string(BallY(0) - 0.5 + 6 * std::sin(a)));
  }
  TTrack track;
  test::ProgramRun r = Cli(args);
  EXPECT_EQ(r.status, 0) << r.err;
  r = Cli({"results", out, "--smooth-speed", "0", "--smooth-acceleration", "0", "--decimal", "."});
  EXPECT_EQ(r.status, 0) << r.err;
  const auto rows = test::Split(r.out, '\n');
  if (rows.size() != 3u + kFrames) {
    ADD_FAILURE() << r.out;
    return track;
  }
  const auto ids = test::Split(rows[0], '\t');
  std::size_t ct = ids.size(), cy = ids.size();
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == "t") ct = i;
    if (ids[i].rfind("y", 0) == 0 && cy == ids.size()) cy = i;
  }
  if (ct == ids.size() || cy == ids.size()) {
    ADD_FAILURE() << rows[0];
    return track;
  }
  for (int k = 0; k < kFrames; ++k) {
    const auto f = test::Split(rows[3 + static_cast<std::size_t>(k)], '\t');
    double t = 0, y = 0;
    EXPECT_TRUE(TextToFloat(f[ct], t) && TextToFloat(f[cy], y)) << rows[3 + k];
    track.t.push_back(t);
    track.y.push_back(y);
  }
  return track;
}

// The times are the capture times, and the fall gives g.
void ExpectCaptureTimesAndG(const TTrack& track) {
  ASSERT_EQ(track.t.size(), static_cast<std::size_t>(kFrames));
  for (int k = 0; k < kFrames; ++k) EXPECT_NEAR(track.t[k], k / kCapture, 1e-6) << "image " << k;
  // y points up in the results: the fall is a negative quadratic term.
  const double g = -2 * test::QuadraticCoefficient(track.t, track.y);
  EXPECT_NEAR(g, kG, 0.02 * kG);
}

const std::string kScale = "10,300,150,300," + std::to_string(140 / kPixelsPerMetre);

}  // namespace

TEST(SlowMotion, CaptureRateKeyTimesTheBallAsFilmed) {
  const std::string dir = test::MakeTempDir("kinevo-slow-motion");
  const std::string video = dir + "/ralenti.mp4";
  ASSERT_TRUE(WriteSlowMotionBall(video, true));
  test::ProgramRun r = Cli({"probe", video});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Field(r.out, "capture_rate"), "240");
  EXPECT_EQ(Field(r.out, "rate"), "30");  // the file still plays at its own rate
  EXPECT_EQ(Field(r.out, "repeated_images"), "-");

  const std::string doc = dir + "/ralenti.kvo";
  r = Cli({"new", video, "-o", doc, "--scale", kScale, "--origin", "60,20"});
  ASSERT_EQ(r.status, 0) << r.err;
  ExpectCaptureTimesAndG(TrackAndRead(doc, dir + "/suivi.kvo"));
  fs::remove_all(dir);
}

TEST(SlowMotion, TypedCaptureRateGivesTheSameResultsAndIsKept) {
  const std::string dir = test::MakeTempDir("kinevo-slow-typed");
  const std::string video = dir + "/ralenti.mp4", doc = dir + "/ralenti.kvo";
  ASSERT_TRUE(WriteSlowMotionBall(video, false));
  EXPECT_EQ(Field(Cli({"probe", video}).out, "capture_rate"), "-");
  {
    test::SessionFixture f(kW, kH);
    TSession& s = f.session;
    ASSERT_TRUE(s.Workflow().OpenVideo(video));
    EXPECT_NEAR(s.Data.RequiredDuration(), 1 / kPlayback, 1e-12);
    // The time dialog: 240 typed as the capture rate.
    TDurationDialogModel model(s.Video.DefaultDuration(), s.Data.RequiredDuration());
    model.SetRates(s.Video.ImageRate(), s.Video.CaptureRate());
    EXPECT_EQ(model.CaptureText(), "");
    model.TypedCapture("240");
    EXPECT_TRUE(model.CaptureSelected());
    TUserDlg dlg(&f.script);
    ASSERT_TRUE(model.TryClose(dlg));
    EXPECT_DOUBLE_EQ(model.CaptureRate(), kCapture);
    s.Video.SetCaptureRate(model.CaptureRate());
    s.Data.SetRequiredDuration(model.Value());
    // The scale and origin that `new` gives the other file.
    s.Data.Scale().SetSegment(skNormal, 2, TPictureCoord{10.0 / kW, 300.0 / kH},
                              TPictureCoord{150.0 / kW, 300.0 / kH});
    s.Data.SetScaleLength(140 / kPixelsPerMetre);
    s.Data.Fixed().PlaceOrigin(60, 20);
    s.Data.Fixed().SetOrigin(TPictureCoord{60.0 / kW, 20.0 / kH});
    // Playback keeps the file's pace.
    EXPECT_NEAR(s.Video.ImageDuration(), 1 / kPlayback, 1e-12);
    f.files.save.push_back(doc);
    ASSERT_TRUE(s.Workflow().Save());
  }
  ExpectCaptureTimesAndG(TrackAndRead(doc, dir + "/suivi.kvo"));
  {
    // The document keeps the rate: the dialog shows it again.
    test::SessionFixture g(kW, kH);
    TSession& s = g.session;
    ASSERT_TRUE(s.Workflow().OpenDocument(doc)) << g.script.LastText();
    EXPECT_DOUBLE_EQ(s.Video.CaptureRate(), kCapture);
    EXPECT_NEAR(s.Data.RequiredDuration(), 1 / kCapture, 1e-12);
    TDurationDialogModel model(s.Video.DefaultDuration(), s.Data.RequiredDuration());
    model.SetRates(s.Video.ImageRate(), s.Video.CaptureRate());
    EXPECT_TRUE(model.DefaultSelected());
    EXPECT_EQ(model.CaptureText(),
              "Vidéo filmée au ralenti à 240 images/s (lecture à 30 images/s)");
  }
  fs::remove_all(dir);
}

// Image 9 stored twice (image 10 repeats it: a dropped image) and a gap of
// two image durations before image 20: both are listed, and the images keep
// their count and their own times.
TEST(SlowMotion, RepeatedImageAndGapAreListed) {
  const std::string dir = test::MakeTempDir("kinevo-timing");
  const std::string video = dir + "/saccades.mkv";
  constexpr int kCount = 30;
  std::vector<double> times;
  for (int k = 0; k < kCount; ++k) times.push_back((k < 20 ? k : k + 1) / 30.0);
  ASSERT_TRUE(test::WritePicturesWithFfmpeg(
      video, 96, 64, kCount, 30,
      [](Image& img, int k) { test::DrawIndexPattern(img, k == 10 ? 9 : k); },
      {"-c:v", "mjpeg", "-q:v", "3"}, times));
  for (const char* backend : {"ds", "ffmpeg"}) {
    SCOPED_TRACE(backend);
    const test::ProgramRun r = Cli({"probe", video, "--backend", backend});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.out, "images"), std::to_string(kCount));
    EXPECT_EQ(Field(r.out, "repeated_images"), "10");
    EXPECT_EQ(Field(r.out, "gaps_before"), "20");
    EXPECT_NE(r.out.find("warning: Images répétées"), std::string::npos) << r.out;
  }
  test::SessionFixture f(96, 64);
  TSession& s = f.session;
  ASSERT_TRUE(s.Workflow().OpenVideo(video));
  ASSERT_EQ(s.Video.ImagesNumber(), kCount);
  const auto& fileTimes = s.Video.Source().ImageTimes();
  ASSERT_EQ(fileTimes.size(), static_cast<std::size_t>(kCount));
  for (int k = 0; k < kCount; ++k) EXPECT_NEAR(fileTimes[k], times[k], 1e-3) << k;
  const TTimingIssues& issues = s.Video.Source().TimingIssues();
  EXPECT_EQ(issues.duplicates, std::vector<int32_t>{10});
  EXPECT_EQ(issues.gaps, std::vector<int32_t>{20});
  fs::remove_all(dir);
}
