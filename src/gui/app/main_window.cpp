#include "gui/app/main_window.h"

#include <QProgressDialog>
#include <algorithm>

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QSvgRenderer>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/common/ini_file.h"
#include "core/document/options.h"
#include "core/montage/missing_image_dialog.h"
#include "gui/app/cursor_pictures.h"
#include "gui/app/file_search_window.h"
#include "gui/document/help.h"
#include "gui/document/options_dialog.h"
#include "gui/document/password_dialog.h"
#include "gui/montage/group_dialog.h"
#include "gui/montage/missing_image_dialog.h"
#include "gui/video/duration_dialog.h"
#include "gui/common/message_dialog.h"
#include "gui/common/value_dialog_qt.h"
#include "gui/marking/names_colours_dialog.h"
#include "gui/video/video_widget.h"
#include "kinevo_version.h"
#include "platform/avi/vfw_play.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"

namespace kinevo::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// "caption|patterns|caption|patterns" -> "caption (p1 p2);;caption (p)".
QString QtFilter(const std::string& filter, int index, QString* selected) {
  const QStringList parts = Q(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    const QString entry = parts[i] + " (" + patterns + ")";
    out << entry;
    if (i / 2 + 1 == index && selected != nullptr) *selected = entry;
  }
  return out.join(";;");
}

class QtFileDialogs : public IFileDialogs {
 public:
  explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}
  std::string OpenFile(const TFileDialogRequest& r) override {
    QString selected;
    const QString filter = QtFilter(r.filter, r.filterIndex, &selected);
    QString start = Q(r.initialDir);
    if (!r.fileName.empty()) start = start.isEmpty() ? Q(r.fileName) : start + "/" + Q(r.fileName);
    return QFileDialog::getOpenFileName(parent_, Q(r.title), start, filter, &selected).toStdString();
  }
  std::string SaveFile(const TFileDialogRequest& r) override {
    QString selected;
    const QString filter = QtFilter(r.filter, r.filterIndex, &selected);
    QFileDialog d(parent_, Q(r.title), Q(r.initialDir), filter);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(Q(r.defaultExt));
    d.setOption(QFileDialog::DontConfirmOverwrite);  // the workflow asks itself
    if (!r.fileName.empty()) d.selectFile(Q(r.fileName));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return "";
    return d.selectedFiles().first().toStdString();
  }

 private:
  QWidget* parent_;
};

TFrameSourceSet MakeSources(const std::string& bridgeFolder) {
  TFrameSourceSet s;
  s.vfw = std::make_unique<TVfwPlay>();
  s.ds = std::make_unique<TDSPlay>();
  s.ffmpeg = std::make_unique<TFFMpegPlay>(bridgeFolder);
  return s;
}

QIcon CursorIcon(const char* name) { return QIcon(QPixmap::fromImage(DrawCursorPicture(name))); }

// The layer button's picture: a sheet with a cross at its centre.
QIcon LayerIcon() {
  QImage im(32, 32, QImage::Format_ARGB32_Premultiplied);
  im.fill(Qt::transparent);
  QPainter p(&im);
  p.setPen(QPen(QColor(0, 128, 0), 2));
  p.setBrush(QColor(200, 255, 200, 120));
  p.drawRect(5, 5, 22, 22);
  p.drawLine(12, 16, 20, 16);
  p.drawLine(16, 12, 16, 20);
  return QIcon(QPixmap::fromImage(im));
}

QIcon NamesIcon() {
  QImage im(32, 32, QImage::Format_ARGB32_Premultiplied);
  im.fill(Qt::transparent);
  QPainter p(&im);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(240, 110, 20));
  p.setPen(Qt::black);
  p.drawEllipse(QPointF(9, 16), 5, 5);
  p.setPen(QPen(Qt::blue, 2));
  p.drawLine(17, 12, 29, 12);
  p.drawLine(17, 20, 26, 20);
  return QIcon(QPixmap::fromImage(im));
}

// The glyphs of the navigation buttons: bars, triangles and pause bars.
enum class NavGlyph { First, Previous, Play, Pause, Next, Last };

QIcon NavigationIcon(NavGlyph g) {
  QImage im(20, 20, QImage::Format_ARGB32_Premultiplied);
  im.fill(Qt::transparent);
  QPainter p(&im);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 40, 40));
  auto left = [&p](double x) { p.drawPolygon(QPolygonF({QPointF(x, 10), QPointF(x + 7, 4), QPointF(x + 7, 16)})); };
  auto right = [&p](double x) { p.drawPolygon(QPolygonF({QPointF(x + 7, 10), QPointF(x, 4), QPointF(x, 16)})); };
  switch (g) {
    case NavGlyph::First:
      p.drawRect(QRectF(4, 4, 2, 12));
      left(7);
      break;
    case NavGlyph::Previous: left(6); break;
    case NavGlyph::Play:
      p.setBrush(QColor(0, 120, 0));
      p.drawPolygon(QPolygonF({QPointF(15, 10), QPointF(6, 4), QPointF(6, 16)}));
      break;
    case NavGlyph::Pause:
      p.drawRect(QRectF(6, 4, 3, 12));
      p.drawRect(QRectF(11, 4, 3, 12));
      break;
    case NavGlyph::Next: right(7); break;
    case NavGlyph::Last:
      right(6);
      p.drawRect(QRectF(14, 4, 2, 12));
      break;
  }
  return QIcon(QPixmap::fromImage(im));
}

// A film image, in negative when it is hidden from the montage.
QIcon MontageImageIcon(bool hidden) {
  QImage im(32, 32, QImage::Format_ARGB32_Premultiplied);
  im.fill(Qt::transparent);
  QPainter p(&im);
  const QColor film = hidden ? QColor(230, 230, 230) : QColor(30, 30, 30);
  const QColor picture = hidden ? QColor(80, 40, 0) : QColor(175, 215, 255);
  p.fillRect(QRect(4, 3, 24, 26), film);
  p.fillRect(QRect(9, 7, 14, 18), picture);
  p.setBrush(hidden ? QColor(40, 40, 40) : QColor(255, 255, 255));
  p.setPen(Qt::NoPen);
  for (int y = 5; y < 28; y += 5) {
    p.drawRect(5, y, 2, 2);
    p.drawRect(25, y, 2, 2);
  }
  if (hidden) {
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.drawLine(6, 26, 26, 6);
  }
  return QIcon(QPixmap::fromImage(im));
}

QIcon MontageGroupsIcon() {
  QImage im(32, 32, QImage::Format_ARGB32_Premultiplied);
  im.fill(Qt::transparent);
  QPainter p(&im);
  for (int k = 0; k < 3; ++k) {
    const bool hidden = k == 1;
    p.fillRect(QRect(2 + 10 * k, 8, 9, 16), hidden ? QColor(230, 230, 230) : QColor(30, 30, 30));
    p.fillRect(QRect(4 + 10 * k, 11, 5, 10), hidden ? QColor(80, 40, 0) : QColor(175, 215, 255));
  }
  return QIcon(QPixmap::fromImage(im));
}

QIcon MontageInstantIcon() {
  QImage im(32, 32, QImage::Format_ARGB32_Premultiplied);
  im.fill(Qt::transparent);
  QPainter p(&im);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(30, 30, 30), 2));
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(16, 16), 12, 12);
  p.drawLine(QPointF(16, 16), QPointF(16, 8));
  p.drawLine(QPointF(16, 16), QPointF(22, 19));
  return QIcon(QPixmap::fromImage(im));
}

}  // namespace

// ------------------------------------------------------------ HintLabel

void HintLabel::SetFullText(const QString& text) {
  full_ = text;
  setToolTip(text);
  Elide();
}

void HintLabel::resizeEvent(QResizeEvent* e) {
  QLabel::resizeEvent(e);
  Elide();
}

void HintLabel::Elide() {
  const int room = contentsRect().width();
  setText(room > 0 ? fontMetrics().elidedText(full_, Qt::ElideRight, room) : full_);
}

// ------------------------------------------------------------ TitleView

TitleView::TitleView(QWidget* parent) : QWidget(parent), title_(new QSvgRenderer(QStringLiteral(":/title.svg"), this)) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
  setPalette(pal);
}

void TitleView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QSizeF pic = title_->defaultSize();
  if (pic.isEmpty()) return;
  double k = std::min(width() / pic.width(), height() / pic.height());
  QSizeF s = pic * k;
  QRectF r((width() - s.width()) / 2, (height() - s.height()) / 2, s.width(), s.height());
  title_->render(&p, r);
}

StatusField::StatusField(const QString& name, int minWidth, QWidget* parent) : QLabel(parent) {
  setObjectName(name);
  setMinimumWidth(minWidth);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void StatusField::mousePressEvent(QMouseEvent* e) {
  QLabel::mousePressEvent(e);
  emit clicked();
}

// ------------------------------------------------------------ MainWindow

MainWindow::MainWindow(const MainWindowSetup& setup, QWidget* parent) : QMainWindow(parent) {
  // The named cursors exist before any window.
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
    qtFiles_ = std::make_unique<QtFileDialogs>(this);
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
  groupDialog_ = std::make_unique<TBoiteBasculer>(this);
  instantDialog_ = std::make_unique<TBoiteInstant>();
  instantDialog_->Caption = QString::fromUtf8(TMissingImageModel::kCaption);
  session_->Montage.GroupDialog = groupDialog_.get();

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
  setCentralWidget(centre_);

  BuildActions();
  BuildMenus();
  BuildToolBars();
  BuildStatusBar();
  WireEvents();
  InstallOpenProgress();
  RebuildRecentMenu();
  RefreshCommands();

  if (settings.empty())
    session_->Dialog.Show(icWarning, {{"Ok", btOk}},
                          {"La création d'un fichier de sauvegarde a échoué.", "",
                           "Certaines fonctions du logiciel seront inopérantes."});
}

MainWindow::~MainWindow() {
  SavePlacement();
  // The view's host services point at this window's widgets.
  session_->Video.StopPlay();
  session_->Video.OnModeChange.Clear();
  session_->Video.OnModeRefused.Clear();
  session_->Video.OnZoomChange.Clear();
  session_->Video.OnToolChange.Clear();
  session_->Video.OnAfterPaint.Clear();
  session_->Montage.OnChange.Clear();
  session_->Montage.GroupDialog = nullptr;
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
      progress_ = new QProgressDialog(QStringLiteral("Lecture du fichier vidéo ..."), QStringLiteral("Annuler"),
                                      0, 1000, this);
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
  session_->OpenFinished = [this] {
    if (progress_ == nullptr) return;
    progress_->hide();
    progress_->deleteLater();
    progress_ = nullptr;
  };
}

QAction* MainWindow::Action(const std::string& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QLabel* MainWindow::Field(const std::string& name) const {
  auto it = fields_.find(name);
  return it == fields_.end() ? nullptr : it->second;
}

QString MainWindow::Hint() const { return hint_->FullText(); }

QAction* MainWindow::MakeAction(const std::string& name, std::function<void()> handler) {
  const TCommandText* t = FindCommandText(name);
  auto* a = new QAction(t != nullptr ? QString::fromUtf8(t->caption) : Q(name), this);
  a->setObjectName(Q(name));
  if (t != nullptr) {
    a->setCheckable(t->checkable);
    a->setStatusTip(QString::fromUtf8(t->hint));
    a->setToolTip(QString::fromUtf8(t->hint));
  }
  connect(a, &QAction::triggered, this, [this, handler = std::move(handler)] {
    handler();
    RefreshCommands();
  });
  actions_[name] = a;
  return a;
}

void MainWindow::BuildActions() {
  TSession& s = *session_;
  auto open = [this] { return session_->Video.IsOpen(); };
  auto repaint = [this] { session_->Video.Repaint(); };
  // Tools (the pop-up items do the same).
  auto tool = [this, open](TOutil t, TScaleKind k) {
    return [this, open, t, k] {
      if (open()) ChooseTool(t, k);
    };
  };
  const std::vector<std::tuple<std::string, std::string, std::function<void()>>> tools = {
      {"ButtonOutilZoom", "PopupMenuZoom", [this, open] { if (open()) ChooseViewTool(vtZoom); }},
      {"ButtonOutilPan", "PopupMenuPan", [this, open] { if (open()) ChooseViewTool(vtPan); }},
      {"ButtonOutilEchelle", "PopupMenuEchelle", tool(otEchelle, skNormal)},
      {"ButtonOutilEchelleHoriz", "PopupMenuEchelleHoriz", tool(otEchelle, skHoriz)},
      {"ButtonOutilEchelleVert", "PopupMenuEchelleVert", tool(otEchelle, skVert)},
      {"ButtonOutilMarque", "PopupMenuMarque", tool(otMarque, skNormal)},
      {"ButtonOutilOrigine", "PopupMenuOrigine", tool(otOrigine, skNormal)},
      {"ButtonOutilTsp", "PopupMenuTsp", tool(otTsp, skNormal)},
      {"ButtonOutilDeplacer", "PopupMenuDeplacer", tool(otDeplacer, skNormal)},
      {"ButtonOutilEffacer", "PopupMenuEffacer", tool(otEffacer, skNormal)},
  };
  for (const auto& [button, popup, handler] : tools) {
    MakeAction(button, handler);
    MakeAction(popup, handler);
  }
  MakeAction("ButtonOutilNom", [this, open] {
    if (!open()) return;
    RunNamesDialog();
    session_->Video.Repaint();
  });
  Action("ButtonOutilZoom")->setIcon(CursorIcon("Zoom"));
  Action("ButtonOutilPan")->setIcon(CursorIcon("Pan"));
  Action("ButtonOutilEchelle")->setIcon(CursorIcon("Echelle"));
  Action("ButtonOutilEchelleHoriz")->setIcon(CursorIcon("Echelle"));
  Action("ButtonOutilEchelleVert")->setIcon(CursorIcon("Echelle"));
  Action("ButtonOutilMarque")->setIcon(CursorIcon("Marque1"));
  Action("ButtonOutilOrigine")->setIcon(CursorIcon("Origine"));
  Action("ButtonOutilTsp")->setIcon(LayerIcon());
  Action("ButtonOutilDeplacer")->setIcon(CursorIcon("Deplacer"));
  Action("ButtonOutilEffacer")->setIcon(CursorIcon("Gomme"));
  Action("ButtonOutilNom")->setIcon(NamesIcon());

  // Modes.
  MakeAction("ButtonModeRepereFixe", [this] { ChooseMode(vmRepereFixe); });
  MakeAction("ButtonModeTransparent", [this] { ChooseMode(vmTransparent); });
  MakeAction("ButtonModeMontage", [this] { ChooseMode(vmMontage); });
  MakeAction("ButtonModeTracking", [this] { ChooseMode(vmTracking); });
  MakeAction("ButtonModeCapture", [this] { ChooseMode(vmCapture); });

  // Montage (the recording commands are not part of the program yet).
  MakeAction("ButtonMontageBasculer", [this, open] {
    if (open()) session_->Montage.ToggleCurrent();
  });
  MakeAction("ButtonMontageBasculerMult", [this, open] {
    if (open()) session_->Montage.ToggleGroups();
  });
  MakeAction("ButtonMontageInstant", [this] {
    TSession& ss = *session_;
    if (!ss.Montage.IsCurrentVisible()) return;
    instantDialog_->Execute(ss.Montage, [&ss] { return ss.Data.RequiredDuration(); }, this);
    ss.Video.Repaint();
  });
  for (const char* b : {"ButtonMontageEnregistrer", "ButtonMontageV2p", "ButtonMontageP2v"}) MakeAction(b, [] {});
  {
    QIcon toggle = MontageImageIcon(false);
    toggle.addPixmap(MontageImageIcon(true).pixmap(32, 32), QIcon::Normal, QIcon::On);
    Action("ButtonMontageBasculer")->setIcon(toggle);
  }
  Action("ButtonMontageBasculerMult")->setIcon(MontageGroupsIcon());
  Action("ButtonMontageInstant")->setIcon(MontageInstantIcon());

  // Navigation beside the track bar.
  MakeAction("ButtonNavPremiere", [this] { Navigate(0); });
  MakeAction("ButtonNavPrecedente", [this] { Navigate(session_->Video.DisplayedImage() - 1); });
  MakeAction("ButtonNavLecture", [this, open] {
    TVideo& v = session_->Video;
    if (open()) v.Play(v.DisplayedImage(), v.DisplayedImagesNumber() - 1);
  });
  MakeAction("ButtonNavPause", [this] { session_->Video.StopPlay(); });
  MakeAction("ButtonNavSuivante", [this] { Navigate(session_->Video.DisplayedImage() + 1); });
  MakeAction("ButtonNavDerniere", [this] { Navigate(session_->Video.DisplayedImagesNumber() - 1); });
  Action("ButtonNavPremiere")->setIcon(NavigationIcon(NavGlyph::First));
  Action("ButtonNavPrecedente")->setIcon(NavigationIcon(NavGlyph::Previous));
  Action("ButtonNavLecture")->setIcon(NavigationIcon(NavGlyph::Play));
  Action("ButtonNavPause")->setIcon(NavigationIcon(NavGlyph::Pause));
  Action("ButtonNavSuivante")->setIcon(NavigationIcon(NavGlyph::Next));
  Action("ButtonNavDerniere")->setIcon(NavigationIcon(NavGlyph::Last));

  // Results (hidden until the results window is part of the program).
  for (const char* b : {"ButtonMenuTableau", "ButtonMenuTemps", "ButtonMenuReferentiel", "ButtonMenuVecteur",
                        "ButtonMenuFormule"})
    MakeAction(b, [this] { ResultsRequested(); });

  // "Fichier".
  MakeAction("MenuFichierOuvrirVideo", [this] { session_->Workflow().OpenWithDialog(1); });
  MakeAction("MenuFichierOuvrirKvo", [this] { session_->Workflow().OpenWithDialog(2); });
  MakeAction("MenuFichierRecent", [] {});
  MakeAction("MenuFichierRechercher", [this] {
    TFileSearchWindow* w = FileSearch();
    w->show();
    w->raise();
    w->activateWindow();
  });
  MakeAction("MenuFichierFermerVideo", [this] { session_->Workflow().CloseVideo(); });
  MakeAction("MenuFichierEnregistrer", [this] { session_->Workflow().Save(); });
  MakeAction("MenuFichierProprietes", [this] { ShowProperties(); });
  MakeAction("MenuFichierQuitter", [this] { close(); });

  // "Affichage".
  MakeAction("MenuAffichageAnnuler", [this, repaint] {
    session_->Data.Undo();
    repaint();
  });
  MakeAction("MenuAffichageLoupe", [this, &s] {
    s.Video.ShowLoupe(!s.Video.Loupe().Visible);
    view_->SyncFromView();
  });
  MakeAction("MenuAffichageCacherImage", [&s] {
    s.Video.HideImage = !s.Video.HideImage;
    s.Video.Repaint();
  });
  MakeAction("MenuAffichageAllerDerniereImagePointee", [&s] { s.Video.GoToLastMarkedImage(); });
  MakeAction("MenuAffichageAllerImageNumero", [this] { GoToImageNumber(); });
  MakeAction("MenuAffichageCouleur", [this, repaint] {
    RunNamesDialog();
    repaint();
  });
  const std::vector<std::pair<std::string, int>> sizes = {
      {"MenuAffichageTaillePetite", 0}, {"MenuAffichageTailleMoyenne", 1}, {"MenuAffichageTailleGrande", 2}};
  for (const auto& [name, size] : sizes)
    MakeAction(name, [&s, size = size] {
      s.Data.SetElementSize(size);
      s.Data.UpdateScreenPositions();
      s.Video.Repaint();
    });
  const std::vector<std::pair<std::string, TNumberPosition>> numbering = {
      {"MenuAffichageNumeroterDown", npDown}, {"MenuAffichageNumeroterRight", npRight},
      {"MenuAffichageNumeroterNone", npNone}};
  for (const auto& [name, pos] : numbering)
    MakeAction(name, [&s, pos = pos] {
      s.Data.SetMarksNumberPosition(pos);
      s.Video.Repaint();
    });
  MakeAction("MenuAffichageDessinerToutesLesMarques", [&s] {
    s.Data.SetMarksIsAllDrawn(true);
    s.Video.Repaint();
  });
  MakeAction("MenuAffichageDessinerDerniereMarque", [&s] {
    s.Data.SetMarksIsAllDrawn(false);
    s.Data.SetMarksNumberToDraw(1);
    s.Video.Repaint();
  });
  MakeAction("MenuAffichageDessinerAutres", [this, &s] {
    if (!AskValue(tsNbMqDrawn)) return;
    s.Data.SetMarksIsAllDrawn(false);
    s.Data.SetMarksNumberToDraw(values_->IntValue());
    s.Video.Repaint();
  });
  auto erase = [&s](void (TData::*f)()) {
    return [&s, f] {
      if (!s.Video.IsOpen()) return;
      (s.Data.*f)();
      s.Video.Repaint();
    };
  };
  MakeAction("MenuAffichageEffacerMarques", erase(&TData::EraseMarks));
  MakeAction("MenuAffichageEffacerTransparent", erase(&TData::EraseMarks));
  MakeAction("MenuAffichageEffacerRepere", erase(&TData::EraseOrigin));
  MakeAction("MenuAffichageEffacerEchelle", erase(&TData::EraseScale));
  MakeAction("MenuAffichageEffacerTout", erase(&TData::EraseAll));
  MakeAction("MenuAffichageEffacerContour", [] {});
  MakeAction("MenuAffichageEffacerBanZones", [] {});
  MakeAction("MenuAffichageOptions", [this] { ShowOptions(); });

  // "Mesures".
  MakeAction("MenuMesuresAngleRotation", [this] { AskAngle(); });
  MakeAction("MenuMesuresInverserAxeX", [&s] {
    s.Data.SetDirectXAxisDirection(!s.Data.DirectXAxisDirection());
    s.Video.Repaint();
  });
  MakeAction("MenuMesuresInverserAxeY", [&s] {
    s.Data.SetDirectYAxisDirection(!s.Data.DirectYAxisDirection());
    s.Video.Repaint();
  });
  MakeAction("MenuMesuresNbMarqueParImageUne", [this] { SetMarksPerFrame(1); });
  MakeAction("MenuMesuresNbMarqueParImageDeux", [this] { SetMarksPerFrame(2); });
  MakeAction("MenuMesuresNbMarqueParImageTrois", [this] { SetMarksPerFrame(3); });
  MakeAction("MenuMesuresNbMarqueParImageAutres", [this] { SetMarksPerFrame(0); });
  MakeAction("MenuMesuresNbImagesEntreMarquesUne", [&s] { s.Data.SetFramesNumberBetweenTwoMarks(1); });
  MakeAction("MenuMesuresNbImagesEntreMarquesAutres", [this, &s] {
    if (AskValue(tsNbImgStep)) s.Data.SetFramesNumberBetweenTwoMarks(values_->IntValue());
  });
  MakeAction("MenuMesuresTemps", [this] { AskDuration(); });
  MakeAction("MenuMesuresValeurEchelle", [this] { AskScaleLength(skNormal); });
  MakeAction("MenuMesuresValeurEchelleHoriz", [this] { AskScaleLength(skHoriz); });
  MakeAction("MenuMesuresValeurEchelleVert", [this] { AskScaleLength(skVert); });
  for (const char* t : {"MenuMesuresFormeLibre", "MenuMesuresFormePolygone", "MenuMesuresFormeCercle",
                        "MenuMesuresEspaceChoix1", "MenuMesuresEspaceChoix2", "MenuMesuresEspaceChoix3",
                        "MenuMesuresEspaceChoixAutres", "MenuMesuresZone", "MenuMesuresCalculatrice"})
    MakeAction(t, [] {});

  // "Aide".
  MakeAction("MenuAideKinevo", [this] { OpenHelp(session_->Dialog); });
  MakeAction("MenuAideApropos", [this] {
    session_->Dialog.Show(icInformation, {{"Ok", btOk}},
                          {std::string("Kinevo ") + KINEVO_VERSION_STRING, "",
                           "Etude du mouvement à partir d'une vidéo."});
  });

  // Radio groups show one ticked item each.
  for (const auto& group : RadioGroups()) {
    auto* g = new QActionGroup(this);
    g->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (const auto& name : group) g->addAction(Action(name));
  }
}

void MainWindow::BuildMenus() {
  auto add = [this](QMenu* m, const std::vector<std::string>& names) {
    for (const auto& n : names) {
      if (n == "-")
        m->addSeparator();
      else
        m->addAction(Action(n));
    }
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("&Fichier"));
  add(file, {"MenuFichierOuvrirVideo", "MenuFichierOuvrirKvo"});
  recentMenu_ = file->addMenu(Action("MenuFichierRecent")->text());
  recentMenu_->setObjectName(QStringLiteral("MenuFichierRecent"));
  add(file, {"MenuFichierRechercher", "-", "MenuFichierFermerVideo", "MenuFichierEnregistrer", "-",
             "MenuFichierProprietes", "-", "MenuFichierQuitter"});
  QMenu* view = menuBar()->addMenu(QStringLiteral("&Affichage"));
  add(view, {"MenuAffichageAnnuler", "-", "MenuAffichageLoupe", "MenuAffichageCacherImage", "-",
             "MenuAffichageAllerDerniereImagePointee", "MenuAffichageAllerImageNumero", "-", "MenuAffichageCouleur"});
  QMenu* size = view->addMenu(QStringLiteral("&Taille des marques et des axes"));
  add(size, {"MenuAffichageTaillePetite", "MenuAffichageTailleMoyenne", "MenuAffichageTailleGrande"});
  QMenu* num = view->addMenu(QStringLiteral("N&uméroter les marques"));
  add(num, {"MenuAffichageNumeroterDown", "MenuAffichageNumeroterRight", "MenuAffichageNumeroterNone"});
  QMenu* draw = view->addMenu(QStringLiteral("&Dessiner"));
  add(draw, {"MenuAffichageDessinerToutesLesMarques", "MenuAffichageDessinerDerniereMarque",
             "MenuAffichageDessinerAutres"});
  view->addSeparator();
  QMenu* erase = view->addMenu(QStringLiteral("&Effacer"));
  add(erase, {"MenuAffichageEffacerMarques", "MenuAffichageEffacerTransparent", "MenuAffichageEffacerRepere",
              "MenuAffichageEffacerEchelle", "MenuAffichageEffacerContour", "MenuAffichageEffacerBanZones", "-",
              "MenuAffichageEffacerTout"});
  add(view, {"-", "MenuAffichageOptions"});
  QMenu* mes = menuBar()->addMenu(QStringLiteral("&Mesures"));
  add(mes, {"MenuMesuresAngleRotation", "MenuMesuresInverserAxeX", "MenuMesuresInverserAxeY", "-"});
  QMenu* per = mes->addMenu(QStringLiteral("Nombre de &marques par image"));
  add(per, {"MenuMesuresNbMarqueParImageUne", "MenuMesuresNbMarqueParImageDeux", "MenuMesuresNbMarqueParImageTrois",
            "MenuMesuresNbMarqueParImageAutres"});
  QMenu* step = mes->addMenu(QStringLiteral("Nombre d'&images entre deux pointages"));
  add(step, {"MenuMesuresNbImagesEntreMarquesUne", "MenuMesuresNbImagesEntreMarquesAutres"});
  add(mes, {"MenuMesuresTemps", "-", "MenuMesuresValeurEchelle", "MenuMesuresValeurEchelleHoriz",
            "MenuMesuresValeurEchelleVert"});
  QMenu* shape = mes->addMenu(QStringLiteral("&Forme du contour"));
  add(shape, {"MenuMesuresFormeLibre", "MenuMesuresFormePolygone", "MenuMesuresFormeCercle"});
  QMenu* radius = mes->addMenu(QStringLiteral("&Rayon de recherche"));
  add(radius, {"MenuMesuresEspaceChoix1", "MenuMesuresEspaceChoix2", "MenuMesuresEspaceChoix3",
               "MenuMesuresEspaceChoixAutres"});
  add(mes, {"MenuMesuresZone", "-", "MenuMesuresCalculatrice"});
  QMenu* help = menuBar()->addMenu(QStringLiteral("A&ide"));
  add(help, {"MenuAideKinevo", "MenuAideApropos"});
  menus_ = {file, view, size, num, draw, erase, mes, per, step, shape, radius, help, recentMenu_};
  // Visibility follows the mode each time a menu opens.
  for (QMenu* m : menus_) connect(m, &QMenu::aboutToShow, this, &MainWindow::RefreshCommands);

  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupMenu"));
  add(popup_, {"PopupMenuZoom", "PopupMenuPan", "-", "PopupMenuEchelle", "PopupMenuEchelleHoriz",
               "PopupMenuEchelleVert", "PopupMenuMarque", "PopupMenuOrigine", "PopupMenuTsp", "PopupMenuDeplacer",
               "PopupMenuEffacer"});
  connect(popup_, &QMenu::aboutToShow, this, &MainWindow::RefreshCommands);
}

void MainWindow::BuildToolBars() {
  auto bar = [this](const char* name, const QString& title, Qt::ToolBarArea area,
                    const std::vector<std::string>& names) {
    QToolBar* t = new QToolBar(title, this);
    t->setObjectName(QString::fromUtf8(name));
    t->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    t->setIconSize(QSize(24, 24));
    for (const auto& n : names) t->addAction(Action(n));
    addToolBar(area, t);
    toolBars_.push_back(t);
    return t;
  };
  bar("ToolBarOutils", QStringLiteral("Outils"), Qt::TopToolBarArea,
      {"ButtonOutilZoom", "ButtonOutilPan", "ButtonOutilEchelle", "ButtonOutilEchelleHoriz",
       "ButtonOutilEchelleVert", "ButtonOutilOrigine", "ButtonOutilMarque", "ButtonOutilTsp", "ButtonOutilDeplacer",
       "ButtonOutilEffacer", "ButtonOutilNom"});
  // The modes, the montage and the results on a second row: the marking
  // tools alone fill a narrow window.
  addToolBarBreak(Qt::TopToolBarArea);
  QToolBar* modes = bar("ToolBarMode", QStringLiteral("Modes"), Qt::TopToolBarArea,
                        {"ButtonModeRepereFixe", "ButtonModeTransparent", "ButtonModeMontage", "ButtonModeTracking",
                         "ButtonModeCapture"});
  modes->setToolButtonStyle(Qt::ToolButtonTextOnly);
  std::vector<std::string> montage = MontageButtons();
  bar("ToolBarMontage", QStringLiteral("Montage"), Qt::TopToolBarArea, montage);
  QToolBar* results = bar("ToolBarResultats", QStringLiteral("Résultats"), Qt::TopToolBarArea,
                          {"ButtonMenuTableau", "ButtonMenuTemps", "ButtonMenuReferentiel", "ButtonMenuVecteur",
                           "ButtonMenuFormule"});
  results->setToolButtonStyle(Qt::ToolButtonTextOnly);

  // Navigation: the track bar over the displayed images.
  QToolBar* nav = new QToolBar(QStringLiteral("Navigation"), this);
  nav->setObjectName(QStringLiteral("ToolBarNavigation"));
  nav->setIconSize(QSize(20, 20));
  for (const auto& name : NavigationButtons()) nav->addAction(Action(name));
  trackBar_ = new QSlider(Qt::Horizontal, nav);
  trackBar_->setObjectName(QStringLiteral("TrackBar"));
  trackBar_->setMinimumWidth(200);
  trackBar_->installEventFilter(this);
  nav->addWidget(trackBar_);
  addToolBar(Qt::BottomToolBarArea, nav);
  connect(trackBar_, &QSlider::valueChanged, this, [this](int v) {
    if (trackBar_->signalsBlocked() || !session_->Video.IsOpen()) return;
    if (v != session_->Video.DisplayedImage()) session_->Video.GoToDisplayedImage(v);
    RefreshFields();
  });
}

void MainWindow::BuildStatusBar() {
  hint_ = new HintLabel(this);
  hint_->setObjectName(QStringLiteral("Hint"));
  hint_->setMinimumWidth(100);
  hint_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusBar()->addWidget(hint_, 1);
  auto field = [this](const char* name, int width) {
    auto* f = new StatusField(QString::fromUtf8(name), width, this);
    f->installEventFilter(this);
    statusBar()->addPermanentWidget(f);
    fields_[name] = f;
    return f;
  };
  connect(field("EditImage", 80), &StatusField::clicked, this, [this] { GoToImageNumber(); });
  field("EditMarque", 50);
  connect(field("EditAngle", 60), &StatusField::clicked, this, [this] { AskAngle(); });
  connect(field("EditZoom", 60), &StatusField::clicked, this, [this] {
    if (session_->Video.IsOpen()) session_->Video.ResetZoom();
  });
}

void MainWindow::WireEvents() {
  TSession& s = *session_;
  TData& d = s.Data;
  d.OnAxesChanged = [this](void*) { RefreshFields(); };
  d.OnMarkColorChanged = [this](void*) { session_->Video.Repaint(); };
  d.OnScaleChanged = [this](void*) {
    RefreshCommands();
    TData& data = session_->Data;
    const TScaleKind kind = data.Scale().ScaleKind();
    if (data.Scale().PointsNumber(kind) == 2 && session_->Video.IsOpen()) AskScaleLength(kind);
  };
  d.OnScaleKindChanged = [this](void*) { RefreshCommands(); };
  d.OnMarksChanged = [this](void*) {
    RefreshFields();
    RefreshCommands();
  };
  d.OnSystemsCountChanged = [this](void*) { session_->Video.Repaint(); };
  d.OnToolChanged = [this](void*) {
    TSession& ss = *session_;
    if (ss.Video.Tool() != vtNone) ss.Video.SetTool(vtNone);
    SetHint(ToolHint(ss.Data.Tool()));
    RefreshCommands();
    ss.Video.UpdateCursor();
    ss.Video.Repaint();
  };
  s.Video.OnToolChange = [this](void*) {
    const TViewTool t = session_->Video.Tool();
    SetHint(t == vtNone ? ToolHint(session_->Data.Tool()) : ViewToolHint(t));
    RefreshCommands();
  };
  s.Video.OnZoomChange = [this](void*) { RefreshFields(); };
  s.Video.OnModeChange = [this](void*) {
    RefreshModeHint();
    RefreshCommands();
    view_->SyncFromView();
  };
  s.Video.OnModeRefused = [this](void*) { RefreshCommands(); };
  s.Video.OnAfterPaint = [this](void*) {
    // In montage mode the toggle button and the hint follow the image shown.
    if (session_->Video.IsMontage()) {
      RefreshModeHint();
      RefreshCommands();
    } else {
      RefreshFields();
    }
    RefreshTrackBar();
  };
  s.Montage.OnChange = [this](void*) {
    RefreshModeHint();
    RefreshCommands();
  };
  s.Options.OnChange = [this](void*) {
    session_->ApplyOptions();
    OptionsChanged();
  };
  s.OnVideoOpened = [this](void*) {
    FitView();
    SetHint(ToolHint(session_->Data.Tool()));
    RefreshTrackBar();
    RefreshCommands();
  };
  s.OnVideoClosed = [this](void*) {
    FitView();
    RefreshCommands();
  };
  s.OnWindowStateChanged = [this](void*) {
    const bool open = session_->Video.IsOpen();
    setWindowTitle(open ? QFileInfo(Q(session_->Video.FileName())).fileName() : QStringLiteral("Kinevo"));
    if (!open) SetHint("");
    FitView();
    RefreshTrackBar();
    RefreshCommands();
    view_->SyncFromView();
  };
  s.Recent.OnMenuChanged = [this](void*) { RebuildRecentMenu(); };
  s.Recent.OnClick = [this](const std::string& path) { session_->Workflow().OpenByExtension(path); };
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
  c.allowVideoToPictures = s.Options.CheckBox55ShowVideoToPictures;
  c.allowPicturesToVideo = s.Options.CheckBox56ShowPicturesToVideo;
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
  c.imageDuration = c.videoOpen ? session_->Video.ImageDuration() : 0;
  c.currentImageHidden = c.videoOpen && s.Video.IsMontage() && !s.Montage.IsVisible(s.Video.CurrentImage());
  c.features = Features();
  return c;
}

void MainWindow::RefreshCommands() {
  if (closing_) return;
  const TCommandContext c = Context();
  const TCommandStates states = ComputeCommands(c);
  for (const auto& [name, st] : states) {
    QAction* a = Action(name);
    if (a == nullptr) continue;
    a->setVisible(st.visible);
    a->setEnabled(st.enabled);
    if (a->isCheckable()) a->setChecked(st.checked);
  }
  Action("MenuAffichageAnnuler")->setText(Q(UndoMenuCaption(c.undoCaption)));
  recentMenu_->menuAction()->setVisible(states.at("MenuFichierRecent").visible);
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
  fields_["EditImage"]->setText(
      Q(ImageFieldText(open, open ? s.Video.DisplayedImage() : 0, open ? s.Video.DisplayedImagesNumber() : 0)));
  fields_["EditMarque"]->setText(Q(MarksFieldText(open, open ? session_->Data.MarksCount() : 0)));
  fields_["EditAngle"]->setText(
      Q(AngleFieldText(open, session_->Data.Fixed().HasOrigin() && s.Video.IsGrid(), session_->Data.XAxisAngle())));
  fields_["EditZoom"]->setText(Q(ZoomFieldText(open, s.Video.ZoomValue())));
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
  const TSession& s = *session_;
  if (!s.Video.IsOpen()) return;
  if (s.Video.IsMontage())
    SetHint(s.Montage.CurrentHint());
  else if (s.Video.IsMarking() && s.Video.Tool() == vtNone)
    SetHint(ToolHint(s.Data.Tool()));
}

void MainWindow::RebuildRecentMenu() {
  recentMenu_->clear();
  for (const auto& item : session_->Recent.MenuItems()) {
    if (item.IsSeparator()) continue;
    QAction* a = recentMenu_->addAction(Q(item.caption));
    a->setStatusTip(Q(item.hint));
    const int tag = item.tag;
    connect(a, &QAction::triggered, this, [this, tag] {
      session_->Recent.Click(tag);
      RefreshCommands();
    });
  }
  recentMenu_->setEnabled(session_->Recent.MenuEnabled());
}

// ------------------------------------------------------------ commands

void MainWindow::ChooseTool(TOutil tool, TScaleKind kind) {
  TSession& s = *session_;
  s.Video.SetTool(vtNone);
  if (tool == otEchelle) s.Data.SetScaleKind(kind);
  s.Data.SetTool(tool);
  SetHint(ToolHint(tool));
  s.Video.UpdateCursor();
  s.Video.Repaint();
}

void MainWindow::ChooseViewTool(TViewTool tool) {
  TSession& s = *session_;
  if (tool == vtPan && s.Video.ZoomValue() == 100)
    s.Dialog.Show(icInformation, {{"Ok", btOk}}, {kPanRefusedText});
  s.Video.SetTool(tool);
  SetHint(ViewToolHint(tool));
}

void MainWindow::ChooseMode(TVideoMode mode) {
  TSession& s = *session_;
  const int target = ModeRequest(s.Video.Mode(), mode, s.Video.IsOpen());
  if (target != 0) {
    try {
      s.Video.SetMode(static_cast<TVideoMode>(target));
    } catch (const ModeException&) {
      // Refused by the view: the buttons show the mode that stays.
    }
  }
  if (s.Video.IsMarking()) SetHint(ToolHint(s.Data.Tool()));
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
  const double k = std::min(static_cast<double>(room.width()) / w, static_cast<double>(room.height()) / h);
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
  RefreshFields();
  RefreshTrackBar();
}

void MainWindow::ShowOptions() {
  TSession& s = *session_;
  if (!s.Options.CheckPassword()) return;
  TBoiteOptions d(s.Options, *association_, s.Dialog, QCoreApplication::applicationFilePath().toStdString(), this);
  d.exec();
  // Closing the dialog saved the settings and announced the change.
}

void MainWindow::OptionsChanged() {
  TSession& s = *session_;
  s.Recent.SetMaxEntries(static_cast<uint8_t>(s.Options.MRUCapacity()));
  RebuildRecentMenu();
  RefreshCommands();
  if (s.Video.IsOpen()) {
    s.Data.UpdateScreenPositions();
    s.Video.Repaint();
  }
}

void MainWindow::AskDuration() {
  TSession& s = *session_;
  if (!s.Video.IsOpen()) return;
  double value = 0;
  if (timeDialog_->Execute(true, s.Video.ImageDuration(), s.Data.RequiredDuration(), value, this))
    s.Data.SetRequiredDuration(value);
  s.Video.Repaint();
}

TFileSearchWindow* MainWindow::FileSearch() {
  if (search_ == nullptr) {
    search_ = new TFileSearchWindow(this);
    search_->SetFilter(QString::fromUtf8(kOpenFilter), 1);
    if (!session_->Recent.Directory.empty()) search_->SetFolder(Q(session_->Recent.Directory));
    connect(search_, &TFileSearchWindow::fileChosen, this, &MainWindow::OpenFoundFile);
  }
  return search_;
}

void MainWindow::OpenFoundFile(const QString& path) {
  const std::string p = path.toStdString();
  if (session_->Workflow().OpenByExtension(p)) session_->Workflow().AddToRecent(p);
  RefreshCommands();
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
  const TTypeSaisieLongueur lk = kind == skHoriz ? slLongueurH : kind == skVert ? slLongueurV : slLongueurN;
  if (!AskValue(tsLongueur, lk)) return;
  const double v = values_->Value();
  if (kind == skHoriz)
    d.SetScaleHorizLength(v);
  else if (kind == skVert)
    d.SetScaleVertLength(v);
  else
    d.SetScaleLength(v);
  session_->Video.Repaint();
}

void MainWindow::AskAngle() {
  TSession& s = *session_;
  if (!s.Video.IsOpen() || !s.Video.IsGrid() || !s.Data.Fixed().HasOrigin()) return;
  if (!AskValue(tsAngle)) return;
  s.Data.SetXAxisAngle(values_->Value());  // radians
  s.Video.Repaint();
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
  s.Video.Repaint();
}

void MainWindow::GoToImageNumber() {
  if (!AskValue(tsNumImg)) return;
  session_->Video.GoToDisplayedImage(values_->IntValue() - 1);
  RefreshFields();
  RefreshTrackBar();
}

void MainWindow::ShowProperties() {
  const TSession& s = *session_;
  if (!s.Video.IsOpen() || s.Video.ImageDuration() == 0) return;
  TVideoProperties p;
  p.path = s.Video.FileName();
  p.imageRate = s.Video.ImageRate();
  p.width = s.Video.ImageWidth();
  p.height = s.Video.ImageHeight();
  p.displayedImages = s.Video.DisplayedImagesNumber();
  p.imageDuration = s.Video.ImageDuration();
  const auto lines = VideoPropertiesLines(p);
  QDialog d(this);
  d.setObjectName(QStringLiteral("Proprietes"));
  d.setWindowTitle(QStringLiteral("Propriétés"));
  d.setFixedSize(320, 250);
  auto* text = new QTextEdit(&d);
  text->setReadOnly(true);
  text->setFrameStyle(QFrame::NoFrame);
  QPalette pal = text->palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
  text->setPalette(pal);
  QString html = "<p align=center><b>" + Q(lines[0]).toHtmlEscaped() + "</b></p><p align=center><font color=blue>" +
                 Q(lines[2]).toHtmlEscaped() + "</font></p>";
  for (std::size_t i = 4; i < lines.size(); ++i) html += "<div>" + Q(lines[i]).toHtmlEscaped() + "</div>";
  text->setHtml(html);
  auto* lay = new QVBoxLayout(&d);
  lay->setContentsMargins(12, 14, 12, 14);
  lay->addWidget(text);
  if (const QScreen* sc = screen()) d.move(sc->availableGeometry().center() - QPoint(160, 125));
  d.exec();
}

TReadiness MainWindow::ResultsRequested() {
  TSession& s = *session_;
  if (!s.Video.IsOpen()) return rdStop;
  const TReadinessInput in = ReadinessInputOf(s.Data, s.Video.Mode(), s.Options.CheckBox41HorizAndVertScale,
                                              s.Options.CheckBox38ChangeDefaultObjectsName);
  const TReadiness r = CheckReadiness(in, s.Dialog, mainMem_);
  if (r == rdNameFirst) {
    RunNamesDialog();
    s.Video.Repaint();
  }
  return r;
}

void MainWindow::OpenArgument(const QString& path) {
  const std::string p = path.toStdString();
  switch (StartupArgumentKind(p)) {
    case okVideo: session_->Workflow().OpenVideo(p); break;
    case okDocument: session_->Workflow().OpenDocument(p); break;
    case okNone: break;
  }
  RefreshCommands();
}

// ------------------------------------------------------------ events

void MainWindow::RouteKey(QKeyEvent* e) {
  TSession& s = *session_;
  if (!s.Video.IsOpen()) return;
  if (e->key() == Qt::Key_Space) {
    if (view_->rect().contains(view_->mapFromGlobal(QCursor::pos()))) popup_->popup(QCursor::pos());
    return;
  }
  int key = VideoWidget::KeyCode(e->key());
  if ((e->modifiers() & Qt::KeypadModifier) && e->key() >= Qt::Key_0 && e->key() <= Qt::Key_9)
    key = 96 + (e->key() - Qt::Key_0);
  s.Video.KeyDown(key, ShiftOf(e->modifiers()));
  view_->SyncFromView();
  RefreshCommands();
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
  RouteKey(e);
  e->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress &&
      (watched == view_ || watched == trackBar_ || qobject_cast<StatusField*>(watched) != nullptr)) {
    RouteKey(static_cast<QKeyEvent*>(event));
    return true;
  }
  if (event->type() == QEvent::MouseButtonRelease && watched == view_) RefreshCommands();
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
}

void MainWindow::RestorePlacement() {
  TSession& s = *session_;
  s.Recent.SetMaxEntries(static_cast<uint8_t>(s.Options.MRUCapacity()));
  const std::string path = s.Options.FileName();
  if (path.empty()) return;
  TIniFile ini(path);
  ini.Load();
  s.Recent.LoadFromIni(ini, "RecentFiles");
  s.Recent.LoadDirectory(ini, "RecentFiles");
  RebuildRecentMenu();
  if (ini.SectionExists("MainForm")) {
    const int w = ini.ReadInteger("MainForm", "Width", width());
    const int h = ini.ReadInteger("MainForm", "Height", height());
    move(ini.ReadInteger("MainForm", "Left", x()), ini.ReadInteger("MainForm", "Top", y()));
    resize(std::max(w, 632), std::max(h, 452));
    if (ini.ReadBool("MainForm", "Maximized", false)) showMaximized();
  } else if (const QScreen* sc = screen()) {
    // The first run takes the whole work area.
    setGeometry(sc->availableGeometry());
  }
}

void MainWindow::SavePlacement() {
  if (!shownOnce_) return;
  TSession& s = *session_;
  const std::string path = s.Options.FileName();
  if (path.empty()) return;
  TIniFile ini(path);
  ini.Load();
  const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
  ini.WriteInteger("MainForm", "Left", g.x());
  ini.WriteInteger("MainForm", "Top", g.y());
  ini.WriteInteger("MainForm", "Width", g.width());
  ini.WriteInteger("MainForm", "Height", g.height());
  ini.WriteBool("MainForm", "Maximized", isMaximized());
  s.Recent.SaveToIni(ini, "RecentFiles");
  s.Recent.SaveDirectory(ini, "RecentFiles");
  ini.UpdateFile();
}

}  // namespace kinevo::gui
