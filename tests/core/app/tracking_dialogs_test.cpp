// The value dialogs of the tracking buttons: the last image of the
// sequence (after the contour check), the tracked object and the radius.
#include "core/app/tracking_dialogs.h"

#include <gtest/gtest.h>

#include "core/marking/marking_data.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"

namespace kinevo {
namespace {

struct Host : ITrackingHost {
  test::FakeView view{100, 100, 50};
  IVideoView& View() override { return view; }
  int DisplayedImagesNumber() const override { return view.ImagesNumber(); }
  int DisplayedImage() const override { return view.current; }
  void GoToDisplayedImage(int n) override { view.GoToImage(n); }
  int FileIndexOf(int displayed) const override { return displayed; }
  bool DrawCurrentImage(Image&) override { return false; }
  bool ReadImage(int, Image&) override { return false; }
  void Post(std::function<void()>) override {}
};

// Types a text into the value window and records what it showed.
struct Typist : IValueDialogPresenter {
  std::string text, range, caption;
  int shown = 0;
  void Present(IValueEntry& e) override {
    ++shown;
    range = e.RangeText();
    caption = e.WindowCaption();
    e.TryClose(text);
  }
};

struct TrackingDialogs : ::testing::Test {
  Host host;
  test::ScriptedDialog messages;
  TUserDlg dialog{&messages};
  TGraphUtils graph;
  TData data{host.view, dialog, graph};
  TTracking tracking{host, data, dialog};
  Typist typist;
  TBoiteValeur values{dialog, &typist};
  void SetUp() override {
    values.ContextProvider = [this] {
      TValueDialogContext c;
      c.videoOpen = true;
      c.imagesCount = 50;
      c.marksNumberPerFrame = data.MarksNumberPerFrame();
      return c;
    };
  }
};

TEST_F(TrackingDialogs, LastImageAskedAfterTheContourCheckWithTheTrackersRange) {
  ChooseTrackingLastImage(tracking, values);
  EXPECT_EQ(typist.shown, 0);
  EXPECT_EQ(messages.LastText(), "Dessiner, au préalable, le contour de l'objet à suivre.");

  host.view.current = 4;
  ASSERT_TRUE(tracking.SetContour({{0.1, 0.1}, {0.2, 0.1}, {0.2, 0.2}}));
  typist.text = "20";
  ChooseTrackingLastImage(tracking, values);
  EXPECT_EQ(typist.caption, "Définir le numéro de la dernière image du suivi");
  EXPECT_EQ(typist.range, "6 <= numéro <= 50");
  EXPECT_EQ(tracking.LastImage(), 19);  // typed numbers are 1-based
}

TEST_F(TrackingDialogs, ObjectAndRadius) {
  data.SetMarksNumberPerFrame(3);
  tracking.Reset();
  typist.text = "3";
  ChooseTrackingSystem(tracking, values);
  EXPECT_EQ(typist.range, "1 <= numéro <= 3");
  EXPECT_EQ(tracking.CurrentSystem(), 2);
  typist.text = "75";
  ChooseTrackingRadius(tracking, values);
  EXPECT_EQ(tracking.Radius(), 75);
  EXPECT_EQ(tracking.Tracker().Radius(), 75);
}

}  // namespace
}  // namespace kinevo
