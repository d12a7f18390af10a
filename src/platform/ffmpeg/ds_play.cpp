#include "platform/ffmpeg/ds_play.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/avi/video_file_check.h"

namespace kinevo {

bool TDSPlay::OpenFile(const std::string& fileName, TStreamInfo& info) {
  if (const TFileCheck check = CheckVideoFile(fileName); !check.Passed()) {
    SetError(check);
    return false;
  }
  try {
    if (!video_.Open(fileName, [this](double f) { return ReportProgress(f); })) {
      SetError(video_.Error());
      return false;
    }
  } catch (const std::bad_alloc&) {
    video_.Close();
    SetError("mémoire insuffisante pour lire le fichier");
    return false;
  }
  info.width = video_.Width();
  info.height = video_.Height();
  info.imageRate = video_.FrameRate();
  info.streamDuration = video_.Duration();
  // The images are counted in the packet index built on opening, not as
  // the stream's duration times its rate: a damaged timestamp would make
  // that product absurd, and images that cannot be decoded are not counted.
  info.imagesNumber = video_.FrameCount();
  info.imageTimes = video_.FrameTimes();
  info.variableRate = video_.VariableRate();
  info.rotation = video_.Rotation();
  info.incoherentDurations = video_.IncoherentDurations();
  info.captureRate = video_.CaptureRate();
  info.samePictures = video_.SamePictures();
  byIndex_ = info.variableRate;
  streamPosition_ = 0.0;
  return true;
}

double TDSPlay::TimeOfImage(int32_t n) const {
  double t = n * 1.0001 * ImageDuration();
  if (t > StreamDuration()) t = StreamDuration();
  if (t < 0) t = 0;
  return t;
}

int32_t TDSPlay::FrameOfImage(int32_t index) const {
  // Image `index` itself, not the one the view shows: a tracking run reads
  // ahead of the view from its worker.
  return byIndex_ ? index : video_.FrameAtTime(TimeOfImage(index));
}

void TDSPlay::GoToImage(int32_t n) {
  if (!Opened() || n == ImageIndex()) return;
  if (byIndex_) {
    // At a variable rate no single duration finds image n by time: the
    // image is addressed by its index, and fetched at its own time.
    const int32_t index = BoundIndex(n);
    streamPosition_.store(video_.FrameTime(index), std::memory_order_relaxed);
    SetImageIndex(index);
    return;
  }
  streamPosition_.store(TimeOfImage(n), std::memory_order_relaxed);
  SetImageIndex(BoundIndex(n));
}

bool TDSPlay::TestFirstImage(int32_t index) {
  try {
    return video_.CanShow(FrameOfImage(index));
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool TDSPlay::FetchImage(int32_t index, Image& picture) {
  try {
    return video_.ReadFrame(FrameOfImage(index), picture);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::unique_ptr<TDecodedImage> TDSPlay::DecodeApart(int32_t index) {
  try {
    return video_.DecodeApart(FrameOfImage(index));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace kinevo
