#pragma once
// The choice of T, the time between two images (dialog "Durée entre deux
// images").  This is the dialog's logic; the Qt window (gui/video) shows it.
#include <functional>
#include <string>

#include "core/common/number_format.h"
#include "core/common/user_dialog.h"

namespace kinevo {

enum TDurationCheck : unsigned char { dcOk = 0, dcNotANumber = 1, dcOutOfRange = 2 };

// Reads the typed duration; valid values lie strictly between 1 µs and 1 Gs.
// Times between two images that the program accepts, in seconds, both
// bounds excluded.
inline constexpr double kMinDuration = 1e-6;
inline constexpr double kMaxDuration = 1e9;

TDurationCheck CheckDuration(const std::string& text, double& value);
// Shows the message of a refused text through the message dialog; `unit`
// is that of the value typed (seconds, or images per second for a rate).
void ShowDurationError(TUserDlg& dlg, const std::string& text, TDurationCheck check,
                       const char* unit = "s");

// The keys the edit box accepts: digits, "+", "-", ".", ",", "E", "e",
// Backspace (8) and Enter (13).  "." and "," become the decimal separator.
// Returns false for a refused key.
bool FilterDurationKey(char& key);

class TDurationDialogModel {
 public:
  static constexpr const char* kCaption = "Durée entre deux images";
  static constexpr const char* kGroupCaption = "Choix de la durée représentée par T";
  static constexpr const char* kOtherCaption = "Choisir une autre valeur :";
  static constexpr const char* kUnitLabel = "seconde(s)";
  static constexpr const char* kStatus = "1 µs < intervalle de temps < 1 Gs";
  static constexpr const char* kCaptureRange = "1e-9 < cadence < 1000000 image(s) / seconde";
  static constexpr int kMaxLength = 16;
  // Shown under the header when the times come from the file.
  static constexpr const char* kFileTimesText =
      "Fréquence de trame variable : l'instant de chaque image est lu dans le fichier vidéo, "
      "et T est la durée moyenne entre deux images. Une autre valeur de T multiplie tous ces "
      "instants dans le même rapport (vidéo au ralenti).";

  // The third choice: T from the rate the video was filmed at.
  static constexpr const char* kCaptureCaption = "Vidéo filmée à la cadence de :";
  static constexpr const char* kCaptureUnit = "image(s) / seconde";

  // `imageDuration` is D, the video's own duration (that of its capture
  // rate for a slow-motion video); `current` is T.
  TDurationDialogModel(double imageDuration, double current);

  // Sets T at once when the default button is clicked.
  std::function<void(double)> SetRequiredDuration;

  std::string HeaderText() const;      // the centred label, lines separated by '\n'
  std::string DefaultCaption() const;  // "Utiliser la valeur par défaut T = 0,04 s"
  // The line about times read from the file (kFileTimesText), empty when
  // the times are counted in images.
  std::string FileTimesText() const { return fileTimes_ ? kFileTimesText : ""; }
  void SetFileTimes(bool on) { fileTimes_ = on; }
  // Warnings about the file's times, one a line (empty when there is none).
  std::string WarningText() const;
  void SetIncoherentDurations(bool on) { incoherent_ = on; }
  void SetTimingIssues(std::string text) { timingIssues_ = std::move(text); }
  // The rates the video plays at and was filmed at (0: not known); when
  // they differ, a line says so ("Vidéo filmée au ralenti à ...").
  void SetRates(double playback, double capture);
  std::string CaptureText() const;
  // The capture rate's edit box.
  const std::string& CaptureRateText() const { return captureText_; }
  bool CaptureSelected() const { return captureSelected_; }

  bool DefaultSelected() const { return defaultSelected_; }
  const std::string& Text() const { return text_; }
  bool SelectAllRequested() const { return selectAll_; }

  // User actions.
  void ClickDefault();
  void ClickOther();
  void ClickInEdit();
  // The edit box's text changed by typing.
  void Typed(const std::string& text);
  void ClickCapture();
  // The capture rate's box changed by typing: the third choice is selected.
  void TypedCapture(const std::string& text);
  // Closing: true when the text is accepted (the value is then Value()),
  // false after a message, the dialog staying open.
  bool TryClose(TUserDlg& dlg);
  double Value() const { return value_; }
  // The capture rate accepted with the third choice, 0 with the others.
  double CaptureRate() const { return captureRate_; }

 private:
  double d_;
  double t_;
  bool defaultSelected_;
  bool selectAll_ = false;
  bool fileTimes_ = false;
  bool incoherent_ = false;
  bool captureSelected_ = false;
  double playbackRate_ = 0, fileCaptureRate_ = 0;
  std::string timingIssues_;
  std::string text_;
  std::string captureText_;
  double value_ = 0;
  double captureRate_ = 0;
};

}  // namespace kinevo
