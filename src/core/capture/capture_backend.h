#pragma once
// What the capture controller drives: a capture back-end (the cameras one
// platform service offers) and the one-second timer of the countdown.  The
// platform layer implements the back-ends; the tests use fakes of both.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/common/result.h"

namespace kinevo {

// Images of the running (or last) recording, as the back-end counts them:
// `captured` images written to the file, `dropped` periods the device
// missed or the encoder could not keep up with.
struct TCaptureCounts {
  int64_t captured = 0;
  int64_t dropped = 0;
};

class ICaptureBackend {
 public:
  virtual ~ICaptureBackend() = default;

  // Names of the devices as the lists show them.
  virtual std::vector<std::string> Devices() = 0;
  // The formats a device offers ("yuyv422 640x480" ...); the first is its
  // default.
  virtual std::vector<std::string> Formats(int device) = 0;
  // The codecs the recordings can use; the first is "sans" (no compression).
  virtual std::vector<std::string> Codecs() = 0;

  // Opens the device in `format` (empty: its default) at `rate` images per
  // second and starts its preview.  Fails, with the message shown to the
  // user and its cause, when the device cannot be opened or is busy.
  virtual TStatus Connect(int device, const std::string& format, double rate) = 0;
  // Stops the preview and releases the device (a running recording is
  // stopped first).
  virtual void Disconnect() = 0;
  virtual bool Connected() const = 0;

  // Starts writing the images of the connected device to the AVI file
  // `path` with `codec`; fails, saying why, when it could not start.
  virtual TStatus StartRecording(const std::string& path, const std::string& codec) = 0;
  // Ends the recording; returns once every image taken is in the file and
  // the file is complete.
  virtual void StopRecording() = 0;
  virtual bool Recording() const = 0;
  virtual TCaptureCounts Counts() const = 0;

  // Why the device stopped delivering images (unplugged, failed), once it
  // did.  May be asked from the window thread while the device's thread runs.
  virtual std::optional<TError> DeviceLost() const = 0;
};

// The countdown's one-second timer.  The owner calls TCapture::Tick every
// second while it is enabled.
class ICaptureTimer {
 public:
  virtual ~ICaptureTimer() = default;
  virtual void SetEnabled(bool on) = 0;
  virtual bool Enabled() const = 0;
};

// Back-end 0 (the other platform's capture windows): no device on this
// platform.
class TNoCaptureBackend : public ICaptureBackend {
 public:
  std::vector<std::string> Devices() override { return {}; }
  std::vector<std::string> Formats(int) override { return {}; }
  std::vector<std::string> Codecs() override { return {}; }
  TStatus Connect(int, const std::string&, double) override {
    return Fail("Aucun périphérique de capture sélectionné.");
  }
  void Disconnect() override {}
  bool Connected() const override { return false; }
  TStatus StartRecording(const std::string&, const std::string&) override {
    return Fail("Aucun périphérique de capture sélectionné.");
  }
  void StopRecording() override {}
  bool Recording() const override { return false; }
  TCaptureCounts Counts() const override { return {}; }
  std::optional<TError> DeviceLost() const override { return std::nullopt; }
};

}  // namespace kinevo
