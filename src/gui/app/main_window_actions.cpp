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

QAction* MainWindow::MakeAction(const std::string& name, std::function<void()> handler) {
  const TCommandText* t = FindCommandText(name);
  auto* a = new QAction(t != nullptr ? QString::fromUtf8(t->caption) : QString::fromStdString(name),
                        this);
  a->setObjectName(QString::fromStdString(name));
  if (t != nullptr) {
    a->setCheckable(t->checkable);
    a->setStatusTip(QString::fromUtf8(t->hint));
    a->setToolTip(QString::fromUtf8(t->hint));
  }
  connect(a, &QAction::triggered, this, [this, handler = std::move(handler)] {
    handler();
    // The models announce their changes; this catches any command that
    // changed the work or the commands without one.
    session_->CommandDone();
  });
  actions_[name] = a;
  return a;
}

void MainWindow::AddActions(const std::vector<ActionEntry>& table) {
  for (const ActionEntry& e : table) {
    QAction* a = MakeAction(e.name, e.run);
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
    for (const auto& name : group) g->addAction(Action(name));
  }
}

// The marking and pointer tools; the items of the pop-up menu do the same as
// the buttons.
void MainWindow::BuildToolActions() {
  auto tool = [this](TOutil t, TScaleKind k = skNormal) {
    return WhenOpen([this, t, k] { ChooseTool(t, k); });
  };
  struct Tool {
    const char* button;
    const char* popup;
    std::function<void()> run;
    QIcon icon;
  };
  const std::vector<Tool> tools = {
      {"ButtonOutilZoom", "PopupMenuZoom", WhenOpen([this] { ChooseViewTool(vtZoom); }),
       CursorIcon("Zoom")},
      {"ButtonOutilPan", "PopupMenuPan", WhenOpen([this] { ChooseViewTool(vtPan); }),
       CursorIcon("Pan")},
      {"ButtonOutilEchelle", "PopupMenuEchelle", tool(otEchelle), CursorIcon("Echelle")},
      {"ButtonOutilEchelleHoriz", "PopupMenuEchelleHoriz", tool(otEchelle, skHoriz),
       CursorIcon("Echelle")},
      {"ButtonOutilEchelleVert", "PopupMenuEchelleVert", tool(otEchelle, skVert),
       CursorIcon("Echelle")},
      {"ButtonOutilMarque", "PopupMenuMarque", tool(otMarque), CursorIcon("Marque1")},
      {"ButtonOutilOrigine", "PopupMenuOrigine", tool(otOrigine), CursorIcon("Origine")},
      {"ButtonOutilTsp", "PopupMenuTsp", tool(otTsp), Icon("layer")},
      {"ButtonOutilDeplacer", "PopupMenuDeplacer", tool(otDeplacer), CursorIcon("Deplacer")},
      {"ButtonOutilEffacer", "PopupMenuEffacer", tool(otEffacer), CursorIcon("Gomme")},
  };
  for (const Tool& t : tools) AddActions({{t.button, t.run, t.icon}, {t.popup, t.run}});
  AddActions({{"ButtonOutilNom", WhenOpen([this] { RunNamesDialog(); }), Icon("names")}});
}

// The modes, the montage and the result buttons of the second tool bar row.
void MainWindow::BuildModeActions() {
  // A hidden image shows the film in negative.
  QIcon toggle(QStringLiteral(":/icons/montage_image.svg"));
  toggle.addFile(QStringLiteral(":/icons/montage_image_hidden.svg"), QSize(), QIcon::Normal,
                 QIcon::On);
  TSession& s = *session_;
  AddActions({
      {"ButtonModeRepereFixe", [this] { ChooseMode(vmRepereFixe); }},
      {"ButtonModeTransparent", [this] { ChooseMode(vmTransparent); }},
      {"ButtonModeMontage", [this] { ChooseMode(vmMontage); }},
      {"ButtonModeTracking", [this] { ChooseMode(vmTracking); }},
      {"ButtonModeCapture", [this] { ChooseMode(vmCapture); }},
      {"ButtonMontageBasculer", WhenOpen([&s] { s.Montage.ToggleCurrent(); }), toggle},
      {"ButtonMontageBasculerMult", WhenOpen([&s] { s.Montage.ToggleGroups(); }),
       Icon("montage_groups")},
      {"ButtonMontageInstant",
       [this, &s] {
         if (s.Montage.IsCurrentVisible())
           instantDialog_->Execute(
               s.Montage, [&s] { return s.Data.RequiredDuration(); }, this);
       },
       Icon("montage_instant")},
      {"ButtonMontageEnregistrer", WhenOpen([&s] { s.Recorder.RecordMontage(); })},
      {"ButtonMontageV2p", WhenOpen([&s] { s.Recorder.VideoToPictures(); })},
      {"ButtonMontageP2v", [&s] { s.Recorder.PicturesToVideo(); }},
  });
  for (const auto& [b, view] : kResultButtons)
    AddActions({{b, [this, view = view] { ShowResults(view); }}});
}

// The buttons beside the track bar.
void MainWindow::BuildNavigationActions() {
  TVideo& v = session_->Video;
  AddActions({
      {"ButtonNavPremiere", [this] { Navigate(0); }, Icon("nav_first")},
      {"ButtonNavPrecedente", [this, &v] { Navigate(v.DisplayedImage() - 1); },
       Icon("nav_previous")},
      {"ButtonNavLecture",
       WhenOpen([&v] { v.Play(v.DisplayedImage(), v.DisplayedImagesNumber() - 1); }),
       Icon("nav_play")},
      {"ButtonNavPause", [&v] { v.StopPlay(); }, Icon("nav_pause")},
      {"ButtonNavSuivante", [this, &v] { Navigate(v.DisplayedImage() + 1); }, Icon("nav_next")},
      {"ButtonNavDerniere", [this, &v] { Navigate(v.DisplayedImagesNumber() - 1); },
       Icon("nav_last")},
  });
}

void MainWindow::BuildFileActions() {
  TFileWorkflow& w = session_->Workflow();
  AddActions({
      {"MenuFichierOuvrirVideo", [&w] { w.OpenWithDialog(1); }},
      {"MenuFichierOuvrirKvo", [&w] { w.OpenWithDialog(2); }},
      {"MenuFichierRecent", [] {}},
      {"MenuFichierRechercher",
       [this] {
         TFileSearchWindow* f = FileSearch();
         f->show();
         f->raise();
         f->activateWindow();
       }},
      {"MenuFichierFermerVideo", [&w] { w.CloseVideo(); }},
      {"MenuFichierEnregistrer", [&w] { w.Save(); }},
      {"MenuFichierEnregistrerSous", [&w] { w.SaveAs(); }},
      {"MenuFichierProprietes", [this] { ShowProperties(); }},
      {"MenuFichierQuitter", [this] { close(); }},
  });
  Action("MenuFichierEnregistrer")->setShortcut(QKeySequence::Save);
  // Not every desktop names a key for "save as"; this one is the usual.
  Action("MenuFichierEnregistrerSous")->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
}

void MainWindow::BuildViewActions() {
  TSession& s = *session_;
  TData& d = s.Data;
  auto erase = [this, &d](void (TData::*f)()) { return WhenOpen([&d, f] { (d.*f)(); }); };
  AddActions({
      {"MenuAffichageAnnuler", [&d] { d.Undo(); }},
      {"MenuAffichageLoupe",
       [this, &s] {
         s.Video.ShowLoupe(!s.Video.Loupe().Visible);
         view_->SyncFromView();
       }},
      {"MenuAffichageCacherImage",
       [&s] {
         s.Video.HideImage = !s.Video.HideImage;
         s.Video.Repaint();
       }},
      {"MenuAffichageAllerDerniereImagePointee",
       [&s] { s.Video.GoToMarkedImage(s.Data.LastMarkedImage()); }},
      {"MenuAffichageAllerImageNumero", [this] { GoToImageNumber(); }},
      {"MenuAffichageCouleur", [this] { RunNamesDialog(); }},
      {"MenuAffichageTaillePetite", [&d] { d.SetElementSize(0); }},
      {"MenuAffichageTailleMoyenne", [&d] { d.SetElementSize(1); }},
      {"MenuAffichageTailleGrande", [&d] { d.SetElementSize(2); }},
      {"MenuAffichageNumeroterDown", [&d] { d.SetMarksNumberPosition(npDown); }},
      {"MenuAffichageNumeroterRight", [&d] { d.SetMarksNumberPosition(npRight); }},
      {"MenuAffichageNumeroterNone", [&d] { d.SetMarksNumberPosition(npNone); }},
      {"MenuAffichageDessinerToutesLesMarques", [&d] { d.SetMarksIsAllDrawn(true); }},
      {"MenuAffichageDessinerDerniereMarque",
       [&d] {
         d.SetMarksIsAllDrawn(false);
         d.SetMarksNumberToDraw(1);
       }},
      {"MenuAffichageDessinerAutres",
       [this, &d] {
         if (!AskValue(tsNbMqDrawn)) return;
         d.SetMarksIsAllDrawn(false);
         d.SetMarksNumberToDraw(values_->IntValue());
       }},
      {"MenuAffichageEffacerMarques", erase(&TData::EraseMarks)},
      {"MenuAffichageEffacerTransparent", erase(&TData::EraseMarks)},
      {"MenuAffichageEffacerRepere", erase(&TData::EraseOrigin)},
      {"MenuAffichageEffacerEchelle", erase(&TData::EraseScale)},
      {"MenuAffichageEffacerTout", erase(&TData::EraseAll)},
      {"MenuAffichageEffacerContour", [] {}},
      {"MenuAffichageEffacerBanZones", [] {}},
      {"MenuAffichageOptions", [this] { ShowOptions(); }},
  });
  // Ctrl+Z as every desktop program has it; Ctrl+A, the program's own key,
  // still undoes from the view.
  Action("MenuAffichageAnnuler")->setShortcut(QKeySequence::Undo);
}

// "Mesures" and "Aide".
void MainWindow::BuildMeasureActions() {
  TSession& s = *session_;
  TData& d = s.Data;
  AddActions({
      {"MenuMesuresAngleRotation", [this] { AskAngle(); }},
      {"MenuMesuresInverserAxeX", [&d] { d.SetDirectXAxisDirection(!d.DirectXAxisDirection()); }},
      {"MenuMesuresInverserAxeY", [&d] { d.SetDirectYAxisDirection(!d.DirectYAxisDirection()); }},
      {"MenuMesuresNbMarqueParImageUne", [this] { SetMarksPerFrame(1); }},
      {"MenuMesuresNbMarqueParImageDeux", [this] { SetMarksPerFrame(2); }},
      {"MenuMesuresNbMarqueParImageTrois", [this] { SetMarksPerFrame(3); }},
      {"MenuMesuresNbMarqueParImageAutres", [this] { SetMarksPerFrame(0); }},
      {"MenuMesuresNbImagesEntreMarquesUne", [&d] { d.SetFramesNumberBetweenTwoMarks(1); }},
      {"MenuMesuresNbImagesEntreMarquesAutres",
       [this, &d] {
         if (AskValue(tsNbImgStep)) d.SetFramesNumberBetweenTwoMarks(values_->IntValue());
       }},
      {"MenuMesuresTemps", [this] { AskDuration(); }},
      {"MenuMesuresValeurEchelle", [this] { AskScaleLength(skNormal); }},
      {"MenuMesuresValeurEchelleHoriz", [this] { AskScaleLength(skHoriz); }},
      {"MenuMesuresValeurEchelleVert", [this] { AskScaleLength(skVert); }},
      {"MenuAideKinevo", [&s] { OpenHelp(s.Dialog); }},
      {"MenuAideApropos",
       [&s] {
         s.Dialog.Show(icInformation, {{"Ok", btOk}},
                       {std::string("Kinevo ") + KINEVO_VERSION_STRING, "",
                        "Étude du mouvement à partir d'une vidéo."});
       }},
  });
  AddActions({{"MenuMesuresCalculatrice", [this] { formulaTools_->ShowCalculator(); }}});
  // Tracking is not part of the program yet.
  for (const char* t :
       {"MenuMesuresFormeLibre", "MenuMesuresFormePolygone", "MenuMesuresFormeCercle",
        "MenuMesuresEspaceChoix1", "MenuMesuresEspaceChoix2", "MenuMesuresEspaceChoix3",
        "MenuMesuresEspaceChoixAutres", "MenuMesuresZone"})
    AddActions({{t, [] {}}});
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
  add(file,
      {"MenuFichierRechercher", "-", "MenuFichierFermerVideo", "MenuFichierEnregistrer",
       "MenuFichierEnregistrerSous", "-", "MenuFichierProprietes", "-", "MenuFichierQuitter"});
  QMenu* view = menuBar()->addMenu(QStringLiteral("&Affichage"));
  add(view, {"MenuAffichageAnnuler", "-", "MenuAffichageLoupe", "MenuAffichageCacherImage", "-",
             "MenuAffichageAllerDerniereImagePointee", "MenuAffichageAllerImageNumero", "-",
             "MenuAffichageCouleur"});
  QMenu* size = view->addMenu(QStringLiteral("&Taille des marques et des axes"));
  add(size,
      {"MenuAffichageTaillePetite", "MenuAffichageTailleMoyenne", "MenuAffichageTailleGrande"});
  QMenu* num = view->addMenu(QStringLiteral("N&uméroter les marques"));
  add(num,
      {"MenuAffichageNumeroterDown", "MenuAffichageNumeroterRight", "MenuAffichageNumeroterNone"});
  QMenu* draw = view->addMenu(QStringLiteral("&Dessiner"));
  add(draw, {"MenuAffichageDessinerToutesLesMarques", "MenuAffichageDessinerDerniereMarque",
             "MenuAffichageDessinerAutres"});
  view->addSeparator();
  QMenu* erase = view->addMenu(QStringLiteral("&Effacer"));
  add(erase,
      {"MenuAffichageEffacerMarques", "MenuAffichageEffacerTransparent",
       "MenuAffichageEffacerRepere", "MenuAffichageEffacerEchelle", "MenuAffichageEffacerContour",
       "MenuAffichageEffacerBanZones", "-", "MenuAffichageEffacerTout"});
  add(view, {"-", "MenuAffichageOptions"});
  QMenu* mes = menuBar()->addMenu(QStringLiteral("&Mesures"));
  add(mes, {"MenuMesuresAngleRotation", "MenuMesuresInverserAxeX", "MenuMesuresInverserAxeY", "-"});
  QMenu* per = mes->addMenu(QStringLiteral("Nombre de &marques par image"));
  add(per, {"MenuMesuresNbMarqueParImageUne", "MenuMesuresNbMarqueParImageDeux",
            "MenuMesuresNbMarqueParImageTrois", "MenuMesuresNbMarqueParImageAutres"});
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

  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupMenu"));
  add(popup_, {"PopupMenuZoom", "PopupMenuPan", "-", "PopupMenuEchelle", "PopupMenuEchelleHoriz",
               "PopupMenuEchelleVert", "PopupMenuMarque", "PopupMenuOrigine", "PopupMenuTsp",
               "PopupMenuDeplacer", "PopupMenuEffacer"});
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
       "ButtonOutilEchelleVert", "ButtonOutilOrigine", "ButtonOutilMarque", "ButtonOutilTsp",
       "ButtonOutilDeplacer", "ButtonOutilEffacer", "ButtonOutilNom"});
  // The montage's commands on the row of the marking tools, which montage
  // mode hides: the second row is full with the modes and the results.
  bar("ToolBarMontage", QStringLiteral("Montage"), Qt::TopToolBarArea, MontageButtons());
  // The modes and the results on a second row: the marking tools alone fill
  // a narrow window.
  addToolBarBreak(Qt::TopToolBarArea);
  QToolBar* modes = bar("ToolBarMode", QStringLiteral("Modes"), Qt::TopToolBarArea,
                        {"ButtonModeRepereFixe", "ButtonModeTransparent", "ButtonModeMontage",
                         "ButtonModeTracking", "ButtonModeCapture"});
  modes->setToolButtonStyle(Qt::ToolButtonTextOnly);
  QToolBar* results = bar("ToolBarResultats", QStringLiteral("Résultats"), Qt::TopToolBarArea,
                          {"ButtonMenuTableau", "ButtonMenuTemps", "ButtonMenuReferentiel",
                           "ButtonMenuVecteur", "ButtonMenuFormule"});
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
  });
}

}  // namespace kinevo::gui
