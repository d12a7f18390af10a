#pragma once
// The graph's two model tools: reading a model (a model button down, the
// hint over the model curve shows its equation and statistics) and
// modifying it (the curve is dragged where it is grabbed, and the modeller
// panel shows the equation, the statistics and the parameter buttons).
// Both act on the model of the single curve shown.
#include <string>

#include "core/common/picture_coord.h"
#include "core/graph/graph_model_element.h"
#include "core/video/view_client.h"

namespace kinevo {

class TGraphModel;

class TModelTools {
 public:
  explicit TModelTools(TGraphModel& graph) : graph_(graph) {}

  static bool IsModelTool(int tool);
  // The model element of the single curve shown, when it is shown and has a
  // model; null otherwise.
  TGModele* ActiveModel() const;

  // IsShowModeleurEqua and IsShowModeleurStat: what the modeller panel shows.
  bool showEquation = false;
  bool showStatistics = false;
  // The panel is shown while the model is modified and shows something.
  bool PanelVisible() const;

  // A new tool: any drag ends.
  void ToolChanged();
  void MouseDown(TPixel p);
  void MouseMove(TShiftState s, TPixel p);
  void MouseUp();
  std::string CursorName() const { return cursor_; }
  // The hint over the model curve in the reading tool (empty elsewhere).
  const std::string& Hint() const { return hint_; }

 private:
  TGraphModel& graph_;
  std::string cursor_;
  std::string hint_;
};

// The model kinds of the results window's model buttons, in their order,
// with their captions.
struct TModelButton {
  int kind;
  const char* name;     // the button's name
  const char* caption;  // its hint
};
inline constexpr TModelButton kModelButtons[] = {
    {0, "ButtonModeleAffine", "Modèle affine"},
    {1, "ButtonModeleConstant", "Modèle constant"},
    {5, "ButtonModeleProportionnel", "Modèle linéaire (proportionnalité)"},
    {4, "ButtonModeleParabole", "Modèle parabolique"},
    {2, "ButtonModeleExponentiel", "Modèle exponentiel"},
    {6, "ButtonModeleSinus", "Modèle sinusoïdal"},
    {7, "ButtonModeleSinusAe", "Modèle sinusoïdal amorti (frottement fluide)"},
    {8, "ButtonModeleSinusAl", "Modèle sinusoïdal amorti (frottement solide)"},
};

// The refusals of the model buttons and of the modifying tool.
inline constexpr const char* kOneCurveOnly =
    "La modélisation n'est disponible que pour une seule courbe à la fois.";
inline constexpr const char* kChooseModelFirst =
    "Sélectionner auparavant un modèle (droite, parabole, sinus, ...).";

// Puts a model of `kind` on the single curve shown of a graph, named and
// measured after the graph's axes, and shows it (kind 9 takes every model
// away).  A model already of that kind keeps its parameters, fitted or set
// by hand.  False, and nothing changed, when a model is asked for and not
// exactly one curve is shown.
bool ApplyModel(TGraphModel& graph, int kind);

}  // namespace kinevo
