#include "core/video/frame_source.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "core/common/atomic_file.h"
#include "core/common/result.h"

namespace kinevo {

bool TFrameSource::DurationToMs(double seconds, uint16_t& ms) {
  if (!std::isfinite(seconds) || seconds <= 0.0) return false;
  const double v = std::nearbyint(seconds * 1000.0);
  if (!(v >= 0.0) || v > static_cast<double>(kMaxImageDurationMs)) return false;
  ms = static_cast<uint16_t>(v);
  return true;
}

int32_t TFrameSource::BoundIndex(int64_t n) const {
  if (imagesNumber_ <= 0) return 0;
  return static_cast<int32_t>(std::clamp<int64_t>(n, 0, imagesNumber_ - 1));
}

void TFrameSource::ResetState() {
  opened_ = false;
  imagesNumber_ = 0;
  imageTimes_.clear();
  imageTimes_.shrink_to_fit();
  variableRate_ = false;
  incoherentDurations_ = false;
  captureRate_ = 0.0;
  timingIssues_ = {};
  rotation_ = 0;
}

void TFrameSource::ReleaseQuietly() {
  CloseFile();
  ResetState();
}

void TFrameSource::Close() {
  if (!opened_ && !CloseNotifiesWhenClosed()) return;
  CloseFile();
  ResetState();
  OnClose(this);
}

TFileCheck TFrameSource::CheckRegularFile(const std::string& path) {
  // status() only looks at the file; it never opens it, so a FIFO cannot
  // block here.
  std::error_code ec;
  const auto st = std::filesystem::status(path, ec);
  if (st.type() == std::filesystem::file_type::not_found)
    return {TOpenFailure::Missing, "fichier introuvable"};
  if (ec) return {TOpenFailure::Unreadable, FileErrorReason(ec.value())};
  if (st.type() == std::filesystem::file_type::directory)
    return {TOpenFailure::Unreadable, "c'est un dossier, pas un fichier vidéo"};
  if (st.type() != std::filesystem::file_type::regular)
    return {TOpenFailure::Unreadable,
            "ce n'est pas un fichier ordinaire (tube, périphérique ou socket)"};
  return {};
}

// The checks of the properties a back-end read: the duration of an image
// in milliseconds, or the reason of a refusal.
static TResult<uint16_t> CheckStreamInfo(const TStreamInfo& info) {
  if (info.width <= 0 || info.height <= 0) return TError{"taille d'image nulle", {}};
  if (info.imagesNumber <= 0) return TError{"aucune image dans le fichier", {}};
  if (!std::isfinite(info.imageRate) || std::fabs(info.imageRate) < 1e-100 || info.imageRate <= 0.0)
    return TError{"cadence d'images inconnue ou nulle", {}};
  uint16_t ms = 0;
  if (!TFrameSource::DurationToMs(1.0 / info.imageRate, ms))
    return TError{"durée d'une image trop longue (plus de 65535 ms)", {}};
  return ms;
}

void TFrameSource::Open(const std::string& fileName) {
  fileName_ = fileName;
  Close();
  error_.clear();
  failure_ = TOpenFailure::None;
  if (fileName.empty()) return;

  TStreamInfo info;
  const bool read = OpenFile(fileName, info);
  const TResult<uint16_t> checked = read ? CheckStreamInfo(info) : TResult<uint16_t>(TError{});
  if (!checked) {
    if (!checked.error().reason.empty()) SetError(checked.error().reason);
    if (error_.empty()) SetError("le fichier n'a pas pu être lu");
    CloseFile();
    ResetState();
    return;
  }
  const uint16_t ms = checked.value();

  imageWidth_ = info.width;
  imageHeight_ = info.height;
  imageRate_ = info.imageRate;
  imageDuration_ = 1.0 / info.imageRate;
  imageDurationMs_ = ms;
  streamDuration_ =
      std::isfinite(info.streamDuration) && info.streamDuration > 0 ? info.streamDuration : 0.0;
  imagesNumber_ = info.imagesNumber;
  // Times that do not match the images are of no use.
  if (info.imageTimes.size() == static_cast<std::size_t>(info.imagesNumber))
    imageTimes_ = std::move(info.imageTimes);
  variableRate_ = info.variableRate;
  incoherentDurations_ = info.incoherentDurations;
  captureRate_ = std::isfinite(info.captureRate) && info.captureRate > 0 ? info.captureRate : 0.0;
  timingIssues_ = FindTimingIssues(imageTimes_, info.samePictures);
  rotation_ = info.rotation;
  SetImageIndex(BoundIndex(info.startIndex));
  opened_ = true;

  // The first image is decoded as a test.
  if (!TestFirstImage(ImageIndex())) {
    Close();
    SetError("la première image ne peut pas être décodée");
    return;
  }
  OnOpen(this);
}

bool TFrameSource::TestFirstImage(int32_t index) {
  return FetchImage(index, workBitmap_) && workBitmap_.Width() == imageWidth_ &&
         workBitmap_.Height() == imageHeight_;
}

void TFrameSource::GoToImage(int32_t n) {
  if (!opened_ || n == ImageIndex()) return;
  SetImageIndex(BoundIndex(n));
}

void TFrameSource::WaitAndTakeDrawing() {
  // The window's draws are short: wait for the one running.
  for (bool expected = false;
       !drawing_.compare_exchange_weak(expected, true, std::memory_order_acq_rel); expected = false)
    std::this_thread::yield();
}

std::unique_ptr<TDecodedImage> TFrameSource::DecodeImage(int32_t index) {
  if (!opened_ || index < 0 || index >= imagesNumber_ || !DecodesApart()) return nullptr;
  WaitAndTakeDrawing();
  std::unique_ptr<TDecodedImage> image = DecodeApart(index);
  drawing_.store(false, std::memory_order_release);
  return image;
}

bool TFrameSource::ReadImage(int32_t index, Image& dest) {
  if (!opened_ || index < 0 || index >= imagesNumber_) return false;
  WaitAndTakeDrawing();
  bool drawn = false;
  if (FetchesIntoDestination()) {
    drawn = FetchImage(index, dest);
  } else if (FetchImage(index, workBitmap_)) {
    dest = workBitmap_;
    drawn = true;
  }
  drawn = drawn && dest.Width() == imageWidth_ && dest.Height() == imageHeight_;
  drawing_.store(false, std::memory_order_release);
  return drawn;
}

bool TFrameSource::DrawImage(Image& dest, const TPixelRect& source) {
  bool expected = false;
  if (!opened_) return false;
  if (!drawing_.compare_exchange_strong(expected, true, std::memory_order_acq_rel)) return false;
  const bool invert = copyMode_ == TRasterOp::ropNotSrcCopy;
  const bool whole = source == TPixelRect{0, 0, imageWidth_, imageHeight_} &&
                     dest.Width() == imageWidth_ && dest.Height() == imageHeight_;
  bool drawn = false;
  if (whole && FetchesIntoDestination()) {
    // The whole picture at its own size, decoded in place.
    drawn = FetchImage(ImageIndex(), dest) && dest.Width() == imageWidth_ &&
            dest.Height() == imageHeight_;
    if (drawn && invert) dest.Invert();
    drawing_.store(false, std::memory_order_release);
    return drawn;
  }
  drawn = FetchImage(ImageIndex(), workBitmap_) && workBitmap_.Width() == imageWidth_ &&
          workBitmap_.Height() == imageHeight_;
  if (drawn && !dest.Empty()) {
    if (whole) {
      // The whole picture at its own size: a plain copy.
      std::memcpy(dest.Data(), workBitmap_.Data(), dest.ByteSize());
      if (invert) dest.Invert();
    } else {
      Image::StretchInto(dest, {0, 0, dest.Width(), dest.Height()}, workBitmap_, source, invert);
    }
  }
  drawing_.store(false, std::memory_order_release);
  return drawn;
}

}  // namespace kinevo
