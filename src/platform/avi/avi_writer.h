#pragma once
// Built-in writer of AVI files with one video stream: uncompressed BI_RGB
// pictures (24 bits by default; 8 bits with a palette and 32 bits, bottom-up
// or top-down, for tests) or MJPEG through TurboJPEG.  The file has an idx1
// index; when it grows beyond one RIFF segment (1 GiB) it continues in
// "AVIX" segments and gets OpenDML indexes (a super index in the header and
// one standard index per segment), so that it has no size limit.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/common/image.h"

namespace kinevo::avi {

enum class TAviCodec { Raw, MJPEG };

struct TAviWriterOptions {
  TAviCodec codec = TAviCodec::Raw;
  int bitCount = 24;                          // Raw: 8, 24 or 32
  bool topDown = false;                       // Raw: rows stored top row first
  std::vector<uint32_t> palette;              // 8 bits: 0x00RRGGBB entries (at most 256)
  int quality = 90;                           // MJPEG quality, 1 to 100
  uint64_t segmentLimit = uint64_t{1} << 30;  // bytes of one RIFF segment
};

class TAviWriter {
 public:
  TAviWriter() = default;
  ~TAviWriter();
  TAviWriter(const TAviWriter&) = delete;
  TAviWriter& operator=(const TAviWriter&) = delete;

  // Creates the file; the image rate is rate / scale images per second.
  bool Open(const std::string& path, int width, int height, uint32_t rate, uint32_t scale,
            const TAviWriterOptions& options = {});
  // Appends one image (of the size given to Open).
  bool WriteFrame(const Image& picture);
  // Appends an empty chunk: a dropped image, shown as the previous one.
  bool WriteDropped();
  // Writes the indexes and the final headers and closes the file; false when
  // anything failed since Open.
  bool Close();

  bool IsOpen() const { return file_ != nullptr; }
  int32_t FramesWritten() const { return frames_; }
  int SegmentsWritten() const { return static_cast<int>(segments_.size()); }
  const std::string& Error() const { return error_; }
  // The system's error number of the failed call, when one failed (0 else).
  int SystemError() const { return systemError_; }

 private:
  struct Entry {
    uint64_t pos;   // position of the chunk header
    uint32_t size;  // data size
  };
  struct Segment {
    uint64_t riffPos, moviPos;  // "RIFF" header; "movi" code
    std::vector<Entry> entries;
    uint64_t ixPos = 0;  // its standard index chunk
    uint32_t ixSize = 0;
  };
  bool WriteChunk(const uint8_t* data, uint32_t size);
  bool Encode(const Image& picture);
  bool FinishSegment(bool last);
  bool StartSegment();
  bool Put(const void* data, std::size_t n);
  bool PutAt(uint64_t pos, const void* data, std::size_t n);
  uint64_t Tell();
  bool Fail(const std::string& why);
  // Fail, keeping errno of the call that just failed.
  bool FailSystem(const std::string& why);

  std::FILE* file_ = nullptr;
  std::string error_;
  bool failed_ = false;
  int systemError_ = 0;
  int width_ = 0, height_ = 0;
  uint32_t rate_ = 0, scale_ = 0;
  TAviWriterOptions opt_;
  int32_t frames_ = 0;
  uint32_t maxChunk_ = 0;
  bool openDml_ = false;
  uint64_t indxPos_ = 0, odmlPos_ = 0, avihPos_ = 0, strhPos_ = 0;
  std::vector<Segment> segments_;
  std::vector<uint8_t> buf_;
  void* jpeg_ = nullptr;
};

}  // namespace kinevo::avi
