#include "core/graph/model_tools.h"

#include "core/graph/curve_models.h"
#include "core/graph/graph_model.h"

namespace kinevo {

bool TModelTools::IsModelTool(int tool) { return tool == gtModifierModele || tool == gtModele; }

TGModele* TModelTools::ActiveModel() const {
  const int c = graph_.SingleCurve();
  if (c < 0) return nullptr;
  TGModele* m = graph_.Curve(c).model;
  return m && m->Shown() && m->ModelKind() != mkNone ? m : nullptr;
}

bool TModelTools::PanelVisible() const {
  return graph_.Tool() == gtModifierModele && ActiveModel() && (showEquation || showStatistics);
}

void TModelTools::ToolChanged() {
  if (TGModele* m = ActiveModel()) m->MouseUp();
  cursor_.clear();
  hint_.clear();
}

void TModelTools::MouseDown(TPixel p) {
  if (graph_.Tool() != gtModifierModele) return;
  if (TGModele* m = ActiveModel()) m->MouseDown(p);
}

void TModelTools::MouseMove(TShiftState s, TPixel p) {
  cursor_.clear();
  hint_.clear();
  TGModele* m = ActiveModel();
  if (!m) return;
  if (graph_.Tool() == gtModele) {
    if (m->HitTest(p, 0)) {
      hint_ = m->HintText();
      cursor_ = "Detection";
    }
    return;
  }
  if (m->Dragging() != mhNone) {
    m->MouseMove(s, p);
    cursor_ = m->HandleCursor(m->Dragging(), p);
    return;
  }
  cursor_ = m->HandleCursor(m->HandleAt(p), p);
}

void TModelTools::MouseUp() {
  if (TGModele* m = ActiveModel()) m->MouseUp();
}

bool ApplyModel(TGraphModel& graph, int kind) {
  const bool none = ModelParameterCount(kind) == 0;
  const int single = graph.SingleCurve();
  if (!none && single < 0) return false;
  for (int c = 0; c < graph.CurveCount(); ++c) {
    TGModele* m = graph.Curve(c).model;
    const bool chosen = !none && c == single;
    graph.SetCourbeVisible(c, ckModel, chosen);
    if (!m) continue;
    m->abscissaName = graph.AxeX.name.empty() ? "t" : graph.AxeX.name;
    m->ordinateName = graph.AxeY.name;
    m->abscissaUnit = graph.AxeX.unit;
    m->ordinateUnit = graph.AxeY.unit;
    const int wanted = chosen ? kind : mkNone;
    if (m->ModelKind() != wanted) m->SetModelKind(wanted);
  }
  return true;
}

}  // namespace kinevo
