// The writing bridge plugin KvoRff: the entry points the bridge recorder
// resolves by name, over the program's FFmpeg encoding code.  One file is
// written at a time.  Every file carries the comment that makes the program
// open it again with the reading bridge.
#include <new>
#include <string>

#include "core/video/frame_sources.h"
#include "platform/ffmpeg/ffmpeg_recorder.h"
#include "platform/ffmpeg/kvo_rff_bridge.h"

#define KVO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
kinevo::ff::TFfmpegWriter& Writer() {
  static kinevo::ff::TFfmpegWriter writer;
  return writer;
}
std::string failure;

uint8_t Result(bool ok) {
  failure = ok ? std::string() : Writer().Error();
  return ok ? 1 : 0;
}
}  // namespace

KVO_EXPORT int32_t FFVersion() { return kKvoRffVersion; }

KVO_EXPORT uint8_t FFwFileName(const char* fileName, int32_t height, int32_t width, double rate,
                               int32_t codec) {
  const char* name =
      codec == kKvoRffCodecLossless ? kinevo::ff::kCodecFfv1 : kinevo::ff::kCodecMpeg4;
  // No exception crosses the plugin's C interface.
  try {
    return Result(Writer().Open(fileName ? fileName : "", width, height, rate, name,
                                kinevo::TFrameSources::kOwnRecorderComment));
  } catch (const std::bad_alloc&) {
    Writer().Abort();
    failure = "mémoire insuffisante";
    return 0;
  }
}

KVO_EXPORT uint8_t FFAddFrame(const KvoBitmap* bitmap) {
  auto& w = Writer();
  if (!bitmap || !bitmap->pixels || bitmap->width != w.Width() || bitmap->height != w.Height() ||
      bitmap->stride < bitmap->width * 3) {
    failure = "Une image est abîmée";
    return 0;
  }
  try {
    return Result(w.AddFrame(bitmap->pixels, static_cast<std::size_t>(bitmap->stride)));
  } catch (const std::bad_alloc&) {
    failure = "mémoire insuffisante";
    return 0;
  }
}

KVO_EXPORT uint8_t FFWriteFile() {
  if (!Writer().IsOpen()) return 0;
  return Result(Writer().Close());
}

KVO_EXPORT const char* FFrError() { return failure.c_str(); }
