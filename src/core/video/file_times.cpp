#include "core/video/file_times.h"

#include <algorithm>
#include <cmath>

namespace kinevo {

double MeanInterval(std::span<const double> times) {
  if (times.size() < 2) return 0.0;
  return (times.back() - times.front()) / static_cast<double>(times.size() - 1);
}

bool IsVariableRate(std::span<const double> times) {
  const double mean = MeanInterval(times);
  if (!(mean > 0.0)) return false;
  const double limit = kVariableRateTolerance * mean;
  for (std::size_t i = 1; i < times.size(); ++i)
    if (std::fabs(times[i] - times[i - 1] - mean) > limit) return true;
  return false;
}

double FileImageTime(std::span<const double> times, int32_t index, int32_t shift, double period) {
  const double mean = MeanInterval(times);
  double t = 0.0;
  if (!times.empty() && index >= 0) {
    const std::size_t last = times.size() - 1;
    const std::size_t i = static_cast<std::size_t>(index);
    t = i <= last ? times[i] - times.front()
                  : times[last] - times.front() + static_cast<double>(i - last) * mean;
  } else if (index < 0) {
    t = static_cast<double>(index) * mean;
  }
  // The default period is the mean interval: the file's own times, unscaled.
  const double scale = mean > 0.0 ? period / mean : 1.0;
  const double scaled = std::fabs(scale - 1.0) < 1e-12 ? t : t * scale;
  return scaled + static_cast<double>(shift) * period;
}

TTimingIssues FindTimingIssues(std::span<const double> times,
                               std::span<const int32_t> samePictures) {
  TTimingIssues out;
  std::vector<double> steps;
  for (std::size_t i = 1; i < times.size(); ++i) steps.push_back(times[i] - times[i - 1]);
  double typical = 0.0;
  if (!steps.empty()) {
    std::vector<double> sorted = steps;
    std::nth_element(sorted.begin(),
                     sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    typical = sorted[sorted.size() / 2];
  }
  // A time that does not move on is a repeated image as much as a repeated
  // picture is.
  std::vector<int32_t> same(samePictures.begin(), samePictures.end());
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const auto image = static_cast<int32_t>(i + 1);
    if (typical > 0.0 && steps[i] > kGapFactor * typical) out.gaps.push_back(image);
    if (typical > 0.0 && !(steps[i] > 0.0)) same.push_back(image);
  }
  std::sort(same.begin(), same.end());
  same.erase(std::unique(same.begin(), same.end()), same.end());
  out.duplicates = std::move(same);
  return out;
}

std::string IndexList(std::span<const int32_t> indices, std::size_t most) {
  if (indices.empty()) return "-";
  std::string s;
  for (std::size_t k = 0; k < indices.size() && k < most; ++k)
    s += (s.empty() ? "" : ", ") + std::to_string(indices[k]);
  if (indices.size() > most) s += " ... (" + std::to_string(indices.size()) + " en tout)";
  return s;
}

std::string TimingIssuesText(const TTimingIssues& issues, std::size_t most) {
  std::string s;
  if (!issues.duplicates.empty())
    s += "Images répétées (la même image deux fois, une image perdue) : " +
         IndexList(issues.duplicates, most) + ".";
  if (!issues.gaps.empty())
    s += std::string(s.empty() ? "" : " ") +
         "Images manquantes (plus de 1,5 durée d'image depuis la précédente) avant les images : " +
         IndexList(issues.gaps, most) + ".";
  return s;
}

bool CaptureRateDiffers(double captureRate, double playbackRate) {
  return captureRate > 0.0 && playbackRate > 0.0 &&
         std::fabs(captureRate / playbackRate - 1.0) > kCaptureRateTolerance;
}

}  // namespace kinevo
