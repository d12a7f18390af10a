#include "platform/avi/avi_writer.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/avi/avi_format.h"

namespace kinevo::avi {

namespace {
// Room kept in the header for the super index (one entry per segment of up
// to 1 GiB: 256 entries reach 256 GiB).
constexpr uint32_t kSuperEntries = 256;
constexpr uint32_t kIndxSize = 24 + 16 * kSuperEntries;
constexpr uint32_t kDmlhSize = 248;
constexpr uint32_t kOdmlSize = 4 + 8 + kDmlhSize;  // "odml" + dmlh chunk
constexpr uint32_t kAvihFlagHasIndex = 0x10;
}  // namespace

TAviWriter::~TAviWriter() {
  if (file_) Close();
  if (jpeg_) tjDestroy(static_cast<tjhandle>(jpeg_));
}

bool TAviWriter::Fail(const std::string& why) {
  if (!failed_) error_ = why;
  failed_ = true;
  return false;
}

bool TAviWriter::FailSystem(const std::string& why) {
  const int err = errno;
  if (!failed_) systemError_ = err;
  return Fail(why);
}

bool TAviWriter::Put(const void* data, std::size_t n) {
  if (failed_) return false;
  if (n && std::fwrite(data, 1, n, file_) != n) return FailSystem("write error");
  return true;
}

bool TAviWriter::PutAt(uint64_t pos, const void* data, std::size_t n) {
  if (failed_) return false;
  const uint64_t back = Tell();
  if (fseeko(file_, static_cast<off_t>(pos), SEEK_SET) != 0) return FailSystem("seek error");
  Put(data, n);
  if (fseeko(file_, static_cast<off_t>(back), SEEK_SET) != 0) return FailSystem("seek error");
  return !failed_;
}

uint64_t TAviWriter::Tell() { return static_cast<uint64_t>(ftello(file_)); }

bool TAviWriter::Open(const std::string& path, int width, int height, uint32_t rate, uint32_t scale,
                      const TAviWriterOptions& options) {
  if (file_) Close();
  failed_ = false;
  error_.clear();
  systemError_ = 0;
  frames_ = 0;
  maxChunk_ = 0;
  openDml_ = false;
  segments_.clear();
  opt_ = options;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      int64_t{width} * height > kMaxPixels)
    return Fail("bad picture size");
  if (rate == 0 || scale == 0) return Fail("bad image rate");
  if (opt_.codec == TAviCodec::Raw && opt_.bitCount != 8 && opt_.bitCount != 24 &&
      opt_.bitCount != 32)
    return Fail("bad bit depth");
  if (opt_.codec == TAviCodec::Raw && opt_.bitCount == 8 &&
      (opt_.palette.empty() || opt_.palette.size() > 256))
    return Fail("bad palette");
  if (opt_.codec == TAviCodec::MJPEG) opt_.bitCount = 24, opt_.topDown = false;
  width_ = width;
  height_ = height;
  rate_ = rate;
  scale_ = scale;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) return FailSystem("cannot create the file");
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);

  const uint32_t palBytes = opt_.bitCount == 8 ? static_cast<uint32_t>(opt_.palette.size()) * 4 : 0;
  const uint32_t strfSize = 40 + palBytes;
  const uint32_t strlSize = 4 + (8 + 56) + (8 + strfSize) + (8 + kIndxSize);
  const uint32_t hdrlSize = 4 + (8 + 56) + (8 + strlSize) + (8 + kOdmlSize);

  std::vector<uint8_t> h(12 + 8 + hdrlSize, 0);
  uint8_t* p = h.data();
  Put32(p, kRIFF);  // sizes are written at Close
  Put32(p + 8, kAVI);
  p += 12;
  Put32(p, kLIST);
  Put32(p + 4, hdrlSize);
  Put32(p + 8, kHdrl);
  p += 12;
  Put32(p, kAvih);
  Put32(p + 4, 56);
  avihPos_ = static_cast<uint64_t>(p + 8 - h.data());
  const uint8_t* avih = p + 8;
  Put32(p + 8, static_cast<uint32_t>(1e6 * scale / rate));
  Put32(p + 8 + 12, kAvihFlagHasIndex);
  Put32(p + 8 + 24, 1);
  Put32(p + 8 + 32, static_cast<uint32_t>(width));
  Put32(p + 8 + 36, static_cast<uint32_t>(height));
  (void)avih;
  p += 8 + 56;
  Put32(p, kLIST);
  Put32(p + 4, strlSize);
  Put32(p + 8, kStrl);
  p += 12;
  Put32(p, kStrh);
  Put32(p + 4, 56);
  strhPos_ = static_cast<uint64_t>(p + 8 - h.data());
  {
    uint8_t* s = p + 8;
    Put32(s, kVids);
    Put32(s + 4, opt_.codec == TAviCodec::MJPEG ? kMJPG : 0);
    Put32(s + 20, scale);
    Put32(s + 24, rate);
    Put32(s + 40, 0xFFFFFFFFu);  // default quality
    Put16(s + 52, static_cast<uint16_t>(width));
    Put16(s + 54, static_cast<uint16_t>(height));
  }
  p += 8 + 56;
  Put32(p, kStrf);
  Put32(p + 4, strfSize);
  {
    uint8_t* b = p + 8;
    const uint64_t imageSize = opt_.codec == TAviCodec::MJPEG ? uint64_t(width) * height * 3
                                                              : DibStride(width, opt_.bitCount) *
                                                                    static_cast<uint64_t>(height);
    Put32(b, 40);
    Put32(b + 4, static_cast<uint32_t>(width));
    Put32(b + 8, static_cast<uint32_t>(opt_.topDown ? -height : height));
    Put16(b + 12, 1);
    Put16(b + 14, static_cast<uint16_t>(opt_.bitCount));
    Put32(b + 16, opt_.codec == TAviCodec::MJPEG ? kMJPG : kBiRgb);
    Put32(b + 20, static_cast<uint32_t>(imageSize));
    Put32(b + 32, opt_.bitCount == 8 ? static_cast<uint32_t>(opt_.palette.size()) : 0);
    for (std::size_t i = 0; i < (opt_.bitCount == 8 ? opt_.palette.size() : 0); ++i) {
      const uint32_t c = opt_.palette[i];
      uint8_t* e = b + 40 + i * 4;
      e[0] = static_cast<uint8_t>(c);        // blue
      e[1] = static_cast<uint8_t>(c >> 8);   // green
      e[2] = static_cast<uint8_t>(c >> 16);  // red
    }
  }
  p += 8 + strfSize;
  // Room for the super index; it stays JUNK unless the file needs it.
  indxPos_ = static_cast<uint64_t>(p - h.data());
  Put32(p, kJunk);
  Put32(p + 4, kIndxSize);
  p += 8 + kIndxSize;
  // Room for the OpenDML header list.
  odmlPos_ = static_cast<uint64_t>(p - h.data());
  Put32(p, kJunk);
  Put32(p + 4, kOdmlSize);
  p += 8 + kOdmlSize;
  if (!Put(h.data(), h.size())) return false;

  segments_.push_back({0, 0, {}});
  const uint8_t movi[12] = {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'm', 'o', 'v', 'i'};
  segments_.back().moviPos = Tell() + 8;
  return Put(movi, 12);
}

bool TAviWriter::StartSegment() {
  Segment s;
  s.riffPos = Tell();
  const uint8_t h[24] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', 'X',
                         'L', 'I', 'S', 'T', 0, 0, 0, 0, 'm', 'o', 'v', 'i'};
  s.moviPos = s.riffPos + 20;
  segments_.push_back(std::move(s));
  return Put(h, sizeof h);
}

bool TAviWriter::FinishSegment(bool last) {
  Segment& s = segments_.back();
  const bool first = segments_.size() == 1;
  const uint32_t chunkId = StreamChunkId(0, opt_.codec == TAviCodec::MJPEG);
  if (openDml_) {
    // Standard index of the segment: offsets from a base to the data.
    const uint64_t base = s.entries.empty() ? s.moviPos : s.entries.front().pos;
    std::vector<uint8_t> ix(8 + 24 + 8 * s.entries.size(), 0);
    Put32(ix.data(), FourCC("ix00"));
    Put32(ix.data() + 4, static_cast<uint32_t>(ix.size() - 8));
    Put16(ix.data() + 8, 2);
    ix[8 + 3] = kAviIndexOfChunks;
    Put32(ix.data() + 8 + 4, static_cast<uint32_t>(s.entries.size()));
    Put32(ix.data() + 8 + 8, chunkId);
    Put64(ix.data() + 8 + 12, base);
    for (std::size_t i = 0; i < s.entries.size(); ++i) {
      uint8_t* e = ix.data() + 32 + i * 8;
      Put32(e, static_cast<uint32_t>(s.entries[i].pos + 8 - base));
      Put32(e + 4, s.entries[i].size);
    }
    s.ixPos = Tell();
    s.ixSize = static_cast<uint32_t>(ix.size() - 8);
    Put(ix.data(), ix.size());
  }
  // The movi list ends here.
  uint8_t v[4];
  Put32(v, static_cast<uint32_t>(Tell() - s.moviPos));
  PutAt(s.moviPos - 4, v, 4);
  if (first) {
    std::vector<uint8_t> idx(8 + 16 * s.entries.size(), 0);
    Put32(idx.data(), kIdx1);
    Put32(idx.data() + 4, static_cast<uint32_t>(16 * s.entries.size()));
    for (std::size_t i = 0; i < s.entries.size(); ++i) {
      uint8_t* e = idx.data() + 8 + i * 16;
      Put32(e, chunkId);
      Put32(e + 4, s.entries[i].size ? kAviifKeyframe : 0);
      Put32(e + 8, static_cast<uint32_t>(s.entries[i].pos - s.moviPos));
      Put32(e + 12, s.entries[i].size);
    }
    Put(idx.data(), idx.size());
    // Frames of the first segment, as AVI 1.0 readers see them.
    Put32(v, static_cast<uint32_t>(s.entries.size()));
    PutAt(avihPos_ + 16, v, 4);
  }
  Put32(v, static_cast<uint32_t>(Tell() - s.riffPos - 8));
  PutAt(s.riffPos + 4, v, 4);
  (void)last;
  return !failed_;
}

bool TAviWriter::WriteChunk(const uint8_t* data, uint32_t size) {
  if (!file_ || failed_) return false;
  const uint64_t padded = size + (size & 1);
  Segment* s = &segments_.back();
  // Leave room for the indexes that close a segment.
  const uint64_t indexRoom = 8 + 24 + 8 * (s->entries.size() + 1) +
                             (segments_.size() == 1 ? 8 + 16 * (s->entries.size() + 1) : 0);
  if (!s->entries.empty() && Tell() + 8 + padded + indexRoom - s->riffPos > opt_.segmentLimit) {
    if (segments_.size() >= kSuperEntries) return Fail("file too large");
    openDml_ = true;
    if (!FinishSegment(false) || !StartSegment()) return false;
    s = &segments_.back();
  }
  uint8_t h[8];
  Put32(h, StreamChunkId(0, opt_.codec == TAviCodec::MJPEG));
  Put32(h + 4, size);
  s->entries.push_back({Tell(), size});
  Put(h, 8);
  Put(data, size);
  if (size & 1) {
    const uint8_t zero = 0;
    Put(&zero, 1);
  }
  maxChunk_ = std::max(maxChunk_, size);
  ++frames_;
  return !failed_;
}

bool TAviWriter::Encode(const Image& pic) {
  const int w = width_, h = height_;
  if (opt_.codec == TAviCodec::MJPEG) {
    if (!jpeg_) jpeg_ = tjInitCompress();
    if (!jpeg_) return Fail("JPEG encoder unavailable");
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    if (tjCompress2(static_cast<tjhandle>(jpeg_), pic.Data(), w, 0, h, TJPF_RGB, &out, &outSize,
                    TJSAMP_420, std::clamp(opt_.quality, 1, 100), 0) != 0) {
      if (out) tjFree(out);
      return Fail("JPEG encoding failed");
    }
    buf_.assign(out, out + outSize);
    tjFree(out);
    return true;
  }
  const uint64_t stride = DibStride(w, opt_.bitCount);
  buf_.assign(static_cast<std::size_t>(stride * static_cast<uint64_t>(h)), 0);
  std::size_t lastRgb = SIZE_MAX;
  uint8_t lastIndex = 0;
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = pic.Row(y);
    uint8_t* d = buf_.data() + stride * static_cast<uint64_t>(opt_.topDown ? y : h - 1 - y);
    for (int x = 0; x < w; ++x, s += 3) {
      if (opt_.bitCount == 8) {
        // Nearest palette entry.
        const std::size_t rgb = (std::size_t{s[0]} << 16) | (std::size_t{s[1]} << 8) | s[2];
        if (rgb != lastRgb) {
          long best = -1;
          for (std::size_t i = 0; i < opt_.palette.size(); ++i) {
            const uint32_t c = opt_.palette[i];
            const long dr = long(c >> 16 & 255) - s[0], dg = long(c >> 8 & 255) - s[1],
                       db = long(c & 255) - s[2];
            const long dist = dr * dr + dg * dg + db * db;
            if (best < 0 || dist < best) best = dist, lastIndex = static_cast<uint8_t>(i);
          }
          lastRgb = rgb;
        }
        *d++ = lastIndex;
      } else {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        if (opt_.bitCount == 32)
          d[3] = 0, d += 4;
        else
          d += 3;
      }
    }
  }
  return true;
}

bool TAviWriter::WriteFrame(const Image& picture) {
  if (!file_ || failed_) return false;
  if (picture.Width() != width_ || picture.Height() != height_) return Fail("picture size differs");
  if (!Encode(picture)) return false;
  return WriteChunk(buf_.data(), static_cast<uint32_t>(buf_.size()));
}

bool TAviWriter::WriteDropped() { return WriteChunk(nullptr, 0); }

bool TAviWriter::Close() {
  if (!file_) return false;
  // No segment: the headers could not be written (a full disk); only the
  // file is let go.
  if (!segments_.empty()) FinishSegment(true);
  uint8_t v[8];
  // Stream length, buffer size.
  Put32(v, static_cast<uint32_t>(frames_));
  PutAt(strhPos_ + 32, v, 4);
  Put32(v, maxChunk_ + 8);
  PutAt(strhPos_ + 36, v, 4);
  PutAt(avihPos_ + 28, v, 4);
  if (openDml_) {
    std::vector<uint8_t> indx(8 + kIndxSize, 0);
    Put32(indx.data(), kIndx);
    Put32(indx.data() + 4, kIndxSize);
    Put16(indx.data() + 8, 4);
    indx[8 + 3] = kAviIndexOfIndexes;
    Put32(indx.data() + 8 + 4, static_cast<uint32_t>(segments_.size()));
    Put32(indx.data() + 8 + 8, StreamChunkId(0, opt_.codec == TAviCodec::MJPEG));
    for (std::size_t i = 0; i < segments_.size(); ++i) {
      uint8_t* e = indx.data() + 32 + i * 16;
      Put64(e, segments_[i].ixPos);
      Put32(e + 8, segments_[i].ixSize + 8);
      Put32(e + 12, static_cast<uint32_t>(segments_[i].entries.size()));
    }
    PutAt(indxPos_, indx.data(), indx.size());
    std::vector<uint8_t> odml(8 + kOdmlSize, 0);
    Put32(odml.data(), kLIST);
    Put32(odml.data() + 4, kOdmlSize);
    Put32(odml.data() + 8, kOdml);
    Put32(odml.data() + 12, kDmlh);
    Put32(odml.data() + 16, kDmlhSize);
    Put32(odml.data() + 20, static_cast<uint32_t>(frames_));
    PutAt(odmlPos_, odml.data(), odml.size());
  }
  if (std::fflush(file_) != 0) FailSystem("write error");
  if (std::fclose(file_) != 0) FailSystem("write error");
  file_ = nullptr;
  return !failed_;
}

}  // namespace kinevo::avi
