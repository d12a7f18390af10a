#pragma once
// What the results computation reads from the marking data and the time
// base, for the set of one marking mode (Grid or Layer).  The session wires
// an adapter over TData; tests and benchmarks give series of their own.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kinevo {

// The marks of one marking mode, one row per marked image, rows ordered by
// ascending time index, the first row at time index 0.
struct TMarkSeries {
  // Time of each row in seconds (relative time index × image period).
  std::vector<double> times;
  // The times come from the video file's timestamps: derivatives then
  // follow them rather than the time indices.
  bool fileTimes = false;
  // [system][row]: the relative time index of the row's image when the
  // system is marked there, else −1.
  std::vector<std::vector<int32_t>> images;
  // [system][row]: the mark's position relative to the origin, as fractions
  // of the picture width and height, y upward; 0 where unmarked.
  std::vector<std::vector<double>> xs, ys;
  // [system][row]: the standard uncertainty of the mark's position along x
  // and y, in the same fractions; 0 where unmarked.  Empty: exact marks.
  std::vector<std::vector<double>> uxs, uys;
};

class IResultsSource {
 public:
  virtual ~IResultsSource() = default;

  virtual bool IsVideoOpen() const = 0;
  // Whether the Layer marking mode is the active one (view in vmTransparent).
  virtual bool IsLayerActive() const = 0;
  // Whether the series of that mode can be read now.  The marking data
  // answers for its active set only; the other set is computed when its
  // mode becomes active.
  virtual bool Serves(bool layer) const {
    (void)layer;
    return true;
  }

  // The series of the Grid (layer = false) or Layer (layer = true) marks.
  virtual void GetSeries(bool layer, TMarkSeries& out) const = 0;
  // Metres per picture width and per picture height; (−1, −1) when the
  // scale is not defined.
  virtual std::pair<double, double> ScaleFactors() const = 0;
  // Why nothing can be measured although a scale is set (the plane of
  // motion's points make no view of a rectangle once the lens is
  // corrected), in French; empty otherwise.
  virtual std::string MeasureFailure() const { return {}; }
  // Whether the positions are measured on the plane of motion.
  virtual bool PlaneOn() const { return false; }
  // Relative standard uncertainty of the scale factors (the scale's points
  // placed by hand): one term common to every length, kept apart from the
  // marks' own.
  virtual double ScaleRelativeUncertainty() const { return 0.0; }
  // The fixed frame's x-axis angle in radians (0 for the layer).
  virtual double XAxisAngle(bool layer) const = 0;
  // Axis direction flags of the frame of that mode.
  virtual bool DirectXAxisDirection(bool layer) const = 0;
  virtual bool DirectYAxisDirection(bool layer) const = 0;
  // The time between two images in seconds.
  virtual double ImagePeriod() const = 0;
  // Name of system s of that mode; empty for a bad index.
  virtual std::string SystemName(bool layer, int s) const = 0;
};

// Settings that change what the results show (the options of the program).
struct TResultsOptions {
  bool hideEdgeSpeed = false;         // "CheckBox30HideEdgeV_Checked"
  bool hideEdgeAcceleration = false;  // "CheckBox31HideEdgeA_Checked"
  bool startByZero = false;           // "CheckBox36StartByZero_Checked"
};

}  // namespace kinevo
