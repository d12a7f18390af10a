// The commands of the main window: one table per menu or tool bar group
// (name, action, picture), and the menus and tool bars laid out from them.
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QToolBar>

#include "core/app/commands.h"
#include "gui/app/cursor_pictures.h"
#include "gui/app/file_search_window.h"
#include "gui/app/main_window.h"
#include "gui/document/help.h"
#include "gui/formulas/formula_tools.h"
#include "gui/montage/missing_image_dialog.h"
#include "gui/results/results_form.h"
#include "gui/video/video_widget.h"
#include "kinevo_version.h"

namespace kinevo::gui {

namespace {

QIcon CursorIcon(const char* name) { return QIcon(QPixmap::fromImage(DrawCursorPicture(name))); }

// A tool bar picture of resources/icons.
QIcon Icon(const char* name) {
  return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

}  // namespace

QAction* MainWindow::MakeAction(TCommand command, std::function<void()> handler) {
  const TCommandText& t = CommandText(command);
  auto* a = new QAction(QString::fromUtf8(t.caption), this);
  a->setObjectName(QString::fromLatin1(CommandName(command)));
  a->setCheckable(t.checkable);
  a->setStatusTip(QString::fromUtf8(t.hint));
  a->setToolTip(QString::fromUtf8(t.hint));
  connect(a, &QAction::triggered, this, [this, handler = std::move(handler)] {
    handler();
    // The models announce their changes; this catches any command that
    // changed the work or the commands without one.
    session_->CommandDone();
  });
  actions_[command] = a;
  return a;
}

void MainWindow::AddActions(const std::vector<ActionEntry>& table) {
  for (const ActionEntry& e : table) {
    QAction* a = MakeAction(e.command, e.run);
    if (!e.icon.isNull()) a->setIcon(e.icon);
  }
}

std::function<void()> MainWindow::WhenOpen(std::function<void()> run) {
  return [this, run = std::move(run)] {
    if (session_->Video.IsOpen()) run();
  };
}

void MainWindow::BuildActions() {
  BuildToolActions();
  BuildModeActions();
  BuildNavigationActions();
  BuildFileActions();
  BuildViewActions();
  BuildMeasureActions();
  // Radio groups show one ticked item each.
  for (const auto& group : RadioGroups()) {
    auto* g = new QActionGroup(this);
    g->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (TCommand command : group) g->addAction(Action(command));
  }
}

// The marking and pointer tools; the items of the pop-up menu do the same as
// the buttons.
void MainWindow::BuildToolActions() {
  auto tool = [this](TOutil t, TScaleKind k = skNormal) {
    return WhenOpen([this, t, k] { ChooseTool(t, k); });
  };
  struct Tool {
    TCommand button;
    TCommand popup;
    std::function<void()> run;
    QIcon icon;
  };
  const std::vector<Tool> tools = {
      {TCommand::ButtonOutilZoom, TCommand::PopupMenuZoom,
       WhenOpen([this] { ChooseViewTool(vtZoom); }), CursorIcon("Zoom")},
      {TCommand::ButtonOutilPan, TCommand::PopupMenuPan,
       WhenOpen([this] { ChooseViewTool(vtPan); }), CursorIcon("Pan")},
      {TCommand::ButtonOutilEchelle, TCommand::PopupMenuEchelle, tool(otEchelle),
       CursorIcon("Echelle")},
      {TCommand::ButtonOutilEchelleHoriz, TCommand::PopupMenuEchelleHoriz, tool(otEchelle, skHoriz),
       CursorIcon("Echelle")},
      {TCommand::ButtonOutilEchelleVert, TCommand::PopupMenuEchelleVert, tool(otEchelle, skVert),
       CursorIcon("Echelle")},
      {TCommand::ButtonOutilMarque, TCommand::PopupMenuMarque, tool(otMarque),
       CursorIcon("Marque1")},
      {TCommand::ButtonOutilOrigine, TCommand::PopupMenuOrigine, tool(otOrigine),
       CursorIcon("Origine")},
      {TCommand::ButtonOutilTsp, TCommand::PopupMenuTsp, tool(otTsp), Icon("layer")},
      {TCommand::ButtonOutilDeplacer, TCommand::PopupMenuDeplacer, tool(otDeplacer),
       CursorIcon("Deplacer")},
      {TCommand::ButtonOutilEffacer, TCommand::PopupMenuEffacer, tool(otEffacer),
       CursorIcon("Gomme")},
  };
  for (const Tool& t : tools) AddActions({{t.button, t.run, t.icon}, {t.popup, t.run}});
  AddActions({{TCommand::ButtonOutilNom, WhenOpen([this] { RunNamesDialog(); }), Icon("names")}});
}

// The modes, the montage and the result buttons of the second tool bar row.
void MainWindow::BuildModeActions() {
  // A hidden image shows the film in negative.
  QIcon toggle(QStringLiteral(":/icons/montage_image.svg"));
  toggle.addFile(QStringLiteral(":/icons/montage_image_hidden.svg"), QSize(), QIcon::Normal,
                 QIcon::On);
  TSession& s = *session_;
  AddActions({
      {TCommand::ButtonModeRepereFixe, [this] { ChooseMode(vmRepereFixe); }},
      {TCommand::ButtonModeTransparent, [this] { ChooseMode(vmTransparent); }},
      {TCommand::ButtonModeMontage, [this] { ChooseMode(vmMontage); }},
      {TCommand::ButtonModeTracking, [this] { ChooseMode(vmTracking); }},
      {TCommand::ButtonModeCapture, [this] { ChooseMode(vmCapture); }},
      {TCommand::ButtonMontageBasculer, WhenOpen([&s] { s.Montage.ToggleCurrent(); }), toggle},
      {TCommand::ButtonMontageBasculerMult, WhenOpen([&s] { s.Montage.ToggleGroups(); }),
       Icon("montage_groups")},
      {TCommand::ButtonMontageInstant,
       [this, &s] {
         if (s.Montage.IsCurrentVisible())
           instantDialog_->Execute(
               s.Montage, [&s] { return s.Data.RequiredDuration(); }, this);
       },
       Icon("montage_instant")},
      {TCommand::ButtonMontageEnregistrer, WhenOpen([&s] { s.Recorder.RecordMontage(); })},
      {TCommand::ButtonMontageV2p, WhenOpen([&s] { s.Recorder.VideoToPictures(); })},
      {TCommand::ButtonMontageP2v, [&s] { s.Recorder.PicturesToVideo(); }},
  });
  for (const auto& [b, view] : kResultButtons)
    AddActions({{b, [this, view = view] { ShowResults(view); }}});
}

// The buttons beside the track bar.
void MainWindow::BuildNavigationActions() {
  TVideo& v = session_->Video;
  AddActions({
      {TCommand::ButtonNavPremiere, [this] { Navigate(0); }, Icon("nav_first")},
      {TCommand::ButtonNavPrecedente, [this, &v] { Navigate(v.DisplayedImage() - 1); },
       Icon("nav_previous")},
      {TCommand::ButtonNavLecture,
       WhenOpen([&v] { v.Play(v.DisplayedImage(), v.DisplayedImagesNumber() - 1); }),
       Icon("nav_play")},
      {TCommand::ButtonNavPause, [&v] { v.StopPlay(); }, Icon("nav_pause")},
      {TCommand::ButtonNavSuivante, [this, &v] { Navigate(v.DisplayedImage() + 1); },
       Icon("nav_next")},
      {TCommand::ButtonNavDerniere, [this, &v] { Navigate(v.DisplayedImagesNumber() - 1); },
       Icon("nav_last")},
  });
}

void MainWindow::BuildFileActions() {
  TFileWorkflow& w = session_->Workflow();
  AddActions({
      {TCommand::MenuFichierOuvrirVideo, [&w] { w.OpenWithDialog(1); }},
      {TCommand::MenuFichierOuvrirKvo, [&w] { w.OpenWithDialog(2); }},
      {TCommand::MenuFichierRecent, [] {}},
      {TCommand::MenuFichierRechercher,
       [this] {
         TFileSearchWindow* f = FileSearch();
         f->show();
         f->raise();
         f->activateWindow();
       }},
      {TCommand::MenuFichierFermerVideo, [&w] { w.CloseVideo(); }},
      {TCommand::MenuFichierEnregistrer, [&w] { w.Save(); }},
      {TCommand::MenuFichierEnregistrerSous, [&w] { w.SaveAs(); }},
      {TCommand::MenuFichierProprietes, [this] { ShowProperties(); }},
      {TCommand::MenuFichierChronophotographie, [this] { resForm_->ShowChronophotograph(); }},
      {TCommand::MenuFichierQuitter, [this] { close(); }},
  });
  Action(TCommand::MenuFichierEnregistrer)->setShortcut(QKeySequence::Save);
  // Not every desktop names a key for "save as"; this one is the usual.
  Action(TCommand::MenuFichierEnregistrerSous)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
}

void MainWindow::BuildViewActions() {
  TSession& s = *session_;
  TData& d = s.Data;
  auto erase = [this, &d](void (TData::*f)()) { return WhenOpen([&d, f] { (d.*f)(); }); };
  AddActions({
      {TCommand::MenuAffichageAnnuler, [&d] { d.Undo(); }},
      {TCommand::MenuAffichageLoupe,
       [this, &s] {
         s.Video.ShowLoupe(!s.Video.Loupe().Visible);
         view_->SyncFromView();
       }},
      {TCommand::MenuAffichageCacherImage,
       [&s] {
         s.Video.HideImage = !s.Video.HideImage;
         s.Video.Repaint();
       }},
      {TCommand::MenuAffichageModelesVideo, [&d] { d.SetModelsShown(!d.ModelsShown()); }},
      {TCommand::MenuAffichageImageCorrigee,
       [this] { session_->ShowCorrectedPicture(!session_->CorrectedPictureShown()); }},
      {TCommand::MenuAffichageAllerDerniereImagePointee,
       [&s] { s.Video.GoToMarkedImage(s.Data.LastMarkedImage()); }},
      {TCommand::MenuAffichageAllerImageNumero, [this] { GoToImageNumber(); }},
      {TCommand::MenuAffichageCouleur, [this] { RunNamesDialog(); }},
      {TCommand::MenuAffichageTaillePetite, [&d] { d.SetElementSize(0); }},
      {TCommand::MenuAffichageTailleMoyenne, [&d] { d.SetElementSize(1); }},
      {TCommand::MenuAffichageTailleGrande, [&d] { d.SetElementSize(2); }},
      {TCommand::MenuAffichageNumeroterDown, [&d] { d.SetMarksNumberPosition(npDown); }},
      {TCommand::MenuAffichageNumeroterRight, [&d] { d.SetMarksNumberPosition(npRight); }},
      {TCommand::MenuAffichageNumeroterNone, [&d] { d.SetMarksNumberPosition(npNone); }},
      {TCommand::MenuAffichageDessinerToutesLesMarques, [&d] { d.SetMarksIsAllDrawn(true); }},
      {TCommand::MenuAffichageDessinerDerniereMarque,
       [&d] {
         d.SetMarksIsAllDrawn(false);
         d.SetMarksNumberToDraw(1);
       }},
      {TCommand::MenuAffichageDessinerAutres,
       [this, &d] {
         if (!AskValue(tsNbMqDrawn)) return;
         d.SetMarksIsAllDrawn(false);
         d.SetMarksNumberToDraw(values_->IntValue());
       }},
      {TCommand::MenuAffichageEffacerMarques, erase(&TData::EraseMarks)},
      {TCommand::MenuAffichageEffacerTransparent, erase(&TData::EraseMarks)},
      {TCommand::MenuAffichageEffacerRepere, erase(&TData::EraseOrigin)},
      {TCommand::MenuAffichageEffacerEchelle, erase(&TData::EraseScale)},
      {TCommand::MenuAffichageEffacerTout, erase(&TData::EraseAll)},
      {TCommand::MenuAffichageEffacerContour, [] {}},
      {TCommand::MenuAffichageEffacerBanZones, [] {}},
      {TCommand::MenuAffichageOptions, [this] { ShowOptions(); }},
  });
  // Ctrl+Z as every desktop program has it; Ctrl+A, the program's own key,
  // still undoes from the view.
  Action(TCommand::MenuAffichageAnnuler)->setShortcut(QKeySequence::Undo);
}

// "Mesures" and "Aide".
void MainWindow::BuildMeasureActions() {
  TSession& s = *session_;
  TData& d = s.Data;
  AddActions({
      {TCommand::MenuMesuresAngleRotation, [this] { AskAngle(); }},
      {TCommand::MenuMesuresObjectif, [this] { EditLens(); }},
      {TCommand::MenuMesuresPlan, [this] { EditPlane(); }},
      {TCommand::MenuMesuresInverserAxeX,
       [&d] { d.SetDirectXAxisDirection(!d.DirectXAxisDirection()); }},
      {TCommand::MenuMesuresInverserAxeY,
       [&d] { d.SetDirectYAxisDirection(!d.DirectYAxisDirection()); }},
      {TCommand::MenuMesuresNbMarqueParImageUne, [this] { SetMarksPerFrame(1); }},
      {TCommand::MenuMesuresNbMarqueParImageDeux, [this] { SetMarksPerFrame(2); }},
      {TCommand::MenuMesuresNbMarqueParImageTrois, [this] { SetMarksPerFrame(3); }},
      {TCommand::MenuMesuresNbMarqueParImageAutres, [this] { SetMarksPerFrame(0); }},
      {TCommand::MenuMesuresNbImagesEntreMarquesUne, [&d] { d.SetFramesNumberBetweenTwoMarks(1); }},
      {TCommand::MenuMesuresNbImagesEntreMarquesAutres,
       [this, &d] {
         if (AskValue(tsNbImgStep)) d.SetFramesNumberBetweenTwoMarks(values_->IntValue());
       }},
      {TCommand::MenuMesuresTemps, [this] { AskDuration(); }},
      {TCommand::MenuMesuresValeurEchelle, [this] { AskScaleLength(skNormal); }},
      {TCommand::MenuMesuresValeurEchelleHoriz, [this] { AskScaleLength(skHoriz); }},
      {TCommand::MenuMesuresValeurEchelleVert, [this] { AskScaleLength(skVert); }},
      {TCommand::MenuAideKinevo, [&s] { OpenHelp(s.Dialog); }},
      {TCommand::MenuAideApropos,
       [&s] {
         s.Dialog.Show(icInformation, {{"Ok", btOk}},
                       {std::string("Kinevo ") + KINEVO_VERSION_STRING, "",
                        "Étude du mouvement à partir d'une vidéo."});
       }},
  });
  AddActions({{TCommand::MenuMesuresCalculatrice, [this] { formulaTools_->ShowCalculator(); }}});
  // The tracking mode connects these to the items of its own menu.
  for (TCommand t : {TCommand::MenuMesuresFormeLibre, TCommand::MenuMesuresFormePolygone,
                     TCommand::MenuMesuresFormeCercle, TCommand::MenuMesuresEspaceChoix1,
                     TCommand::MenuMesuresEspaceChoix2, TCommand::MenuMesuresEspaceChoix3,
                     TCommand::MenuMesuresEspaceChoixAutres, TCommand::MenuMesuresZone})
    AddActions({{t, [] {}}});
}

void MainWindow::BuildMenus() {
  // A separator where the command is missing.
  auto add = [this](QMenu* m, std::initializer_list<std::optional<TCommand>> commands) {
    for (const auto& c : commands) {
      if (c)
        m->addAction(Action(*c));
      else
        m->addSeparator();
    }
  };
  constexpr std::nullopt_t separator = std::nullopt;
  QMenu* file = menuBar()->addMenu(QStringLiteral("&Fichier"));
  add(file, {TCommand::MenuFichierOuvrirVideo, TCommand::MenuFichierOuvrirKvo});
  recentMenu_ = file->addMenu(Action(TCommand::MenuFichierRecent)->text());
  recentMenu_->setObjectName(QString::fromLatin1(CommandName(TCommand::MenuFichierRecent)));
  add(file, {TCommand::MenuFichierRechercher, separator, TCommand::MenuFichierFermerVideo,
             TCommand::MenuFichierEnregistrer, TCommand::MenuFichierEnregistrerSous, separator,
             TCommand::MenuFichierProprietes, TCommand::MenuFichierChronophotographie, separator,
             TCommand::MenuFichierQuitter});
  QMenu* view = menuBar()->addMenu(QStringLiteral("&Affichage"));
  add(view, {TCommand::MenuAffichageAnnuler, separator, TCommand::MenuAffichageLoupe,
             TCommand::MenuAffichageCacherImage, TCommand::MenuAffichageModelesVideo,
             TCommand::MenuAffichageImageCorrigee, separator,
             TCommand::MenuAffichageAllerDerniereImagePointee,
             TCommand::MenuAffichageAllerImageNumero, separator, TCommand::MenuAffichageCouleur});
  QMenu* size = view->addMenu(QStringLiteral("&Taille des marques et des axes"));
  add(size, {TCommand::MenuAffichageTaillePetite, TCommand::MenuAffichageTailleMoyenne,
             TCommand::MenuAffichageTailleGrande});
  QMenu* num = view->addMenu(QStringLiteral("N&uméroter les marques"));
  add(num, {TCommand::MenuAffichageNumeroterDown, TCommand::MenuAffichageNumeroterRight,
            TCommand::MenuAffichageNumeroterNone});
  QMenu* draw = view->addMenu(QStringLiteral("&Dessiner"));
  add(draw, {TCommand::MenuAffichageDessinerToutesLesMarques,
             TCommand::MenuAffichageDessinerDerniereMarque, TCommand::MenuAffichageDessinerAutres});
  view->addSeparator();
  QMenu* erase = view->addMenu(QStringLiteral("&Effacer"));
  add(erase, {TCommand::MenuAffichageEffacerMarques, TCommand::MenuAffichageEffacerTransparent,
              TCommand::MenuAffichageEffacerRepere, TCommand::MenuAffichageEffacerEchelle,
              TCommand::MenuAffichageEffacerContour, TCommand::MenuAffichageEffacerBanZones,
              separator, TCommand::MenuAffichageEffacerTout});
  add(view, {separator, TCommand::MenuAffichageOptions});
  QMenu* mes = menuBar()->addMenu(QStringLiteral("&Mesures"));
  add(mes, {TCommand::MenuMesuresAngleRotation, TCommand::MenuMesuresInverserAxeX,
            TCommand::MenuMesuresInverserAxeY, separator, TCommand::MenuMesuresObjectif,
            TCommand::MenuMesuresPlan, separator});
  QMenu* per = mes->addMenu(QStringLiteral("Nombre de &marques par image"));
  add(per,
      {TCommand::MenuMesuresNbMarqueParImageUne, TCommand::MenuMesuresNbMarqueParImageDeux,
       TCommand::MenuMesuresNbMarqueParImageTrois, TCommand::MenuMesuresNbMarqueParImageAutres});
  QMenu* step = mes->addMenu(QStringLiteral("Nombre d'&images entre deux pointages"));
  add(step, {TCommand::MenuMesuresNbImagesEntreMarquesUne,
             TCommand::MenuMesuresNbImagesEntreMarquesAutres});
  add(mes, {TCommand::MenuMesuresTemps, separator, TCommand::MenuMesuresValeurEchelle,
            TCommand::MenuMesuresValeurEchelleHoriz, TCommand::MenuMesuresValeurEchelleVert});
  QMenu* shape = mes->addMenu(QStringLiteral("&Forme du contour"));
  add(shape, {TCommand::MenuMesuresFormeLibre, TCommand::MenuMesuresFormePolygone,
              TCommand::MenuMesuresFormeCercle});
  QMenu* radius = mes->addMenu(QStringLiteral("&Rayon de recherche"));
  add(radius, {TCommand::MenuMesuresEspaceChoix1, TCommand::MenuMesuresEspaceChoix2,
               TCommand::MenuMesuresEspaceChoix3, TCommand::MenuMesuresEspaceChoixAutres});
  add(mes, {TCommand::MenuMesuresZone, separator, TCommand::MenuMesuresCalculatrice});
  QMenu* help = menuBar()->addMenu(QStringLiteral("A&ide"));
  add(help, {TCommand::MenuAideKinevo, TCommand::MenuAideApropos});
  menus_ = {file, view, size, num, draw, erase, mes, per, step, shape, radius, help, recentMenu_};

  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupMenu"));
  add(popup_,
      {TCommand::PopupMenuZoom, TCommand::PopupMenuPan, separator, TCommand::PopupMenuEchelle,
       TCommand::PopupMenuEchelleHoriz, TCommand::PopupMenuEchelleVert, TCommand::PopupMenuMarque,
       TCommand::PopupMenuOrigine, TCommand::PopupMenuTsp, TCommand::PopupMenuDeplacer,
       TCommand::PopupMenuEffacer});
}

void MainWindow::BuildToolBars() {
  auto bar = [this](const char* name, const QString& title, Qt::ToolBarArea area,
                    const std::vector<TCommand>& commands) {
    QToolBar* t = new QToolBar(title, this);
    t->setObjectName(QString::fromUtf8(name));
    t->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    t->setIconSize(QSize(24, 24));
    for (TCommand c : commands) t->addAction(Action(c));
    addToolBar(area, t);
    toolBars_.push_back(t);
    return t;
  };
  toolsBar_ =
      bar("ToolBarOutils", QStringLiteral("Outils"), Qt::TopToolBarArea,
          {TCommand::ButtonOutilZoom, TCommand::ButtonOutilPan, TCommand::ButtonOutilEchelle,
           TCommand::ButtonOutilEchelleHoriz, TCommand::ButtonOutilEchelleVert,
           TCommand::ButtonOutilOrigine, TCommand::ButtonOutilMarque, TCommand::ButtonOutilTsp,
           TCommand::ButtonOutilDeplacer, TCommand::ButtonOutilEffacer, TCommand::ButtonOutilNom});
  // The montage's commands on the row of the marking tools, which montage
  // mode hides: the second row is full with the modes and the results.
  bar("ToolBarMontage", QStringLiteral("Montage"), Qt::TopToolBarArea, MontageButtons());
  // The modes and the results on a second row: the marking tools alone fill
  // a narrow window.
  addToolBarBreak(Qt::TopToolBarArea);
  QToolBar* modes =
      bar("ToolBarMode", QStringLiteral("Modes"), Qt::TopToolBarArea,
          {TCommand::ButtonModeRepereFixe, TCommand::ButtonModeTransparent,
           TCommand::ButtonModeMontage, TCommand::ButtonModeTracking, TCommand::ButtonModeCapture});
  modes->setToolButtonStyle(Qt::ToolButtonTextOnly);
  QToolBar* results =
      bar("ToolBarResultats", QStringLiteral("Résultats"), Qt::TopToolBarArea,
          {TCommand::ButtonMenuTableau, TCommand::ButtonMenuTemps, TCommand::ButtonMenuReferentiel,
           TCommand::ButtonMenuVecteur, TCommand::ButtonMenuFormule});
  results->setToolButtonStyle(Qt::ToolButtonTextOnly);

  // Navigation: the track bar over the displayed images.
  QToolBar* nav = new QToolBar(QStringLiteral("Navigation"), this);
  nav->setObjectName(QStringLiteral("ToolBarNavigation"));
  nav->setIconSize(QSize(20, 20));
  for (TCommand c : NavigationButtons()) nav->addAction(Action(c));
  trackBar_ = new QSlider(Qt::Horizontal, nav);
  trackBar_->setObjectName(QStringLiteral("TrackBar"));
  trackBar_->setMinimumWidth(200);
  trackBar_->installEventFilter(this);
  nav->addWidget(trackBar_);
  addToolBar(Qt::BottomToolBarArea, nav);
  connect(trackBar_, &QSlider::valueChanged, this, [this](int v) {
    if (trackBar_->signalsBlocked() || !session_->Video.IsOpen()) return;
    if (v != session_->Video.DisplayedImage()) session_->Video.GoToDisplayedImage(v);
  });
}

void MainWindow::AddModeToolBar(QToolBar* bar, TBarRow row) {
  if (row == brToolsRow && toolsBar_ != nullptr)
    insertToolBar(toolsBar_, bar);
  else
    addToolBar(Qt::TopToolBarArea, bar);
}

void MainWindow::AddModeMenu(QMenu* menu) { menuBar()->addMenu(menu); }

}  // namespace kinevo::gui
