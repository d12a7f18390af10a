#pragma once
// The program's shared palette and marker symbols (TGraphUtils).
//
// One TGraphUtils is created at start-up and lives for the whole run; it
// gives the default colours of systems and curves and draws the marker
// symbols used for marks on the video, data points in graphs and the colour
// pickers of the results window.  It sits below both the marking and the
// graphs, which share it.
#include <array>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/colour.h"
#include "core/common/picture_coord.h"

namespace kinevo {

// One marker symbol.  Symbols 0 to 13 and 15 to 17 are small filled
// polygons, symbol 14 a disc; symbol 17 is filled with white.
class TMotif {
 public:
  static constexpr int kSizes = 3;  // sizes 0, 1 and 2

  explicit TMotif(int number);

  int Number() const { return number_; }

  // Draws the symbol centred on `centre`, filled with `colour` (white for
  // symbol 17) and outlined with `colour`, pen width 1, solid.  `size` is
  // clamped to 0..2.  The pen and brush of the canvas are restored.
  void Draw(Canvas& canvas, TPixel centre, TColor colour, int size) const;

  // The outline of a polygon symbol around `centre` (empty for the disc).
  std::vector<TPixel> Outline(TPixel centre, int size) const;
  // Radius of the disc (symbol 14) in pixels for a size: 4, 7 or 10.
  static int DiscRadius(int size);
  bool IsDisc() const { return number_ == 14; }
  bool WhiteFill() const { return number_ == 17; }

 private:
  void DrawInPlace(Canvas& canvas, TPixel centre, TColor colour, int size) const;
  int number_;
};

class TGraphUtils {
 public:
  static constexpr int kPaletteASize = 65;
  static constexpr int kPaletteBSize = 5;
  static constexpr int kSymbolCount = 18;
  static constexpr int kCurveSymbols = 12;  // symbols 0..11 given to curves and systems in turn
  static constexpr int kOriginSymbol = 16;  // the graph's origin marker
  static constexpr int kWhiteSymbol = 17;

  TGraphUtils();

  // Palette A at index |i| mod 65; i = -1 gives the last entry.
  TColor ColorA(int i) const;
  // Palette B at index |i| mod 5; i = -1 gives the last entry.
  TColor ColorB(int i) const;
  // First index whose colour equals `c`, or 0 when none does.
  int IndexOfColorA(TColor c) const;

  static int SymbolForCurve(int i);  // i mod 12
  static int SecondSymbol(int i);    // 12 + (i mod 4)

  // Draws symbol i mod 12; nothing for i < 0.
  void DrawSymbolCycled(Canvas& canvas, TPixel centre, TColor colour, int size, int i) const;
  // Draws the symbol whose number is n; nothing when there is none.
  void DrawSymbol(Canvas& canvas, TPixel centre, TColor colour, int size, int n) const;
  // The symbol numbered n, or nullptr.
  const TMotif* Motif(int n) const;

 private:
  std::vector<TMotif> motifs_;
};

// The palettes, for callers that need the raw tables.
extern const std::array<TColor, TGraphUtils::kPaletteASize> kPaletteA;
extern const std::array<TColor, TGraphUtils::kPaletteBSize> kPaletteB;

}  // namespace kinevo
