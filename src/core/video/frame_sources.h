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
};

// The lines of the message shown when a video cannot be opened (the main
// window shows them as a warning).  `fileExists` false gives the message for
// a missing file; `bridgeLoaded` false adds the line about the plugins.
std::vector<std::string> VideoOpenFailureLines(bool fileExists, bool bridgeLoaded);

}  // namespace kinevo
