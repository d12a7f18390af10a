#pragma once
// Small test videos whose every image shows its own index in large blocks,
// so that a test can read the index back from a decoded (even lossy)
// picture.  The pattern is a 4 x 4 grid of cells over the whole picture; cell
// k (row by row from the top-left) is white when bit k of the index is set
// and red otherwise, so a picture upside down or with red and blue swapped
// reads as another index (or as none).
#include <functional>
#include <string>
#include <vector>

#include "core/common/image.h"

namespace kinevo::test {

// Colours of the pattern.
constexpr TColor kIndexSetColour = RGBColor(255, 255, 255);
constexpr TColor kIndexClearColour = RGBColor(220, 0, 0);

// Draws the pattern of `index` (0 to 65535) over the whole picture.
void DrawIndexPattern(Image& picture, int index);
// A new picture of the given size showing `index`.
Image IndexedImage(int width, int height, int index);
// Reads the index back from the cell centres; -1 when a cell is neither
// white-ish nor red-ish (not a pattern, wrong colours or orientation).
int ReadIndexPattern(const Image& picture);

// Writes a video with the ffmpeg program: `frames` images of the pattern
// 0, 1, 2, ... at `rate` images per second, encoded with `outputArgs`
// (for example {"-c:v", "libx264", "-bf", "2"}).  With `timestamps` (one per
// image, in seconds, increasing) the images get these presentation times
// (variable frame rate).  False when ffmpeg is missing or fails; `log`
// receives its messages.
bool WriteVideoWithFfmpeg(const std::string& path, int width, int height, int frames, double rate,
                          const std::vector<std::string>& outputArgs,
                          const std::vector<double>& timestamps = {}, std::string* log = nullptr);

// The same for any pictures: `draw(picture, i)` draws image i on a picture
// of `width` x `height` (already sized; its previous content is left).
bool WritePicturesWithFfmpeg(const std::string& path, int width, int height, int frames,
                             double rate, const std::function<void(Image&, int)>& draw,
                             const std::vector<std::string>& outputArgs,
                             const std::vector<double>& timestamps = {},
                             std::string* log = nullptr);

// Copies the MP4 or MOV file `in` into `out` (streams copied, not encoded
// again) with a display matrix that makes players turn its pictures
// clockwise by `degrees` (90, 180 or 270), as phones mark portrait videos.
bool SetDisplayRotation(const std::string& in, const std::string& out, int degrees,
                        std::string* log = nullptr);

// `picture` turned clockwise by `degrees` (0, 90, 180, 270).
Image TurnedClockwise(const Image& picture, int degrees);

// A phone-like video (MP4 or MOV, by `path`): each image is stored lying on
// its side, so that once turned clockwise by `degrees` as the file asks, the
// upright picture of `width` x `height` shows the index pattern.
bool WriteRotatedIndexedVideo(const std::string& path, int width, int height, int frames,
                              double rate, int degrees, const std::vector<std::string>& outputArgs,
                              std::string* log = nullptr);

// A fresh empty folder for a test's files (removed by the caller or left in
// the temporary folder).
std::string MakeTempDir(const std::string& prefix);

}  // namespace kinevo::test
