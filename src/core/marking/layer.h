#pragma once
// The transparent layer (TTransparent) of Layer marking: a rectangle with two
// axes crossing at its centre that the user drags onto a moving reference on
// each image before pointing the object.  Its origin is the layer's centre;
// its list of origin positions holds one position per image on which it was
// dropped.
#include <cstdint>
#include <functional>
#include <memory>

#include "core/common/canvas.h"
#include "core/common/signal.h"
#include "core/marking/reference_frame.h"

namespace kinevo {

enum TLayerStage : uint8_t {
  lsGrab = 0,   // the next left press takes hold of the layer
  lsDrag = 1,   // the layer follows the pointer
  lsPoint = 2,  // the next left press marks the object
};

// Positions and half sizes of the layer kept from a document are bounded to
// a few pictures around the picture: enough for any drag, finite for any file.
inline constexpr double kLayerReach = 4.0;

class TTransparent : public TRepere {
 public:
  explicit TTransparent(IMarkingContext* context);

  double LayerWidth() const { return width_; }    // half width, fraction of the picture's width
  double LayerHeight() const { return height_; }  // half height, fraction of the picture's height
  TLayerStage LayerStage() const { return stage_; }
  const TPictureCoord& HomePosition() const { return home_.Position; }
  const TPixelRect& LayerRect() const { return rect_; }
  const TPictureCoord& GrabOffset() const { return grab_; }

  // Called after the layer moved on the view: the Layer marks' view points
  // must follow.
  TSignal<> MarksMoved;

  // Flags and origin (base), sizes, stage and home position.  The list of
  // origin positions is left alone: its members are recorded on their own,
  // and replacing them would lose the ids that older steps refer to.
  void Assign(const THistObject& source) override;
  bool Equals(const THistObject& other) const override;
  std::unique_ptr<THistObject> NewSnapshot() const override;

  // With haPoserPointage the origin becomes the position put back and the
  // stage steps forward twice.
  bool InsertOrigine(std::unique_ptr<TOrigine> origine, THistAction action) override;
  // With haSupprimerPointage the view goes to the removed position's image,
  // the origin becomes the last remaining position (or home) and the stage
  // steps forward once.
  bool RemoveOrigine(const TOrigine* origine, THistAction action) override;
  // When changed: recorded (haChangerSens), then the home position is
  // recomputed (and taken when no position is recorded).
  void SetDirectX(bool direct) override;
  void SetDirectY(bool direct) override;
  // The origin becomes the pointer position minus the grab offset.
  void SetOrigin(const TPictureCoord& pointer) override;

  // ------------------------------------------------------------ the tool
  void Grab(int x, int y);
  void DragTo(int x, int y);
  void Drop(int x, int y);
  // The right button in stage lsPoint.
  void GoBack();
  // Resizing keys 54, 109 (smaller) and 107, 187 (larger).  Answers whether
  // the layer was resized.
  bool KeyDown(int key);
  void GoHome();
  // One undo group: every origin position removed (haDeplacerRetrait), then
  // the layer goes home.
  void RemoveAllOrigins();
  void SetStage(TLayerStage s);
  void StepForward();
  void StepBack();
  // -1 the home position, 0 <= i < count entry i; other values nothing.
  void ShowOrigin(int i);
  void SetLayerWidth(double w);
  void SetLayerHeight(double h);
  // Ends a drag (tool or mode change): the origin stays where it is.
  void CancelGesture() {
    if (stage_ == lsDrag) SetStage(lsGrab);
  }

  void RecomputeRect();
  void RecomputeHome();
  void Draw(Canvas& canvas) const;
  // Sizes 0.5, rectangle and grab offset zero (stage, flags, origin and
  // positions are kept).
  void Reset();
  // For reading a document: the stage without a cursor update.
  void LoadStage(TLayerStage s) { stage_ = s; }

 protected:
  double ReachBeyondPicture() const override { return kLayerReach; }

 private:
  void AppendOrigine(std::unique_ptr<TOrigine> o);
  void NotifyMarksMoved() { MarksMoved(); }

  double width_ = 0.5;
  double height_ = 0.5;
  TLayerStage stage_ = lsGrab;
  TOrigine home_;
  TPixelRect rect_;
  TPictureCoord pointer_;
  TPictureCoord grab_;
};

}  // namespace kinevo
