#include "gui/capture/capture_ui.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QPainter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>

#include "core/export/export_actions.h"
#include "gui/common/window_placement.h"

namespace kinevo::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// ------------------------------------------------------------------ CapturePreview

CapturePreview::CapturePreview(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("CapturePreview"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CapturePreview::Show(std::shared_ptr<const Image> picture) {
  picture_ = std::move(picture);
  update();
}

void CapturePreview::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(0x40, 0x40, 0x40));
  if (picture_ == nullptr || picture_->Empty()) return;
  const QImage image(picture_->Data(), picture_->Width(), picture_->Height(),
                     static_cast<qsizetype>(picture_->Stride()), QImage::Format_RGB888);
  // The largest size with the picture's proportions, centred.
  const QSize size = image.size().scaled(this->size(), Qt::KeepAspectRatio);
  const QRect r((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                size.height());
  p.drawImage(r, image);
}

// ------------------------------------------------------------------ CaptureUi

CaptureUi::CaptureUi(QMainWindow& window, IModeCommands& commands, TSession& session, QWidget& view,
                     QWidget& centre, IFileDialogs& files)
    : QObject(&window),
      window_(window),
      commands_(commands),
      session_(session),
      view_(view),
      centre_(centre),
      files_(files) {
  qtimer_.setInterval(1000);
  capture_ = std::make_unique<TCapture>(std::vector<ICaptureBackend*>{&none_, &backend_}, timer_,
                                        session.Dialog, TemporaryFolder(), &session.Settings);
  dialog_ = std::make_unique<TBoiteCapture>(*capture_, &window);
  KeepPlacement(*dialog_, "Capture", &session.Settings, &window);
  RunDialog = [this](TBoiteCapture::Page page) {
    dialog_->Execute(page);
    Refresh();
  };
  preview_ = new CapturePreview(&centre);
  preview_->hide();
  centre.installEventFilter(this);
  BuildToolBar();
  Wire();
  Refresh();
}

CaptureUi::~CaptureUi() {
  links_.DisconnectAll();
  // A recording still running is ended and offered for saving; the threads
  // of the back-end end before anything they reach goes.
  capture_->Disconnect();
  backend_.Disconnect();
  backend_.OnPreview = nullptr;
  backend_.OnDeviceLost = nullptr;
  capture_.reset();
}

QAction* CaptureUi::Action(TCaptureCommand id) const {
  return actions_[static_cast<std::size_t>(id)];
}

QAction* CaptureUi::Action(std::string_view name) const {
  const std::optional<TCaptureCommand> id = CommandOfName<TCaptureCommand>(name);
  return id ? Action(*id) : nullptr;
}

QAction* CaptureUi::Add(TCaptureCommand id, const QString& caption, const QString& hint,
                        std::function<void()> run) {
  auto* a = new QAction(caption, &window_);
  a->setObjectName(QString::fromLatin1(CommandName(id)));
  a->setToolTip(hint);
  a->setStatusTip(hint);
  connect(a, &QAction::triggered, this, [this, run] {
    run();
    Refresh();
  });
  actions_[static_cast<std::size_t>(id)] = a;
  return a;
}

void CaptureUi::BuildToolBar() {
  toolBar_ = new QToolBar(QStringLiteral("Capture"), &window_);
  toolBar_->setObjectName(QStringLiteral("ToolBarCapture"));
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  auto page = [this](TBoiteCapture::Page p) { return [this, p] { RunDialog(p); }; };
  const std::vector<QAction*> buttons = {
      Add(TCaptureCommand::ButtonCapDevice, QStringLiteral("Périphérique"),
          QStringLiteral("Choisir le périphérique de capture"), page(TBoiteCapture::pgDevice)),
      Add(TCaptureCommand::ButtonCapConfigurer, QStringLiteral("Réglages"),
          QStringLiteral("Régler le périphérique de capture"), [] {}),
      Add(TCaptureCommand::ButtonCapFormat, QStringLiteral("Format"),
          QStringLiteral("Format de la capture"), page(TBoiteCapture::pgFormat)),
      Add(TCaptureCommand::ButtonCapVitesse, QStringLiteral("Vitesse"),
          QStringLiteral("Nombre d'images par seconde"), page(TBoiteCapture::pgRate)),
      Add(TCaptureCommand::ButtonCapCompression, QStringLiteral("Compression"),
          QStringLiteral("Codeur de compression de la vidéo"), page(TBoiteCapture::pgCodec)),
      Add(TCaptureCommand::ButtonCapTimer, QStringLiteral("Minuterie"),
          QStringLiteral("Début différé et durée de l'enregistrement"),
          page(TBoiteCapture::pgTimer)),
      Add(TCaptureCommand::ButtonCapEnregistrer, QStringLiteral("Enregistrer"),
          QStringLiteral("Démarrer ou arrêter l'enregistrement"), [this] { capture_->Record(); }),
  };
  // The cameras offered here have no settings window of their own.
  Action(TCaptureCommand::ButtonCapConfigurer)->setEnabled(false);
  Action(TCaptureCommand::ButtonCapEnregistrer)->setCheckable(true);
  for (QAction* a : buttons) toolBar_->addAction(a);
  // On the row of the marking tools, which capture mode hides: the seven
  // buttons get the window's whole width.
  commands_.AddModeToolBar(toolBar_, IModeCommands::brToolsRow);
}

void CaptureUi::Wire() {
  TVideo& v = session_.Video;
  TCapture& c = *capture_;
  // Capture needs a working device; the preview replaces the view.
  links_ += v.AddModeHandlers({
      .MayChange = [&c](TVideoMode, TVideoMode to) { return to != vmCapture || c.Prepare(); },
      .Leave =
          [&c](TVideoMode from, TVideoMode) {
            if (from == vmCapture) c.Disconnect();
          },
      .Entered =
          [this](TVideoMode to) {
            const bool on = to == vmCapture;
            preview_->setGeometry(centre_.rect());
            preview_->setVisible(on);
            view_.setVisible(!on);
            if (on) preview_->raise();
          },
  });
  c.Beep = [] { QApplication::beep(); };
  c.SaveFolder = [this] {
    const std::string& d = session_.Recent.Directory;
    return d.empty()
               ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString()
               : d;
  };
  c.AskSaveName = [this](const TCaptureSaveRequest& r) {
    TFileDialogRequest q;
    q.title = r.title;
    q.filter = r.filter;
    q.initialDir = r.folder;
    q.fileName = r.fileName;
    q.defaultExt = r.defaultExt;
    return files_.SaveFile(q);
  };
  connect(&qtimer_, &QTimer::timeout, this, [this] {
    capture_->Tick();
    Refresh();
  });
  // The back-end's threads post to the window thread; one preview at a
  // time is pending, so a busy window skips pictures instead of piling them.
  backend_.OnPreview = [this] {
    if (previewPending_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this, [this] { PreviewReady(); }, Qt::QueuedConnection);
  };
  backend_.OnDeviceLost = [this] {
    QMetaObject::invokeMethod(
        this, [this] { DeviceLost(); }, Qt::QueuedConnection);
  };
  links_ += v.OnModeChange.Connect([this](void*) { Refresh(); });
  links_ += c.OnStatus.Connect([this](void*) { ShowStatus(); });
  links_ += c.OnRecordStarted.Connect([this](void*) { Refresh(); });
  links_ += c.OnRecordStopped.Connect([this](void*) { Refresh(); });
  links_ += c.OnFileSaved.Connect([this](const std::string& path) {
    window_.statusBar()->showMessage(QStringLiteral("Vidéo enregistrée : %1").arg(Q(path)));
  });
}

void CaptureUi::PreviewReady() {
  previewPending_ = false;
  if (preview_->isVisible()) preview_->Show(backend_.Preview());
}

void CaptureUi::DeviceLost() {
  TCapture& c = *capture_;
  if (c.Recording() || c.CountingDown() || !c.TempFileName().empty()) {
    // The recording stops; what it holds is offered for saving.
    c.CheckDevice();
    // The device is gone: nothing left to preview.
    if (session_.Video.IsCapture()) session_.Video.SetMode(vmRepereFixe);
    Refresh();
    return;
  }
  if (!session_.Video.IsCapture()) return;
  std::vector<std::string> lines = {"Un périphérique Plug and Play a été déconnecté."};
  if (const std::optional<TError> lost = backend_.DeviceLost())
    for (std::string& line : lost->Lines()) lines.push_back(std::move(line));
  session_.Dialog.Show(icWarning, {{"Ok", btOk}}, lines);
  session_.Video.SetMode(vmRepereFixe);
}

void CaptureUi::ShowStatus() {
  const std::string text = capture_->StatusText();
  if (!text.empty()) {
    window_.statusBar()->showMessage(Q(text));
    statusShown_ = true;
  } else if (statusShown_) {
    window_.statusBar()->clearMessage();
    statusShown_ = false;
  }
}

void CaptureUi::Refresh() {
  const bool on = session_.Video.IsCapture();
  toolBar_->setVisible(on);
  QAction* rec = Action(TCaptureCommand::ButtonCapEnregistrer);
  rec->setChecked(capture_->Recording() || capture_->CountingDown());
  ShowStatus();
}

bool CaptureUi::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &centre_ && event->type() == QEvent::Resize) preview_->setGeometry(centre_.rect());
  return QObject::eventFilter(watched, event);
}

}  // namespace kinevo::gui
