#include "core/document/mru_files.h"

#include <sys/stat.h>

#include <algorithm>

#include "core/common/text_utils.h"

namespace kinevo {

namespace {
bool IsExistingFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

void TMRUFiles::Add(const std::string& path) {
  if (path.empty()) return;
  items_.erase(std::remove(items_.begin(), items_.end(), path), items_.end());
  while (!items_.empty() && static_cast<int>(items_.size()) >= maxEntries_) items_.pop_back();
  items_.insert(items_.begin(), path);
  Changed();
}

void TMRUFiles::Clear() {
  items_.clear();
  Changed();
}

void TMRUFiles::SetMaxEntries(uint8_t n) {
  if (n == 0 || n == maxEntries_) return;
  maxEntries_ = n;
  if (items_.size() > n) {
    items_.resize(n);
    Changed();
  }
}

void TMRUFiles::SetNumbered(bool numbered) {
  if (numbered == numbered_) return;
  numbered_ = numbered;
  Changed();
}

void TMRUFiles::LoadFromIni(const IKeyReader& ini, const std::string& section) {
  items_.clear();
  for (int i = 1; i <= maxEntries_; ++i) {
    const std::string path = ini.ReadString(section, "File" + std::to_string(i), "");
    if (IsExistingFile(path) && std::find(items_.begin(), items_.end(), path) == items_.end())
      items_.push_back(path);
  }
  Changed();
}

void TMRUFiles::SaveToIni(IKeyWriter& ini, const std::string& section) const {
  ini.EraseSection(section);
  for (size_t i = 0; i < items_.size(); ++i)
    ini.WriteString(section, "File" + std::to_string(i + 1), items_[i]);
}

void TMRUFiles::LoadDirectory(const IKeyReader& ini, const std::string& section) {
  Directory = ini.ReadString(section, "Directory", "");
}

void TMRUFiles::SaveDirectory(IKeyWriter& ini, const std::string& section) const {
  ini.WriteString(section, "Directory", Directory);
}

std::vector<TMRUMenuItem> TMRUFiles::MenuItems() const {
  std::vector<TMRUMenuItem> menu;
  if (items_.empty()) return menu;
  menu.push_back({"-", "", -1});
  for (size_t i = 0; i < items_.size(); ++i) {
    TMRUMenuItem item;
    item.caption =
        numbered_ ? "&" + std::to_string(i + 1) + " " + " :  " + FileNameOf(items_[i]) : items_[i];
    item.hint = items_[i];
    item.tag = static_cast<int>(i);
    menu.push_back(std::move(item));
  }
  return menu;
}

void TMRUFiles::Click(int index) const {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  const std::string path = items_[static_cast<size_t>(index)];
  OnClick(path);
}

}  // namespace kinevo
