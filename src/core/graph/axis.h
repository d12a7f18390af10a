#pragma once
// An axis of a graph (TAxe): the margin strip with its tick labels, the
// title, the grid across the plot, the zero line and the tick marks.
#include <string>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/colour.h"
#include "core/graph/world_range.h"

namespace kinevo {

inline constexpr TColor kAxisLabelColour = RGBColor(20, 20, 100);
inline constexpr TColor kGridColour = RGBColor(128, 128, 128);

class TAxe {
 public:
  enum TOrientation { aoHorizontal = 0, aoVertical = 1 };
  static constexpr int kMinorCount = 5;

  explicit TAxe(TOrientation o) : orientation_(o) {}

  TOrientation Orientation() const { return orientation_; }
  bool visible = true;
  double min = 0.0;
  double max = 100.0;
  // First line: the main title (bold); the others: sub-titles.
  std::vector<std::string> title;
  // The quantity along the axis: its symbol in equations ("t", "x") and its
  // unit ("" when not known), for the model and the figures measured on it.
  std::string name;
  std::string unit;
  int titleOffset = 14;  // from the control edge
  TColor colour = colors::BtnFace;

  // The margin strip where the labels go, and the control's size (the
  // titles are placed from its edges).
  void SetBounds(const TPixelRect& area, int controlWidth, int controlHeight);
  const TPixelRect& Area() const { return area_; }
  // Labelled ticks at the last drawing.
  int MajorCount() const { return majorCount_; }

  // Fills the strip and draws labels and title; then, across `plot`, the
  // grid, the zero line and the tick marks.  Nothing but the strip when the
  // axis is hidden or its range is empty.
  void Draw(Canvas& canvas, const TPlotRect& plot);

 private:
  // Offset in pixels along the plot of a world value; the plot length.
  double Offset(double v, const TPlotRect& plot) const;
  int Length(const TPlotRect& plot) const;
  void DrawLabels(Canvas& canvas, const TPlotRect& plot, double step, double first, int count);
  void DrawTitle(Canvas& canvas, const TPlotRect& plot);
  void DrawGridAndTicks(Canvas& canvas, const TPlotRect& plot, double step, double first,
                        int count);
  // A line across the plot at offset `at` along the axis.
  void Across(Canvas& canvas, const TPlotRect& plot, int at);
  // A tick mark of `length` pixels from the plot edge at offset `at`.
  void Tick(Canvas& canvas, const TPlotRect& plot, int at, int length);
  int PixelAt(double offset, const TPlotRect& plot) const;
  bool Inside(int pixel, const TPlotRect& plot, bool strict) const;

  TOrientation orientation_;
  TPixelRect area_;
  int controlWidth_ = 0, controlHeight_ = 0;
  int majorCount_ = 0;
};

// The information bubble of a graph (TBulle): lines of text in a corner.
enum TBullePlace { bpNone, bpUpLeft, bpUpRight, bpDownLeft, bpDownRight };

class TBulle {
 public:
  static constexpr TColor kBackground = RGBColor(255, 255, 225);  // tool-tip colour

  TBullePlace place = bpUpRight;
  void SetLines(std::vector<std::string> lines) { lines_ = std::move(lines); }
  const std::vector<std::string>& Lines() const { return lines_; }
  void Show() { shown_ = true; }
  void Hide() { shown_ = false; }
  bool Shown() const { return shown_ && place != bpNone && !lines_.empty(); }

  // The bubble's box in a control of that size (measured with the canvas).
  TPixelRect Box(Canvas& canvas, int controlWidth, int controlHeight) const;
  void Draw(Canvas& canvas, const TFont& font, int controlWidth, int controlHeight) const;

 private:
  std::vector<std::string> lines_;
  bool shown_ = false;
};

}  // namespace kinevo
