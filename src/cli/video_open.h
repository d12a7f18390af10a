#pragma once
// Opening a video for the commands of kinevo-cli: with one back-end named on
// the command line (--backend vfw|ds|ffmpeg), or through the same choice of
// back-end as the program's video view.
#include <memory>
#include <string>
#include <vector>

#include "core/video/frame_source.h"

namespace kinevo::cli {

class TOpenedVideo {
 public:
  virtual ~TOpenedVideo() = default;
  virtual TFrameSource& Source() = 0;
};

// Takes "--backend NAME" out of `args`.  Returns false (with a message on
// stderr) when the name is unknown or missing.
bool TakeBackend(std::vector<std::string>& args, std::string& backend);

// Opens `file`; on failure prints the failure message of the program, with
// the back-end's reason as its last line, on stderr and returns null.  A
// FIFO, a folder or a device is refused at once, never opened.
// `inOrder`: the command reads every image once, in order from the first;
// the source knows it from the opening, whose test decodes the first image
// with the decoder that goes on through the file.
std::unique_ptr<TOpenedVideo> OpenVideo(const std::string& file, const std::string& backend,
                                        bool inOrder = false);

// "vfw", "ds" or "ffmpeg".
const char* BackendName(TVideoFramework fw);

}  // namespace kinevo::cli
