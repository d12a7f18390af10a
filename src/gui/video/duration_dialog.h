#pragma once
// TBoiteTemps: the dialog "Durée entre deux images", built each time it runs.
#include <QColor>
#include <QFont>
#include <QString>
#include <functional>
#include <string>

#include "core/common/user_dialog.h"

class QWidget;

namespace kinevo::gui {

class TBoiteTemps {
 public:
  // Messages of refused texts go through `dlg`.
  explicit TBoiteTemps(TUserDlg& dlg) : dlg_(dlg) {}

  QFont Font;
  QColor Color;  // invalid: the button-face colour
  QString Caption = QString::fromUtf8("Durée entre deux images");
  // Sets T at once when the default button is clicked.
  std::function<void(double)> SetRequiredDuration;
  // Shows the calculator window.
  std::function<void()> ShowCalculator;
  // The times of the images come from the video file (set before Execute).
  bool FileTimes = false;
  // The file's image durations mean nothing (set before Execute).
  bool IncoherentDurations = false;
  // Repeated images and gaps of the file, said in French ("" for none).
  std::string TimingIssues;
  // The rates the video plays at and was filmed at (0: unknown), set before
  // Execute; after it, the capture rate the user chose (0 when T was chosen
  // otherwise).
  double PlaybackRate = 0, CaptureRate = 0;
  double ChosenCaptureRate = 0;

  // D the video's image duration, T the current time between images.  Runs
  // only when a video is open; true when the user accepted, the value in
  // `result`.
  bool Execute(bool videoOpen, double imageDuration, double current, double& result,
               QWidget* parent = nullptr);

  // Test hook: called once the window is built and shown, with the dialog;
  // it may drive the controls and close the dialog.
  std::function<void(QWidget*)> OnShown;

 private:
  TUserDlg& dlg_;
};

}  // namespace kinevo::gui
