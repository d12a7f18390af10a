// OnImageChange: the windows follow the image shown through it, never
// through the paint.  Once per change, whichever way the image changed, and
// from playback through the host's window thread.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "core/common/ini_file.h"
#include "video_fixture.h"

namespace kinevo::test {
namespace {

struct ImageChange : VideoFixture {
  std::vector<int> told;  // CurrentImage() at each OnImageChange
  void SetUp() override {
    VideoFixture::SetUp();
    links += video->OnImageChange.Connect([this](void*) { told.push_back(video->CurrentImage()); });
  }
};

TEST_F(ImageChange, EveryWayOfMovingTellsOnceAndStayingTellsNothing) {
  Open(64, 48, 10);
  EXPECT_EQ(told, (std::vector<int>{0}));  // a new video shows its first image
  told.clear();
  video->GoToImage(4);
  video->GoToImage(4);
  video->GoToDisplayedImage(6);
  video->GoToDisplayedImage(6);
  video->AdvanceImages(1);
  video->AdvanceImages(-2);
  EXPECT_TRUE(video->StepKey(vkHome));
  EXPECT_TRUE(video->StepKey(vkHome));
  EXPECT_EQ(told, (std::vector<int>{4, 6, 7, 5, 0}));

  // Through the montage: displayed 2 is file image 3.
  montage.visible[2] = false;
  told.clear();
  video->GoToDisplayedImage(2);
  EXPECT_EQ(told, (std::vector<int>{3}));

  // Reading a document moves to its image.
  told.clear();
  TIniFile doc;
  doc.SetText("[Video]\nImageNumber=8\n");
  video->LoadFromDocument(doc);
  EXPECT_EQ(told, (std::vector<int>{8}));
}

TEST_F(ImageChange, ANewVideoTellsItsFirstImageEvenWhenTheOldOneShowedImageZero) {
  Open(64, 48, 10);
  ASSERT_EQ(video->CurrentImage(), 0);
  told.clear();
  video->OpenVideo("fake2.avi");
  ASSERT_TRUE(video->IsOpen());
  EXPECT_EQ(told, (std::vector<int>{0}));
}

TEST_F(ImageChange, PlaybackTellsOnTheWindowThreadOnly) {
  fake->rate = 200;  // 5 ms per image
  Open(64, 48, 12);
  told.clear();
  const std::thread::id window = std::this_thread::get_id();
  std::vector<std::thread::id> threads;
  links += video->OnImageChange.Connect(
      [&threads](void*) { threads.push_back(std::this_thread::get_id()); });
  video->Play(3, 11);
  EXPECT_EQ(told, (std::vector<int>{3}));  // the start image, told at once
  for (int i = 0; i < 500 && video->Playing(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_FALSE(video->Playing());
  // The clock's thread told nothing itself: it posted to the window.
  EXPECT_EQ(told.size(), 1U);
  EXPECT_GE(host.RunPosted(), 1);
  ASSERT_GE(told.size(), 2U);
  EXPECT_EQ(told.back(), 11);
  for (std::size_t k = 1; k < told.size(); ++k) EXPECT_GT(told[k], told[k - 1]);
  for (const auto& id : threads) EXPECT_EQ(id, window);
  video->StopPlay();
}

}  // namespace
}  // namespace kinevo::test
