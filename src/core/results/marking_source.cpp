#include "core/results/marking_source.h"

#include <utility>

namespace kinevo {

void TMarkingResultsSource::GetSeries(bool layer, TMarkSeries& out) const {
  if (!Serves(layer)) {
    out = {};
    return;
  }
  TSeries s = data_.GetSeries();
  out.times = std::move(s.times);
  out.fileTimes = s.fileTimes;
  out.images = std::move(s.images);
  out.xs = std::move(s.xs);
  out.ys = std::move(s.ys);
  out.uxs = std::move(s.uxs);
  out.uys = std::move(s.uys);
}

}  // namespace kinevo
