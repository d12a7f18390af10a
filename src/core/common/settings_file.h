#pragma once
// The settings store kept in an INI file (the program's settings file).
// Each read loads the file afresh and each update writes only the keys it
// changed, so that two windows, or two instances, keep each other's keys.
#include <string>

#include "core/common/settings_store.h"

namespace kinevo {

class TSettingsFile final : public ISettingsStore {
 public:
  // An empty path keeps nothing: reads give the defaults, updates succeed
  // without writing.
  explicit TSettingsFile(std::string path = {}) : path_(std::move(path)) {}

  const std::string& FileName() const { return path_; }

  void Read(const std::function<void(const IKeyReader&)>& read) const override;
  TStatus Update(const std::function<void(IKeyWriter&)>& write) override;

 private:
  std::string path_;
};

}  // namespace kinevo
