#pragma once
// The recorder of back-end fwFFMpeg: the writing bridge plugin KvoRff.so,
// loaded from the folder KvoDll beside the program.  Its one codec is the
// plugin's MPEG-4; the files it writes carry the comment that makes the view
// open them with the reading bridge.
#include <string>
#include <vector>

#include "core/montage/recorder.h"
#include "platform/ffmpeg/kvo_rff_bridge.h"
#include "platform/ffmpeg/plugin_module.h"

namespace kinevo {

class TFFMpegRecord : public TRecorder {
 public:
  static constexpr const char* kCodecName = "FFMpeg internal MPEG4 codec";

  // `bridgeFolder` empty: the folder KvoDll beside the running program.
  explicit TFFMpegRecord(std::string bridgeFolder = {});
  ~TFFMpegRecord() override;
  TFFMpegRecord(const TFFMpegRecord&) = delete;
  TFFMpegRecord& operator=(const TFFMpegRecord&) = delete;

  // True when the plugin is loaded with its four entry points (loads it
  // when it is not).
  bool LoadBridgeLibrary();

  TVideoFramework Framework() const override { return fwFFMpeg; }
  std::vector<std::string> Codecs() override { return {kCodecName}; }
  bool Open(const std::string& path, int width, int height, double rate,
            const std::string& codec) override;
  bool AddFrame(const Image& picture) override;
  bool Close() override;
  void Abort() override;
  std::string Error() const override { return error_; }

 private:
  bool Fail(const std::string& why);
  bool FailFromPlugin(int fallbackCode);

  std::string folder_;
  TPluginModule module_;
  FFVersionFn version_ = nullptr;
  FFwFileNameRffFn fileName_ = nullptr;
  FFAddFrameFn addFrame_ = nullptr;
  FFWriteFileFn writeFile_ = nullptr;
  FFrErrorFn error_fn_ = nullptr;
  bool open_ = false;
  int width_ = 0, height_ = 0;
  std::string error_;
};

}  // namespace kinevo
