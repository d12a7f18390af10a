#pragma once
// The elements a graph draws (TGElem and its kinds): data points, the
// segments and smooth curve joining them, vectors and the model slot of a
// curve.  Every element keeps its own copy of the world window and of the
// plot rectangle and recomputes its pixels when either changes.  The figures
// the user draws derive from the same base (TGPolyPoint).
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/math_utils.h"
#include "core/common/palette.h"
#include "core/graph/world_range.h"

namespace kinevo {

enum TGObjectType : int {
  obNone = 0,
  obAngle = 1,
  obArc = 2,
  obCercle = 3,
  obEllipse = 4,
  obModele = 5,
  obPoint = 6,
  obSegment = 7,
  obSpline = 8,
  obVecteur = 9,
};

inline constexpr TColor kDefaultPointColour = colors::Red;
inline constexpr TColor kDefaultSegmentColour = 0x006400;
inline constexpr TColor kDefaultSplineColour = 0xE16941;
inline constexpr TColor kDefaultVectorColour = 0xD30094;
// Display sizes of the results window: 0 small, 1 large, 2 medium.  The
// hit tolerance of points is 10 pixels in the large size, else 6; the
// marker symbols are drawn in their sizes 0 (small) to 2 (large).
int PointTolerance(int displaySize);
int MarkerSize(int displaySize);

// What an element needs to draw itself beyond its own state.
struct TDrawContext {
  const TGraphUtils& utils;
  int markerSize = 0;  // TMotif size 0, 1, 2
};

class TGElem {
 public:
  explicit TGElem(TGObjectType kind);
  virtual ~TGElem() = default;
  TGElem(const TGElem&) = delete;
  TGElem& operator=(const TGElem&) = delete;

  int Id() const { return id_; }
  TGObjectType Kind() const { return kind_; }
  int curve = -1;          // index of the owning data curve, -1 for none
  bool userDrawn = false;  // a figure drawn by the user
  bool selected = false;
  TColor colour = colors::Black;

  // Effective visibility: requested and not masked.
  bool Shown() const { return requested_ && !masked_; }
  bool Masked() const { return masked_; }
  virtual void SetShown(bool shown);
  virtual void SetMasked(bool masked);
  virtual void SetColour(TColor c) { colour = c; }

  // New world window and plot; the pixels follow (those of a hidden
  // element when it is shown again: a pan of a graph whose smooth curves
  // are hidden need not work them out at every step).
  void SetWorld(const TWorldWindow& w, const TPlotRect& plot);
  // Pixels worked out only when asked for, not at each change of the
  // window: the data segments of a curve, which are drawn from the pixels
  // of its points and need their own only for hit tests.
  void SetPixelsOnDemand() { onDemand_ = true; }
  // The same for many elements at once: `map` is that of `w` and `plot`.
  // A data point shown works out its pixel right away, without a call per
  // point (a pan moves every point of every curve at each step).
  void SetWorld(const TWorldWindow& w, const TPlotRect& plot, const TPixelMap& map);
  const TWorldWindow& World() const { return world_; }
  const TPlotRect& Plot() const { return plot_; }

  virtual bool HitTest(TPixel p, int tolerance) const = 0;
  // Measurement lines shown in the bubble and by the measure tool.
  virtual std::vector<std::string> InfoLines() const { return {}; }
  std::string InfoText() const;  // the lines joined by CR LF
  virtual void Draw(Canvas& canvas, const TDrawContext& ctx) const = 0;

  // Copies of the drawn figures, for their duplicates and the undo history.
  // Clone gives an element of the same class and state under a new serial
  // id (nullptr for elements generated from data, which are never copied).
  virtual std::unique_ptr<TGElem> Clone() const { return nullptr; }
  // Copies the state of an element of the same class (not the serial id,
  // nor the selection, which belongs to the graph's selection list).
  virtual void Assign(const TGElem& source);
  // Same class and same state (the selection is not compared).
  virtual bool Equals(const TGElem& other) const;

 protected:
  virtual void UpdatePixels() = 0;
  TPixelMap PixelMap() const { return TPixelMap(plot_, world_); }
  void EnsurePixels() const {
    if (stale_) const_cast<TGElem*>(this)->Refresh();
  }
  TPixel ToPixel(const TWorldPoint& p) const { return PixelMap().Map(p.x, p.y); }
  // The undo history keeps its copies under the id of the live element.
  void TakeIdOf(const TGElem& other) { id_ = other.id_; }
  friend class TGraphHistory;

 private:
  int id_;
  TGObjectType kind_;
  bool requested_ = false;
  bool masked_ = false;
  bool stale_ = false;  // pixels not yet worked out for world_ and plot_
  bool onDemand_ = false;
  void Refresh();
  TWorldWindow world_;
  TPlotRect plot_;
};

// A data point: world position, image number (its label) and marker symbol.
class TGPoint final : public TGElem {
 public:
  TGPoint(TWorldPoint p, int number);
  TWorldPoint world;
  TPixel pixel;
  int number = 0;  // the row label shown beside the point
  int row = -1;    // the results row it comes from (-1: unknown)
  TColor labelColour = colors::Black;
  bool labelShown = false;
  int labelPlace = 1;  // 1 below the point, 2 to its right
  int symbol = 0;      // TGraphUtils symbol number
  bool highlighted = false;
  // Extra width in pixels of the point's hit box (the display size's).
  int tolerance = 6;
  // Standard uncertainties of the ordinate and the abscissa, in world
  // units: drawn as error bars of ± that much (0: none).
  double errorY = 0.0;
  double errorX = 0.0;

  bool HitTest(TPixel p, int tolerance) const override;
  std::vector<std::string> InfoLines() const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
  void DrawLabel(Canvas& canvas) const;
  void MoveBy(int dx, int dy);
  // The pixel, worked out first when the point was hidden as the window
  // moved.
  TPixel CurrentPixel() const {
    EnsurePixels();
    return pixel;
  }

 protected:
  void UpdatePixels() override { pixel = ToPixel(world); }
};

// Elements defined by several world points.
class TGPolyPoint : public TGElem {
 public:
  TGPolyPoint(TGObjectType kind, std::vector<TWorldPoint> points);
  const std::vector<TWorldPoint>& Points() const { return points_; }
  const std::vector<TPixel>& Pixels() const {
    EnsurePixels();
    return pixels_;
  }
  // Recomputes the shape from the defining points (arcs, circles, ellipses).
  virtual void UpdateGeometry() {}
  bool InsideRect(const TPixelRect& r) const;

  // Editing of a drawn figure, in pixels of the plot.  Handles are the
  // points the user can grab (the defining points unless a kind says
  // otherwise).
  virtual std::vector<TPixel> Handles() const { return Pixels(); }
  // The handle under a pixel (>= 0), -1 on the figure's body, -2 on
  // nothing; the answer is kept as the current handle.
  virtual int PickHandle(TPixel p, int tolerance);
  int currentHandle = -2;
  // Moves the whole figure by a pixel offset (a world shift, so that its
  // size stays exact).
  virtual void MoveBy(double dx, double dy);
  // Drags one handle to a pixel.
  virtual void MoveHandleTo(int handle, TPixel p);
  // Turns the figure about a pixel centre by an angle given as (sin, cos),
  // counter-clockwise on the screen.
  virtual void RotateAbout(TPixel centre, double sin, double cos);
  // Puts defining point i exactly on a world point (snapping).
  virtual void SnapPoint(int i, const TWorldPoint& w);
  void Assign(const TGElem& source) override;
  bool Equals(const TGElem& other) const override;

 protected:
  void UpdatePixels() override;
  TWorldPoint ToWorld(double px, double py) const { return PixelToWorld(Plot(), World(), px, py); }
  std::vector<TWorldPoint> points_;
  std::vector<TPixel> pixels_;
};

class TGSegment : public TGPolyPoint {
 public:
  TGSegment(TWorldPoint a, TWorldPoint b) : TGPolyPoint(obSegment, {a, b}) {}
  bool HitTest(TPixel p, int tolerance) const override;
  std::vector<std::string> InfoLines() const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
};

// A smooth curve through every point (Catmull-Rom, sampled in pixels).
class TGSpline : public TGPolyPoint {
 public:
  explicit TGSpline(std::vector<TWorldPoint> points) : TGPolyPoint(obSpline, std::move(points)) {}
  bool HitTest(TPixel p, int tolerance) const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
  // The sampled pixel path (a few steps between each pair of points).
  std::vector<TPixel> Path() const;
};

// An arrow from `from` to `tip` with a pen of `width`: the graphs' vectors
// and the chronophotograph's.  The head's strokes are `headLength` pixels
// long, at most a third of the arrow.
void DrawVectorArrow(Canvas& canvas, TPixel from, TPixel tip, TColor colour, int width,
                     double headLength = 8.0);

// A vector from a world point with world components; its pixel length is
// value × factor × plot width (the factor of its family).
class TGVecteur : public TGPolyPoint {
 public:
  TGVecteur(TWorldPoint origin, TWorldPoint components, int family);
  int family = 0;
  TWorldPoint components;
  void SetFactor(double factor);
  double Magnitude() const { return std::hypot(components.x, components.y); }
  TPixel Tip() const { return tip_; }
  bool HitTest(TPixel p, int tolerance) const override;
  std::vector<std::string> InfoLines() const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
  std::string unit;

 protected:
  void UpdatePixels() override;
  double Factor() const { return factor_; }
  TPixel tip_;

 private:
  double factor_ = 0.0;
};

// A vector family (TParamCom): the scale shared by all vectors of one kind.
struct TParamCom {
  int id = 0;
  std::string unit;
  int scaleBarPixels = 64;  // LEchelleEnPixels
  int plotWidth = 0;
  double value = 0.0;   // physical value of the scale bar
  double factor = 0.0;  // vector pixel length = value × factor × plot width
  double minFactor = 0.0, maxFactor = 0.0;
};

}  // namespace kinevo
