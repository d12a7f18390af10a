#pragma once
// What the marking objects and the tracker may ask of the video view.  The
// real view (core/video) implements it; tests and windowless builds use an
// object that only keeps a mode, an image number, a picture size and a pixel
// scale.
#include <string>

#include "core/common/picture_coord.h"

namespace kinevo {

enum TVideoMode : unsigned char {
  vmCapture = 1,
  vmMontage = 2,
  vmRepereFixe = 3,  // Grid marking, the initial mode
  vmTracking = 4,
  vmTransparent = 5,  // Layer marking
};

enum TViewTool : unsigned char { vtNone = 0, vtZoom = 1, vtPan = 2 };

enum TVideoFramework : unsigned char { fwVfw = 0, fwDS = 1, fwFFMpeg = 2 };

class IVideoView {
 public:
  virtual ~IVideoView() = default;

  virtual TVideoMode Mode() const = 0;
  bool IsLayer() const { return Mode() == vmTransparent; }
  bool IsGrid() const { return Mode() == vmRepereFixe; }
  bool IsMarking() const { return IsLayer() || IsGrid(); }
  virtual bool IsOpen() const = 0;

  // File index of the image shown, from 0.
  virtual int CurrentImage() const = 0;
  // Number of images of the file.
  virtual int ImagesNumber() const = 0;
  // Goes to a file index, no montage mapping.
  virtual void GoToImage(int index) = 0;
  // Moves the displayed position by n images through the montage mapping;
  // nothing happens when the target equals the current image or is negative.
  virtual void AdvanceImages(int n) = 0;

  // View pixel -> the picture position of its centre (each bounded to
  // [0, 1]) and back (the view pixel holding the position).
  virtual TPictureCoord ScreenToPicture(double x, double y) const = 0;
  virtual TPixel PictureToScreen(const TPictureCoord& p) const = 0;

  // Picture size in pixels (-1 when no source exists) and view client size.
  virtual int ImageWidth() const = 0;
  virtual int ImageHeight() const = 0;
  virtual int ViewWidth() const = 0;
  virtual int ViewHeight() const = 0;

  virtual void Repaint() = 0;
  // Shows the named cursor ("Marque", "Echelle", "Gomme" ...); an empty name
  // is the default arrow.
  virtual void SetViewCursor(const std::string& name) = 0;
  // Asks the view to choose its cursor again for the current tool.
  virtual void UpdateCursor() = 0;

  // The view's own pointer tool (zoom, pan), which takes precedence over
  // the marking tools.
  virtual TViewTool PointerTool() const { return vtNone; }
  // The mouse cursor's position in view client pixels (the Enter key acts
  // there).
  virtual TPixel PointerPosition() const { return {0, 0}; }
};

}  // namespace kinevo
