// Models over the picture: the tracks of the curve models fitted to x(t)
// and y(t), their way back to the picture, other sources beside them, and
// what the overlay draws on the view.
#include "core/results/model_tracks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "core/common/palette.h"
#include "core/graph/curve_models.h"
#include "core/marking/marking_data.h"
#include "core/results/marking_source.h"
#include "core/results/results_calc.h"
#include "support/fake_view.h"
#include "support/recording_canvas.h"
#include "support/scripted_dialog.h"

namespace kinevo {
namespace {

// A throw clicked on every second image from image 20: x = 100 + 12k + k²,
// y = 400 − 30k + 2k² pixels for the k-th mark.
struct FittedThrow : ::testing::Test {
  static constexpr double kT = 0.04;
  static constexpr int kFirst = 20, kMarks = 10;
  test::FakeView view{640, 480, 200};
  test::ScriptedDialog presenter;
  TUserDlg dialog{&presenter};
  TGraphUtils graph;
  TData data{view, dialog, graph};
  TMarkingResultsSource source{data, view};
  TResCalc calc{source};
  TConnection heard =
      data.OnResultsInvalidated.Connect([this](TResultsTarget t) { calc.Invalidate(t); });
  TCurveModelRecord record;
  TModelTrackSet set;
  TConnection registered = set.AddSource(record);

  static int Px(int k) { return 100 + 12 * k + k * k; }
  static int Py(int k) { return 400 - 30 * k + 2 * k * k; }
  static int ImageOf(int k) { return kFirst + 2 * k; }

  void SetUp() override {
    data.Reset();
    data.SetRequiredDuration(kT);
    data.Fixed().PlaceOrigin(320, 240);
    data.SetTool(otEchelle);
    Click(160, 240);
    Click(480, 240);
    data.SetScaleLength(1);
    data.SetTool(otMarque);
    for (int k = 0; k < kMarks; ++k) {
      view.current = ImageOf(k);
      Click(Px(k), Py(k));
    }
  }
  void Click(int x, int y) {
    data.MouseDown(0, false, x, y);
    data.MouseUp(0, false, x, y);
  }
  // Fits a parabola to x(t) and to y(t) of system 0 and keeps both.
  void FitBoth() {
    ASSERT_TRUE(calc.Update(false));
    for (auto [q, axis] :
         {std::pair{qtX, TCurveModelRecord::axX}, std::pair{qtY, TCurveModelRecord::axY}}) {
      std::vector<double> t, v, p;
      for (const TLabelledPoint& pt : calc.Active().CurvePoints(cfAxes, 0, qtTime, q, false)) {
        t.push_back(pt.x);
        v.push_back(pt.y);
      }
      ASSERT_EQ(FitModel(mkParabola, t, v, p), 0);
      record.Set(0, axis, mkParabola, p);
    }
  }
  TModelTrack OnlyTrack() {
    const std::vector<TModelTrack> tracks =
        set.Tracks(TrackClockOf(data, ImageOf(0), ImageOf(kMarks - 1)));
    EXPECT_EQ(tracks.size(), 1u);
    return tracks.empty() ? TModelTrack{} : tracks[0];
  }
};

TEST_F(FittedThrow, TheParabolasGiveTheFormulaOnEveryImageAndTheClicksOnMarkedOnes) {
  FitBoth();
  const TModelTrack track = OnlyTrack();
  EXPECT_EQ(track.system, 0);
  EXPECT_EQ(track.firstImage, ImageOf(0));
  ASSERT_EQ(track.positions.size(), static_cast<std::size_t>(2 * kMarks - 1));
  const auto px = record.Fit(0, TCurveModelRecord::axX).parameters;
  const auto py = record.Fit(0, TCurveModelRecord::axY).parameters;
  // The marks are exact: k = i / 2 on image firstImage + i, at time i·T,
  // and x, y in metres (2 m per 640 pixels, 1.5 m per 480; click centres).
  const double kx = 2.0 / 640, ky = 1.5 / 480;
  for (std::size_t i = 0; i < track.positions.size(); ++i) {
    const double t = static_cast<double>(i) * kT;
    EXPECT_NEAR(track.positions[i].x, px[0] + px[1] * t + px[2] * t * t, 1e-12) << i;
    EXPECT_NEAR(track.positions[i].y, py[0] + py[1] * t + py[2] * t * t, 1e-12) << i;
    const double k = static_cast<double>(i) / 2;
    EXPECT_NEAR(track.positions[i].x, (100 + 12 * k + k * k + 0.5 - 320.5) * kx, 1e-9) << i;
    EXPECT_NEAR(track.positions[i].y, -(400 - 30 * k + 2 * k * k + 0.5 - 240.5) * ky, 1e-9) << i;
  }
  // Back on the picture, a marked image's model sits on the pixel clicked.
  const std::vector<TPictureCoord> onPicture = TrackOnPicture(data, track);
  for (int k = 0; k < kMarks; ++k) {
    const TPixel p = view.PictureToScreen(onPicture[static_cast<std::size_t>(2 * k)]);
    EXPECT_EQ(p, (TPixel{Px(k), Py(k)})) << k;
  }
}

TEST_F(FittedThrow, TurnedAndReversedAxesStillLeadBackToTheClicks) {
  data.SetXAxisAngle(0.7);
  data.SetDirectXAxisDirection(false);
  data.SetDirectYAxisDirection(false);
  calc.Invalidate(rtBoth);
  FitBoth();
  const std::vector<TPictureCoord> onPicture = TrackOnPicture(data, OnlyTrack());
  for (int k = 0; k < kMarks; ++k)
    EXPECT_EQ(view.PictureToScreen(onPicture[static_cast<std::size_t>(2 * k)]),
              (TPixel{Px(k), Py(k)}))
        << k;
}

// Filmed through a lens, and at an angle to a calibrated plane: the
// measured marks, taken as a model's positions, fall back on the clicks.
TEST_F(FittedThrow, ThroughTheLensAndThePlaneTheMarksLeadBackToTheClicks) {
  for (bool plane : {false, true}) {
    TMeasureCalibration c;
    c.lens = {true, 0.1, 0.01};
    c.plane = {plane, {{{0.2, 0.9}, {0.85, 0.85}, {0.8, 0.2}, {0.25, 0.15}}}, 2.0, 1.5};
    data.SetCalibration(c);
    calc.Invalidate(rtBoth);
    ASSERT_TRUE(calc.Update(false));
    TModelTrack track{0, ImageOf(0), {}};
    for (const TLabelledPoint& pt : calc.Active().CurvePoints(cfAxes, 0, qtX, qtY, false))
      track.positions.push_back({pt.x, pt.y});
    const std::vector<TPictureCoord> onPicture = TrackOnPicture(data, track);
    ASSERT_EQ(onPicture.size(), static_cast<std::size_t>(kMarks));
    for (int k = 0; k < kMarks; ++k)
      EXPECT_EQ(view.PictureToScreen(onPicture[static_cast<std::size_t>(k)]),
                (TPixel{Px(k), Py(k)}))
          << "plane " << plane << ", mark " << k;
  }
}

TEST_F(FittedThrow, TheClockFollowsTheFileTimesWhenTheSeriesDoes) {
  // Counted images: time index × T from the first marked image.
  TTrackClock clock = TrackClockOf(data, 18, 23);
  ASSERT_EQ(clock.times.size(), 6u);
  EXPECT_EQ(clock.firstImage, 18);
  EXPECT_NEAR(clock.times[0], -2 * kT, 1e-15);
  EXPECT_NEAR(clock.times[5], 3 * kT, 1e-15);
  // A variable rate: the file's own times, from the first marked image's;
  // an image without one has none.
  data.FileTime = [](int32_t i) -> std::optional<double> {
    if (i == 21) return std::nullopt;
    return 0.001 * i * i;
  };
  clock = TrackClockOf(data, 20, 22);
  ASSERT_EQ(clock.times.size(), 3u);
  EXPECT_DOUBLE_EQ(clock.times[0], 0.0);
  EXPECT_TRUE(std::isnan(clock.times[1]));
  EXPECT_DOUBLE_EQ(clock.times[2], 0.001 * (22 * 22 - 20 * 20));
  // The series' rows agree.
  EXPECT_DOUBLE_EQ(data.GetSeries().times[1], clock.times[2]);
  // Nothing marked: no clock.
  data.EraseMarks();
  EXPECT_TRUE(TrackClockOf(data, 0, 10).times.empty());
}

TEST(PhysicalToPicture, UndoesPictureToPhysicalForEveryAngleAndDirection) {
  const TPictureCoord origin{0.3, 0.6};
  for (double angle : {0.0, 0.5, -2.0, 3.1})
    for (bool dx : {true, false})
      for (bool dy : {true, false}) {
        const TPictureCoord p{0.71, 0.13};
        const TWorldPoint m = PictureToPhysical(p, origin, 2.0, 1.5, angle, dx, dy);
        const TPictureCoord back = PhysicalToPicture(m, origin, 2.0, 1.5, angle, dx, dy);
        EXPECT_NEAR(back.x, p.x, 1e-12);
        EXPECT_NEAR(back.y, p.y, 1e-12);
      }
  EXPECT_TRUE(std::isnan(PhysicalToPicture({1, 1}, origin, -1, -1, 0, true, true).x));
}

TEST(CurveModelRecord, ATrackNeedsBothCoordinatesAndChangesAreTold) {
  TCurveModelRecord record;
  int changes = 0;
  TConnection c = record.OnChange.Connect([&] { ++changes; });
  const TTrackClock clock{5, {0.0, 1.0, 2.0}};
  std::vector<TModelTrack> out;
  record.Set(1, TCurveModelRecord::axX, mkAffine, {1.0, 2.0});
  record.AddTracks(clock, out);
  EXPECT_TRUE(out.empty());  // y(t) has no model yet
  record.Set(1, TCurveModelRecord::axY, mkConstant, {3.0, 0.0});
  record.Set(1, TCurveModelRecord::axY, mkConstant, {3.0, 0.0});  // the same again
  EXPECT_EQ(changes, 2);
  record.AddTracks(clock, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].system, 1);
  EXPECT_EQ(out[0].firstImage, 5);
  ASSERT_EQ(out[0].positions.size(), 3u);
  EXPECT_DOUBLE_EQ(out[0].positions[2].x, 5.0);
  EXPECT_DOUBLE_EQ(out[0].positions[2].y, 3.0);
  // An image without a time has no position.
  out.clear();
  record.AddTracks({0, {std::nan("")}}, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_TRUE(std::isnan(out[0].positions[0].x));
  // Taking the model away (kind 9, or too few parameters) ends the track.
  record.Set(1, TCurveModelRecord::axY, mkNone, {});
  EXPECT_EQ(record.Fit(1, TCurveModelRecord::axY).kind, mkNone);
  out.clear();
  record.AddTracks(clock, out);
  EXPECT_TRUE(out.empty());
  record.Set(1, TCurveModelRecord::axY, mkParabola, {1.0});
  EXPECT_EQ(record.Fit(1, TCurveModelRecord::axY).kind, mkNone);
  EXPECT_EQ(changes, 3);
}

// Another kind of model plugs in beside the curve models.
struct FixedSource : IModelTrackSource {
  void AddTracks(const TTrackClock& clock, std::vector<TModelTrack>& out) const override {
    out.push_back({2, clock.firstImage, std::vector<TWorldPoint>(clock.times.size(), {0.5, 0.5})});
  }
};

TEST(ModelTrackSet, SourcesAddTheirTracksWhileRegistered) {
  TModelTrackSet set;
  TCurveModelRecord record;
  FixedSource other;
  record.Set(0, TCurveModelRecord::axX, mkConstant, {1.0, 0.0});
  record.Set(0, TCurveModelRecord::axY, mkConstant, {2.0, 0.0});
  TConnection a = set.AddSource(record);
  const TTrackClock clock{0, {0.0, 0.1}};
  {
    TConnection b = set.AddSource(other);
    const auto tracks = set.Tracks(clock);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].system, 0);
    EXPECT_EQ(tracks[1].system, 2);
  }
  EXPECT_EQ(set.Tracks(clock).size(), 1u);
}

TEST_F(FittedThrow, TheOverlayDrawsThePathAndTheGhostOfTheImageShownOnlyWhenAsked) {
  FitBoth();
  TModelOverlay overlay(data, set);
  test::RecordingCanvas canvas;
  view.current = ImageOf(3) + 1;  // between two marks
  overlay.Paint(canvas);
  EXPECT_TRUE(canvas.calls.empty());  // the switch is off

  data.SetModelsShown(true);
  overlay.Paint(canvas);
  const auto ghosts = canvas.Of("ellipse");
  ASSERT_EQ(ghosts.size(), 1u);
  EXPECT_EQ(ghosts[0].pen.color, data.MarkColor(0));
  EXPECT_EQ(ghosts[0].brush.style, TBrushStyle::bsClear);
  // Centred on the model at k = 3.5.
  const double k = 3.5;
  const int cx = (ghosts[0].points[0].x + ghosts[0].points[1].x) / 2;
  const int cy = (ghosts[0].points[0].y + ghosts[0].points[1].y) / 2;
  EXPECT_NEAR(cx, 100 + 12 * k + k * k, 1.0);
  EXPECT_NEAR(cy, 400 - 30 * k + 2 * k * k, 1.0);
  const auto paths = canvas.Of("polyline");
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0].pen.width, 1);
  EXPECT_EQ(paths[0].points.front(), (TPixel{Px(0), Py(0)}));
  EXPECT_EQ(paths[0].points.back(), (TPixel{Px(kMarks - 1), Py(kMarks - 1)}));

  // Stepping moves the ghost; outside the marked images there is none.
  canvas.Clear();
  view.current = ImageOf(5);
  overlay.Paint(canvas);
  ASSERT_EQ(canvas.Of("ellipse").size(), 1u);
  const auto g = canvas.Of("ellipse")[0];
  EXPECT_EQ((g.points[0].x + g.points[1].x) / 2, Px(5));
  canvas.Clear();
  view.current = ImageOf(kMarks - 1) + 1;
  overlay.Paint(canvas);
  EXPECT_TRUE(canvas.Of("ellipse").empty());
  EXPECT_EQ(canvas.Of("polyline").size(), 1u);

  // A new mark moves the track's end: the overlay does not keep the old one.
  view.current = ImageOf(kMarks);
  Click(Px(kMarks), Py(kMarks));
  view.current = ImageOf(kMarks);
  canvas.Clear();
  overlay.Paint(canvas);
  EXPECT_EQ(canvas.Of("ellipse").size(), 1u);

  // Layer marking and a model taken away draw nothing.
  view.mode = vmTransparent;
  canvas.Clear();
  overlay.Paint(canvas);
  EXPECT_TRUE(canvas.calls.empty());
  view.mode = vmRepereFixe;
  record.Forget(0, TCurveModelRecord::axX);
  set.Changed();
  overlay.Paint(canvas);
  EXPECT_TRUE(canvas.calls.empty());
}

}  // namespace
}  // namespace kinevo
