#include "platform/ffmpeg/ffmpeg_record.h"

#include <filesystem>
#include <system_error>

#include "platform/ffmpeg/ffmpeg_play.h"

namespace kinevo {

TFFMpegRecord::TFFMpegRecord(std::string bridgeFolder) : folder_(std::move(bridgeFolder)) {
  if (folder_.empty()) folder_ = TFFMpegPlay::DefaultBridgeFolder();
  if (folder_.back() != '/') folder_ += '/';
}

TFFMpegRecord::~TFFMpegRecord() { Abort(); }

bool TFFMpegRecord::LoadBridgeLibrary() {
  if (module_) return version_ && fileName_ && addFrame_ && writeFile_;
  if (!module_.Load(folder_ + kKvoRffFile)) return false;
  auto sym = [this](auto& fn, const char* name) { module_.Resolve(fn, name); };
  sym(addFrame_, "FFAddFrame");
  sym(version_, "FFVersion");
  sym(fileName_, "FFwFileName");
  sym(writeFile_, "FFWriteFile");
  sym(error_fn_, "FFrError");
  return version_ && fileName_ && addFrame_ && writeFile_;
}

bool TFFMpegRecord::Fail(const std::string& why) {
  error_ = why;
  return false;
}

bool TFFMpegRecord::FailFromPlugin(int fallbackCode) {
  const char* why = error_fn_ ? error_fn_() : nullptr;
  return Fail(why && *why ? std::string(why) : VfwRecordErrorText(fallbackCode));
}

bool TFFMpegRecord::Open(const std::string& path, int width, int height, double rate,
                         const std::string& codec) {
  Abort();
  error_.clear();
  if (!LoadBridgeLibrary())
    return Fail("La bibliothèque « " + std::string(kKvoRffFile) +
                " » est absente du dossier « KvoDll » ou incomplète.");
  if (version_() < kKvoRffMinVersion)
    return Fail("La bibliothèque « " + std::string(kKvoRffFile) +
                " » installée sur le disque dur est trop ancienne. Veuillez télécharger et "
                "installer une version plus récente.");
  const int32_t flag = codec == "FFV1" ? kKvoRffCodecLossless : kKvoRffCodecMpeg4;
  if (fileName_(path.c_str(), height, width, rate, flag) != 1) return FailFromPlugin(8);
  open_ = true;
  width_ = width;
  height_ = height;
  return true;
}

bool TFFMpegRecord::AddFrame(const Image& picture) {
  if (!open_) return Fail(VfwRecordErrorText(2));
  if (picture.Width() != width_ || picture.Height() != height_) return Fail(VfwRecordErrorText(3));
  KvoBitmap bmp{picture.Width(), picture.Height(), static_cast<int32_t>(picture.Stride()),
                const_cast<uint8_t*>(picture.Data())};
  return addFrame_(&bmp) == 1 || FailFromPlugin(4);
}

bool TFFMpegRecord::Close() {
  if (!open_) return Fail(VfwRecordErrorText(2));
  open_ = false;
  return writeFile_() == 1 || FailFromPlugin(8);
}

void TFFMpegRecord::Abort() {
  // The plugin has no other way to let the file go than finishing it; the
  // caller removes what it left.
  if (open_ && writeFile_) writeFile_();
  open_ = false;
}

}  // namespace kinevo
