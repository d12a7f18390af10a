#include "core/common/settings_file.h"

#include "core/common/ini_file.h"

namespace kinevo {

void TSettingsFile::Read(const std::function<void(const IKeyReader&)>& read) const {
  // An empty path gives an empty store; an unreadable file reads as empty.
  const TIniFile ini(path_);
  read(ini);
}

TStatus TSettingsFile::Update(const std::function<void(IKeyWriter&)>& write) {
  TIniFile ini(path_);
  write(ini);
  if (path_.empty()) return {};
  return ini.UpdateFile();
}

}  // namespace kinevo
