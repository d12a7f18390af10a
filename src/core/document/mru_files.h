#pragma once
// The list of recently opened files (TMRUFiles), bound to a menu item of
// the main window, and the last folder used.  The list is kept in a section
// of the settings file as "File1", "File2" ... most recent first.
#include <cstdint>
#include <string>
#include <vector>

#include "core/common/events.h"
#include "core/common/key_store.h"

namespace kinevo {

// One sub-item of the bound menu item.
struct TMRUMenuItem {
  std::string caption;  // "-" for the separator
  std::string hint;     // the full path
  int tag = -1;         // the entry's index; -1 for the separator
  bool IsSeparator() const { return caption == "-"; }
};

class TMRUFiles {
 public:
  TMRUFiles() = default;

  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }

  // Puts `path` first: ignored when empty; the same path already listed is
  // moved rather than repeated; entries beyond the maximum are dropped.
  // Paths are compared exactly, file names being case-sensitive here.
  void Add(const std::string& path);
  void Clear();

  uint8_t MaxEntries() const { return maxEntries_; }
  // For n != 0 and different from the current value: stores it and drops
  // the entries beyond it.
  void SetMaxEntries(uint8_t n);

  bool Numbered() const { return numbered_; }
  void SetNumbered(bool numbered);

  // Reads "File1" ... "File<max>": paths of existing files, not yet listed.
  void LoadFromIni(const IKeyReader& ini, const std::string& section);
  // Replaces the section by "File1" ... "File<n>" in list order (the caller
  // writes the file).
  void SaveToIni(IKeyWriter& ini, const std::string& section) const;
  void LoadDirectory(const IKeyReader& ini, const std::string& section);
  void SaveDirectory(IKeyWriter& ini, const std::string& section) const;

  // The last folder from which a file was opened or to which a document was saved.
  std::string Directory;

  // The sub-items of the bound menu item: when the list is not empty, a
  // separator, then one item per entry: "&1  :  name.kvo" (numbered) or the
  // full path; the bound item is enabled only when it has sub-items.
  std::vector<TMRUMenuItem> MenuItems() const;
  bool MenuEnabled() const { return !items_.empty(); }

  // Raises OnClick with the path of entry `index` (from a menu item's tag).
  void Click(int index) const;

  TSignal<const std::string&> OnClick;
  // The list changed: the menu must be rebuilt from MenuItems().
  TNotifyEvent OnMenuChanged;

 private:
  void Changed() { OnMenuChanged(this); }
  std::vector<std::string> items_;
  uint8_t maxEntries_ = 9;
  bool numbered_ = true;
};

}  // namespace kinevo
