#pragma once
// Damaged copies of test files: bits flipped at random (fixed seeds) in the
// middle of a file, and presentation times of an MPEG program stream made
// absurd by one flipped bit.
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
// stream, at least 2 KiB apart.  Returns how many were flipped.
inline int FlipMpegPresentationTimes(std::vector<char>& bytes, int count) {
  int flipped = 0;
  const auto u = [&](std::size_t k) { return static_cast<uint8_t>(bytes[k]); };
  for (std::size_t i = bytes.size() / 3; i + 14 < bytes.size() * 2 / 3 && flipped < count; ++i) {
    // Start code, stream id, 2 bytes of length, flags with "PTS present";
    // the first byte of the time (offset 9) holds its bits 32 to 30.
    if (u(i) == 0 && u(i + 1) == 0 && u(i + 2) == 1 && u(i + 3) == 0xE0 &&
        (u(i + 6) & 0xC0) == 0x80 && (u(i + 7) & 0x80)) {
      bytes[i + 9] = static_cast<char>(u(i + 9) ^ 0x08);
      ++flipped;
      i += 2048;
    }
  }
  return flipped;
}

}  // namespace kinevo::test
