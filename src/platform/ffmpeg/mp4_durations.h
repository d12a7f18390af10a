#pragma once
// What the sample table of an MP4 or MOV file says of one track's image
// durations.  The FFmpeg library mends durations of 0 or below on its own
// terms (each image then lasts the whole track, or one tick), which hides
// that the file's times mean nothing; the table itself tells.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kinevo::ff {

struct TMp4Durations {
  int64_t positive = 0;  // samples whose duration is above 0
  int64_t zero = 0;      // samples whose duration is 0
  int64_t negative = 0;  // samples whose duration, read as signed, is below 0
  // The track's own length in its clock (mdhd), 0 when not given.
  uint32_t timescale = 0;
  uint64_t mediaDuration = 0;
  // Durations that give no usable times: some below 0 (time going back), or
  // all 0 for several samples.
  bool Incoherent() const { return negative > 0 || (positive == 0 && zero > 1); }
};

// The durations of track `trackId` of the file's movie box (`moov` bytes,
// its header included); nothing when that track or its table is missing.
std::optional<TMp4Durations> ParseMp4Durations(std::span<const uint8_t> moov, uint32_t trackId);

// The same from a file: its movie box is found among the top-level boxes
// (read up to 64 MiB).  Nothing when the file is not of that kind.
std::optional<TMp4Durations> ReadMp4Durations(const std::string& path, uint32_t trackId);

}  // namespace kinevo::ff
