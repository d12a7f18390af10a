#pragma once
// The logic of the missing-image dialog (TBoiteInstant): it shows the times
// of the previous visible image, the current image and the next visible
// image, and opens or closes a gap before the current image with its
// up-down arrows.  The Qt window (gui/montage) shows it.
#include <functional>
#include <string>

#include "core/montage/montage.h"

namespace kinevo {

class TMissingImageModel {
 public:
  static constexpr const char* kCaption = "Il manque une image dans le flux vidéo";
  static constexpr const char* kStatus =
      "Pratique : se positionner immédiatement après l'image manquante";
  static constexpr int kMinPosition = -32768;
  static constexpr int kMaxPosition = 32767;

  TMissingImageModel(TMontage& montage, std::function<double()> requiredDuration);

  // The dialog runs only in montage mode on a visible current image.
  bool CanRun() const { return montage_.IsCurrentVisible(); }

  std::string Intro() const;         // the first sentence
  std::string DurationLine() const;  // "L'intervalle de temps ... T = 0,04000 s."
  std::string OriginLine() const;
  std::string PreviousLine() const;  // "" when there is no previous visible image
  std::string CurrentLabel() const;
  std::string CurrentValue() const;  // the read-only edit box
  std::string NextLine() const;

  // The arrows: true when the gap changed (the times are then shown again).
  bool Up();
  bool Down();
  int Position() const { return position_; }

 private:
  bool Step(int delta);
  TMontage& montage_;
  std::function<double()> duration_;
  int position_ = 0;
};

}  // namespace kinevo
