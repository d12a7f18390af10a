#pragma once
// One analysis session: every long-lived object of the program (settings,
// recent files, palette, message dialog, video view with its three frame
// sources, montage, marking data, results, formulas, document workflow),
// created in order, wired to each other by reference, and destroyed in the
// reverse order.  The Qt main window owns one; kinevo-cli and the tests
// create their own.
//
// Every notification has any number of listeners.  The session listens to
// the view's OnVideoOpen and OnVideoClose (they reset the model); a window
// rather listens to OnVideoOpened, OnVideoClosed and OnWindowStateChanged
// below, which come after that reset.  The session also repaints the view
// whenever the marking data changes what the picture shows, so a window
// never repaints after calling a setter.
#include <memory>
#include <string>

#include "core/app/file_workflow.h"
#include "core/common/palette.h"
#include "core/common/settings_file.h"
#include "core/common/user_dialog.h"
#include "core/document/mru_files.h"
#include "core/document/options.h"
#include "core/dynamics/dynamic_setup.h"
#include "core/formulas/user_formulas.h"
#include "core/marking/marking_data.h"
#include "core/montage/montage.h"
#include "core/montage/montage_tables.h"
#include "core/montage/record_montage.h"
#include "core/results/marking_source.h"
#include "core/results/model_tracks.h"
#include "core/results/results_calc.h"
#include "core/video/video.h"

namespace kinevo {

// The three back-ends the view chooses among, made by the platform layer.
struct TFrameSourceSet {
  std::unique_ptr<TFrameSource> vfw;
  std::unique_ptr<TFrameSource> ds;
  std::unique_ptr<TBridgeFrameSource> ffmpeg;
};

class TSession : public IWorkspace {
 public:
  // `settingsPath` empty: defaults, nothing written.  `presenter` shows the
  // message dialog (a Qt window, a scripted answerer, or null for none).
  TSession(TFrameSourceSet sources, std::string settingsPath,
           IUserDlgPresenter* presenter = nullptr);
  ~TSession() override;
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  // Creation order; destruction runs backwards.
  TUserDlg Dialog;
  TOptions Options;
  // The settings file as the other owners of settings reach it.
  TSettingsFile Settings;
  TMRUFiles Recent;
  TGraphUtils GraphUtils;
  TVideo Video;
  TMontage Montage;
  TData Data;
  TFormules Formulas;
  // The dynamic model of the analysis (kept in the document).
  TDynamicSetup Dynamics;
  // The montage recording; the platform layer installs its back-ends.
  TRecordMontage Recorder;
  // The last curve models fitted to x(t) and y(t) of each system (the
  // results window keeps it), and every source of models drawn over the
  // picture when "Modèles sur la vidéo" is on: a new source registers with
  // ModelTracks.AddSource and calls ModelTracks.Changed() when it changes.
  TCurveModelRecord CurveModels;
  TModelTrackSet ModelTracks;
  // The dynamic model, the other source of the tracks.
  TDynamicTrackSource DynamicTracks;

  // The view shows the picture straightened by the lens correction (while
  // the correction is on); not kept in the document.
  bool CorrectedPictureShown() const { return correctedShown_; }
  void ShowCorrectedPicture(bool shown);

  TResCalc& Results() { return *results_; }
  const IResultsSource& ResultsSource() const { return *resultsSource_; }
  TFileWorkflow& Workflow() { return *workflow_; }
  // The open and save dialogs (the window's, or a test's); unset, every
  // dialog answers "cancelled".
  void SetFileDialogs(IFileDialogs* dialogs) { fileDialogs_.target = dialogs; }

  // Brings the results of the active marking mode up to date (with the
  // derivatives when asked), then the user formulas over them.  False when
  // the computation failed; Results().LastCode() tells why.
  bool UpdateResults(bool derivatives);

  // Applies the settings to the marking data and the results (called at
  // start-up and whenever the options dialog changed them).
  void ApplyOptions();

  // After a command or an event that may have changed the work: counts a
  // change (OnWorkChanged) when what Save would write differs from what was
  // kept at the last check.  The models' events call it; the window calls
  // it after each of its commands as well, so that no command is missed.
  void CheckWork();
  // After a command of a window: compares the work (CheckWork) and raises
  // OnCommandsChanged, for what the command changed without an event of its
  // own (the magnifier shown, the picture hidden ...).
  void CommandDone();

  // Reads a document and its video without asking anything (for the
  // command line), as the window opens it: `videoOverride` replaces the
  // stored video path when not empty.  A failure is the program's message
  // with its cause.
  TStatus LoadDocumentQuietly(const std::string& path, const std::string& videoOverride);

  // Progress of the opening of a video (building the index of a long file
  // takes a while): called with the fraction done, answers false to cancel.
  // OpenFinished is raised when the opening ended, opened or not.
  std::function<bool(double fraction)> OpenProgress;
  TSignal<> OpenFinished;

  TNotifyEvent OnVideoOpened;
  TNotifyEvent OnVideoClosed;
  TNotifyEvent OnWindowStateChanged;
  // The work changed: what Save would write differs from what it would have
  // written before (marks, scale, origin and axes, layer, time base,
  // montage, names and colours, formulas and constants, the drawing options
  // kept in the document), whatever window the command came from.  Not
  // raised while a video or a document is being read, nor for where the
  // user stands (the image shown, the marking mode, the system whose mark
  // comes next).
  TSignal<> OnWorkChanged;
  // What the commands offer may have changed: the state they are computed
  // from (the mode and tools, marks, scale, axes, the undo step, the montage
  // and its image shown, the options, the recent files, the video opened or
  // closed).  Raised after the models' own events and after each press,
  // release or key on the marking; a window showing commands follows this
  // one signal.
  TSignal<> OnCommandsChanged;

  // ------------------------------------------------------------ IWorkspace
  bool VideoOpen() const override { return Video.IsOpen(); }
  std::string VideoFileName() const override {
    return Video.IsOpen() ? Video.FileName() : std::string();
  }
  bool OpenVideo(const std::string& path) override;
  bool OpenCancelled() const override { return openCancelled_; }
  std::string VideoOpenError() const override { return Video.OpenError(); }
  void CloseVideo() override;
  void StopActivities() override;
  bool MontageRecording() const override { return Recorder.Busy(); }
  bool BridgeAvailable() const override;
  TStatus ReadDocument(TIniFile& ini) override;
  void WriteDocument(TIniFile& ini) override;
  // Without the per-image tables (mark containers, montage), for a copy
  // that writes them apart (the crash recovery): writing them on the window
  // thread would hold it for tens of milliseconds on a long video.
  void WriteDocument(TIniFile& ini, bool withImageTables);
  void InvalidateAllResults() override { results_->Invalidate(rtBoth); }
  void WindowStateChanged() override { OnWindowStateChanged(this); }
  void WorkSaved() override { KeepWorkContent(); }

 private:
  // Routes the view's mouse, keys and painting to the marking data; a
  // press, a release or a key may end a gesture that changed the work.
  class MarkingClient : public IViewClient {
   public:
    explicit MarkingClient(TSession& session) : session_(session), data_(session.Data) {}
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseMove(TShiftState s, int x, int y) override;
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
    void KeyDown(int& key, TShiftState s) override;
    void Paint(Canvas& canvas) override;
    std::string CursorName() const override { return data_.ToolCursor(); }
    void RecomputeViewPositions() override { data_.UpdateScreenPositions(); }

   private:
    void GestureStep();
    TSession& session_;
    TData& data_;
  };
  // The results of the active marking mode, as the formulas read them.
  class ActiveFormulaTable : public IFormulaTable {
   public:
    ActiveFormulaTable(TResCalc*& results, TData& data) : results_(results), data_(data) {}
    int32_t RowCount() const override { return Calc().RowCount(); }
    int32_t SystemsCount() const override { return Calc().SystemsCount(); }
    double RowTime(int32_t row) const override { return Calc().RowTime(row); }
    bool HasValue(int32_t q, int32_t s, int32_t row) const override;
    double Value(int32_t q, int32_t s, int32_t row) const override;
    bool HasUncertainties() const override { return Calc().HasUncertainties(); }
    double Uncertainty(int32_t q, int32_t s, int32_t row) const override {
      return Calc().Uncertainty(cfAxes, s, q, row);
    }
    double AxisAngle() const override { return data_.XAxisAngle(); }

   private:
    const TCalcul& Calc() const { return results_->Active(); }
    TResCalc*& results_;
    TData& data_;
  };
  // Forwards to the dialogs set with SetFileDialogs.
  struct FileDialogsProxy : IFileDialogs {
    IFileDialogs* target = nullptr;
    std::string OpenFile(const TFileDialogRequest& r) override {
      return target != nullptr ? target->OpenFile(r) : std::string();
    }
    std::string SaveFile(const TFileDialogRequest& r) override {
      return target != nullptr ? target->SaveFile(r) : std::string();
    }
  };

  void VideoOpened();
  TOutil MarkingToolOf(TVideoMode mode) const;
  void Wire();
  void WireWorkChanges();
  // Gives the view the warp of the lens, or none, as the switch and the
  // correction say.
  void ApplyPictureWarp();
  bool correctedShown_ = false;
  TLensSetting warpLens_;
  int warpWidth_ = 0, warpHeight_ = 0;
  void WireCommandChanges();
  void WorkChanged();
  // What Save would write but the per-image tables and where the user
  // stands; the montage's tables beside it.
  std::string WorkContent();
  void KeepWorkContent();

  TBridgeFrameSource* bridge_;
  bool openCancelled_ = false;
  // From the view's OnVideoOpen to the new window state: reading, no change.
  bool opening_ = false;
  // The work as last kept (opened, saved or compared).
  std::string content_;
  TMontageTables montage_;
  MarkingClient markingClient_;
  TModelOverlay modelOverlay_;
  std::unique_ptr<TMarkingResultsSource> resultsSource_;
  std::unique_ptr<TResCalc> results_;
  TResCalc* resultsPtr_ = nullptr;
  std::unique_ptr<ActiveFormulaTable> formulaTable_;
  FileDialogsProxy fileDialogs_;
  std::unique_ptr<TFileWorkflow> workflow_;
  // Last, so the subscriptions end before anything they reach goes.
  TConnections links_;
};

}  // namespace kinevo
