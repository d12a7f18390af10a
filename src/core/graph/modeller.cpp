#include "core/graph/modeller.h"

#include <algorithm>

namespace kinevo {

std::string ModifyToolHint(bool sinusoid) {
  std::string hint =
      "|La position du pointeur de la souris sur la courbe détermine le paramètre à modifier";
  if (sinusoid) hint += " ; Ctrl ou Alt pour ralentir la déformation";
  return hint;
}

double ModellerButtonFactor(int column, double p, bool ctrl) {
  const double fast = 1.1, slow = ctrl ? 1.002 : 1.02;
  const bool positive = p > 0.0;
  switch (column) {
    case 0:
      return positive ? 1.0 / fast : fast;
    case 1:
      return positive ? 1.0 / slow : slow;
    case 2:
      return positive ? slow : 1.0 / slow;
    case 3:
      return positive ? fast : 1.0 / fast;
    default:
      return 1.0;
  }
}

TModellerLayout LayoutModeller(const TModellerTexts& texts, int lineHeight, int imageWidth,
                               int imageHeight, bool buttonsShown) {
  constexpr int kMargin = 6, kPitch = kModellerButtonSize + 2;
  TModellerLayout l;
  const int rowHeight = buttonsShown ? std::max(lineHeight, kPitch) : lineHeight;
  // Parameter lines stand right of their buttons.
  const int indent = buttonsShown ? kMargin + 4 * kPitch + 4 : kMargin;
  int widest = texts.titleWidth;
  int y = 4 + imageHeight + 4;
  l.text.push_back({kMargin, y});
  y += lineHeight + 2;
  const int rows = std::min(static_cast<int>(texts.parameterWidths.size()), kModellerButtons / 4);
  for (std::size_t i = 0; i < texts.parameterWidths.size(); ++i) {
    const int row = static_cast<int>(i);
    l.text.push_back({indent, y + (rowHeight - lineHeight) / 2});
    widest = std::max(widest, indent - kMargin + texts.parameterWidths[i]);
    if (buttonsShown && row < rows)
      for (int c = 0; c < 4; ++c) {
        const int x = kMargin + kPitch * c, top = y + (rowHeight - kModellerButtonSize) / 2;
        l.buttons.push_back({x, top, x + kModellerButtonSize, top + kModellerButtonSize});
      }
    y += rowHeight;
  }
  if (!texts.statisticsWidths.empty()) y += 4;
  for (int w : texts.statisticsWidths) {
    l.text.push_back({kMargin, y});
    widest = std::max(widest, w);
    y += lineHeight;
  }
  l.width = std::max(widest + 28, imageWidth + 2 * kMargin);
  l.height = y + kMargin;
  const int imageLeft = (l.width - imageWidth) / 2;
  l.dragImage = {imageLeft, 4, imageLeft + imageWidth, 4 + imageHeight};
  return l;
}

TPixel ClampModeller(TPixel p, int w, int h, int cw, int ch) {
  p.x = std::max(1, std::min(p.x, cw - w - 1));
  p.y = std::max(1, std::min(p.y, ch - h - 1));
  return p;
}

}  // namespace kinevo
