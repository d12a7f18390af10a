#pragma once
// The measuring figures the user draws over a graph: segments, free curves,
// vectors, angles, arcs, circles and ellipses.  They keep their defining
// points in world units, so that zooming, panning and resizing leave them
// at the same place, and measure themselves in those units (lengths in
// metres, angles in degrees and radians, vector norms in the unit of their
// family).  Their measurements are the lines of the bubble and of the
// measure tool's hint.
#include <memory>
#include <string>
#include <vector>

#include "core/graph/graph_elements.h"

namespace kinevo {

// The measurement lines: "label : value unit", and for an angle
// "label : 45.0° (0.785 rad)".
std::string LengthLine(const std::string& label, double length, const std::string& sep = " : ");
std::string AngleLine(const std::string& label, double radians, const std::string& sep = " : ");

// Salient angle at `vertex` between the rays to `a` and `b`, in [0, π].
double SalientAngle(const TWorldPoint& a, const TWorldPoint& vertex, const TWorldPoint& b);
// Circumference of an ellipse of half-axes a and b (Ramanujan's formula,
// exact for a circle).
double EllipseCircumference(double a, double b);

// A circle through three points; `aligned` when there is none.
struct TCircleThrough {
  bool aligned = true;
  TWorldPoint centre;
  double radius = 0.0;
};
TCircleThrough CircleThrough(const TWorldPoint& a, const TWorldPoint& b, const TWorldPoint& c);

// The arc from `a` to `b` that passes through `m`: its circle, start angle
// and signed sweep (radians, counter-clockwise positive).  Aligned points
// give a straight arc: sweep 0 and length |ab|.
struct TArcGeometry {
  TCircleThrough circle;
  double start = 0.0;
  double sweep = 0.0;
  double Length(const TWorldPoint& a, const TWorldPoint& b) const;
};
TArcGeometry ArcGeometry(const TWorldPoint& a, const TWorldPoint& b, const TWorldPoint& m);

// A drawn segment measures its length when both axes carry lengths in the
// same unit (trajectories); on a graph of a quantity against another (x
// against t), a length would add seconds to metres: it measures its slope,
// in the unit of the ordinate over that of the abscissa (m/s).
class TGFigSegment : public TGSegment {
 public:
  TGFigSegment(TWorldPoint a, TWorldPoint b);
  double Length() const { return Distance(points_[0], points_[1]); }
  // Δy / Δx (infinite for a vertical segment).
  double Slope() const;
  bool measuresSlope = false;
  std::string slopeUnit;  // "" when not known
  std::vector<std::string> InfoLines() const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
  std::unique_ptr<TGElem> Clone() const override;
  void Assign(const TGElem& source) override;
};

class TGFigSpline : public TGSpline {
 public:
  explicit TGFigSpline(std::vector<TWorldPoint> points);
  // Length of the smooth curve through the control points, in world units.
  double Length() const;
  std::vector<std::string> InfoLines() const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
  std::unique_ptr<TGElem> Clone() const override;
};

// A drawn vector.  In a graph with vector families it belongs to the
// family shown and is measured in its unit (its pixel length follows the
// family's scale); without one it is a world displacement, in metres.
class TGFigVecteur : public TGVecteur {
 public:
  // From origin to tip; `factor` is the family's (0: world units).
  TGFigVecteur(TWorldPoint origin, TWorldPoint tip, int family, double factor,
               const TWorldWindow& w, const TPlotRect& plot);
  bool worldUnits = false;
  int previous = 0, next = 0;  // serial ids of the vectors chained to it
  TWorldPoint Origin() const { return points_[0]; }
  // The tip in world units (without the rounding of its pixel).
  TWorldPoint TipWorld() const;
  // Direction on the screen, counter-clockwise from the right, in [0, 2π).
  double ScreenAngle() const;
  void Reverse();
  std::vector<TPixel> Handles() const override { return {pixels_[0], tip_}; }
  void MoveHandleTo(int handle, TPixel p) override;
  void RotateAbout(TPixel centre, double sin, double cos) override;
  void SnapPoint(int i, const TWorldPoint& w) override;
  std::vector<std::string> InfoLines() const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
  std::unique_ptr<TGElem> Clone() const override;
  void Assign(const TGElem& source) override;
  bool Equals(const TGElem& other) const override;

 protected:
  void UpdatePixels() override;

 private:
  void SetTip(double px, double py);
};

// Three points, the vertex in the middle.
class TGAngle : public TGPolyPoint {
 public:
  TGAngle(TWorldPoint a, TWorldPoint vertex, TWorldPoint b);
  double Angle() const { return SalientAngle(points_[0], points_[1], points_[2]); }
  bool HitTest(TPixel p, int tolerance) const override;
  std::vector<std::string> InfoLines() const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
  std::unique_ptr<TGElem> Clone() const override;
};

// Two ends and a point of the bulge.
class TGArc : public TGPolyPoint {
 public:
  TGArc(TWorldPoint a, TWorldPoint b, TWorldPoint bulge);
  // The default shape from the two ends: a bulge of a quarter of the chord
  // on its left, seen on the screen.
  static std::unique_ptr<TGArc> FromEnds(TWorldPoint a, TWorldPoint b, const TWorldWindow& w,
                                         const TPlotRect& plot);
  TArcGeometry Geometry() const { return ArcGeometry(points_[0], points_[1], points_[2]); }
  bool HitTest(TPixel p, int tolerance) const override;
  std::vector<std::string> InfoLines() const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
  std::unique_ptr<TGElem> Clone() const override;
  void UpdateGeometry() override;
  // The drawn path, in pixels.
  const std::vector<TPixel>& Path() const { return path_; }

 private:
  std::vector<TPixel> path_;
};

// A centre and a point of the circle.
class TGCercle : public TGPolyPoint {
 public:
  TGCercle(TWorldPoint centre, TWorldPoint onCircle);
  double Radius() const { return Distance(points_[0], points_[1]); }
  bool HitTest(TPixel p, int tolerance) const override;
  std::vector<std::string> InfoLines() const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
  std::unique_ptr<TGElem> Clone() const override;
  void UpdateGeometry() override;
  const std::vector<TPixel>& Path() const { return path_; }

 private:
  std::vector<TPixel> path_;
};

// An ellipse of centre c, half-axes a (at `inclination` from the x axis)
// and b.  Its defining points are the four axis ends (0 and 1 on the a
// axis, 2 and 3 on the b axis) and the centre (4), which is the handle
// that turns it.
class TGEllipse : public TGPolyPoint {
 public:
  static constexpr int kCentre = 4;
  TGEllipse(TWorldPoint centre, double a, double b, double inclination);
  // The default shape: the ellipse inscribed in the box of two corners.
  static std::unique_ptr<TGEllipse> FromCorners(TWorldPoint p, TWorldPoint q);
  TWorldPoint Centre() const { return centre_; }
  double A() const { return a_; }
  double B() const { return b_; }
  double Inclination() const { return inclination_; }
  void SetInclination(double radians);
  // Makes the ellipse pass through a pixel, scaling both half-axes.
  void StretchTo(TPixel p);
  bool HitTest(TPixel p, int tolerance) const override;
  std::vector<std::string> InfoLines() const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
  std::unique_ptr<TGElem> Clone() const override;
  void MoveBy(double dx, double dy) override;
  void MoveHandleTo(int handle, TPixel p) override;
  void RotateAbout(TPixel centre, double sin, double cos) override;
  void SnapPoint(int i, const TWorldPoint& w) override;
  void Assign(const TGElem& source) override;
  bool Equals(const TGElem& other) const override;
  void UpdateGeometry() override;
  const std::vector<TPixel>& Path() const { return path_; }

 private:
  void Rebuild();
  void SetAxisEnd(int i, const TWorldPoint& w);
  TWorldPoint centre_;
  double a_, b_, inclination_;
  std::vector<TPixel> path_;
};

// The kind word of the undo captions ("Segment", "Courbe" ...), "" for
// elements that are not figures.
std::string FigureKindWord(TGObjectType kind);
// Whether a kind is one of the drawn figures (1 to 4, 7 to 9).
bool IsFigureKind(TGObjectType kind);

}  // namespace kinevo
