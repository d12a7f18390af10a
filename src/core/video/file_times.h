#pragma once
// Times read from a video file's own timestamps.  Phones film at a variable
// rate: counting images then misplaces every image in time (and a wrong time
// is a wrong acceleration), so the time of each image is taken from its own
// presentation time, measured from the first image shown.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kinevo {

// What the program says of a file whose image durations mean nothing (all 0,
// time going back): its images are then spread evenly over its length.
inline constexpr const char* kIncoherentDurationsText =
    "durées d'images incohérentes : les images sont réparties régulièrement sur la durée du "
    "fichier";

// Largest relative difference between one image's duration and the mean
// duration that still counts as a constant rate.
inline constexpr double kVariableRateTolerance = 0.10;

// Mean interval between successive times (seconds, increasing); 0 with
// fewer than two times.
double MeanInterval(std::span<const double> times);

// Whether some interval between successive times differs from the mean
// interval by more than kVariableRateTolerance of it.
bool IsVariableRate(std::span<const double> times);

// The time of file image `index` when the times come from the file: its own
// time, scaled so that the mean interval becomes `period` (the time between
// two images; by default the mean interval itself, so the file's times are
// kept; a slow-motion film gets its filming rate this way), plus `shift`
// periods (the montage's time shift: a hidden image closes one period, a
// gap opened by hand adds one).  An index past the last time is placed at
// the mean interval after it.
double FileImageTime(std::span<const double> times, int32_t index, int32_t shift, double period);

// Images whose timing is wrong beyond a variable rate, by file index:
// `duplicates`, the same picture (or the same time) as the image before it,
// as phones write when they drop images; `gaps`, images that come more than
// kGapFactor typical intervals after the image before them.
struct TTimingIssues {
  std::vector<int32_t> duplicates;
  std::vector<int32_t> gaps;
  bool Any() const { return !duplicates.empty() || !gaps.empty(); }
};

inline constexpr double kGapFactor = 1.5;

// The issues of images at `times` (seconds, not decreasing); `samePictures`
// lists images known to repeat the picture before them (sorted, merged in).
// The typical interval is the median one.
TTimingIssues FindTimingIssues(std::span<const double> times,
                               std::span<const int32_t> samePictures = {});

// The issues said in French, one sentence each ("" when there is none),
// each list cut after `most` indices.
std::string TimingIssuesText(const TTimingIssues& issues, std::size_t most = SIZE_MAX);
// Indices separated by ", ", or "-" for none (as probe prints them); past
// `most` of them, " ... (N en tout)".
std::string IndexList(std::span<const int32_t> indices, std::size_t most = SIZE_MAX);

// A video filmed at one rate and stored to play at another (slow motion,
// time-lapse) is timed at its capture rate; rates closer than this share
// are the same rate.
inline constexpr double kCaptureRateTolerance = 0.01;
bool CaptureRateDiffers(double captureRate, double playbackRate);

}  // namespace kinevo
