#include "gui/app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "core/document/options.h"
#include "core/montage/missing_image_dialog.h"
#include "core/video/file_times.h"
#include "gui/app/cursor_pictures.h"
#include "gui/app/file_search_window.h"
#include "gui/app/properties_dialog.h"
#include "gui/app/recovery_keeper.h"
#include "gui/app/resources.h"
#include "gui/app/timing_notice.h"
#include "gui/capture/capture_ui.h"
#include "gui/common/file_dialogs_qt.h"
#include "gui/common/message_dialog.h"
#include "gui/common/value_dialog_qt.h"
#include "gui/common/window_placement.h"
#include "gui/document/options_dialog.h"
#include "gui/document/password_dialog.h"
#include "gui/formulas/calculator_window.h"
#include "gui/formulas/formula_tools.h"
#include "gui/marking/lens_dialog.h"
#include "gui/marking/names_colours_dialog.h"
#include "gui/marking/plane_dialog.h"
#include "gui/montage/group_dialog.h"
#include "gui/montage/missing_image_dialog.h"
#include "gui/montage/record_dialog.h"
#include "gui/results/results_form.h"
#include "gui/tracking/tracking_ui.h"
#include "gui/video/duration_dialog.h"
#include "gui/video/key_codes.h"
#include "gui/video/video_widget.h"
#include "platform/avi/vfw_play.h"
#include "platform/desktop/freedesktop_association.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"
#include "platform/ffmpeg/recorders.h"
#include "platform/qt/qpainter_canvas.h"

namespace kinevo::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

TFrameSourceSet MakeSources(const std::string& bridgeFolder) {
  TFrameSourceSet s;
  s.vfw = std::make_unique<TVfwPlay>();
  s.ds = std::make_unique<TDSPlay>();
  s.ffmpeg = std::make_unique<TFFMpegPlay>(bridgeFolder);
  return s;
}

}  // namespace

// ------------------------------------------------------------ MainWindow

MainWindow::MainWindow(const MainWindowSetup& setup, QWidget* parent) : QMainWindow(parent) {
  // The named cursors exist before any window.
  LoadResources();
  if (!NamedCursors::Registered()) NamedCursors::Register();
  setWindowTitle(QStringLiteral("Kinevo"));
  setMinimumSize(632, 452);
  setObjectName(QStringLiteral("MainForm"));

  IUserDlgPresenter* messages = setup.messages;
  if (messages == nullptr) {
    qtMessages_ = std::make_unique<TQtUserDlgPresenter>(this);
    messages = qtMessages_.get();
  }
  std::string settings = setup.settingsPath.empty() ? SettingsFilePath() : setup.settingsPath;
  session_ = std::make_unique<TSession>(MakeSources(setup.bridgeFolder), settings, messages);
  session_->Dialog.Title = "Kinevo";
  session_->Dialog.Font.name = "Arial";

  IFileDialogs* files = setup.files;
  if (files == nullptr) {
    qtFiles_ = std::make_unique<TQtFileDialogs>(this);
    files = qtFiles_.get();
  }
  session_->SetFileDialogs(files);

  IValueDialogPresenter* values = setup.values;
  if (values == nullptr) {
    qtValues_ = std::make_unique<TQtValueDialogPresenter>(this);
    values = qtValues_.get();
  }
  values_ = std::make_unique<TBoiteValeur>(session_->Dialog, values);
  values_->ContextProvider = [this] { return ValueContext(); };

  IPasswordPrompt* passwords = setup.passwords;
  if (passwords == nullptr) {
    qtPasswords_ = std::make_unique<TQtPasswordPrompt>(this);
    passwords = qtPasswords_.get();
  }
  session_->Options.SetPasswordPrompt(passwords);
  association_ = setup.association;
  if (association_ == nullptr) {
    ownAssociation_ = std::make_unique<TFreedesktopAssociation>();
    association_ = ownAssociation_.get();
  }

  // The time, instant and group dialogs live as long as the window.
  timeDialog_ = std::make_unique<TBoiteTemps>(session_->Dialog);
  timeDialog_->SetRequiredDuration = [this](double d) { session_->Data.SetRequiredDuration(d); };
  formulaTools_ = std::make_unique<TFormulaTools>(
      &session_->Settings, [this] { return session_->Options.CheckBox5ChangeFormulae; });
  KeepPlacement(formulaTools_->Calculator(), "Calculatrice", &session_->Settings, this);
  timeDialog_->ShowCalculator = [this] { formulaTools_->ShowCalculator(); };
  groupDialog_ = std::make_unique<TBoiteBasculer>(this);
  instantDialog_ = std::make_unique<TBoiteInstant>();
  instantDialog_->Caption = QString::fromUtf8(TMissingImageModel::kCaption);
  session_->Montage.GroupDialog = groupDialog_.get();
  // The montage recording: its back-ends, its dialogs and its progress window.
  InstallRecorders(session_->Recorder);
  recordWindows_ = std::make_unique<gui::TRecordWindows>(this);
  recordWindows_->Install(session_->Recorder);

  RunNamesDialog = [this] {
    NamesColoursDialog d(session_->Data, session_->GraphUtils, this);
    d.exec();
  };

  // The view keeps the picture's proportions, centred on a dark ground.
  centre_ = new QWidget(this);
  centre_->setObjectName(QStringLiteral("Centre"));
  centre_->setAutoFillBackground(true);
  QPalette ground = centre_->palette();
  ground.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
  centre_->setPalette(ground);
  centre_->installEventFilter(this);
  view_ = new VideoWidget(session_->Video, centre_);
  view_->CursorForName = [](const std::string& name) { return NamedCursors::Get(name); };
  view_->installEventFilter(this);
  // Above the picture, the warning about a video's irregular image times.
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  timingNotice_ = new TimingNotice(central);
  column->addWidget(timingNotice_);
  column->addWidget(centre_, 1);
  setCentralWidget(central);

  // The results window, hidden until a result button asks for a page.
  resForm_ = std::make_unique<TResForm>(*session_);
  KeepPlacement(*resForm_, "ResForm", &session_->Settings, this);
  resForm_->SetGraphCursors([](const std::string& name) { return NamedCursors::Get(name); });
  resForm_->ShowImage = [this](int image) { session_->Video.GoToImage(image); };
  resForm_->OpenTimeBetweenImages = [this] { AskDuration(); };
  resForm_->ShowCalculator = [this] { formulaTools_->ShowCalculator(); };
  links_ += resForm_->FormulasDialogCreated.Connect(
      [this](gui::TBoiteFormules& d) { formulaTools_->Attach(d); });
  // "Regressi" not found: a search window of its own, since the file found
  // there is the program to remember, not a file to open.
  resForm_->SearchFile = [this](const QString& mask, std::function<void(const QString&)> chosen) {
    auto* search = new TFileSearchWindow(this);
    search->SetFilter(mask, 1);
    connect(search, &TFileSearchWindow::fileChosen, this,
            [chosen](const QString& p) { chosen(p); });
    connect(search, &QDialog::finished, search, &QObject::deleteLater);
    search->show();
  };

  BuildActions();
  BuildMenus();
  BuildToolBars();
  BuildStatusBar();
  WireEvents();
  InstallOpenProgress();
  RebuildRecentMenu();
  // The tracking mode: the controller, its tool bar and its menu.
  tracking_ = std::make_unique<TrackingUi>(*this, *this, *session_, *view_, *values_);
  if (!setup.recoveryFolder.empty())
    recovery_ = std::make_unique<RecoveryKeeper>(*session_, setup.recoveryFolder);
  // The capture mode: the controller, the camera preview and its tool bar.
  capture_ = std::make_unique<CaptureUi>(*this, *this, *session_, *view_, *centre_, *files);
  RefreshCommands();

  if (settings.empty())
    session_->Dialog.Show(icWarning, {{"Ok", btOk}},
                          {"La création d'un fichier de sauvegarde a échoué.", "",
                           "Certaines fonctions du logiciel seront inopérantes."});
}

MainWindow::~MainWindow() {
  // A recording still running is stopped and offered for saving while the
  // window is whole.
  capture_.reset();
  SavePlacement();
  // The view's host services point at this window's widgets.
  session_->Video.StopPlay();
  // The notifications must not reach the widgets going below.
  links_.DisconnectAll();
  session_->Montage.GroupDialog = nullptr;
  session_->Recorder.Ui = nullptr;
  session_->Recorder.Progress = nullptr;
  session_->Options.SetPasswordPrompt(nullptr);
  delete search_;
  search_ = nullptr;
  delete view_;
  view_ = nullptr;
}

TFeatures MainWindow::Features() { return ProgramFeatures(); }

// Opening a long video builds its index first: after a short while a
// progress window shows how far it is, and "Annuler" stops the opening.
void MainWindow::InstallOpenProgress() {
  session_->OpenProgress = [this](double fraction) {
    if (progress_ == nullptr) {
      progress_ = new QProgressDialog(QStringLiteral("Lecture du fichier vidéo ..."),
                                      QStringLiteral("Annuler"), 0, 1000, this);
      progress_->setObjectName(QStringLiteral("OpenProgress"));
      progress_->setWindowTitle(QStringLiteral("Kinevo"));
      progress_->setWindowModality(Qt::WindowModal);
      progress_->setMinimumDuration(500);
      progress_->setAutoClose(false);
      progress_->setAutoReset(false);
      progress_->setValue(0);
    }
    progress_->setValue(std::clamp(static_cast<int>(fraction * 1000), 0, 1000));
    return !progress_->wasCanceled();
  };
  links_ += session_->OpenFinished.Connect([this] {
    if (progress_ == nullptr) return;
    progress_->hide();
    progress_->deleteLater();
    progress_ = nullptr;
  });
}

QAction* MainWindow::Action(TCommand command) const {
  auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

QAction* MainWindow::Action(const std::string& name) const {
  const std::optional<TCommand> command = FindCommand(name);
  return command ? Action(*command) : nullptr;
}

QLabel* MainWindow::Field(const std::string& name) const {
  auto it = fields_.find(name);
  return it == fields_.end() ? nullptr : it->second;
}

QString MainWindow::Hint() const { return hint_->FullText(); }

void MainWindow::BuildStatusBar() {
  hint_ = new HintLabel(this);
  hint_->setObjectName(QStringLiteral("Hint"));
  hint_->setMinimumWidth(100);
  hint_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusBar()->addWidget(hint_, 1);
  auto field = [this](const char* name, int width, const char* tip) {
    auto* f = new StatusField(QString::fromUtf8(name), width, this);
    f->setToolTip(QString::fromUtf8(tip));
    f->installEventFilter(this);
    statusBar()->addPermanentWidget(f);
    fields_[name] = f;
    return f;
  };
  connect(
      field("EditImage", 80, "Image affichée et nombre d'images (cliquer pour aller à une image)"),
      &StatusField::clicked, this, [this] { GoToImageNumber(); });
  field("EditMarque", 50, "Nombre de marques posées");
  connect(
      field("EditAngle", 60, "Angle de l'axe des x avec l'horizontale (cliquer pour le saisir)"),
      &StatusField::clicked, this, [this] { AskAngle(); });
  connect(field("EditZoom", 60, "Zoom de la vidéo (cliquer pour revenir à 100 %)"),
          &StatusField::clicked, this, [this] {
            if (session_->Video.IsOpen()) session_->Video.ResetZoom();
          });
}

void MainWindow::WireEvents() {
  TSession& s = *session_;
  TData& d = s.Data;
  // The buttons, menus and status fields follow the session's one signal
  // (RefreshCommands refreshes the fields too).
  links_ += s.OnCommandsChanged.Connect([this] { RefreshCommands(); });
  links_ += d.OnAxesChanged.Connect([this](void*) { RefreshFields(); });
  links_ += d.OnScaleChanged.Connect([this](void*) {
    TData& data = session_->Data;
    const TScaleKind kind = data.Scale().ScaleKind();
    if (data.Scale().PointsNumber(kind) == 2 && session_->Video.IsOpen()) AskScaleLength(kind);
  });
  // The session already ended the view's pointer tool and repainted.
  links_ += d.OnToolChanged.Connect([this](void*) { RefreshModeHint(); });
  links_ += s.Video.OnToolChange.Connect([this](void*) { RefreshModeHint(); });
  links_ += s.Video.OnZoomChange.Connect([this](void*) { RefreshFields(); });
  links_ += s.Video.OnModeChange.Connect([this](void*) {
    FollowImage();
    RefreshModeHint();
    view_->SyncFromView();
  });
  links_ += s.Video.OnImageChange.Connect([this](void*) { FollowImage(); });
  links_ += s.Montage.OnChange.Connect([this](void*) {
    RefreshModeHint();
    RefreshTrackBar();
  });
  // The session applies the new settings to the models first.
  links_ += s.Options.OnChange.Connect([this](void*) { OptionsChanged(); });
  links_ += s.OnVideoOpened.Connect([this](void*) {
    const TFrameSource& source = session_->Video.Source();
    timingNotice_->ShowIssues(source.TimingIssues(), source.IncoherentDurations());
    FitView();
    RefreshModeHint();
    RefreshTrackBar();
  });
  links_ += s.OnVideoClosed.Connect([this](void*) {
    timingNotice_->hide();
    FitView();
  });
  links_ += s.Workflow().OnDocumentStateChanged.Connect([this] { RefreshTitle(); });
  links_ += s.OnWindowStateChanged.Connect([this](void*) {
    const bool open = session_->Video.IsOpen();
    RefreshTitle();
    if (!open) SetHint("");
    FitView();
    RefreshTrackBar();
    view_->SyncFromView();
  });
  links_ += s.Recent.OnMenuChanged.Connect([this](void*) { RebuildRecentMenu(); });
  links_ += s.Recent.OnClick.Connect(
      [this](const std::string& path) { session_->Workflow().OpenByExtension(path); });
}

void MainWindow::RefreshTitle() {
  TSession& s = *session_;
  if (!s.Video.IsOpen()) {
    setWindowTitle(QStringLiteral("Kinevo"));
    setWindowModified(false);
    return;
  }
  // The document's name once the work has one, else the video's; "*" marks
  // unsaved changes.
  const std::string& doc = s.Workflow().DocumentName();
  const QString name = QFileInfo(Q(doc.empty() ? s.Video.FileName() : doc)).fileName();
  setWindowTitle(name + QStringLiteral("[*]"));
  setWindowModified(s.Workflow().Modified());
}

TCommandContext MainWindow::Context() const {
  const TSession& s = *session_;
  TData& d = session_->Data;
  TCommandContext c;
  c.mode = s.Video.Mode();
  c.videoOpen = s.Video.IsOpen();
  c.tool = d.Tool();
  c.viewTool = s.Video.Tool();
  c.scaleKind = d.Scale().ScaleKind();
  for (int k = 0; k < 3; ++k) c.scalePoints[k] = d.Scale().PointsNumber(static_cast<TScaleKind>(k));
  c.separateScales = s.Options.CheckBox41HorizAndVertScale;
  c.allowTracking = s.Options.CheckBox47AllowTracking;
  c.allowMontage = s.Options.CheckBox48AllowMontage;
  c.allowCapture = s.Options.CheckBox49AllowCapture;
  c.undoCaption = c.videoOpen ? d.UndoCaption() : std::string();
  c.marksCount = c.videoOpen ? d.MarksCount() : 0;
  c.hasOrigin = c.mode == vmTransparent ? d.OriginePointsNumber() > 0 : d.Fixed().HasOrigin();
  c.directX = d.DirectXAxisDirection();
  c.directY = d.DirectYAxisDirection();
  c.marksNumberPerFrame = d.MarksNumberPerFrame();
  c.framesBetween = d.FramesNumberBetweenTwoMarks();
  c.numberPosition = d.ActiveMarks().MarksNumberPosition;
  c.allDrawn = d.ActiveMarks().MarksIsAllDrawn;
  c.marksToDraw = d.ActiveMarks().MarksNumberToDraw;
  c.elementSize = d.ElementSize();
  c.loupe = session_->Video.Loupe().Visible;
  c.hideImage = s.Video.HideImage;
  c.modelsShown = d.ModelsShown();
  c.lensOn = d.Calibration().lens.on;
  c.correctedPicture = s.CorrectedPictureShown();
  c.imageDuration = c.videoOpen ? session_->Video.ImageDuration() : 0;
  c.currentImageHidden =
      c.videoOpen && s.Video.IsMontage() && !s.Montage.IsVisible(s.Video.CurrentImage());
  c.features = Features();
  return c;
}

void MainWindow::RefreshCommands() {
  if (closing_) return;
  const TCommandContext c = Context();
  const TCommandStates states = ComputeCommands(c);
  for (const auto& [command, st] : states) {
    QAction* a = Action(command);
    if (a == nullptr) continue;
    a->setVisible(st.visible);
    a->setEnabled(st.enabled);
    if (a->isCheckable()) a->setChecked(st.checked);
  }
  // The settings choose which result buttons exist.
  for (const auto& [command, view] : kResultButtons)
    if (QAction* a = Action(command))
      a->setVisible(a->isVisible() && TResForm::ViewAllowed(view, session_->Options));
  Action(TCommand::MenuAffichageAnnuler)->setText(Q(UndoMenuCaption(c.undoCaption)));
  recentMenu_->menuAction()->setVisible(states.at(TCommand::MenuFichierRecent).visible);
  recentMenu_->setEnabled(session_->Recent.MenuEnabled());
  // A submenu or a tool bar without a visible command is hidden.
  for (QMenu* m : menus_) {
    if (m == recentMenu_) continue;
    bool any = false;
    for (QAction* a : m->actions())
      if (!a->isSeparator() && a->isVisible()) any = true;
    m->menuAction()->setVisible(any);
  }
  for (QToolBar* t : toolBars_) {
    bool any = false;
    for (QAction* a : t->actions())
      if (a->isVisible()) any = true;
    t->setVisible(any);
  }
  RefreshFields();
}

void MainWindow::RefreshFields() {
  if (closing_ || fields_.empty()) return;
  const TSession& s = *session_;
  const bool open = s.Video.IsOpen();
  fields_["EditImage"]->setText(Q(ImageFieldText(open, open ? s.Video.DisplayedImage() : 0,
                                                 open ? s.Video.DisplayedImagesNumber() : 0)));
  fields_["EditMarque"]->setText(Q(MarksFieldText(open, open ? session_->Data.MarksCount() : 0)));
  fields_["EditAngle"]->setText(Q(AngleFieldText(
      open, session_->Data.Fixed().HasOrigin() && s.Video.IsGrid(), session_->Data.XAxisAngle())));
  fields_["EditZoom"]->setText(Q(ZoomFieldText(open, s.Video.ZoomValue())));
}

void MainWindow::FollowImage() {
  RefreshFields();
  RefreshTrackBar();
  // In montage mode the hint tells whether the image shown is hidden.
  if (session_->Video.IsMontage()) RefreshModeHint();
}

void MainWindow::RefreshTrackBar() {
  const TSession& s = *session_;
  const bool open = s.Video.IsOpen();
  trackBar_->blockSignals(true);
  trackBar_->setEnabled(open);
  trackBar_->setRange(0, open ? std::max(0, s.Video.DisplayedImagesNumber() - 1) : 0);
  trackBar_->setValue(open ? std::max(0, s.Video.DisplayedImage()) : 0);
  trackBar_->blockSignals(false);
}

void MainWindow::SetHint(const std::string& hint) {
  // The part after "|" is the long hint shown in the status bar.
  const std::size_t bar = hint.find('|');
  const QString text = Q(bar == std::string::npos ? hint : hint.substr(bar + 1));
  if (text != hint_->FullText()) hint_->SetFullText(text);
}

void MainWindow::RefreshModeHint() {
  // One hint for the mode shown: a hint left by the mode before (the
  // marking tool's in tracking, the montage's in capture) misleads.
  const TSession& s = *session_;
  if (s.Video.IsMontage() && s.Video.IsOpen())
    SetHint(s.Montage.CurrentHint());
  else if (s.Video.IsMarking() && s.Video.Tool() != vtNone)
    SetHint(ViewToolHint(s.Video.Tool()));
  else if (s.Video.IsMarking())
    SetHint(s.Video.IsOpen() ? ToolHint(s.Data.Tool()) : std::string());
  else
    SetHint(ModeHint(s.Video.Mode()));
}

void MainWindow::RebuildRecentMenu() {
  recentMenu_->clear();
  for (const auto& item : session_->Recent.MenuItems()) {
    if (item.IsSeparator()) continue;
    QAction* a = recentMenu_->addAction(Q(item.caption));
    a->setStatusTip(Q(item.hint));
    const int tag = item.tag;
    connect(a, &QAction::triggered, this, [this, tag] { session_->Recent.Click(tag); });
  }
  recentMenu_->setEnabled(session_->Recent.MenuEnabled());
}

// ------------------------------------------------------------ commands

void MainWindow::ChooseTool(TOutil tool, TScaleKind kind) {
  TSession& s = *session_;
  s.Video.SetTool(vtNone);
  if (tool == otEchelle) s.Data.SetScaleKind(kind);
  s.Data.SetTool(tool);
}

void MainWindow::ChooseViewTool(TViewTool tool) {
  TSession& s = *session_;
  if (tool == vtPan && s.Video.ZoomValue() == 100)
    s.Dialog.Show(icInformation, {{"Ok", btOk}}, {kPanRefusedText});
  s.Video.SetTool(tool);
  RefreshModeHint();
}

void MainWindow::ChooseMode(TVideoMode mode) {
  TSession& s = *session_;
  const int target = ModeRequest(s.Video.Mode(), mode, s.Video.IsOpen());
  // A refusal is announced by the view (OnModeRefused); the buttons then
  // show the mode that stays.
  if (target != 0) s.Video.SetMode(static_cast<TVideoMode>(target));
  RefreshModeHint();
  view_->SyncFromView();
}

void MainWindow::FitView() {
  if (centre_ == nullptr || view_ == nullptr) return;
  const TVideo& v = session_->Video;
  const QRect room = centre_->rect();
  const int w = v.IsOpen() ? v.ImageWidth() : 0;
  const int h = v.IsOpen() ? v.ImageHeight() : 0;
  if (w <= 0 || h <= 0 || room.isEmpty()) {
    view_->setGeometry(room);  // the title picture takes the whole room
    return;
  }
  // The largest size with the picture's proportions, centred.
  const double k =
      std::min(static_cast<double>(room.width()) / w, static_cast<double>(room.height()) / h);
  const int vw = std::max(1, static_cast<int>(w * k));
  const int vh = std::max(1, static_cast<int>(h * k));
  const QRect r((room.width() - vw) / 2, (room.height() - vh) / 2, vw, vh);
  if (view_->geometry() != r) view_->setGeometry(r);
}

void MainWindow::Navigate(int displayed) {
  TVideo& v = session_->Video;
  if (!v.IsOpen()) return;
  const int last = v.DisplayedImagesNumber() - 1;
  v.GoToDisplayedImage(std::clamp(displayed, 0, std::max(0, last)));
}

void MainWindow::ShowOptions() {
  TSession& s = *session_;
  if (!s.Options.CheckPassword()) return;
  TBoiteOptions d(s.Options, *association_, s.Dialog,
                  QCoreApplication::applicationFilePath().toStdString(), this);
  d.SetMarking(&s.Data);
  d.exec();
  // Closing the dialog saved the settings and announced the change.
}

void MainWindow::OptionsChanged() {
  TSession& s = *session_;
  s.Recent.SetMaxEntries(static_cast<uint8_t>(s.Options.MRUCapacity()));
  RebuildRecentMenu();
}

void MainWindow::AskDuration() {
  TSession& s = *session_;
  if (!s.Video.IsOpen()) return;
  double value = 0;
  timeDialog_->FileTimes = s.Video.FileTimes();
  timeDialog_->IncoherentDurations = s.Video.Source().IncoherentDurations();
  timeDialog_->TimingIssues = TimingIssuesText(s.Video.Source().TimingIssues());
  timeDialog_->PlaybackRate = s.Video.ImageRate();
  timeDialog_->CaptureRate = s.Video.CaptureRate();
  if (!timeDialog_->Execute(true, s.Video.DefaultDuration(), s.Data.RequiredDuration(), value,
                            this))
    return;
  if (timeDialog_->ChosenCaptureRate > 0) s.Video.SetCaptureRate(timeDialog_->ChosenCaptureRate);
  s.Data.SetRequiredDuration(value);
}

TFileSearchWindow* MainWindow::FileSearch() {
  if (search_ == nullptr) {
    search_ = new TFileSearchWindow(this);
    search_->SetFilter(QString::fromStdString(OpenFilter()), 1);
    if (!session_->Recent.Directory.empty()) search_->SetFolder(Q(session_->Recent.Directory));
    connect(search_, &TFileSearchWindow::fileChosen, this, &MainWindow::OpenFoundFile);
  }
  return search_;
}

void MainWindow::OpenFoundFile(const QString& path) {
  const std::string p = path.toStdString();
  if (session_->Workflow().OpenByExtension(p)) session_->Workflow().AddToRecent(p);
}

TValueDialogContext MainWindow::ValueContext() const {
  const TSession& s = *session_;
  const TData& d = session_->Data;
  TValueDialogContext c;
  c.videoOpen = s.Video.IsOpen();
  c.xAxisAngle = d.XAxisAngle();
  c.scaleLength[slLongueurH] = d.Scale().ScaleHorizLength();
  c.scaleLength[slLongueurN] = d.Scale().ScaleLength();
  c.scaleLength[slLongueurV] = d.Scale().ScaleVertLength();
  c.imagesCount = c.videoOpen ? s.Video.DisplayedImagesNumber() : 0;
  c.currentImage = c.videoOpen ? s.Video.DisplayedImage() : 0;
  c.marksNumberToDraw = d.ActiveMarks().MarksNumberToDraw;
  c.marksNumberPerFrame = d.MarksNumberPerFrame();
  c.framesBetweenTwoMarks = d.FramesNumberBetweenTwoMarks();
  return c;
}

bool MainWindow::AskValue(TTypeSaisie kind, TTypeSaisieLongueur lengthKind) {
  if (!session_->Video.IsOpen()) return false;
  values_->SetTypeSaisieLongueur(lengthKind);
  values_->SetTypeSaisie(kind);
  values_->Execute();
  return values_->Accepted();
}

void MainWindow::AskScaleLength(TScaleKind kind) {
  TData& d = session_->Data;
  if (d.Scale().PointsNumber(kind) != 2) return;
  const TTypeSaisieLongueur lk = kind == skHoriz  ? slLongueurH
                                 : kind == skVert ? slLongueurV
                                                  : slLongueurN;
  if (!AskValue(tsLongueur, lk)) return;
  const double v = values_->Value();
  if (kind == skHoriz)
    d.SetScaleHorizLength(v);
  else if (kind == skVert)
    d.SetScaleVertLength(v);
  else
    d.SetScaleLength(v);
}

QImage MainWindow::ShownPicture() {
  Image picture;
  if (!session_->Video.DrawCurrentImage(picture)) return {};
  return QPainterCanvas::ImageView(picture).copy();
}

void MainWindow::EditLens() {
  TSession& s = *session_;
  if (!s.Video.IsOpen() || !s.Video.IsGrid()) return;
  const QImage picture = ShownPicture();
  if (picture.isNull()) return;
  gui::LensDialog dialog(picture, s.Data.Calibration().lens, this);
  if (dialog.exec() != QDialog::Accepted) return;
  TMeasureCalibration c = s.Data.Calibration();
  c.lens = dialog.Setting();
  s.Data.ChangeCalibration(c);
  s.Video.Repaint();
}

void MainWindow::EditPlane() {
  TSession& s = *session_;
  if (!s.Video.IsOpen() || !s.Video.IsGrid()) return;
  const QImage picture = ShownPicture();
  if (picture.isNull()) return;
  gui::PlaneDialog dialog(picture, s.Data.Calibration(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  TMeasureCalibration c = s.Data.Calibration();
  c.plane = dialog.Setting();
  s.Data.ChangeCalibration(c);
  s.Video.Repaint();
}

void MainWindow::AskAngle() {
  TSession& s = *session_;
  if (!s.Video.IsOpen() || !s.Video.IsGrid() || !s.Data.Fixed().HasOrigin()) return;
  if (!AskValue(tsAngle)) return;
  s.Data.SetXAxisAngle(values_->Value());  // radians
  RefreshFields();
}

void MainWindow::SetMarksPerFrame(int n) {
  TSession& s = *session_;
  if (!s.Video.IsOpen()) return;
  if (s.Data.Tool() == otTsp && s.Video.IsLayer()) {
    s.Dialog.Show(icInformation, {{"Ok", btOk}}, {kOneMarkOnLayerText});
    return;
  }
  if (n == 0) {
    if (!AskValue(tsNbMqParImg)) return;
    n = values_->IntValue();
  }
  s.Data.SetMarksNumberPerFrame(n);
}

void MainWindow::GoToImageNumber() {
  if (!AskValue(tsNumImg)) return;
  session_->Video.GoToDisplayedImage(values_->IntValue() - 1);
}

void MainWindow::ShowProperties() {
  const TVideo& v = session_->Video;
  if (v.IsOpen() && v.ImageDuration() != 0) ShowVideoProperties(v, this);
}

TReadiness MainWindow::ResultsRequested() {
  TSession& s = *session_;
  if (!s.Video.IsOpen()) return rdStop;
  const TReadinessInput in =
      ReadinessInputOf(s.Data, s.Video.Mode(), s.Options.CheckBox41HorizAndVertScale,
                       s.Options.CheckBox38ChangeDefaultObjectsName);
  const TReadiness r = CheckReadiness(in, s.Dialog, mainMem_);
  if (r == rdNameFirst) RunNamesDialog();
  return r;
}

void MainWindow::ShowResults(int view) {
  if (ResultsRequested() != rdStop) resForm_->ShowView(view);
}

void MainWindow::OfferRecovery() {
  if (recovery_ == nullptr) return;
  recovery_->Recovery().OfferLeftWork();
}

TSessionRecovery* MainWindow::Recovery() {
  return recovery_ == nullptr ? nullptr : &recovery_->Recovery();
}

void MainWindow::OpenArgument(const QString& path) {
  const std::string p = path.toStdString();
  switch (StartupArgumentKind(p)) {
    case okVideo:
      session_->Workflow().OpenVideo(p);
      break;
    case okDocument:
      session_->Workflow().OpenDocument(p);
      break;
    case okNone:
      break;
  }
}

// ------------------------------------------------------------ events

void MainWindow::RouteKey(QKeyEvent* e) {
  TSession& s = *session_;
  if (!s.Video.IsOpen()) return;
  if (e->key() == Qt::Key_Space) {
    if (view_->rect().contains(view_->mapFromGlobal(QCursor::pos()))) popup_->popup(QCursor::pos());
    return;
  }
  int key = CoreKeyCode(*e);
  s.Video.KeyDown(key, ShiftOf(e->modifiers()));
  view_->SyncFromView();
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
  RouteKey(e);
  e->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // Alt belongs to the view, where it changes the system: taken here, a
  // lone Alt no longer sends the focus to the menu bar (whose next Enter,
  // the key that places a mark, would open "Fichier").  Alt with a letter
  // still opens the menus.
  if (event->type() == QEvent::ShortcutOverride && watched == view_ &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Alt) {
    event->accept();
    return true;
  }
  if (event->type() == QEvent::KeyPress && (watched == view_ || watched == trackBar_ ||
                                            qobject_cast<StatusField*>(watched) != nullptr)) {
    RouteKey(static_cast<QKeyEvent*>(event));
    return true;
  }
  if (event->type() == QEvent::Resize && watched == centre_) FitView();
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (shownOnce_) return;
  shownOnce_ = true;
  RestorePlacement();
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (!session_->Workflow().CloseWindow()) {
    e->ignore();
    return;
  }
  e->accept();
  // Quitting ends the program: the windows opened from this one (results,
  // formulas, calculator, keyboard, settings dialogs) go with it, and the
  // program ends even if one of them stays.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != this && w->isVisible()) w->close();
  emit Closed();
}

void MainWindow::RestorePlacement() {
  TSession& s = *session_;
  s.Recent.SetMaxEntries(static_cast<uint8_t>(s.Options.MRUCapacity()));
  if (s.Settings.FileName().empty()) return;
  s.Settings.Read([this, &s](const IKeyReader& ini) {
    s.Recent.LoadFromIni(ini, "RecentFiles");
    // The last folder is kept in [MainForm]; earlier versions of this
    // program wrote it in [RecentFiles].
    s.Recent.LoadDirectory(ini,
                           ini.ValueExists("MainForm", "Directory") ? "MainForm" : "RecentFiles");
    RestoreGeometry(ini);
  });
  RebuildRecentMenu();
}

void MainWindow::RestoreGeometry(const IKeyReader& ini) {
  // Left and Top place the frame, Width and Height size the inside; the
  // frame, title bar included, must lie on a screen present now.  The
  // window is not framed yet: the frame is placed through the window's
  // position, which the window manager gives to the frame, and never by
  // adding margins it does not know yet (the window crept up by a title
  // bar at every start).
  const QMargins m = FrameMarginsOf(*this);
  if (ini.ValueExists("MainForm", "Width")) {
    const int w = std::max(ini.ReadInteger("MainForm", "Width", width()), 632);
    const int h = std::max(ini.ReadInteger("MainForm", "Height", height()), 452);
    const QRect frame(ini.ReadInteger("MainForm", "Left", x()),
                      ini.ReadInteger("MainForm", "Top", y()), w + m.left() + m.right(),
                      h + m.top() + m.bottom());
    const QScreen* sc = QGuiApplication::screenAt(frame.center());
    if (sc == nullptr) sc = screen();
    PlaceFrame(*this, sc ? FitFrameInside(frame, sc->availableGeometry()) : frame);
    if (ini.ReadBool("MainForm", "Maximized", false)) showMaximized();
  } else if (const QScreen* sc = screen()) {
    PlaceFrame(*this, FirstStartFrame(sc->availableGeometry()));
  }
}

void MainWindow::SavePlacement() {
  if (!shownOnce_) return;
  TSession& s = *session_;
  const QRect g = isMaximized() && normalGeometry().isValid() ? normalGeometry() : geometry();
  const QPoint frame = FramePositionOf(*this);
  // Kept for the next start only; the window is closing and says nothing.
  (void)s.Settings.Update([&](IKeyWriter& ini) {
    ini.WriteInteger("MainForm", "Left", frame.x());
    ini.WriteInteger("MainForm", "Top", frame.y());
    ini.WriteInteger("MainForm", "Width", g.width());
    ini.WriteInteger("MainForm", "Height", g.height());
    ini.WriteBool("MainForm", "Maximized", isMaximized());
    s.Recent.SaveToIni(ini, "RecentFiles");
    s.Recent.SaveDirectory(ini, "MainForm");
  });
}

}  // namespace kinevo::gui
