#pragma once
// The ".kvo" document file: one analysis (the path of its video, the marking
// data, the current image and marking mode, the montage, the user
// formulas) in an INI text file.  Every part of the model reads and writes
// its own keys through the INI object held here between Open and Close of
// one read or one save.
#include <memory>
#include <string>

#include "core/common/ini_file.h"

namespace kinevo {

// [Main] Version written by a save, and after converting an old document.
inline constexpr int32_t kKvoVersion = 340000;
inline constexpr int32_t kKvoConvertedVersion = 334000;

class TKvo {
 public:
  TKvo() = default;

  // Opens the INI object on `fileName` unless one is already open; answers
  // whether it did.  A file that exists but cannot be read still opens (its
  // content is empty): reading it then fails on its missing keys.
  bool Open(const std::string& fileName);
  // Drops the INI object (without saving).
  void Close();
  bool IsOpen() const { return ini_ != nullptr; }
  const std::string& FileName() const { return fileName_; }

  // The open INI object; null when closed.
  TIniFile* Ini() { return ini_.get(); }
  const TIniFile* Ini() const { return ini_.get(); }

  // Documents of the oldest versions kept one value per line in a fixed
  // order; they are recognised by a missing [Main] Version and converted in
  // place into keys (the old lines stay above the first section, where they
  // are never read).  Does nothing for a current document.  Answers whether
  // a conversion took place.
  bool ConvertOldLayout();

  // Writes the content held to the document's file, atomically: on failure
  // the previous file is left as it was and false is answered.
  bool Save();
  const std::string& LastError() const;

 private:
  std::string fileName_;
  std::unique_ptr<TIniFile> ini_;
  std::string error_;
};

// Converts the old line-per-value layout held in `lines` into keys of `ini`,
// as ConvertOldLayout does for an open document.  Exposed for tests and the
// fuzzer.
void ConvertOldLayoutLines(const std::vector<std::string>& lines, TIniFile& ini);

}  // namespace kinevo
