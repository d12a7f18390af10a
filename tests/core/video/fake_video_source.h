#pragma once
// A frame source without a file for the view's tests: it "opens" names that
// start with "fake", with the size, count and rate set on it, and draws a
// picture whose pixel (x, y) of image i is RGB(x mod 256, y mod 256, i mod 256).
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "core/video/frame_source.h"

namespace kinevo::test {

class FakeVideoSource : public TBridgeFrameSource {
 public:
  explicit FakeVideoSource(TVideoFramework fw, bool accepts = true)
      : TBridgeFrameSource(fw), accepts_(accepts) {}
  ~FakeVideoSource() override { Close(); }

  int width = 640, height = 480, images = 50;
  double rate = 25.0;
  int decodeDelayMs = 0;        // time each decode takes
  std::atomic<int> decodes{0};  // images decoded so far

  static TColor PixelOf(int x, int y, int index) {
    return RGBColor(static_cast<uint8_t>(x % 256), static_cast<uint8_t>(y % 256),
                    static_cast<uint8_t>(index % 256));
  }

  bool LoadBridgeLibrary() override { return false; }
  std::string FileComment(const std::string&) override { return {}; }

 protected:
  bool OpenFile(const std::string& fileName, TStreamInfo& info) override {
    if (!accepts_ || fileName.rfind("fake", 0) != 0) return false;
    info.width = width;
    info.height = height;
    info.imagesNumber = images;
    info.imageRate = rate;
    return true;
  }
  void CloseFile() override {}
  bool FetchImage(int32_t index, Image& picture) override {
    if (decodeDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(decodeDelayMs));
    if (picture.Width() != width || picture.Height() != height) picture.Resize(width, height);
    for (int y = 0; y < height; ++y) {
      uint8_t* row = picture.Row(y);
      for (int x = 0; x < width; ++x) {
        row[3 * x] = static_cast<uint8_t>(x % 256);
        row[3 * x + 1] = static_cast<uint8_t>(y % 256);
        row[3 * x + 2] = static_cast<uint8_t>(index % 256);
      }
    }
    ++decodes;
    return true;
  }

 private:
  bool accepts_;
};

}  // namespace kinevo::test
