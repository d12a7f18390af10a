#pragma once
// The chart of the results window, without its window: curves of data
// points with their polyline, smooth curve, vectors and model slot; the
// world window and its pixels; the two axes and the information bubble; the
// zoom, pan, cross-hair and measure tools; vector families with their scale
// bar; the video picture under a trajectory; the keyboard; and the painting,
// split into a background that only changes with the window, the size or
// the colours, and the elements drawn over it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/image.h"
#include "core/common/palette.h"
#include "core/common/signal.h"
#include "core/graph/axis.h"
#include "core/graph/graph_elements.h"
#include "core/graph/graph_model_element.h"
#include "core/graph/model_box.h"
#include "core/graph/world_range.h"
#include "core/graph/zoom.h"
#include "core/video/view_client.h"

namespace kinevo {

class TModelTools;
class TFigureTools;

// Tool modes of a graph.  Tools 1 to 10, 14 and 17 draw and edit figures
// (TFigureTools); 11 and 15 read and adjust the model (TModelTools).
enum TGraphTool : int {
  gtNone = 0,
  gtAngle = 1,
  gtArc = 2,
  gtCercle = 3,
  gtEllipse = 4,
  gtSegment = 5,
  gtSpline = 6,
  gtVecteur = 7,
  gtCurveArc = 8,
  gtDupliquer = 9,
  gtSens = 10,
  gtModifierModele = 11,
  gtPan = 12,
  gtReticule = 13,
  gtSelection = 14,
  gtModele = 15,
  gtMesurer = 16,
  gtSupprimer = 17,
  gtZoom = 18,
};

enum TGraphDrag : int {
  gdIdle = 0,
  gdHandle,
  gdDeform,
  gdPan,
  gdVectors,
  gdFigures,
  gdRotate,
  gdRubber
};

// Attribute kinds of a curve (the selector of SetCourbeVisible and
// SetCourbeColour); `which` selects user-drawn (1) and data (2) elements
// of kinds 7 to 9.
enum TCurveKind : int {
  ckAngles = 0,
  ckArcs = 1,
  ckCircles = 2,
  ckEllipses = 3,
  ckModel = 4,
  ckLabels = 5,
  ckPoints = 6,
  ckSegments = 7,
  ckSplines = 8,
  ckVectors = 9,
};
inline constexpr int kUserDrawn = 1;
inline constexpr int kDataDrawn = 2;

// One vector family of a curve: the components of one vector per point
// (from the first point on), the count masked at each end, and the family's
// id and unit.
struct TVectorSeries {
  int id = 0;
  std::string unit;
  std::vector<TWorldPoint> values;
  int maskedAtEnds = 0;
};

// What AddCourbe needs: the points, the count hidden at each end, the
// label of each point (i + 1 when missing), the results row each point comes
// from (for the link with the video; -1 when missing) and the vector
// families.
struct TCurveInput {
  std::vector<TWorldPoint> points;
  int maskedAtEnds = 0;
  std::vector<int> numbers;
  std::vector<int> rows;
  std::vector<TVectorSeries> vectors;
  // Standard uncertainties of the ordinates, one per point (empty: none):
  // error bars on the points, and the model's fits weighted by them.  Those
  // of the abscissas likewise (empty: exact abscissas).
  std::vector<double> uncertainties;
  std::vector<double> uncertaintiesX;
};

// A data curve (TCourbe): its elements by kind and their attributes.
struct TCourbe {
  std::vector<TGPoint*> points;
  std::vector<TGSegment*> segments;
  std::vector<TGSpline*> splines;
  std::vector<TGVecteur*> vectors;
  TGModele* model = nullptr;
  int currentFamily = 0;      // id of the family shown
  bool visible[10] = {};      // kinds 0..6; user-drawn 7..9
  bool dataVisible[10] = {};  // data elements of kinds 7..9
  TColor colour[10] = {0,
                       0,
                       0,
                       0,
                       0,
                       colors::Black,
                       kDefaultPointColour,
                       kDefaultSegmentColour,
                       kDefaultSplineColour,
                       kDefaultVectorColour};
  TColor dataColour[10] = {
      0, 0, 0, 0, 0, 0, 0, kDefaultSegmentColour, kDefaultSplineColour, kDefaultVectorColour};
  int symbol = 0;
  int labelPlace = 1;
};

// A line drawn over the data, computed elsewhere (the dynamic model beside
// the marks): its points in world units, broken where a coordinate is not a
// number.
struct TOverlayCurve {
  std::vector<TWorldPoint> points;
  TColor colour = colors::Black;
  int width = 2;
};

// The video picture under a trajectory.
struct TSourceImage {
  std::shared_ptr<const Image> picture;
  TPictureCoord origin;  // the axes' origin, as fractions of the picture
  double width = 0.0;    // picture size in world units
  double height = 0.0;
  bool invertX = false;  // the axes' direction flags are off
  bool invertY = false;
  double angle = 0.0;  // axis angle, radians
};

class TGraphModel {
 public:
  explicit TGraphModel(const TGraphUtils& utils);
  ~TGraphModel();

  // ------------------------------------------------------------ properties
  int AxeXFromBottom = 45, AxeXFromTop = 20, AxeYFromLeft = 75, AxeYFromRight = 20;
  TColor ColorAxe = colors::BtnFace;
  TColor ColorBegin = colors::White;
  TColor ColorEnd = 0xF0CAA6;
  bool IsDessinerEchelle = false;
  bool IsOrigineVisible = false;
  bool IsSourceImgVisible = false;
  bool IsZoomX = true, IsZoomY = true;
  int TitreAxeXFromEdge = 10, TitreAxeYFromEdge = 10;
  int DisplaySize = 0;  // marker size: 0 small, 1 large, 2 medium
  TFont font;           // Arial 10
  TAxe AxeX{TAxe::aoHorizontal};
  TAxe AxeY{TAxe::aoVertical};
  TBulle Bulle;
  // The box of the model of the single curve shown (drawn after the bubble).
  TModelBox ModelBox;
  // The properties above change the background: call after setting them
  // (the elements are drawn again too: the marker size and the font change
  // them).
  void InvalidateBackground() {
    ++bgGeneration_;
    InvalidateElements();
  }
  uint64_t BackgroundGeneration() const { return bgGeneration_; }
  // The drawing of the elements changes with every change made through this
  // model, its figure and model tools or a curve's model, except a mouse
  // move that only moves the cross-hair, the bubble, the hint or a rubber
  // rectangle.  A window may keep its drawn elements while this number stays
  // the same; call InvalidateElements after changing elements another way.
  void InvalidateElements() { ++elemGeneration_; }
  uint64_t ElementsGeneration() const { return elemGeneration_; }
  // The drawing of generation `to` is that of generation `from` moved by
  // (dx, dy) whole pixels: what a pan drag does, which a window may follow
  // by moving its picture and drawing only the strips uncovered.
  struct TElementShift {
    uint64_t from = ~uint64_t{0}, to = ~uint64_t{0};
    int dx = 0, dy = 0;
  };
  const TElementShift& LastShift() const { return shift_; }
  void SetScaleBarPixels(int pixels);  // LEchelleEnPixels
  int ScaleBarPixels() const { return scaleBarPixels_; }

  // ------------------------------------------------------------ size and world
  void SetSize(int width, int height);
  // AxeYFromLeft, AxeYFromRight, AxeXFromTop, AxeXFromBottom at once.
  void SetMargins(int left, int right, int top, int bottom);
  int Width() const { return width_; }
  int Height() const { return height_; }
  const TPlotRect& Plot() const { return plot_; }
  // Device pixels per pixel, for a sharp background on dense screens.
  void SetPixelRatio(double ratio);
  double PixelRatio() const { return ratio_; }

  // Resets both zoom factors, applies the window and keeps the flag.
  void SetWorld(const TWorldWindow& w, bool equalScale);
  void ApplyWorld(const TWorldWindow& w);
  const TWorldWindow& World() const { return world_; }
  bool EqualScale() const { return equalScale_; }
  const TGraphZoom& Zoom() const { return zoom_; }
  TWorldPoint ToWorld(int px, int py) const { return PixelToWorld(plot_, world_, px, py); }

  // ------------------------------------------------------------ curves
  int AddCourbe(const TCurveInput& input);
  void ClearGraph();
  int CurveCount() const { return static_cast<int>(curves_.size()); }
  const TCourbe& Curve(int i) const { return curves_[static_cast<std::size_t>(i)]; }
  const std::vector<std::unique_ptr<TGElem>>& Elements() const { return elements_; }
  // Kinds 0..3 of any curve, and a bad index, address the free curve.
  void SetCourbeVisible(int curve, int kind, bool visible, int which = kUserDrawn | kDataDrawn);
  void SetAllCourbesVisible(int kind, bool visible, int which = kUserDrawn | kDataDrawn);
  void SetCourbeColour(int curve, int kind, TColor colour, int which = kUserDrawn | kDataDrawn);
  void SetCourbeSymbol(int curve, int symbol);
  void SetCourbeLabelPlace(int curve, int place);
  // Curves whose points are shown; the single one, or -1.
  std::vector<int> ShownCurves() const;
  int SingleCurve() const;

  // The points of this results row are drawn with a ring (-1: none).
  void SetHighlightedRow(int row);
  // The shown data point under a pixel (the topmost), or null.
  const TGPoint* PointAt(TPixel p) const;

  // ------------------------------------------------------------ vectors
  const std::vector<TParamCom>& Families() const { return families_; }
  int CurrentFamily() const { return currentFamily_; }
  void SelectFamily(int index);
  void AutoVectorScale();
  bool SetVectorScaleValue(double value);
  double VectorScaleValue() const;
  std::string ScaleBarText() const;

  // ------------------------------------------------------------ source image
  void SetSourceImage(TSourceImage source);
  const TSourceImage& SourceImage() const { return source_; }

  // ------------------------------------------------------------ tools
  // False (and no change) for a tool that is not available.
  bool SetTool(int tool);
  int Tool() const { return tool_; }
  bool IsTool(int tool) const { return tool_ == tool; }
  static bool ToolAvailable(int tool);
  int DragState() const { return drag_; }
  std::string CursorName() const;
  // The hint under the mouse (measure tool), empty when hidden.
  const std::string& HintText() const { return hint_; }
  TPixel HintPosition() const { return hintPos_; }
  // Last mouse position, and whether it is over the plot.
  TPixel Mouse() const { return mouse_; }
  bool MouseInPlot() const;

  void MouseDown(TMouseButton b, TShiftState s, int x, int y);
  void MouseMove(TShiftState s, int x, int y);
  void MouseUp(TMouseButton b, TShiftState s, int x, int y);
  void DoubleClick(int x, int y);
  // Keys when the graph has focus.  The arrows ask the window to move the
  // mouse pointer by `pointerMove`.  True when the key was used.
  bool KeyDown(int key, TShiftState s, TPixel& pointerMove);

  // Raised for a click on an element or the background (button, kind).
  TSignal<TMouseButton, TGObjectType> OnObjectClick;
  // The window changed through the zoom or pan tools.
  TSignal<> OnWorldChanged;

  // The drawn figures: their tools, selection, commands and undo.  The
  // elements are taken as changed by any use of the writable tools.
  TFigureTools& Figures() {
    InvalidateElements();
    return *figures_;
  }
  const TFigureTools& Figures() const { return *figures_; }

  // The model tools: reading and modifying the model of the curve shown.
  TModelTools& Models() {
    InvalidateElements();
    return *models_;
  }
  const TModelTools& Models() const { return *models_; }

  // Lines drawn over the elements, clipped to the plot; ClearGraph drops
  // them.  They are not in the element layer: a model moved by a slider
  // draws them again without the thousands of elements under them.
  void SetOverlayCurves(std::vector<TOverlayCurve> curves);
  uint64_t OverlayCurvesGeneration() const { return overlayGeneration_; }
  const std::vector<TOverlayCurve>& OverlayCurves() const { return overlay_; }

  // ------------------------------------------------------------ painting
  // Background: plot gradient (with the video picture), margins, axes and
  // the origin marker.  Elements: the element layer (every element in list
  // order, clipped to the plot), then the overlay that follows the mouse
  // (the tools' marks, the scale bar, the bubble and the frames).
  void PaintBackground(Canvas& canvas);
  void PaintElementLayer(Canvas& canvas) { PaintElementLayer(canvas, plot_.Rect()); }
  // Only what falls in `area` (pixels), as the whole drawing would have it
  // there: the strip a pan uncovers.
  void PaintElementLayer(Canvas& canvas, const TPixelRect& area);
  // The overlay curves, over the element layer.
  void PaintOverlayCurves(Canvas& canvas);
  void PaintOverlay(Canvas& canvas);
  void PaintElements(Canvas& canvas) {
    PaintElementLayer(canvas);
    PaintOverlayCurves(canvas);
    PaintOverlay(canvas);
  }
  void Paint(Canvas& canvas) {
    PaintBackground(canvas);
    PaintElements(canvas);
  }
  // The plot's picture: gradient and video picture (device pixels).
  const Image& PlotPicture();

 private:
  void Layout();
  void PushWorld();
  void ApplyCurveVisibility(TCourbe& c);
  void ApplyCurveColours(TCourbe& c);
  TParamCom* FamilyById(int id);
  void PushFactor();
  void BuildPlotPicture();
  void DrawSourceImage(Image& img) const;
  void PaintCurvePoints(Canvas& canvas, const TCourbe& c, const TDrawContext& ctx,
                        const TPixelRect& area);
  void PaintCurveSegments(Canvas& canvas, const TCourbe& c, const TPixelRect& area);
  // The number of elements from index i that are exactly `list` (a
  // curve's points or segments, which are never removed one by one), or 0.
  template <class T>
  std::size_t BlockAt(std::size_t i, const std::vector<T*>& list) const;
  void PaintScaleBar(Canvas& canvas);
  void PaintModelBox(Canvas& canvas);
  void PaintFrames(Canvas& canvas);
  void PaintToolMarks(Canvas& canvas);
  void UpdateHint();
  void ChangeWorld(const TWorldWindow& w);
  void Pan(int dx, int dy);
  friend class TFigureTools;

  const TGraphUtils& utils_;
  int width_ = 0, height_ = 0;
  double ratio_ = 1.0;
  TPlotRect plot_;
  TWorldWindow world_;
  bool equalScale_ = false;
  TGraphZoom zoom_;
  int scaleBarPixels_ = 64;

  std::vector<TCourbe> curves_;
  TCourbe free_;
  std::vector<std::unique_ptr<TGElem>> elements_;
  std::vector<TParamCom> families_;
  int currentFamily_ = 0;
  std::vector<TGElem*> selection_;
  TGPoint origin_;

  TSourceImage source_;
  Image plotPicture_;
  uint64_t pictureGeneration_ = ~uint64_t{0};
  uint64_t bgGeneration_ = 0;
  uint64_t elemGeneration_ = 0;
  TElementShift shift_;
  std::vector<TConnection> modelLinks_;  // each curve model's OnChange
  // Pixels already holding a symbol of the curve being drawn: those equal
  // to drawnStamp_, so that each curve starts afresh without clearing.
  std::vector<uint8_t> drawnMask_;
  uint8_t drawnStamp_ = 0;
  std::vector<TOverlayCurve> overlay_;
  uint64_t overlayGeneration_ = 0;
  // The polyline being gathered and the points kept of it, kept for their
  // capacity.
  std::vector<TPixel> run_;
  std::vector<TWorldPoint> thinned_;

  int tool_ = gtNone;
  int drag_ = gdIdle;
  TPixel mouse_{-1, -1}, dragFrom_, dragLast_;
  bool rubber_ = false;
  std::string hint_;
  TPixel hintPos_;
  std::unique_ptr<TModelTools> models_;
  std::unique_ptr<TFigureTools> figures_;
};

}  // namespace kinevo
