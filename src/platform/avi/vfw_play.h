#pragma once
// The frame source of the built-in AVI reader (back-end fwVfw).  Files the
// reader does not understand are refused, so that the choice of back-end
// moves on to FFmpeg.
#include "core/video/frame_source.h"
#include "platform/avi/avi_reader.h"

namespace kinevo {

class TVfwPlay : public TFrameSource {
 public:
  TVfwPlay() : TFrameSource(fwVfw) {}
  ~TVfwPlay() override { Close(); }

  // The reader of the open file (for the properties dialog and tests).
  const avi::TAviReader& Reader() const { return reader_; }

 protected:
  bool OpenFile(const std::string& fileName, TStreamInfo& info) override;
  void CloseFile() override { reader_.Close(); }
  bool FetchImage(int32_t index, Image& picture) override;

 private:
  avi::TAviReader reader_;
};

}  // namespace kinevo
