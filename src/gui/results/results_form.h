#pragma once
// TResForm: the window in which the user reads the results of the current
// marking mode, in five views: the values table, the evolution of a
// quantity with time, the trajectory seen from a reference, the vectors
// along the trajectory and the user formulas.  It is created once, hidden
// or shown; it listens to the results, the marks, the options and the view
// so that a shown view is redrawn after every change, and it follows the
// image shown in the main window.
#include <QMainWindow>
#include <QPoint>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "core/app/command_ids.h"
#include "core/app/session.h"
#include "core/results/result_views.h"
#include "core/results/values_grid.h"
#include "gui/export/graph_image_exporter.h"
#include "gui/export/table_exporter.h"
#include "gui/results/results_commands.h"

class QAction;
class QCursor;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QActionGroup;
class QStackedWidget;
class QTableView;
class QToolBar;
class QToolButton;

namespace kinevo::gui {
class ChronoWindow;
class TBoiteFormules;
class TBoiteImprimer;
}  // namespace kinevo::gui

namespace kinevo {

class TDynamicPanel;
class TGraph;
class TResultsTableModel;

// The result buttons of the main window and the view each shows.
inline constexpr std::array<std::pair<TCommand, int>, 5> kResultButtons{
    {{TCommand::ButtonMenuTableau, rvTable},
     {TCommand::ButtonMenuTemps, rvTime},
     {TCommand::ButtonMenuReferentiel, rvTrajectory},
     {TCommand::ButtonMenuVecteur, rvVectors},
     {TCommand::ButtonMenuFormule, rvFormulas}}};

// What a click in the control row of the table does.
enum TControlClick { ccNothing, ccFewerDigits, ccMoreDigits, ccHideColumn };
// `x` is the click's offset in a displayed column `width` pixels wide.
TControlClick ControlRowClick(int displayedColumn, int x, int width);

class TResForm : public QMainWindow {
  Q_OBJECT
 public:
  TResForm(TSession& session, QWidget* parent = nullptr);
  ~TResForm() override;

  // The titles of the five views, by ResultsView.
  static QString ViewTitle(int view);
  // Whether the settings show the result button of a view.
  static bool ViewAllowed(int view, const TOptionsValues& o);

  // Brings the results up to date (with the message on failure); false when
  // the computation failed, and the window is then not shown.
  bool UpdateResults();
  // Brings the window forward in a view.
  bool ShowView(int view);
  int View() const { return view_; }
  // Redraws the current view after the results changed (later, when hidden).
  void Refresh();
  // Applies the settings: groups shown, smoothing, buttons, menu states.
  void ApplyOptions();
  // "Copier" (Ctrl+C): the table or the graph shown, to the clipboard.
  void CopyShown();
  // The graph's context menu, at a point of the screen.
  void ShowGraphMenu(QPoint globalPos);
  // Shows a context menu; unset, it runs modally where asked (tests set it).
  std::function<void(QMenu&, QPoint)> PopupMenu;
  // Forgets both modes' selections and digits (a video opened or closed).
  void ResetMemories();

  // The main window shows an image: `ShowImage` is called for a double
  // click on a point or a row.  Unset, the session's view goes there.
  std::function<void(int image)> ShowImage;
  // "Temps séparant deux images".
  std::function<void()> OpenTimeBetweenImages;
  // "Calculatrice": the owner shows its calculator.
  std::function<void()> ShowCalculator;
  // "Saisir des formules ou des constantes" opens the formulas dialog (made
  // the first time); the owner plugs its calculator and keyboard in here.
  TSignal<gui::TBoiteFormules&> FormulasDialogCreated;
  gui::TBoiteFormules* FormulasDialog() const { return formulasDialog_.get(); }
  // "Regressi" was not found: the owner opens a file search on `mask` and
  // calls `chosen` with the file the user opens there.
  std::function<void(const QString& mask, std::function<void(const QString&)> chosen)> SearchFile;

  // The table exports of the "Edition" and "Fichier" menus.
  gui::TTableExporter& Exporter() { return exporter_; }
  // The image exports of the graph views.
  gui::TGraphImageExporter& ImageExporter() { return imageExporter_; }
  // The values table as the table view shows it, as it leaves the program.
  TExportTable ShownTable() const;
  // "Imprimer": the graph shown, drawn for paper, placed in the print
  // dialog (made the first time and kept, with its layout).
  void PrintCurrent();
  QImage PrintedPicture();
  gui::TBoiteImprimer& PrintDialog();
  // "Chronophotographie": the window of the chronophotograph and the
  // annotated video, made when first asked for.
  gui::ChronoWindow& ShowChronophotograph();
  // "Modèle dynamique": the panel of the analysis' dynamic model, made the
  // first time; the model is drawn beside the data on the time graphs of
  // x, y, vx and vy and on the trajectory.
  void ShowDynamicModel();
  TDynamicPanel* DynamicPanel() const { return dynamicPanel_.get(); }
  // The vector view's scale of the arrows of a kind (TVectorKind), for
  // other pictures to draw them alike; 0 while that view shows none.
  double VectorFactor(int kind) const;

  // For tests and the main window.
  TGraph* CurrentGraph() const;
  TGraph* Graph(int view, bool layer) const;
  QTableView* Table() const { return table_; }
  QListWidget* SystemList() const { return systems_; }
  QComboBox* ChoiceBox() const { return choice_; }
  QComboBox* ReferenceBox() const { return reference_; }
  QLineEdit* ScaleEdit() const { return scaleEdit_; }
  QLabel* HintLabel() const { return hint_; }
  QLabel* SystemsTitle() const { return systemsTitle_; }
  TResMem& Memories() { return memories_; }
  TResGrid& Grids() { return grids_; }
  // The results row of an image of the active mode (-1 when none), and back.
  int RowOfImage(int image) const;
  int ImageOfRow(int row) const;
  // Follows the image shown in the main window.
  void SetCurrentImage(int image);
  bool SpeedShown() const { return speedShown_; }
  bool AccelerationShown() const { return accelerationShown_; }
  bool PolarShown() const { return polarShown_; }
  QAction* Action(TResultsCommand command) const;
  // By object name, for tests and scripts: a command, a model button or a
  // graph tool.
  QAction* Action(const std::string& name) const;
  // The cursors of the graphs' tools, by name.
  void SetGraphCursors(const std::function<QCursor(const std::string&)>& cursors);
  // The model button that is down for the graph shown (9: none).
  int ModelKind() const;

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildMenus();
  // "Taille" and "Numérotation" from the settings and the marking.
  void ApplyLookChoices();
  // "Annuler" names the figure change it undoes, or is disabled.
  void UpdateUndoAction();
  void BuildToolBar();
  void BuildPages();
  void Connect();
  using Cmd = TResultsCommand;
  QAction* AddAction(QMenu* menu, Cmd command, const QString& text, bool checkable = false);
  // Names `a` after `command` and makes Action(command) find it.
  QAction* Register(Cmd command, QAction* a, bool checkable = false);
  void RedrawView();
  void FillTable();
  void FillPanel();
  // Fills the graph shown from the results, unless it already shows them
  // with the same choices: a graph kept keeps its figures, their undo
  // history and its model, through a switch of views and back.
  void RebuildGraph();
  // "Restaurer le graphe": the ranges the view gives its data, nothing else.
  void RestoreRanges();
  // What the graph shown is built from (results, choices, look).
  std::string GraphContent() const;
  void ShowVideoPicture(TGraphModel& g, const TGraphLook& look);
  void OnSystemTicked();
  void OnChoice(int index);
  void OnReference(int index);
  void OnScaleEdited();
  void OnTableClicked(const QModelIndex& index);
  void OnTableDoubleClicked(const QModelIndex& index);
  void GoToRow(int row);
  void SetGraphTool(int tool);
  // A tool chosen on the tool bars.
  void ChooseGraphTool(int tool);
  void ShowFormulasDialog();
  void BuildModelTools(QToolBar* bar);
  void ShowChosenModel(int kind);
  bool ModelsOffered() const;
  int& CurrentModelKind();
  void ChooseModel(int kind);
  void ModifyModel(bool on);
  // Puts the chosen model on the graph shown, after each rebuild.
  void ApplyModelToGraph();
  // Keeps the model of x(t) or y(t) of the single system shown where the
  // video's models read it, and follows its changes by hand.
  void RecordCurveModel();
  // Draws the dynamic model beside the data of the graph shown.
  void ApplyDynamicModel();
  void BuildExportActions(QMenu* file, QMenu* edit);
  void ExportCurrent();
  void SendToDataProgram();
  void UpdateExportActions();
  void ApplyTableGroups();
  void UpdateRowImages();
  void UpdateSystemsTitle();
  std::vector<int>& TickedSystems();
  TSystemsLook SystemsLook() const;
  TGraphLook LookFor(int view) const;
  bool Layer() const { return session_.Video.IsLayer(); }
  int GraphSlot(int view, bool layer) const;

  TSession& session_;
  gui::TTableExporter exporter_{session_.Dialog, this};
  gui::TGraphImageExporter imageExporter_{session_.Dialog, this};
  TResGrid grids_;
  TResMem memories_;
  int view_ = rvTable;
  bool stale_ = true;
  bool filling_ = false;
  bool speedShown_ = true, accelerationShown_ = true, polarShown_ = true;
  int currentImage_ = -1;
  std::vector<int> rowImages_;  // image of each results row of the active mode

  QStackedWidget* pages_ = nullptr;
  QTableView* table_ = nullptr;
  std::unique_ptr<TResultsTableModel> tableModel_;
  std::unique_ptr<gui::TBoiteFormules> formulasDialog_;
  std::unique_ptr<gui::TBoiteImprimer> printDialog_;
  std::unique_ptr<gui::ChronoWindow> chronoWindow_;
  std::unique_ptr<TDynamicPanel> dynamicPanel_;
  QWidget* graphPage_ = nullptr;
  QStackedWidget* graphs_ = nullptr;
  std::array<TGraph*, 7> graph_{};
  // Whether each graph still shows its fitted window (not zoomed or moved):
  // a resize then fits it again, so that equal scales fill the new plot.
  std::array<bool, 7> fitted_{};
  // What each graph was last built from, and the model kind of each.
  std::array<std::string, 7> built_;
  std::array<int, 7> modelKinds_{9, 9, 9, 9, 9, 9, 9};  // 9: none
  TConnection modelRecordLink_;                         // the recorded model's changes by hand
  QLabel* systemsTitle_ = nullptr;
  QListWidget* systems_ = nullptr;
  QLabel* choiceLabel_ = nullptr;
  QComboBox* choice_ = nullptr;
  QLabel* referenceLabel_ = nullptr;
  QComboBox* reference_ = nullptr;
  QWidget* scalePanel_ = nullptr;
  QLineEdit* scaleEdit_ = nullptr;
  QLabel* scaleUnit_ = nullptr;
  QLabel* hint_ = nullptr;
  QLabel* status_ = nullptr;
  QActionGroup* modelGroup_ = nullptr;
  std::array<QAction*, TResultsCommandCount> actions_{};
  QToolButton* modelMenuButton_ = nullptr;
  QAction* modelButton_ = nullptr;  // the "Modèle" drop-down on the tool bar
  QToolBar* figureBar_ = nullptr;
  std::array<QAction*, 5> viewActions_{};
  TConnections links_;
};

}  // namespace kinevo
