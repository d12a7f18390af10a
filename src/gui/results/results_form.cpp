#include "gui/results/results_form.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleValidator>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <type_traits>

#include "core/app/results_look.h"
#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/export/data_program.h"
#include "core/graph/curve_models.h"
#include "core/graph/figure_tools.h"
#include "gui/chrono/chrono_window.h"
#include "gui/common/window_placement.h"
#include "gui/formulas/formulas_dialog.h"
#include "gui/graph/graph_widget.h"
#include "gui/print/print_dialog.h"
#include "gui/results/dynamic_panel.h"
#include "gui/results/results_table_model.h"
#include "platform/qt/graph_image.h"

namespace kinevo {
namespace {

constexpr int kControlZone = 12;  // pixels at each end of a control-row cell

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The texts of the hints start with "|": the long part of a short|long hint.
QString LongHint(const char* hint) { return QString::fromUtf8(hint).section('|', 1); }

}  // namespace

TControlClick ControlRowClick(int displayedColumn, int x, int width) {
  if (displayedColumn < 1) return ccNothing;
  if (width > kControlZone) {
    if (x < kControlZone) return ccFewerDigits;
    if (x >= width - kControlZone) return ccMoreDigits;
  }
  // The time column can never be hidden.
  return displayedColumn == 1 ? ccNothing : ccHideColumn;
}

bool TResForm::ViewAllowed(int view, const TOptionsValues& o) {
  switch (view) {
    case rvTable:
      return o.CheckBox37GridShowItem;
    case rvTime:
      return o.CheckBox15TimeShowItem;
    case rvTrajectory:
      return o.CheckBox18TrajectoryShowItem;
    case rvVectors:
      return o.CheckBox22VectorShowItem;
    default:
      return o.CheckBox28FormulaShowItem;
  }
}

QString TResForm::ViewTitle(int view) {
  switch (view) {
    case rvTable:
      return QStringLiteral("Tableau des valeurs");
    case rvTime:
      return QStringLiteral("Evolution en fonction du temps");
    case rvTrajectory:
      return QStringLiteral("Trajectoire dans un référentiel");
    case rvVectors:
      return QStringLiteral("Représentation des vecteurs");
    default:
      return QStringLiteral("Formules personnelles");
  }
}

TResForm::TResForm(TSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), grids_(session.Results(), session.ResultsSource()) {
  setObjectName("ResForm");
  resize(900, 620);
  BuildPages();
  BuildMenus();
  BuildToolBar();
  status_ = new QLabel(this);
  statusBar()->addWidget(status_, 1);
  Connect();
  ApplyOptions();
  setWindowTitle(ViewTitle(view_));
}

TResForm::~TResForm() { links_.DisconnectAll(); }

// ---------------------------------------------------------------- building

QAction* TResForm::AddAction(QMenu* menu, Cmd command, const QString& text, bool checkable) {
  return Register(command, menu->addAction(text), checkable);
}

QAction* TResForm::Register(Cmd command, QAction* a, bool checkable) {
  a->setObjectName(QString::fromLatin1(CommandName(command)));
  a->setCheckable(checkable);
  actions_[static_cast<std::size_t>(command)] = a;
  return a;
}

QAction* TResForm::Action(Cmd command) const { return actions_[static_cast<std::size_t>(command)]; }

QAction* TResForm::Action(const std::string& name) const {
  if (const std::optional<Cmd> command = CommandOfName<Cmd>(name)) return Action(*command);
  // The model buttons and graph tools, named after their kinds.
  return findChild<QAction*>(QString::fromStdString(name));
}

void TResForm::BuildMenus() {
  auto& o = session_.Options;
  QMenu* file = menuBar()->addMenu("Fichier");
  QMenu* edit = menuBar()->addMenu("Edition");
  BuildExportActions(file, edit);
  connect(AddAction(edit, Cmd::MenuRestaurerGraphe, "Restaurer le graphe"), &QAction::triggered,
          this, [this] { RestoreRanges(); });
  connect(AddAction(edit, Cmd::MenuRestaurerTableau, "Restaurer le tableau"), &QAction::triggered,
          this, [this] {
            ApplyTableGroups();
            FillTable();
          });

  QMenu* show = menuBar()->addMenu("Affichage");
  struct Group {
    Cmd command;
    const char* text;
    bool TOptionsValues::*setting;
  };
  for (const Group& g :
       {Group{Cmd::MenuCoordonnees, "Coordonnées", &TOptionsValues::CheckBox29GridShowCoordinates},
        Group{Cmd::MenuVitesse, "Vitesse", &TOptionsValues::CheckBox10GridShowSpeed},
        Group{Cmd::MenuAcceleration, "Accélération",
              &TOptionsValues::CheckBox11GridShowAcceleration},
        Group{Cmd::MenuPolaires, "Grandeurs polaires",
              &TOptionsValues::CheckBox57GridShowPolarQuantities}}) {
    QAction* a = AddAction(show, g.command, QString::fromUtf8(g.text), true);
    a->setChecked(o.*g.setting);
    connect(a, &QAction::toggled, this, [this, setting = g.setting](bool on) {
      session_.Options.*setting = on;
      ApplyTableGroups();
      FillTable();
    });
  }
  show->addSeparator();
  QMenu* draw = show->addMenu("Dessiner");
  connect(AddAction(draw, Cmd::MenuDessinerOrigine, "l'origine du repère", true), &QAction::toggled,
          this, [this](bool on) {
            session_.Options.CheckBox33VectorOrigin = on;
            RebuildGraph();
          });
  connect(AddAction(draw, Cmd::MenuDessinerLigne, "une ligne brisée", true), &QAction::toggled,
          this, [this](bool on) {
            auto& op = session_.Options;
            (view_ == rvTime         ? op.CheckBox14TimePolyline
             : view_ == rvTrajectory ? op.CheckBox17TrajectoryPolyline
             : view_ == rvVectors    ? op.CheckBox21VectorPolyline
                                     : op.CheckBox26FormulaPolyline) = on;
            RebuildGraph();
          });
  QMenu* numbers = show->addMenu("Numérotation");
  auto* numberGroup = new QActionGroup(this);
  for (int place : {1, 2}) {
    QAction* a = AddAction(numbers, place == 1 ? Cmd::MenuNumSous : Cmd::MenuNumDroite,
                           place == 1 ? "sous la marque" : "à droite de la marque", true);
    numberGroup->addAction(a);
    connect(a, &QAction::triggered, this, [this] { RebuildGraph(); });
  }
  QMenu* trajectory = show->addMenu("Trajectoire");
  auto* frameGroup = new QActionGroup(this);
  QAction* tilted = AddAction(trajectory, Cmd::MenuRepere, "dans le repère (O, x, y)", true);
  QAction* video = AddAction(trajectory, Cmd::MenuCommeVideo, "présentée comme sur la vidéo", true);
  frameGroup->addAction(tilted);
  frameGroup->addAction(video);
  tilted->setChecked(o.CheckBox35VectorTilted);
  video->setChecked(!o.CheckBox35VectorTilted);
  connect(tilted, &QAction::toggled, this, [this](bool on) {
    session_.Options.CheckBox35VectorTilted = on;
    RebuildGraph();
  });
  QMenu* size = show->addMenu("Taille");
  auto* sizeGroup = new QActionGroup(this);
  for (auto [name, text] :
       {std::pair{Cmd::MenuTailleGrande, "grande"}, std::pair{Cmd::MenuTailleMoyenne, "moyenne"},
        std::pair{Cmd::MenuTaillePetite, "petite"}}) {
    QAction* a = AddAction(size, name, text, true);
    sizeGroup->addAction(a);
    connect(a, &QAction::triggered, this, [this] { RebuildGraph(); });
  }
  show->addSeparator();
  QMenu* zoom = show->addMenu("Zoom");
  AddAction(zoom, Cmd::MenuZoomX, "des abscisses", true);
  AddAction(zoom, Cmd::MenuZoomY, "des ordonnées", true);
  for (Cmd n : {Cmd::MenuZoomX, Cmd::MenuZoomY})
    connect(Action(n), &QAction::toggled, this, [this, n](bool on) {
      auto& op = session_.Options;
      const bool x = n == Cmd::MenuZoomX;
      if (view_ == rvTime) (x ? op.CheckBox12TimeZoomX : op.CheckBox13TimeZoomY) = on;
      if (view_ == rvFormulas) (x ? op.CheckBox23FormulaZoomX : op.CheckBox24FormulaZoomY) = on;
      if (TGraph* g = CurrentGraph()) (x ? g->Model().IsZoomX : g->Model().IsZoomY) = on;
    });
  QMenu* origin = show->addMenu("Origine");
  connect(AddAction(origin, Cmd::MenuOrigineX, "des abscisses", true), &QAction::toggled, this,
          [this](bool on) {
            session_.Options.CheckBox34FormulaOriginX = on;
            RebuildGraph();
          });
  connect(AddAction(origin, Cmd::MenuOrigineY, "des ordonnées", true), &QAction::toggled, this,
          [this](bool on) {
            session_.Options.CheckBox25FormulaOriginY = on;
            RebuildGraph();
          });
  QMenu* bubble = show->addMenu("Bulle des valeurs");
  auto* bubbleGroup = new QActionGroup(this);
  const std::pair<const char*, TBullePlace> corners[] = {{"en haut à gauche", bpUpLeft},
                                                         {"en haut à droite", bpUpRight},
                                                         {"en bas à gauche", bpDownLeft},
                                                         {"en bas à droite", bpDownRight},
                                                         {"aucune", bpNone}};
  for (auto [text, place] : corners) {
    QAction* a = bubble->addAction(QString::fromUtf8(text));
    a->setCheckable(true);
    a->setChecked(place == bpUpRight);
    bubbleGroup->addAction(a);
    connect(a, &QAction::triggered, this, [this, place] {
      for (TGraph* g : graph_) {
        g->Model().Bulle.place = place;
        g->update();
      }
    });
  }
  // The model's box on the graph, shown until the user hides it.
  QAction* box = AddAction(show, Cmd::MenuBoiteModele, QString::fromUtf8("Boîte du modèle"), true);
  box->setChecked(true);
  connect(box, &QAction::toggled, this, [this](bool on) {
    for (TGraph* g : graph_) {
      g->Model().ModelBox.shown = on;
      g->update();
    }
  });
  // The marks' uncertainties carried to every value: columns beside the
  // table's and the formulas', error bars on the graphs, and fits weighted
  // by them.
  show->addSeparator();
  QAction* uncertainties =
      AddAction(show, Cmd::MenuIncertitudes, QString::fromUtf8("Afficher les incertitudes"), true);
  connect(uncertainties, &QAction::toggled, this, [this](bool on) {
    session_.Results().SetUncertainties(on);
    grids_.Grid().SetUncertaintiesShown(on);
    grids_.Layer().SetUncertaintiesShown(on);
    Refresh();
    // The formulas window shows their uncertainties beside its columns.
    if (formulasDialog_) {
      formulasDialog_->GridLogic().UncertaintiesShown = on;
      formulasDialog_->Refresh();
    }
  });
  // The model's equation and statistics in the modeller come with the models.
  AddAction(show, Cmd::MenuEquation, "Afficher l'équation", true)->setVisible(false);
  AddAction(show, Cmd::MenuStatistiques, "les statistiques", true)->setVisible(false);

  QMenu* calc = menuBar()->addMenu("Calculs");
  connect(AddAction(calc, Cmd::MenuCalculatrice, "Calculatrice"), &QAction::triggered, this,
          [this] {
            if (ShowCalculator) ShowCalculator();
          });
  connect(AddAction(calc, Cmd::MenuFormules, "Saisir des formules ou des constantes"),
          &QAction::triggered, this, [this] { ShowFormulasDialog(); });
  connect(AddAction(calc, Cmd::MenuTemps, "Temps séparant deux images"), &QAction::triggered, this,
          [this] {
            if (OpenTimeBetweenImages) OpenTimeBetweenImages();
          });
  connect(AddAction(calc, Cmd::MenuModeleDynamique, "Modèle dynamique"), &QAction::triggered, this,
          [this] { ShowDynamicModel(); });
  calc->addSeparator();
  for (auto [name, text, bit] :
       {std::tuple{Cmd::MenuLisserVitesse, "Lisser les valeurs de la vitesse",
                   TCalcul::kSmoothSpeed},
        std::tuple{Cmd::MenuLisserAcceleration, "Lisser les valeurs de l'accélération",
                   TCalcul::kSmoothAcceleration}}) {
    QAction* a = AddAction(calc, name, QString::fromUtf8(text), true);
    connect(a, &QAction::triggered, this, [this, bit = bit](bool on) {
      TResCalc& r = session_.Results();
      r.SetSmoothingFlags(on ? (r.SmoothingFlags() | bit) : (r.SmoothingFlags() & ~bit));
      Refresh();
    });
  }
}

void TResForm::BuildExportActions(QMenu* file, QMenu* edit) {
  connect(AddAction(file, Cmd::MenuExporter, "Exporter"), &QAction::triggered, this,
          &TResForm::ExportCurrent);
  connect(AddAction(file, Cmd::MenuChronophotographie, "Chronophotographie..."),
          &QAction::triggered, this, [this] { ShowChronophotograph(); });
  QAction* print = AddAction(file, Cmd::MenuImprimer, "Imprimer");
  print->setShortcut(QKeySequence::Print);
  connect(print, &QAction::triggered, this, &TResForm::PrintCurrent);
  connect(AddAction(file, Cmd::MenuFermer, "Fermer"), &QAction::triggered, this, &QWidget::close);

  // Undoes the last change made with the figure tools of the graph shown.
  QAction* undo = AddAction(edit, Cmd::MenuAnnuler, "Annuler");
  undo->setShortcut(QKeySequence::Undo);
  connect(undo, &QAction::triggered, this, [this] {
    if (TGraph* g = CurrentGraph(); g && view_ != rvTable) {
      g->Model().Figures().Undo();
      g->update();
    }
  });
  // Disabled while a menu shows that nothing is to undo; Ctrl+Z stays live.
  connect(edit, &QMenu::aboutToShow, this, &TResForm::UpdateUndoAction);
  connect(edit, &QMenu::aboutToHide, undo, [undo] { undo->setEnabled(true); });
  // Ctrl+C copies what is shown: the table, or the graph's picture.
  QAction* copy = AddAction(edit, Cmd::MenuCopier, "Copier");
  copy->setShortcut(QKeySequence::Copy);
  connect(copy, &QAction::triggered, this, &TResForm::CopyShown);
  connect(AddAction(edit, Cmd::MenuCopierImage, "Copier l'image dans le presse-papier"),
          &QAction::triggered, this, [this] {
            if (TGraph* g = CurrentGraph(); g && view_ != rvTable)
              imageExporter_.Copy(g->Model(), view_ == rvVectors);
          });
  connect(AddAction(edit, Cmd::MenuCopierTableau, "Copier le tableau dans le presse-papier"),
          &QAction::triggered, this, [this] { exporter_.Copy(ShownTable()); });
  QMenu* launch = edit->addMenu("Copier et lancer");
  Register(Cmd::MenuCopierLancer, launch->menuAction());
  connect(AddAction(launch, Cmd::MenuExcel, "Excel"), &QAction::triggered, this, [this] {
    exporter_.SendToSpreadsheet(srWorkbook, ShownTable(), session_.VideoFileName());
  });
  connect(AddAction(launch, Cmd::MenuOpenOffice, "OpenOffice"), &QAction::triggered, this, [this] {
    exporter_.SendToSpreadsheet(srOpenDocument, ShownTable(), session_.VideoFileName());
  });
  connect(AddAction(launch, Cmd::MenuRegressi, "Regressi"), &QAction::triggered, this,
          &TResForm::SendToDataProgram);
}

void TResForm::UpdateUndoAction() {
  const TGraph* g = view_ == rvTable ? nullptr : CurrentGraph();
  const std::string caption = g ? g->Model().Figures().UndoCaption() : std::string();
  QAction* undo = Action(Cmd::MenuAnnuler);
  undo->setText(caption.empty() ? QStringLiteral("Annuler") : Q(caption));
  undo->setEnabled(!caption.empty());
}

void TResForm::CopyShown() {
  if (view_ == rvTable)
    exporter_.Copy(ShownTable());
  else if (TGraph* g = CurrentGraph())
    imageExporter_.Copy(g->Model(), view_ == rvVectors);
}

void TResForm::ShowGraphMenu(QPoint globalPos) {
  // The commands a right click on a graph is expected to offer, taken from
  // the window's menus so that their states and shortcuts are the same.
  QMenu menu(this);
  menu.setObjectName("GraphContextMenu");
  const std::optional<Cmd> items[] = {Cmd::MenuAnnuler,         Cmd::MenuCopier,      std::nullopt,
                                      Cmd::MenuRestaurerGraphe, Cmd::MenuBoiteModele, std::nullopt,
                                      Cmd::MenuExporter,        Cmd::MenuImprimer};
  for (const std::optional<Cmd>& item : items) {
    if (item)
      menu.addAction(Action(*item));
    else
      menu.addSeparator();
  }
  UpdateUndoAction();
  if (PopupMenu)
    PopupMenu(menu, globalPos);
  else
    menu.exec(globalPos);
  Action(Cmd::MenuAnnuler)->setEnabled(true);
}

TExportTable TResForm::ShownTable() const {
  const IResultsSource& source = session_.ResultsSource();
  return ValuesTable(grids_.Active(), source.XAxisAngle(source.IsLayerActive()));
}

void TResForm::ExportCurrent() {
  if (view_ == rvTable) {
    exporter_.SaveAsText(ShownTable(), session_.VideoFileName());
  } else if (TGraph* g = CurrentGraph()) {
    // The vector view's picture carries its arrow scale.
    imageExporter_.SaveAs(g->Model(), session_.VideoFileName(), view_ == rvVectors);
  }
}

QImage TResForm::PrintedPicture() {
  TGraph* g = CurrentGraph();
  if (g == nullptr || view_ == rvTable) return {};
  // White plot and margins; the vector view prints its arrow scale.  A finer
  // picture than the screen's, for the printer.
  const TGraphOutputLook look(g->Model(), view_ == rvVectors, true);
  return GraphImage(g->Model(), 3.0);
}

gui::TBoiteImprimer& TResForm::PrintDialog() {
  if (!printDialog_) printDialog_ = std::make_unique<gui::TBoiteImprimer>(this);
  return *printDialog_;
}

gui::ChronoWindow& TResForm::ShowChronophotograph() {
  if (!chronoWindow_) {
    chronoWindow_ = std::make_unique<gui::ChronoWindow>(
        session_, [this]() -> gui::TBoiteImprimer& { return PrintDialog(); }, this);
    chronoWindow_->VectorFactor = [this](bool acceleration) {
      return VectorFactor(acceleration ? vkAcceleration : vkSpeed);
    };
  }
  chronoWindow_->show();
  chronoWindow_->raise();
  chronoWindow_->activateWindow();
  return *chronoWindow_;
}

double TResForm::VectorFactor(int kind) const {
  const TGraph* g = Graph(rvVectors, Layer());
  return g ? VectorFactorOf(g->Model(), kind) : 0.0;
}

void TResForm::PrintCurrent() {
  const QImage picture = PrintedPicture();
  if (picture.isNull()) return;
  gui::TBoiteImprimer& dialog = PrintDialog();
  // The printed page draws the graph again as vectors, as the picture shows
  // it: white plot and margins, the arrow scale of the vector view.
  TGraph* g = CurrentGraph();
  const bool vectors = view_ == rvVectors;
  dialog.SetPicture(picture, [g, vectors](QPainter& p, double fontDpi) {
    const TGraphOutputLook look(g->Model(), vectors, true);
    RenderGraph(g->Model(), p, fontDpi);
  });
  dialog.exec();
}

void TResForm::SendToDataProgram() {
  // The program's path is kept in the settings, beside the options.
  exporter_.SendToDataProgram(ShownTable(), session_.Settings, [this](const std::string& mask) {
    if (!SearchFile) return;
    // The session outlives the search window's answer; this window may not.
    SearchFile(QString::fromStdString(mask), [&session = session_](const QString& chosen) {
      const TStatus kept = RememberDataProgram(session.Settings, chosen.toStdString());
      if (!kept) session.Dialog.Show(icError, {{"Ok", btOk}}, kept.error().Lines());
    });
  });
}

// The commands of the "Fichier" and "Edition" menus that depend on the view.
void TResForm::UpdateExportActions() {
  const bool table = view_ == rvTable;
  Action(Cmd::MenuCopierTableau)->setVisible(table);
  Action(Cmd::MenuCopierLancer)->setVisible(table);
  Action(Cmd::MenuCopierImage)->setVisible(!table);
  Action(Cmd::MenuImprimer)->setVisible(!table);
}

void TResForm::BuildToolBar() {
  QToolBar* bar = addToolBar("Résultats");
  bar->setObjectName("ToolBarResultats");
  const std::pair<int, const char*> views[] = {{rvTable, "Tableau"},
                                               {rvTime, "Temps"},
                                               {rvTrajectory, "Référentiel"},
                                               {rvVectors, "Vecteurs"},
                                               {rvFormulas, "Formules"}};
  auto* group = new QActionGroup(this);
  for (auto [view, text] : views) {
    QAction* a = bar->addAction(QString::fromUtf8(text));
    a->setCheckable(true);
    a->setToolTip(ViewTitle(view));
    group->addAction(a);
    viewActions_[static_cast<std::size_t>(view)] = a;
    connect(a, &QAction::triggered, this, [this, view = view] { ShowView(view); });
  }
  bar->addSeparator();
  auto* tools = new QActionGroup(this);
  const std::pair<int, const char*> graphTools[] = {{gtNone, "Aucun outil"},
                                                    {gtZoom, "Zoom"},
                                                    {gtPan, "Déplacer"},
                                                    {gtReticule, "Réticule"},
                                                    {gtMesurer, "Mesurer"}};
  for (auto [tool, text] : graphTools) {
    QAction* a = bar->addAction(QString::fromUtf8(text));
    a->setObjectName(QStringLiteral("GraphTool%1").arg(tool));
    a->setCheckable(true);
    a->setChecked(tool == gtNone);
    tools->addAction(a);
    connect(a, &QAction::triggered, this, [this, tool = tool] { ChooseGraphTool(tool); });
  }
  // The figures drawn over the graphs, and the tools that edit them.
  addToolBarBreak();
  QToolBar* figures = figureBar_ = addToolBar("Figures");
  figures->setObjectName("ToolBarFigures");
  const std::pair<int, const char*> figureTools[] = {
      {gtSelection, "Sélectionner"}, {gtSegment, "Segment"},      {gtSpline, "Courbe"},
      {gtVecteur, "Vecteur"},        {gtAngle, "Angle"},          {gtArc, "Arc"},
      {gtCercle, "Cercle"},          {gtEllipse, "Ellipse"},      {gtCurveArc, "Courber"},
      {gtDupliquer, "Dupliquer"},    {gtSens, "Changer de sens"}, {gtSupprimer, "Supprimer"}};
  for (auto [tool, text] : figureTools) {
    QAction* a = figures->addAction(QString::fromUtf8(text));
    a->setObjectName(QStringLiteral("GraphTool%1").arg(tool));
    a->setCheckable(true);
    tools->addAction(a);
    connect(a, &QAction::triggered, this, [this, tool = tool] { ChooseGraphTool(tool); });
  }
  BuildModelTools(bar);
}

void TResForm::BuildPages() {
  pages_ = new QStackedWidget(this);
  setCentralWidget(pages_);

  table_ = new QTableView(pages_);
  tableModel_ = std::make_unique<TResultsTableModel>();
  table_->setModel(tableModel_.get());
  table_->horizontalHeader()->hide();
  table_->verticalHeader()->hide();
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setToolTip("Cacher la colonne ou modifier le nombre de chiffres significatifs");
  connect(table_, &QTableView::clicked, this, &TResForm::OnTableClicked);
  connect(table_, &QTableView::doubleClicked, this, &TResForm::OnTableDoubleClicked);
  pages_->addWidget(table_);

  graphPage_ = new QWidget(pages_);
  auto* row = new QHBoxLayout(graphPage_);
  auto* panel = new QWidget(graphPage_);
  panel->setFixedWidth(210);
  auto* col = new QVBoxLayout(panel);
  col->setContentsMargins(0, 0, 0, 0);
  systemsTitle_ = new QLabel("Points", panel);
  col->addWidget(systemsTitle_);
  systems_ = new QListWidget(panel);
  connect(systems_, &QListWidget::itemChanged, this, [this] { OnSystemTicked(); });
  col->addWidget(systems_, 1);
  choiceLabel_ = new QLabel(panel);
  col->addWidget(choiceLabel_);
  choice_ = new QComboBox(panel);
  connect(choice_, &QComboBox::currentIndexChanged, this, &TResForm::OnChoice);
  col->addWidget(choice_);
  referenceLabel_ = new QLabel("Référentiel", panel);
  col->addWidget(referenceLabel_);
  reference_ = new QComboBox(panel);
  connect(reference_, &QComboBox::currentIndexChanged, this, &TResForm::OnReference);
  col->addWidget(reference_);
  scalePanel_ = new QWidget(panel);
  auto* scaleRow = new QHBoxLayout(scalePanel_);
  scaleRow->setContentsMargins(0, 0, 0, 0);
  scaleRow->addWidget(new QLabel("Echelle :", scalePanel_));
  scaleRow->addWidget(new QLabel("représente", scalePanel_));
  scaleEdit_ = new QLineEdit(scalePanel_);
  connect(scaleEdit_, &QLineEdit::editingFinished, this, &TResForm::OnScaleEdited);
  scaleRow->addWidget(scaleEdit_, 1);
  scaleUnit_ = new QLabel("m/s", scalePanel_);
  scaleRow->addWidget(scaleUnit_);
  col->addWidget(scalePanel_);
  hint_ = new QLabel(panel);
  hint_->setWordWrap(true);
  col->addWidget(hint_);
  row->addWidget(panel);

  graphs_ = new QStackedWidget(graphPage_);
  for (std::size_t slot = 0; slot < graph_.size(); ++slot) {
    TGraph* g = graph_[slot] = new TGraph(session_.GraphUtils, graphs_);
    graphs_->addWidget(g);
    connect(g, &TGraph::WorldChanged, this, [this, slot] { fitted_[slot] = false; });
    // A graph still showing its fitted window is fitted to its new size
    // (equal scales then fill the plot); a zoomed or moved one keeps its
    // units per pixel.  Either way its figures and model stay.
    connect(g, &TGraph::Resized, this, [this, g, slot] {
      if (fitted_[slot] && g == CurrentGraph() && isVisible()) RestoreRanges();
    });
    connect(g, &TGraph::PointDoubleClicked, this, [this](int r) { GoToRow(r); });
    connect(g, &TGraph::ContextMenuWanted, this, &TResForm::ShowGraphMenu);
    connect(g, &TGraph::MouseWorld, this, [this](double x, double y) {
      status_->setText(
          QStringLiteral("x = %1    y = %2").arg(Q(FormatNumber(0, x)), Q(FormatNumber(0, y))));
    });
  }
  row->addWidget(graphs_, 1);
  pages_->addWidget(graphPage_);
}

void TResForm::Connect() {
  // Every change that alters results invalidates them: marks, systems,
  // scale, axes, time base, montage, options.  One redraw per burst.
  auto later = [this] {
    stale_ = true;
    QTimer::singleShot(0, this, [this] {
      if (stale_) Refresh();
    });
  };
  links_ += session_.Results().OnInvalidated.Connect([later](TResultsTarget) { later(); });
  links_ += session_.Data.OnMarkColorChanged.Connect([later](void*) { later(); });
  links_ += session_.Data.OnChange.Connect([later](void*) { later(); });
  links_ += session_.Options.OnChange.Connect([this](void*) { ApplyOptions(); });
  links_ += session_.Video.OnModeChange.Connect([later](void*) { later(); });
  links_ += session_.Video.OnImageChange.Connect([this](void*) {
    if (session_.Video.IsOpen()) SetCurrentImage(session_.Video.CurrentImage());
  });
  links_ += session_.OnVideoOpened.Connect([this](void*) { ResetMemories(); });
  links_ += session_.OnVideoClosed.Connect([this](void*) {
    ResetMemories();
    if (dynamicPanel_) dynamicPanel_->hide();
    hide();
  });
  // Every change of the dynamic model is drawn at once.
  links_ += session_.Dynamics.OnChange.Connect([this] { ApplyDynamicModel(); });
}

void TResForm::ShowDynamicModel() {
  if (!UpdateResults()) return;
  if (!dynamicPanel_) dynamicPanel_ = std::make_unique<TDynamicPanel>(session_, this);
  // A new model follows the system shown, when one is.
  const std::vector<int>& ticked = TickedSystems();
  dynamicPanel_->Open(ticked.empty() ? 0 : ticked.front());
}

void TResForm::ApplyDynamicModel() {
  TGraph* graph = CurrentGraph();
  if (!graph || (view_ != rvTime && view_ != rvTrajectory)) return;
  std::vector<TOverlayCurve> curves;
  const TDynamicSetting& s = session_.Dynamics.Setting();
  const TCalcul& calc = session_.Results().Active();
  const TMemory& m = memories_.Active(Layer());
  auto shown = [&](const std::vector<int>& systems) {
    return std::find(systems.begin(), systems.end(), s.system) != systems.end();
  };
  if (s.Defined() && !calc.Stale()) {
    // A smooth curve over few images: points between them too, but not
    // where a reference system is known at the images only.
    const int reference = m.reference - 1;
    const int fine =
        view_ == rvTrajectory && reference >= 0 ? 1 : DrawingSubdivisions(calc.RowCount());
    const TDynamicTrack& track = session_.Dynamics.Track(calc, fine);
    TOverlayCurve c;
    c.colour = session_.Data.MarkColor(s.system);
    const std::size_t n = track.t.size();
    c.points.reserve(n);
    if (view_ == rvTime && shown(m.timeSystems)) {
      const std::vector<double>* values = m.quantity == qtX    ? &track.x
                                          : m.quantity == qtY  ? &track.y
                                          : m.quantity == qtVx ? &track.vx
                                          : m.quantity == qtVy ? &track.vy
                                                               : nullptr;
      for (std::size_t r = 0; values && r < n; ++r) c.points.push_back({track.t[r], (*values)[r]});
    } else if (view_ == rvTrajectory && shown(m.trajectorySystems)) {
      // Seen from another system: less that system's position where it is
      // marked.
      constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
      for (std::size_t r = 0; r < n && reference != s.system; ++r) {
        const int row = static_cast<int>(r);
        if (reference < 0)
          c.points.push_back({track.x[r], track.y[r]});
        else if (calc.IsMarked(reference, row))
          c.points.push_back({track.x[r] - calc.Value(cfAxes, reference, qtX, row),
                              track.y[r] - calc.Value(cfAxes, reference, qtY, row)});
        else
          c.points.push_back({kNaN, kNaN});
      }
    }
    if (!c.points.empty()) curves.push_back(std::move(c));
  }
  graph->SetOverlayCurves(std::move(curves));
}

// ---------------------------------------------------------------- state

void TResForm::ApplyOptions() {
  const auto& o = session_.Options;
  speedShown_ = o.CheckBox9Speed;
  accelerationShown_ = o.CheckBox8Acceleration;
  polarShown_ = o.CheckBox53PolarQuantities;
  for (int v = 0; v < 5; ++v)
    viewActions_[static_cast<std::size_t>(v)]->setVisible(ViewAllowed(v, o));
  Action(Cmd::MenuLisserVitesse)
      ->setChecked(session_.Results().SmoothingFlags() & TCalcul::kSmoothSpeed);
  Action(Cmd::MenuLisserAcceleration)
      ->setChecked(session_.Results().SmoothingFlags() & TCalcul::kSmoothAcceleration);
  ApplyLookChoices();
  Refresh();
}

void TResForm::ApplyLookChoices() {
  // "Taille" follows the settings' line size of the graphs (0 thin, 1
  // medium, 2 thick), "Numérotation" the place the main window numbers the
  // marks at.
  const int size = std::clamp(session_.Options.PenSize4Graph_Value, 0, 2);
  Action(size == 2   ? Cmd::MenuTailleGrande
         : size == 1 ? Cmd::MenuTailleMoyenne
                     : Cmd::MenuTaillePetite)
      ->setChecked(true);
  const bool right = session_.Data.ActiveMarks().MarksNumberPosition == npRight;
  Action(right ? Cmd::MenuNumDroite : Cmd::MenuNumSous)->setChecked(true);
}

void TResForm::ResetMemories() {
  memories_.Clear();
  grids_.ResetDigits(rtBoth);
  // Another video: its graphs start without models, built afresh.
  modelKinds_.fill(mkNone);
  built_.fill({});
  ApplyLookChoices();
  stale_ = true;
}

std::vector<int>& TResForm::TickedSystems() {
  TMemory& m = memories_.Active(Layer());
  return view_ == rvTime      ? m.timeSystems
         : view_ == rvVectors ? m.vectorSystems
                              : m.trajectorySystems;
}

TSystemsLook TResForm::SystemsLook() const {
  TSystemsLook sl;
  const TCalcul& calc = session_.Results().Active();
  for (int i = 0; i < calc.SystemsCount(); ++i) {
    sl.names.push_back(session_.Data.SystemName(i));
    sl.colours.push_back(session_.Data.MarkColor(i));
  }
  return sl;
}

TGraphLook TResForm::LookFor(int view) const {
  TGraphLook look = GraphLookFor(view, session_.Options);
  if (Action(Cmd::MenuNumDroite)->isChecked()) look.labelPlace = 2;
  look.displaySize = Action(Cmd::MenuTailleGrande)->isChecked()    ? 1
                     : Action(Cmd::MenuTailleMoyenne)->isChecked() ? 2
                                                                   : 0;
  return look;
}

int TResForm::GraphSlot(int view, bool layer) const {
  if (view == rvFormulas) return 6;
  const int base = view == rvTime ? 0 : view == rvTrajectory ? 1 : 2;
  return base + (layer ? 3 : 0);
}

TGraph* TResForm::Graph(int view, bool layer) const {
  if (view == rvTable) return nullptr;
  return graph_[static_cast<std::size_t>(GraphSlot(view, layer))];
}

TGraph* TResForm::CurrentGraph() const { return Graph(view_, session_.Video.IsLayer()); }

// ---------------------------------------------------------------- showing

bool TResForm::UpdateResults() {
  const bool derivatives = speedShown_ || accelerationShown_ || polarShown_;
  if (session_.UpdateResults(derivatives)) return true;
  // A failed derivative: those groups are off for the rest of the run.
  if (derivatives && session_.Results().LastCode() != ccNoVideo) {
    speedShown_ = accelerationShown_ = polarShown_ = false;
  }
  session_.Dialog.Show(icWarning, {{"Ok", btOk}}, session_.Results().Failure().Lines());
  return false;
}

bool TResForm::ShowView(int view) {
  if (view < rvFormulas || view > rvVectors) return false;
  if (!UpdateResults()) return false;
  view_ = view;
  for (int v = 0; v < 5; ++v) viewActions_[static_cast<std::size_t>(v)]->setChecked(v == view);
  setWindowTitle(ViewTitle(view));
  stale_ = false;
  RedrawView();
  show();
  raise();
  activateWindow();
  return true;
}

void TResForm::Refresh() {
  if (!isVisible()) {
    stale_ = true;
    return;
  }
  stale_ = false;
  if (!UpdateResults()) {
    hide();
    return;
  }
  RedrawView();
}

void TResForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (stale_) QTimer::singleShot(0, this, [this] { Refresh(); });
}

void TResForm::closeEvent(QCloseEvent* e) {
  // Closing only hides: the selections stay.
  e->accept();
}

void TResForm::RedrawView() {
  UpdateRowImages();
  if (view_ == rvTable) {
    pages_->setCurrentWidget(table_);
    FillTable();
  } else {
    pages_->setCurrentWidget(graphPage_);
    graphs_->setCurrentWidget(CurrentGraph());
    FillPanel();
    RebuildGraph();
  }
  if (dynamicPanel_ && dynamicPanel_->isVisible()) dynamicPanel_->Sync();
  const bool graph = view_ != rvTable;
  if (!graph) ApplyModelToGraph();
  // The figures are drawn on graphs only.
  figureBar_->setVisible(graph);
  UpdateExportActions();
  Action(Cmd::MenuRestaurerGraphe)->setVisible(graph);
  Action(Cmd::MenuRestaurerTableau)->setVisible(!graph);
  for (Cmd n : {Cmd::MenuCoordonnees, Cmd::MenuVitesse, Cmd::MenuAcceleration, Cmd::MenuPolaires})
    Action(n)->setEnabled(!graph);
  Action(Cmd::MenuVitesse)->setVisible(speedShown_);
  Action(Cmd::MenuAcceleration)->setVisible(accelerationShown_);
  Action(Cmd::MenuPolaires)->setVisible(polarShown_);
  auto& o = session_.Options;
  const QSignalBlocker b1(Action(Cmd::MenuDessinerLigne)), b2(Action(Cmd::MenuDessinerOrigine)),
      b3(Action(Cmd::MenuZoomX)), b4(Action(Cmd::MenuZoomY)), b5(Action(Cmd::MenuOrigineX)),
      b6(Action(Cmd::MenuOrigineY));
  if (graph) Action(Cmd::MenuDessinerLigne)->setChecked(LookFor(view_).polyline);
  Action(Cmd::MenuDessinerOrigine)->setChecked(o.CheckBox33VectorOrigin);
  const TZoomAxes z = ZoomAxesFor(view_, o);
  Action(Cmd::MenuZoomX)->setChecked(z.x);
  Action(Cmd::MenuZoomY)->setChecked(z.y);
  Action(Cmd::MenuOrigineX)->setChecked(o.CheckBox34FormulaOriginX);
  Action(Cmd::MenuOrigineY)->setChecked(o.CheckBox25FormulaOriginY);
}

// ---------------------------------------------------------------- table

void TResForm::ApplyTableGroups() {
  auto& o = session_.Options;
  TGrid& g = grids_.Active();
  g.ResetColumns();
  g.SetKindsVisible(o.CheckBox29GridShowCoordinates, kPositions);
  g.SetKindsVisible(o.CheckBox10GridShowSpeed && speedShown_, kSpeeds);
  g.SetKindsVisible(o.CheckBox11GridShowAcceleration && accelerationShown_, kAccelerations);
  g.SetKindsVisible(o.CheckBox57GridShowPolarQuantities && polarShown_, kPolar);
}

void TResForm::FillTable() {
  TGrid& g = grids_.Active();
  const std::size_t before = g.Columns().size();
  g.ResetColumns();
  // New systems bring new columns: show them as the menu says.
  if (g.Columns().size() != before) ApplyTableGroups();
  tableModel_->SetGrid(&g);
  tableModel_->Reset();
  tableModel_->SetHighlightedRow(RowOfImage(currentImage_));
  table_->resizeColumnsToContents();
}

void TResForm::OnTableClicked(const QModelIndex& index) {
  if (index.row() != 0) return;
  const int col = index.column();
  const int x =
      table_->viewport()->mapFromGlobal(QCursor::pos()).x() - table_->columnViewportPosition(col);
  TGrid& g = grids_.Active();
  switch (ControlRowClick(col, x, table_->columnWidth(col))) {
    case ccFewerDigits:
      g.FewerDigits(col);
      break;
    case ccMoreDigits:
      g.MoreDigits(col);
      break;
    case ccHideColumn:
      g.SetColumnVisible(false, col);
      break;
    case ccNothing:
      return;
  }
  FillTable();
}

void TResForm::OnTableDoubleClicked(const QModelIndex& index) {
  GoToRow(TResultsTableModel::ResultsRow(index.row()));
}

// ---------------------------------------------------------------- link with the video

void TResForm::UpdateRowImages() {
  // Rows are the images carrying a mark of the active mode, in the order of
  // their time index.
  std::vector<std::pair<int, int>> byTime;
  const TPolyContainer& marks = Layer()
                                    ? static_cast<const TPolyContainer&>(session_.Data.LayerMarks())
                                    : static_cast<const TPolyContainer&>(session_.Data.GridMarks());
  for (const auto& c : marks.Containers())
    if (c->Count() > 0) {
      const int image = c->MarksContainerFrameNumber;
      byTime.emplace_back(session_.Montage.TimeIndex(image), image);
    }
  std::sort(byTime.begin(), byTime.end());
  rowImages_.clear();
  for (const auto& [t, image] : byTime) rowImages_.push_back(image);
}

int TResForm::RowOfImage(int image) const {
  const auto it = std::find(rowImages_.begin(), rowImages_.end(), image);
  return it == rowImages_.end() ? -1 : static_cast<int>(it - rowImages_.begin());
}

int TResForm::ImageOfRow(int row) const {
  return row >= 0 && row < static_cast<int>(rowImages_.size())
             ? rowImages_[static_cast<std::size_t>(row)]
             : -1;
}

void TResForm::GoToRow(int row) {
  const int image = ImageOfRow(row);
  if (image < 0) return;
  if (ShowImage)
    ShowImage(image);
  else if (session_.Video.IsOpen())
    session_.Video.GoToImage(image);
}

void TResForm::SetCurrentImage(int image) {
  if (image == currentImage_) return;
  currentImage_ = image;
  const int row = RowOfImage(image);
  tableModel_->SetHighlightedRow(row);
  for (TGraph* g : graph_) {
    g->Model().SetHighlightedRow(row);
    if (g->isVisible()) g->update();
  }
}

// ---------------------------------------------------------------- graph views

void TResForm::FillPanel() {
  filling_ = true;
  const TCalcul& calc = session_.Results().Active();
  TMemory& m = memories_.Active(Layer());
  if (!m.initialised) {
    for (int s = 0; s < calc.SystemsCount(); ++s) {
      m.timeSystems.push_back(s);
      m.trajectorySystems.push_back(s);
      m.vectorSystems.push_back(s);
    }
    m.vectorOrigin = session_.Options.CheckBox33VectorOrigin;
    m.vectorNumber = session_.Options.CheckBox19VectorNumber;
    m.trajectoryNumber = session_.Options.CheckBox16TrajectoryNumber;
    m.initialised = true;
  }
  systems_->clear();
  if (view_ == rvFormulas) {
    const TFormules& f = session_.Formulas;
    for (int i = 0; i < f.FormulaCount(); ++i) {
      const TRec& r = f.Formula(i);
      auto* item = new QListWidgetItem(Q(r.Identifier.empty() ? r.Phrase : r.Identifier), systems_);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(r.Curve.Plotted ? Qt::Checked : Qt::Unchecked);
    }
  } else {
    const std::vector<int>& ticked = TickedSystems();
    for (int s = 0; s < calc.SystemsCount(); ++s) {
      auto* item = new QListWidgetItem(Q(session_.Data.SystemName(s)), systems_);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      const bool on = std::find(ticked.begin(), ticked.end(), s) != ticked.end();
      item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
  }
  choice_->clear();
  reference_->clear();
  const bool vectors = view_ == rvVectors;
  choiceLabel_->setVisible(view_ != rvTrajectory);
  choice_->setVisible(view_ != rvTrajectory);
  referenceLabel_->setVisible(view_ == rvTrajectory);
  reference_->setVisible(view_ == rvTrajectory);
  scalePanel_->setVisible(vectors);
  if (view_ == rvTime) {
    choiceLabel_->setText("Grandeur");
    const auto qs = TimeQuantities(speedShown_, accelerationShown_, polarShown_);
    for (int q : qs) choice_->addItem(Q(TimeQuantityText(q)), q);
    if (std::find(qs.begin(), qs.end(), m.quantity) == qs.end()) m.quantity = qtX;
    choice_->setCurrentIndex(choice_->findData(m.quantity));
    hint_->setText(LongHint(
        Layer()
            ? "|La vitesse et l'accélération sont calculées dans un référentiel lié au transparent"
            : "|La vitesse et l'accélération sont calculées dans un référentiel lié à la caméra"));
  } else if (view_ == rvTrajectory) {
    const std::vector<std::string> layerNames = session_.Data.LayerMarks().SystemNames();
    reference_->addItem(Layer() && layerNames.size() > 1 ? Q(layerNames[1])
                                                         : QString("de la caméra"));
    for (int s = 0; s < calc.SystemsCount(); ++s)
      reference_->addItem(Q(session_.Data.SystemName(s)));
    if (m.reference > calc.SystemsCount()) m.reference = 0;
    reference_->setCurrentIndex(m.reference);
    hint_->setText(
        LongHint("|Les référentiels sont en translation les uns par rapport aux autres"));
  } else if (vectors) {
    choiceLabel_->setText("Vecteur");
    if (speedShown_) choice_->addItem("vitesse", vkSpeed);
    if (accelerationShown_) choice_->addItem("accélération", vkAcceleration);
    if (choice_->findData(m.vectorKind) < 0 && choice_->count() > 0)
      m.vectorKind = choice_->itemData(0).toInt();
    choice_->setCurrentIndex(choice_->findData(m.vectorKind));
    scaleUnit_->setText(m.vectorKind == vkAcceleration ? "m/s²" : "m/s");
    hint_->setText("Modifier la valeur de l'échelle pour ajuster la taille des vecteurs");
  } else {
    choiceLabel_->setText("Abscisse");
    choice_->addItem("t", -1);
    for (int i = 0; i < session_.Formulas.FormulaCount(); ++i)
      choice_->addItem(systems_->item(i)->text(), i);
    choice_->setCurrentIndex(std::max(0, choice_->findData(session_.Formulas.AbscissaFormula())));
    hint_->clear();
  }
  filling_ = false;
}

namespace {

// The formulas plotted, as the formula view draws them.
std::vector<TFormulaSeries> PlottedFormulas(const TFormules& f, const TGraphUtils& utils) {
  std::vector<TFormulaSeries> series;
  for (int32_t i : f.PlottedFormulas())
    series.push_back(FormulaSeriesOf(f, i, utils.ColorA(static_cast<int>(series.size()))));
  return series;
}

}  // namespace

std::string TResForm::GraphContent() const {
  const TCalcul& calc = session_.Results().Active();
  const TMemory& m = memories_.Active(Layer());
  const TGraphLook look = LookFor(view_);
  std::string key;
  auto add = [&key](auto v) {
    if constexpr (std::is_convertible_v<decltype(v), std::string>)
      key += std::string(v);
    else
      key += std::to_string(v);
    key += ';';
  };
  auto addList = [&](const std::vector<int>& v) {
    for (int i : v) add(i);
    add("|");
  };
  add(view_);
  add(Layer());
  add(calc.Generation());
  add(&calc == &session_.Results().Grid());
  for (bool b : {look.polyline, look.numbers, look.showOrigin, look.hideEdgeSpeeds,
                 look.hideEdgeAccelerations, look.startByZero, look.pictureFrame, look.originX,
                 look.originY})
    add(b);
  add(look.labelPlace);
  add(look.displaySize);
  const TSystemsLook sl = SystemsLook();
  for (std::size_t i = 0; i < sl.names.size(); ++i) {
    add(sl.names[i]);
    add(sl.colours[i]);
  }
  switch (view_) {
    case rvTime:
      addList(m.timeSystems);
      add(m.quantity);
      break;
    case rvTrajectory:
      addList(m.trajectorySystems);
      add(m.reference);
      break;
    case rvVectors:
      addList(m.vectorSystems);
      add(m.vectorKind);
      // The picture under the vectors is that of the image shown.
      add(session_.Options.CheckBox46VectorVideoImage && !Layer() && session_.Video.IsOpen()
              ? session_.Video.CurrentImage()
              : -1);
      break;
    default: {
      const TFormules& f = session_.Formulas;
      add(f.AbscissaFormula());
      for (int32_t i : f.PlottedFormulas()) {
        add(i);
        add(f.Formula(i).Phrase);
        add(f.Formula(i).UnitText);
      }
      break;
    }
  }
  return key;
}

void TResForm::RebuildGraph() {
  TGraph* graph = CurrentGraph();
  if (!graph || view_ == rvTable) return;
  TGraphModel& g = graph->Model();
  const TZoomAxes z = ZoomAxesFor(view_, session_.Options);
  g.IsZoomX = z.x;
  g.IsZoomY = z.y;
  const auto slot = static_cast<std::size_t>(GraphSlot(view_, Layer()));
  std::string content = GraphContent();
  if (content != built_[slot]) {
    built_[slot] = std::move(content);
    const TCalcul& calc = session_.Results().Active();
    const TMemory& m = memories_.Active(Layer());
    const TGraphLook look = LookFor(view_);
    g.SetSize(graph->width(), graph->height());
    g.IsSourceImgVisible = false;
    switch (view_) {
      case rvTime:
        BuildTimeGraph(g, calc, m.timeSystems, m.quantity, SystemsLook(), look);
        break;
      case rvTrajectory:
        BuildTrajectoryGraph(g, calc, m.trajectorySystems, m.reference - 1, SystemsLook(), look);
        break;
      case rvVectors: {
        BuildVectorGraph(g, calc, m.vectorSystems, m.vectorKind, SystemsLook(), look);
        ShowVideoPicture(g, look);
        scaleEdit_->setText(Q(FormatNumber(0, g.VectorScaleValue())));
        break;
      }
      default:
        BuildFormulaGraph(g, PlottedFormulas(session_.Formulas, session_.GraphUtils),
                          FormulaAbscissaOf(session_.Formulas), look);
        break;
    }
    g.SetHighlightedRow(RowOfImage(currentImage_));
    g.Figures().ShowAll();
    g.InvalidateBackground();
    fitted_[slot] = true;
  }
  ApplyModelToGraph();
  ApplyDynamicModel();
  graph->update();
  UpdateSystemsTitle();
}

void TResForm::RestoreRanges() {
  TGraph* graph = CurrentGraph();
  if (!graph || view_ == rvTable) return;
  TGraphModel& g = graph->Model();
  const TCalcul& calc = session_.Results().Active();
  const TMemory& m = memories_.Active(Layer());
  const TGraphLook look = LookFor(view_);
  switch (view_) {
    case rvTime:
      g.SetWorld(TimeGraphWindow(calc, m.timeSystems, m.quantity, look), false);
      break;
    case rvTrajectory:
      g.SetWorld(TrajectoryGraphWindow(calc, m.reference - 1, look, g.Plot()), true);
      break;
    case rvVectors:
      g.SetWorld(VectorGraphWindow(calc, look, g.Plot()), true);
      break;
    default:
      g.SetWorld(FormulaGraphWindow(PlottedFormulas(session_.Formulas, session_.GraphUtils), look),
                 false);
      break;
  }
  fitted_[static_cast<std::size_t>(GraphSlot(view_, Layer()))] = true;
  graph->update();
}

void TResForm::UpdateSystemsTitle() {
  if (view_ == rvFormulas) {
    systemsTitle_->setText("Formules");
    return;
  }
  const std::vector<int>& ticked = TickedSystems();
  if (ticked.size() > 1)
    systemsTitle_->setText("de plusieurs points");
  else if (ticked.size() == 1)
    systemsTitle_->setText(Q(session_.Data.SystemName(ticked[0])));
  else
    systemsTitle_->setText("Points");
}

void TResForm::ShowVideoPicture(TGraphModel& g, const TGraphLook& look) {
  // The picture of the image shown, under the vectors, when the settings ask
  // for it; the Layer's origin moves from image to image, so Grid only.
  auto picture = std::make_shared<Image>();
  g.IsSourceImgVisible = session_.Options.CheckBox46VectorVideoImage && !Layer() &&
                         session_.Data.Fixed().HasOrigin() &&
                         session_.Video.DrawCurrentImage(*picture);
  if (!g.IsSourceImgVisible) return;
  const TCalcul& calc = session_.Results().Active();
  TSourceImage src{picture, session_.Data.Fixed().Origin(), calc.ScaleX(), calc.ScaleY()};
  if (!look.pictureFrame) {
    src.angle = session_.Data.XAxisAngle();
    src.invertX = !session_.Data.DirectXAxisDirection();
    src.invertY = !session_.Data.DirectYAxisDirection();
  }
  g.SetSourceImage(std::move(src));
}

void TResForm::OnSystemTicked() {
  if (filling_) return;
  if (view_ == rvFormulas) {
    for (int i = 0; i < systems_->count(); ++i)
      session_.Formulas.Formula(i).Curve.Plotted = systems_->item(i)->checkState() == Qt::Checked;
  } else {
    std::vector<int>& ticked = TickedSystems();
    ticked.clear();
    for (int i = 0; i < systems_->count(); ++i)
      if (systems_->item(i)->checkState() == Qt::Checked) ticked.push_back(i);
  }
  RebuildGraph();
}

void TResForm::OnChoice(int index) {
  if (filling_ || index < 0) return;
  TMemory& m = memories_.Active(Layer());
  const int value = choice_->itemData(index).toInt();
  if (view_ == rvTime) m.quantity = value;
  if (view_ == rvVectors) {
    m.vectorKind = value;
    scaleUnit_->setText(value == vkAcceleration ? "m/s²" : "m/s");
  }
  if (view_ == rvFormulas) {
    session_.Formulas.SetAbscissaFormula(value);
    m.abscissaFormula = session_.Formulas.AbscissaFormula();
  }
  RebuildGraph();
}

void TResForm::OnReference(int index) {
  if (filling_ || index < 0) return;
  memories_.Active(Layer()).reference = index;
  RebuildGraph();
}

void TResForm::OnScaleEdited() {
  TGraph* graph = CurrentGraph();
  if (!graph || view_ != rvVectors) return;
  bool ok = false;
  const double v = QString::fromStdString(NormaliseDecimal(scaleEdit_->text().toStdString()))
                       .replace(QChar(DecimalSeparator()), '.')
                       .toDouble(&ok);
  if (!ok || !graph->Model().SetVectorScaleValue(v)) QApplication::beep();
  scaleEdit_->setText(Q(FormatNumber(0, graph->Model().VectorScaleValue())));
  graph->update();
}

void TResForm::ShowFormulasDialog() {
  if (!formulasDialog_) {
    formulasDialog_ = std::make_unique<gui::TBoiteFormules>(session_.Formulas, this);
    KeepPlacement(*formulasDialog_, "Formules", &session_.Settings, this);
    formulasDialog_->Messages = &session_.Dialog;
    formulasDialog_->VideoFileName = [this] { return session_.VideoFileName(); };
    // The formulas are result columns: the views follow every change.
    links_ += formulasDialog_->OnChange.Connect([this] {
      session_.Results().Invalidate(rtBoth);
      Refresh();
    });
    formulasDialog_->GridLogic().UncertaintiesShown = Action("MenuIncertitudes")->isChecked();
    FormulasDialogCreated(*formulasDialog_);
  }
  formulasDialog_->Refresh();
  formulasDialog_->show();
  formulasDialog_->raise();
}

void TResForm::SetGraphCursors(const std::function<QCursor(const std::string&)>& cursors) {
  for (TGraph* g : graph_) g->CursorForName = cursors;
}

void TResForm::SetGraphTool(int tool) {
  for (TGraph* g : graph_) g->Model().SetTool(tool);
}

void TResForm::ChooseGraphTool(int tool) {
  // A tool of the tool bars ends the modifying of the model.
  if (QAction* modify = Action(Cmd::ButtonModifierModele)) {
    const QSignalBlocker block(modify);
    modify->setChecked(false);
  }
  SetGraphTool(tool);
  if (TGraph* g = CurrentGraph()) g->SyncModeller();
}

}  // namespace kinevo
