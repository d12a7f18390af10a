#include "core/app/results_look.h"

namespace kinevo {

TGraphLook GraphLookFor(int view, const TOptionsValues& o) {
  TGraphLook look;
  look.hideEdgeSpeeds = o.CheckBox30HideEdgeV;
  look.hideEdgeAccelerations = o.CheckBox31HideEdgeA;
  look.startByZero = o.CheckBox36StartByZero;
  switch (view) {
    case rvTime:
      look.polyline = o.CheckBox14TimePolyline;
      look.numbers = false;
      break;
    case rvTrajectory:
      look.polyline = o.CheckBox17TrajectoryPolyline;
      look.numbers = o.CheckBox16TrajectoryNumber;
      look.showOrigin = true;
      break;
    case rvVectors:
      look.polyline = o.CheckBox21VectorPolyline;
      look.numbers = o.CheckBox19VectorNumber;
      look.showOrigin = o.CheckBox33VectorOrigin;
      look.pictureFrame = !o.CheckBox35VectorTilted;
      break;
    case rvFormulas:
      look.polyline = o.CheckBox26FormulaPolyline;
      look.numbers = false;
      look.originX = o.CheckBox34FormulaOriginX;
      look.originY = o.CheckBox25FormulaOriginY;
      break;
    default:
      break;
  }
  return look;
}

TZoomAxes ZoomAxesFor(int view, const TOptionsValues& o) {
  if (view == rvTime) return {o.CheckBox12TimeZoomX, o.CheckBox13TimeZoomY};
  if (view == rvFormulas) return {o.CheckBox23FormulaZoomX, o.CheckBox24FormulaZoomY};
  return {true, true};
}

TFormulaSeries FormulaSeriesOf(const TFormules& formulas, int32_t i, TColor colour) {
  TFormulaSeries s;
  for (const auto& [x, y] : formulas.FormulaPoints(i)) s.points.push_back({x, y});
  for (const auto& [ux, uy] : formulas.FormulaPointUncertainties(i)) {
    s.ux.push_back(ux);
    s.uy.push_back(uy);
  }
  const TRec& r = formulas.Formula(i);
  s.name = r.Identifier.empty() ? r.Phrase : r.Identifier;
  s.unit = r.Unit();
  s.colour = colour;
  return s;
}

TAxisQuantity FormulaAbscissaOf(const TFormules& formulas) {
  const int32_t a = formulas.AbscissaFormula();
  if (a < 0) return {"t", "s"};
  return {formulas.Formula(a).Identifier, formulas.Formula(a).Unit()};
}

}  // namespace kinevo
