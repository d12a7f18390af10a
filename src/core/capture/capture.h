#pragma once
// The capture controller (TCapture): the devices of the capture back-ends in
// one list, the chosen device, format, frame rate and codec (kept in the
// section [Capture] of the settings file), the optional countdown and fixed
// duration driven by a one-second timer, the status text, and, when a
// recording ends, the move of the temporary file to a file the user names.
//
// Everything here runs on the window thread; the back-ends run their own
// threads for the preview and the encoding.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/capture/capture_backend.h"
#include "core/common/events.h"
#include "core/common/settings_store.h"
#include "core/common/user_dialog.h"

namespace kinevo {

// What the save dialog of a recording shows.
struct TCaptureSaveRequest {
  std::string title;
  std::string filter;  // "caption|patterns"
  std::string defaultExt;
  std::string folder;
  std::string fileName;  // the proposed name, folder included
};

class TCapture {
 public:
  static constexpr const char* kSection = "Capture";
  static constexpr const char* kTempBase = "CaptureKinevo";
  static constexpr int kNoDuration = 2147483647;
  // The frame rates offered; the default is 30.
  static const std::vector<int>& Rates();
  static const std::vector<int>& DelayChoices();
  static const std::vector<int>& DurationChoices();

  // `backends[i]` is the back-end of code i (0 and 1); none is owned.
  // `settings` null: nothing is read or kept.
  TCapture(std::vector<ICaptureBackend*> backends, ICaptureTimer& timer, TUserDlg& dialog,
           std::string tempFolder, ISettingsStore* settings);
  ~TCapture();
  TCapture(const TCapture&) = delete;
  TCapture& operator=(const TCapture&) = delete;

  // ------------------------------------------------------------ services
  // The save dialog: the chosen path, "" when cancelled.  Unset: cancelled.
  std::function<std::string(const TCaptureSaveRequest&)> AskSaveName;
  // The folder the save dialog starts in (the recent files' folder).
  std::function<std::string()> SaveFolder;
  std::function<void()> Beep;
  // Today's date as file names carry it ("ddmmyyyy"); unset: the clock's.
  std::function<std::string()> Today;

  // ------------------------------------------------------------ notifications
  TNotifyEvent OnRecordStarted;
  TNotifyEvent OnRecordStopped;
  TNotifyEvent OnStatus;
  TSignal<const std::string&> OnFileSaved;
  TNotifyEvent OnFileDiscarded;

  // ------------------------------------------------------------ settings
  int Framework() const { return framework_; }
  bool FirstUse() const { return firstUse_; }
  bool UseDelay = false;
  int DelaySeconds = 0;
  bool UseDuration = false;
  int DurationSeconds = kNoDuration;
  bool BeepOn = true;
  int Ticks() const { return ticks_; }
  const std::string& TempFileName() const { return tempFileName_; }

  // ------------------------------------------------------------ lists
  // Every device of back-end 0, then of back-end 1.
  std::vector<std::string> Devices() const;
  int DeviceIndex() const { return device_; }  // in Devices(), -1 for none
  std::string DeviceName() const;
  std::vector<std::string> Formats() const;  // of the selected device
  std::vector<std::string> FormatsOf(int device) const;
  int FormatIndex() const { return format_; }
  std::string FormatName() const;
  std::vector<std::string> Codecs() const;  // of the selected device's back-end
  int CodecIndex() const { return codec_; }
  std::string CodecName() const;
  double Rate() const { return rate_; }

  // Selections; a connected device is connected again with the new choice.
  // False when that connection failed (the message was shown).
  bool SelectDevice(int index);
  bool SelectFormat(int index);
  void SelectCodec(int index);
  bool SetRate(double rate);

  // ------------------------------------------------------------ mode
  // Entering capture mode: on first use reads the settings and selects the
  // stored device, format and codec; then connects the device.  False (after
  // a message) when there is no device or it does not work: the view then
  // refuses the mode.
  bool Prepare();
  // Leaving capture mode: a recording is stopped and saved first.
  void Disconnect();
  bool Connected() const;
  bool Active() const { return active_; }

  // ------------------------------------------------------------ recording
  // The record button: stops a recording, cancels a countdown, else starts
  // (at once, or after the countdown).
  void Record();
  void Stop();
  // One second of the timer.
  void Tick();
  // Asked by the window when the back-end reports a lost device: a running
  // recording stops and what it holds is offered for saving.
  void CheckDevice();
  bool Recording() const;
  bool CountingDown() const { return countingDown_; }
  TCaptureCounts Counts() const;
  std::string StatusText() const;

  // Writes the [Capture] keys now (also done on destruction).
  void SaveSettings() const;

 private:
  ICaptureBackend* Backend() const;
  ICaptureBackend* BackendOf(int index, int& local) const;
  void ReadSettings();
  void ReadSettings(const IKeyReader& ini);
  bool ConnectSelected();
  bool Reconnect();
  bool StartBackendRecording();
  void ChooseTempFile();
  void SaveStep();
  std::string ProposedName(const std::string& folder) const;
  void Warn(const std::vector<std::string>& lines);

  std::vector<ICaptureBackend*> backends_;
  ICaptureTimer& timer_;
  TUserDlg& dialog_;
  std::string tempFolder_;
  ISettingsStore* settings_;
  int framework_ = 1;
  bool firstUse_ = true;
  bool active_ = false;
  bool countingDown_ = false;
  bool started_ = false;  // a recording was started since the record command
  int device_ = -1;
  int format_ = 0;
  int codec_ = 0;
  double rate_ = 30;
  int ticks_ = 0;
  std::string tempFileName_;
  std::optional<TError> lastFailure_;
};

}  // namespace kinevo
