#include "core/video/video.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>

#include "core/common/math_utils.h"
#include "core/video/file_times.h"

namespace kinevo {

namespace {
constexpr const char* kVideoSection = "Video";
}  // namespace

TVideo::TVideo(std::unique_ptr<TFrameSource> vfw, std::unique_ptr<TFrameSource> ds,
               std::unique_ptr<TBridgeFrameSource> ffmpeg)
    : vfw_(std::move(vfw)),
      ds_(std::move(ds)),
      ffmpeg_(std::move(ffmpeg)),
      sources_(*vfw_, *ds_, *ffmpeg_),
      playback_({[this] { return Tick(); },
                 [this](Image& picture, const TPixelRect& rect, int& index) {
                   index = Source().ImageIndex();
                   return Source().DrawImage(picture, rect);
                 },
                 [this] {
                   if (IViewHost* h = Host()) {
                     h->PostRepaint();
                     h->Post([this] { AnnounceImage(); });
                   }
                 }}) {
  for (TFrameSource* s : {vfw_.get(), ds_.get(), static_cast<TFrameSource*>(ffmpeg_.get())}) {
    sourceLinks_ += s->OnOpen.Connect([this](void* sender) { SourceOpened(sender); });
    sourceLinks_ += s->OnClose.Connect([this](void* sender) { SourceClosed(sender); });
  }
}

TVideo::~TVideo() {
  StopPlay();
  // The sources close their files when they are destroyed, after
  // sourceLinks_: their notifications no longer reach this object.
}

// ------------------------------------------------------------------ queries

int TVideo::DisplayedImagesNumber() const {
  if (!IsOpen()) return 0;
  if (!IsMontage() && Montage != nullptr) return Montage->VisibleCount();
  return ImagesNumber();
}

int TVideo::DisplayedImage() const {
  const int cur = CurrentImage();
  if (!IsMontage() && Montage != nullptr) return Montage->ToDisplayed(cur);
  return cur;
}

int TVideo::MapToFile(int displayed) const {
  if (!IsMontage() && Montage != nullptr) return Montage->ToFileIndex(displayed);
  return displayed;
}

int TVideo::ViewWidth() const {
  return std::max(clientWidth_ - (vbar_.Visible ? kScrollBarThickness : 0), 0);
}

int TVideo::ViewHeight() const {
  return std::max(clientHeight_ - (hbar_.Visible ? kScrollBarThickness : 0), 0);
}

IViewClient* TVideo::Client() const {
  switch (Mode()) {
    case vmRepereFixe:
    case vmTransparent:
      return Marking;
    case vmTracking:
      return Tracking;
    default:
      return nullptr;
  }
}

// ------------------------------------------------------------------ opening

void TVideo::OpenVideo(const std::string& fileName) {
  StopPlay();
  if (IsOpen()) OnVideoClosing(this);
  TFrameSource& src = sources_.Open(fileName);
  // A variable rate makes counted times wrong: the file's own are used.
  fileTimes_ = src.Opened() && src.VariableRate();
  captureRate_ = 0.0;
  if (src.Opened()) {
    visibleRect_ = {0, 0, src.ImageWidth(), src.ImageHeight()};
    hasPicture_ = false;
    LayoutScrollBars();
    UpdateTransform();
    OnVideoOpen(this);
    viewVisible_ = Mode() != vmCapture;
    AnnounceImage();
  }
  Changed();
}

void TVideo::SourceOpened(void* sender) {
  // The montage is reset first: leaving montage mode below must not apply
  // the previous file's hidden images to the new file.
  if (Montage != nullptr && sender != nullptr)
    Montage->NewVideo(static_cast<TFrameSource*>(sender)->ImagesNumber());
  viewVisible_ = false;
  announced_ = -1;  // image 0 of a new file is news
  zoom_.SetValue(100);
  SetTool(vtNone);
  pan_.Dragging = false;
  zoom_.Dragging = false;
  HideImage = false;
  SetMode(vmRepereFixe);
  vbar_.Visible = hbar_.Visible = false;
}

void TVideo::SourceClosed(void*) {
  vbar_.Visible = hbar_.Visible = false;
  hasPicture_ = false;
  announced_ = -1;
  OnVideoClose(this);
}

void TVideo::SetFileTimes(bool on) { fileTimes_ = on; }

void TVideo::SetCaptureRate(double rate) {
  captureRate_ = std::isfinite(rate) && rate > 0 ? rate : 0.0;
}

double TVideo::CaptureRate() const {
  if (!IsOpen()) return 0.0;
  return captureRate_ > 0 ? captureRate_ : Source().CaptureRate();
}

double TVideo::DefaultDuration() const {
  const double capture = CaptureRate();
  return CaptureRateDiffers(capture, ImageRate()) ? 1.0 / capture : ImageDuration();
}

std::optional<double> TVideo::FileImageTime(int index, int32_t shift, double period) const {
  if (!FileTimes()) return std::nullopt;
  return kinevo::FileImageTime(Source().ImageTimes(), index, shift, period);
}

// ------------------------------------------------------------------ navigation

void TVideo::GoToDisplayedImage(int n) {
  StopPlay();
  const int idx = MapToFile(n);
  if (idx >= 0 && idx != CurrentImage()) {
    Source().GoToImage(idx);
    AnnounceImage();
    Changed();
  }
}

void TVideo::GoToImage(int index) {
  Source().GoToImage(index);
  AnnounceImage();
  Changed();
}

void TVideo::AdvanceImages(int n) {
  const int target = MapToFile(DisplayedImage() + n);
  if (target < 0 || target == CurrentImage()) return;
  StopPlay();
  Source().GoToImage(target);
  AnnounceImage();
  Changed();
}

void TVideo::AnnounceImage() {
  const int now = IsOpen() ? CurrentImage() : -1;
  if (now == announced_) return;
  announced_ = now;
  OnImageChange(this);
}

void TVideo::GoToMarkedImage(int idx) {
  if (!IsMarking() || idx < 0) return;
  const int displayed = (!IsMontage() && Montage != nullptr) ? Montage->ToDisplayed(idx) : idx;
  if (displayed >= 0) GoToDisplayedImage(displayed);
}

// ------------------------------------------------------------------ playback

void TVideo::Play(int from, int to) {
  if (!IsOpen()) return;
  StopPlay();
  if (!IsMontage()) {
    startImage_ = MapToFile(from);
    endImage_ = MapToFile(to);
  } else {
    startImage_ = from;
    endImage_ = to;
  }
  Source().SetCopyMode(TRasterOp::ropSrcCopy);
  Source().GoToImage(startImage_);
  AnnounceImage();
  Changed();
  playback_.SetTarget(visibleRect_, ViewWidth(), ViewHeight());
  playback_.Start(std::max<uint16_t>(Source().ImageDurationMs(), 1));
}

void TVideo::StopPlay() { playback_.Stop(); }

bool TVideo::Tick() {
  if (!IsOpen()) return false;
  const int next = IsMontage() ? CurrentImage() + 1 : MapToFile(DisplayedImage() + 1);
  if (next < 0 || next < startImage_ || next > endImage_) return false;
  Source().GoToImage(next);
  playback_.RequestDecode();  // refused: the decoder is busy, this image is dropped
  return true;
}

// ------------------------------------------------------------------ modes and tools

TConnection TVideo::AddModeHandlers(TViewModeHandlers handlers) {
  return modes_.Connect(
      [h = std::move(handlers)](const std::function<void(const TViewModeHandlers&)>& step) {
        step(h);
      });
}

TPixel TVideo::PointerPosition() const {
  const IViewHost* h = Host();
  return h != nullptr ? h->CursorPos() : TPixel{};
}

void TVideo::SetMode(TVideoMode mode) {
  const TVideoMode old = Mode();
  // A refusal is an answer, not an exception: any exception of a participant
  // is a fault and goes on to the caller.
  auto refuse = [this] { OnModeRefused(this); };
  if (mode == vmMontage && ImagesNumber() <= 1) return refuse();
  bool allowed = true;
  ForEachMode([&](const TViewModeHandlers& h) {
    if (allowed && h.MayChange) allowed = h.MayChange(old, mode);
  });
  if (!allowed) return refuse();

  if (old != mode) {
    if (old == vmMontage && Montage != nullptr) Montage->LeaveMontage();
    ForEachMode([&](const TViewModeHandlers& h) {
      if (h.Leave) h.Leave(old, mode);
    });
  }
  ForEachMode([&](const TViewModeHandlers& h) {
    if (allowed && h.Enter) allowed = h.Enter(mode);
  });
  if (!allowed) return refuse();
  mode_ = mode;
  viewVisible_ = mode != vmCapture;
  ForEachMode([&](const TViewModeHandlers& h) {
    if (h.Entered) h.Entered(mode);
  });
  loupe_.Visible = loupe_.Visible && (mode == vmRepereFixe || mode == vmTransparent);
  if (old != mode) {
    tool_ = vtNone;
    EndDrags();
    OnModeChange(this);
  }
  UpdateCursor();
  Changed();
}

void TVideo::SetTool(TViewTool tool) {
  if (tool == tool_) return;
  tool_ = tool;
  EndDrags();
  if (tool != vtNone) OnToolChange(this);
  UpdateCursor();
}

void TVideo::EndDrags() {
  pan_.Dragging = false;
  zoom_.Dragging = false;
}

// ------------------------------------------------------------------ transform

TPictureCoord TVideo::ScreenToPicture(double x, double y) const {
  const TPictureCoord p = TViewMapping{scaleX_, scaleY_, offsetX_, offsetY_}.ToPicture(x, y);
  if (!warp_) return p;
  auto bounded = [](double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); };
  const TPictureCoord shown = warp_->Uncorrected(p);
  return {bounded(shown.x), bounded(shown.y)};
}

TPixel TVideo::PictureToScreen(const TPictureCoord& p) const {
  return TViewMapping{scaleX_, scaleY_, offsetX_, offsetY_}.ToView(warp_ ? warp_->Corrected(p) : p);
}

void TVideo::SetWarp(std::shared_ptr<const IPictureWarp> warp) {
  warp_ = std::move(warp);
  warpTableOf_ = nullptr;
  if (Marking != nullptr) Marking->RecomputeViewPositions();
  if (Tracking != nullptr) Tracking->RecomputeViewPositions();
  Repaint();
}

void TVideo::WarpInto(const Image& picture, Image& out) {
  const int w = picture.Width(), h = picture.Height();
  const std::array<double, 4> mapping{scaleX_, scaleY_, offsetX_, offsetY_};
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  if (warpTableOf_ != warp_.get() || warpMapping_ != mapping || warpTable_.size() != n) {
    // Each view pixel shows the corrected picture at its centre: the
    // position as shown there, and the view pixel that holds it.
    warpTable_.assign(n, -1);
    const TViewMapping view{scaleX_, scaleY_, offsetX_, offsetY_};
    for (int y = 0; y < h && scaleX_ != 0.0 && scaleY_ != 0.0; ++y)
      for (int x = 0; x < w; ++x) {
        const TPictureCoord c{(x + 0.5) / scaleX_ + offsetX_, (y + 0.5) / scaleY_ + offsetY_};
        const TPixel at = view.ToView(warp_->Uncorrected(c));
        if (at.x >= 0 && at.y >= 0 && at.x < w && at.y < h)
          warpTable_[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                     static_cast<std::size_t>(x)] = at.y * w + at.x;
      }
    warpTableOf_ = warp_.get();
    warpMapping_ = mapping;
  }
  out.Resize(w, h);
  const uint8_t* from = picture.Data();
  uint8_t* to = out.Data();
  for (std::size_t i = 0; i < n; ++i) {
    const int32_t k = warpTable_[i];
    for (int c = 0; c < 3; ++c)
      to[3 * i + static_cast<std::size_t>(c)] =
          k < 0 ? 0 : from[3 * static_cast<std::size_t>(k) + static_cast<std::size_t>(c)];
  }
}

void TVideo::UpdateTransform() {
  if (!IsOpen()) return;
  const int w = ImageWidth(), h = ImageHeight(), z = zoom_.Value();
  scaleX_ = ViewWidth() * z / 100.0;
  scaleY_ = ViewHeight() * z / 100.0;
  if (w != 0 && h != 0 && z != 0) {
    offsetX_ = static_cast<double>(visibleRect_.left) / w;
    offsetY_ = static_cast<double>(visibleRect_.top) / h;
  }
  playback_.SetTarget(visibleRect_, ViewWidth(), ViewHeight());
  if (Marking != nullptr) Marking->RecomputeViewPositions();
  if (Tracking != nullptr) Tracking->RecomputeViewPositions();
}

void TVideo::BoundVisibleRect() {
  const int w = ImageWidth(), h = ImageHeight();
  const int vw = visibleRect_.Width(), vh = visibleRect_.Height();
  int left = std::max(std::min(visibleRect_.left, w - vw), 0);
  int top = std::max(std::min(visibleRect_.top, h - vh), 0);
  visibleRect_ = {left, top, left + vw, top + vh};
}

void TVideo::LayoutScrollBars() {
  if (!IsOpen()) return;
  const bool show = zoom_.Value() > 100;
  vbar_.Visible = hbar_.Visible = show;
  if (show) {
    const int w = ImageWidth(), h = ImageHeight();
    const double sx = ViewWidth() * zoom_.Value() / 100.0;
    const double sy = ViewHeight() * zoom_.Value() / 100.0;
    vbar_.ImgSize = RoundToInt(sy);
    hbar_.ImgSize = RoundToInt(sx);
    vbar_.ImgPos = h > 0 ? RoundToInt(static_cast<double>(visibleRect_.top) / h * sy) : 0;
    hbar_.ImgPos = w > 0 ? RoundToInt(static_cast<double>(visibleRect_.left) / w * sx) : 0;
    vbar_.Page = ViewHeight();
    hbar_.Page = ViewWidth();
    vbar_.LargeChange = hbar_.LargeChange = 10;
  }
  loupe_.KeepInside(ViewWidth(), ViewHeight());
}

void TVideo::Resize(int width, int height) {
  clientWidth_ = std::max(width, 0);
  clientHeight_ = std::max(height, 0);
  LayoutScrollBars();
  UpdateTransform();
  loupe_.SetBounds(
      {clientWidth_ - clientWidth_ / 5 - 2, 2, clientWidth_ - 2, 2 + clientHeight_ / 5},
      ViewWidth(), ViewHeight());
  Changed();
}

void TVideo::ScrollTo(bool vertical, int32_t pos) {
  TScrollBarState& bar = vertical ? vbar_ : hbar_;
  const double scale = vertical ? scaleY_ : scaleX_;
  if (scale == 0.0) return;
  bar.ImgPos = std::clamp(pos, 0, std::max(bar.ImgSize - bar.Page, 0));
  const int size = vertical ? ImageHeight() : ImageWidth();
  const int extent = vertical ? visibleRect_.Height() : visibleRect_.Width();
  int v = RoundToInt(size * static_cast<double>(pos) / scale);
  v = std::max(std::min(v, size - extent), 0);
  int& first = vertical ? visibleRect_.top : visibleRect_.left;
  int& last = vertical ? visibleRect_.bottom : visibleRect_.right;
  if (v == first) return;
  first = v;
  last = v + extent;
  UpdateTransform();
  Changed();
}

// One notch of the wheel scrolls three lines of 20 view pixels, as
// desktop programs do; the bar's small step (one pixel) would take hundreds
// of notches to cross a zoomed picture.
constexpr int kWheelStep = 3 * 20;

void TVideo::ScrollWheelDown() {
  if (vbar_.Visible) ScrollTo(true, vbar_.ImgPos + std::max(kWheelStep, vbar_.SmallChange));
}

void TVideo::ScrollWheelUp() {
  if (vbar_.Visible) ScrollTo(true, vbar_.ImgPos - std::max(kWheelStep, vbar_.SmallChange));
}

// ------------------------------------------------------------------ zoom

void TVideo::ZoomAt(int x, int y, int step, bool ctrl, int32_t z0) {
  const int w = ImageWidth(), h = ImageHeight();
  if (w <= 0 || h <= 0 || z0 <= 0) return;
  if (step == 1)
    zoom_.ZoomIn(ctrl);
  else if (step == 2)
    zoom_.ZoomOut(ctrl);
  const double z = zoom_.Value();
  // The point under the mouse becomes the centre of the visible part.
  if (clientWidth_ > 0)
    visibleRect_.left += RoundToInt(w * (x * 100.0 / clientWidth_ / z0 - 50.0 / z));
  if (clientHeight_ > 0)
    visibleRect_.top += RoundToInt(h * (y * 100.0 / clientHeight_ / z0 - 50.0 / z));
  visibleRect_.right = visibleRect_.left + RoundToInt(w * 100.0 / z);
  visibleRect_.bottom = visibleRect_.top + RoundToInt(h * 100.0 / z);
  BoundVisibleRect();
  LayoutScrollBars();
  UpdateTransform();
  OnZoomChange(this);
}

void TVideo::ZoomToRect(TMouseButton button, bool ctrl) {
  const TPixelRect& b = zoom_.BandRect;
  const int bw = std::abs(b.right - b.left), bh = std::abs(b.bottom - b.top);
  const int32_t z0 = zoom_.Value();
  if (bw >= 10 && bh >= 10) {
    const double k =
        std::min(static_cast<double>(ViewWidth()) / bw, static_cast<double>(ViewHeight()) / bh);
    zoom_.Multiply(k);
    ZoomAt((b.left + b.right) / 2, (b.top + b.bottom) / 2, 0, ctrl, z0);
  } else if (button == mbLeft) {
    ZoomAt(b.right, b.bottom, 1, ctrl, z0);
  } else if (button == mbRight) {
    ZoomAt(b.right, b.bottom, 2, ctrl, z0);
  }
}

void TVideo::ResetZoom() {
  zoom_.SetValue(100);
  ZoomAt(0, 0, 0, false, 100);
  Changed();
}

// ------------------------------------------------------------------ mouse and keys

void TVideo::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!IsOpen() || pan_.Dragging) return;
  if (tool_ == vtZoom) {
    zoom_.Dragging = true;
    zoom_.BandRect = {x, y, x, y};
    return;
  }
  if (tool_ == vtPan) {
    if (button == mbLeft) {
      pan_.Dragging = true;
      pan_.LastPoint = {x, y};
    }
    return;
  }
  if (IViewClient* c = Client()) c->MouseDown(button, shift, x, y);
}

void TVideo::MouseMove(TShiftState shift, int x, int y) {
  if (!IsOpen()) return;
  if (pan_.Dragging) {
    const int w = ImageWidth(), h = ImageHeight();
    const int vw = visibleRect_.Width(), vh = visibleRect_.Height();
    int left = visibleRect_.left, top = visibleRect_.top;
    if (clientWidth_ > 0)
      left -= RoundToInt(static_cast<double>(x - pan_.LastPoint.x) * vw / clientWidth_);
    if (clientHeight_ > 0)
      top -= RoundToInt(static_cast<double>(y - pan_.LastPoint.y) * vh / clientHeight_);
    left = std::max(std::min(left, w - vw), 0);
    top = std::max(std::min(top, h - vh), 0);
    visibleRect_ = {left, top, left + vw, top + vh};
    LayoutScrollBars();
    UpdateTransform();
    pan_.LastPoint = {x, y};
    Changed();
  } else if (tool_ == vtZoom) {
    if (zoom_.Dragging) {
      zoom_.BandRect.right = x;
      zoom_.BandRect.bottom = y;
      Changed();
    }
  } else if (tool_ == vtNone) {
    if (IViewClient* c = Client()) c->MouseMove(shift, x, y);
  }
  if (!loupe_.Moving) loupe_.Center = {x, y};
}

void TVideo::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (!IsOpen()) return;
  if (tool_ == vtZoom) {
    if (!zoom_.Dragging) return;
    zoom_.BandRect.right = x;
    zoom_.BandRect.bottom = y;
    zoom_.Dragging = false;
    ZoomToRect(button, shift.ctrl);
    Changed();
  } else if (tool_ == vtPan) {
    pan_.Dragging = false;
    UpdateCursor();
  } else if (IViewClient* c = Client()) {
    c->MouseUp(button, shift, x, y);
  }
}

bool TVideo::StepKey(int key) {
  const int n = DisplayedImagesNumber();
  if (n <= 0 || IsCapture() || pan_.Dragging) return false;
  const int current = DisplayedImage();
  int target = current;
  switch (key) {
    case vkPrior:
      target = std::max(current - 1, 0);
      break;
    case vkNext:
      target = std::min(current + 1, n - 1);
      break;
    case vkHome:
      target = 0;
      break;
    case vkEnd:
      target = n - 1;
      break;
    default:
      return false;
  }
  if (target != current) GoToDisplayedImage(target);
  return true;
}

void TVideo::KeyDown(int& key, TShiftState shift) {
  if (StepKey(key)) {
    key = 0;
    return;
  }
  if (IsMarking() && key != 0) {
    const TPixel at = PointerPosition();
    switch (key) {
      case vkReturn:
        if (pan_.Dragging) {
          MouseUp(mbLeft, shift, at.x, at.y);
          key = 0;
        } else if (tool_ == vtZoom || tool_ == vtPan) {
          MouseDown(mbLeft, shift, at.x, at.y);
          key = 0;
        }
        break;
      case vkEscape:
        MouseDown(mbRight, shift, at.x, at.y);
        break;
      case vkLeft:
      case vkRight:
      case vkUp:
      case vkDown: {
        const int d = shift.ctrl ? 10 : 1;
        TPixel p = at;
        if (key == vkLeft)
          p.x -= d;
        else if (key == vkRight)
          p.x += d;
        else if (key == vkUp)
          p.y -= d;
        else
          p.y += d;
        if (IViewHost* h = Host()) h->SetCursorPos(p);
        break;
      }
      default:
        break;
    }
  }
  if (key != 0 && Marking != nullptr) Marking->KeyDown(key, shift);
  if (key != 0 && Tracking != nullptr) Tracking->KeyDown(key, shift);
}

void TVideo::ShowLoupe(bool on) {
  loupe_.Visible = on && IsMarking();
  Changed();
}

// ------------------------------------------------------------------ cursor and painting

void TVideo::UpdateCursor() {
  std::string name;
  if (tool_ == vtZoom) {
    name = "Zoom";
  } else if (tool_ == vtPan) {
    name = "Pan";
  } else if (IsOpen()) {
    if (IViewClient* c = Client()) name = c->CursorName();
  }
  SetViewCursor(name);
}

void TVideo::SetViewCursor(const std::string& name) {
  if (IViewHost* h = Host()) h->ShowCursor(name);
}

void TVideo::Repaint() { Changed(true); }

void TVideo::SetWaiting(bool on) {
  waiting_ = on;
  if (IViewHost* h = Host(); on && h != nullptr) h->ProcessMessages();
  Changed(true);
}

void TVideo::SetTitleSize(int width, int height) {
  titleWidth_ = width;
  titleHeight_ = height;
}

bool TVideo::DrawCurrentImage(Image& picture) {
  if (!IsOpen()) return false;
  if (picture.Width() != ImageWidth() || picture.Height() != ImageHeight())
    picture.Resize(ImageWidth(), ImageHeight());
  if (!Playing()) Source().SetCopyMode(TRasterOp::ropSrcCopy);
  return Source().DrawImage(picture);
}

bool TVideo::ComposePicture() {
  if (!IsOpen()) return false;
  const int bw = ViewWidth(), bh = ViewHeight();
  if (bw <= 0 || bh <= 0) return false;
  // A playback that ended by itself leaves its threads to be collected.
  if (playback_.EndedByItself()) StopPlay();
  if (!Playing() && Source().Drawing()) return false;
  if (picture_.Width() != bw || picture_.Height() != bh) {
    picture_.Resize(bw, bh);
    hasPicture_ = false;
  }
  if (HideImage) {
    backBuffer_ = Image(bw, bh, colors::White);
    return true;
  }
  auto hidden = [this](int index) {
    return IsMontage() && Montage != nullptr && !Montage->IsVisible(index);
  };
  if (Playing()) {
    int index = -1;
    if (playback_.TakeDecoded(picture_, bw, bh, index)) {
      hasPicture_ = true;
      if (hidden(index)) picture_.Invert();
    }
  } else {
    Source().SetCopyMode(hidden(CurrentImage()) ? TRasterOp::ropNotSrcCopy : TRasterOp::ropSrcCopy);
    TPixelRect rect = visibleRect_;
    if (Source().DrawImage(picture_, rect)) hasPicture_ = true;
  }
  if (warp_)
    WarpInto(picture_, backBuffer_);
  else
    backBuffer_ = picture_;
  return true;
}

void TVideo::PaintOverlays(Canvas& canvas) {
  if (zoom_.Dragging) {
    const TPixelRect& b = zoom_.BandRect;
    canvas.SetPen({RGBColor(128, 128, 128), 1, TPenStyle::psDot, TPenMode::pmCopy});
    canvas.SetBrush({colors::White, TBrushStyle::bsClear});
    canvas.Polyline({{b.left, b.top},
                     {b.right, b.top},
                     {b.right, b.bottom},
                     {b.left, b.bottom},
                     {b.left, b.top}});
  }
  IViewClient* overlays = IsTracking() ? Tracking : Marking;
  if (overlays != nullptr) overlays->Paint(canvas);
  if (Playing() && DroppedImages() > 0) {
    TFont font;
    font.name = "Arial";
    font.size = 9;
    font.color = colors::Black;
    canvas.SetFont(font);
    canvas.SetBrush({colors::White, TBrushStyle::bsSolid});
    canvas.TextOut(4, 4, kDroppingText, true);
  }
  if (waiting_) {
    TFont font;
    font.name = "Arial";
    font.size = kWaitingFontHeight * 3 / 4;  // points at 96 dots per inch
    font.color = colors::Black;
    canvas.SetFont(font);
    canvas.SetBrush({colors::White, TBrushStyle::bsSolid});
    const TTextSize ext = canvas.TextExtent(kWaitingText);
    canvas.TextOut((ViewWidth() - ext.cx) / 2, (ViewHeight() - ext.cy) / 2, kWaitingText, true);
  }
}

bool TVideo::Paint(Canvas& canvas) {
  if (!ComposePicture()) return false;
  PaintOverlays(canvas);
  return true;
}

// ------------------------------------------------------------------ document

void TVideo::LoadFromDocument(const IKeyReader& read) {
  const long long index = read.ReadInt64(kVideoSection, "ImageNumber", 1);
  Source().GoToImage(
      static_cast<int32_t>(std::clamp<long long>(index, -1, static_cast<long long>(INT32_MAX))));
  const long long marking = read.ReadInt64(kVideoSection, "MarkingMode", 0);
  SetFileTimes(read.ReadInt64(kVideoSection, "FileTimes", 0) == 1);
  SetCaptureRate(read.ReadFloat(kVideoSection, "CaptureRate", 0.0));
  SetMode(marking == 1 ? vmTransparent : vmRepereFixe);
  UpdateTransform();
  AnnounceImage();
  Changed();
}

void TVideo::StoreInDocument(IKeyWriter& write) const {
  write.WriteInteger(kVideoSection, "ImageNumber", CurrentImage());
  write.WriteBool(kVideoSection, "MarkingMode", IsLayer());
  // Only for a file that has times of its own worth choosing.
  if (Source().VariableRate()) write.WriteBool(kVideoSection, "FileTimes", FileTimes());
  // Only a rate the user gave: the file's own is read again from the file.
  if (captureRate_ > 0) write.WriteFloat(kVideoSection, "CaptureRate", captureRate_);
}

}  // namespace kinevo
