#pragma once
// Built-in reader of AVI files: RIFF AVI 1.0 with an idx1 index, OpenDML
// files with (super)indexes over several RIFF segments, "rec " lists, and
// files without any index (the movi lists are then scanned).  It decodes the
// first video stream when it holds uncompressed BI_RGB pictures (8 bits with
// a palette, 24 or 32 bits, bottom-up or top-down, rows padded to 4 bytes) or
// MJPEG (through TurboJPEG).  Anything else is refused.
//
// The image count is the number of video chunks the file really holds, not
// the header's length field; chunks whose data lie beyond the end of the
// file (a truncated file) are not counted.  An empty chunk (a dropped image)
// shows the previous image.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/common/image.h"

namespace kinevo::avi {

// Where the reader takes its bytes: a file or a memory block.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly n bytes at `offset`; false when they are not all there.
  virtual bool Read(uint64_t offset, void* buffer, std::size_t n) = 0;
};

struct TAviVideoInfo {
  int32_t width = 0;
  int32_t height = 0;    // always positive
  bool topDown = false;  // rows stored top row first
  uint16_t bitCount = 0;
  uint32_t compression = 0;       // 0 (BI_RGB) or MJPG
  std::vector<uint32_t> palette;  // 8-bit pictures: 0x00RRGGBB per entry
  uint32_t rate = 0;              // dwRate / dwScale images per second
  uint32_t scale = 0;
  uint32_t start = 0;         // dwStart
  uint32_t headerLength = 0;  // dwLength as written (not trusted)
  int streamNumber = 0;       // position of the stream among all streams
  bool openDml = false;       // frames found through OpenDML indexes
};

class TAviReader {
 public:
  TAviReader();
  ~TAviReader();
  TAviReader(const TAviReader&) = delete;
  TAviReader& operator=(const TAviReader&) = delete;

  bool Open(const std::string& path);
  // Reads from memory (the block must outlive the reader's use of it).
  bool OpenMemory(const uint8_t* data, std::size_t size);
  void Close();
  bool IsOpen() const { return open_; }
  // Why the last Open failed, in French (the detail line of the failure
  // message and the command line's error output).
  const std::string& Error() const { return error_; }
  // The last Open failed because the file is no RIFF AVI file at all.
  bool Foreign() const { return foreign_; }

  const TAviVideoInfo& Info() const { return info_; }
  int32_t FrameCount() const { return static_cast<int32_t>(frames_.size()); }
  // Whether chunk `index` is empty (a dropped image).
  bool IsDropped(int32_t index) const;

  // Decodes image `index` into `out` (resized to the picture size when it
  // differs).  An empty chunk gives the previous image (black when there is
  // none).  False when the data cannot be decoded.
  bool ReadFrame(int32_t index, Image& out);

 private:
  struct Chunk {
    uint64_t offset;  // first byte of the data
    uint32_t size;
  };
  bool Parse();
  bool ParseHdrl(uint64_t begin, uint64_t end);
  bool ParseStrl(uint64_t begin, uint64_t end, int streamNumber);
  bool ReadSuperIndex();
  bool ReadStandardIndex(uint64_t chunkPos, uint32_t chunkSize);
  bool ReadIdx1();
  void ScanMovi(uint64_t begin, uint64_t end, int depth);
  bool Fail(const std::string& why);
  bool ChunkHeader(uint64_t pos, uint32_t& id, uint32_t& size);
  // Where the chunks go on after a chunk header of zeros at `pos`: the first
  // data within kZeroWindow bytes, else `end`.
  uint64_t AfterZeros(uint64_t pos, uint64_t end);
  static constexpr uint64_t kZeroWindow = 64 * 1024;
  bool DecodeChunk(const Chunk& c, Image& out);
  bool AddChunk(uint64_t offset, uint32_t size);

  std::unique_ptr<TByteSource> src_;
  bool open_ = false;
  std::string error_;
  bool foreign_ = false;
  TAviVideoInfo info_;
  std::vector<Chunk> frames_;
  // Where things were found while parsing.
  std::vector<std::pair<uint64_t, uint64_t>> moviLists_;  // [position of "movi", end)
  uint64_t idx1Pos_ = 0, idx1Size_ = 0;
  bool haveIdx1_ = false;
  std::vector<uint8_t> superIndex_;  // content of the video stream's indx chunk
  uint64_t indexBytesRead_ = 0;
  bool videoFound_ = false;
  std::vector<uint8_t> buffer_;  // chunk data, reused for every image
  void* jpeg_ = nullptr;         // TurboJPEG decompressor
};

}  // namespace kinevo::avi
