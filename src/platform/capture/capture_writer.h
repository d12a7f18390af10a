#pragma once
// The files a capture is written to: AVI with uncompressed BGR24 pictures
// ("sans") or MJPEG through the built-in AVI writer, or AVI with one of the
// lossless FFmpeg encoders found at run time (FFV1, HuffYUV, Ut Video).
#include <memory>
#include <string>
#include <vector>

#include "core/common/image.h"
#include "core/common/result.h"

namespace kinevo::capture {

inline constexpr const char* kNoCodec = "sans";
inline constexpr const char* kMjpegCodec = "MJPEG";

class IFrameWriter {
 public:
  virtual ~IFrameWriter() = default;
  // `rate` images per second; fails, saying why, when the file cannot be
  // started.
  virtual TStatus Open(const std::string& path, int width, int height, double rate) = 0;
  virtual bool Write(const Image& picture) = 0;
  // A period without an image of its own: shown as the previous image.
  virtual bool Repeat() = 0;
  // Completes the file; false when anything failed since Open.
  virtual bool Close() = 0;
  virtual std::string Error() const = 0;
};

// "sans", "MJPEG", then the lossless encoders this FFmpeg has.
std::vector<std::string> CaptureCodecs();
// The writer of a codec of CaptureCodecs(); null for an unknown name.
std::unique_ptr<IFrameWriter> MakeFrameWriter(const std::string& codec);

}  // namespace kinevo::capture
