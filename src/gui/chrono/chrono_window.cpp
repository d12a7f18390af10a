#include "gui/chrono/chrono_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>
#include <memory>

#include "core/app/results_look.h"
#include "core/chrono/annotated_video.h"
#include "core/common/atomic_file.h"
#include "core/results/result_views.h"
#include "core/results/results_calc.h"
#include "gui/print/print_dialog.h"
#include "platform/avi/vfw_record.h"
#include "platform/ffmpeg/ffmpeg_recorder.h"
#include "platform/qt/chrono_image.h"

namespace kinevo::gui {

// The picture, scaled to the room it has, its proportions kept.
class PicturePane : public QWidget {
 public:
  PicturePane() {
    setMinimumSize(320, 240);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }
  void SetImage(const QImage& image) {
    image_ = image;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    if (image_.isNull()) return;
    const QSize size = image_.size().scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, image_);
  }

 private:
  QImage image_;
};

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QSpinBox* SpinBox(const char* name, int lo, int hi, int value) {
  auto* box = new QSpinBox;
  box->setObjectName(name);
  box->setRange(lo, hi);
  box->setValue(value);
  return box;
}

QComboBox* ComboBox(const char* name, const QStringList& items) {
  auto* box = new QComboBox;
  box->setObjectName(name);
  box->addItems(items);
  return box;
}

bool SameRequest(const TStrobeRequest& a, const TStrobeRequest& b) {
  return a.images == b.images && a.ground == b.ground && a.threshold == b.threshold &&
         a.objects == b.objects;
}

bool EndsWith(const QString& path, const char* suffix) {
  return path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

}  // namespace

ChronoWindow::ChronoWindow(TSession& session, std::function<TBoiteImprimer&()> print,
                           QWidget* parent)
    : QDialog(parent), session_(session), print_(std::move(print)) {
  setObjectName("ChronoWindow");
  setWindowTitle("Chronophotographie");
  BuildActions();
  picture_ = new PicturePane;
  status_ = new QLabel;
  status_->setObjectName("ChronoStatus");
  status_->setWordWrap(true);
  auto* left = new QVBoxLayout;
  left->addWidget(picture_, 1);
  left->addWidget(status_);

  auto* side = new QVBoxLayout;
  side->addWidget(settingsBox_ = BuildSettings());
  side->addWidget(videoBox_ = BuildVideoSettings());
  side->addStretch();
  side->addWidget(BuildButtons());

  auto* main = new QHBoxLayout(this);
  main->addLayout(left, 1);
  main->addLayout(side);
  Wire();
  SyncChoices();
  UpdateEnabled();
  resize(960, 600);
}

ChronoWindow::~ChronoWindow() {
  // The worker reads the video and reports here: it ends first.
  worker_.request_stop();
  if (worker_.joinable()) worker_.join();
  links_.DisconnectAll();
}

QAction* ChronoWindow::Add(TChronoCommand id, const QString& caption, std::function<void()> run) {
  auto* a = new QAction(caption, this);
  a->setObjectName(QString::fromLatin1(CommandName(id)));
  connect(a, &QAction::triggered, this, [run = std::move(run)] { run(); });
  addAction(a);
  actions_[static_cast<std::size_t>(id)] = a;
  return a;
}

QAction* ChronoWindow::Action(TChronoCommand id) const {
  return actions_[static_cast<std::size_t>(id)];
}

QAction* ChronoWindow::Action(std::string_view name) const {
  const std::optional<TChronoCommand> id = CommandOfName<TChronoCommand>(name);
  return id ? Action(*id) : nullptr;
}

QWidget* ChronoWindow::BuildSettings() {
  systems_ = ComboBox("ChronoPoints", {});
  every_ = SpinBox("ChronoUneSur", 1, 1000, 1);
  first_ = SpinBox("ChronoPremiere", 1, 1, 1);
  last_ = SpinBox("ChronoDerniere", 1, 1, 1);
  vectors_ = ComboBox("ChronoVecteurs", {"aucun", "vitesse", "accélération"});
  threshold_ = SpinBox("ChronoSeuil", 0, 255, TChronoSettings{}.threshold);
  threshold_->setToolTip(
      "Écart de couleur au fond à partir duquel un pixel appartient à l'objet filmé");
  marksOnly_ = new QCheckBox("Marques seules (sans l'objet filmé)");
  marksOnly_->setObjectName("ChronoMarquesSeules");

  auto* box = new QGroupBox("Chronophotographie");
  auto* form = new QFormLayout(box);
  form->addRow("Points :", systems_);
  form->addRow("Une image marquée sur :", every_);
  auto* range = new QHBoxLayout;
  range->addWidget(first_, 1);
  range->addWidget(new QLabel("à"));
  range->addWidget(last_, 1);
  form->addRow("Images de :", range);
  form->addRow("Vecteurs :", vectors_);
  form->addRow("Seuil de l'objet :", threshold_);
  form->addRow(marksOnly_);
  return box;
}

QWidget* ChronoWindow::BuildVideoSettings() {
  trail_ = SpinBox("ChronoTrainee", 0, 10000, 0);
  trail_->setSpecialValueText("toutes les marques");
  trail_->setSuffix(" dernières marques");
  slow_ = SpinBox("ChronoRalenti", 1, 100, 1);
  slow_->setPrefix("× ");
  slow_->setToolTip("Chaque image est répétée autant de fois");
  format_ = ComboBox("ChronoFormat", {"MP4 (H.264)", "AVI (MJPEG)"});
  progress_ = new QProgressBar;
  progress_->setObjectName("ChronoProgression");
  progress_->setVisible(false);

  auto* box = new QGroupBox("Vidéo annotée");
  auto* form = new QFormLayout(box);
  form->addRow("Traînée :", trail_);
  form->addRow("Ralenti :", slow_);
  form->addRow("Format :", format_);
  auto* run = new QHBoxLayout;
  for (TChronoCommand id :
       {TChronoCommand::ButtonChronoVideoAnnotee, TChronoCommand::ButtonChronoAnnuler}) {
    auto* b = new QToolButton;
    b->setDefaultAction(Action(id));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    run->addWidget(b);
  }
  run->addStretch();
  form->addRow(run);
  form->addRow(progress_);
  return box;
}

QWidget* ChronoWindow::BuildButtons() {
  auto* w = new QWidget;
  auto* row = new QHBoxLayout(w);
  row->setContentsMargins(0, 0, 0, 0);
  for (TChronoCommand id :
       {TChronoCommand::ButtonChronoEnregistrer, TChronoCommand::ButtonChronoImprimer,
        TChronoCommand::ButtonChronoCopier, TChronoCommand::ButtonChronoFermer}) {
    auto* b = new QToolButton;
    b->setDefaultAction(Action(id));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    row->addWidget(b);
  }
  return w;
}

void ChronoWindow::BuildActions() {
  using C = TChronoCommand;
  Add(C::ButtonChronoEnregistrer, "Enregistrer...", [this] {
    SaveAs();
  })->setShortcut(QKeySequence::Save);
  Add(C::ButtonChronoImprimer, "Imprimer...", [this] {
    Print();
  })->setShortcut(QKeySequence::Print);
  Add(C::ButtonChronoCopier, "Copier", [this] { CopyPicture(); })->setShortcut(QKeySequence::Copy);
  Add(C::ButtonChronoVideoAnnotee, "Exporter la vidéo annotée...", [this] { ExportAnnotated(); });
  Add(C::ButtonChronoAnnuler, "Annuler", [this] { CancelExport(); });
  Add(C::ButtonChronoFermer, "Fermer", [this] { close(); });
}

void ChronoWindow::Wire() {
  for (QSpinBox* box : {every_, first_, last_, threshold_})
    connect(box, &QSpinBox::valueChanged, this, [this] { ScheduleRebuild(); });
  for (QComboBox* box : {systems_, vectors_})
    connect(box, &QComboBox::currentIndexChanged, this, [this] { ScheduleRebuild(); });
  connect(marksOnly_, &QCheckBox::toggled, this, [this] { ScheduleRebuild(); });

  // The picture follows the analysis while it is shown, later when hidden.
  auto changed = [this](void*) {
    stale_ = true;
    if (isVisible()) ScheduleRebuild();
  };
  TData& d = session_.Data;
  for (TNotifyEvent* e : {&d.OnMarksChanged, &d.OnAxesChanged, &d.OnScaleChanged,
                          &d.OnMarkColorChanged, &d.OnSystemsCountChanged, &d.OnNamesChanged,
                          &d.OnLayerChanged, &d.OnChange, &session_.Video.OnModeChange})
    links_ += e->Connect(changed);
  links_ +=
      session_.Results().OnInvalidated.Connect([changed](TResultsTarget) { changed(nullptr); });
  links_ += session_.Video.OnVideoOpen.Connect([this, changed](void*) {
    groundOf_.reset();
    changed(nullptr);
  });
  // The export reads the video's pictures: it ends before the video goes.
  links_ += session_.Video.OnVideoClosing.Connect([this](void*) {
    CancelExport();
    WaitExport();
    groundOf_.reset();
  });
}

void ChronoWindow::SyncChoices() {
  const QSignalBlocker a(systems_), b(first_), c(last_);
  const int systems = session_.Data.MarksNumberPerFrame();
  const int chosen = systems_->currentIndex();
  systems_->clear();
  systems_->addItem("tous les points");
  for (int s = 0; s < systems; ++s) systems_->addItem(Q(session_.Data.SystemName(s)));
  systems_->setCurrentIndex(chosen >= 0 && chosen <= systems ? chosen : 0);
  // Images are numbered from 1, as the main window shows them.
  const int images = std::max(1, session_.Video.IsOpen() ? session_.Video.ImagesNumber() : 1);
  const bool toTheEnd = last_->value() == last_->maximum();
  first_->setMaximum(images);
  last_->setMaximum(images);
  if (toTheEnd) last_->setValue(images);
}

void ChronoWindow::ScheduleRebuild() {
  if (pending_) return;
  pending_ = true;
  QTimer::singleShot(0, this, [this] {
    if (pending_) Rebuild();
  });
}

TChronoSettings ChronoWindow::Settings() const {
  TChronoSettings s;
  if (systems_->currentIndex() > 0) s.systems = {systems_->currentIndex() - 1};
  s.every = every_->value();
  // The whole range is no range: images beyond the video's end stay in.
  if (first_->value() > 1) s.first = first_->value() - 1;
  if (last_->value() < last_->maximum()) s.last = last_->value() - 1;
  s.vectors = std::clamp(vectors_->currentIndex(), 0, 2);
  s.threshold = threshold_->value();
  s.objects = !marksOnly_->isChecked();
  return s;
}

QString ChronoWindow::StatusText() const { return status_->text(); }

void ChronoWindow::ShowFailure(const TError& error) {
  plan_.reset();
  preview_ = {};
  picture_->SetImage({});
  status_->setText(Q(error.Text()));
  UpdateEnabled();
}

void ChronoWindow::UpdateEnabled() {
  const bool exporting = Exporting();
  const bool shown = plan_.has_value();
  using C = TChronoCommand;
  Action(C::ButtonChronoEnregistrer)->setEnabled(shown);
  Action(C::ButtonChronoImprimer)->setEnabled(shown && print_ != nullptr);
  Action(C::ButtonChronoCopier)->setEnabled(shown);
  Action(C::ButtonChronoVideoAnnotee)->setEnabled(!exporting && session_.Video.IsOpen());
  Action(C::ButtonChronoAnnuler)->setEnabled(exporting);
  // The systems and vectors of a run are fixed when it starts.
  settingsBox_->setEnabled(!exporting);
  for (QWidget* w : std::initializer_list<QWidget*>{trail_, slow_, format_})
    w->setEnabled(!exporting);
  progress_->setVisible(exporting);
}

TResult<TChronophotograph> ChronoWindow::PlanOf(TChronoSettings settings) {
  const TCalcul* calc = nullptr;
  if (settings.vectors != cvNone) {
    if (!session_.UpdateResults(true)) {
      TError failure = session_.Results().Failure();
      if (failure.cause.empty()) failure.cause = "vitesses et accélérations non calculées";
      return failure;
    }
    calc = &session_.Results().Active();
    // The vector view's settings hide the edge speeds or accelerations.
    const int qx = settings.vectors == cvSpeed ? qtVx : qtAx;
    settings.maskedAtEnds = EdgeRows(qx, GraphLookFor(rvVectors, session_.Options));
    if (VectorFactor) settings.vectorFactor = VectorFactor(settings.vectors == cvAcceleration);
  }
  return PlanChronophotograph(session_.Data, calc, session_.Video.ImageWidth(),
                              session_.Video.ImageHeight(), settings);
}

bool ChronoWindow::Rebuild() {
  pending_ = false;
  // The worker reads the video: the picture waits for the end of the run.
  if (Exporting()) return plan_.has_value();
  stale_ = false;
  SyncChoices();
  if (!session_.Video.IsOpen()) return ShowFailure(Fail("Aucune vidéo n'est ouverte.")), false;
  const TChronoSettings s = Settings();
  TResult<TChronophotograph> plan = PlanOf(s);
  if (!plan) return ShowFailure(plan.error()), false;
  const TStrobeRequest request{plan->images, s.ground, s.threshold, s.objects};
  if (!groundOf_ || !SameRequest(*groundOf_, request)) {
    TFrameSource& source = session_.Video.Source();
    TResult<Image> ground = ComposeStrobePicture(
        request, [&source](int32_t i, Image& p) { return source.ReadImage(i, p); });
    if (!ground) return ShowFailure(ground.error()), false;
    ground_ = std::move(*ground);
    groundOf_ = request;
  }
  plan_ = std::move(*plan);
  preview_ = ChronophotographImage({ground_, *plan_, session_.GraphUtils});
  picture_->SetImage(preview_);
  status_->setText(QString("Images montrées : %1").arg(plan_->images.size()));
  UpdateEnabled();
  return true;
}

void ChronoWindow::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (stale_) Rebuild();
}

QString ChronoWindow::ProposedName(const char* suffix) const {
  const std::string video = session_.VideoFileName();
  if (video.empty()) return QString("chronophotographie") + suffix;
  const QFileInfo info(Q(video));
  return info.dir().filePath(info.completeBaseName() + suffix);
}

QString ChronoWindow::Ask(const QString& title, const QString& filter, const QString& proposed) {
  if (ChooseFile) return ChooseFile(title, filter, proposed);
  return QFileDialog::getSaveFileName(this, title, proposed, filter);
}

bool ChronoWindow::SaveAs() {
  if (!plan_) return false;
  QString path = Ask("Enregistrer la chronophotographie",
                     "Image PNG (*.png);;Dessin SVG (*.svg);;Document PDF (*.pdf)",
                     ProposedName("-chrono.png"));
  if (path.isEmpty()) return false;
  if (!GraphFileKindOf(path.toStdString())) path += ".png";
  return SaveTo(path);
}

TStatus ChronoWindow::OutputAllowed(const QString& path) const {
  // Never over the video or the document the picture comes from.
  return CheckOutputFile(path.toStdString(),
                         {session_.VideoFileName(), session_.Workflow().DocumentName()});
}

bool ChronoWindow::SaveTo(const QString& path) {
  if (!plan_) return false;
  const auto kind = GraphFileKindOf(path.toStdString());
  TStatus written = kind ? OutputAllowed(path)
                         : Fail("La chronophotographie n'a pas pu être enregistrée.",
                                "format inconnu (PNG, SVG ou PDF) : " + path.toStdString());
  if (written)
    written = WriteChronophotographFile({ground_, *plan_, session_.GraphUtils}, path, *kind);
  if (!written) {
    session_.Dialog.Show(icWarning, {{"Ok", btOk}}, written.error().Lines());
    return false;
  }
  status_->setText("Chronophotographie enregistrée : " + path);
  return true;
}

void ChronoWindow::CopyPicture() {
  if (!plan_) return;
  auto* data = new QMimeData;
  data->setImageData(preview_);
  // Drawing programs take the marks and vectors as vectors.
  if (const TResult<QByteArray> svg =
          ChronophotographFileBytes({ground_, *plan_, session_.GraphUtils}, gfSvg))
    data->setData("image/svg+xml", *svg);
  QApplication::clipboard()->setMimeData(data);
}

void ChronoWindow::Print() {
  if (!plan_ || !print_) return;
  TBoiteImprimer& dialog = print_();
  // The page draws the marks and vectors again at the printer's resolution.
  dialog.SetPicture(preview_, [plan = *plan_, ground = ground_, &gu = session_.GraphUtils](
                                  QPainter& p, double fontDpi) {
    RenderChronophotograph({ground, plan, gu}, p, fontDpi);
  });
  dialog.exec();
}

void ChronoWindow::ExportAnnotated() {
  const bool mp4 = format_->currentIndex() == 0;
  const QString path =
      Ask("Exporter la vidéo annotée", mp4 ? "Vidéo MP4 (*.mp4)" : "Vidéo AVI (*.avi)",
          ProposedName(mp4 ? "-annotee.mp4" : "-annotee.avi"));
  if (!path.isEmpty()) ExportAnnotatedTo(path);
}

bool ChronoWindow::ExportAnnotatedTo(const QString& chosen) {
  if (Exporting() || !session_.Video.IsOpen()) return false;
  QString path = chosen;
  bool mp4 = EndsWith(path, ".mp4");
  if (!mp4 && !EndsWith(path, ".avi")) {
    mp4 = format_->currentIndex() == 0;
    path += mp4 ? ".mp4" : ".avi";
  }
  auto refuse = [this](const TError& e) {
    session_.Dialog.Show(icWarning, {{"Ok", btOk}}, e.Lines());
    return false;
  };
  if (const TStatus allowed = OutputAllowed(path); !allowed) return refuse(allowed.error());
  std::unique_ptr<TRecorder> recorder;
  if (mp4)
    recorder = std::make_unique<TMp4Record>();
  else
    recorder = std::make_unique<TVfwRecord>();
  const std::vector<std::string> codecs = recorder->Codecs();
  if (codecs.empty())
    return refuse(
        Fail("Le codeur H.264 n'est pas disponible.", "enregistrez la vidéo annotée en AVI"));
  // Every marked image of the systems shown, whatever range the picture shows.
  TChronoSettings s = Settings();
  s.every = 1;
  s.first = s.last = -1;
  TResult<TChronophotograph> all = PlanOf(s);
  if (!all) return refuse(all.error());

  TFrameSource& source = session_.Video.Source();
  TAnnotatedVideo video;
  video.images = source.ImagesNumber();
  video.rate = source.ImageRate() > 0 ? source.ImageRate() : 25.0;
  video.slow = slow_->value();
  video.trail = trail_->value();
  video.codec = mp4 ? codecs.front() : TVfwRecord::kCodecMjpeg;
  progress_->setRange(0, video.images);
  progress_->setValue(0);
  exportPath_ = path;
  const int run = ++run_;
  // The worker reads, draws and encodes; it tells the window thread its
  // progress and its end, and stops at "Annuler".  It draws with its own
  // copy of the palette, which the options may change meanwhile.
  worker_ = std::jthread([this, run, path = path.toStdString(), video, plan = std::move(*all),
                          recorder = std::move(recorder), gu = session_.GraphUtils,
                          &source](std::stop_token stop) {
    exportResult_ = WriteAnnotatedVideo(
        path, video, plan, *recorder,
        [&source](int32_t i, Image& p) { return source.ReadImage(i, p); },
        [&gu](Image& p, const TChronophotograph& o) { PaintOverlayOnPicture(p, o, gu); },
        [this, stop](int32_t done, int32_t) {
          QMetaObject::invokeMethod(
              this, [this, done] { progress_->setValue(done); }, Qt::QueuedConnection);
          return !stop.stop_requested();
        });
    QMetaObject::invokeMethod(
        this, [this, run] { FinishExport(run); }, Qt::QueuedConnection);
  });
  status_->setText("Enregistrement de la vidéo annotée...");
  UpdateEnabled();
  return true;
}

void ChronoWindow::CancelExport() {
  if (Exporting()) worker_.request_stop();
}

void ChronoWindow::WaitExport() { FinishExport(run_); }

void ChronoWindow::FinishExport(int run) {
  // A late notice of a run already reported is dropped.
  if (run != run_ || !worker_.joinable()) return;
  const bool cancelled = worker_.get_stop_token().stop_requested();
  worker_.join();
  worker_ = {};
  UpdateEnabled();
  if (exportResult_)
    status_->setText("Vidéo annotée enregistrée : " + exportPath_);
  else if (cancelled)
    status_->setText("Enregistrement annulé.");
  else {
    status_->setText(Q(exportResult_.error().Text()));
    session_.Dialog.Show(icWarning, {{"Ok", btOk}}, exportResult_.error().Lines());
  }
  OnAnnotatedFinished(exportResult_);
  if (stale_ && isVisible()) ScheduleRebuild();
}

}  // namespace kinevo::gui
