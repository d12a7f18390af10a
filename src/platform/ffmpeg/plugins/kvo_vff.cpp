// The reading bridge plugin KvoVff: the entry points the bridge frame source
// resolves by name, over the program's FFmpeg decoding code.  One file is
// open at a time; the position is stored by FFwPosition (which the playback
// timer may call from its own thread) and the image decoded by FFDraw.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/ffmpeg/ffmpeg_video.h"
#include "platform/ffmpeg/kvo_bridge.h"

#define KVO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
kinevo::ff::TFfmpegVideo& Video() {
  static kinevo::ff::TFfmpegVideo video;
  return video;
}
std::atomic<int32_t> position{0};
std::string comment;
std::string failure;                // why the last FFwFileName failed
std::vector<int32_t> samePictures;  // of the open file, see FFwSamePictureCount
FFProgressCallback progressCallback = nullptr;
void* progressUser = nullptr;
}  // namespace

KVO_EXPORT void FFwFileName(const char* fileName) {
  position = 0;
  kinevo::TOpenProgress progress;
  if (progressCallback) {
    FFProgressCallback cb = progressCallback;
    void* user = progressUser;
    progress = [cb, user](double f) { return cb(f, user) != 0; };
  }
  // No exception crosses the plugin's C interface.
  try {
    Video().Open(fileName ? fileName : "", progress);
  } catch (const std::bad_alloc&) {
    Video().Close();
    failure = "mémoire insuffisante pour lire le fichier";
    return;
  }
  failure = Video().IsOpen() ? std::string() : Video().Error();
}

KVO_EXPORT const char* FFwError() { return failure.c_str(); }

KVO_EXPORT uint8_t FFIsOpen() { return Video().IsOpen() ? 1 : 0; }
KVO_EXPORT int32_t FFFrameWidth() { return Video().Width(); }
KVO_EXPORT int32_t FFFrameHeight() { return Video().Height(); }
KVO_EXPORT double FFNbImgParSec() { return Video().FrameRate(); }
KVO_EXPORT double FFDuration() { return Video().Duration(); }
KVO_EXPORT int32_t FFFrameCount() { return Video().FrameCount(); }

KVO_EXPORT void FFwPosition(int32_t index) { position = index; }

KVO_EXPORT int32_t FFDraw(KvoBitmap* bitmap) {
  auto& v = Video();
  if (!bitmap || !bitmap->pixels || !v.IsOpen()) return 0;
  if (bitmap->width != v.Width() || bitmap->height != v.Height() ||
      bitmap->stride < bitmap->width * 3)
    return 0;
  const int32_t n = std::clamp<int32_t>(position.load(), 0, v.FrameCount() - 1);
  // Converted straight into the caller's bitmap.
  try {
    return v.ReadFrame(n, bitmap->pixels, static_cast<std::size_t>(bitmap->stride)) ? 1 : 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

KVO_EXPORT const char* FFCommentaire(const char* fileName) {
  comment = kinevo::ff::TFfmpegVideo::ReadComment(fileName ? fileName : "");
  return comment.c_str();
}

KVO_EXPORT void FFClose() {
  Video().Close();
  position = 0;
}

// The writing side lives in its own plugin; these two are resolved by the
// reading source but never called.
KVO_EXPORT void FFrFileName(const char*) {}
KVO_EXPORT void FFrPosition(int32_t) {}

KVO_EXPORT void FFwProgress(FFProgressCallback callback, void* user) {
  progressCallback = callback;
  progressUser = user;
}

KVO_EXPORT void FFwCacheSize(uint64_t bytes) {
  Video().SetCacheBudget(static_cast<std::size_t>(bytes));
}

KVO_EXPORT uint8_t FFwVariableRate() { return Video().VariableRate() ? 1 : 0; }
KVO_EXPORT double FFwFrameTime(int32_t index) { return Video().FrameTime(index); }
KVO_EXPORT int32_t FFwRotation() { return Video().Rotation(); }
KVO_EXPORT uint8_t FFwIncoherentDurations() { return Video().IncoherentDurations() ? 1 : 0; }
KVO_EXPORT double FFwCaptureRate() { return Video().CaptureRate(); }
// The count works the list out; the caller then asks for each element.
KVO_EXPORT int32_t FFwSamePictureCount() {
  samePictures = Video().SamePictures();
  return static_cast<int32_t>(samePictures.size());
}
KVO_EXPORT int32_t FFwSamePicture(int32_t k) {
  return k >= 0 && static_cast<std::size_t>(k) < samePictures.size()
             ? samePictures[static_cast<std::size_t>(k)]
             : -1;
}
