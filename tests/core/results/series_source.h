#pragma once
// A results source built from marks given per system and image, ordering
// rows as the marking data does: time index = image + shift, made relative
// to the smallest one, rows by ascending time index.
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/common/picture_coord.h"
#include "core/results/results_source.h"

namespace kinevo::test {

class SeriesSource : public IResultsSource {
 public:
  bool open = true;
  bool layerActive = false;
  std::pair<double, double> scale{1.0, 1.0};
  double angle = 0.0;
  bool directX = true, directY = true;
  double period = 0.04;
  std::map<int, int> shifts;  // montage time shifts per image
  // Marks per mode: [system] image -> position relative to the origin,
  // y upward, in picture fractions.
  std::vector<std::map<int, TPictureCoord>> grid{1}, layer{1};
  std::vector<std::string> names{"Système 1"};
  // Standard uncertainty of every mark along x and y (picture fractions).
  double ux = 0.0, uy = 0.0;

  void Mark(int system, int image, double x, double y, bool onLayer = false) {
    auto& set = onLayer ? layer : grid;
    if (static_cast<int>(set.size()) <= system) set.resize(system + 1);
    set[system][image] = {x, y};
  }

  bool IsVideoOpen() const override { return open; }
  bool IsLayerActive() const override { return layerActive; }
  void GetSeries(bool onLayer, TMarkSeries& out) const override {
    const auto& set = onLayer ? layer : grid;
    std::set<int> images;
    for (const auto& m : set)
      for (const auto& [img, p] : m) images.insert(img);
    std::vector<std::pair<int, int>> rows;  // time index, image
    for (int img : images) {
      auto it = shifts.find(img);
      rows.push_back({img + (it == shifts.end() ? 0 : it->second), img});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const int base = rows.empty() ? 0 : rows.front().first;
    const size_t n = rows.size();
    out.times.assign(n, 0.0);
    out.images.assign(set.size(), std::vector<int32_t>(n, -1));
    out.xs.assign(set.size(), std::vector<double>(n, 0.0));
    out.ys.assign(set.size(), std::vector<double>(n, 0.0));
    out.uxs.assign(set.size(), std::vector<double>(n, 0.0));
    out.uys = out.uxs;
    for (size_t k = 0; k < n; ++k) {
      out.times[k] = (rows[k].first - base) * period;
      for (size_t s = 0; s < set.size(); ++s) {
        auto it = set[s].find(rows[k].second);
        if (it == set[s].end()) continue;
        out.images[s][k] = rows[k].first - base;
        out.xs[s][k] = it->second.x;
        out.ys[s][k] = it->second.y;
        out.uxs[s][k] = ux;
        out.uys[s][k] = uy;
      }
    }
  }
  std::pair<double, double> ScaleFactors() const override { return scale; }
  double XAxisAngle(bool onLayer) const override { return onLayer ? 0.0 : angle; }
  bool DirectXAxisDirection(bool) const override { return directX; }
  bool DirectYAxisDirection(bool) const override { return directY; }
  double ImagePeriod() const override { return period; }
  std::string SystemName(bool, int s) const override {
    return s >= 0 && s < static_cast<int>(names.size()) ? names[s] : "";
  }
};

}  // namespace kinevo::test
