#include "platform/avi/avi_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "core/common/atomic_file.h"
#include "core/video/frame_source.h"
#include "platform/avi/avi_format.h"

namespace kinevo::avi {

namespace {

class FileSource : public TByteSource {
 public:
  explicit FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~FileSource() override { ::close(fd_); }
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buffer, std::size_t n) override {
    if (offset > size_ || n > size_ - offset) return false;
    auto* p = static_cast<uint8_t*>(buffer);
    while (n > 0) {
      const ssize_t r = ::pread(fd_, p, n, static_cast<off_t>(offset));
      if (r <= 0) return false;
      p += r;
      offset += static_cast<uint64_t>(r);
      n -= static_cast<std::size_t>(r);
    }
    return true;
  }

 private:
  int fd_;
  uint64_t size_;
};

class MemorySource : public TByteSource {
 public:
  MemorySource(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buffer, std::size_t n) override {
    if (offset > size_ || n > size_ - offset) return false;
    if (n) std::memcpy(buffer, data_ + offset, n);
    return true;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
};

// Ids of the chunks of stream n that carry pictures.
bool IsVideoChunkOf(uint32_t id, int stream) {
  return id == StreamChunkId(stream, false) || id == StreamChunkId(stream, true);
}

constexpr uint64_t Padded(uint64_t size) { return size + (size & 1); }

// A four-character code as text, with anything unprintable shown as "?".
std::string FourCCText(uint32_t code) {
  std::string s;
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>((code >> (8 * i)) & 0xFF);
    s += c >= 0x20 && c < 0x7F ? c : '?';
  }
  return s;
}

}  // namespace

TAviReader::TAviReader() = default;

TAviReader::~TAviReader() {
  Close();
  if (jpeg_) tjDestroy(static_cast<tjhandle>(jpeg_));
}

void TAviReader::Close() {
  src_.reset();
  open_ = false;
  info_ = {};
  frames_.clear();
  frames_.shrink_to_fit();
  moviLists_.clear();
  haveIdx1_ = false;
  idx1Pos_ = idx1Size_ = 0;
  superIndex_.clear();
  indexBytesRead_ = 0;
  videoFound_ = false;
  buffer_.clear();
  buffer_.shrink_to_fit();
}

bool TAviReader::Fail(const std::string& why) {
  error_ = why;
  Close();
  return false;
}

bool TAviReader::Open(const std::string& path) {
  Close();
  error_.clear();
  foreign_ = false;
  // Without O_NONBLOCK, opening a FIFO that has no writer would wait
  // forever; the check below then refuses it (reads of a regular file are
  // not affected by the flag).
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return Fail(FileErrorReason(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    return Fail(FileErrorReason(err));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return Fail(S_ISDIR(st.st_mode)
                    ? "c'est un dossier, pas un fichier vidéo"
                    : "ce n'est pas un fichier ordinaire (tube, périphérique ou socket)");
  }
  src_ = std::make_unique<FileSource>(fd, static_cast<uint64_t>(st.st_size));
  return Parse();
}

bool TAviReader::OpenMemory(const uint8_t* data, std::size_t size) {
  Close();
  error_.clear();
  foreign_ = false;
  src_ = std::make_unique<MemorySource>(data, size);
  return Parse();
}

bool TAviReader::ChunkHeader(uint64_t pos, uint32_t& id, uint32_t& size) {
  uint8_t h[8];
  if (!src_->Read(pos, h, 8)) return false;
  id = Le32(h);
  size = Le32(h + 4);
  return true;
}

uint64_t TAviReader::AfterZeros(uint64_t pos, uint64_t end) {
  // A chunk header of zeros is no chunk: cameras pre-allocate their files
  // and leave the rest of it zero.  Stepping through gigabytes of zeros one
  // header at a time would take minutes, so the chunks go on only when
  // something follows within a short distance (zero padding between
  // chunks); otherwise the data ends here.
  std::vector<uint8_t> window(static_cast<std::size_t>(std::min<uint64_t>(kZeroWindow, end - pos)));
  if (window.empty() || !src_->Read(pos, window.data(), window.size())) return end;
  const auto it = std::find_if(window.begin(), window.end(), [](uint8_t b) { return b != 0; });
  if (it == window.end()) return end;
  // Chunks begin on even positions.
  return pos + (static_cast<uint64_t>(it - window.begin()) & ~uint64_t{1});
}

bool TAviReader::Parse() {
  const uint64_t fileSize = src_->Size();
  uint8_t h[12];
  if (src_->Size() < 12)
    return Fail(src_->Size() == 0 ? "fichier vide" : "fichier trop court pour être une vidéo");
  if (!src_->Read(0, h, 12)) return Fail("erreur de lecture");
  if (Le32(h) != kRIFF || Le32(h + 8) != kAVI) {
    foreign_ = true;
    return Fail("ce n'est pas un fichier AVI");
  }

  // The first RIFF segment, then any "AVIX" segments that follow it.
  uint64_t seg = 0;
  bool first = true;
  while (seg + 12 <= fileSize) {
    if (!src_->Read(seg, h, 12) || Le32(h) != kRIFF) break;
    const uint32_t form = Le32(h + 8);
    if (form != (first ? kAVI : kAVIX)) break;
    const uint64_t end = std::min<uint64_t>(seg + 8 + Le32(h + 4), fileSize);
    uint64_t pos = seg + 12;
    while (pos + 8 <= end) {
      uint32_t id = 0, size = 0;
      if (!ChunkHeader(pos, id, size)) break;
      if (id == 0 && size == 0) {
        pos = AfterZeros(pos, end);
        continue;
      }
      const uint64_t dataEnd = std::min<uint64_t>(pos + 8 + size, end);
      if (id == kLIST && size >= 4) {
        uint8_t t[4];
        if (!src_->Read(pos + 8, t, 4)) break;
        const uint32_t type = Le32(t);
        if (type == kHdrl && first) {
          if (!ParseHdrl(pos + 12, dataEnd)) return false;
        } else if (type == kMovi) {
          moviLists_.emplace_back(pos + 8, dataEnd);
        }
      } else if (id == kIdx1 && first && pos + 8 + uint64_t{size} <= end) {
        // An index cut short by the end of the file lists only some of the
        // images: the data lists are scanned instead.
        haveIdx1_ = true;
        idx1Pos_ = pos + 8;
        idx1Size_ = dataEnd - (pos + 8);
      }
      pos += 8 + Padded(size);
    }
    if (first && !videoFound_)
      return Fail("fichier AVI sans flux vidéo (en-tête abîmé ou tronqué)");
    first = false;
    const uint64_t next = seg + 8 + Padded(Le32(h + 4));
    if (next <= seg) break;
    seg = next;
  }
  if (!videoFound_) return Fail("fichier AVI sans flux vidéo (en-tête abîmé ou tronqué)");

  // Frames: OpenDML indexes first (they cover every segment), then idx1,
  // then a scan of the data lists.
  if (!superIndex_.empty() && ReadSuperIndex() && !frames_.empty()) {
    info_.openDml = true;
  } else {
    frames_.clear();
    if (!(haveIdx1_ && ReadIdx1() && !frames_.empty())) {
      frames_.clear();
      for (const auto& [b, e] : moviLists_) ScanMovi(b + 4, e, 0);
    }
  }
  if (frames_.empty())
    return Fail(moviLists_.empty()
                    ? "fichier AVI sans données d'images (fichier tronqué ?)"
                    : "aucune image lisible dans le fichier AVI (fichier tronqué ou index abîmé)");
  frames_.shrink_to_fit();
  open_ = true;
  return true;
}

bool TAviReader::ParseHdrl(uint64_t begin, uint64_t end) {
  int streamNumber = 0;
  uint64_t pos = begin;
  while (pos + 8 <= end) {
    uint32_t id = 0, size = 0;
    if (!ChunkHeader(pos, id, size)) break;
    const uint64_t dataEnd = std::min<uint64_t>(pos + 8 + size, end);
    if (id == kLIST && size >= 4) {
      uint8_t t[4];
      if (!src_->Read(pos + 8, t, 4)) break;
      if (Le32(t) == kStrl) {
        if (!videoFound_ && !ParseStrl(pos + 12, dataEnd, streamNumber)) return false;
        ++streamNumber;
      }
    }
    pos += 8 + Padded(size);
  }
  return true;
}

bool TAviReader::ParseStrl(uint64_t begin, uint64_t end, int streamNumber) {
  std::vector<uint8_t> strh, strf, indx;
  uint64_t pos = begin;
  while (pos + 8 <= end) {
    uint32_t id = 0, size = 0;
    if (!ChunkHeader(pos, id, size)) break;
    const uint64_t avail = std::min<uint64_t>(size, end - (pos + 8));
    auto grab = [&](std::vector<uint8_t>& v, uint64_t limit) {
      v.resize(static_cast<std::size_t>(std::min<uint64_t>(avail, limit)));
      return src_->Read(pos + 8, v.data(), v.size());
    };
    if (id == kStrh && !grab(strh, 64)) return true;
    if (id == kStrf && !grab(strf, 40 + 256 * 4)) return true;
    // A super index has at most a few thousand entries of 16 bytes.
    if (id == kIndx && !grab(indx, 24 + 16 * 65536)) indx.clear();
    pos += 8 + Padded(size);
  }
  if (strh.size() < 48 || Le32(strh.data()) != kVids) return true;  // not a video stream: skip it

  // This is the first video stream: it is the one shown, whatever it holds.
  videoFound_ = true;
  if (strf.size() < 40) return Fail("format du flux vidéo absent de l'en-tête AVI");
  const uint8_t* b = strf.data();
  const uint32_t biSize = Le32(b);
  const int32_t w = static_cast<int32_t>(Le32(b + 4));
  const int32_t hRaw = static_cast<int32_t>(Le32(b + 8));
  const uint16_t bits = Le16(b + 14);
  const uint32_t compression = Le32(b + 16);
  const uint32_t clrUsed = Le32(b + 32);
  if (w <= 0 || hRaw == 0 || hRaw == INT32_MIN)
    return Fail("taille d'image incorrecte dans l'en-tête AVI");
  const int32_t h = hRaw < 0 ? -hRaw : hRaw;
  if (w > kMaxSide || h > kMaxSide || int64_t{w} * h > kMaxPixels)
    return Fail("image trop grande (" + std::to_string(w) + " × " + std::to_string(h) + " pixels)");

  info_.width = w;
  info_.height = h;
  info_.bitCount = bits;
  info_.compression = compression;
  info_.scale = Le32(strh.data() + 20);
  info_.rate = Le32(strh.data() + 24);
  info_.start = Le32(strh.data() + 28);
  info_.headerLength = Le32(strh.data() + 32);
  info_.streamNumber = streamNumber;

  if (compression == kBiRgb) {
    if (bits != 8 && bits != 24 && bits != 32)
      return Fail("profondeur de couleur non prise en charge (" + std::to_string(bits) + " bits)");
    info_.topDown = hRaw < 0;
    if (bits == 8) {
      const uint64_t palStart = std::max<uint32_t>(biSize, 40);
      uint64_t n = clrUsed ? clrUsed : 256;
      n = std::min<uint64_t>(n, 256);
      if (palStart < strf.size())
        n = std::min<uint64_t>(n, (strf.size() - palStart) / 4);
      else
        n = 0;
      if (n == 0) return Fail("palette absente d'une vidéo en 256 couleurs");
      for (uint64_t i = 0; i < n; ++i) {
        const uint8_t* e = strf.data() + palStart + i * 4;  // B, G, R, reserved
        info_.palette.push_back((uint32_t{e[2]} << 16) | (uint32_t{e[1]} << 8) | e[0]);
      }
    }
  } else if (compression != kMJPG && compression != FourCC("mjpg")) {
    return Fail("compression « " + FourCCText(compression) +
                " » non prise en charge par le lecteur AVI intégré");
  }
  superIndex_ = std::move(indx);
  return true;
}

bool TAviReader::AddChunk(uint64_t offset, uint32_t size) {
  // Every chunk takes at least its 8-byte header in the file, so a file
  // cannot hold more images than that: a broken index that says otherwise
  // (entries repeated, indexes read twice) is refused.
  const uint64_t fileSize = src_->Size();
  if (frames_.size() >= fileSize / 8) return false;
  // Data beyond the end of the file (a truncated file) is not an image.
  if (offset > fileSize || size > fileSize - offset) return true;
  frames_.push_back({offset, size});
  return true;
}

bool TAviReader::ReadStandardIndex(uint64_t chunkPos, uint32_t chunkSize) {
  // A standard index covers one segment of at most a few GiB: 64 MiB of
  // entries is far more than any real one needs.
  std::vector<uint8_t> ix(
      static_cast<std::size_t>(std::min<uint64_t>({chunkSize, src_->Size(), 64u << 20})));
  // Distinct index chunks cannot add up to more than the file: more means
  // the super index repeats itself.
  indexBytesRead_ += ix.size();
  if (indexBytesRead_ > src_->Size()) return false;
  if (ix.size() < 24 || !src_->Read(chunkPos + 8, ix.data(), ix.size())) return false;
  const uint16_t longsPerEntry = Le16(ix.data());
  const uint8_t type = ix[3];
  const uint32_t inUse = Le32(ix.data() + 4);
  const uint64_t base = Le64(ix.data() + 12);
  if (type != kAviIndexOfChunks || longsPerEntry < 2) return false;
  const uint64_t entryBytes = uint64_t{longsPerEntry} * 4;
  const uint64_t n = std::min<uint64_t>(inUse, (ix.size() - 24) / entryBytes);
  for (uint64_t i = 0; i < n; ++i) {
    const uint8_t* e = ix.data() + 24 + i * entryBytes;
    const uint64_t offset = base + Le32(e);
    const uint32_t size = Le32(e + 4) & 0x7FFFFFFFu;  // bit 31: not a keyframe
    if (offset < base || !AddChunk(offset, size)) return false;
  }
  return true;
}

bool TAviReader::ReadSuperIndex() {
  const std::vector<uint8_t>& s = superIndex_;
  if (s.size() < 24) return false;
  const uint16_t longsPerEntry = Le16(s.data());
  const uint8_t type = s[3];
  const uint32_t inUse = Le32(s.data() + 4);
  if (type == kAviIndexOfChunks) {
    // A standard index placed directly in the header.
    if (longsPerEntry < 2) return false;
    const uint64_t base = Le64(s.data() + 12);
    const uint64_t entryBytes = uint64_t{longsPerEntry} * 4;
    const uint64_t n = std::min<uint64_t>(inUse, (s.size() - 24) / entryBytes);
    for (uint64_t i = 0; i < n; ++i) {
      const uint8_t* e = s.data() + 24 + i * entryBytes;
      const uint64_t offset = base + Le32(e);
      // An offset that wraps around is a broken index, as in a standard
      // index chunk.
      if (offset < base || !AddChunk(offset, Le32(e + 4) & 0x7FFFFFFFu)) return false;
    }
    return true;
  }
  if (type != kAviIndexOfIndexes || longsPerEntry != 4) return false;
  const uint64_t n = std::min<uint64_t>(inUse, (s.size() - 24) / 16);
  for (uint64_t i = 0; i < n; ++i) {
    const uint8_t* e = s.data() + 24 + i * 16;
    const uint64_t pos = Le64(e);
    uint32_t id = 0, size = 0;
    if (!ChunkHeader(pos, id, size))
      return !frames_.empty();  // truncated file: keep what was found
    if (!ReadStandardIndex(pos, size)) return false;
  }
  return true;
}

bool TAviReader::ReadIdx1() {
  if (moviLists_.empty()) return false;
  const uint64_t moviPos = moviLists_.front().first;  // position of the "movi" code
  const uint64_t n = idx1Size_ / 16;
  std::vector<uint8_t> idx(static_cast<std::size_t>(n * 16));
  if (!src_->Read(idx1Pos_, idx.data(), idx.size())) return false;

  // Offsets are relative to the "movi" code in most files and absolute in
  // some: look at where the first video entry points.
  bool relative = true;
  for (uint64_t i = 0; i < n; ++i) {
    const uint8_t* e = idx.data() + i * 16;
    const uint32_t id = Le32(e);
    if (!IsVideoChunkOf(id, info_.streamNumber)) continue;
    const uint32_t off = Le32(e + 8);
    uint32_t found = 0, size = 0;
    if (ChunkHeader(moviPos + off, found, size) && found == id)
      relative = true;
    else if (ChunkHeader(off, found, size) && found == id)
      relative = false;
    break;
  }
  const uint64_t base = relative ? moviPos : 0;
  for (uint64_t i = 0; i < n; ++i) {
    const uint8_t* e = idx.data() + i * 16;
    const uint32_t id = Le32(e);
    if ((Le32(e + 4) & kAviifList) || !IsVideoChunkOf(id, info_.streamNumber)) continue;
    if (!AddChunk(base + Le32(e + 8) + 8, Le32(e + 12))) return false;
  }
  return true;
}

void TAviReader::ScanMovi(uint64_t begin, uint64_t end, int depth) {
  if (depth > 4) return;
  uint64_t pos = begin;
  while (pos + 8 <= end) {
    uint32_t id = 0, size = 0;
    if (!ChunkHeader(pos, id, size)) return;
    if (id == 0 && size == 0) {
      pos = AfterZeros(pos, end);
      continue;
    }
    if (id == kLIST && size >= 4) {
      uint8_t t[4];
      if (src_->Read(pos + 8, t, 4) && Le32(t) == kRec)
        ScanMovi(pos + 12, std::min<uint64_t>(pos + 8 + size, end), depth + 1);
    } else if (IsVideoChunkOf(id, info_.streamNumber)) {
      if (pos + 8 + size > end) return;  // cut off by the end of the list or file
      if (!AddChunk(pos + 8, size)) return;
    }
    pos += 8 + Padded(size);
  }
}

bool TAviReader::IsDropped(int32_t index) const {
  return index >= 0 && index < FrameCount() && frames_[static_cast<std::size_t>(index)].size == 0;
}

bool TAviReader::ReadFrame(int32_t index, Image& out) {
  if (!open_ || index < 0 || index >= FrameCount()) return false;
  if (out.Width() != info_.width || out.Height() != info_.height)
    out.Resize(info_.width, info_.height);
  // A dropped image repeats the last stored one before it.
  int32_t i = index;
  while (i >= 0 && frames_[static_cast<std::size_t>(i)].size == 0) --i;
  if (i < 0) {
    out.Fill(0);
    return true;
  }
  return DecodeChunk(frames_[static_cast<std::size_t>(i)], out);
}

bool TAviReader::DecodeChunk(const Chunk& c, Image& out) {
  const int32_t w = info_.width, h = info_.height;
  if (info_.compression == kBiRgb) {
    const uint64_t stride = DibStride(w, info_.bitCount);
    const uint64_t need = stride * static_cast<uint64_t>(h);
    if (c.size < need) return false;
    buffer_.resize(static_cast<std::size_t>(need));
    if (!src_->Read(c.offset, buffer_.data(), buffer_.size())) return false;
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* s =
          buffer_.data() + stride * static_cast<uint64_t>(info_.topDown ? y : h - 1 - y);
      uint8_t* d = out.Row(y);
      switch (info_.bitCount) {
        case 24:
          for (int32_t x = 0; x < w; ++x, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
          }
          break;
        case 32:
          for (int32_t x = 0; x < w; ++x, s += 4, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
          }
          break;
        default: {  // 8 bits with a palette
          const std::size_t n = info_.palette.size();
          for (int32_t x = 0; x < w; ++x, ++s, d += 3) {
            const uint32_t rgb = *s < n ? info_.palette[*s] : 0;
            d[0] = static_cast<uint8_t>(rgb >> 16);
            d[1] = static_cast<uint8_t>(rgb >> 8);
            d[2] = static_cast<uint8_t>(rgb);
          }
        }
      }
    }
    return true;
  }

  // MJPEG: each chunk is a JPEG picture.
  buffer_.resize(c.size);
  if (!src_->Read(c.offset, buffer_.data(), buffer_.size())) return false;
  if (!jpeg_) jpeg_ = tjInitDecompress();
  if (!jpeg_) return false;
  auto* tj = static_cast<tjhandle>(jpeg_);
  int jw = 0, jh = 0, subsamp = 0, colorspace = 0;
  if (tjDecompressHeader3(tj, buffer_.data(), static_cast<unsigned long>(buffer_.size()), &jw, &jh,
                          &subsamp, &colorspace) != 0)
    return false;
  if (jw != w || jh != h) return false;
  if (tjDecompress2(tj, buffer_.data(), static_cast<unsigned long>(buffer_.size()), out.Data(), w,
                    0, h, TJPF_RGB, TJFLAG_LIMITSCANS) != 0 &&
      tjGetErrorCode(tj) != TJERR_WARNING)
    return false;
  return true;
}

}  // namespace kinevo::avi
