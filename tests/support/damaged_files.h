#pragma once
// Damaged copies of test files: bits flipped at random (fixed seeds) in the
// middle of a file, presentation times of an MPEG program stream made
// absurd by one flipped bit, and the durations of an MP4 file rewritten.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace kinevo::test {

inline std::vector<char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteBytes(const std::string& path, const std::vector<char>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// `bytes` with `flips` bits flipped in their middle third.
inline std::vector<char> WithFlippedBits(std::vector<char> bytes, unsigned seed, int flips) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<std::size_t> at(bytes.size() / 3, bytes.size() * 2 / 3);
  std::uniform_int_distribution<int> bit(0, 7);
  for (int i = 0; i < flips; ++i) bytes[at(gen)] ^= static_cast<char>(1 << bit(gen));
  return bytes;
}

// Flips bit 32 of the 90 kHz presentation time (13 hours) in up to `count`
// video packet headers (00 00 01 E0) of the middle third of an MPEG program
// stream, at least 2 KiB apart.  Both header layouts are understood: MPEG-2's
// (flags byte with "PTS present", time at offset 9) and MPEG-1's (stuffing,
// an optional buffer size, then the time's first byte 001x xxx1).  Returns
// how many were flipped.
inline int FlipMpegPresentationTimes(std::vector<char>& bytes, int count) {
  int flipped = 0;
  const auto u = [&](std::size_t k) { return static_cast<uint8_t>(bytes[k]); };
  const std::size_t end = bytes.size() * 2 / 3;
  for (std::size_t i = bytes.size() / 3; i + 32 < end && flipped < count; ++i) {
    if (!(u(i) == 0 && u(i + 1) == 0 && u(i + 2) == 1 && u(i + 3) == 0xE0)) continue;
    // The byte holding the time's bits 32 to 30 (as bit 3).
    std::size_t at = 0;
    if ((u(i + 6) & 0xC0) == 0x80) {
      if (u(i + 7) & 0x80) at = i + 9;
    } else {
      std::size_t k = i + 6;
      while (k < i + 22 && u(k) == 0xFF) ++k;
      if ((u(k) & 0xC0) == 0x40) k += 2;
      if ((u(k) & 0xE1) == 0x21) at = k;
    }
    if (!at) continue;
    bytes[at] = static_cast<char>(u(at) ^ 0x08);
    ++flipped;
    i += 2048;
  }
  return flipped;
}

// `bytes` (an MP4 file) with every duration of its video track's sample
// table set to `duration` (read as signed 32 bits by a player).  False when
// the table is not found.
inline bool SetSampleDurations(std::vector<char>& bytes, int32_t duration) {
  const std::string text(bytes.begin(), bytes.end());
  const std::size_t stts = text.find("stts");
  if (stts == std::string::npos || stts + 12 > bytes.size()) return false;
  const auto u32 = [&](std::size_t at) {
    return uint32_t{static_cast<uint8_t>(bytes[at])} << 24 |
           uint32_t{static_cast<uint8_t>(bytes[at + 1])} << 16 |
           uint32_t{static_cast<uint8_t>(bytes[at + 2])} << 8 | static_cast<uint8_t>(bytes[at + 3]);
  };
  const uint32_t entries = u32(stts + 8);
  for (uint32_t e = 0; e < entries; ++e) {
    const std::size_t at = stts + 12 + 8 * e + 4;
    if (at + 4 > bytes.size()) return false;
    for (int k = 0; k < 4; ++k)
      bytes[at + k] = static_cast<char>(static_cast<uint32_t>(duration) >> (24 - 8 * k));
  }
  return entries > 0;
}

}  // namespace kinevo::test
