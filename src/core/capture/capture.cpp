#include "core/capture/capture.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "core/common/atomic_file.h"
#include "core/common/text_utils.h"

namespace kinevo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSaveTitle = "Enregistrer une vidéo";
constexpr const char* kSaveFilter = "Fichier vidéo (*.avi)|*.avi";

std::string ClockDate() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%04d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
  return buf;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

bool HasAviExtension(const std::string& path) { return LowerExtension(path) == ".avi"; }

// A rename, or, across file systems, a copy written as every file is
// (beside the target, renamed over it once whole), then the removal of the
// original.
TStatus MoveFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return {};
  if (ec == std::errc::no_such_file_or_directory)
    return Fail(WriteFailureReason(to),
                "le dossier « " + fs::path(to).parent_path().string() + " » n'existe pas");
  if (ec != std::errc::cross_device_link)
    return Fail(WriteFailureReason(to), FileErrorReason(ec.value()));
  std::ifstream in(from, std::ios::binary);
  if (!in) return Fail(WriteFailureReason(to), "la capture ne peut plus être lue");
  TStatus copied = WriteFileAtomicallyFrom(to, [&](const TPieceWriter& write) {
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
      if (!write({buffer.data(), static_cast<std::size_t>(in.gcount())})) return false;
    return !in.bad();
  });
  if (copied) fs::remove(from, ec);
  return copied;
}

}  // namespace

const std::vector<int>& TCapture::Rates() {
  static const std::vector<int> r = {60, 30, 25, 20, 15, 10};
  return r;
}
const std::vector<int>& TCapture::DelayChoices() {
  static const std::vector<int> r = {2, 5, 10, 15, 30, 45};
  return r;
}
const std::vector<int>& TCapture::DurationChoices() {
  static const std::vector<int> r = {5, 10, 15, 20, 30, 45, 60};
  return r;
}

TCapture::TCapture(std::vector<ICaptureBackend*> backends, ICaptureTimer& timer, TUserDlg& dialog,
                   std::string tempFolder, ISettingsStore* settings)
    : backends_(std::move(backends)),
      timer_(timer),
      dialog_(dialog),
      tempFolder_(std::move(tempFolder)),
      settings_(settings) {}

TCapture::~TCapture() {
  if (!firstUse_) SaveSettings();
}

// ------------------------------------------------------------------ lists

std::vector<std::string> TCapture::Devices() const {
  std::vector<std::string> all;
  for (ICaptureBackend* b : backends_) {
    if (b == nullptr) continue;
    for (auto& d : b->Devices()) all.push_back(std::move(d));
  }
  return all;
}

// The back-end of a position of the merged list, and the position in it.
ICaptureBackend* TCapture::BackendOf(int index, int& local) const {
  if (index < 0) return nullptr;
  for (ICaptureBackend* b : backends_) {
    if (b == nullptr) continue;
    const int n = static_cast<int>(b->Devices().size());
    if (index < n) {
      local = index;
      return b;
    }
    index -= n;
  }
  return nullptr;
}

ICaptureBackend* TCapture::Backend() const {
  if (framework_ < 0 || framework_ >= static_cast<int>(backends_.size())) return nullptr;
  return backends_[framework_];
}

std::string TCapture::DeviceName() const {
  const auto all = Devices();
  return device_ >= 0 && device_ < static_cast<int>(all.size()) ? all[device_] : std::string();
}

std::vector<std::string> TCapture::Formats() const { return FormatsOf(device_); }

std::vector<std::string> TCapture::FormatsOf(int device) const {
  int local = 0;
  ICaptureBackend* b = BackendOf(device, local);
  return b != nullptr ? b->Formats(local) : std::vector<std::string>{};
}

std::string TCapture::FormatName() const {
  const auto f = Formats();
  return format_ >= 0 && format_ < static_cast<int>(f.size()) ? f[format_] : std::string();
}

std::vector<std::string> TCapture::Codecs() const {
  ICaptureBackend* b = Backend();
  return b != nullptr ? b->Codecs() : std::vector<std::string>{};
}

std::string TCapture::CodecName() const {
  const auto c = Codecs();
  return codec_ >= 0 && codec_ < static_cast<int>(c.size()) ? c[codec_] : std::string();
}

// ------------------------------------------------------------------ selection

bool TCapture::SelectDevice(int index) {
  const auto all = Devices();
  if (index < 0 || index >= static_cast<int>(all.size())) return false;
  const bool wasConnected = Connected();
  const int oldFramework = framework_;
  // The position in the merged list decides the back-end.
  int before = 0;
  for (int i = 0; i < static_cast<int>(backends_.size()); ++i) {
    const int n = backends_[i] != nullptr ? static_cast<int>(backends_[i]->Devices().size()) : 0;
    if (index < before + n) {
      framework_ = i;
      break;
    }
    before += n;
  }
  const bool changed = index != device_;
  device_ = index;
  if (changed) format_ = 0;
  if (framework_ != oldFramework) codec_ = 0;
  if (!changed || !wasConnected) return true;
  return Reconnect();
}

bool TCapture::SelectFormat(int index) {
  if (index < 0 || index >= static_cast<int>(Formats().size()) || index == format_) return true;
  format_ = index;
  if (!Connected()) return true;
  return Reconnect();
}

void TCapture::SelectCodec(int index) {
  if (index >= 0 && index < static_cast<int>(Codecs().size())) codec_ = index;
}

bool TCapture::SetRate(double rate) {
  if (!(rate > 0) || rate == rate_) return true;
  rate_ = rate;
  if (!Connected()) return true;
  return Reconnect();
}

// ------------------------------------------------------------------ settings

void TCapture::ReadSettings() {
  if (settings_ != nullptr) settings_->Read([this](const IKeyReader& ini) { ReadSettings(ini); });
}

void TCapture::ReadSettings(const IKeyReader& ini) {
  // Codes other than those of the back-ends keep the previous one.
  const int fw = ini.ReadInteger(kSection, "Framework", 1);
  if (fw >= 0 && fw < static_cast<int>(backends_.size())) framework_ = fw;
  const std::string device = ini.ReadString(kSection, "Device");
  const auto all = Devices();
  for (int i = 0; i < static_cast<int>(all.size()); ++i)
    if (all[i] == device) {
      SelectDevice(i);
      break;
    }
  const std::string format = ini.ReadString(kSection, "Format");
  const auto formats = Formats();
  for (int i = 0; i < static_cast<int>(formats.size()); ++i)
    if (formats[i] == format) format_ = i;
  const std::string codec = ini.ReadString(kSection, "Codec");
  const auto codecs = Codecs();
  for (int i = 0; i < static_cast<int>(codecs.size()); ++i)
    if (codecs[i] == codec) codec_ = i;
}

void TCapture::SaveSettings() const {
  if (settings_ == nullptr) return;
  // The choices are kept for the next time only: a settings file that cannot
  // be written costs the user nothing now, so it does not interrupt them.
  (void)settings_->Update([this](IKeyWriter& ini) {
    ini.WriteInteger(kSection, "Framework", framework_);
    ini.WriteString(kSection, "Device", DeviceName());
    ini.WriteString(kSection, "Format", FormatName());
    ini.WriteString(kSection, "Codec", CodecName());
  });
}

// ------------------------------------------------------------------ mode

bool TCapture::Prepare() {
  if (firstUse_) {
    firstUse_ = false;
    ReadSettings();
  }
  if (Devices().empty()) {
    Warn({"Aucun périphérique de capture détecté."});
    return false;
  }
  if (device_ < 0) SelectDevice(0);
  if (!Connected() && !ConnectSelected()) return false;
  active_ = true;
  return true;
}

// A new choice while connected: a recording in progress is ended and saved
// first, then the device is opened again with the choice; capture mode stays.
bool TCapture::Reconnect() {
  if (started_ || countingDown_) Stop();
  for (ICaptureBackend* b : backends_)
    if (b != nullptr && b->Connected()) b->Disconnect();
  return ConnectSelected();
}

bool TCapture::ConnectSelected() {
  int local = 0;
  ICaptureBackend* b = BackendOf(device_, local);
  if (b == nullptr) {
    Warn({"Aucun périphérique de capture sélectionné."});
    return false;
  }
  const TStatus connected = b->Connect(local, FormatName(), rate_);
  if (connected) return true;
  std::vector<std::string> lines = {"Le périphérique de capture choisi ne fonctionne pas."};
  for (auto& line : connected.error().Lines()) lines.push_back(std::move(line));
  Warn(lines);
  return false;
}

void TCapture::Disconnect() {
  if (started_ || countingDown_) {
    active_ = false;  // no new preview after the save
    Stop();
  }
  active_ = false;
  for (ICaptureBackend* b : backends_)
    if (b != nullptr && b->Connected()) b->Disconnect();
}

bool TCapture::Connected() const {
  ICaptureBackend* b = Backend();
  return b != nullptr && b->Connected();
}

// ------------------------------------------------------------------ recording

bool TCapture::Recording() const {
  ICaptureBackend* b = Backend();
  return b != nullptr && b->Recording();
}

TCaptureCounts TCapture::Counts() const {
  ICaptureBackend* b = Backend();
  return b != nullptr ? b->Counts() : TCaptureCounts{};
}

void TCapture::ChooseTempFile() {
  // A file left by an earlier run is deleted and its name taken again.
  for (int i = 0;; ++i) {
    const std::string name = (fs::path(tempFolder_) / (kTempBase + std::to_string(i))).string();
    std::error_code ec;
    if (Exists(name)) fs::remove(name, ec);
    if (!Exists(name)) {
      tempFileName_ = name;
      return;
    }
  }
}

bool TCapture::StartBackendRecording() {
  ICaptureBackend* b = Backend();
  if (b == nullptr || !b->Connected()) {
    Warn({"Aucun périphérique de capture sélectionné."});
    return false;
  }
  if (const TStatus started = b->StartRecording(tempFileName_, CodecName()); !started) {
    std::vector<std::string> lines = {"La capture n'a pas pu démarrer."};
    for (auto& line : started.error().Lines()) lines.push_back(std::move(line));
    Warn(lines);
    return false;
  }
  started_ = true;
  OnRecordStarted(this);
  return true;
}

void TCapture::Record() {
  if (started_) {
    Stop();
    return;
  }
  if (countingDown_) {
    // Pressed again during the countdown: the recording is called off.
    countingDown_ = false;
    timer_.SetEnabled(false);
    ticks_ = 0;
    OnStatus(this);
    return;
  }
  if (!Connected()) {
    Warn({"Aucun périphérique de capture sélectionné."});
    return;
  }
  ChooseTempFile();
  ticks_ = 0;
  const bool countdown = UseDelay && DelaySeconds > 0;
  if (!countdown && !StartBackendRecording()) return;
  countingDown_ = countdown;
  timer_.SetEnabled(true);
  OnStatus(this);
}

void TCapture::Tick() {
  ++ticks_;
  CheckDevice();
  if (!timer_.Enabled()) return;  // stopped by a lost device
  OnStatus(this);
  if (!UseDelay && !UseDuration) return;
  const int delay = UseDelay ? DelaySeconds : 0;
  if (UseDelay && ticks_ < delay) return;
  if (!started_) {
    if (!countingDown_) return;
    countingDown_ = false;
    if (UseDelay && BeepOn && Beep) Beep();
    if (!StartBackendRecording()) {
      timer_.SetEnabled(false);
      return;
    }
    OnStatus(this);
  }
  if (UseDuration && static_cast<int64_t>(ticks_) >= static_cast<int64_t>(delay) + DurationSeconds)
    Stop();
}

void TCapture::CheckDevice() {
  ICaptureBackend* b = Backend();
  std::optional<TError> lost = b != nullptr ? b->DeviceLost() : std::nullopt;
  if (!lost) return;
  if (!started_ && !countingDown_) return;
  lastFailure_ = std::move(lost);
  Stop();
}

void TCapture::Stop() {
  timer_.SetEnabled(false);
  countingDown_ = false;
  ICaptureBackend* b = Backend();
  const bool was = b != nullptr && b->Recording();
  if (b != nullptr) {
    b->StopRecording();
    b->Disconnect();
  }
  if (was) OnRecordStopped(this);
  OnStatus(this);
  if (lastFailure_) {
    // The device went away: what was recorded until then is offered below.
    std::vector<std::string> lines = {"Un périphérique Plug and Play a été déconnecté."};
    for (std::string& line : lastFailure_->Lines()) lines.push_back(std::move(line));
    lines.push_back("La capture est arrêtée ; les images déjà capturées sont conservées.");
    Warn(lines);
    lastFailure_.reset();
  }
  if (started_) SaveStep();
  started_ = false;
  tempFileName_.clear();
  // Still in capture mode: the preview comes back for the next recording.
  if (active_ && !Connected()) {
    if (b != nullptr && b->DeviceLost()) return;
    ConnectSelected();
  }
}

std::string TCapture::ProposedName(const std::string& folder) const {
  const std::string date = Today ? Today() : ClockDate();
  for (int n = 1;; ++n) {
    const std::string name = (fs::path(folder) / (std::string(kTempBase) + "_" + std::to_string(n) +
                                                  "_" + date + ".avi"))
                                 .string();
    if (!Exists(name)) return name;
  }
}

void TCapture::SaveStep() {
  if (tempFileName_.empty() || !Exists(tempFileName_)) {
    Warn({"La capture a échoué. Le fichier n'a pas été enregistré."});
    return;
  }
  const std::string folder = SaveFolder ? SaveFolder() : std::string();
  std::error_code ec;
  for (;;) {
    TCaptureSaveRequest r{kSaveTitle, kSaveFilter, "avi", folder, ProposedName(folder)};
    std::string chosen = AskSaveName ? AskSaveName(r) : std::string();
    if (chosen.empty()) {
      fs::remove(tempFileName_, ec);
      OnFileDiscarded(this);
      return;
    }
    if (!HasAviExtension(chosen)) chosen += ".avi";
    if (Exists(chosen)) {
      dialog_.Icon = icWarning;
      dialog_.ClearButtons();
      dialog_.AddButton("Ok", btOk);
      dialog_.AddLine("Un fichier portant ce nom existe déjà dans le répertoire choisi.");
      dialog_.AddLine(chosen, lkKeepEnd, colors::Blue);
      dialog_.AddLine("Veuillez choisir un nom de fichier différent ou un autre répertoire.");
      dialog_.Execute();
      continue;
    }
    const TStatus moved = MoveFile(tempFileName_, chosen);
    if (moved) {
      OnFileSaved(chosen);
      return;
    }
    // The recording is kept: the user may choose another place.
    std::vector<std::string> lines{
        "La création du fichier vidéo dans le répertoire choisi a échoué.",
        "Vérifiez vos droits d'accès à ce répertoire."};
    if (!moved.error().cause.empty()) lines.push_back("Détail : " + moved.error().cause);
    Warn(lines);
  }
}

std::string TCapture::StatusText() const {
  if (countingDown_) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "La capture va démarrer dans %d seconde(s)",
                  DelaySeconds - ticks_);
    return buf;
  }
  if (!Recording()) return {};
  const TCaptureCounts c = Counts();
  return "Nombre d'images capturées : " + std::to_string(c.captured) + "   " +
         "Nombre d'images perdues : " + std::to_string(c.dropped);
}

void TCapture::Warn(const std::vector<std::string>& lines) {
  dialog_.Show(icWarning, {{"Ok", btOk}}, lines);
}

}  // namespace kinevo
