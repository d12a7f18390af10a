#pragma once
// Reference frames: the origin and axes in which marked positions are
// measured.  TRepere holds what every frame has (an origin, the direction of
// each axis, a list of recorded origin positions); TRepereFixe is the fixed
// frame of Grid marking, placed with the origin tool and turned by dragging
// either axis.  The layer's frame (TTransparent) derives from TRepere too.
//
// Positions are picture positions (fractions of the picture, y downwards);
// view pixels are derived from them through the view and cached for drawing
// and hit tests only.
//
// PictureToPhysical() below is the one transform from a marked position to
// metres, shared with the results computation.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/colour.h"
#include "core/common/key_store.h"
#include "core/common/math_utils.h"
#include "core/common/picture_coord.h"
#include "core/common/video_view.h"
#include "core/marking/undo_history.h"

namespace kinevo {

// What the marking objects (frames, scale, marks, layer) need from the
// marking data that owns them.  The marking data implements it; tests use a
// small stand-in.
class IMarkingContext {
 public:
  virtual ~IMarkingContext() = default;
  virtual IVideoView& View() = 0;
  // The history that records the change being made now.
  virtual THistorique& ActiveHistory() = 0;
  // The results of the active marking mode, or of both modes, are stale.
  virtual void InvalidateActiveResults() = 0;
  virtual void InvalidateAllResults() = 0;
  // Raises OnAxesChanged: the fixed origin was placed, moved or erased, or
  // the axes were turned.
  virtual void AxesChanged() = 0;
  // Colour of axes, layer and scale.
  virtual TColor ElementColor() const = 0;
  // 0 small, 1 medium, 2 large.
  virtual int ElementSize() const = 0;
  // Pen width of every marking drawing and hit test: 1, 3 or 5.
  int PenWidth() const { return 1 + 2 * ElementSize(); }
};

// ---------------------------------------------------------------- transform

// Offset of a picture position from the origin with y upwards, in picture
// fractions: rx = px − ox, ry = −(py − oy).
TWorldPoint OffsetFromOrigin(const TPictureCoord& p, const TPictureCoord& origin);

// Physical coordinates, in metres, of an offset (rx, ry) from the origin
// (picture fractions, y upwards), with scale factors kx, ky in metres per
// picture fraction and the x axis at angle a (radians, counter-clockwise on
// the screen):
//   X = kx·rx·cos a + ky·ry·sin a,  Y = ky·ry·cos a − kx·rx·sin a,
// then X and Y change sign when their axis points the other way.
TWorldPoint OffsetToPhysical(double rx, double ry, double kx, double ky, double angle, bool directX,
                             bool directY);

// The same from a picture position and the origin it is measured against
// (Grid: the fixed origin and XAxisAngle; Layer: the layer origin of the
// mark's image and angle 0).
TWorldPoint PictureToPhysical(const TPictureCoord& p, const TPictureCoord& origin, double kx,
                              double ky, double angle, bool directX, bool directY);

// The way back: the picture position of a point given in metres in the
// frame's axes (origin, scale factors, angle and directions as above).  A
// scale factor of zero or less, or a point that is not finite, gives NaN.
TPictureCoord PhysicalToPicture(const TWorldPoint& metres, const TPictureCoord& origin, double kx,
                                double ky, double angle, bool directX, bool directY);

// Brings an angle into [−π, π]: while a < −π add 2π, then while a > π
// subtract 2π.  NaN and infinities give NaN.
double NormaliseAngle(double a);

// The straight line through `origin` (view pixels) at `angle` that crosses
// the whole view of width w and height h; `end` lies in the direction of the
// angle, `start` in the other.
struct TAxisLine {
  TPixel start;
  TPixel end;
};
TAxisLine AxisLine(const TPixel& origin, double angle, int w, int h);

// The two axes of a frame as they are drawn: their lines across the
// picture, their angles (radians, counter-clockwise) and directions.
struct TFrameAxes {
  TAxisLine x, y;
  double xAngle = 0.0, yAngle = 0.0;
  bool directX = true, directY = true;
};
// Draws the axes with their arrow heads and letters in the element colour
// and size; pen, brush and font of the canvas are restored afterwards.  The
// view and the chronophotograph draw them alike.
void DrawFrameAxes(Canvas& canvas, const TFrameAxes& axes, TColor colour, int elementSize,
                   int penWidth);

// ---------------------------------------------------------------- TOrigine

// One recorded origin position of a frame (used by the layer): the origin on
// one image.
class TOrigine : public THistObject {
 public:
  TOrigine() : THistObject(hkOrigine) {}
  TOrigine(int32_t imageNumber, const TPictureCoord& position)
      : THistObject(hkOrigine), OrigineImageNumber(imageNumber), Position(position) {}

  int32_t OrigineImageNumber = -1;
  TPictureCoord Position;

  void Assign(const THistObject& source) override;
  bool Equals(const THistObject& other) const override;
  std::unique_ptr<THistObject> NewSnapshot() const override { return std::make_unique<TOrigine>(); }
};

// ---------------------------------------------------------------- TRepere

class TRepere : public THistObject {
 public:
  // `context` may be null for a free-standing copy (a snapshot): such a
  // frame records nothing and invalidates nothing.
  TRepere(THistKind kind, IMarkingContext* context);

  bool DirectXAxisDirection() const { return directX_; }
  bool DirectYAxisDirection() const { return directY_; }
  const TPictureCoord& Origin() const { return origin_; }
  IMarkingContext* Context() const { return context_; }

  // Copies and compares the direction flags and the origin (not the list of
  // origin positions, whose members are recorded on their own).
  void Assign(const THistObject& source) override;
  bool Equals(const THistObject& other) const override;

  // Puts an origin position back into the list, at its remembered list index
  // when that is still valid, else at the end; records it with
  // haDeplacerAjout and invalidates the active results.  Refuses (and frees)
  // a null object or one whose id is already in the list; returns whether it
  // was taken.  The layer uses `action` for its stage; the base ignores it.
  virtual bool InsertOrigine(std::unique_ptr<TOrigine> origine, THistAction action);
  // Records the position with `action` (remembering its list index) and
  // removes it from the list, which frees it.  False when it is not there.
  virtual bool RemoveOrigine(const TOrigine* origine, THistAction action);
  // When the flag changes: records the frame with haChangerSens, stores it
  // and invalidates the active results.
  virtual void SetDirectX(bool direct);
  virtual void SetDirectY(bool direct);
  // Stores the origin; invalidates the active results when it moved by
  // 1e-100 or more in either coordinate.
  virtual void SetOrigin(const TPictureCoord& p);

  // The frame's keys in the document, in `section`, each name followed by
  // `suffix` ("_Grid", "_Layer"): DirectYAxisDirection, DirectXAxisDirection
  // (default true), OrigineCurrentXCoordinate, OrigineCurrentYCoordinate
  // (default 0.5).  Reading records nothing and invalidates nothing; values
  // out of the frame's reach (the picture, see ReachBeyondPicture) are
  // brought back into it.
  virtual void LoadFromFile(const IKeyReader& ini, const std::string& section,
                            const std::string& suffix);
  virtual void SaveToFile(IKeyWriter& ini, const std::string& section,
                          const std::string& suffix) const;
  // The list of origin positions: OriginePositionsNumber<suffix>, then for
  // each i OrigineImageNumber<suffix>_i (default −1),
  // OrigineXCoordinate<suffix>_i and OrigineYCoordinate<suffix>_i (default
  // 0).  Loading replaces the list.  The layer writes these after its own
  // keys.
  void LoadOriginesFromFile(const IKeyReader& ini, const std::string& section,
                            const std::string& suffix);
  void SaveOriginesToFile(IKeyWriter& ini, const std::string& section,
                          const std::string& suffix) const;

  // The list of origin positions (the layer's).
  const std::vector<std::unique_ptr<TOrigine>>& Origines() const { return origines_; }
  TOrigine* FindOrigineById(int32_t id) const;
  TOrigine* FindOrigineOfImage(int32_t imageNumber) const;
  // Sets the image number of the last origin position (nothing when empty).
  void SetLastOrigineImageNumber(int32_t imageNumber);
  // Removes the origin position of an image (recorded with
  // haDeplacerRetrait) and invalidates the active results.
  bool RemoveOrigineOfImage(int32_t imageNumber);
  // Empties the list without recording.
  void ClearOrigines() { origines_.clear(); }

 protected:
  void Record(THistAction action);
  void InvalidateActive();
  // Stores the flags without recording (reading a file, undo).
  void StoreDirections(bool directX, bool directY) {
    directX_ = directX;
    directY_ = directY;
  }

 protected:
  // How far past the picture's edges, in pictures, positions read from a
  // document may lie: a frame's origin lies on the picture; the layer may be
  // dragged partly out of it.
  virtual double ReachBeyondPicture() const { return 0; }
  // A picture fraction read from a file: NaN gives the default, the rest is
  // brought within the reach above.
  double Fraction(double v, double def) const;

 private:
  IMarkingContext* context_;
  bool directX_ = true;
  bool directY_ = true;
  TPictureCoord origin_;
  std::vector<std::unique_ptr<TOrigine>> origines_;
};

// ---------------------------------------------------------------- TRepereFixe

enum TRepereDrag : uint8_t {
  rdNone = 0,
  rdOrigin = 1,  // moving the origin
  rdXAxis = 2,   // turning by the x axis
  rdYAxis = 3,   // turning by the y axis
};

// The fixed frame of Grid marking: one origin for the whole video.
class TRepereFixe : public TRepere {
 public:
  explicit TRepereFixe(IMarkingContext* context) : TRepere(hkRepereFixe, context) {}

  int32_t OriginePointsNumber() const { return originePointsNumber_; }
  bool HasOrigin() const { return originePointsNumber_ >= 1; }
  double XAxisAngle() const { return xAxisAngle_; }
  double YAxisAngle() const { return yAxisAngle_; }
  TRepereDrag DragState() const { return drag_; }
  bool IsDragging() const { return drag_ != rdNone; }

  // Cached view pixels, valid after RecomputePoints().
  const TPixel& OriginPixel() const { return originPixel_; }
  const TAxisLine& XAxis() const { return xAxis_; }
  const TAxisLine& YAxis() const { return yAxis_; }
  const TPixel& DragAnchor() const { return anchor_; }
  // The ends that carry the arrow heads.
  TPixel XArrowEnd() const { return DirectXAxisDirection() ? xAxis_.end : xAxis_.start; }
  TPixel YArrowEnd() const { return DirectYAxisDirection() ? yAxis_.end : yAxis_.start; }

  // Adds the number of origin points and the two angles.
  void Assign(const THistObject& source) override;
  bool Equals(const THistObject& other) const override;
  std::unique_ptr<THistObject> NewSnapshot() const override;

  // Adds OriginePointsNumber (0 or 1), XAxisAngle and YAxisAngle (radians,
  // default 0).  The y angle read back is derived from the x angle, so that
  // the axes stay square whatever the file says.
  void LoadFromFile(const IKeyReader& ini, const std::string& section,
                    const std::string& suffix) override;
  void SaveToFile(IKeyWriter& ini, const std::string& section,
                  const std::string& suffix) const override;

  // Places the origin at view pixel (x, y); only when none is placed.
  // Records haChoisir.  Returns whether it was placed.
  bool PlaceOrigin(int x, int y);
  // Removes the origin (records haEffacer, angles back to 0 and π/2, the
  // direction flags kept); only when one is placed.
  bool RemoveOrigin();
  // Turns the axes (no recording: callers record haPivoter first).
  void SetXAxisAngle(double a);
  void SetYAxisAngle(double a);
  // The origin's view pixel from its picture position, then the axis lines.
  void RecomputePoints();
  // Back to the state of a new frame; the direction flags and the stored
  // origin keep their values.
  void Reset();
  // What the marking data does after one of the frame's steps was undone:
  // recompute the cached points, invalidate the active results, raise
  // OnAxesChanged.
  void AfterUndo();

  // The origin tool.  button: 0 left, 1 right; x, y view pixels.
  void MouseDown(int button, int x, int y);
  void MouseMove(int x, int y);
  void MouseUp();
  // Ends a drag without anything else (CancelGesture).
  void CancelGesture() { drag_ = rdNone; }

  // Hit tests at a view pixel (origin placed or not).
  bool IsOnOrigin(int x, int y) const;
  bool IsOnXAxis(int x, int y) const;
  bool IsOnYAxis(int x, int y) const;

  // Draws the axes with their arrow heads and letters, when an origin is
  // placed.  Pen, brush and font of the canvas are restored afterwards.
  void Draw(Canvas& canvas) const;

 private:
  void RecomputeAxes();
  void Changed();
  int PenWidthOrThin() const { return Context() != nullptr ? Context()->PenWidth() : 1; }

  int32_t originePointsNumber_ = 0;
  double xAxisAngle_ = 0.0;
  double yAxisAngle_ = std::numbers::pi / 2;
  TRepereDrag drag_ = rdNone;
  TPixel originPixel_;
  TAxisLine xAxis_;
  TAxisLine yAxis_;
  TPixel anchor_;
};

}  // namespace kinevo
