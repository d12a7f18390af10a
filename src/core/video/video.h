#pragma once
// The video view's logic (TVideo): the open video and its three frame
// sources, the current image and playback, the mode and the pointer tools,
// the zoom, pan and magnifier, the screen transform between view pixels and
// picture positions, the scroll bars (as state), the routing of mouse and
// keys to the subsystem of the current mode, and the composition of the
// back buffer.  A Qt widget (gui/video) hosts it and only forwards events and
// copies the back buffer to the screen.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/events.h"
#include "core/common/image.h"
#include "core/common/key_store.h"
#include "core/common/picture_warp.h"
#include "core/common/video_view.h"
#include "core/video/frame_source.h"
#include "core/video/frame_sources.h"
#include "core/video/montage_map.h"
#include "core/video/playback.h"
#include "core/video/view_client.h"
#include "core/video/view_host.h"
#include "core/video/view_tools.h"

namespace kinevo {

// One scroll bar, as the view lays it out.
struct TScrollBarState {
  bool Visible = false;
  int32_t ImgSize = 0;  // size of the whole zoomed picture along the bar, view pixels
  int32_t ImgPos = 0;   // position of the visible part in it
  int32_t Page = 0;     // visible length (the back buffer's size along the bar)
  int32_t SmallChange = 1;
  int32_t LargeChange = 10;
};

class TVideo : public IVideoView {
 public:
  static constexpr int kScrollBarThickness = 20;
  static constexpr const char* kWaitingText = "Veuillez patienter ...";
  // Shown over the picture while playback drops images (decoding slower
  // than the file's rate, as 4K videos may be).
  static constexpr const char* kDroppingText = "Lecture : des images sont sautées";
  static constexpr int kWaitingFontHeight = 32;  // pixels

  // The view owns the three back-ends (AVI reader, time-addressed FFmpeg,
  // bridge plugin).
  TVideo(std::unique_ptr<TFrameSource> vfw, std::unique_ptr<TFrameSource> ds,
         std::unique_ptr<TBridgeFrameSource> ffmpeg);
  ~TVideo() override;
  TVideo(const TVideo&) = delete;
  TVideo& operator=(const TVideo&) = delete;

  // ------------------------------------------------------------ links
  // Wired by the owner; each may stay unset.
  IMontageMap* Montage = nullptr;
  IViewClient* Marking = nullptr;
  IViewClient* Tracking = nullptr;
  // The window showing the view; null (the command line, the tests): the
  // view only composes its buffer and takes the pointer to be at 0,0.  The
  // host stops playback before it goes.
  void SetHost(IViewHost* host) { host_.store(host); }
  IViewHost* Host() const { return host_.load(); }
  // One mode's part in the mode changes (see TViewModeHandlers); any number
  // are registered, each until its connection ends.
  TConnection AddModeHandlers(TViewModeHandlers handlers);

  // ------------------------------------------------------------ notifications
  // Any number of listeners each.  The session listens to OnVideoOpen and
  // OnVideoClose to reset the analysis.
  // The image shown changed (another image, or a newly opened video): on the
  // window thread, once per change; during playback the clock's ticks reach
  // it through the host (IViewHost::Post).
  TNotifyEvent OnImageChange;
  TNotifyEvent OnZoomChange;
  TNotifyEvent OnVideoClose;
  // The open video is about to be closed or replaced: work reading its
  // pictures on another thread (a tracking run) ends now.
  TNotifyEvent OnVideoClosing;
  TNotifyEvent OnToolChange;
  TNotifyEvent OnVideoOpen;
  TNotifyEvent OnModeChange;
  TNotifyEvent OnModeRefused;

  // ------------------------------------------------------------ queries
  TVideoMode Mode() const override { return mode_.load(std::memory_order_relaxed); }
  TViewTool Tool() const { return tool_; }
  // The view contract: the pointer tool and the mouse position over the
  // view (from the window, through CursorPos).
  TViewTool PointerTool() const override { return tool_; }
  TPixel PointerPosition() const override;
  TVideoFramework Framework() const { return sources_.Framework(); }
  // Why the last OpenVideo failed (empty when it opened).
  const std::string& OpenError() const { return sources_.Error(); }
  bool IsOpen() const override { return sources_.Selected().Opened(); }
  bool IsCapture() const { return Mode() == vmCapture; }
  bool IsMontage() const { return Mode() == vmMontage; }
  bool IsTracking() const { return Mode() == vmTracking; }
  int ImagesNumber() const override { return sources_.Selected().ImagesNumber(); }
  int DisplayedImagesNumber() const;
  int CurrentImage() const override { return sources_.Selected().ImageIndex(); }
  int DisplayedImage() const;
  int ImageWidth() const override { return sources_.Selected().ImageWidth(); }
  int ImageHeight() const override { return sources_.Selected().ImageHeight(); }
  double ImageDuration() const { return sources_.Selected().ImageDuration(); }
  double ImageRate() const { return sources_.Selected().ImageRate(); }
  // Whether the times of the images come from the file's own timestamps
  // rather than from counting images: on for a variable-rate file when it
  // opens, and as the document says ("FileTimes" in [Video]; a document
  // without the key counts images, as it always did).
  bool FileTimes() const { return fileTimes_ && IsOpen() && !Source().ImageTimes().empty(); }
  void SetFileTimes(bool on);
  // With FileTimes: the time of file image `index` with its time shift,
  // the file's times scaled so that their mean interval is `period` (see
  // FileImageTime); nothing otherwise.
  std::optional<double> FileImageTime(int index, int32_t shift, double period) const;
  // The rate the images were filmed at: the one the user gave ("CaptureRate"
  // in [Video]), else the file's own (a phone's slow motion), else 0.
  double CaptureRate() const;
  // The rate the user gave (0: the file's own holds); reset at every opening.
  void SetCaptureRate(double rate);
  // The default time between images: that of the capture rate when it
  // differs from the playback rate (slow motion is timed as filmed),
  // ImageDuration otherwise.  Playback keeps the file's own rate.
  double DefaultDuration() const;
  int32_t ZoomValue() const { return zoom_.Value(); }
  int ViewWidth() const override;
  int ViewHeight() const override;
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  const std::string& FileName() const { return sources_.Selected().FileName(); }
  TFrameSource& Source() { return sources_.Selected(); }
  const TFrameSource& Source() const { return sources_.Selected(); }
  TFrameSources& Sources() { return sources_; }

  const TPixelRect& VisibleRect() const { return visibleRect_; }  // left, top, right, bottom
  double ScaleX() const { return scaleX_; }
  double ScaleY() const { return scaleY_; }
  double OffsetX() const { return offsetX_; }
  double OffsetY() const { return offsetY_; }
  int StartImage() const { return startImage_; }
  int EndImage() const { return endImage_; }
  bool Playing() const { return playback_.Playing(); }
  // Images the current playback dropped to keep the file's pace.
  int64_t DroppedImages() const { return playback_.DroppedImages(); }
  const TScrollBarState& VertBar() const { return vbar_; }
  const TScrollBarState& HorzBar() const { return hbar_; }
  const TZoom& Zoom() const { return zoom_; }
  const TPan& Pan() const { return pan_; }
  TLoupe& Loupe() { return loupe_; }
  const Image& BackBuffer() const { return backBuffer_; }
  int TitleWidth() const { return titleWidth_; }
  int TitleHeight() const { return titleHeight_; }
  bool Waiting() const { return waiting_; }
  bool ViewVisible() const { return viewVisible_; }

  bool HideImage = false;

  // ------------------------------------------------------------ commands
  void OpenVideo(const std::string& fileName);
  void GoToDisplayedImage(int n);
  // Page Up / Page Down step to the previous / next shown image, Home and
  // End go to the first / last; false for any other key.
  bool StepKey(int key);
  void GoToImage(int index) override;
  // The file image shown as displayed image `displayed` (through the
  // montage outside montage mode); -1 for none.
  int MapToFile(int displayed) const;
  void AdvanceImages(int n) override;
  // In marking, goes to file image `index` if it is shown (-1: nothing).
  void GoToMarkedImage(int index);
  void Play(int from, int to);
  void StopPlay();
  void SetMode(TVideoMode mode);
  void SetTool(TViewTool tool);
  TPictureCoord ScreenToPicture(double x, double y) const override;
  TPixel PictureToScreen(const TPictureCoord& p) const override;
  // Shows the picture corrected by `warp` (null: as the camera gives it).
  // Positions on the picture stay those of the picture as shown; the view
  // draws them, and takes its clicks, on the corrected picture.
  void SetWarp(std::shared_ptr<const IPictureWarp> warp);
  bool Warped() const { return warp_ != nullptr; }
  void ZoomAt(int x, int y, int step, bool ctrl, int32_t z0);
  void ZoomToRect(TMouseButton button, bool ctrl);
  void ResetZoom();
  bool DrawCurrentImage(Image& picture);
  void SetWaiting(bool on);
  void UpdateTransform();
  void UpdateCursor() override;
  void SetViewCursor(const std::string& name) override;
  void Repaint() override;
  void LoadFromDocument(const IKeyReader& read);
  void StoreInDocument(IKeyWriter& write) const;
  void ScrollWheelDown();
  void ScrollWheelUp();
  void SetTitleSize(int width, int height);

  // ------------------------------------------------------------ host events
  // The view's client size (scroll bars included) changed.
  void Resize(int width, int height);
  // The user moved a scroll bar to `pos`.
  void ScrollTo(bool vertical, int32_t pos);
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  void MouseMove(TShiftState shift, int x, int y);
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // Keys from the main window: the view's own handling, then the marking
  // data, then the tracker.  A handled key is set to 0.
  void KeyDown(int& key, TShiftState shift);
  void ShowLoupe(bool on);

  // Composes the back buffer: the picture of the visible rectangle (or a
  // white ground), the rubber band, the overlays and the waiting text.
  // `canvas` draws onto BackBuffer() (the host wraps the buffer's pixels).
  // Returns false when nothing was composed (a draw is running, no file is
  // open, or the view has no size); the host then shows the title picture
  // when no file is open.
  bool Paint(Canvas& canvas);
  // The two halves of Paint, for a host that wraps the buffer's pixels
  // between them: the picture first (sizes the buffer), then the overlays
  // drawn through a canvas over MutableBackBuffer().
  bool ComposePicture();
  // The view's picture through the warp: each view pixel takes the pixel
  // of the picture as shown that the correction brought there (black where
  // none), through a table kept while the view and the warp stay.
  void WarpInto(const Image& picture, Image& out);
  void PaintOverlays(Canvas& canvas);
  Image& MutableBackBuffer() { return backBuffer_; }

  // One playback tick (called by the playback clock's thread; public so the
  // tests can step playback without a clock).  Returns false when playback
  // ends.
  bool Tick();

 private:
  void SourceOpened(void* sender);
  // Raises OnImageChange when the image is not the one last announced.
  void AnnounceImage();
  void SourceClosed(void* sender);
  void LayoutScrollBars();
  void BoundVisibleRect();
  void EndDrags();
  IViewClient* Client() const;
  void Changed(bool now = false) {
    if (IViewHost* h = Host()) h->Invalidate(now);
  }
  // Runs `step` over the handlers of every registered mode.
  void ForEachMode(const std::function<void(const TViewModeHandlers&)>& step) { modes_(step); }

  std::unique_ptr<TFrameSource> vfw_;
  std::unique_ptr<TFrameSource> ds_;
  std::unique_ptr<TBridgeFrameSource> ffmpeg_;
  TFrameSources sources_;
  TConnections sourceLinks_;  // ends before the sources go

  // Read by the playback clock's thread too.
  std::atomic<IViewHost*> host_{nullptr};
  TSignal<const std::function<void(const TViewModeHandlers&)>&> modes_;

  std::atomic<TVideoMode> mode_{vmRepereFixe};
  TViewTool tool_ = vtNone;
  TZoom zoom_;
  TPan pan_;
  TLoupe loupe_;
  TPixelRect visibleRect_;
  double scaleX_ = 0, scaleY_ = 0, offsetX_ = 0, offsetY_ = 0;
  TScrollBarState vbar_, hbar_;
  int clientWidth_ = 0, clientHeight_ = 0;
  int titleWidth_ = 0, titleHeight_ = 0;
  bool waiting_ = false;
  bool viewVisible_ = true;
  bool hasPicture_ = false;
  bool fileTimes_ = false;
  int announced_ = -1;        // the image OnImageChange last told of; -1: none
  double captureRate_ = 0.0;  // given by the user, 0 for none
  Image picture_;             // last good picture of the visible rectangle
  std::shared_ptr<const IPictureWarp> warp_;
  std::vector<int32_t> warpTable_;  // view pixel -> view pixel of the picture as shown
  std::array<double, 4> warpMapping_{};
  const IPictureWarp* warpTableOf_ = nullptr;
  Image backBuffer_;  // picture plus overlays
  std::atomic<int> startImage_{0}, endImage_{0};

  // Built last: its threads end before anything they reach goes.
  TPlayback playback_;
};

}  // namespace kinevo
