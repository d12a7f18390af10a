#pragma once
// The per-image tables of the montage ([Montage]: the visible images and the
// time shifts) as plain values, so that a copy taken on the window thread
// can be written out by another thread.
#include <cstdint>
#include <vector>

#include "core/common/key_store.h"

namespace kinevo {

struct TMontageTables {
  std::vector<bool> visible;
  std::vector<int32_t> shifts;
};

// Writes VisibleImagesNumber, IsVisibleImage_i, TimeShiftsNumber and
// TimeShift_i.
void SaveMontageTables(const TMontageTables& tables, IKeyWriter& write);

}  // namespace kinevo
