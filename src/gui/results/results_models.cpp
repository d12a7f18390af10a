// The model tools of the results window: the model buttons of the time and
// formula views, each fitting its model to the single curve shown, the
// modifying tool with the modeller panel, and the display of the equation
// and statistics while the model is modified.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "core/graph/curve_models.h"
#include "core/graph/model_tools.h"
#include "core/graph/modeller.h"
#include "core/results/model_tracks.h"
#include "core/results/quantity.h"
#include "gui/graph/graph_widget.h"
#include "gui/graph/modeller_panel.h"
#include "gui/results/results_form.h"

namespace kinevo {
namespace {

// Whether the settings hide a model button of a view's toolbar.
bool ModelButtonHidden(int kind, bool formulas, const TOptionsValues& o) {
  switch (kind) {
    case mkConstant:
      return formulas ? o.ToolButtonFormuleModeleConstant : o.ToolButtonTempsModeleConstant;
    case mkAffine:
      return formulas ? o.ToolButtonFormuleModeleAffine : o.ToolButtonTempsModeleAffine;
    case mkProportional:
      return formulas ? o.ToolButtonFormuleModeleProportionnel
                      : o.ToolButtonTempsModeleProportionnel;
    case mkParabola:
      return formulas ? o.ToolButtonFormuleModeleParabole : o.ToolButtonTempsModeleParabole;
    case mkSinus:
      return formulas ? o.ToolButtonFormuleModeleSinus : o.ToolButtonTempsModeleSinus;
    case mkSinusAl:
      return formulas ? o.ToolButtonFormuleModeleSinusAl : o.ToolButtonTempsModeleSinusAl;
    case mkExponential:
      return formulas ? o.ToolButtonFormuleModeleExponentiel : o.ToolButtonTempsModeleExponentiel;
    default:
      return false;
  }
}

bool IsSinusoid(int kind) { return kind == mkSinus || kind == mkSinusAe || kind == mkSinusAl; }

}  // namespace

void TResForm::BuildModelTools(QToolBar* bar) {
  bar->addSeparator();
  // The models in one drop-down button, so that the tool bar holds on a
  // 1280-pixel screen without hiding commands behind its overflow arrow.
  auto* models = new QMenu(this);
  models->setObjectName("MenuModeles");
  auto* button = modelMenuButton_ = new QToolButton(bar);
  button->setObjectName("ButtonModele");
  button->setText(QString::fromUtf8("Modèle"));
  button->setToolTip(QString::fromUtf8("Choisir le modèle ajusté à la courbe"));
  button->setMenu(models);
  button->setPopupMode(QToolButton::InstantPopup);
  modelButton_ = bar->addWidget(button);
  modelGroup_ = new QActionGroup(this);
  modelGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (const TModelButton& b : kModelButtons) {
    QAction* a = models->addAction(QString::fromUtf8(b.caption));
    a->setObjectName(QString::fromLatin1(b.name));
    a->setToolTip(QString::fromUtf8(b.caption));
    a->setCheckable(true);
    modelGroup_->addAction(a);
    connect(a, &QAction::triggered, this,
            [this, kind = b.kind](bool on) { ChooseModel(on ? kind : mkNone); });
  }
  QAction* modify = Register(Cmd::ButtonModifierModele,
                             bar->addAction(QString::fromUtf8("Modifier le modèle")), true);
  connect(modify, &QAction::triggered, this, [this](bool on) { ModifyModel(on); });

  for (Cmd name : {Cmd::MenuEquation, Cmd::MenuStatistiques}) {
    QAction* a = Action(name);
    connect(a, &QAction::toggled, this, [this, name](bool on) {
      auto& o = session_.Options;
      const bool equation = name == Cmd::MenuEquation;
      if (view_ == rvFormulas)
        (equation ? o.CheckBox44FormulaEquation : o.CheckBox45FormulaStatistics) = on;
      else
        (equation ? o.CheckBox42TempsEquation : o.CheckBox43TempsStatistics) = on;
      ApplyModelToGraph();
    });
  }
}

void TResForm::ShowChosenModel(int kind) {
  // The drop-down button names the model in use, as a row of buttons did
  // by the one held down.
  QString text = QString::fromUtf8("Modèle");
  for (const TModelButton& b : kModelButtons)
    if (b.kind == kind) text += QStringLiteral(" : ") + QString::fromUtf8(b.caption);
  modelMenuButton_->setText(text);
}

bool TResForm::ModelsOffered() const {
  return view_ == rvTime || view_ == rvTrajectory || view_ == rvFormulas;
}

int TResForm::ModelKind() const {
  return view_ == rvTable ? mkNone
                          : modelKinds_[static_cast<std::size_t>(GraphSlot(view_, Layer()))];
}

// Each graph keeps its own model (the table view has none: its slot is that
// of the vectors, which have no model buttons).
int& TResForm::CurrentModelKind() {
  return modelKinds_[static_cast<std::size_t>(GraphSlot(view_, Layer()))];
}

void TResForm::ChooseModel(int kind) {
  TGraph* graph = CurrentGraph();
  if (kind != mkNone && graph && graph->Model().SingleCurve() < 0) {
    session_.Dialog.Show(icWarning, {{"Ok", btOk}}, {kOneCurveOnly});
    kind = mkNone;
  }
  CurrentModelKind() = kind;
  ApplyModelToGraph();
}

void TResForm::ModifyModel(bool on) {
  QAction* modify = Action(Cmd::ButtonModifierModele);
  if (on && ModelKind() == mkNone) {
    modify->setChecked(false);
    session_.Dialog.Show(icWarning, {{"Ok", btOk}}, {kChooseModelFirst});
    return;
  }
  SetGraphTool(on ? gtModifierModele : (ModelKind() == mkNone ? gtNone : gtModele));
  for (QAction* a : findChildren<QAction*>())
    if (a->objectName().startsWith("GraphTool")) a->setChecked(false);
  ApplyModelToGraph();
}

void TResForm::ApplyModelToGraph() {
  const bool offered = ModelsOffered() && view_ != rvTable;
  const auto& o = session_.Options;
  const QList<QAction*> models = modelGroup_->actions();  // in the order of kModelButtons
  for (std::size_t i = 0; i < std::size(kModelButtons); ++i)
    models[i]->setVisible(offered &&
                          !ModelButtonHidden(kModelButtons[i].kind, view_ == rvFormulas, o));
  QAction* modify = Action(Cmd::ButtonModifierModele);
  modify->setVisible(offered);
  modelButton_->setVisible(offered);
  const bool equation =
      view_ == rvFormulas ? o.CheckBox44FormulaEquation : o.CheckBox42TempsEquation;
  const bool statistics =
      view_ == rvFormulas ? o.CheckBox45FormulaStatistics : o.CheckBox43TempsStatistics;
  for (auto [name, on] :
       {std::pair{Cmd::MenuEquation, equation}, std::pair{Cmd::MenuStatistiques, statistics}}) {
    QAction* a = Action(name);
    const QSignalBlocker block(a);
    a->setVisible(offered);
    a->setChecked(on);
  }
  TGraph* graph = CurrentGraph();
  if (!graph || view_ == rvTable) return;
  TGraphModel& g = graph->Model();
  g.Models().showEquation = equation;
  g.Models().showStatistics = statistics;
  int& modelKind = CurrentModelKind();
  // The names and units of the equation are those of the graph's axes.  A
  // model that no longer has a single curve to go with is released.
  if (!ApplyModel(g, offered ? modelKind : mkNone)) {
    modelKind = mkNone;
    ApplyModel(g, mkNone);
  }
  {
    const QSignalBlocker block(modelGroup_);
    for (std::size_t i = 0; i < std::size(kModelButtons); ++i)
      modelGroup_->actions()[i]->setChecked(kModelButtons[i].kind == modelKind);
  }
  ShowChosenModel(modelKind);
  const bool modifying = g.Tool() == gtModifierModele;
  if (modelKind == mkNone && (modifying || g.Tool() == gtModele))
    SetGraphTool(gtNone);
  else if (modelKind != mkNone && !modifying && modify->isChecked())
    SetGraphTool(gtModifierModele);
  else if (modelKind != mkNone && g.Tool() == gtNone)
    SetGraphTool(gtModele);
  {
    const QSignalBlocker block(modify);
    modify->setChecked(g.Tool() == gtModifierModele);
  }
  const QString hint = QString::fromUtf8(ModifyToolHint(IsSinusoid(modelKind)));
  modify->setToolTip(QString::fromUtf8("Modifier le modèle") + hint);
  graph->SyncModeller();
  RecordCurveModel();
}

void TResForm::RecordCurveModel() {
  modelRecordLink_.Disconnect();
  TGraph* graph = CurrentGraph();
  // Only x(t) and y(t) of the fixed frame's marks go over the picture.
  if (graph == nullptr || view_ != rvTime || Layer()) return;
  const TMemory& m = memories_.Active(false);
  if (m.quantity != qtX && m.quantity != qtY) return;
  const TGraphModel& g = graph->Model();
  const int curve = g.SingleCurve();
  if (curve < 0) return;  // several systems: the models kept stay
  // The time view has one curve per ticked system with marks, in order.
  const TCalcul& calc = session_.Results().Active();
  int system = -1;
  for (int s = 0, c = 0; s < calc.SystemsCount() && system < 0; ++s) {
    if (calc.MarksCount(s) == 0 ||
        std::find(m.timeSystems.begin(), m.timeSystems.end(), s) == m.timeSystems.end())
      continue;
    if (c++ == curve) system = s;
  }
  if (system < 0) return;
  const auto axis = m.quantity == qtX ? TCurveModelRecord::axX : TCurveModelRecord::axY;
  TGModele* model = g.Curve(curve).model;
  auto record = [this, system, axis, model] {
    if (model->ModelKind() == mkNone || model->FitCode() != 0)
      session_.CurveModels.Forget(system, axis);
    else
      session_.CurveModels.Set(system, axis, model->ModelKind(), model->Parameters());
  };
  if (model == nullptr || ModelKind() == mkNone) {
    session_.CurveModels.Forget(system, axis);
    return;
  }
  record();
  modelRecordLink_ = model->OnChange.Connect(record);
}

}  // namespace kinevo
