#include "platform/capture/ffmpeg_capture.h"

#include <algorithm>
#include <cstdio>

namespace kinevo::capture {

TFFmpegCapture::TFFmpegCapture()
    : inputs_([](const TCameraChoice& c) { return std::make_unique<TAvDeviceInput>(c); }) {}

TFFmpegCapture::TFFmpegCapture(std::vector<TCameraDevice> devices, InputFactory inputs)
    : devices_(std::move(devices)), listed_(true), ownList_(false), inputs_(std::move(inputs)) {}

TFFmpegCapture::~TFFmpegCapture() { Disconnect(); }

const std::vector<TCameraDevice>& TFFmpegCapture::List() {
  // Looked for again while no device is connected: a camera plugged in
  // since shows up the next time capture mode is entered.
  if (!listed_ || (ownList_ && !Connected() && devices_.empty())) {
    devices_ = ListCameras();
    listed_ = true;
  }
  return devices_;
}

std::vector<std::string> TFFmpegCapture::Devices() {
  std::vector<std::string> names;
  for (const auto& d : List()) names.push_back(d.name);
  return names;
}

std::vector<std::string> TFFmpegCapture::Formats(int device) {
  const auto& all = List();
  std::vector<std::string> names;
  if (device < 0 || device >= static_cast<int>(all.size())) return names;
  for (const auto& f : all[device].formats) names.push_back(f.Name());
  return names;
}

std::vector<std::string> TFFmpegCapture::Codecs() {
  if (codecs_.empty()) codecs_ = CaptureCodecs();
  return codecs_;
}

TStatus TFFmpegCapture::Connect(int device, const std::string& format, double rate) {
  Disconnect();
  const auto& all = List();
  if (device < 0 || device >= static_cast<int>(all.size()))
    return Fail("Aucun périphérique de capture sélectionné.");
  TCameraChoice choice;
  choice.device = all[device];
  choice.rate = rate > 0 ? rate : 30;
  if (choice.device.formats.empty())
    return Fail("Le périphérique de capture n'annonce aucun format d'image.", choice.device.path);
  choice.format = choice.device.formats.front();
  for (const auto& f : choice.device.formats)
    if (f.Name() == format) choice.format = f;
  std::unique_ptr<ICameraInput> input = inputs_(choice);
  if (TStatus opened = input->Open(); !opened) return opened;
  rate_ = choice.rate;
  width_ = choice.format.width;
  height_ = choice.format.height;
  lost_ = false;
  {
    std::lock_guard<std::mutex> lock(previewMutex_);
    preview_.reset();
  }
  input_ = std::move(input);
  captureThread_ = std::thread([this] { CaptureLoop(); });
  return {};
}

void TFFmpegCapture::Disconnect() {
  StopRecording();
  if (input_ == nullptr) return;
  input_->Interrupt();
  if (captureThread_.joinable()) captureThread_.join();
  input_.reset();
  if (ownList_) listed_ = false;  // the next entry looks for the devices again
}

std::shared_ptr<const Image> TFFmpegCapture::Preview() const {
  std::lock_guard<std::mutex> lock(previewMutex_);
  return preview_;
}

std::optional<TError> TFFmpegCapture::DeviceLost() const {
  if (!lost_) return std::nullopt;
  std::lock_guard<std::mutex> lock(lostMutex_);
  return lostWhy_;
}

TCaptureCounts TFFmpegCapture::Counts() const { return {captured_.load(), dropped_.load()}; }

void TFFmpegCapture::CaptureLoop() {
  for (;;) {
    TResult<std::optional<TCameraFrame>> read = input_->Read();
    if (!read) {
      {
        std::lock_guard<std::mutex> lock(lostMutex_);
        lostWhy_ = read.error();
      }
      lost_ = true;
      if (OnDeviceLost) OnDeviceLost();
      return;
    }
    if (!read.value()) return;  // interrupted
    TCameraFrame& frame = *read.value();
    if (recording_) Feed(frame);
    {
      std::lock_guard<std::mutex> lock(previewMutex_);
      preview_ = frame.picture;
    }
    if (OnPreview) OnPreview();
  }
}

void TFFmpegCapture::Feed(const TCameraFrame& frame) {
  std::lock_guard<std::mutex> lock(queueMutex_);
  if (finishing_ || pacer_ == nullptr) return;
  const TFramePacer::Step step = pacer_->Place(frame.seconds);
  if (!step.keep) return;
  for (int64_t i = 0; i < step.missed; ++i) queue_.push_back(nullptr);
  dropped_ += step.missed;
  const bool sameSize = frame.picture->Width() == width_ && frame.picture->Height() == height_;
  if (queued_ < queueLimit_ && sameSize) {
    queue_.push_back(frame.picture);
    ++queued_;
    ++captured_;
  } else {
    queue_.push_back(nullptr);
    ++dropped_;
  }
  queueReady_.notify_one();
}

TStatus TFFmpegCapture::StartRecording(const std::string& path, const std::string& codec) {
  if (input_ == nullptr) return Fail("Aucun périphérique de capture sélectionné.");
  StopRecording();
  // The size the device really delivers, when it differs from the one asked.
  if (auto p = Preview()) {
    width_ = p->Width();
    height_ = p->Height();
  }
  std::unique_ptr<IFrameWriter> writer = MakeFrameWriter(codec);
  if (writer == nullptr)
    return Fail("Le codeur n'existe pas ou est indisponible", "codeur « " + codec + " »");
  if (TStatus opened = writer->Open(path, width_, height_, rate_); !opened) return opened;
  path_ = path;
  const std::size_t bytes =
      std::max<std::size_t>(1, static_cast<std::size_t>(width_) * height_ * 3);
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.clear();
    queued_ = 0;
    queueLimit_ = std::max<std::size_t>(4, queueBudget_ / bytes);
    finishing_ = false;
    writer_ = std::move(writer);
    pacer_ = std::make_unique<TFramePacer>(rate_);
  }
  captured_ = 0;
  dropped_ = 0;
  encodeThread_ = std::thread([this] { EncodeLoop(); });
  recording_ = true;
  return {};
}

void TFFmpegCapture::StopRecording() {
  if (!recording_ && !encodeThread_.joinable()) return;
  recording_ = false;
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    finishing_ = true;
  }
  queueReady_.notify_one();
  // The encoder writes every queued image before it ends.
  if (encodeThread_.joinable()) encodeThread_.join();
  // A file the writer could not complete is not offered as a recording.
  if (writer_ != nullptr && !writer_->Close()) std::remove(path_.c_str());
  writer_.reset();
}

void TFFmpegCapture::EncodeLoop() {
  for (;;) {
    std::shared_ptr<const Image> picture;
    {
      std::unique_lock<std::mutex> lock(queueMutex_);
      queueReady_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
      if (queue_.empty()) return;  // finishing, and nothing left
      picture = std::move(queue_.front());
      queue_.pop_front();
      if (picture != nullptr) --queued_;
    }
    // A write error leaves the file incomplete; Close reports it.
    if (picture != nullptr)
      writer_->Write(*picture);
    else
      writer_->Repeat();
  }
}

}  // namespace kinevo::capture
