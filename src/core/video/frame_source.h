#pragma once
// A frame source gives random access to the decoded images of one video file:
// how many images there are, their size, the image rate, and the picture of
// the current image drawn into an Image.  Three back-ends implement it (the
// built-in AVI reader, FFmpeg addressed by time, and the FFmpeg bridge plugin
// addressed by image index); the view, the time base and the tracker only see
// this class, so they can be tested against a fake source.
//
// A back-end implements three hooks: OpenFile (read the file's properties),
// CloseFile (release everything) and FetchImage (decode one image into a
// picture).  This class keeps the members every source shares and runs the
// common steps of Open, Close, GoToImage and DrawImage around the hooks.
//
// Threads: GoToImage may be called from the playback timer's thread while
// DrawImage runs on the window thread.  GoToImage only stores an index (the
// decoding happens in DrawImage), and ImageIndex and Drawing are atomic so
// that the two threads may read and write them without a lock.  Everything
// else is called from the window thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/events.h"
#include "core/common/image.h"
#include "core/common/picture_coord.h"
#include "core/common/video_view.h"
#include "core/video/file_times.h"

namespace kinevo {

// Progress of a long opening (the index of a long video is built when it is
// opened): `fraction` goes from 0 to 1.  Returning false cancels the opening;
// the source then stays closed.
using TOpenProgress = std::function<bool(double fraction)>;

// The kind of a failure to open a file, which decides the message shown.
enum class TOpenFailure {
  None,         // opened, or nothing tried
  Missing,      // the file does not exist
  Unreadable,   // not a regular file, or no permission to read it
  Undecodable,  // read, but not understood by the back-end
  Foreign,      // not of the back-end's own format at all (another's file)
};

// The result of the checks made before a file is handed to a decoder.
struct TFileCheck {
  TOpenFailure failure = TOpenFailure::None;
  std::string reason;  // in French; empty when the file passed
  bool Passed() const { return failure == TOpenFailure::None; }
};

// What a back-end reports about a file it has opened.
struct TStreamInfo {
  int32_t width = 0;  // picture size in pixels, both > 0
  int32_t height = 0;
  int32_t imagesNumber = 0;     // number of images, > 0
  double imageRate = 0.0;       // images per second, > 0
  double streamDuration = 0.0;  // seconds; 0 when the back-end does not know it
  int32_t startIndex = 0;       // first current image (bounded to the images)
  // Presentation time of each image in seconds from the first image shown,
  // when the back-end reads them from the file (empty otherwise, or when
  // their count differs from imagesNumber).
  std::vector<double> imageTimes;
  // The image durations are irregular (see IsVariableRate); the images are
  // then addressed by index whatever the back-end, and imageRate is the
  // inverse of the mean interval.
  bool variableRate = false;
  // Degrees the decoded picture is turned clockwise to show it upright, as
  // the file's display matrix asks (0, 90, 180 or 270); width and height are
  // those of the upright picture.
  int32_t rotation = 0;
  // The file's image durations mean nothing (all 0, time going back): the
  // back-end gave the images even times over the file's length instead.
  bool incoherentDurations = false;
  // Images per second at which the file was filmed, when it says so (a
  // phone's slow motion); 0 otherwise.
  double captureRate = 0.0;
  // Images whose picture repeats the one before them exactly (file index).
  std::vector<int32_t> samePictures;
};

// An image decoded by TFrameSource::DecodeImage and not yet converted to RGB.
// It holds its own reference to the decoded picture: the source may go on
// decoding (or be closed) before it is converted.
class TDecodedImage {
 public:
  virtual ~TDecodedImage() = default;
  // Writes the whole picture, upright and at the source's picture size, into
  // `dest` (resized when its size differs); false when it cannot be
  // converted.  May run on another thread than the source's; the images of
  // one source convert one at a time.
  virtual bool ConvertInto(Image& dest) = 0;
};

class TFrameSource {
 public:
  // Largest playback period, in milliseconds, that ImageDurationMs can hold.
  static constexpr uint32_t kMaxImageDurationMs = 65535;

  explicit TFrameSource(TVideoFramework framework) : framework_(framework) {}
  TFrameSource(const TFrameSource&) = delete;
  TFrameSource& operator=(const TFrameSource&) = delete;
  // A back-end's destructor calls Close() itself, while its hooks still exist.
  virtual ~TFrameSource() = default;

  // Back-end code: fwVfw, fwDS or fwFFMpeg.
  TVideoFramework Framework() const { return framework_; }

  // Stores the name in FileName, closes, then opens the file.  Reports
  // nothing: success is Opened() == true, announced by OnOpen, and a failure
  // leaves its reason in Error().  An empty name only closes.  A file is
  // refused when its picture size or image rate is zero, when it has no
  // image, when its image duration rounds to more than 65535 ms, or when its
  // first image cannot be decoded.
  void Open(const std::string& fileName);

  // Why the last Open failed, in French, for the detail line of the failure
  // message and for the command line; empty after a success.
  const std::string& Error() const { return error_; }
  TOpenFailure Failure() const { return failure_; }

  // The check every back-end makes before opening anything: the file exists
  // and is a regular file.  A FIFO, a directory or a device is refused
  // without being opened (opening a FIFO with no writer would wait forever).
  static TFileCheck CheckRegularFile(const std::string& path);

  // Releases the file, sets Opened to false and ImagesNumber to 0, then fires
  // OnClose.  Whether this happens when nothing is open depends on the
  // back-end (CloseNotifiesWhenClosed).
  void Close();

  // Makes image n current, bounded to [0, ImagesNumber - 1].  Nothing happens
  // when no file is open or when n is already current (a back-end may do
  // more; see the derived classes).  Safe to call from the timer thread.
  virtual void GoToImage(int32_t n);
  // A hint from a reader that never steps back from the images it asks for
  // (the command line's `frame` and `decode-all`): a back-end may skip the
  // work that only serves the images before them.
  virtual void SetIsolatedReads(bool) {}

  // Draws the rectangle `source` (picture pixels, origin at the top-left
  // corner, y downwards) of the current image over the whole of `dest`,
  // stretched (nearest neighbour), inverted when CopyMode is ropNotSrcCopy.
  // Returns false at once when a draw is already running or no file is
  // open, and false when the image cannot be decoded; `dest` is then left
  // untouched.
  bool DrawImage(Image& dest, const TPixelRect& source);
  // The same for the whole picture.
  bool DrawImage(Image& dest) { return DrawImage(dest, {0, 0, imageWidth_, imageHeight_}); }
  // Image `index` whole into `dest` (resized to the picture), leaving the
  // current image as it is: for a worker thread (a tracking run) while the
  // window shows the view.  A draw running on another thread is waited for,
  // not refused.  False when no file is open, the index is out of range or
  // the image cannot be decoded.
  bool ReadImage(int32_t index, Image& dest);

  // Whether DecodeImage is available: the back-end decodes a picture and
  // converts it to RGB in two separate steps.
  virtual bool DecodesApart() const { return false; }
  // Decodes image `index` and returns it unconverted, leaving the current
  // image as it is, so that a reader of every image in turn can convert each
  // picture on a thread of its own while the next one decodes.  A draw
  // running on another thread is waited for.  Null when the back-end does
  // not decode apart, no file is open, the index is out of range or the
  // image cannot be decoded.  CopyMode does not apply.
  std::unique_ptr<TDecodedImage> DecodeImage(int32_t index);

  // Members shared by every back-end.
  int32_t ImagesNumber() const { return imagesNumber_; }
  int32_t ImageWidth() const { return imageWidth_; }
  int32_t ImageHeight() const { return imageHeight_; }
  int32_t ImageIndex() const { return imageIndex_.load(std::memory_order_relaxed); }
  double ImageDuration() const { return imageDuration_; }  // seconds per image
  double ImageRate() const { return imageRate_; }          // images per second
  uint16_t ImageDurationMs() const { return imageDurationMs_; }
  // Length of the stream in seconds as the back-end knows it (0 when unknown).
  double StreamDuration() const { return streamDuration_; }
  const std::string& FileName() const { return fileName_; }
  // The file's own time of each image (see TStreamInfo), empty when the
  // back-end does not read them.
  const std::vector<double>& ImageTimes() const { return imageTimes_; }
  bool VariableRate() const { return variableRate_; }
  bool IncoherentDurations() const { return incoherentDurations_; }
  // The rate the file says it was filmed at, 0 when it does not.
  double CaptureRate() const { return captureRate_; }
  // Repeated images and gaps found in the file's times (empty without times).
  const TTimingIssues& TimingIssues() const { return timingIssues_; }
  int32_t Rotation() const { return rotation_; }
  bool Opened() const { return opened_; }
  bool Drawing() const { return drawing_.load(std::memory_order_acquire); }
  TRasterOp CopyMode() const { return copyMode_; }
  void SetCopyMode(TRasterOp mode) { copyMode_ = mode; }
  // The last picture decoded to be stretched, full size.  A draw of the
  // whole picture at its own size by a back-end that decodes straight into
  // the destination (FetchesIntoDestination) does not pass through it.
  const Image& WorkBitmap() const { return workBitmap_; }

  // Notifications carrying the sender (this source), installed by the view.
  TNotifyEvent OnOpen;
  TNotifyEvent OnClose;
  // Optional progress of the opening, with a cancel answer.
  TOpenProgress OnProgress;

  // 1000 x seconds rounded to the nearest integer (halves to even); returns
  // false when the result does not fit the 16-bit ImageDurationMs or the
  // duration is not a positive finite number.
  static bool DurationToMs(double seconds, uint16_t& ms);

 protected:
  // Reads the file's properties into `info`; false refuses the file, with
  // its reason given to SetError.  The back-end may call ReportProgress while
  // it works.  On false the back-end has released whatever it acquired
  // (CloseFile is called as well).  Back-ends raise no exception: failures of
  // the services they use are turned into a false answer and a reason.
  virtual bool OpenFile(const std::string& fileName, TStreamInfo& info) = 0;
  // Releases everything OpenFile acquired; must be harmless when nothing is
  // open.
  virtual void CloseFile() = 0;
  // Decodes image `index` (0 <= index < ImagesNumber) into `picture`, which
  // the back-end resizes to the picture size; false when it cannot.
  virtual bool FetchImage(int32_t index, Image& picture) = 0;
  // Decodes image `index` (in range) for DecodeImage, when DecodesApart.
  virtual std::unique_ptr<TDecodedImage> DecodeApart(int32_t) { return nullptr; }
  // Whether Close() releases and fires OnClose also when nothing is open.
  virtual bool CloseNotifiesWhenClosed() const { return false; }
  // Whether FetchImage leaves `picture` untouched when it fails.  A draw of
  // the whole picture at its own size then decodes straight into the
  // destination, which saves copying every picture out of WorkBitmap.
  virtual bool FetchesIntoDestination() const { return false; }
  // The test of an opening: the first image decodes.  By default it is
  // fetched into the work bitmap; a source that fetches into the
  // destination may only check that it decodes (a probe needs no picture).
  virtual bool TestFirstImage(int32_t index);

  // Records why the file being opened is refused.
  void SetError(std::string why, TOpenFailure kind = TOpenFailure::Undecodable) {
    error_ = std::move(why);
    failure_ = kind;
  }
  void SetError(const TFileCheck& check) { SetError(check.reason, check.failure); }

  // Passes progress to OnProgress; false means the user cancelled.
  bool ReportProgress(double fraction) const { return !OnProgress || OnProgress(fraction); }

  void SetImageIndex(int32_t index) { imageIndex_.store(index, std::memory_order_relaxed); }
  // `n` bounded to [0, ImagesNumber - 1] (0 when there is no image).
  int32_t BoundIndex(int64_t n) const;

 private:
  // Waits until no draw runs, then marks one as running.
  void WaitAndTakeDrawing();
  // Resets the shared members to the closed state, without notifying.
  void ResetState();

  TVideoFramework framework_;
  std::string fileName_;
  std::string error_;
  TOpenFailure failure_ = TOpenFailure::None;
  bool opened_ = false;
  int32_t imagesNumber_ = 0;
  int32_t imageWidth_ = 0;
  int32_t imageHeight_ = 0;
  std::atomic<int32_t> imageIndex_{0};
  double imageDuration_ = 0.0;
  double imageRate_ = 0.0;
  uint16_t imageDurationMs_ = 0;
  double streamDuration_ = 0.0;
  std::vector<double> imageTimes_;
  bool variableRate_ = false;
  bool incoherentDurations_ = false;
  double captureRate_ = 0.0;
  TTimingIssues timingIssues_;
  int32_t rotation_ = 0;
  TRasterOp copyMode_ = TRasterOp::ropSrcCopy;
  std::atomic<bool> drawing_{false};
  Image workBitmap_;

  friend class TFrameSources;  // releases passed-over sources quietly
  void ReleaseQuietly();
};

// The bridge back-end adds the plugin's own operations, which the choice of
// back-end uses (the comment tag written by the program's own recorder).
class TBridgeFrameSource : public TFrameSource {
 public:
  using TFrameSource::TFrameSource;
  // True when the bridge plugin is loaded (tries to load it when it is not).
  virtual bool LoadBridgeLibrary() = 0;
  // The comment tag of a file, read by the bridge; empty when the bridge or
  // the tag is missing.
  virtual std::string FileComment(const std::string& fileName) = 0;
};

}  // namespace kinevo
