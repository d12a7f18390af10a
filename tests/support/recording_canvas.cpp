#include "support/recording_canvas.h"

namespace kinevo::test {

DrawCall RecordingCanvas::Make(const std::string& op) const {
  DrawCall c;
  c.op = op;
  c.pen = pen_;
  c.brush = brush_;
  c.font = font_;
  return c;
}

TTextSize RecordingCanvas::TextExtent(const std::string& text) {
  return {static_cast<int>(text.size()) * charWidth_, lineHeight_};
}

void RecordingCanvas::TextOut(int x, int y, const std::string& text, bool opaque) {
  auto c = Make("text");
  c.points = {{x, y}};
  c.text = text;
  c.opaque = opaque;
  calls.push_back(c);
}

void RecordingCanvas::LineTo(int x, int y) {
  auto c = Make("line");
  c.points = {pos_, {x, y}};
  calls.push_back(c);
  pos_ = {x, y};
}

void RecordingCanvas::Polyline(const std::vector<TPixel>& points) {
  auto c = Make("polyline");
  c.points = points;
  calls.push_back(c);
}

void RecordingCanvas::Polygon(const std::vector<TPixel>& points) {
  auto c = Make("polygon");
  c.points = points;
  calls.push_back(c);
}

void RecordingCanvas::Rectangle(int left, int top, int right, int bottom) {
  auto c = Make("rectangle");
  c.points = {{left, top}, {right, bottom}};
  calls.push_back(c);
}

void RecordingCanvas::FillRect(const TPixelRect& r) {
  auto c = Make("fillrect");
  c.points = {{r.left, r.top}, {r.right, r.bottom}};
  calls.push_back(c);
}

void RecordingCanvas::Ellipse(int left, int top, int right, int bottom) {
  auto c = Make("ellipse");
  c.points = {{left, top}, {right, bottom}};
  calls.push_back(c);
}

void RecordingCanvas::FocusRect(const TPixelRect& r) {
  auto c = Make("focusrect");
  c.points = {{r.left, r.top}, {r.right, r.bottom}};
  calls.push_back(c);
}

void RecordingCanvas::SetPixel(int x, int y, TColor color) {
  auto c = Make("pixel");
  c.points = {{x, y}};
  c.color = color;
  calls.push_back(c);
}

void RecordingCanvas::StretchDraw(const TPixelRect& dest, const Image& src, TRasterOp op) {
  auto c = Make("stretch");
  c.points = {{dest.left, dest.top}, {dest.right, dest.bottom}};
  c.rop = op;
  c.imageWidth = src.Width();
  c.imageHeight = src.Height();
  calls.push_back(c);
}

void RecordingCanvas::SetClip(const TPixelRect& r) {
  auto c = Make("clip");
  c.points = {{r.left, r.top}, {r.right, r.bottom}};
  calls.push_back(c);
}

void RecordingCanvas::ClearClip() { calls.push_back(Make("clearclip")); }

std::vector<DrawCall> RecordingCanvas::Of(const std::string& op) const {
  std::vector<DrawCall> out;
  for (const auto& c : calls)
    if (c.op == op) out.push_back(c);
  return out;
}

}  // namespace kinevo::test
