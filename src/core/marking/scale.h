#pragma once
// The scale (TEchelle): a segment of known length drawn on the picture gives
// the metres per picture fraction along x and y.  Either one general segment
// in any direction (the pixels taken as square), or a horizontal segment for
// x and a vertical one for y, each with its own length.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "core/common/canvas.h"
#include "core/common/picture_coord.h"
#include "core/marking/reference_frame.h"
#include "core/marking/undo_history.h"

namespace kinevo {

enum TScaleKind : uint8_t { skNormal = 0, skHoriz = 1, skVert = 2 };

// Lengths a scale may have, in metres, both bounds excluded (0 stands for a
// length not yet given): what the length dialog accepts and what a
// document may hold.
inline constexpr double kMinScaleLength = 0.001;
inline constexpr double kMaxScaleLength = 1.5e13;

// The two strokes of an arrow head at `tip` of a segment coming from
// `from`, `length` pixels long (the scale's segment, the chronophotograph's
// scale).
void DrawScaleArrowHead(Canvas& canvas, TPixel tip, TPixel from, int length);

class TEchelle : public THistObject {
 public:
  // Drag states.
  static constexpr int32_t kNoDrag = -2;
  static constexpr int32_t kDragSegment = -1;
  static constexpr int32_t kDragPoint1 = 0;
  static constexpr int32_t kDragPoint2 = 1;

  // `ctx` may be null for a free-standing copy (a snapshot).
  explicit TEchelle(IMarkingContext* ctx, bool separateScales = false);

  void Assign(const THistObject& source) override;
  bool Equals(const THistObject& other) const override;
  std::unique_ptr<THistObject> NewSnapshot() const override;

  // ------------------------------------------------------------ state
  int32_t ScalePointsNumber() const { return counts_[skNormal]; }
  int32_t ScaleHorizPointsNumber() const { return counts_[skHoriz]; }
  int32_t ScaleVertPointsNumber() const { return counts_[skVert]; }
  int32_t PointsNumber(TScaleKind k) const { return counts_[k]; }
  double ScaleLength() const { return lengths_[skNormal]; }
  double ScaleHorizLength() const { return lengths_[skHoriz]; }
  double ScaleVertLength() const { return lengths_[skVert]; }
  TScaleKind ScaleKind() const { return kind_; }
  int32_t DragState() const { return drag_; }
  // Point i (0 or 1) of the segment of kind k, and its cached view pixel.
  TPictureCoord Point(TScaleKind k, int i) const { return points_[Index(k, i)]; }
  TPixel ScreenPoint(TScaleKind k, int i) const { return screen_[Index(k, i)]; }

  // Length setters: store and invalidate both result sets when the value
  // changes by 1e-100 or more.  Not recorded for undo.
  void SetScaleLength(double l) { SetLength(skNormal, l); }
  void SetScaleHorizLength(double l) { SetLength(skHoriz, l); }
  void SetScaleVertLength(double l) { SetLength(skVert, l); }
  // Answers whether the kind changed.
  bool SetScaleKind(TScaleKind k);

  // For reading a document: sets a segment's points and count as they are
  // stored, without recording.
  void SetSegment(TScaleKind k, int32_t count, TPictureCoord p1, TPictureCoord p2);

  // ------------------------------------------------------------ queries
  // (kx, ky) in metres per picture fraction, (-1, -1) when undefined.
  // `separate` is the setting for separate horizontal and vertical scales;
  // imageWidth and imageHeight are the video's size in pixels.
  std::pair<double, double> GetScaleFactors(bool separate, int imageWidth, int imageHeight) const;
  bool IsGeneralComplete() const;
  bool IsHorizComplete() const;
  bool IsVertComplete() const;
  // The kind's test: the general segment, or both separate segments.
  bool IsScaleComplete() const;

  // ------------------------------------------------------------ editing
  // The right button and the erase command: removes the last point of the
  // current segment; a complete segment is recorded first (haEffacer).
  void RemoveLastPoint();
  void Reset(bool separateScales);
  void RecomputePoints();

  // The scale tool (view pixels).  MouseDown answers whether a point was
  // placed (the owner then raises its OnScaleChanged).
  bool MouseDown(int button, int x, int y);
  void MouseMove(int x, int y);
  void MouseUp();
  // Ends a drag (tool or mode change).
  void CancelDrag() { drag_ = kNoDrag; }

  // Draws the current segment (only while the scale tool is selected).
  void Draw(Canvas& canvas) const;

 private:
  static int Index(TScaleKind k, int i) { return static_cast<int>(k) * 2 + i; }
  void SetLength(TScaleKind k, double l);
  // Picture position of a view pixel with the horizontal or vertical
  // constraint taken from `other`.
  TPictureCoord Constrained(double x, double y, const TPictureCoord& other) const;

  IMarkingContext* ctx_;
  std::array<int32_t, 3> counts_{0, 0, 0};
  std::array<double, 3> lengths_{0, 0, 0};
  std::array<TPictureCoord, 6> points_{};
  std::array<TPixel, 6> screen_{};
  int32_t drag_ = kNoDrag;
  TPixel anchor_{};
  TPixel pointer_{};  // last pointer position seen by the tool
  TScaleKind kind_ = skNormal;
};

}  // namespace kinevo
