#pragma once
// Times read from a video file's own timestamps.  Phones film at a variable
// rate: counting images then misplaces every image in time (and a wrong time
// is a wrong acceleration), so the time of each image is taken from its own
// presentation time, measured from the first image shown.
#include <cstdint>
#include <span>

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

}  // namespace kinevo
