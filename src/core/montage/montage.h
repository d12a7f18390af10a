#pragma once
// The montage selection: which images of the file belong to the output, the
// time shifts that keep the time line across hidden images and opened gaps,
// and the two numbering tables between file images and displayed images.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/common/events.h"
#include "core/common/key_store.h"
#include "core/common/user_dialog.h"
#include "core/common/video_view.h"
#include "core/video/montage_map.h"

namespace kinevo {

// What the group dialog (TBoiteBasculer) returns.
enum TGroupKind : unsigned char { gkList = 0, gkEven = 1, gkOdd = 2 };
struct TGroupChoice {
  bool hide = true;          // "Masquer les images" / "Afficher les images"
  TGroupKind kind = gkList;  // typed list, "Toutes les images paires", "... impaires"
  std::string text;          // the typed groups, e.g. "1-55 ; 58 ; 73-165"
};

// The group dialog itself (a Qt dialog in the program, scripted in tests).
class IGroupDialog {
 public:
  virtual ~IGroupDialog() = default;
  // Shows the dialog with `choice` as its initial content; false when the
  // user cancels.
  virtual bool Execute(TGroupChoice& choice) = 0;
};

// Reads the typed groups ("1-3 ; 7") into a selection with one entry per
// image of the file.  Numbers count from 1.  Returns false with the faulty
// group in `badGroup` when a group is malformed, reversed or outside
// 1 ... count.
bool ParseImageGroups(const std::string& text, int count, std::vector<bool>& selection,
                      std::string& badGroup);

class TMontage : public IMontageMap {
 public:
  TMontage(IVideoView& view, TUserDlg& dlg);

  // Links to the marking data, the results and the settings, wired by the
  // owner.  Each may stay unset.
  std::function<void(int)> ForgetImage;      // erase the marks of a file image
  std::function<bool(int)> ImageHasMarks;    // a file image carries marks
  std::function<double()> RequiredDuration;  // T, seconds between two images
  // The time of a file image (shift included) when the times come from the
  // video file; nothing when they are time index x T.
  std::function<std::optional<double>(int)> FileTime;
  std::function<bool()> AdviceAllowed;  // the settings allow the toggle advice
  IGroupDialog* GroupDialog = nullptr;

  // Results must be recomputed: the visible images or the time shifts changed.
  TSignal<> OnResultsInvalidated;

  bool ShowToggleAdvice = true;
  // The visible images or the time shifts changed.
  TNotifyEvent OnChange;

  int32_t ImagesCount() const { return static_cast<int32_t>(visible_.size()); }
  const std::vector<bool>& Visible() const { return visible_; }
  const std::vector<int32_t>& DisplayedNumbers() const { return displayed_; }
  const std::vector<int32_t>& FileIndexes() const { return fileIndex_; }
  const std::vector<int32_t>& TimeShifts() const { return shifts_; }
  int32_t TimeShift(int fileIndex) const;
  // i + shift(i).
  int32_t TimeIndex(int fileIndex) const { return fileIndex + TimeShift(fileIndex); }

  // IMontageMap
  int ToDisplayed(int fileIndex) const override;
  int ToFileIndex(int displayed) const override;
  int VisibleCount() const override { return visibleCount_; }
  bool IsVisible(int fileIndex) const override;
  void NewVideo(int count) override;
  void LeaveMontage() override;

  // Montage mode with an open video.
  bool Active() const;
  bool IsCurrentVisible() const;
  bool SetVisible(int p, bool v);
  void ToggleCurrent();
  void ToggleGroups();

  // Time base.
  bool ShiftTimes(int delta);
  double ImageTime(int which) const;  // 2 current, 1 previous visible, 0 next visible
  int64_t BlankCount() const;

  void LoadFromDocument(const IKeyReader& read);
  void StoreInDocument(IKeyWriter& write) const;

  // The texts of the toggle button's hint for the current image.
  std::string CurrentHint() const;

 private:
  void Rebuild();
  void Changed() { OnResultsInvalidated(); }
  IVideoView& view_;
  TUserDlg& dlg_;
  std::vector<bool> visible_;
  std::vector<int32_t> displayed_;
  std::vector<int32_t> fileIndex_;
  std::vector<int32_t> shifts_;
  int32_t visibleCount_ = 0;
};

}  // namespace kinevo
