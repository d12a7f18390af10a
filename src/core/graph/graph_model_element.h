#pragma once
// TGModele: the model element of a data curve.  It keeps the curve's points
// (without the masked ends), one parameter set per model kind and the kind
// that is active; choosing a kind fits that model to the points.  It draws
// the model curve, gives its equation and statistics lines with the
// standard uncertainty of each parameter, and lets the user reshape the
// curve with the mouse (the grabbed place decides the parameter) or change
// a parameter by hand; each change refreshes the statistics and is
// announced by OnChange.
#include <array>
#include <string>
#include <vector>

#include "core/common/signal.h"
#include "core/graph/fit_uncertainty.h"
#include "core/graph/graph_elements.h"
#include "core/graph/least_squares.h"
#include "core/video/view_client.h"

namespace kinevo {

inline constexpr TColor kModelColour = RGBColor(0, 150, 150);

// What a drag of the model curve changes.
enum TModelHandle : int {
  mhNone = 0,
  mhRotate = 1,
  mhDamping = 2,
  mhAmplitude = 3,
  mhFrequency = 4,
  mhTranslate = 5,
};

// One displayed parameter: its name (a letter, or "y(0)" ...), its value,
// its standard uncertainty (NaN when it cannot be computed) and its unit
// ("" when it has none or it is not known).
struct TModelParameter {
  std::string name;
  double value = 0.0;
  double uncertainty = 0.0;
  std::string unit;
};

// An uncertainty as it is shown: two significant digits, trailing zeros
// kept ("0,0040"), with the current decimal separator; "#Nombre!" when it
// is not a number.
std::string FormatUncertainty(double u);
// A value beside its uncertainty: written to the uncertainty's last digit
// ("2,0004" beside "0,0012"), or by the number formatter when the
// uncertainty is zero, not a number or far from the value's digits.
std::string FormatMeasured(double value, double u);

// The line shown when the parameters were changed by hand since the fit:
// their uncertainties no longer describe them.
inline constexpr const char* kHandSetModel = "(modèle modifié à la main)";

class TGModele : public TGElem {
 public:
  TGModele(std::vector<TWorldPoint> points, int maskedAtEnds);

  int MaskedAtEnds() const { return maskedAtEnds_; }
  const std::vector<TWorldPoint>& Points() const { return points_; }
  // The model data: points m to N − 1 − m.
  const std::vector<double>& DataX() const { return x_; }
  const std::vector<double>& DataY() const { return y_; }

  // The standard uncertainties of the points' ordinates and abscissas (one
  // per point, masked ends included; abscissas may be left empty: exact).
  // With them every fit weights each point by 1/u², u² = u(y)² + (f'(x)·u(x))²,
  // the parameters' uncertainties come from those of the points, and the
  // statistics gain χ².  Empty ordinates: the unweighted fits again.  Takes
  // effect at the next SetModelKind.
  void SetPointUncertainties(std::vector<double> uy, std::vector<double> ux = {});
  bool Weighted() const { return !uy_.empty(); }
  // χ², degrees of freedom and reduced χ² of the weighted fit (ndf 0 when
  // not weighted).
  const TChiSquare& ChiSquareStatistics() const { return chi_; }

  // Makes the model of `kind` active (9: none) and fits it to the data.
  // The fit's code (0 on success) is kept.
  void SetModelKind(int kind);
  int ModelKind() const { return kind_; }
  int FitCode() const { return fitCode_; }
  // Whether the modeller's buttons apply (every kind but the dry friction,
  // whose displayed coefficients are not its parameters).
  bool ButtonsApply() const { return kind_ != 8; }

  std::string abscissaName = "t";
  std::string ordinateName;
  // Units of the abscissa and of the ordinate, for those of the parameters
  // ("" when not known).
  std::string abscissaUnit;
  std::string ordinateUnit;
  bool showEquation = false;
  bool showStatistics = false;

  // The active model's parameter array (see curve_models.h), and a hand
  // change of slot i: statistics refreshed, OnChange raised.
  const std::vector<double>& Parameters() const;
  void SetParameter(int i, double value);
  // The slots a user sees as parameters, in the order of the equation.
  std::vector<int> ParameterSlots() const;
  // Displayed parameters with their uncertainties (the dry friction's
  // coefficients r, b, c, y(0), y'(0)).
  std::vector<TModelParameter> DisplayedParameters() const;
  const TFitStatistics& Statistics() const { return stats_; }
  bool IsLinear() const;
  // The parameters were changed by hand (buttons, drag) since the last fit.
  bool HandSet() const { return handSet_; }
  // The lines of the model's box on the graph: the equation, each parameter
  // with its uncertainty and unit, the root-mean-square deviation (and the
  // hand-set mark instead of the uncertainties).
  std::vector<std::string> BoxLines() const;

  std::vector<std::string> EquationLines() const;
  std::vector<std::string> StatisticsLines() const;
  // The equation lines joined by CR, an empty line after the first, then
  // the statistics lines joined by CR.
  std::string HintText() const;

  // The handle a drag starting at this pixel would use (mhNone off the curve,
  // when hidden or without a model), the parameter slot it changes (-1 for
  // none) and the cursor name it shows.
  TModelHandle HandleAt(TPixel p) const;
  int ParameterAt(TPixel p) const;
  std::string HandleCursor(TModelHandle h, TPixel p) const;

  // The drag of the curve in the modeller's tool mode.
  void MouseDown(TPixel p);
  void MouseMove(TShiftState s, TPixel p);
  void MouseUp();
  TModelHandle Dragging() const { return drag_; }

  bool HitTest(TPixel p, int tolerance) const override;
  std::vector<std::string> InfoLines() const override;
  void Draw(Canvas& canvas, const TDrawContext& ctx) const override;
  // The drawn path (pixels, clipped vertically at the plot border); empty
  // parts where the model has no value split it.
  std::vector<std::vector<TPixel>> Path() const;

  // Raised after every fit and every change by hand or by the mouse.
  TSignal<> OnChange;

 protected:
  void UpdatePixels() override {}

 private:
  std::vector<double>& P() { return params_[static_cast<std::size_t>(kind_)]; }
  double Value(double x) const;
  void Changed();
  // The unit of each slot of the parameter array (for the sinusoids' dry
  // friction, of the displayed coefficients instead).
  std::vector<std::string> SlotUnits() const;
  void Drag(TShiftState s, int dx, int dy);
  void DragLine(int dx, int dy);
  void DragExponential(int dx, int dy);
  void DragParabola(int dx, int dy);
  void DragSinus(TShiftState s, int dx, int dy);
  // World units per pixel along x and y (0 when the window or plot is empty
  // or huge, when nothing may be changed).
  double UnitX() const;
  double UnitY() const;
  // The visible part of the curve: abscissas of the plot's left and right.
  double LeftX() const;
  double RightX() const;
  // A world ordinate whose pixel lies within the allowed reach of the plot.
  bool WithinPixels(double worldY) const;

  std::vector<TWorldPoint> points_;
  int maskedAtEnds_;
  std::vector<double> x_, y_;
  int kind_ = 9;
  int fitCode_ = 0;
  bool handSet_ = false;
  std::array<std::vector<double>, 10> params_;
  TFitStatistics stats_;
  std::vector<double> uncertainties_;
  // The points' uncertainties (model range), and the effective σ of each
  // point for the weights.
  std::vector<double> uy_, ux_, sigma_;
  TChiSquare chi_;
  void UpdateSigma();
  // BoxLines, kept until the model changes or is named otherwise (the graph
  // draws the box at every mouse move).
  mutable std::vector<std::string> boxLines_;
  mutable std::string boxKey_;

  TModelHandle drag_ = mhNone;
  TPixel last_;
  // The world point under the mouse, moved with it during a drag.
  TWorldPoint grab_;
  double anchorX_ = 0.0;  // the fixed point of a rotation or stretch
  double anchorY_ = 0.0;
};

}  // namespace kinevo
