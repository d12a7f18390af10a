#pragma once
// The frame source of the FFmpeg bridge plugin (back-end fwFFMpeg): the
// plugin KvoVff.so is loaded from the folder KvoDll beside the program and
// addresses images by index.
#include <string>

#include "core/video/frame_source.h"
#include "platform/ffmpeg/kvo_bridge.h"
#include "platform/ffmpeg/plugin_module.h"

namespace kinevo {

class TFFMpegPlay : public TBridgeFrameSource {
 public:
  // `bridgeFolder` empty: the folder KvoDll beside the running program.
  explicit TFFMpegPlay(std::string bridgeFolder = {});
  ~TFFMpegPlay() override;

  bool LoadBridgeLibrary() override;
  bool BridgeLoaded() const { return module_.Loaded(); }
  std::string FileComment(const std::string& fileName) override;
  // Always passed to the bridge, also for the current image or when no
  // file is open; then bounded like every source.
  void GoToImage(int32_t n) override;
  void SetCacheBudget(uint64_t bytes);
  const std::string& BridgeFolder() const { return folder_; }

  // The folder KvoDll beside the running program, or the installed one.
  static std::string DefaultBridgeFolder();

 protected:
  bool OpenFile(const std::string& fileName, TStreamInfo& info) override;
  void CloseFile() override;
  bool FetchImage(int32_t index, Image& picture) override;
  bool CloseNotifiesWhenClosed() const override { return module_.Loaded(); }
  // The bridge leaves the bitmap untouched when it cannot draw.
  bool FetchesIntoDestination() const override { return true; }

 private:
  std::string folder_;
  TPluginModule module_;
  FFwFileNameFn fileName_ = nullptr;
  FFIsOpenFn isOpen_ = nullptr;
  FFFrameWidthFn frameWidth_ = nullptr;
  FFFrameHeightFn frameHeight_ = nullptr;
  FFNbImgParSecFn rate_ = nullptr;
  FFDurationFn duration_ = nullptr;
  FFFrameCountFn frameCount_ = nullptr;
  FFwPositionFn position_ = nullptr;
  FFDrawFn draw_ = nullptr;
  FFCommentaireFn comment_ = nullptr;
  FFCloseFn close_ = nullptr;
  FFrFileNameFn rFileName_ = nullptr;
  FFrPositionFn rPosition_ = nullptr;
  FFwProgressFn progress_ = nullptr;
  FFwCacheSizeFn cacheSize_ = nullptr;
  FFwErrorFn error_ = nullptr;
  FFwVariableRateFn variableRate_ = nullptr;
  FFwFrameTimeFn frameTime_ = nullptr;
  FFwRotationFn rotation_ = nullptr;
  FFwIncoherentDurationsFn incoherent_ = nullptr;
  FFwCaptureRateFn captureRate_ = nullptr;
  FFwSamePictureCountFn samePictureCount_ = nullptr;
  FFwSamePictureFn samePicture_ = nullptr;
};

}  // namespace kinevo
