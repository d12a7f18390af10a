#include "core/graph/model_box.h"

#include <algorithm>

#include "core/graph/graph_model_element.h"

namespace kinevo {

void TModelBox::Draw(Canvas& canvas, const TFont& font, const std::vector<std::string>& lines,
                     int controlWidth, int controlHeight, const TPlotRect& plot) {
  rect_ = {};
  if (lines.empty()) return;
  TFont bold = font, regular = font;
  bold.bold = true;
  bold.angle = regular.angle = 0;
  bold.color = regular.color = colors::Black;
  int width = 0, height = 0;
  std::vector<int> heights;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    canvas.SetFont(i == 0 ? bold : regular);
    const TTextSize sz = canvas.TextExtent(lines[i]);
    width = std::max(width, sz.cx);
    heights.push_back(sz.cy);
    height += sz.cy;
  }
  width += 2 * kPadding;
  height += 2 * kPadding;
  TPixel at = placed_ ? at_ : TPixel{plot.left + 8, plot.top + 8};
  // Inside the control, however small it became since the box was placed.
  at.x = std::max(1, std::min(at.x, controlWidth - width - 1));
  at.y = std::max(1, std::min(at.y, controlHeight - height - 1));
  rect_ = {at.x, at.y, at.x + width, at.y + height};
  canvas.SetPen({kModelColour, 1, TPenStyle::psSolid});
  canvas.SetBrush({kBackground, TBrushStyle::bsSolid});
  canvas.Rectangle(rect_.left, rect_.top, rect_.right, rect_.bottom);
  int y = rect_.top + kPadding;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    canvas.SetFont(i == 0 ? bold : regular);
    canvas.TextOut(rect_.left + kPadding, y, lines[i]);
    y += heights[i];
  }
}

bool TModelBox::Contains(TPixel p) const {
  return rect_.right > rect_.left && PointInRect(p, rect_);
}

void TModelBox::BeginMove(TPixel p) {
  moving_ = true;
  grab_ = {p.x - rect_.left, p.y - rect_.top};
}

void TModelBox::MoveTo(TPixel p) {
  if (!moving_) return;
  placed_ = true;
  at_ = {p.x - grab_.x, p.y - grab_.y};
}

}  // namespace kinevo
