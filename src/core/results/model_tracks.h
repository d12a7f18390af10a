#pragma once
// Models over the picture.  A model track is a model's position of one
// system on each image of the video, in metres in the analysis' axes.  Any
// number of sources give tracks (the curve models fitted to x(t) and y(t),
// a dynamic model ...); TModelTrackSet gathers them, and TModelOverlay
// draws them on the video view: the model's path as a thin line and, on the
// image shown, a hollow symbol in the system's colour at its position.
#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/math_utils.h"
#include "core/common/picture_coord.h"
#include "core/common/signal.h"

namespace kinevo {

class TData;

// The images a track is asked for and their times on the results' clock
// (the first marked image at 0).  times[i] is the time of file image
// firstImage + i (NaN: the file gives none).
struct TTrackClock {
  int32_t firstImage = 0;
  std::vector<double> times;
};

// One model's positions of one system: positions[i] on file image
// firstImage + i, in metres in the axes of the results (NaN where the model
// has no value).
struct TModelTrack {
  int system = 0;
  int32_t firstImage = 0;
  std::vector<TWorldPoint> positions;
};

// A source of model tracks.
class IModelTrackSource {
 public:
  virtual ~IModelTrackSource() = default;
  // Appends the source's tracks over the images of `clock`.
  virtual void AddTracks(const TTrackClock& clock, std::vector<TModelTrack>& out) const = 0;
};

// The last curve model fitted to x(t) and to y(t) of each system (Grid
// marking, the results' axes).  A system with both gives a track.
class TCurveModelRecord : public IModelTrackSource {
 public:
  // The coordinate a model was fitted to.
  enum TAxis : int { axX = 0, axY = 1 };
  struct TCurveFit {
    int kind = 9;  // TModelKind; 9: none
    std::vector<double> parameters;
    friend bool operator==(const TCurveFit&, const TCurveFit&) = default;
  };

  // Keeps the model of `kind` with `parameters` as that of the coordinate
  // of system s (a kind without a function forgets it).  Raises OnChange
  // when something changed.
  void Set(int system, TAxis axis, int kind, std::vector<double> parameters);
  void Forget(int system, TAxis axis);
  void Clear();
  // The model kept for that coordinate (kind 9 when none).
  TCurveFit Fit(int system, TAxis axis) const;

  void AddTracks(const TTrackClock& clock, std::vector<TModelTrack>& out) const override;

  TSignal<> OnChange;

 private:
  std::map<int, std::array<TCurveFit, 2>> fits_;
};

// The sources whose tracks are drawn over the picture.  A source stays
// registered until the connection AddSource returns ends; it calls
// Changed() (or the set hears its own signal) when its tracks changed.
class TModelTrackSet {
 public:
  TModelTrackSet() = default;
  TModelTrackSet(const TModelTrackSet&) = delete;
  TModelTrackSet& operator=(const TModelTrackSet&) = delete;

  [[nodiscard]] TConnection AddSource(const IModelTrackSource& source);
  // Every track of every source, in the order of registration.
  std::vector<TModelTrack> Tracks(const TTrackClock& clock) const;
  // A source's tracks changed: raises OnChange.
  void Changed() { OnChange(); }

  TSignal<> OnChange;

 private:
  TSignal<const TTrackClock&, std::vector<TModelTrack>&> sources_;
};

// The clock of the images from `first` to `last` of the marking data's
// active set (empty times when nothing is marked).
TTrackClock TrackClockOf(const TData& data, int32_t first, int32_t last);

// A track brought onto the picture of the marking data: picture positions
// (NaN where the model has none, or without a scale).
std::vector<TPictureCoord> TrackOnPicture(const TData& data, const TModelTrack& track);

// Draws the tracks of a set over the video view of the marking data, for
// the image shown.  The picture positions are kept until Invalidate (the
// marks, axes, scale, times or a source changed).
class TModelOverlay {
 public:
  TModelOverlay(TData& data, TModelTrackSet& tracks);
  TModelOverlay(const TModelOverlay&) = delete;
  TModelOverlay& operator=(const TModelOverlay&) = delete;

  void Invalidate() { valid_ = false; }
  // Draws nothing when the switch is off, in Layer marking, or without a
  // video.
  void Paint(Canvas& canvas);
  // The hollow symbol's half-size in pixels for an element size.
  static int GhostRadius(int elementSize) { return 6 + 3 * elementSize; }

  struct TPictureTrack {
    int system = 0;
    int32_t firstImage = 0;
    std::vector<TPictureCoord> positions;
  };
  // The tracks on the picture, brought up to date.
  const std::vector<TPictureTrack>& PictureTracks();

 private:
  TData& data_;
  TModelTrackSet& tracks_;
  bool valid_ = false;
  std::vector<TPictureTrack> cache_;
  TConnections links_;
};

}  // namespace kinevo
