#pragma once
// Layout helpers of the RIFF AVI file format (AVI 1.0 with the OpenDML
// extension): four-character codes and little-endian fields.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kinevo::avi {

constexpr uint32_t FourCC(const char (&s)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24);
}

constexpr uint32_t kRIFF = FourCC("RIFF");
constexpr uint32_t kLIST = FourCC("LIST");
constexpr uint32_t kAVI = FourCC("AVI ");
constexpr uint32_t kAVIX = FourCC("AVIX");
constexpr uint32_t kHdrl = FourCC("hdrl");
constexpr uint32_t kAvih = FourCC("avih");
constexpr uint32_t kStrl = FourCC("strl");
constexpr uint32_t kStrh = FourCC("strh");
constexpr uint32_t kStrf = FourCC("strf");
constexpr uint32_t kIndx = FourCC("indx");
constexpr uint32_t kOdml = FourCC("odml");
constexpr uint32_t kDmlh = FourCC("dmlh");
constexpr uint32_t kMovi = FourCC("movi");
constexpr uint32_t kRec = FourCC("rec ");
constexpr uint32_t kIdx1 = FourCC("idx1");
constexpr uint32_t kJunk = FourCC("JUNK");
constexpr uint32_t kVids = FourCC("vids");
constexpr uint32_t kMJPG = FourCC("MJPG");
constexpr uint32_t kBiRgb = 0;

// idx1 flags and OpenDML index types.
constexpr uint32_t kAviifList = 0x00000001;
constexpr uint32_t kAviifKeyframe = 0x00000010;
constexpr uint8_t kAviIndexOfIndexes = 0x00;
constexpr uint8_t kAviIndexOfChunks = 0x01;

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Le64(const uint8_t* p) {
  return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32);
}

inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put64(uint8_t* p, uint64_t v) {
  Put32(p, static_cast<uint32_t>(v));
  Put32(p + 4, static_cast<uint32_t>(v >> 32));
}

// Bytes per row of an uncompressed picture: rows are padded to 4 bytes.
inline uint64_t DibStride(int64_t width, int bitCount) {
  return ((static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount) + 31) / 32) * 4;
}

// Chunk id of stream n's video data: "NNdb" (uncompressed) or "NNdc".
inline uint32_t StreamChunkId(int stream, bool compressed) {
  const char tens = static_cast<char>('0' + (stream / 10) % 10),
             units = static_cast<char>('0' + stream % 10);
  const char kind[5] = {tens, units, 'd', compressed ? 'c' : 'b', 0};
  return FourCC(kind);
}

// Largest picture the reader and writer accept (pixels); larger headers are
// refused instead of allocating without bound.
constexpr int32_t kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t{8192} * 8192;

}  // namespace kinevo::avi
