#pragma once
// The marking data (TData): the whole state of one analysis of one video.
// It owns the fixed frame, the transparent layer, the scale, the Grid and
// Layer mark sets, the system colours and the four undo histories, routes
// the pointer and keys of the marking tools, and answers the queries of the
// results, graphs, tracking, document and dialogs.
//
// Grid objects are active in every view mode but vmTransparent, where the
// Layer objects are.  Nothing here needs a window: the view is reached only
// through IVideoView.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/events.h"
#include "core/common/palette.h"
#include "core/common/results_target.h"
#include "core/common/user_dialog.h"
#include "core/common/video_view.h"
#include "core/marking/layer.h"
#include "core/marking/mark_set.h"
#include "core/marking/marking_context.h"
#include "core/marking/measure_map.h"
#include "core/marking/reference_frame.h"
#include "core/marking/scale.h"
#include "core/marking/undo_history.h"

namespace kinevo {

enum TOutil : uint8_t {
  otNone = 0,
  otEchelle = 1,
  otMarque = 2,
  otDeplacer = 3,
  otOrigine = 4,
  otEffacer = 5,
  otTsp = 6,
};

// How the automatic tracking follows objects: by their colours (mean
// shift) or by their look (a template matched by correlation).
enum TTrackingMethod : uint8_t { tmColour = 0, tmAppearance = 1 };

// The settings the marking reads (from the program's options).
struct TMarkingSettings {
  bool separateScales = false;  // separate horizontal and vertical scales
  int elementSize = 0;          // 0 small, 1 medium, 2 large
  bool numberFromZero = false;  // mark numbers start at 0
};

// What GetSeries delivers: times[k] for the k-th marked image in time
// order, and per system s: images[s][k] (time index, -1 when unmarked) and
// the position relative to the origin, y upwards (0, 0 when unmarked), in
// fractions of the lens-corrected picture; with the plane on, in metres
// along the plane's axes (see MeasureFrame).
struct TSeries {
  std::vector<double> times;
  // The times come from the video file's own timestamps (FileTime), not
  // from time index x T.
  bool fileTimes = false;
  std::vector<std::vector<int32_t>> images;
  std::vector<std::vector<double>> xs;
  std::vector<std::vector<double>> ys;
  // The marks' standard uncertainties along x and y, in the same units.
  std::vector<std::vector<double>> uxs, uys;
};

// How the results turn the series into metres: scale factors (metres per
// picture fraction; negative when nothing can be measured), the x axis's
// angle and the axes' directions.  With the plane on, the series are in its
// metres and axes already: factors 1, angle 0, both axes direct.
struct TMeasureFrame {
  double kx = -1.0, ky = -1.0;
  double angle = 0.0;
  bool directX = true, directY = true;
};

class TData : public IMarkingHost, public IHistoryOwner {
 public:
  TData(IVideoView& view, TUserDlg& dialog, const TGraphUtils& graphUtils,
        TMarkingSettings settings = {});
  ~TData() override;
  TData(const TData&) = delete;
  TData& operator=(const TData&) = delete;

  // ------------------------------------------------------------ wiring
  // Raised on every change that makes computed results stale, with the set
  // concerned (rtActive: that of the marking mode active when it is heard).
  TSignal<TResultsTarget> OnResultsInvalidated;
  // The montage's time shift of a file index (identity when unset).
  std::function<int32_t(int32_t)> TimeShift;
  // The time of a file image in seconds, its time shift included, when the
  // times come from the video file's own timestamps; nothing (or unset) when
  // times are counted in images, as time index x T.
  std::function<std::optional<double>(int32_t)> FileTime;

  // Each with any number of listeners (the view's host, the windows).
  TNotifyEvent OnAxesChanged;
  TNotifyEvent OnMarkColorChanged;
  TNotifyEvent OnScaleChanged;
  TNotifyEvent OnScaleKindChanged;
  TNotifyEvent OnMarksChanged;
  TNotifyEvent OnSystemsCountChanged;
  TNotifyEvent OnToolChanged;
  // The layer was dropped at a new place, sent back, changed by a key,
  // restored by an undo or recomputed after a forgotten image.
  TNotifyEvent OnLayerChanged;
  // The time between two images changed.
  TNotifyEvent OnDurationChanged;
  // A system was given a name (the names and colours dialog).
  TNotifyEvent OnNamesChanged;
  // A command changed what the picture shows beyond the events above: how
  // marks are drawn and numbered, element size, axis directions, scale
  // lengths, marks per image, images between two marks, an erasing or an
  // undo.  Raised once per command.
  TNotifyEvent OnChange;

  // ------------------------------------------------------------ lifecycle and tool
  void Reset();
  TOutil Tool() const { return tool_; }
  void SetTool(TOutil t);
  void CancelGesture();
  void ApplyOptions(const TMarkingSettings& settings);
  const TMarkingSettings& Settings() const { return settings_; }

  // ------------------------------------------------------------ input
  // button 0 left, 1 right; ctrl: the Ctrl key is held; view pixels.
  void MouseDown(int button, bool ctrl, int x, int y);
  void MouseMove(bool ctrl, int x, int y);
  void MouseUp(int button, bool ctrl, int x, int y);
  void KeyDown(int key, bool ctrl);
  void Paint(Canvas& canvas) const;
  // The plane's grid over the picture (plane calibration on).
  void DrawPlaneGrid(Canvas& canvas) const;
  void UpdateScreenPositions();
  std::string ToolCursor() const;

  // ------------------------------------------------------------ queries
  TSeries GetSeries() const;
  // The file image of each row of GetSeries (its marked images in time
  // order).
  std::vector<int32_t> SeriesImages() const;
  // The scale's metres per picture width and height, its segments measured
  // on the lens-corrected picture when the lens correction is on.
  // The time of each file image from `first` to `last` on the clock of
  // GetSeries (its first row at 0): from the file's timestamps when the
  // series takes its times from them, else time index x T.  Empty when
  // nothing is marked; NaN for an image the file gives no time for.
  std::vector<double> ImageTimes(int32_t first, int32_t last) const;
  std::pair<double, double> GetScaleFactors() const;
  TMeasureFrame MeasureFrame() const;
  double XAxisAngle() const;
  bool DirectXAxisDirection() const;
  bool DirectYAxisDirection() const;
  TPictureCoord OriginPosition() const;
  int32_t OriginePointsNumber() const;
  int32_t MarksNumberPerFrame() const;
  int32_t CurrentMarkOrderNumber() const;
  int32_t MarksCount() const { return ActiveMarks().MarksCount(); }
  int32_t MinMarksPerSystem() const { return ActiveMarks().MinMarksPerSystem(); }
  int32_t MarksCountOnImage(int n) const;
  int32_t LastMarkedImage() const { return ActiveMarks().LastMarkedImage(); }
  std::string SystemName(int i) const { return ActiveMarks().SystemName(i); }
  void SetSystemName(int i, const std::string& name);
  bool HasDefaultSystemNames() const { return ActiveMarks().HasDefaultNames(); }
  const std::vector<TColor>& MarkColors() const { return markColors_; }
  void SetMarkColor(int i, TColor c);
  bool IsScaleComplete() const { return scale_->IsScaleComplete(); }
  bool IsGeneralScaleComplete() const { return scale_->IsGeneralComplete(); }
  bool IsHorizScaleComplete() const { return scale_->IsHorizComplete(); }
  bool IsVertScaleComplete() const { return scale_->IsVertComplete(); }
  bool IsGestureInProgress() const { return ActiveMarks().IsGestureInProgress(); }
  // A mark, the origin, a scale end or the layer follows the pointer.
  bool IsDragUnderway() const;
  int32_t FramesNumberBetweenTwoMarks() const override { return framesBetween_; }
  double RequiredDuration() const { return requiredDuration_; }
  bool IsLayerActive() const { return view_.Mode() == vmTransparent; }

  // ------------------------------------------------------------ settings
  void SetMarksNumberPerFrame(int n);
  void SetCurrentMarkOrderNumber(int s) { ActiveMarks().SetCurrentSystem(s); }
  void SetMarksIsAllDrawn(bool b);
  void SetMarksNumberToDraw(int n);
  void SetMarksNumberPosition(TNumberPosition p);
  void SetDirectXAxisDirection(bool b);
  void SetDirectYAxisDirection(bool b);
  void SetXAxisAngle(double a);
  void SetScaleKind(TScaleKind k);
  void SetScaleLength(double l);
  void SetScaleHorizLength(double l);
  void SetScaleVertLength(double l);
  void SetFramesNumberBetweenTwoMarks(int n);
  void SetRequiredDuration(double d);
  // Standard uncertainties of a mark's position in video pixels: a click
  // ("Incertitude de pointage", 1 by default) and a tracked mark (0.5,
  // three times on an image the tracker flagged uncertain).  Kept in the
  // document; a change invalidates both result sets.
  double PointingUncertainty() const { return pointingUncertainty_; }
  double TrackingUncertainty() const { return trackingUncertainty_; }
  void SetPointingUncertainty(double pixels);
  void SetTrackingUncertainty(double pixels);
  // The models drawn over the picture ("Modèles sur la vidéo"), kept in
  // the document; off in a new analysis.
  bool ModelsShown() const { return modelsShown_; }
  void SetModelsShown(bool on);
  // The tracker of the analysis's tracking runs, kept in the document.
  TTrackingMethod TrackingMethod() const { return trackingMethod_; }
  void SetTrackingMethod(TTrackingMethod m);
  // The uncertainty of one mark, in pixels.
  double MarkUncertainty(const TMarque& m) const;
  // Relative standard uncertainty of the scale factors from its points
  // placed with the pointing uncertainty (0 while the scale is incomplete).
  double ScaleRelativeUncertainty() const;
  // The lens correction and the plane calibration applied to every measured
  // position (see measure_map.h).  Kept in the document; a change
  // invalidates both result sets.
  const TMeasureCalibration& Calibration() const { return calibration_.value; }
  void SetCalibration(const TMeasureCalibration& c);
  // The same as a command of the user: undoable.
  void ChangeCalibration(const TMeasureCalibration& c);
  // The map of the calibration for the video's picture.
  TMeasureMap MeasureMap() const;
  // The colour of the axes, the layer and the scale (OnMarkColorChanged).
  void SetElementColor(TColor c);
  void SetElementSize(int s);

  // ------------------------------------------------------------ erasing
  void DeleteMark(TMarque* mark);
  void EraseScale();
  void EraseMarks();
  void EraseMarksOfImage(int n);
  void EraseOrigin();
  void EraseAll();
  void ForgetImage(int n);

  // ------------------------------------------------------------ undo
  THistorique& ActiveHistory() override;
  void Undo();
  std::string UndoCaption();
  THistObject* FindObject(int32_t id) override;
  void AfterUndo(THistObject& live, THistAction action) override;
  void AfterUndoDeletion(std::unique_ptr<THistObject> restored, THistAction action) override;
  THistorique& GridHistory() { return *histories_[0]; }
  THistorique& LayerHistory() { return *histories_[1]; }
  THistorique& ScaleHistory() { return *histories_[2]; }
  THistorique& OriginHistory() { return *histories_[3]; }

  // ------------------------------------------------------------ tracking
  // positions[s][j] on image images[s][j] (negative: none) for system s:
  // Grid marks created or moved, one undo group, announced as one change of
  // the marks.
  // `uncertain[s][j]`, when given, flags the positions the tracker was not
  // sure of; the marks keep it for their uncertainty.
  void ApplyTrackedPositions(const std::vector<std::vector<TPictureCoord>>& positions,
                             const std::vector<std::vector<int32_t>>& images,
                             const std::vector<std::vector<bool>>& uncertain = {});

  // ------------------------------------------------------------ parts
  TRepereFixe& Fixed() { return *fixed_; }
  const TRepereFixe& Fixed() const { return *fixed_; }
  TTransparent& Layer() { return *layer_; }
  const TTransparent& Layer() const { return *layer_; }
  TEchelle& Scale() { return *scale_; }
  const TEchelle& Scale() const { return *scale_; }
  TPolyMarqueImgRep& GridMarks() { return *gridMarks_; }
  const TPolyMarqueImgRep& GridMarks() const { return *gridMarks_; }
  TPolyMarqueImgTsp& LayerMarks() { return *layerMarks_; }
  const TPolyMarqueImgTsp& LayerMarks() const { return *layerMarks_; }
  TPolyContainer& ActiveMarks();
  const TPolyContainer& ActiveMarks() const;
  TRepere& ActiveFrame();

  // ------------------------------------------------------------ IMarkingHost
  IVideoView& View() override { return view_; }
  void InvalidateActiveResults() override { Invalidate(rtActive); }
  void InvalidateAllResults() override { Invalidate(rtBoth); }
  void AxesChanged() override { OnAxesChanged(this); }
  TColor ElementColor() const override { return elementColor_; }
  int ElementSize() const override { return settings_.elementSize; }
  TColor MarkColor(int system) const override;
  const TGraphUtils& GraphUtils() const override { return graphUtils_; }
  bool NumberFromZero() const override { return settings_.numberFromZero; }
  TUserDlg& Dialog() override { return dialog_; }
  void MarksChanged() override { OnMarksChanged(this); }
  void SystemsCountChanged() override { OnSystemsCountChanged(this); }
  void EnsureMarkColors(int n) override;

 private:
  // The marked containers of the active set, their time indexes from the
  // lowest, and the order of the rows (by time index, ties in set order).
  struct TMarkedOrder {
    std::vector<const TContainer*> marked;
    std::vector<int64_t> index;
    std::vector<std::size_t> order;
  };
  TMarkedOrder MarkedInTimeOrder() const;
  void Invalidate(TResultsTarget t) { OnResultsInvalidated(t); }
  // Raises OnChange, once for the outermost command when commands nest
  // (EraseAll erases the scale, the marks and the origin).
  class ChangeScope {
   public:
    explicit ChangeScope(TData& d) : d_(d) { ++d_.changeDepth_; }
    ~ChangeScope() {
      if (--d_.changeDepth_ == 0) d_.OnChange(&d_);
    }
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;

   private:
    TData& d_;
  };
  bool PressAllowed() const;
  void EraseToolRelease();
  TPolyContainer* SetOfTool();
  void LayerMoved();

  IVideoView& view_;
  TUserDlg& dialog_;
  const TGraphUtils& graphUtils_;
  TMarkingSettings settings_;

  int changeDepth_ = 0;
  int32_t framesBetween_ = 1;
  double requiredDuration_ = 0;
  double pointingUncertainty_ = 1.0;
  double trackingUncertainty_ = 0.5;
  TTrackingMethod trackingMethod_ = tmColour;
  // The calibration as an undoable object: its snapshots keep the former
  // settings.
  class TCalibrationRecord : public THistObject {
   public:
    TCalibrationRecord() : THistObject(hkEtalonnage) {}
    TMeasureCalibration value;
    void Assign(const THistObject& source) override;
    bool Equals(const THistObject& other) const override;
    std::unique_ptr<THistObject> NewSnapshot() const override {
      return std::make_unique<TCalibrationRecord>();
    }
  };
  TCalibrationRecord calibration_;
  bool modelsShown_ = false;
  TOutil tool_ = otMarque;
  TColor elementColor_ = 65535;
  std::vector<TColor> markColors_;

  // Created in this order, destroyed in the reverse one.
  std::array<std::unique_ptr<THistorique>, 4> histories_;
  std::unique_ptr<TRepereFixe> fixed_;
  std::unique_ptr<TTransparent> layer_;
  std::unique_ptr<TEchelle> scale_;
  std::unique_ptr<TPolyMarqueImgRep> gridMarks_;
  std::unique_ptr<TPolyMarqueImgTsp> layerMarks_;
  TConnections layerLinks_;
};

}  // namespace kinevo
