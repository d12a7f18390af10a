#include "platform/ffmpeg/ffmpeg_play.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/common/install_layout.h"
#include "platform/avi/video_file_check.h"

namespace kinevo {

std::string TFFMpegPlay::DefaultBridgeFolder() { return PluginFolderFor(ProgramFolder()); }

TFFMpegPlay::TFFMpegPlay(std::string bridgeFolder)
    : TBridgeFrameSource(fwFFMpeg), folder_(std::move(bridgeFolder)) {
  if (folder_.empty()) folder_ = DefaultBridgeFolder();
  if (folder_.back() != '/') folder_ += '/';
  LoadBridgeLibrary();
}

TFFMpegPlay::~TFFMpegPlay() { Close(); }

bool TFFMpegPlay::LoadBridgeLibrary() {
  if (module_) return true;
  if (!module_.Load(folder_ + kKvoVffFile)) return false;
  auto sym = [this](auto& fn, const char* name) { module_.Resolve(fn, name); };
  sym(fileName_, "FFwFileName");
  sym(isOpen_, "FFIsOpen");
  sym(frameWidth_, "FFFrameWidth");
  sym(frameHeight_, "FFFrameHeight");
  sym(rate_, "FFNbImgParSec");
  sym(duration_, "FFDuration");
  sym(frameCount_, "FFFrameCount");
  sym(position_, "FFwPosition");
  sym(draw_, "FFDraw");
  sym(comment_, "FFCommentaire");
  sym(close_, "FFClose");
  sym(rFileName_, "FFrFileName");
  sym(rPosition_, "FFrPosition");
  sym(progress_, "FFwProgress");
  sym(cacheSize_, "FFwCacheSize");
  sym(error_, "FFwError");
  sym(variableRate_, "FFwVariableRate");
  sym(frameTime_, "FFwFrameTime");
  sym(rotation_, "FFwRotation");
  sym(incoherent_, "FFwIncoherentDurations");
  sym(captureRate_, "FFwCaptureRate");
  sym(samePictureCount_, "FFwSamePictureCount");
  sym(samePicture_, "FFwSamePicture");
  return true;
}

std::string TFFMpegPlay::FileComment(const std::string& fileName) {
  if (!module_ || !comment_ || !TFrameSource::CheckRegularFile(fileName).Passed()) return {};
  const char* c = comment_(fileName.c_str());
  return c ? std::string(c) : std::string();
}

void TFFMpegPlay::SetCacheBudget(uint64_t bytes) {
  if (cacheSize_) cacheSize_(bytes);
}

void TFFMpegPlay::GoToImage(int32_t n) {
  if (module_ && position_) position_(n);
  if (Opened()) SetImageIndex(BoundIndex(n));
}

bool TFFMpegPlay::OpenFile(const std::string& fileName, TStreamInfo& info) {
  if (!module_) {
    SetError("greffon « KvoVff » absent du dossier « KvoDll »");
    return false;
  }
  // A missing entry point refuses the file.
  if (!fileName_ || !isOpen_ || !frameWidth_ || !frameHeight_ || !rate_ || !duration_ ||
      !frameCount_) {
    SetError("greffon « KvoVff » incomplet");
    return false;
  }
  // Checked here too, so that a plugin without the check cannot block on a FIFO.
  if (const TFileCheck check = CheckVideoFile(fileName); !check.Passed()) {
    SetError(check);
    return false;
  }
  if (progress_) {
    progress_(
        [](double f, void* self) -> int32_t {
          return static_cast<TFFMpegPlay*>(self)->ReportProgress(f) ? 1 : 0;
        },
        this);
  }
  fileName_(fileName.c_str());
  if (progress_) progress_(nullptr, nullptr);
  if (!isOpen_()) {
    const char* reason = error_ ? error_() : nullptr;
    SetError(reason && *reason ? reason : "le greffon « KvoVff » ne peut pas lire ce fichier");
    return false;
  }
  info.width = frameWidth_();
  info.height = frameHeight_();
  info.imageRate = rate_();
  info.streamDuration = duration_();
  info.imagesNumber = frameCount_();
  info.startIndex = 0;
  // The plugin addresses images by index, so a variable rate needs nothing
  // more than the file's times.
  if (variableRate_) info.variableRate = variableRate_() != 0;
  if (frameTime_ && info.imagesNumber > 0) {
    info.imageTimes.resize(static_cast<std::size_t>(info.imagesNumber));
    for (int32_t i = 0; i < info.imagesNumber; ++i)
      info.imageTimes[static_cast<std::size_t>(i)] = frameTime_(i);
  }
  if (rotation_) info.rotation = rotation_();
  if (incoherent_) info.incoherentDurations = incoherent_() != 0;
  if (captureRate_) info.captureRate = captureRate_();
  if (samePictureCount_ && samePicture_)
    for (int32_t k = 0, n = samePictureCount_(); k < n; ++k)
      info.samePictures.push_back(samePicture_(k));
  if (position_) position_(0);
  return true;
}

void TFFMpegPlay::CloseFile() {
  if (module_ && close_) close_();
}

bool TFFMpegPlay::FetchImage(int32_t, Image& picture) {
  if (!draw_) return false;
  if (picture.Width() != ImageWidth() || picture.Height() != ImageHeight())
    picture.Resize(ImageWidth(), ImageHeight());
  KvoBitmap bmp{picture.Width(), picture.Height(), static_cast<int32_t>(picture.Stride()),
                picture.Data()};
  return draw_(&bmp) == 1;
}

}  // namespace kinevo
