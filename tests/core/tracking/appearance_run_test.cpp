// Tracking runs by appearance on generated grey scenes: the method kept by
// the analysis, a ball passing behind a screen (its hidden images listed as
// uncertain, the ball found again), and two balls crossing that keep their
// own identities.
#include <gtest/gtest.h>

#include <cmath>

#include "core/marking/marking_data.h"
#include "core/tracking/tracking.h"
#include "support/fake_view.h"
#include "support/grey_ball_scene.h"
#include "support/scripted_dialog.h"

namespace kinevo {
namespace {

using test::TGreyScene;

// The scene's pictures, drawn once; nothing is posted (Wait takes the
// results).
struct GreyHost : ITrackingHost {
  explicit GreyHost(const TGreyScene& s) : view(s.width, s.height, s.images) {
    for (int k = 0; k < s.images; ++k) pictures.push_back(s.Picture(k));
  }
  test::FakeView view;
  std::vector<Image> pictures;
  IVideoView& View() override { return view; }
  int DisplayedImagesNumber() const override { return view.ImagesNumber(); }
  int DisplayedImage() const override { return view.current; }
  void GoToDisplayedImage(int n) override { view.GoToImage(n); }
  int FileIndexOf(int displayed) const override { return displayed; }
  bool DrawCurrentImage(Image& picture) override {
    picture = pictures[static_cast<std::size_t>(view.current)];
    return true;
  }
  bool ReadImage(int index, Image& picture) override {
    picture = pictures[static_cast<std::size_t>(index)];
    return true;
  }
  void Post(std::function<void()>) override {}
};

struct AppearanceRun {
  explicit AppearanceRun(const TGreyScene& s, int systems = 1) : scene(s), host(s) {
    host.view.mode = vmTracking;
    data.Reset();
    data.SetMarksNumberPerFrame(systems);
    tracking.Reset();
    tracking.SetMethod(tmAppearance);
    for (int b = 0; b < systems; ++b) {
      tracking.SetCurrentSystem(b);
      EXPECT_TRUE(tracking.SetContour(scene.Contour(b, 0)));
    }
    tracking.SetCurrentSystem(0);
  }
  // Distance of system s's mark on image k from ball b's true centre.
  double Error(int s, int k, int b) const {
    const TAutoMark& m = tracking.System(s).marks[static_cast<std::size_t>(k)];
    const TPixelF t = scene.Truth(b, k);
    return std::hypot(m.position.x * scene.width - t.x, m.position.y * scene.height - t.y);
  }
  TGreyScene scene;
  GreyHost host;
  test::ScriptedDialog presenter;
  TUserDlg dialog{&presenter};
  TGraphUtils graph;
  TData data{host.view, dialog, graph};
  TTracking tracking{host, data, dialog};
};

TGreyScene BallBehindAScreen() {
  TGreyScene s;
  s.balls.push_back({[](double t) {
                       return TPixelF{40.0 + 8.0 * t, 60.0 + 8.0 * t - 0.3 * t * t};
                     },
                     14.0, 0.0});
  // Hides the ball wholly on images 15 to 18, in part on 11 to 14 and 19
  // to 22.
  s.screenLeft = 140;
  s.screenRight = 200;
  return s;
}

TEST(AppearanceRun, HiddenImagesAreUncertainAndTheBallIsFoundAgain) {
  AppearanceRun run(BallBehindAScreen());
  ASSERT_TRUE(run.tracking.RunToEnd());
  const auto& marks = run.tracking.System(0).marks;
  for (int k = 0; k < run.scene.images; ++k) {
    const bool hidden = k >= 15 && k <= 18, clear = k <= 10 || k >= 23;
    if (hidden) EXPECT_TRUE(marks[static_cast<std::size_t>(k)].uncertain) << k;
    if (clear) {
      EXPECT_FALSE(marks[static_cast<std::size_t>(k)].uncertain) << k;
      EXPECT_LT(run.Error(0, k, 0), 1.5) << k;
    }
  }
  // Listed from the first image partly hidden to the last.
  const auto& list = run.tracking.UncertainImages();
  ASSERT_FALSE(list.empty());
  EXPECT_GE(list.front(), 11);
  EXPECT_LE(list.back(), 22);
}

TEST(AppearanceRun, TwoBallsCrossingKeepTheirIdentities) {
  TGreyScene s;
  // They meet on image 15, the second in front, a little lower.
  s.balls.push_back({[](double t) { return TPixelF{40.0 + 8.0 * t, 100.0}; }, 14.0, 0.0});
  s.balls.push_back({[](double t) { return TPixelF{280.0 - 8.0 * t, 110.0}; }, 14.0, 2.0});
  AppearanceRun run(s, 2);
  ASSERT_TRUE(run.tracking.RunToEnd());
  for (int k : {5, 10, 20, 25, 29}) {
    for (int b = 0; b < 2; ++b) {
      EXPECT_LT(run.Error(b, k, b), 1.5) << "ball " << b << " image " << k;
      EXPECT_FALSE(run.tracking.System(b).marks[static_cast<std::size_t>(k)].uncertain);
    }
  }
}

TEST(AppearanceRun, TheMethodIsTheAnalysisOwn) {
  // The colour tracker on the same run loses the grey ball: the method
  // chosen is what the run uses.
  AppearanceRun run(BallBehindAScreen());
  EXPECT_EQ(run.data.TrackingMethod(), tmAppearance);
  run.tracking.SetMethod(tmColour);
  EXPECT_EQ(run.data.TrackingMethod(), tmColour);
  ASSERT_TRUE(run.tracking.RunToEnd());
  EXPECT_GT(run.Error(0, 8, 0), 14.0);
  EXPECT_EQ(run.tracking.SearchSide(), run.tracking.Tracker().WindowSize());
  run.tracking.SetMethod(tmAppearance);
  ASSERT_TRUE(run.tracking.RunToEnd());
  EXPECT_LT(run.Error(0, 8, 0), 1.5);
  EXPECT_EQ(run.tracking.SearchSide(), run.tracking.Appearance().SearchWidth());
}

}  // namespace
}  // namespace kinevo
