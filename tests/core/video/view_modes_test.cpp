// Modes and their refusals, routing of mouse and keys, painting, document
// keys and playback of the video view.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <stdexcept>
#include <thread>

#include "core/common/ini_file.h"
#include "support/recording_canvas.h"
#include "video_fixture.h"

namespace kinevo {
namespace {

using test::VideoFixture;

// Two modes taking part in the mode changes, each logging its steps
// ("A may 3>4", "A leave 3>4", "A enter 4", "A entered 4").
struct ModeFixture : VideoFixture {
  std::vector<std::string> calls;
  // A mode refuses every change to the mode given here.
  std::map<std::string, TVideoMode> refuses;
  TConnection a, b;

  TViewModeHandlers Logging(const std::string& name) {
    auto arrow = [](TVideoMode from, TVideoMode to) {
      return std::to_string(from) + ">" + std::to_string(to);
    };
    return {
        .MayChange =
            [=, this](TVideoMode from, TVideoMode to) {
              calls.push_back(name + " may " + arrow(from, to));
              auto it = refuses.find(name);
              return it == refuses.end() || it->second != to;
            },
        .Leave = [=, this](TVideoMode from,
                           TVideoMode to) { calls.push_back(name + " leave " + arrow(from, to)); },
        .Enter =
            [=, this](TVideoMode to) {
              calls.push_back(name + " enter " + std::to_string(to));
              return true;
            },
        .Entered =
            [=, this](TVideoMode to) { calls.push_back(name + " entered " + std::to_string(to)); },
    };
  }
  void SetUp() override {
    VideoFixture::SetUp();
    a = video->AddModeHandlers(Logging("A"));
    b = video->AddModeHandlers(Logging("B"));
  }
};

TEST_F(ModeFixture, MontageIsRefusedOnAOneImageVideo) {
  Open(640, 480, 1);
  events.clear();
  video->SetMode(vmMontage);
  EXPECT_EQ(video->Mode(), vmRepereFixe);
  EXPECT_EQ(events, std::vector<std::string>{"refused"});
}

TEST_F(ModeFixture, EveryModeTakesPartStepByStepInTheOrderOfRegistration) {
  Open();  // the view sets its mode again on opening
  calls.clear();
  events.clear();
  video->SetMode(vmTracking);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"A may 3>4", "B may 3>4", "A leave 3>4", "B leave 3>4",
                                      "A enter 4", "B enter 4", "A entered 4", "B entered 4"}));
  // The same mode again: no leaving.
  calls.clear();
  video->SetMode(vmTracking);
  EXPECT_EQ(calls, (std::vector<std::string>{"A may 4>4", "B may 4>4", "A enter 4", "B enter 4",
                                             "A entered 4", "B entered 4"}));
  EXPECT_EQ(events, std::vector<std::string>{"mode"});
}

TEST_F(ModeFixture, AnyModeMayRefuseAChangeBeforeAnythingIsLeft) {
  Open();
  video->SetTool(vtZoom);
  refuses["B"] = vmCapture;
  calls.clear();
  video->SetMode(vmCapture);
  EXPECT_EQ(video->Mode(), vmRepereFixe);
  EXPECT_EQ(video->Tool(), vtZoom);  // a refused mode keeps the tool
  EXPECT_EQ(events.back(), "refused");
  EXPECT_EQ(calls, (std::vector<std::string>{"A may 3>1", "B may 3>1"}));
  // The first refusal ends the asking.
  calls.clear();
  refuses["A"] = vmCapture;
  video->SetMode(vmCapture);
  EXPECT_EQ(calls, std::vector<std::string>{"A may 3>1"});
}

TEST_F(ModeFixture, AModeThatFailsToEnterRefusesTheMode) {
  Open();
  video->SetTool(vtZoom);
  TConnection failing =
      video->AddModeHandlers({.Enter = [](TVideoMode to) { return to != vmTracking; }});
  video->SetMode(vmTracking);
  EXPECT_EQ(video->Mode(), vmRepereFixe);
  EXPECT_EQ(video->Tool(), vtZoom);
  EXPECT_EQ(events.back(), "refused");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "A entered 4"), 0);
  video->SetMode(vmTransparent);
  EXPECT_EQ(video->Tool(), vtNone);
  EXPECT_EQ(events.back(), "mode");
}

// Only a refusal refuses a mode: a participant that fails otherwise is a
// fault, which reaches the caller instead of passing for a refusal.
TEST_F(ModeFixture, AFaultOfAParticipantIsNotTakenForARefusal) {
  Open();
  TConnection failing = video->AddModeHandlers(
      {.Enter = [](TVideoMode) -> bool { throw std::logic_error("fault"); }});
  EXPECT_THROW(video->SetMode(vmTracking), std::logic_error);
  EXPECT_TRUE(events.empty() || events.back() != "refused");
}

TEST_F(ModeFixture, AModeThatUnregistersIsNoLongerAskedAndTheOthersStay) {
  Open();
  refuses["A"] = vmCapture;
  a.Disconnect();
  calls.clear();
  video->SetMode(vmCapture);
  EXPECT_TRUE(video->IsCapture());
  EXPECT_EQ(
      std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c[0] == 'A'; }),
      0);
  EXPECT_EQ(calls.back(), "B entered 1");

  // A mode whose window closes as its mode is left unregisters during the
  // change: it is not called again, and the modes after it still are.
  calls.clear();
  TConnection closing;
  closing = video->AddModeHandlers({.Leave = [&](TVideoMode from, TVideoMode) {
    if (from == vmCapture) closing.Disconnect();
  }});
  TConnection last = video->AddModeHandlers(Logging("C"));
  video->SetMode(vmRepereFixe);
  EXPECT_FALSE(closing.Connected());
  EXPECT_EQ(calls,
            (std::vector<std::string>{"B may 1>3", "C may 1>3", "B leave 1>3", "C leave 1>3",
                                      "B enter 3", "C enter 3", "B entered 3", "C entered 3"}));
  EXPECT_TRUE(video->IsGrid());
}

TEST_F(ModeFixture, OpeningAnotherVideoInMontageModeResetsTheMontageFirst) {
  Open(64, 48, 10);
  video->SetTool(vtZoom);
  video->SetMode(vmMontage);
  montage.visible[0] = false;
  fake->images = 20;
  video->OpenVideo("fake2.avi");
  EXPECT_TRUE(video->IsGrid());
  EXPECT_EQ(video->Tool(), vtNone);
  EXPECT_EQ(montage.leaves, 1);
  EXPECT_EQ(montage.countAtLeave, 20);  // the new file's montage, every image visible
  EXPECT_EQ(video->CurrentImage(), 0);
  EXPECT_EQ(events.back(), "open");
}

TEST_F(VideoFixture, CaptureHidesTheViewAndLeavingMontageLeavesTheMontage) {
  Open();
  video->SetMode(vmCapture);
  EXPECT_TRUE(video->IsCapture());
  EXPECT_FALSE(video->ViewVisible());
  video->SetMode(vmRepereFixe);
  EXPECT_TRUE(video->ViewVisible());
  video->SetMode(vmMontage);
  EXPECT_EQ(montage.leaves, 0);
  video->SetMode(vmRepereFixe);
  EXPECT_EQ(montage.leaves, 1);
}

TEST_F(VideoFixture, MouseGoesToTheClientOfTheModeAndNowhereWithoutAFile) {
  video->Resize(640, 480);
  video->MouseDown(mbLeft, {}, 1, 1);
  EXPECT_TRUE(marking.log.empty());
  Open();
  video->MouseDown(mbLeft, {}, 10, 20);
  video->MouseMove({}, 11, 21);
  video->MouseUp(mbLeft, {}, 12, 22);
  EXPECT_EQ(marking.log, (std::vector<std::string>{"down 0 10,20", "move 11,21", "up 0 12,22"}));
  video->SetMode(vmTracking);
  video->MouseDown(mbRight, {}, 3, 4);
  EXPECT_EQ(tracking.log, std::vector<std::string>{"down 1 3,4"});
  video->SetMode(vmMontage);
  video->MouseDown(mbLeft, {}, 3, 4);
  EXPECT_EQ(tracking.log.size(), 1u);
  EXPECT_EQ(marking.log.size(), 3u);
}

TEST_F(VideoFixture, KeysActOnTheToolsThenReachTheMarkingData) {
  Open();
  TPixel& cursor = host.pointer;
  cursor = {100, 80};
  int key = vkRight;
  video->KeyDown(key, {false, true, false});
  EXPECT_EQ(cursor, (TPixel{110, 80}));
  key = vkUp;
  video->KeyDown(key, {});
  EXPECT_EQ(cursor, (TPixel{110, 79}));
  video->SetTool(vtZoom);
  key = vkReturn;
  video->KeyDown(key, {});
  EXPECT_EQ(key, 0);
  EXPECT_TRUE(video->Zoom().Dragging);
  EXPECT_EQ(video->Zoom().BandRect.left, 110);
  video->SetTool(vtNone);
  key = vkReturn;
  video->KeyDown(key, {});
  EXPECT_EQ(marking.log.back(), "key 13");
  key = vkEscape;
  video->KeyDown(key, {});
  EXPECT_EQ(marking.log[marking.log.size() - 2], "down 1 110,79");
}

TEST_F(VideoFixture, CursorFollowsToolModeAndOpenFile) {
  const std::string& shown = host.cursor;
  video->UpdateCursor();
  EXPECT_EQ(shown, "");
  Open();
  video->UpdateCursor();
  EXPECT_EQ(shown, "Marque");
  video->SetTool(vtPan);
  EXPECT_EQ(shown, "Pan");
  video->SetTool(vtZoom);
  EXPECT_EQ(shown, "Zoom");
  video->SetMode(vmMontage);
  EXPECT_EQ(shown, "");
}

TEST_F(VideoFixture, PaintShowsTheVisiblePartThenOverlaysThenWaitingText) {
  Open(640, 480, 5, 320, 240);
  fake->decodes = 0;
  video->GoToImage(3);
  test::RecordingCanvas canvas;
  ASSERT_TRUE(video->Paint(canvas));
  const Image& b = video->BackBuffer();
  ASSERT_EQ(b.Width(), 320);
  // Pixel (x, y) of the view shows picture pixel (2x, 2y) of image 3.
  EXPECT_EQ(b.Pixel(10, 20), test::FakeVideoSource::PixelOf(20, 40, 3));
  EXPECT_EQ(marking.log.back(), "paint");
  EXPECT_TRUE(canvas.Of("text").empty());

  video->SetWaiting(true);
  canvas.Clear();
  ASSERT_TRUE(video->Paint(canvas));
  auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "Veuillez patienter ...");
  EXPECT_TRUE(texts[0].opaque);
  EXPECT_EQ(texts[0].brush.color, colors::White);
  // Overlays first, the waiting text last.
  EXPECT_EQ(canvas.calls.back().op, "text");

  video->HideImage = true;
  ASSERT_TRUE(video->Paint(canvas));
  EXPECT_EQ(video->BackBuffer().Pixel(10, 20), colors::White);
}

TEST_F(VideoFixture, HiddenImageIsInvertedOnlyInMontageMode) {
  Open(64, 48, 5, 64, 48);
  montage.visible[2] = false;
  video->GoToImage(2);
  test::RecordingCanvas canvas;
  ASSERT_TRUE(video->Paint(canvas));
  EXPECT_EQ(video->BackBuffer().Pixel(5, 6), test::FakeVideoSource::PixelOf(5, 6, 2));
  video->SetMode(vmMontage);
  ASSERT_TRUE(video->Paint(canvas));
  EXPECT_EQ(video->BackBuffer().Pixel(5, 6), test::FakeVideoSource::PixelOf(5, 6, 2) ^ 0xFFFFFF);
  // The tracker and the recorder always get the plain picture.
  Image full;
  ASSERT_TRUE(video->DrawCurrentImage(full));
  EXPECT_EQ(full.Pixel(5, 6), test::FakeVideoSource::PixelOf(5, 6, 2));
}

TEST_F(VideoFixture, NoPictureWithoutAFileOrASize) {
  test::RecordingCanvas canvas;
  video->Resize(640, 480);
  EXPECT_FALSE(video->Paint(canvas));
  Open();
  video->Resize(0, 0);
  EXPECT_FALSE(video->Paint(canvas));
  video->OpenVideo("");
  EXPECT_FALSE(video->IsOpen());
  EXPECT_EQ(events.back(), "close");
  EXPECT_EQ(video->DisplayedImagesNumber(), 0);
}

TEST_F(VideoFixture, PageKeysStepThroughTheShownImagesHomeAndEndGoToTheEnds) {
  Open(64, 48, 10);
  montage.visible[1] = false;
  auto press = [&](int code) {
    int key = code;
    video->KeyDown(key, {});
    return key;
  };
  EXPECT_EQ(press(vkNext), 0);          // used
  EXPECT_EQ(video->CurrentImage(), 2);  // image 1 is hidden
  EXPECT_EQ(press(vkEnd), 0);
  EXPECT_EQ(video->CurrentImage(), 9);
  press(vkNext);  // already on the last: stays
  EXPECT_EQ(video->CurrentImage(), 9);
  press(vkPrior);
  EXPECT_EQ(video->CurrentImage(), 8);
  press(vkHome);
  EXPECT_EQ(video->CurrentImage(), 0);
  press(vkPrior);
  EXPECT_EQ(video->CurrentImage(), 0);
  EXPECT_EQ(press(vkLeft), vkLeft);  // other keys go on to the marking
}

TEST_F(VideoFixture, NavigationCountsOnlyVisibleImagesOutsideMontage) {
  Open(64, 48, 10);
  montage.visible[1] = montage.visible[2] = false;
  EXPECT_EQ(video->DisplayedImagesNumber(), 8);
  video->GoToDisplayedImage(1);
  EXPECT_EQ(video->CurrentImage(), 3);
  EXPECT_EQ(video->DisplayedImage(), 1);
  video->AdvanceImages(-1);
  EXPECT_EQ(video->CurrentImage(), 0);
  video->AdvanceImages(-1);  // negative target: nothing
  EXPECT_EQ(video->CurrentImage(), 0);
  video->GoToDisplayedImage(99);  // beyond the visible images: nothing
  EXPECT_EQ(video->CurrentImage(), 0);
  video->SetMode(vmMontage);
  EXPECT_EQ(video->DisplayedImagesNumber(), 10);
  video->GoToDisplayedImage(2);
  EXPECT_EQ(video->CurrentImage(), 2);
  video->SetMode(vmRepereFixe);
  video->GoToMarkedImage(4);
  EXPECT_EQ(video->CurrentImage(), 4);
  video->GoToMarkedImage(-1);  // nothing marked
  EXPECT_EQ(video->CurrentImage(), 4);
}

TEST_F(VideoFixture, DocumentKeysOfTheVideoSection) {
  Open(64, 48, 10);
  TIniFile doc;
  video->LoadFromDocument(doc);  // defaults: image 1, Grid marking
  EXPECT_EQ(video->CurrentImage(), 1);
  EXPECT_TRUE(video->IsGrid());
  doc.SetText("[Video]\nImageNumber=7\nMarkingMode=1\n");
  video->LoadFromDocument(doc);
  EXPECT_EQ(video->CurrentImage(), 7);
  EXPECT_TRUE(video->IsLayer());
  doc.WriteString("Video", "ImageNumber", "99999999999");  // bounded to the last image
  video->LoadFromDocument(doc);
  EXPECT_EQ(video->CurrentImage(), 9);
  TIniFile out;
  video->StoreInDocument(out);
  EXPECT_EQ(out.ReadString("Video", "ImageNumber"), "9");
  EXPECT_EQ(out.ReadString("Video", "MarkingMode"), "1");
}

TEST_F(VideoFixture, TicksSkipHiddenImagesAndStopAtTheEnd) {
  fake->rate = 0.1;  // a clock of 10 s: the test ticks by hand
  Open(64, 48, 8);
  montage.visible[2] = montage.visible[3] = montage.visible[6] = false;
  video->Play(0, video->DisplayedImagesNumber() - 1);
  EXPECT_EQ(video->EndImage(), 7);
  std::vector<int> shown = {video->CurrentImage()};
  while (video->Tick()) shown.push_back(video->CurrentImage());
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 4, 5, 7}));
  // In montage mode every image of the file plays.
  video->StopPlay();
  video->SetMode(vmMontage);
  video->Play(1, 7);
  EXPECT_TRUE(video->Tick());
  EXPECT_EQ(video->CurrentImage(), 2);
  video->StopPlay();
}

// Waits (at most a few seconds) for playback to end.
bool WaitForEnd(TVideo& v) {
  for (int i = 0; i < 500 && v.Playing(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return !v.Playing();
}

TEST_F(VideoFixture, PaintDuringPlaybackShowsTheImageDecodedByTheWorker) {
  fake->rate = 10;  // 100 ms per image
  Open(64, 48, 5, 64, 48);
  std::atomic<int>& posted = host.posted;
  video->Play(0, 4);
  for (int i = 0; i < 300 && posted.load() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_GE(posted.load(), 1);
  test::RecordingCanvas canvas;
  ASSERT_TRUE(video->Paint(canvas));
  const int shown = BlueOf(video->BackBuffer().Pixel(3, 4));
  EXPECT_GE(shown, 1);  // an image the clock moved to, not the start image
  EXPECT_EQ(video->BackBuffer().Pixel(3, 4), test::FakeVideoSource::PixelOf(3, 4, shown));
  video->StopPlay();
  EXPECT_FALSE(video->Playing());
}

TEST_F(VideoFixture, PlaybackFromTheLastImageStopsAtTheFirstTick) {
  Open(64, 48, 5);
  video->Play(4, video->DisplayedImagesNumber() - 1);
  EXPECT_EQ(video->StartImage(), 4);
  ASSERT_TRUE(WaitForEnd(*video));
  EXPECT_EQ(video->CurrentImage(), 4);
}

TEST_F(VideoFixture, PlaybackOverAMontageShowsOnlyVisibleImagesAndDropsWhenDecodingIsSlow) {
  fake->rate = 200;  // 5 ms per image
  fake->decodeDelayMs = 20;
  Open(64, 48, 60);
  for (int i = 10; i < 20; ++i) montage.visible[static_cast<std::size_t>(i)] = false;
  std::atomic<int>& posted = host.posted;
  fake->decodes = 0;
  video->Play(0, video->DisplayedImagesNumber() - 1);
  EXPECT_EQ(video->EndImage(), 59);
  ASSERT_TRUE(WaitForEnd(*video));
  EXPECT_EQ(video->CurrentImage(), 59);
  // The clock did not wait for the decoder: far fewer images were decoded
  // than played, and each decoded image was announced.
  EXPECT_LT(fake->decodes.load(), 45);
  EXPECT_GE(posted.load(), 1);
  test::RecordingCanvas canvas;
  EXPECT_TRUE(video->Paint(canvas));
  // Navigation stops a running playback.
  video->Play(0, 49);
  video->GoToDisplayedImage(3);
  EXPECT_FALSE(video->Playing());
  EXPECT_EQ(video->CurrentImage(), 3);
}

}  // namespace
}  // namespace kinevo
