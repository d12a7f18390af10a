#pragma once
// What the video view needs of the montage selection: the two numbering
// tables between file images and displayed images, and the calls it makes
// when a video opens and when montage mode is left.  The montage object
// (core/montage) implements it.
namespace kinevo {

class IMontageMap {
 public:
  virtual ~IMontageMap() = default;
  // Displayed number of a file index (-1 when hidden or outside the file).
  virtual int ToDisplayed(int fileIndex) const = 0;
  // File index of a displayed number (-1 outside the visible count).
  virtual int ToFileIndex(int displayed) const = 0;
  virtual int VisibleCount() const = 0;
  // True outside the file.
  virtual bool IsVisible(int fileIndex) const = 0;
  // A video with `count` images opened: every image visible, no shift.
  virtual void NewVideo(int count) = 0;
  // Montage mode is left: a hidden current image gives way to a visible one.
  virtual void LeaveMontage() = 0;
};

}  // namespace kinevo
