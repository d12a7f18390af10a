#pragma once
// SHA-256 (FIPS 180-4), used to keep the options password as a salted hash
// rather than in clear text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kinevo {

class TSha256 {
 public:
  using Digest = std::array<uint8_t, 32>;

  TSha256() { Reset(); }
  void Reset();
  void Update(const void* data, size_t size);
  void Update(std::string_view s) { Update(s.data(), s.size()); }
  // Finishes the hash; the object must be Reset before it is used again.
  Digest Final();

 private:
  void Block(const uint8_t* p);
  std::array<uint32_t, 8> h_{};
  std::array<uint8_t, 64> buf_{};
  size_t used_ = 0;
  uint64_t length_ = 0;  // bytes hashed
};

TSha256::Digest Sha256(std::string_view data);
// Lower-case hexadecimal text of bytes.
std::string ToHex(const uint8_t* data, size_t size);
std::string Sha256Hex(std::string_view data);

}  // namespace kinevo
