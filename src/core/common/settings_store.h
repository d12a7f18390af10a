#pragma once
// The program's settings as their owners see them (the capture, the montage
// recording, the data program's place, the keyboard's favourites, the
// window's placement): named values read and written as a whole, without
// knowing where or how they are kept.
#include <functional>

#include "core/common/key_store.h"
#include "core/common/result.h"

namespace kinevo {

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  // Calls `read` over the values kept now (none when nothing is kept, so
  // every read gives its default).
  virtual void Read(const std::function<void(const IKeyReader&)>& read) const = 0;
  // Calls `write` over the values kept now, then keeps what it wrote beside
  // the values of the other owners; fails, saying why, when they could not
  // be kept.
  virtual TStatus Update(const std::function<void(IKeyWriter&)>& write) = 0;
};

}  // namespace kinevo
