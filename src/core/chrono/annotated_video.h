#pragma once
// The annotated video ("Exporter la vidéo annotée"): a new video of the
// analysis in which each image carries the marks up to it (all of them or
// a trail of the last ones), the current speed or acceleration vectors and
// the axes and scale, optionally slowed down by writing each image several
// times.  The overlay of each image is a chronophotograph plan reduced to
// what that image may show.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "core/chrono/chronophotograph.h"
#include "core/chrono/strobe_picture.h"
#include "core/common/result.h"
#include "core/montage/recorder.h"

namespace kinevo {

// The overlay of file image `image`: the marks of the marked images up to
// it, only the last `trail` of them (0: all), each system's vector on its
// latest mark only.
TChronophotograph OverlayOfImage(const TChronophotograph& all, int32_t image, int trail);

// Draws an overlay over a picture of its size (platform/qt does it).
using TOverlayPainter = std::function<void(Image& picture, const TChronophotograph& overlay)>;
// Told the images done out of the total; answers false to cancel.
using TVideoProgress = std::function<bool(int32_t done, int32_t total)>;

struct TAnnotatedVideo {
  int32_t images = 0;  // of the source video, written in order
  double rate = 25.0;  // images per second of the file
  int slow = 1;        // each image written this many times
  int trail = 0;
  std::string codec;
};

// Writes the video at `path` through `recorder`, whole or not at all: a
// cancel or a failure leaves no file (and an earlier file as it was).
TStatus WriteAnnotatedVideo(const std::string& path, const TAnnotatedVideo& video,
                            const TChronophotograph& all, TRecorder& recorder,
                            const TImageReader& read, const TOverlayPainter& paint,
                            const TVideoProgress& progress = {});

}  // namespace kinevo
