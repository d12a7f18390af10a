// kinevo-cli capture --list
// Prints the capture devices, one a line: "INDEX: NAME".
//
// kinevo-cli capture --device NOM|NUMERO [--format LxH] [--rate R]
//                    [--codec none|mjpeg|ffv1] [--delay S] [--seconds S] -o SORTIE.avi
// Records as the capture mode does: the countdown of --delay seconds, then
// --seconds of recording (or until Ctrl-C), then the recording is moved to
// OUT.avi (".avi" is added when missing).  Prints "captured: N" and
// "dropped: N" at the end.
#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "cli/command.h"
#include "core/capture/capture.h"
#include "core/common/text_utils.h"
#include "core/export/export_actions.h"
#include "platform/capture/ffmpeg_capture.h"

namespace {

using namespace kinevo;

constexpr const char* kUsage =
    "Usage : kinevo-cli capture --list\n"
    "        kinevo-cli capture --device NOM|NUMERO [--format LxH] [--rate R] "
    "[--codec none|mjpeg|ffv1] [--delay S] [--seconds S] -o SORTIE.avi\n";

std::atomic<bool> interrupted{false};

// The program's messages go to stderr.
class StderrPresenter : public IUserDlgPresenter {
 public:
  int32_t Present(const TUserDlgContent& c, bool&) override {
    for (const auto& l : c.lines)
      if (!l.text.empty()) std::cerr << l.text << "\n";
    return 0;
  }
};

// The countdown's timer: the command's loop calls Tick every second.
class LoopTimer : public ICaptureTimer {
 public:
  void SetEnabled(bool on) override { enabled_ = on; }
  bool Enabled() const override { return enabled_; }

 private:
  bool enabled_ = false;
};

bool ParseInt(const std::string& s, int& out) {
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, out);
  return ec == std::errc() && p == end;
}

bool ParsePositive(const std::string& s, double& out) {
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return !s.empty() && end == s.c_str() + s.size() && out > 0 && out < 1e6;
}

struct Args {
  bool list = false;
  std::string device, format, codec = "none", out;
  double rate = 30;
  int delay = 0, seconds = 0;
};

bool Parse(const std::vector<std::string>& a, Args& r) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::string& k = a[i];
    if (k == "--list") {
      r.list = true;
      continue;
    }
    if (i + 1 >= a.size()) return false;
    const std::string& v = a[++i];
    if (k == "--device") {
      r.device = v;
    } else if (k == "--format") {
      r.format = v;
    } else if (k == "--rate") {
      if (!ParsePositive(v, r.rate)) return false;
    } else if (k == "--codec") {
      r.codec = v;
    } else if (k == "--delay") {
      if (!ParseInt(v, r.delay) || r.delay < 0) return false;
    } else if (k == "--seconds") {
      if (!ParseInt(v, r.seconds) || r.seconds <= 0) return false;
    } else if (k == "-o") {
      r.out = v;
    } else {
      return false;
    }
  }
  return r.list || (!r.device.empty() && !r.out.empty());
}

int FindIndex(const std::vector<std::string>& names, const std::string& wanted) {
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == wanted) return static_cast<int>(i);
  int n = -1;
  if (ParseInt(wanted, n) && n >= 0 && n < static_cast<int>(names.size())) return n;
  return -1;
}

// "WxH" picks the device's first format of that size; a full format name
// ("yuyv422 640x480") picks that one.
int FindFormat(const std::vector<std::string>& formats, const std::string& wanted) {
  for (std::size_t i = 0; i < formats.size(); ++i) {
    const std::string& f = formats[i];
    if (f == wanted) return static_cast<int>(i);
    const auto blank = f.rfind(' ');
    if (blank != std::string::npos && f.substr(blank + 1) == wanted) return static_cast<int>(i);
  }
  return -1;
}

int FindCodec(const std::vector<std::string>& codecs, const std::string& wanted) {
  const std::string w =
      kinevo::LowerAscii(wanted) == "none" ? std::string("sans") : kinevo::LowerAscii(wanted);
  for (std::size_t i = 0; i < codecs.size(); ++i)
    if (kinevo::LowerAscii(codecs[i]) == w) return static_cast<int>(i);
  return -1;
}

int Fail(const std::string& why) {
  std::cerr << why << "\n";
  return 1;
}

// Calls Tick every second while the timer runs; Ctrl-C or a lost device
// stops the recording.
void RunTimer(TCapture& capture, LoopTimer& timer) {
  using clock = std::chrono::steady_clock;
  auto next = clock::now() + std::chrono::seconds(1);
  while (timer.Enabled()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (interrupted) {
      capture.Stop();
      return;
    }
    capture.CheckDevice();
    if (clock::now() < next) continue;
    next += std::chrono::seconds(1);
    capture.Tick();
  }
}

int Run(const std::vector<std::string>& argv) {
  Args a;
  if (!Parse(argv, a)) {
    std::cerr << kUsage;
    return 2;
  }
  StderrPresenter presenter;
  TUserDlg dialog(&presenter);
  TNoCaptureBackend none;
  capture::TFFmpegCapture ffmpeg;
  LoopTimer timer;
  TCapture c({&none, &ffmpeg}, timer, dialog, TemporaryFolder(), nullptr);
  const auto devices = c.Devices();
  if (a.list) {
    for (std::size_t i = 0; i < devices.size(); ++i) std::cout << i << ": " << devices[i] << "\n";
    return 0;
  }
  const int device = FindIndex(devices, a.device);
  if (device < 0) return Fail("Périphérique de capture introuvable : " + a.device);
  c.SelectDevice(device);
  if (!a.format.empty()) {
    const int f = FindFormat(c.Formats(), a.format);
    if (f < 0) return Fail("Format non proposé par le périphérique : " + a.format);
    c.SelectFormat(f);
  }
  const int codec = FindCodec(c.Codecs(), a.codec);
  if (codec < 0) return Fail("Codeur indisponible : " + a.codec);
  c.SelectCodec(codec);
  c.SetRate(a.rate);
  std::string out = a.out;
  if (kinevo::LowerExtension(out) != ".avi") out += ".avi";
  if (std::filesystem::exists(out)) return Fail("Un fichier portant ce nom existe déjà : " + out);
  c.UseDelay = a.delay > 0;
  c.DelaySeconds = a.delay;
  c.UseDuration = a.seconds > 0;
  if (a.seconds > 0) c.DurationSeconds = a.seconds;
  bool asked = false;
  c.AskSaveName = [&](const TCaptureSaveRequest&) {
    // Asked again only when the name was taken meanwhile: give up.
    if (asked) return std::string();
    asked = true;
    return out;
  };
  bool saved = false;
  TConnections links;
  links += c.OnFileSaved.Connect([&](const std::string&) { saved = true; });
  if (!c.Prepare()) return 1;
  std::signal(SIGINT, [](int) { interrupted = true; });
  c.Record();
  RunTimer(c, timer);
  const TCaptureCounts n = c.Counts();
  c.Disconnect();
  std::signal(SIGINT, SIG_DFL);
  std::cout << "captured: " << n.captured << "\n"
            << "dropped: " << n.dropped << "\n";
  return saved ? 0 : 1;
}

const kinevo::cli::Register reg("capture",
                                "capture --list | --device NOM|NUMERO [--format LxH] [--rate R] "
                                "[--codec none|mjpeg|ffv1] [--delay S] [--seconds S] -o SORTIE.avi",
                                Run);

}  // namespace
