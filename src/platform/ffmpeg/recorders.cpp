#include "platform/ffmpeg/recorders.h"

#include "platform/avi/vfw_record.h"
#include "platform/ffmpeg/ffmpeg_record.h"
#include "platform/ffmpeg/ffmpeg_recorder.h"
#include "platform/ffmpeg/picture_files.h"

namespace kinevo {

void InstallRecorders(TRecordMontage& recording, const std::string& bridgeFolder) {
  recording.SetRecorder(std::make_unique<TVfwRecord>());
  recording.SetRecorder(std::make_unique<TDSRecord>());
  recording.SetRecorder(std::make_unique<TFFMpegRecord>(bridgeFolder));
  recording.WritePicture = [](const Image& picture, const std::string& path) {
    return ff::WritePicture(picture, path);
  };
  recording.ReadPicture = [](const std::string& path, Image& picture) {
    return ff::ReadPicture(path, picture);
  };
}

}  // namespace kinevo
