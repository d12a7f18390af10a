#pragma once
// The choice of a frame source for a file.  The video view owns the three
// back-ends for its whole life; this object chooses among them by the file's
// extension, falls back from one to the next when a back-end refuses the
// file, and remembers the code used for the last file.
#include <string>
#include <vector>

#include "core/common/video_view.h"
#include "core/video/frame_source.h"

namespace kinevo {

class TFrameSources {
 public:
  // The comment the program's own FFmpeg recorder writes into its files;
  // such a file is always opened with the bridge.
  static constexpr const char* kOwnRecorderComment = "Kinevo video FFMpeg MPEG4 codec";

  // The three back-ends, in the order of their codes (fwVfw, fwDS, fwFFMpeg).
  TFrameSources(TFrameSource& vfw, TFrameSource& ds, TBridgeFrameSource& ffmpeg);

  // Chooses the back-end for `fileName` and opens the file with it, falling
  // back from the AVI reader to the time-addressed FFmpeg source and from that
  // to the bridge.  Returns the source selected last, open or not.  An empty
  // name closes every source the chain reaches.  The sources passed over
  // release their previous file (without notifying), so that only the
  // selected one holds a file.
  TFrameSource& Open(const std::string& fileName);

  // Why the last Open failed: the reason of the first back-end that refused
  // the file, the one its extension chose (empty after a success).
  const std::string& Error() const { return error_; }
  TOpenFailure Failure() const { return failure_; }

  // The code and the source selected for the last file (fwVfw at first).
  TVideoFramework Framework() const { return framework_; }
  TFrameSource& Selected() { return Source(framework_); }
  const TFrameSource& Selected() const { return Source(framework_); }
  TFrameSource& Source(TVideoFramework fw);
  const TFrameSource& Source(TVideoFramework fw) const;
  TBridgeFrameSource& Bridge() { return ffmpeg_; }

  // The back-end an extension selects: ".avi" -> fwVfw; ".mpg", ".mpeg",
  // ".wmv" -> fwDS; ".mov" -> fwFFMpeg (compared without regard to case).
  // Any other extension or an empty name keeps `previous`.
  static TVideoFramework FrameworkForFile(const std::string& fileName, TVideoFramework previous);

 private:
  TFrameSource& vfw_;
  TFrameSource& ds_;
  TBridgeFrameSource& ffmpeg_;
  TVideoFramework framework_ = fwVfw;
  std::string error_;
  TOpenFailure failure_ = TOpenFailure::None;
};

// The lines of the message shown when a video cannot be opened (the main
// window shows them as a warning).  `fileExists` false gives the message for
// a missing file; `bridgeLoaded` false adds the line about the plugins.  A
// `reason` (the frame source's Error) is added as a last detail line.
std::vector<std::string> VideoOpenFailureLines(bool fileExists, bool bridgeLoaded,
                                               const std::string& reason = {});

// The same by the kind of failure of the frame source: a missing file gives
// the message for a missing file, a file that cannot be read (a FIFO, a
// folder, no permission) the first line and its reason only, without the
// suggestions about damaged files and codecs.
std::vector<std::string> VideoOpenFailureLines(TOpenFailure failure, bool bridgeLoaded,
                                               const std::string& reason);

// The detail line that gives the reason of a failure ("Détail : ...").
std::string VideoOpenReasonLine(const std::string& reason);

}  // namespace kinevo
