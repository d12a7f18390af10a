#include "gui/tracking/tracking_ui.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>

#include "core/app/command_ids.h"
#include "core/app/tracking_dialogs.h"

namespace kinevo::gui {

namespace {

using C = TTrackingCommand;

// The search radii the menu offers, in pixels.
constexpr std::pair<TTrackingCommand, int> kRadii[] = {
    {C::MenuSuiviRayon20, 20}, {C::MenuSuiviRayon40, 40}, {C::MenuSuiviRayon60, 60}};

TTrackingSettings SettingsOf(const TOptions& o) {
  TTrackingSettings s;
  s.shape = ContourShapeFromSetting(o.ShapeNumber_Value);
  s.showSearchZone = o.CheckBox52ShowRadiusSearch;
  s.radius = o.TrackingRadius_Value;
  s.uncertainFraction = o.TrackingUncertainty_Value / 100.0;
  return s;
}

}  // namespace

TrackingUi::TrackingUi(QMainWindow& window, IModeCommands& commands, TSession& session,
                       QWidget& view, TBoiteValeur& values)
    : QObject(&window),
      window_(window),
      commands_(commands),
      session_(session),
      view_(view),
      values_(values),
      host_(session.Video) {
  tracking_ =
      std::make_unique<TTracking>(host_, session.Data, session.Dialog, SettingsOf(session.Options));
  BuildToolBar();
  BuildMenu();
  Wire();
  view_.installEventFilter(this);
  Refresh();
}

TrackingUi::~TrackingUi() {
  links_.DisconnectAll();
  TVideo& v = session_.Video;
  if (v.Tracking == tracking_.get()) v.Tracking = nullptr;
}

QAction* TrackingUi::Action(TTrackingCommand id) const {
  return actions_[static_cast<std::size_t>(id)];
}

QAction* TrackingUi::Action(std::string_view name) const {
  const std::optional<TTrackingCommand> id = CommandOfName<TTrackingCommand>(name);
  return id ? Action(*id) : nullptr;
}

QAction* TrackingUi::Add(TTrackingCommand id, const QString& caption, const QString& hint,
                         bool checkable, std::function<void()> run) {
  auto* a = new QAction(caption, &window_);
  a->setObjectName(QString::fromLatin1(CommandName(id)));
  a->setToolTip(hint);
  a->setStatusTip(hint);
  a->setCheckable(checkable);
  connect(a, &QAction::triggered, this, [run] { run(); });
  actions_[static_cast<std::size_t>(id)] = a;
  return a;
}

void TrackingUi::BuildToolBar() {
  TTracking& t = *tracking_;
  toolBar_ = new QToolBar(QStringLiteral("Suivi"), &window_);
  toolBar_->setObjectName(QStringLiteral("ToolBarTracking"));
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  const std::vector<QAction*> buttons = {
      Add(C::ButtonTrackContour, QStringLiteral("Contour"),
          QStringLiteral("Dessiner le contour de l'objet à suivre"), true,
          [this] { ChooseDrawTool(dtContour); }),
      Add(C::ButtonTrackBanZone, QStringLiteral("Zone ignorée"),
          QStringLiteral("Dessiner une zone que le suivi doit ignorer"), true,
          [this] { ChooseDrawTool(dtBanZone); }),
      Add(C::ButtonTrackNumMarque, QStringLiteral("Objet"), QStringLiteral("Choisir l'objet suivi"),
          false, [this] { ChooseTrackingSystem(*tracking_, values_); }),
      Add(C::ButtonTrackSequence, QStringLiteral("Séquence"),
          QStringLiteral("Définir la dernière image du suivi"), false,
          [this] { ChooseTrackingLastImage(*tracking_, values_); }),
      Add(C::ButtonTrackSuivi, QStringLiteral("Démarrer"),
          QStringLiteral("Démarrer ou arrêter le suivi"), false, [this] { StartOrStop(); }),
      Add(C::ButtonTrackEffacerContour, QStringLiteral("Effacer le contour"),
          QStringLiteral("Effacer le contour de l'objet"), false, [&t] { t.EraseContour(); }),
      Add(C::ButtonTrackEffacerTrack, QStringLiteral("Effacer le suivi"),
          QStringLiteral("Effacer les marques du suivi automatique"), false,
          [&t] { t.EraseAutomaticMarks(); }),
      Add(C::ButtonTrackEffacerBanZone, QStringLiteral("Effacer la zone"),
          QStringLiteral("Effacer la dernière zone ignorée"), false,
          [&t] { t.EraseLastBanZone(); }),
  };
  for (QAction* a : buttons) toolBar_->addAction(a);
  // On the row of the marking tools, which tracking mode hides but for the
  // zoom: the second row is full with the modes and the results.
  commands_.AddModeToolBar(toolBar_, IModeCommands::brToolsRow);
}

void TrackingUi::BuildMenu() {
  TTracking& t = *tracking_;
  menu_ = new QMenu(QStringLiteral("Suivi"), &window_);
  menu_->setObjectName(QStringLiteral("MenuSuivi"));
  // The tracker, kept with the analysis.
  auto* methods = new QActionGroup(this);
  for (auto [id, caption, hint, method] :
       {std::tuple{C::MenuSuiviCouleur, "Suivi par la couleur",
                   "Suivre l'objet par ses couleurs (objet coloré)", tmColour},
        std::tuple{C::MenuSuiviApparence, "Suivi par l'apparence",
                   "Suivre l'objet par son image (objet sans couleur propre)", tmAppearance}}) {
    QAction* a = Add(id, QString::fromUtf8(caption), QString::fromUtf8(hint), true,
                     [&t, m = method] { t.SetMethod(m); });
    methods->addAction(a);
    menu_->addAction(a);
  }
  menu_->addSeparator();
  auto* shapes = new QActionGroup(this);
  for (auto [id, caption, shape] :
       {std::tuple{TTrackingCommand::MenuSuiviFormeLibre, "Contour à main levée", csFreehand},
        std::tuple{TTrackingCommand::MenuSuiviFormePolygone, "Contour polygonal", csPolygon},
        std::tuple{TTrackingCommand::MenuSuiviFormeCercle, "Contour circulaire", csCircle}}) {
    QAction* a =
        Add(id, QString::fromUtf8(caption), {}, true, [&t, s = shape] { t.SetContourShape(s); });
    shapes->addAction(a);
    menu_->addAction(a);
  }
  menu_->addSeparator();
  auto* radii = new QActionGroup(this);
  for (auto [id, r] : kRadii) {
    QAction* a =
        Add(id, QStringLiteral("Rayon de recherche : %1 pixels").arg(r), {}, true, [this, r = r] {
          tracking_->SetRadius(r);
          Refresh();
        });
    radii->addAction(a);
    menu_->addAction(a);
  }
  QAction* other =
      Add(C::MenuSuiviRayonAutre, QStringLiteral("Autre rayon de recherche ..."), {}, true, [this] {
        ChooseTrackingRadius(*tracking_, values_);
        Refresh();
      });
  radii->addAction(other);
  menu_->addAction(other);
  menu_->addSeparator();
  menu_->addAction(
      Add(C::MenuSuiviZone, QStringLiteral("Afficher la zone de recherche"), {}, true,
          [this] { tracking_->SetShowSearchZone(Action(C::MenuSuiviZone)->isChecked()); }));
  menu_->addAction(Add(
      C::MenuSuiviArretIncertain, QStringLiteral("Arrêter à la première image incertaine"), {},
      true,
      [this] { tracking_->SetStopAtUncertain(Action(C::MenuSuiviArretIncertain)->isChecked()); }));
  commands_.AddModeMenu(menu_);
  // The same commands in the window's "Mesures" menu.
  for (auto [from, to] : {std::pair{TCommand::MenuMesuresFormeLibre, C::MenuSuiviFormeLibre},
                          {TCommand::MenuMesuresFormePolygone, C::MenuSuiviFormePolygone},
                          {TCommand::MenuMesuresFormeCercle, C::MenuSuiviFormeCercle},
                          {TCommand::MenuMesuresEspaceChoix1, C::MenuSuiviRayon20},
                          {TCommand::MenuMesuresEspaceChoix2, C::MenuSuiviRayon40},
                          {TCommand::MenuMesuresEspaceChoix3, C::MenuSuiviRayon60},
                          {TCommand::MenuMesuresEspaceChoixAutres, C::MenuSuiviRayonAutre},
                          {TCommand::MenuMesuresZone, C::MenuSuiviZone}})
    if (QAction* a = commands_.Command(from))
      connect(a, &QAction::triggered, Action(to), &QAction::trigger);
}

void TrackingUi::Wire() {
  TVideo& v = session_.Video;
  TTracking& t = *tracking_;
  v.Tracking = &t;
  // Leaving tracking ends a run and offers to keep its marks; entering it
  // starts afresh.
  links_ += v.AddModeHandlers({
      .Leave =
          [this, &t](TVideoMode from, TVideoMode) {
            if (from != vmTracking) return;
            EndRunNow();
            t.CommitOffer();
          },
      .Enter =
          [this, &t](TVideoMode to) {
            Refresh();
            if (to != vmTracking) return true;
            t.SetDrawTool(dtNone);
            t.Reset();
            return true;
          },
  });
  links_ += v.OnModeChange.Connect([this](void*) { Refresh(); });
  // A run reads the video's pictures: it ends before the video goes.
  links_ += v.OnVideoClosing.Connect([this](void*) { EndRunNow(); });
  links_ += t.OnRunningChanged.Connect([this](void*) {
    Refresh();
    if (!tracking_->Running()) TellRunEnded();
  });
  links_ += t.OnToolChanged.Connect([this](void*) { Refresh(); });
  // The tracker may be chosen in the options or come with a document.
  links_ += session_.Data.OnChange.Connect([this](void*) { Refresh(); });
  fromOptions_ = SettingsOf(session_.Options);
  links_ += session_.Options.OnChange.Connect([this](void*) { FollowOptions(); });
  links_ += t.OnProgress.Connect([this](std::pair<int, int> p) {
    window_.statusBar()->showMessage(QStringLiteral("image %1 / %2").arg(p.first).arg(p.second));
  });
  links_ += session_.Data.OnMarksChanged.Connect([this](void*) {
    // The number of systems may have changed: the tables follow it.
    if (session_.Video.IsTracking() && !tracking_->Running() &&
        tracking_->SystemsCount() != session_.Data.MarksNumberPerFrame())
      tracking_->Reset();
  });
}

void TrackingUi::FollowOptions() {
  const TTrackingSettings now = SettingsOf(session_.Options);
  TTracking& t = *tracking_;
  if (now.shape != fromOptions_.shape) t.SetContourShape(now.shape);
  if (now.radius != fromOptions_.radius) t.SetRadius(now.radius);
  if (now.showSearchZone != fromOptions_.showSearchZone) t.SetShowSearchZone(now.showSearchZone);
  if (now.uncertainFraction != fromOptions_.uncertainFraction)
    t.SetUncertainFraction(now.uncertainFraction);
  fromOptions_ = now;
  Refresh();
}

void TrackingUi::ChooseDrawTool(TDrawTool tool) {
  tracking_->SetDrawTool(tracking_->DrawTool() == tool ? dtNone : tool);
  Refresh();
}

void TrackingUi::StartOrStop() {
  // The end of the run is told by OnRunningChanged.
  if (tracking_->Running())
    tracking_->Stop();
  else
    tracking_->Start();
}

void TrackingUi::EndRunNow() {
  tracking_->Stop();
  tracking_->Wait();
}

void TrackingUi::TellRunEnded() {
  const std::string text = tracking_->UncertainText();
  if (text.empty()) {
    window_.statusBar()->showMessage(QStringLiteral("Suivi terminé"));
  } else {
    window_.statusBar()->showMessage(QString::fromStdString(text));
    session_.Dialog.Show(icWarning, {{"Ok", btOk}}, {text});
  }
}

void TrackingUi::Refresh() {
  const bool on = session_.Video.IsTracking();
  const bool open = session_.Video.IsOpen();
  const bool running = tracking_->Running();
  toolBar_->setVisible(on);
  menu_->menuAction()->setVisible(on);
  for (QAction* a : actions_) a->setEnabled(open && (!running || a == Action(C::ButtonTrackSuivi)));
  Action(C::ButtonTrackSuivi)
      ->setText(running ? QStringLiteral("Arrêter") : QStringLiteral("Démarrer"));
  Action(C::ButtonTrackContour)->setChecked(tracking_->DrawTool() == dtContour);
  Action(C::ButtonTrackBanZone)->setChecked(tracking_->DrawTool() == dtBanZone);
  const TTrackingSettings& s = tracking_->Settings();
  Action(C::MenuSuiviFormeLibre)->setChecked(s.shape == csFreehand);
  Action(C::MenuSuiviFormePolygone)->setChecked(s.shape == csPolygon);
  Action(C::MenuSuiviFormeCercle)->setChecked(s.shape == csCircle);
  const bool preset = s.radius == 20 || s.radius == 40 || s.radius == 60;
  for (auto [id, r] : kRadii) Action(id)->setChecked(s.radius == r);
  Action(C::MenuSuiviRayonAutre)->setChecked(!preset);
  Action(C::MenuSuiviZone)->setChecked(s.showSearchZone);
  Action(C::MenuSuiviArretIncertain)->setChecked(s.stopAtUncertain);
  Action(C::MenuSuiviCouleur)->setChecked(tracking_->Method() == tmColour);
  Action(C::MenuSuiviApparence)->setChecked(tracking_->Method() == tmAppearance);
}

bool TrackingUi::eventFilter(QObject* watched, QEvent* event) {
  // A double click closes a polygon or a ban zone; the view itself would
  // take it for a second press.
  if (watched == &view_ && event->type() == QEvent::MouseButtonDblClick &&
      session_.Video.IsTracking()) {
    auto* e = static_cast<QMouseEvent*>(event);
    if (e->button() == Qt::LeftButton) {
      const QPoint p = e->position().toPoint();
      tracking_->DoubleClick(p.x(), p.y());
      view_.update();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kinevo::gui
