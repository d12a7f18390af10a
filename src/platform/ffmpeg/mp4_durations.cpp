#include "platform/ffmpeg/mp4_durations.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

namespace kinevo::ff {

namespace {

constexpr uint64_t kMaxMovieBox = uint64_t{64} << 20;

uint32_t Be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint64_t Be64(const uint8_t* p) { return uint64_t{Be32(p)} << 32 | Be32(p + 4); }

// One box inside `bytes`: its type and contents, or an empty type when the
// header does not fit.
struct TBox {
  char type[5] = {};
  std::span<const uint8_t> body;
  std::size_t size = 0;  // header and contents
};

TBox BoxAt(std::span<const uint8_t> bytes) {
  TBox box;
  if (bytes.size() < 8) return box;
  uint64_t size = Be32(bytes.data());
  std::size_t header = 8;
  if (size == 1) {
    if (bytes.size() < 16) return box;
    size = Be64(bytes.data() + 8);
    header = 16;
  } else if (size == 0) {
    size = bytes.size();  // up to the end
  }
  if (size < header || size > bytes.size()) return box;
  std::memcpy(box.type, bytes.data() + 4, 4);
  box.body = bytes.subspan(header, static_cast<std::size_t>(size) - header);
  box.size = static_cast<std::size_t>(size);
  return box;
}

// The first child of type `type` among the boxes of `bytes`.
std::optional<std::span<const uint8_t>> Child(std::span<const uint8_t> bytes, const char* type) {
  while (!bytes.empty()) {
    const TBox box = BoxAt(bytes);
    if (!box.size) return std::nullopt;
    if (std::memcmp(box.type, type, 4) == 0) return box.body;
    bytes = bytes.subspan(box.size);
  }
  return std::nullopt;
}

std::optional<uint32_t> TrackId(std::span<const uint8_t> trak) {
  const auto tkhd = Child(trak, "tkhd");
  if (!tkhd || tkhd->size() < 24) return std::nullopt;
  const std::size_t at = (*tkhd)[0] == 1 ? 20 : 12;  // after version, flags and two dates
  if (tkhd->size() < at + 4) return std::nullopt;
  return Be32(tkhd->data() + at);
}

}  // namespace

std::optional<TMp4Durations> ParseMp4Durations(std::span<const uint8_t> moovBox, uint32_t trackId) {
  const TBox moov = BoxAt(moovBox);
  if (std::memcmp(moov.type, "moov", 4) != 0) return std::nullopt;
  std::span<const uint8_t> rest = moov.body;
  while (!rest.empty()) {
    const TBox box = BoxAt(rest);
    if (!box.size) break;
    rest = rest.subspan(box.size);
    if (std::memcmp(box.type, "trak", 4) != 0 || TrackId(box.body) != trackId) continue;
    const auto mdia = Child(box.body, "mdia");
    if (!mdia) return std::nullopt;
    TMp4Durations out;
    if (const auto mdhd = Child(*mdia, "mdhd"); mdhd && !mdhd->empty()) {
      const uint8_t* p = mdhd->data();
      if (p[0] == 1 && mdhd->size() >= 32) {
        out.timescale = Be32(p + 20);
        out.mediaDuration = Be64(p + 24);
      } else if (p[0] == 0 && mdhd->size() >= 20) {
        out.timescale = Be32(p + 12);
        out.mediaDuration = Be32(p + 16);
      }
    }
    const auto minf = Child(*mdia, "minf");
    const auto stbl = minf ? Child(*minf, "stbl") : std::nullopt;
    const auto stts = stbl ? Child(*stbl, "stts") : std::nullopt;
    if (!stts || stts->size() < 8) return std::nullopt;
    // Entries of (sample count, duration); a count that claims more entries
    // than the box holds is cut to what is there.
    const uint64_t entries = std::min<uint64_t>(Be32(stts->data() + 4), (stts->size() - 8) / 8);
    for (uint64_t e = 0; e < entries; ++e) {
      const uint8_t* p = stts->data() + 8 + 8 * e;
      const int64_t count = Be32(p);
      const auto delta = static_cast<int32_t>(Be32(p + 4));
      (delta > 0 ? out.positive : delta == 0 ? out.zero : out.negative) += count;
    }
    return out;
  }
  return std::nullopt;
}

std::optional<TMp4Durations> ReadMp4Durations(const std::string& path, uint32_t trackId) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(0, std::ios::end);
  const auto end = static_cast<uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
  uint64_t at = 0;
  // Top-level boxes, skipped by their sizes (the media data may be huge).
  while (at + 8 <= end) {
    uint8_t header[16];
    in.seekg(static_cast<std::streamoff>(at));
    if (!in.read(reinterpret_cast<char*>(header), 8)) return std::nullopt;
    uint64_t size = Be32(header);
    if (size == 1) {
      if (!in.read(reinterpret_cast<char*>(header + 8), 8)) return std::nullopt;
      size = Be64(header + 8);
    } else if (size == 0) {
      size = end - at;
    }
    if (size < 8 || size > end - at) return std::nullopt;
    if (std::memcmp(header + 4, "moov", 4) == 0) {
      if (size > kMaxMovieBox) return std::nullopt;
      std::vector<uint8_t> moov(static_cast<std::size_t>(size));
      in.seekg(static_cast<std::streamoff>(at));
      if (!in.read(reinterpret_cast<char*>(moov.data()), static_cast<std::streamsize>(size)))
        return std::nullopt;
      return ParseMp4Durations(moov, trackId);
    }
    at += size;
  }
  return std::nullopt;
}

}  // namespace kinevo::ff
