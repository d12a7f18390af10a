#pragma once
// The tracking controller's view: the program's video view, its displayed
// image numbers and full-resolution pictures, and its window's thread.
#include "core/tracking/tracking.h"
#include "core/video/video.h"

namespace kinevo {

class TVideoTrackingHost : public ITrackingHost {
 public:
  explicit TVideoTrackingHost(TVideo& video) : video_(video) {}
  IVideoView& View() override { return video_; }
  int DisplayedImagesNumber() const override { return video_.DisplayedImagesNumber(); }
  int DisplayedImage() const override { return video_.DisplayedImage(); }
  void GoToDisplayedImage(int n) override { video_.GoToDisplayedImage(n); }
  int FileIndexOf(int displayed) const override { return video_.MapToFile(displayed); }
  bool DrawCurrentImage(Image& picture) override { return video_.DrawCurrentImage(picture); }
  bool ReadImage(int index, Image& picture) override {
    return video_.Source().ReadImage(index, picture);
  }
  void Post(std::function<void()> work) override {
    if (IViewHost* h = video_.Host()) h->Post(std::move(work));
  }

 private:
  TVideo& video_;
};

}  // namespace kinevo
