#pragma once
// The capture settings dialog (TBoiteCapture, "Réglages de la capture"): one
// page each for the device, the codec, the format, the frame rate and the
// timer.  "Ok" hands the choices to the capture controller.
#include <QDialog>

#include "core/capture/capture.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace kinevo::gui {

class TBoiteCapture : public QDialog {
  Q_OBJECT
 public:
  enum Page { pgDevice = 0, pgCodec, pgFormat, pgRate, pgTimer };

  TBoiteCapture(TCapture& capture, QWidget* parent = nullptr);

  // Shows the choices of the controller on `page`, runs the dialog and, on
  // "Ok", applies them.  False when cancelled.
  bool Execute(Page page);
  // The dialog's controls as the controller's choices show them.
  void Load();
  // Hands the controls' choices to the controller.
  void Apply();

  QTabWidget* Pages() const { return pages_; }
  QListWidget* DeviceList() const { return devices_; }
  QListWidget* CodecList() const { return codecs_; }
  QListWidget* FormatList() const { return formats_; }
  QComboBox* RateBox() const { return rate_; }
  QCheckBox* DelayCheck() const { return useDelay_; }
  QComboBox* DelayBox() const { return delay_; }
  QCheckBox* DurationCheck() const { return useDuration_; }
  QComboBox* DurationBox() const { return duration_; }
  QCheckBox* BeepCheck() const { return beep_; }

 private:
  QWidget* DevicePage();
  QWidget* CodecPage();
  QWidget* FormatPage();
  QWidget* RatePage();
  QWidget* TimerPage();
  void FillFormats(int device);
  void ShowCodec();

  TCapture& capture_;
  QTabWidget* pages_;
  QListWidget* devices_ = nullptr;
  QListWidget* codecs_ = nullptr;
  QLabel* codecCaption_ = nullptr;
  QPushButton* configure_ = nullptr;
  QListWidget* formats_ = nullptr;
  QComboBox* rate_ = nullptr;
  QCheckBox* useDelay_ = nullptr;
  QComboBox* delay_ = nullptr;
  QCheckBox* useDuration_ = nullptr;
  QComboBox* duration_ = nullptr;
  QCheckBox* beep_ = nullptr;
};

}  // namespace kinevo::gui
