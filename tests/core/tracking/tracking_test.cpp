// The tracking controller: bounds, drawing contours and zones, the checks
// before a run, runs over generated pictures (steps, stop, occlusion), the
// run's worker thread (results equal to the tracker's own, taken by the
// window thread only, clicks and stops during a run), the offer when leaving
// the mode, and painting.
#include "core/tracking/tracking.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "core/marking/marking_data.h"
#include "support/ball_scene.h"
#include "support/fake_view.h"
#include "support/recording_canvas.h"
#include "support/scripted_dialog.h"

namespace kinevo {
namespace {

using test::BallScene;
using test::FakeView;
using test::ScriptedDialog;

constexpr int kW = 160, kH = 120;

// A ball moving 6 pixels right per image; on the images in `hidden` a
// screen stands between x = 69 and 99, which hides the ball on images 8 to
// 10 and half of it on images 7 and 11.  Work posted to the window thread
// waits until RunPosted; a read of image `holdAt` waits for `gate`.
struct SceneHost : ITrackingHost {
  FakeView view{kW, kH, 20};
  std::vector<int> hidden;
  int holdAt = -1;
  std::promise<void> reached, gate;
  std::mutex mutex;
  std::vector<std::function<void()>> posted;
  std::vector<std::thread::id> readers;

  static double BallX(int k) { return 30.5 + 6 * k; }
  Image Scene(int k) const {
    const bool behind = std::find(hidden.begin(), hidden.end(), k) != hidden.end();
    const test::TScreenRect screen{69, 30, 99, 90};
    return BallScene(kW, kH, BallX(k), 60.5, 8, behind ? &screen : nullptr);
  }
  IVideoView& View() override { return view; }
  int DisplayedImagesNumber() const override { return view.ImagesNumber(); }
  int DisplayedImage() const override { return view.current; }
  void GoToDisplayedImage(int n) override { view.GoToImage(n); }
  int FileIndexOf(int displayed) const override { return displayed; }
  bool DrawCurrentImage(Image& picture) override {
    picture = Scene(view.current);
    return true;
  }
  bool ReadImage(int index, Image& picture) override {
    {
      std::lock_guard lock(mutex);
      readers.push_back(std::this_thread::get_id());
    }
    if (index == holdAt) {
      reached.set_value();
      gate.get_future().wait();
    }
    picture = Scene(index);
    return true;
  }
  void Post(std::function<void()> work) override {
    std::lock_guard lock(mutex);
    posted.push_back(std::move(work));
  }
  // The window thread's turn: runs what was posted.
  void RunPosted() {
    std::vector<std::function<void()>> now;
    {
      std::lock_guard lock(mutex);
      now.swap(posted);
    }
    for (auto& w : now) w();
  }
  // Plays the window thread until the worker waits at image `holdAt`.
  void RunUntilHeld() {
    std::future<void> at = reached.get_future();
    while (at.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) RunPosted();
  }
};

struct TrackingTest : ::testing::Test {
  SceneHost host;
  ScriptedDialog presenter;
  TUserDlg dialog{&presenter};
  TGraphUtils graph;
  TData data{host.view, dialog, graph};
  TTracking tracking{host, data, dialog};

  void SetUp() override {
    host.view.mode = vmTracking;
    data.Reset();
    tracking.Reset();
  }
  // A square contour inside the ball on image k.
  void ContourOn(int k) {
    host.view.current = k;
    const double x = SceneHost::BallX(k) - 0.5, y = 60;
    ASSERT_TRUE(tracking.SetContour({{(x - 5) / kW, (y - 5) / kH},
                                     {(x + 5) / kW, (y - 5) / kH},
                                     {(x + 5) / kW, (y + 5) / kH},
                                     {(x - 5) / kW, (y + 5) / kH}}));
  }
  std::vector<int> MarkedImages() const {
    std::vector<int> out;
    const auto& marks = tracking.Current().marks;
    for (std::size_t i = 0; i < marks.size(); ++i)
      if (marks[i].fileIndex >= 0) out.push_back(static_cast<int>(i));
    return out;
  }
  void Click(int x, int y, TMouseButton b = mbLeft) { tracking.MouseDown(b, {}, x, y); }
};

TEST_F(TrackingTest, SystemLastImageAndRadiusAreBounded) {
  data.SetMarksNumberPerFrame(3);
  tracking.Reset();
  tracking.SetCurrentSystem(5);
  EXPECT_EQ(tracking.CurrentSystem(), 2);
  tracking.SetCurrentSystem(-1);
  EXPECT_EQ(tracking.CurrentSystem(), 0);

  ContourOn(4);
  tracking.SetLastImage(0);
  EXPECT_EQ(tracking.LastImage(), 5);
  tracking.SetLastImage(10000);
  EXPECT_EQ(tracking.LastImage(), 19);

  tracking.SetRadius(5);
  EXPECT_EQ(tracking.Tracker().Radius(), 10);
  tracking.SetRadius(500);
  EXPECT_EQ(tracking.Radius(), 100);
}

TEST_F(TrackingTest, CursorFollowsTheSystemAndTool) {
  EXPECT_EQ(tracking.CursorName(), "");
  tracking.SetDrawTool(dtContour);
  EXPECT_EQ(tracking.CursorName(), "Pen");
  data.SetMarksNumberPerFrame(11);
  tracking.Reset();
  tracking.SetCurrentSystem(0);
  EXPECT_EQ(tracking.CursorName(), "Pen1");
  tracking.SetCurrentSystem(9);
  EXPECT_EQ(tracking.CursorName(), "Pen0");
  tracking.SetCurrentSystem(10);
  EXPECT_EQ(tracking.CursorName(), "Pen1");
}

TEST(TrackingSettings, ContourShapeSettingsMapBothWaysAsTheOptionsListThem) {
  // The options dialog lists "Contour libre", "Polygone", "Cercle" and saves
  // the position in that list.
  EXPECT_EQ(ContourShapeFromSetting(0), csFreehand);
  EXPECT_EQ(ContourShapeFromSetting(1), csPolygon);
  EXPECT_EQ(ContourShapeFromSetting(2), csCircle);
  EXPECT_EQ(ContourShapeFromSetting(7), csCircle);
  EXPECT_EQ(ContourShapeFromSetting(-1), csCircle);
  for (TContourShape s : {csFreehand, csPolygon, csCircle})
    EXPECT_EQ(ContourShapeFromSetting(SettingFromContourShape(s)), s);
}

TEST_F(TrackingTest, ANewContourRunsToTheLastImageUntilTheSequenceIsChosen) {
  ContourOn(4);
  EXPECT_EQ(tracking.LastImage(), 19);
  ASSERT_TRUE(tracking.RunToEnd());
  EXPECT_EQ(MarkedImages().back(), 19);
  // Once chosen, the last image is kept for the next contours.
  tracking.SetLastImage(9);
  ContourOn(2);
  EXPECT_EQ(tracking.LastImage(), 9);
  // Reset (entering the mode again) forgets the choice.
  tracking.Reset();
  ContourOn(2);
  EXPECT_EQ(tracking.LastImage(), 19);
}

TEST_F(TrackingTest, ADoubleClickKeepsTheCircleOrOutlineItsFirstPressClosed) {
  host.view.current = 2;
  tracking.SetDrawTool(dtContour);
  for (TContourShape shape : {csCircle, csFreehand}) {
    tracking.SetContourShape(shape);
    Click(80, 60);
    for (auto [x, y] : {std::pair{88, 60}, {88, 66}, {80, 68}}) tracking.MouseMove({}, x, y);
    Click(80, 68);  // closes it: the first press of a double click
    tracking.DoubleClick(80, 68);
    ASSERT_TRUE(tracking.HasContour()) << shape;
    EXPECT_EQ(tracking.DrawState(), dsIdle);
    const std::size_t points = tracking.Current().contour.picture.size();
    EXPECT_GE(points, 3u);
    // A double click on an empty view starts an outline and leaves it open.
    Click(0, 0, mbRight);
    Click(20, 20);
    tracking.DoubleClick(20, 20);
    EXPECT_EQ(tracking.DrawState(), dsContour);
    Click(0, 0, mbRight);
  }
}

TEST_F(TrackingTest, ContoursInTheThreeShapes) {
  host.view.current = 2;
  tracking.SetDrawTool(dtContour);
  // Polygon: a two-point outline is dropped, a triangle kept.
  tracking.SetContourShape(csPolygon);
  Click(10, 10);
  tracking.DoubleClick(40, 10);
  EXPECT_FALSE(tracking.HasContour());
  Click(10, 10);
  Click(40, 10);
  tracking.DoubleClick(25, 40);
  ASSERT_TRUE(tracking.HasContour());
  EXPECT_EQ(tracking.Current().contour.picture.size(), 3u);
  EXPECT_EQ(tracking.Current().firstImage, 2);
  // The centre of the clicked pixel.
  EXPECT_DOUBLE_EQ(tracking.Current().contour.picture[2].y, 40.5 / kH);

  // Freehand: press, moves, press; the new outline replaced the triangle.
  tracking.SetContourShape(csFreehand);
  Click(50, 50);
  EXPECT_FALSE(tracking.HasContour());
  for (auto [x, y] : {std::pair{60, 50}, {60, 50}, {60, 60}, {50, 60}})
    tracking.MouseMove({}, x, y);
  Click(50, 60);
  EXPECT_EQ(tracking.Current().contour.view.size(), 4u);

  // Circle: centre, radius by the mouse, closing press; every point at the
  // radius, within rasterisation.
  tracking.SetContourShape(csCircle);
  Click(80, 60);
  tracking.MouseMove({}, 88, 66);  // radius 10
  Click(88, 66);
  const auto& pts = tracking.Current().contour.view;
  ASSERT_GT(pts.size(), 40u);
  for (const TPixel& p : pts) EXPECT_NEAR(std::hypot(p.x - 80, p.y - 60), 10.0, 0.75);

  // A right press erases it.
  Click(0, 0, mbRight);
  EXPECT_FALSE(tracking.HasContour());
}

TEST_F(TrackingTest, BanZonesAreAddedAndRemovedLastFirst) {
  tracking.SetDrawTool(dtBanZone);
  for (int z = 0; z < 2; ++z) {
    Click(10 + z * 50, 10);
    Click(40 + z * 50, 10);
    tracking.DoubleClick(25 + z * 50, 40);
  }
  ASSERT_EQ(tracking.Current().banZones.size(), 2u);
  Click(5, 5);
  Click(0, 0, mbRight);  // abandons the zone being drawn
  EXPECT_EQ(tracking.DrawState(), dsIdle);
  EXPECT_EQ(tracking.Current().banZones.size(), 2u);
  tracking.EraseLastBanZone();
  ASSERT_EQ(tracking.Current().banZones.size(), 1u);
  EXPECT_EQ(tracking.Current().banZones[0].view[0], (TPixel{10, 10}));
}

TEST_F(TrackingTest, ChecksRefuseARunWithTheirMessages) {
  host.view.open = false;
  EXPECT_FALSE(tracking.Start());
  EXPECT_EQ(presenter.LastText(), "Ouvrir, au prélable, un fichier vidéo");
  host.view.open = true;
  EXPECT_FALSE(tracking.Start());
  EXPECT_EQ(presenter.LastText(), "Dessiner, au préalable, le contour de l'objet à suivre.");
  EXPECT_EQ(presenter.shown.back().icon, icWarning);
  EXPECT_FALSE(tracking.CheckContour());
  EXPECT_EQ(presenter.shown.back().icon, icInformation);
  ContourOn(19);
  EXPECT_FALSE(tracking.Start());
  EXPECT_EQ(presenter.LastText(),
            "La séquence débute avec la dernière image de la vidéo (suivi inutile).");
  EXPECT_FALSE(MarkedImages().size());
}

// The tracker and a click speak of the same point: a disc drawn centred at
// (cx, cy) is tracked there, and a click on the pixel holding its centre
// marks the same place.
TEST_F(TrackingTest, TrackedAndClickedPositionsOfADiscAgree) {
  ContourOn(0);
  tracking.SetLastImage(6);
  ASSERT_TRUE(tracking.RunToEnd());
  ASSERT_THAT(MarkedImages(), ::testing::ElementsAre(0, 1, 2, 3, 4, 5, 6));
  for (int k = 1; k <= 6; ++k) {
    const TPictureCoord& p = tracking.Current().marks[k].position;
    EXPECT_NEAR(p.x * kW, SceneHost::BallX(k), 0.2) << k;
    EXPECT_NEAR(p.y * kH, 60.5, 0.2) << k;
  }
  host.view.mode = vmRepereFixe;
  host.view.current = 4;
  data.MouseDown(0, false, static_cast<int>(SceneHost::BallX(4)), 60);
  data.MouseUp(0, false, static_cast<int>(SceneHost::BallX(4)), 60);
  ASSERT_EQ(data.MarksCount(), 1);
  const TPictureCoord clicked = data.GridMarks().DrawList()[0]->GetPicture();
  const TPictureCoord& tracked = tracking.Current().marks[4].position;
  EXPECT_NEAR(clicked.x * kW, tracked.x * kW, 0.2);
  EXPECT_NEAR(clicked.y * kH, tracked.y * kH, 0.2);
}

TEST_F(TrackingTest, StepTwoMarksEveryOtherImageNearTheBall) {
  data.SetFramesNumberBetweenTwoMarks(2);
  ContourOn(3);
  tracking.SetLastImage(9);
  host.view.current = 0;
  std::vector<std::pair<int, int>> progress;
  auto link = tracking.OnProgress.Connect([&](std::pair<int, int> p) { progress.push_back(p); });
  ASSERT_TRUE(tracking.RunToEnd());
  EXPECT_THAT(MarkedImages(), ::testing::ElementsAre(3, 5, 7, 9));
  EXPECT_EQ(progress.back(), (std::pair{4, 4}));
  for (int k : {5, 7, 9}) {
    const TAutoMark& m = tracking.Current().marks[k];
    EXPECT_EQ(m.fileIndex, k);
    EXPECT_NEAR(m.position.x * kW, SceneHost::BallX(k), 0.5) << k;
    EXPECT_NEAR(m.position.y * kH, 60.5, 0.5) << k;
    EXPECT_FALSE(m.uncertain);
  }
  EXPECT_FALSE(tracking.Running());
  EXPECT_EQ(tracking.UncertainText(), "");
}

TEST_F(TrackingTest, StopEndsTheRunBeforeTheNextImage) {
  ContourOn(0);
  tracking.SetLastImage(19);
  // Pressed as image 5 is told: nothing after it is kept.
  auto link = tracking.OnProgress.Connect([&](std::pair<int, int> p) {
    if (p.first == 6) tracking.Stop();
  });
  ASSERT_TRUE(tracking.RunToEnd());
  EXPECT_THAT(MarkedImages(), ::testing::ElementsAre(0, 1, 2, 3, 4, 5));
  EXPECT_FALSE(tracking.Running());
  link.Disconnect();

  // Pressed while the worker reads image 8: the image it is on is dropped,
  // and the end is told once, with the run over.
  tracking.EraseAutomaticMarks();
  host.holdAt = 8;
  std::vector<bool> told;
  link = tracking.OnRunningChanged.Connect([&](void*) { told.push_back(tracking.Running()); });
  ASSERT_TRUE(tracking.Start());
  host.RunUntilHeld();
  tracking.Stop();
  EXPECT_TRUE(tracking.Running());
  host.gate.set_value();
  tracking.Wait();
  EXPECT_THAT(MarkedImages(), ::testing::ElementsAre(0, 1, 2, 3, 4, 5, 6, 7));
  EXPECT_EQ(told, (std::vector<bool>{true, false}));
  host.RunPosted();  // what the worker posted last finds the run over
  EXPECT_EQ(told.size(), 2U);
}

// The worker's marks are those of the tracker run image by image on the
// same pictures, to the last bit, uncertain ones included.
TEST_F(TrackingTest, TheRunsMarksAreTheTrackersOwn) {
  host.hidden = {7, 8, 9, 10, 11};
  ContourOn(1);
  tracking.SetLastImage(14);
  ASSERT_TRUE(tracking.RunToEnd());

  TMeanShift plain;
  plain.SetRadius(tracking.Radius());
  Image picture = host.Scene(1);
  TPixel p;
  plain.SetBanZones({}, kW, kH);
  ASSERT_TRUE(plain.SetModel(picture, tracking.Current().contour.picture, p));
  plain.SetBinCount(TTracking::kBinCount);
  plain.BuildModel();
  const double reference = plain.Similarity(picture, p);
  EXPECT_DOUBLE_EQ(tracking.Current().marks[1].similarity, reference);
  std::vector<int> uncertain;
  for (int k = 2; k <= 14; ++k) {
    picture = host.Scene(k);
    plain.Track(picture, p, TTracking::kIterations);
    const TAutoMark& m = tracking.Current().marks[static_cast<std::size_t>(k)];
    EXPECT_EQ(m.fileIndex, k);
    EXPECT_DOUBLE_EQ(m.position.x, plain.LastPosition().x / kW) << k;
    EXPECT_DOUBLE_EQ(m.position.y, plain.LastPosition().y / kH) << k;
    EXPECT_DOUBLE_EQ(m.similarity, plain.LastSimilarity()) << k;
    const bool unsure = plain.LastSimilarity() < 0.7 * reference;
    EXPECT_EQ(m.uncertain, unsure) << k;
    if (unsure) uncertain.push_back(k);
  }
  EXPECT_FALSE(uncertain.empty());
  EXPECT_EQ(tracking.UncertainImages(), uncertain);
}

// The pictures are read on the worker; the results reach the marks only
// when the window thread takes them; a click during the run is refused, as
// is a second start.
TEST_F(TrackingTest, ARunWorksAsideAndAClickDuringItChangesNothing) {
  ContourOn(0);
  tracking.SetLastImage(10);
  tracking.SetDrawTool(dtContour);
  const std::vector<TPictureCoord> contour = tracking.Current().contour.picture;
  std::vector<std::thread::id> progress;
  auto link = tracking.OnProgress.Connect(
      [&](std::pair<int, int>) { progress.push_back(std::this_thread::get_id()); });
  host.holdAt = 4;
  ASSERT_TRUE(tracking.Start());
  EXPECT_TRUE(tracking.Running());
  EXPECT_THAT(MarkedImages(), ::testing::ElementsAre(0));  // nothing taken yet
  host.RunUntilHeld();
  EXPECT_THAT(MarkedImages(), ::testing::ElementsAre(0, 1, 2, 3));
  EXPECT_EQ(host.view.current, 3);  // the view follows the run

  Click(20, 20);
  tracking.MouseMove({}, 40, 40);
  Click(40, 40);
  tracking.DoubleClick(40, 40);
  EXPECT_EQ(tracking.DrawState(), dsIdle);
  EXPECT_EQ(tracking.Current().contour.picture, contour);
  EXPECT_FALSE(tracking.Start());

  host.gate.set_value();
  tracking.Wait();
  EXPECT_FALSE(tracking.Running());
  EXPECT_THAT(MarkedImages(), ::testing::ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10));
  EXPECT_EQ(progress.size(), 11U);
  for (const auto& id : progress) EXPECT_EQ(id, std::this_thread::get_id());
  ASSERT_EQ(host.readers.size(), 10U);  // images 1 to 10
  for (const auto& id : host.readers) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(TrackingTest, ImagesBehindAScreenAreUncertainAndTheOthersNot) {
  host.hidden = {7, 8, 9, 10, 11};
  ContourOn(0);
  tracking.SetLastImage(15);
  ASSERT_TRUE(tracking.RunToEnd());
  // Hidden: uncertain; clearly visible: not; half hidden (7 and 11) either.
  for (int k = 0; k <= 15; ++k) {
    const bool hidden = k >= 8 && k <= 10, clear = k <= 6 || k >= 12;
    if (hidden || clear) {
      EXPECT_EQ(tracking.Current().marks[k].uncertain, hidden) << k;
    }
  }
  const auto& list = tracking.UncertainImages();
  ASSERT_GE(list.size(), 3u);
  EXPECT_EQ(tracking.UncertainText(), "Suivi incertain sur les images " +
                                          std::to_string(list.front() + 1) + " à " +
                                          std::to_string(list.back() + 1));
  // Found again once it comes out.
  EXPECT_NEAR(tracking.Current().marks[15].position.x * kW, SceneHost::BallX(15), 0.5);

  // The option stops at the first uncertain image.
  tracking.EraseAutomaticMarks();
  EXPECT_EQ(host.view.current, 0);
  tracking.SetStopAtUncertain(true);
  ASSERT_TRUE(tracking.RunToEnd());
  EXPECT_EQ(MarkedImages().back(), list.front());
  EXPECT_THAT(tracking.UncertainImages(), ::testing::ElementsAre(list.front()));
}

TEST_F(TrackingTest, IgnorerKeepsTheMarkingDataAndEnregistrerAppliesOneUndoableStep) {
  ContourOn(2);
  tracking.SetLastImage(5);
  ASSERT_TRUE(tracking.RunToEnd());

  presenter.AnswerCaption("Ignorer");
  EXPECT_FALSE(tracking.CommitOffer());
  EXPECT_EQ(presenter.shown.back().icon, icConfirmation);
  EXPECT_EQ(data.GridMarks().MarksCount(), 0);

  presenter.AnswerCaption("Enregistrer");
  EXPECT_TRUE(tracking.CommitOffer());
  EXPECT_EQ(data.GridMarks().MarksCount(), 4);
  data.GridHistory().Undo();
  EXPECT_EQ(data.GridMarks().MarksCount(), 0);

  // Nothing to offer without automatic marks.
  tracking.Reset();
  const auto shown = presenter.Count();
  EXPECT_FALSE(tracking.CommitOffer());
  EXPECT_EQ(presenter.Count(), shown);
}

TEST_F(TrackingTest, PaintsContourZonesSearchWindowAndWarningMarks) {
  host.hidden = {9};
  ContourOn(5);
  tracking.AddBanZone({{0.1, 0.1}, {0.2, 0.1}, {0.15, 0.2}});
  tracking.SetLastImage(9);
  ASSERT_TRUE(tracking.RunToEnd());
  test::RecordingCanvas canvas;
  tracking.Paint(canvas);
  int contours = 0, zones = 0, rects = 0, filled = 0, hollow = 0, warnings = 0;
  int light = 0, dark = 0;
  for (const auto& c : canvas.calls) {
    // The contour and the search square stand out on any picture: each is
    // drawn over light and dark dashes.
    if ((c.op == "polyline" || c.op == "rectangle") && c.pen.color == colors::White) ++light;
    if ((c.op == "polyline" || c.op == "rectangle") && c.pen.color == colors::Black &&
        c.pen.style == TPenStyle::psDash)
      ++dark;
    if (c.op == "polyline" && c.pen.color == data.MarkColor(0)) ++contours;
    if (c.op == "polyline" && c.pen.color == data.ElementColor()) ++zones;
    if (c.op == "rectangle" && c.pen.color == data.ElementColor()) ++rects;
    if (c.op == "ellipse") ++(c.brush.style == TBrushStyle::bsSolid ? filled : hollow);
    if (c.op == "polygon") ++warnings;
  }
  EXPECT_EQ(contours, 1);
  EXPECT_EQ(zones, 1);
  EXPECT_EQ(rects, 1);
  EXPECT_EQ(filled, 4);  // images 5 to 8
  EXPECT_EQ(hollow, 1);
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(light, 2);
  EXPECT_EQ(dark, 2);
}

TEST(TrackingText, ImageRunsJoinConsecutiveImagesAndSteps) {
  EXPECT_EQ(FormatImageRuns({17, 18, 19}, 1, " à ", ", "), "17 à 19");
  EXPECT_EQ(FormatImageRuns({3, 5, 7, 12}, 2, "-", ","), "3-7,12");
  EXPECT_EQ(FormatImageRuns({4}, 1, "-", ","), "4");
  EXPECT_EQ(FormatImageRuns({}, 1, "-", ","), "");
}

}  // namespace
}  // namespace kinevo
