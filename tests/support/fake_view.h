#pragma once
// A view without a window: keeps a mode, an image number, a picture size and
// a pixel scale, and records what was asked of it.
#include <string>
#include <vector>

#include "core/common/video_view.h"

namespace kinevo::test {

class FakeView : public IVideoView {
 public:
  FakeView(int imageWidth = 640, int imageHeight = 480, int images = 100)
      : imageWidth_(imageWidth),
        imageHeight_(imageHeight),
        images_(images),
        viewWidth_(imageWidth),
        viewHeight_(imageHeight) {}

  // Settings of the fake.
  TVideoMode mode = vmRepereFixe;
  bool open = true;
  int current = 0;
  // Displayed order of file indexes (a montage); empty means identity.
  std::vector<int> displayed;
  void SetViewSize(int w, int h) {
    viewWidth_ = w;
    viewHeight_ = h;
  }
  void SetImagesNumber(int n) { images_ = n; }

  // What was asked.
  int repaints = 0;
  int cursorUpdates = 0;
  std::string cursor;
  std::vector<int> visited;  // file indexes gone to, in order

  TVideoMode Mode() const override { return mode; }
  bool IsOpen() const override { return open; }
  int CurrentImage() const override { return current; }
  int ImagesNumber() const override { return open ? images_ : 0; }
  void GoToImage(int index) override;
  void AdvanceImages(int n) override;
  TPictureCoord ScreenToPicture(double x, double y) const override;
  TPixel PictureToScreen(const TPictureCoord& p) const override;
  int ImageWidth() const override { return imageWidth_; }
  int ImageHeight() const override { return imageHeight_; }
  int ViewWidth() const override { return viewWidth_; }
  int ViewHeight() const override { return viewHeight_; }
  void Repaint() override { ++repaints; }
  void SetViewCursor(const std::string& name) override { cursor = name; }
  void UpdateCursor() override { ++cursorUpdates; }

 private:
  int imageWidth_, imageHeight_, images_;
  int viewWidth_, viewHeight_;
};

}  // namespace kinevo::test
