#pragma once
// The modeller panel (TModeleur) without its window: the factors of its
// parameter buttons, the place of every part and the rule that keeps it
// inside the graph.
#include <string>
#include <vector>

#include "core/common/picture_coord.h"

namespace kinevo {

inline constexpr int kModellerButtons = 20;  // 4 per parameter, 5 parameters at most
inline constexpr int kModellerButtonSize = 16;

// The hints of the four buttons of a row, in their order.
inline constexpr const char* kModellerButtonHints[4] = {
    "Diminuer rapidement la valeur",
    "Diminuer la valeur ; appuyer simultanément sur la touche Ctrl pour ralentir la progression",
    "Augmenter la valeur ; appuyer simultanément sur la touche Ctrl pour ralentir la progression",
    "Augmenter rapidement la valeur"};

// The hint of the modifying tool.
std::string ModifyToolHint(bool sinusoid);

// The factor button `column` (0 decrease fast, 1 decrease, 2 increase,
// 3 increase fast) applies to a parameter p: decreases always move the
// value down and increases up; Ctrl makes the two slow buttons slower.
double ModellerButtonFactor(int column, double p, bool ctrl);
// The parameter after one press (a zero stays zero).
inline double ModellerButtonValue(int column, double p, bool ctrl) {
  return p * ModellerButtonFactor(column, p, ctrl);
}

// The panel's parts, in its own pixels.
struct TModellerLayout {
  int width = 0, height = 0;
  TPixelRect dragImage;             // the picture that moves the panel
  std::vector<TPixel> text;         // top-left of each text line, in order
  std::vector<TPixelRect> buttons;  // button k = 4·row + column
};

// Lays the panel out, from the widths of its text lines: the drag image
// centred at the top, the first equation line under it, then one row per
// parameter line (its four buttons on the left when `buttonsShown`), then
// the statistics lines.  The panel is 28 pixels wider than its widest part.
struct TModellerTexts {
  int titleWidth = 0;                // the first equation line
  std::vector<int> parameterWidths;  // the other equation lines
  std::vector<int> statisticsWidths;
};
TModellerLayout LayoutModeller(const TModellerTexts& texts, int lineHeight, int imageWidth,
                               int imageHeight, bool buttonsShown);

// Keeps a panel of size (w, h) inside a client area (cw, ch): left in
// [1, cw − w − 1], top in [1, ch − h − 1].
TPixel ClampModeller(TPixel topLeft, int w, int h, int cw, int ch);

}  // namespace kinevo
