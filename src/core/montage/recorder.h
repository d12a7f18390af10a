#pragma once
// What the montage recording needs from a video writer, and the pieces of a
// recording that do not depend on the writer: the choices of the recording
// dialog, the output size (unchanged, stretched or cut by margins), the
// picture written for each image, the proposed file names and the natural
// order of picture files.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "core/common/image.h"
#include "core/common/video_view.h"

namespace kinevo {

// How the pictures are fitted into the output.
enum TSizeMode : unsigned char { smUnchanged = 0, smStretch = 1, smCut = 2 };

// The grey of the empty images written for the time gaps.
constexpr TColor kEmptyImageColour = RGBColor(192, 192, 192);
// Largest margin of a cut, in pixels.
constexpr int kMaxMargin = 100;

struct TMargins {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const TMargins&, const TMargins&) = default;
};

// The choices of the recording dialog.
struct TRecordChoices {
  TVideoFramework framework = fwVfw;
  std::string codec = "sans";
  TSizeMode sizeMode = smUnchanged;
  int stretchWidth = 0;  // smStretch: the output size
  int stretchHeight = 0;
  TMargins margins;  // smCut: pixels taken off each side
  double rate = 25.0;
  bool emptyImages = false;
};

// The output size for pictures of width x height; {0, 0} when the choices
// leave no picture (margins wider than the picture, a zero stretch).
TPixel OutputSize(const TRecordChoices& choices, int width, int height);

// The picture written for `full` (the image at its own size): stretched onto
// the output size, or shifted by (-left, -top) into the cut picture, or
// copied.  `out` gets the output size.
void ComposeOutput(const TRecordChoices& choices, const Image& full, Image& out);

// A writer of video files (the recorder back-ends).  Failures are reported by
// a false answer and a French text in Error().
class TRecorder {
 public:
  virtual ~TRecorder() = default;
  virtual TVideoFramework Framework() const = 0;
  // The codecs it offers, by name, in the order of the list.
  virtual std::vector<std::string> Codecs() = 0;
  // Creates the file (an existing one is replaced).
  virtual bool Open(const std::string& path, int width, int height, double rate,
                    const std::string& codec) = 0;
  // Appends one picture of the size given to Open.
  virtual bool AddFrame(const Image& picture) = 0;
  // Finishes and closes the file.
  virtual bool Close() = 0;
  // Closes without finishing (after a failure or a cancel); harmless when
  // nothing is open.
  virtual void Abort() = 0;
  virtual std::string Error() const = 0;
};

// The names under which the recording dialog shows the back-ends (and the
// settings file keeps them): "Video for Windows (VFW)", "DirectShow (DS)",
// "FFMpeg".
const char* FrameworkName(TVideoFramework fw);
// The back-end of a name (the names above, or the short forms "vfw", "ds",
// "ffmpeg" in any case); false when unknown.
bool FrameworkFromName(const std::string& name, TVideoFramework& fw);

// Whether a video of `rate` images per second can be opened again: the
// readers refuse an image that lasts longer than 65.535 s or rounds to no
// millisecond at all.  RateRefusal says why a rate is refused, naming it.
bool RateReadable(double rate);
std::string RateRefusal(double rate);

// The texts of the AVI writer's error codes (1 to 10, any other code "Erreur
// non répertoriée").
std::string VfwRecordErrorText(int code);

// The proposed name of a new video: folder + base + "_" + n + "_" + the date
// as ddmmyyyy + ".avi", n the smallest number from 1 for which `exists`
// answers false.  The date has no separators (a "/" cannot be in a name).
std::string ProposedVideoName(const std::string& folder, const std::string& base,
                              const std::tm& today,
                              const std::function<bool(const std::string&)>& exists);

// Orders file names as a person would read them: runs of digits compare by
// their value, so "image2" comes before "image10"; the rest compares without
// regard to case, then exactly.
bool NaturalLess(const std::string& a, const std::string& b);
void NaturalSort(std::vector<std::string>& names);

// The file of picture number `number` in a split: base (without its
// extension) + "_" + number padded with "0" to the width of `largest` + ext.
std::string PictureFileName(const std::string& base, const std::string& ext, int number,
                            int largest);

}  // namespace kinevo
