#pragma once
// The tracking controller's view: the program's video view, its displayed
// image numbers and full-resolution pictures, and the window's event pump.
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
  bool DrawCurrentImage(Image& picture) override { return video_.DrawCurrentImage(picture); }
  void ProcessMessages() override {
    if (IViewHost* h = video_.Host()) h->ProcessMessages();
  }

 private:
  TVideo& video_;
};

}  // namespace kinevo
