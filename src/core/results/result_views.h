#pragma once
// What each graph view of the results window plots, and how it is scaled:
// the time evolution of a quantity, the trajectory seen from a reference,
// the vectors along the trajectory and the user formulas.  The window and
// kinevo-cli fill a graph model through these, so both draw the same.
#include <string>
#include <vector>

#include "core/common/colour.h"
#include "core/graph/graph_model.h"
#include "core/results/results_model.h"

namespace kinevo {

// ResultsView of the results window.
enum TResultsView : int {
  rvFormulas = 0,
  rvTrajectory = 1,
  rvTable = 2,
  rvTime = 3,
  rvVectors = 4
};

// Vector kinds of the vector view.
enum TVectorKind : int { vkSpeed = 0, vkAcceleration = 1 };

// The selections of the views for one marking mode (TMemory).
struct TMemory {
  std::vector<int> trajectorySystems;
  std::vector<int> timeSystems;
  std::vector<int> vectorSystems;
  int reference = 0;  // entry of the reference list; 0: the camera
  int quantity = qtX;
  int vectorKind = vkSpeed;
  int abscissaFormula = -1;  // -1: the time
  bool vectorOrigin = true;
  bool vectorNumber = true;
  bool trajectoryNumber = true;
  bool initialised = false;  // the systems have been ticked once
};

// The two memories; the active one follows the marking mode.
struct TResMem {
  TMemory grid, layer;
  TMemory& Active(bool layerMode) { return layerMode ? layer : grid; }
  const TMemory& Active(bool layerMode) const { return layerMode ? layer : grid; }
  void Clear() { grid = layer = TMemory{}; }
};

// The systems of the analysis as the graphs show them.
struct TSystemsLook {
  std::vector<std::string> names;
  std::vector<TColor> colours;
  TColor Colour(int s) const;
  std::string Name(int s) const;
};

// Display switches of the graph views (settings and menus).
struct TGraphLook {
  bool polyline = true;     // a broken line through the points
  bool numbers = true;      // point labels
  int labelPlace = 1;       // 1 below, 2 to the right
  bool showOrigin = false;  // the origin marker
  bool hideEdgeSpeeds = false;
  bool hideEdgeAccelerations = false;
  bool startByZero = false;   // row labels from 0
  bool pictureFrame = false;  // vectors along the picture axes (as on the video)
  bool originX = false;       // formulas: the ranges hold x = 0, y = 0
  bool originY = false;
  int displaySize = 0;
};

// The quantities the time view offers, in its list's order, with their
// list texts: "Abscisse", "Ordonnée", then the speeds, accelerations and
// polar quantities that are shown.
std::vector<int> TimeQuantities(bool speeds, bool accelerations, bool polar);
std::string TimeQuantityText(int q);
// The letter of a quantity in axis titles: "X", "Y", "vx", ... "O", "R", "w".
std::string QuantityLetter(int q);

// The points a time curve leaves out at each end for the edge settings.
int EdgeRows(int q, const TGraphLook& look);
// The scale of a vector view's arrows of a kind (TVectorKind): pixels =
// value × factor × plot width; 0 while its graph holds no such arrows.
double VectorFactorOf(const TGraphModel& graph, int kind);

// Each view fills `graph` (cleared first), names its axes after the
// quantities they carry (for the model and the figures) and returns the
// world window after FitRange.
TWorldWindow BuildTimeGraph(TGraphModel& graph, const TCalcul& calc,
                            const std::vector<int>& systems, int quantity,
                            const TSystemsLook& systemsLook, const TGraphLook& look);
// `reference`: -1 for the camera, else a system.  The extremes include the
// trajectories of all systems, ticked or not.
TWorldWindow BuildTrajectoryGraph(TGraphModel& graph, const TCalcul& calc,
                                  const std::vector<int>& systems, int reference,
                                  const TSystemsLook& systemsLook, const TGraphLook& look);
TWorldWindow BuildVectorGraph(TGraphModel& graph, const TCalcul& calc,
                              const std::vector<int>& systems, int vectorKind,
                              const TSystemsLook& systemsLook, const TGraphLook& look);

// One plotted formula: its points, title, unit ("" when none was typed)
// and colour.  `ux` and `uy`: the standard uncertainties of the points'
// abscissas and values, point for point (empty: none).
struct TFormulaSeries {
  std::vector<TWorldPoint> points;
  std::vector<double> ux, uy;
  std::string name;
  std::string unit;
  TColor colour = colors::Red;
};
// The quantity along an axis: its name and unit ("" when not known).
struct TAxisQuantity {
  std::string name;
  std::string unit;
};
TWorldWindow BuildFormulaGraph(TGraphModel& graph, const std::vector<TFormulaSeries>& series,
                               const TAxisQuantity& abscissa, const TGraphLook& look);

// The window each view shows for the data of its graph, as its Build
// function sets it: "Restaurer le graphe" and a resize of a graph still
// fitted put it back without building the graph again, so that the drawn
// figures, their undo history and the model stay.
TWorldWindow TimeGraphWindow(const TCalcul& calc, const std::vector<int>& systems, int quantity,
                             const TGraphLook& look);
TWorldWindow TrajectoryGraphWindow(const TCalcul& calc, int reference, const TGraphLook& look,
                                   const TPlotRect& plot);
TWorldWindow VectorGraphWindow(const TCalcul& calc, const TGraphLook& look, const TPlotRect& plot);
TWorldWindow FormulaGraphWindow(const std::vector<TFormulaSeries>& series, const TGraphLook& look);

// The window of each view from the extremes of what it plots.
TWorldWindow TimeWindow(const TWorldWindow& extremes, int quantity);
TWorldWindow TrajectoryWindow(const TWorldWindow& extremes, double minWidth, double minHeight,
                              int plotWidth, int plotHeight);

}  // namespace kinevo
