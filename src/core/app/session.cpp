#include "core/app/session.h"

#include <filesystem>
#include <optional>

#include "core/app/document_open.h"
#include "core/common/text_encoding.h"
#include "core/document/kvo.h"
#include "core/document/marking_document.h"

namespace kinevo {

namespace {

// A truncated document opens with what it holds; the user is told how
// much of what it announced is missing.
void TellUnreadMarks(TUserDlg& dialog, const TUnreadMarks& unread) {
  std::vector<std::string> lines;
  if (unread.marks > 0 || unread.containers > 0) lines.push_back("Le fichier est incomplet.");
  if (unread.marks > 0)
    lines.push_back(std::to_string(unread.marks) + (unread.marks == 1
                                                        ? " marque n'a pas pu être lue."
                                                        : " marques n'ont pas pu être lues."));
  if (unread.containers > 0)
    lines.push_back(std::to_string(unread.containers) +
                    (unread.containers == 1 ? " image marquée n'a pas pu être lue."
                                            : " images marquées n'ont pas pu être lues."));
  if (unread.notFinite > 0)
    lines.push_back(std::to_string(unread.notFinite) +
                    (unread.notFinite == 1
                         ? " marque dont la position n'est pas un nombre a été écartée."
                         : " marques dont la position n'est pas un nombre ont été écartées."));
  lines.push_back("Les marques lues sont ouvertes.");
  dialog.Show(icWarning, {{"Ok", btOk}}, lines);
}

}  // namespace

TSession::TSession(TFrameSourceSet sources, std::string settingsPath, IUserDlgPresenter* presenter)
    : Dialog(presenter),
      Options(std::move(settingsPath), &Dialog),
      Settings(Options.FileName()),
      Video(std::move(sources.vfw), std::move(sources.ds), std::move(sources.ffmpeg)),
      Montage(Video, Dialog),
      Data(Video, Dialog, GraphUtils),
      Recorder(Video, Montage, Dialog),
      DynamicTracks(Dynamics,
                    [this]() -> const TCalcul* {
                      return results_->IsStale(rtActive) ? nullptr : &results_->Active();
                    }),
      bridge_(&Video.Sources().Bridge()),
      markingClient_(*this),
      modelOverlay_(Data, ModelTracks) {
  resultsSource_ = std::make_unique<TMarkingResultsSource>(Data, Video);
  results_ = std::make_unique<TResCalc>(*resultsSource_);
  resultsPtr_ = results_.get();
  formulaTable_ = std::make_unique<ActiveFormulaTable>(resultsPtr_, Data);
  Formulas.SetTable(formulaTable_.get());
  Formulas.SetDialog(&Dialog);
  workflow_ = std::make_unique<TFileWorkflow>(*this, Dialog, fileDialogs_, Options, Recent);

  // The results listen to the marking and the montage like any other window.
  links_ +=
      Data.OnResultsInvalidated.Connect([this](TResultsTarget t) { results_->Invalidate(t); });
  Data.TimeShift = [this](int32_t i) { return Montage.TimeShift(i); };
  Data.FileTime = [this](int32_t i) {
    return Video.FileImageTime(i, Montage.TimeShift(i), Data.RequiredDuration());
  };
  Montage.FileTime = Data.FileTime;

  Montage.ForgetImage = [this](int n) { Data.ForgetImage(n); };
  Montage.ImageHasMarks = [this](int n) { return Data.MarksCountOnImage(n) > 0; };
  links_ += Montage.OnResultsInvalidated.Connect([this] { results_->Invalidate(rtBoth); });
  Montage.RequiredDuration = [this] { return Data.RequiredDuration(); };
  Montage.AdviceAllowed = [this] { return Options.CheckBox40ShowDialogBoxForHideImage; };

  Video.Montage = &Montage;
  Video.Marking = &markingClient_;
  // The marking takes the tool of each mode; a montage recording keeps the
  // montage mode until it ends.
  links_ += Video.AddModeHandlers({
      .MayChange =
          [this](TVideoMode from, TVideoMode to) {
            return from != vmMontage || to == vmMontage || !Recorder.Busy();
          },
      .Enter =
          [this](TVideoMode to) {
            Data.SetTool(MarkingToolOf(to));
            return true;
          },
  });

  Recorder.DrawCurrent = [this](Image& full) { return Video.DrawCurrentImage(full); };
  Recorder.VideoRate = [this] { return Video.ImageRate(); };
  Recorder.InputFiles = [this] {
    return std::vector<std::string>{Video.FileName(), workflow_->DocumentName()};
  };
  Recorder.SetWaiting = [this](bool on) { Video.SetWaiting(on); };
  // New videos go where the last file was opened, else beside the video.
  Recorder.RecentFolder = [this] {
    if (!Recent.Directory.empty() || !Video.IsOpen()) return Recent.Directory;
    return std::filesystem::path(Video.FileName()).parent_path().string();
  };
  Recorder.Settings = &Settings;
  // Once the user cancelled, every back-end the chain falls back to is
  // cancelled too.
  for (TVideoFramework fw : {fwVfw, fwDS, fwFFMpeg})
    Video.Sources().Source(fw).OnProgress = [this](double fraction) {
      if (openCancelled_) return false;
      if (OpenProgress && !OpenProgress(fraction)) openCancelled_ = true;
      return !openCancelled_;
    };
  Wire();
  Recent.SetMaxEntries(static_cast<uint8_t>(Options.MRUCapacity()));
  ApplyOptions();
}

TSession::~TSession() {
  Video.StopPlay();
  // The view must not call back into objects being destroyed.
  Video.Marking = nullptr;
  Video.Montage = nullptr;
  links_.DisconnectAll();
}

void TSession::Wire() {
  links_ += Video.OnVideoOpen.Connect([this](void*) { VideoOpened(); });
  links_ += Video.OnVideoClose.Connect([this](void*) { OnVideoClosed(this); });
  links_ += Options.OnChange.Connect([this](void*) { ApplyOptions(); });
  links_ += Options.OnResultsInvalidated.Connect([this](void*) { results_->Invalidate(rtBoth); });
  links_ += Formulas.OnSwitchesChanged.Connect([this] { results_->Invalidate(rtBoth); });
  // The view shows the marking data.
  auto repaint = [this](void*) { Video.Repaint(); };
  links_ += Data.OnChange.Connect(repaint);
  // A change of the lens correction changes the corrected picture shown.
  links_ += Data.OnChange.Connect([this](void*) { ApplyPictureWarp(); });
  // The models over the picture: the curve models are one source.
  links_ += ModelTracks.AddSource(CurveModels);
  links_ += CurveModels.OnChange.Connect([this] { ModelTracks.Changed(); });
  links_ += ModelTracks.AddSource(DynamicTracks);
  links_ += Dynamics.OnChange.Connect([this] { ModelTracks.Changed(); });
  // The dynamic model starts from an image found in the results: it shows
  // once they are computed.
  links_ += results_->OnComputed.Connect([this] {
    if (Dynamics.Setting().Defined()) ModelTracks.Changed();
  });
  links_ += ModelTracks.OnChange.Connect([this] {
    if (Data.ModelsShown()) Video.Repaint();
  });
  links_ += Data.OnMarkColorChanged.Connect(repaint);
  links_ += Data.OnSystemsCountChanged.Connect(repaint);
  // Choosing a marking tool ends the view's pointer tool.
  links_ += Data.OnToolChanged.Connect([this](void*) {
    if (Video.Tool() != vtNone) Video.SetTool(vtNone);
    Video.UpdateCursor();
    Video.Repaint();
  });
  WireWorkChanges();
  WireCommandChanges();
}

void TSession::WireCommandChanges() {
  auto changed = [this](void*) { OnCommandsChanged(); };
  for (TNotifyEvent* e :
       {&Data.OnChange, &Data.OnMarksChanged, &Data.OnToolChanged, &Data.OnScaleChanged,
        &Data.OnScaleKindChanged, &Data.OnAxesChanged, &Data.OnLayerChanged,
        &Data.OnSystemsCountChanged, &Data.OnDurationChanged, &Video.OnModeChange,
        &Video.OnModeRefused, &Video.OnToolChange, &Montage.OnChange, &Options.OnChange,
        &Recent.OnMenuChanged, &OnVideoOpened, &OnVideoClosed, &OnWindowStateChanged})
    links_ += e->Connect(changed);
  // In montage mode the image shown may be hidden, which its toggle shows.
  links_ += Video.OnImageChange.Connect([this](void*) {
    if (Video.IsMontage()) OnCommandsChanged();
  });
}

// "Changed" means that what Save would write differs.  The marks are
// placed, moved and erased one at a time, and each such event is a change:
// comparing the mark tables at every click would cost too much on a long
// analysis.  The rest of the document (scale, frames, layer, time base,
// montage, names, colours, formulas, the options it keeps) is compared
// instead, after any event of a model, any press, release or key on the
// picture and any command of the main window: whatever window caused it, a
// difference from the content kept is a change.  A command that changes
// nothing, or only where the user stands, leaves the work as it was.
void TSession::WireWorkChanges() {
  links_ += Data.OnMarksChanged.Connect([this](void*) { WorkChanged(); });
  auto compare = [this](void*) { CheckWork(); };
  for (TNotifyEvent* e :
       {&Data.OnChange, &Data.OnScaleChanged, &Data.OnScaleKindChanged, &Data.OnAxesChanged,
        &Data.OnLayerChanged, &Data.OnMarkColorChanged, &Data.OnSystemsCountChanged,
        &Data.OnDurationChanged, &Data.OnNamesChanged, &Montage.OnChange})
    links_ += e->Connect(compare);
  links_ += Formulas.OnChange.Connect([this] { CheckWork(); });
  links_ += Dynamics.OnChange.Connect([this] { CheckWork(); });
  // The workflow ends every opening and closing with the new window state.
  links_ += Video.OnVideoOpen.Connect([this](void*) { opening_ = true; });
  links_ += OnWindowStateChanged.Connect([this](void*) { opening_ = false; });
}

void TSession::WorkChanged() {
  if (opening_ || !Video.IsOpen()) return;
  workflow_->NoteChange();
  OnWorkChanged();
}

std::string TSession::WorkContent() {
  TIniFile ini;
  ini.SaveWholeOnly();
  WriteDocument(ini, false);
  // Where the user stands is no work of theirs: the image shown, the
  // marking mode, the system whose mark comes next, where the layer lies
  // (it goes back to its place when Layer marking starts) and its gesture.
  static constexpr std::pair<const char*, const char*> kPlace[] = {
      {"Video", "ImageNumber"},
      {"Video", "MarkingMode"},
      {"Data", "CurrentMarkOrderNumber_Grid"},
      {"Data", "CurrentMarkOrderNumber_Layer"},
      {"Data", "OrigineCurrentXCoordinate_Layer"},
      {"Data", "OrigineCurrentYCoordinate_Layer"},
      {"Data", "LayerStage"}};
  for (const auto& [section, key] : kPlace) ini.DeleteKey(section, key);
  return ini.Text();
}

void TSession::KeepWorkContent() {
  content_ = Video.IsOpen() ? WorkContent() : std::string();
  montage_ = {Montage.Visible(), Montage.TimeShifts()};
}

void TSession::CheckWork() {
  if (opening_ || !Video.IsOpen()) return;
  std::string content = WorkContent();
  if (content == content_ && Montage.Visible() == montage_.visible &&
      Montage.TimeShifts() == montage_.shifts)
    return;
  content_ = std::move(content);
  montage_ = {Montage.Visible(), Montage.TimeShifts()};
  WorkChanged();
}

void TSession::CommandDone() {
  CheckWork();
  OnCommandsChanged();
}

void TSession::ApplyOptions() {
  TMarkingSettings m = Data.Settings();
  m.separateScales = Options.CheckBox41HorizAndVertScale;
  m.numberFromZero = Options.CheckBox36StartByZero;
  m.elementSize = Options.PenSize_Value;  // "Taille des dessins sur la vidéo"
  Data.ApplyOptions(m);
  int flags = 0;
  if (Options.CheckBox54SmoothSpeed) flags |= TCalcul::kSmoothSpeed;
  if (Options.CheckBox7SmoothAcceleration) flags |= TCalcul::kSmoothAcceleration;
  results_->SetSmoothingFlags(flags);
  TResultsOptions ro = results_->Options();
  ro.hideEdgeSpeed = Options.CheckBox30HideEdgeV;
  ro.hideEdgeAcceleration = Options.CheckBox31HideEdgeA;
  ro.startByZero = Options.CheckBox36StartByZero;
  results_->SetOptions(ro);
  TFormulaSettings fs;
  fs.speeds = Options.CheckBox9Speed;
  fs.accelerations = Options.CheckBox8Acceleration;
  fs.polar = Options.CheckBox53PolarQuantities;
  fs.startByZero = Options.CheckBox36StartByZero;
  fs.radians = Options.CheckBox32AngleRadian;
  Formulas.SetSettings(fs);
}

bool TSession::UpdateResults(bool derivatives) {
  if (!results_->Update(derivatives)) return false;
  Formulas.ComputeAll();
  return true;
}

bool TSession::ActiveFormulaTable::HasValue(int32_t q, int32_t s, int32_t row) const {
  const TCalcul& c = Calc();
  if (!c.IsMarked(s, row)) return false;
  // Speeds, accelerations and polar quantities exist once derived.
  return q == qtX || q == qtY || c.HasDerivatives();
}

double TSession::ActiveFormulaTable::Value(int32_t q, int32_t s, int32_t row) const {
  return Calc().Value(cfAxes, s, q, row);
}

TOutil TSession::MarkingToolOf(TVideoMode mode) const {
  switch (mode) {
    case vmTransparent:
      return otTsp;
    case vmRepereFixe:
      return Video.IsOpen() ? otMarque : otNone;
    default:  // tracking, montage, capture
      return otNone;
  }
}

void TSession::ShowCorrectedPicture(bool shown) {
  correctedShown_ = shown;
  ApplyPictureWarp();
}

void TSession::ApplyPictureWarp() {
  const TLensSetting& lens = Data.Calibration().lens;
  const bool on = correctedShown_ && lens.on && Video.IsOpen();
  const int w = Video.ImageWidth(), h = Video.ImageHeight();
  if (!on) {
    if (Video.Warped()) Video.SetWarp(nullptr);
    return;
  }
  if (Video.Warped() && lens == warpLens_ && w == warpWidth_ && h == warpHeight_) return;
  warpLens_ = lens;
  warpWidth_ = w;
  warpHeight_ = h;
  TMeasureCalibration c;
  c.lens = lens;
  Video.SetWarp(std::make_shared<TLensWarp>(TMeasureMap(c, w, h)));
}

void TSession::VideoOpened() {
  correctedShown_ = false;
  Video.SetWarp(nullptr);
  // A new video: a new analysis, whose time between images is the file's
  // (that of its capture rate for a slow-motion video).
  const double t = Video.DefaultDuration();
  Data.Reset();
  Data.SetRequiredDuration(t);
  CurveModels.Clear();
  Formulas.Clear();
  Dynamics.Clear();
  results_->Invalidate(rtBoth);
  OnVideoOpened(this);
}

bool TSession::OpenVideo(const std::string& path) {
  openCancelled_ = false;
  Video.OpenVideo(path);
  OpenFinished();
  return Video.IsOpen();
}

void TSession::CloseVideo() {
  StopActivities();
  Video.OpenVideo("");
  Video.SetMode(vmRepereFixe);
  Data.Reset();
  CurveModels.Clear();
  results_->Invalidate(rtBoth);
}

void TSession::StopActivities() { Video.StopPlay(); }

bool TSession::BridgeAvailable() const { return bridge_->LoadBridgeLibrary(); }

TStatus TSession::ReadDocument(TIniFile& ini) {
  TUnreadMarks unread;
  if (TStatus marking = LoadMarkingData(Data, ini, &unread); !marking) return marking;
  if (unread.Any()) TellUnreadMarks(Dialog, unread);
  Video.LoadFromDocument(ini);
  Montage.LoadFromDocument(ini);
  Formulas.Load(ini);
  Dynamics.Load(ini);
  Data.UpdateScreenPositions();
  results_->Invalidate(rtBoth);
  return {};
}

void TSession::WriteDocument(TIniFile& ini) { WriteDocument(ini, true); }

void TSession::WriteDocument(TIniFile& ini, bool withImageTables) {
  SaveMarkingData(Data, ini, withImageTables);
  Video.StoreInDocument(ini);
  if (withImageTables) Montage.StoreInDocument(ini);
  Formulas.Save(ini);
  Dynamics.Save(ini);
}

TStatus TSession::LoadDocumentQuietly(const std::string& path, const std::string& videoOverride) {
  TKvo kvo;
  TDocumentOpenOptions how;
  how.video = videoOverride;
  how.dialog = &Dialog;
  const TResult<TDocumentOpening> opened = OpenDocumentFile(*this, kvo, path, how);
  if (!opened) return opened.error();
  if (opened->cancelled) return Fail(kDocumentOpenFailure, "ouverture annulée");
  return {};
}

// ---------------------------------------------------------------- marking client

void TSession::MarkingClient::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  data_.MouseDown(b == mbRight ? 1 : 0, s.ctrl, x, y);
  GestureStep();
}
void TSession::MarkingClient::Paint(Canvas& canvas) {
  // The models under the marks: a mark on its ghost stays readable.
  session_.modelOverlay_.Paint(canvas);
  data_.Paint(canvas);
}
void TSession::MarkingClient::MouseMove(TShiftState s, int x, int y) {
  data_.MouseMove(s.ctrl, x, y);
}
void TSession::MarkingClient::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  data_.MouseUp(b == mbRight ? 1 : 0, s.ctrl, x, y);
  GestureStep();
}
void TSession::MarkingClient::KeyDown(int& key, TShiftState s) {
  data_.KeyDown(key, s.ctrl);
  GestureStep();
}
void TSession::MarkingClient::GestureStep() {
  // A gesture may begin or end an undo step without an event of its own.
  session_.CheckWork();
  session_.OnCommandsChanged();
}

}  // namespace kinevo
