#pragma once
// TTracking: what the user works with in the view's tracking mode.  For one
// system after the other the user draws the object's contour on one image
// (freehand, polygon or circle), optionally ban zones that the colour
// tracker must ignore, chooses the last image, and starts the run.  The run
// goes image by image through the video, lets the analysis's tracker (by
// colour, mean shift; or by appearance, a template matched by correlation)
// find every object that has a contour, and keeps the positions as
// automatic marks with how sure the tracker was of each.  Leaving the mode
// offers to turn them into Grid marks.
//
// The run's images are decoded and tracked on a worker thread; each result
// is handed to the window thread, which stores the mark, shows its image and
// tells the progress, so the window stays free and nothing the user does
// during a run reaches the tracker's working state.
//
// The controller reaches the view through ITrackingHost, the marking data for
// the systems, their colours and the step between marks, and the message and
// value dialogs for its checks and questions.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/events.h"
#include "core/common/image.h"
#include "core/common/user_dialog.h"
#include "core/common/video_view.h"
#include "core/marking/marking_data.h"
#include "core/tracking/appearance_tracker.h"
#include "core/tracking/mean_shift.h"
#include "core/video/view_client.h"

namespace kinevo {

// What the controller needs of the view beyond the marking contract:
// displayed image numbers (through the montage), the full-resolution
// pictures, and the window thread.
class ITrackingHost {
 public:
  virtual ~ITrackingHost() = default;
  virtual IVideoView& View() = 0;
  virtual int DisplayedImagesNumber() const = 0;
  virtual int DisplayedImage() const = 0;
  virtual void GoToDisplayedImage(int n) = 0;
  // The file image shown as displayed image `n`.
  virtual int FileIndexOf(int displayed) const = 0;
  // The image shown, whole (window thread).
  virtual bool DrawCurrentImage(Image& picture) = 0;
  // File image `index`, whole, from the run's worker thread, without
  // changing the image shown.
  virtual bool ReadImage(int index, Image& picture) = 0;
  // Has the window thread run `work` soon; called from the worker.  Without
  // a window (the command line, tests) nothing runs and TTracking::Wait
  // takes the results.
  virtual void Post(std::function<void()> work) = 0;
};

enum TDrawTool : unsigned char { dtNone = 0, dtContour = 1, dtBanZone = 2 };
enum TDrawState : unsigned char { dsIdle = 0, dsBanZone = 1, dsContour = 2 };
enum TContourShape : unsigned char { csFreehand = 0, csPolygon = 1, csCircle = 2 };

// The settings the controller reads.
struct TTrackingSettings {
  TContourShape shape = csCircle;
  bool showSearchZone = true;
  int radius = 40;
  // An image is uncertain when its similarity falls below this fraction of
  // the first image's.  On generated scenes a clearly visible ball keeps
  // 0.95 to 1.05 of it, a half-hidden one about 0.65 (and its position is
  // then several pixels off), a hidden one under 0.3.
  double uncertainFraction = 0.7;
  // The run stops at the first uncertain image.
  bool stopAtUncertain = false;
};

// The setting value of the contour shape, as the options dialog lists the
// shapes: 0 free hand, 1 polygon, 2 circle; any other value the circle.
TContourShape ContourShapeFromSetting(int value);
int SettingFromContourShape(TContourShape shape);

// One polygon both as picture positions and as view pixels.
struct TTrackPolygon {
  std::vector<TPictureCoord> picture;
  std::vector<TPixel> view;
};

// An automatic mark: the position found on a displayed image, the file
// index of that image (-1: none) and how similar the colours were.
struct TAutoMark {
  TPictureCoord position;
  TPixel view;
  int32_t fileIndex = -1;
  double similarity = 0.0;
  bool uncertain = false;
};

struct TTrackedSystem {
  TTrackPolygon contour;  // no points: no contour
  int firstImage = 0;     // displayed number of the image the contour was drawn on
  std::vector<TTrackPolygon> banZones;
  std::vector<TAutoMark> marks;  // one per displayed image
};

// "17 à 19, 25" from sorted image numbers (1-based as shown); runs of
// consecutive numbers, or of numbers `step` apart, are joined.
std::string FormatImageRuns(const std::vector<int>& images, int step, const std::string& to,
                            const std::string& separator);

class TTracking : public IViewClient {
 public:
  static constexpr int kIterations = 10;
  static constexpr int kBinCount = 20;
  static constexpr int kMinRadius = 10, kMaxRadius = 100;

  TTracking(ITrackingHost& host, TData& data, TUserDlg& dialog, TTrackingSettings settings = {});
  // Stops a run under way and waits for its worker.
  ~TTracking() override;
  TTracking(const TTracking&) = delete;
  TTracking& operator=(const TTracking&) = delete;

  // ------------------------------------------------------------ settings
  void ApplySettings(const TTrackingSettings& settings);
  const TTrackingSettings& Settings() const { return settings_; }
  void SetContourShape(TContourShape shape);
  void SetShowSearchZone(bool on);
  void SetRadius(int r);
  int Radius() const { return settings_.radius; }
  void SetUncertainFraction(double f) { settings_.uncertainFraction = f; }
  void SetStopAtUncertain(bool on) { settings_.stopAtUncertain = on; }
  bool UseRGB() const { return tracker_.UseRGB; }
  void SetUseRGB(bool on) { tracker_.UseRGB = on; }
  // The analysis's tracker (kept by the marking data, with the document).
  TTrackingMethod Method() const { return data_.TrackingMethod(); }
  void SetMethod(TTrackingMethod m);

  // ------------------------------------------------------------ state
  TDrawTool DrawTool() const { return drawTool_; }
  void SetDrawTool(TDrawTool tool);
  TDrawState DrawState() const { return drawState_; }
  int CurrentSystem() const { return currentSystem_; }
  void SetCurrentSystem(int n);
  int LastImage() const { return lastImage_; }
  // The user's choice of the last image (the sequence dialog).  Until one is
  // made, a new contour runs to the last image of the video.
  void SetLastImage(int n);
  bool Running() const { return running_; }
  int SystemsCount() const { return static_cast<int>(systems_.size()); }
  const TTrackedSystem& System(int s) const { return systems_[static_cast<std::size_t>(s)]; }
  const TTrackedSystem& Current() const { return System(currentSystem_); }
  bool HasContour() const { return !Current().contour.picture.empty(); }
  bool HasAutomaticMarks() const;
  // The points of the outline being drawn (view pixels).
  const std::vector<TPixel>& Drawing() const { return drawing_; }
  // The current system's trackers, as the last run left them.
  const TMeanShift& Tracker() const { return tracker_; }
  const TAppearanceTracker& Appearance() const { return appearance_; }
  // Side (picture pixels) of the square the current system's tracker
  // searches; 0 before any run.
  int SearchSide() const;

  // Stores a finished contour for the current system on the current image,
  // as closing a drawn outline does (fewer than 3 points are dropped).
  // Returns whether it was kept.
  bool SetContour(const std::vector<TPictureCoord>& contour);
  void AddBanZone(const std::vector<TPictureCoord>& zone);

  // ------------------------------------------------------------ checks and dialogs
  // False, with the message shown, when no run may start.  A last image out
  // of bounds becomes the last displayed image.
  bool CheckRun();
  // Before the sequence dialog (core/app/tracking_dialogs.h).
  bool CheckContour();

  // ------------------------------------------------------------ the run
  // The start button: the checks (for the current system), then the model
  // of every system with a contour built on its first image, and the later
  // images handed to a worker thread, which tracks the systems together,
  // each from its first image on.  Returns whether a run started; Running()
  // stays true until its end, told by OnRunningChanged.  The worker goes
  // one image ahead of the window at most.
  bool Start();
  // The stop button: the run ends before its next image (an image found but
  // not yet shown is dropped).  Returns at once; the window learns the end
  // as usual.
  void Stop();
  // Waits on this thread for the run to end, taking its results; at once
  // without a run.  For leaving the mode, closing the video, and callers
  // without a window (the command line, tests).
  void Wait();
  // Start, then Wait: the whole run on this thread's watch.
  bool RunToEnd();
  // Images (0-based displayed numbers) found uncertain by the last run for
  // any of its systems, in order.
  const std::vector<int>& UncertainImages() const { return uncertain_; }
  // "Suivi incertain sur les images 17 à 19" or "" when all were sure.
  std::string UncertainText() const;

  // ------------------------------------------------------------ erasing
  void EraseContour();
  void EraseLastBanZone();
  void EraseAutomaticMarks();
  // Clears every system and sizes the tables to the current numbers of
  // displayed images and systems.
  void Reset();

  // ------------------------------------------------------------ leaving the mode
  // The question asked when tracking mode is left: "Enregistrer" turns the
  // automatic marks into Grid marks (one undoable step).  Returns whether
  // they were applied.
  bool CommitOffer();
  // The marks of every system as the marking data takes them.
  void ApplyToMarkingData();

  // ------------------------------------------------------------ view client
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton, TShiftState, int, int) override {}
  void DoubleClick(int x, int y);
  void KeyDown(int&, TShiftState) override {}
  void Paint(Canvas& canvas) override;
  std::string CursorName() const override;
  void RecomputeViewPositions() override;

  // ------------------------------------------------------------ notifications
  // All on the window thread.
  TNotifyEvent OnRunningChanged;  // the buttons change with Running
  TNotifyEvent OnToolChanged;
  // During a run: image k of n (1-based count of images done).
  TSignal<std::pair<int, int>> OnProgress;

 private:
  // One object found on one image.
  struct TFound {
    int system = 0;
    TPixelF position;  // picture pixels
    double similarity = 0.0;
    bool uncertain = false;
  };
  // One image of a run as the worker found it, for every system tracked.
  struct TStep {
    int image = 0;  // displayed number
    int32_t fileIndex = -1;
    std::vector<TFound> found;
  };
  // One system of a run: the tracker of the run's method, where the object
  // stands, and how well the model matched where it was drawn (later
  // images are judged against it).
  struct TFollower {
    int system = 0;
    int firstImage = 0;
    TTrackingMethod method = tmColour;
    TMeanShift colour;
    TPixel point;  // the colour tracker's place
    TAppearanceTracker appearance;
    double reference = 0.0;
    TFound Track(const Image& picture, double uncertainFraction);
  };
  // What the worker needs, fixed when the run starts.
  struct TJob {
    std::vector<std::pair<int, int32_t>> images;  // displayed, file index
    std::vector<TFollower> followers;
    double uncertainFraction = 0.0;
    bool stopAtUncertain = false;
  };
  // Between the worker and the window thread.
  struct TChannel {
    std::mutex mutex;
    std::condition_variable_any changed;
    std::deque<TStep> steps;           // found, not yet taken
    std::vector<TFollower> followers;  // the worker's, once it ended
    bool ended = false;
    // Set before the worker starts: has the window thread take the news.
    std::function<void()> wake;
  };
  static void Work(std::stop_token stop, ITrackingHost& host, TJob job,
                   std::shared_ptr<TChannel> channel);
  // The model of system s on its first image, its first mark stored.
  // False when there is none (no picture, a contour around nothing).
  bool Prepare(int s, TFollower& f);
  // On the window thread: applies the steps found, and ends the run once
  // the worker ended.
  void TakeSteps();
  void Apply(const TStep& step);
  void EndRun();

  TTrackedSystem& Cur() { return systems_[static_cast<std::size_t>(currentSystem_)]; }
  IVideoView& View() { return host_.View(); }
  void Changed() { View().Repaint(); }
  void StoreMark(int system, int displayed, int32_t fileIndex, const TPixelF& p, double similarity);
  void MarkUncertain(int system, int displayed);
  void PaintMarks(Canvas& canvas, const TTrackedSystem& sys, TColor colour) const;
  void CloseContour();
  void CloseBanZone();
  void AbandonDrawing();
  void StartOrExtend(int x, int y);
  void DrawingMouseDown(int x, int y);
  std::vector<TPixel> CirclePoints() const;
  TTrackPolygon FromView(const std::vector<TPixel>& pts) const;
  void Warn(TDefaultIcons icon, const std::string& text);
  void SetRunning(bool on);
  int BoundedLastImage(int n) const;

  ITrackingHost& host_;
  TData& data_;
  TUserDlg& dialog_;
  TTrackingSettings settings_;
  TMeanShift tracker_;
  TAppearanceTracker appearance_;
  TTrackingMethod lastMethod_ = tmColour;  // of the current system's last run
  std::vector<TTrackedSystem> systems_;
  int currentSystem_ = 0;
  int lastImage_ = 0;
  bool lastImageChosen_ = false;
  TDrawTool drawTool_ = dtNone;
  TDrawState drawState_ = dsIdle;
  std::vector<TPixel> drawing_;
  TPixel mouse_;
  int circleRadius_ = 0;
  bool running_ = false;
  std::vector<int> uncertain_;
  // The run under way: progress told so far, its total, and the worker.
  int done_ = 0, total_ = 0;
  bool stopping_ = false;
  std::shared_ptr<TChannel> channel_;
  std::jthread worker_;  // last: stopped and joined first
};

}  // namespace kinevo
