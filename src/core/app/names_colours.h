#pragma once
// The logic of the names and colours dialog (TBoiteNomCouleur): the rows of
// its grid for the active set of the marking data, which cells can be
// edited, the colour of each colour cell and where a new colour goes, the
// hints, the sizes, and the names written back when the window closes.
//
// Rows, with n systems: 0 header; 1 ... n one per system; n + 1 a fixed
// row; n + 2 the colour of the axes, layer and scale (and, in Layer
// marking, the name of the point the layer's centre follows).
#include <string>
#include <vector>

#include "core/common/colour.h"

namespace kinevo {

class TData;

enum TNameColourColumn : int { ncNumber = 0, ncColour = 1, ncSymbol = 2, ncName = 3 };

inline constexpr const char* kNamesColoursTitle = "Modifier le nom et la couleur de chaque marque";
inline constexpr const char* kHeaderName = "la marque repère les positions ...";
inline constexpr const char* kLayerCentreText = "Le milieu du transparent suit les positions";
inline constexpr const char* kElementColourText = "Couleur des axes et de l'échelle";
inline constexpr const char* kHintNumber = "|Numéro de la marque";
inline constexpr const char* kHintColour =
    "|Utiliser les touches du pavé numérique depuis la fenêtre pricipale";
inline constexpr const char* kHintName = "|Ne pas oublier l'article devant le nom";
inline constexpr const char* kHintOther = "|Les noms seront utilisés pour clarifier les résultats";
// Background of the even rows.
inline constexpr TColor kEvenRowColour = 15855592;

// One example line of the picture under the grid.
struct TNameExample {
  int symbol;
  TColor colour;
  const char* name;
};
const std::vector<TNameExample>& NameExamples();

// Sizes of the window computed when it is shown.
struct TNamesColoursSizes {
  int gridClientHeight = 0;
  int clientHeight = 0;
  int buttonTop = 0;  // from the top of the window's client area
};

class TNamesColours {
 public:
  // Reads the active set of `data` (its systems, names and colours) now.
  explicit TNamesColours(TData& data);

  bool LayerMode() const { return layer_; }
  int Systems() const { return n_; }
  int RowCount() const { return n_ + 3; }
  bool IsSystemRow(int row) const { return row >= 1 && row <= n_; }
  bool IsFixedRow(int row) const { return row == 0 || row == n_ + 1; }
  bool IsElementRow(int row) const { return row == n_ + 2; }

  // Only the name column of the system rows, and in Layer marking of the
  // last row, can be selected and edited.
  bool CanEdit(int row, int col) const;
  // Rows whose colour cell opens the colour chooser.
  bool HasColour(int row) const { return IsSystemRow(row) || IsElementRow(row); }
  TColor Colour(int row) const;
  // Stores the colour of a row at once: the system's colour or the element
  // colour.  Other rows are ignored.
  void SetColour(int row, TColor colour);

  // The text of a cell as first shown (the names as they are now).
  std::string Text(int row, int col) const;
  // The hint of a cell; row -1 is the example picture.
  std::string Hint(int row, int col, bool editing = false) const;

  // Writes the names back: the trimmed texts of rows 1 ... n, and in Layer
  // marking the one of row n + 2 as the Layer set's second name.  `texts`
  // holds the name column, row by row.
  void Apply(const std::vector<std::string>& texts);

  // Width of the name column for a grid client width.
  static int NameColumnWidth(int gridClientWidth) { return gridClientWidth - 90 + 12; }
  TNamesColoursSizes Sizes(int workAreaHeight, int defaultRowHeight, int gridLineWidth,
                           int pictureHeight, int buttonHeight, int statusBarHeight) const;

 private:
  TData& data_;
  bool layer_;
  int n_;
};

}  // namespace kinevo
