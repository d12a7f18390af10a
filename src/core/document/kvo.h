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

  // Opens the INI object on `fileName`, dropping one already open.  A file
  // that exists but cannot be read still opens (with no content, which a
  // save writes over) and the answer says why; a missing file opens empty.
  TStatus Open(const std::string& fileName);
  // Drops the INI object (without saving).
  void Close();
  bool IsOpen() const { return ini_ != nullptr; }
  const std::string& FileName() const { return fileName_; }

  // The open INI object; null when closed.
  TIniFile* Ini() { return ini_.get(); }
  const TIniFile* Ini() const { return ini_.get(); }

  // Documents of the oldest versions kept one value per line in a fixed
  // order; they are recognised by a missing [Main] Version and converted
  // into keys in memory only: the file changes when the user saves it, in
  // the current layout.  A file without a version whose lines do not look
  // like that layout (a video or any other file opened by mistake) is left
  // as it was and answered kcNotADocument.
  enum TConversion { kcCurrent, kcConverted, kcNotADocument };
  TConversion ConvertOldLayout();

  // The video the document names ([Main] VideoFileName): a relative name
  // is taken from the document's own folder, wherever the program runs.
  std::string VideoFileName() const;

  // Writes the content held to the document's file, atomically: on failure
  // the previous file is left as it was.
  TStatus Save();

 private:
  std::string fileName_;
  std::unique_ptr<TIniFile> ini_;
};

// Converts the old line-per-value layout held in `lines` into keys of `ini`,
// as ConvertOldLayout does for an open document.  Answers false, having
// written nothing, when the lines are not that layout: the first line must
// be the path of a video, and every count a number that the lines left can
// hold.  Exposed for tests and the fuzzer.
bool ConvertOldLayoutLines(const std::vector<std::string>& lines, TIniFile& ini);

}  // namespace kinevo
