#include "core/print/page_layout.h"

#include <algorithm>
#include <cmath>

#include "core/common/math_utils.h"

namespace kinevo {

// ---------------------------------------------------------------- picture

TContGraphic::TContGraphic(double screenPixelsPerInch)
    : ppi_(screenPixelsPerInch > 0 ? screenPixelsPerInch : 96.0) {}

void TContGraphic::SetPixelSize(int width, int height) {
  if (width <= 0 || height <= 0) return;
  pixelWidth_ = width;
  pixelHeight_ = height;
  ratioWH_ = static_cast<double>(width) / height;
  ratioHW_ = static_cast<double>(height) / width;
  Recompute();
}

void TContGraphic::SetScale(double scale) {
  if (!std::isfinite(scale) || scale <= 0) return;
  scale_ = scale;
  Recompute();
}

void TContGraphic::Recompute() {
  width_ = RoundToInt(pixelWidth_ * scale_ * PageUnitsPerPixel());
  height_ = RoundToInt(pixelHeight_ * scale_ * PageUnitsPerPixel());
}

double TContGraphic::ScaleForWidth(int32_t width) const {
  return Empty() ? scale_ : width / (pixelWidth_ * PageUnitsPerPixel());
}

double TContGraphic::ScaleForHeight(int32_t height) const {
  return Empty() ? scale_ : height / (pixelHeight_ * PageUnitsPerPixel());
}

void TContGraphic::UpdateHandles() {
  const int32_t x = Position.x, y = Position.y, w = width_, h = height_, k = kHandleHalfSize;
  corners_ = {TPageRect{x - k, y - k, x + k, y + k}, TPageRect{x + w - k, y - k, x + w + k, y + k},
              TPageRect{x + w - k, y + h - k, x + w + k, y + h + k},
              TPageRect{x - k, y + h - k, x + k, y + h + k}};
  sides_ = {
      TPageRect{x + k, y - k, x + w - k, y + k}, TPageRect{x + w - k, y + k, x + w + k, y + h - k},
      TPageRect{x + k, y + h - k, x + w - k, y + h + k}, TPageRect{x - k, y + k, x + k, y + h - k}};
}

TPageRect TContGraphic::ResizeRectFor(TPagePoint m) const {
  const int32_t x = Position.x, y = Position.y, w = width_, h = height_;
  const double r = ratioWH_, q = ratioHW_;
  TPageRect rc{x, y, x + w, y + h};
  // Corners: the larger of the horizontal move and the vertical move seen as
  // a width sets the size; the opposite corner stays.
  switch (CornerIndex) {
    case 1: {
      const double dx = x - m.x, dv = r * (y - m.y);
      if (dx > dv) {
        rc.left = m.x;
        rc.top = y - RoundToInt(dx * q);
      } else {
        rc.left = x - RoundToInt(dv);
        rc.top = m.y;
      }
      return rc;
    }
    case 2: {
      const double dx = m.x - x - w, dv = r * (y - m.y);
      if (dv < dx) {
        rc.top = y - RoundToInt(q * dx);
        rc.right = m.x;
      } else {
        rc.top = m.y;
        rc.right = x + w + RoundToInt(dv);
      }
      return rc;
    }
    case 3: {
      const double dx = m.x - x - w, dv = r * (m.y - y - h);
      if (dx > dv) {
        rc.right = m.x;
        rc.bottom = y + h + RoundToInt(q * dx);
      } else {
        rc.right = x + w + RoundToInt(dv);
        rc.bottom = m.y;
      }
      return rc;
    }
    case 4: {
      const double dx = x - m.x, dv = r * (m.y - y - h);
      if (dx > dv) {
        rc.left = m.x;
        rc.bottom = y + h + RoundToInt(dx * q);
      } else {
        rc.left = x - RoundToInt(dv);
        rc.bottom = m.y;
      }
      return rc;
    }
    default:
      break;
  }
  // Sides: the opposite side stays, the picture grows equally across.
  switch (SideIndex) {
    case 1: {
      const int32_t e = RoundToInt(r * (y - m.y) / 2);
      return {x - e, m.y, x + w + e, y + h};
    }
    case 2: {
      const int32_t e = RoundToInt(q * (m.x - x - w) / 2);
      return {x, y - e, m.x, y + h + e};
    }
    case 3: {
      const int32_t e = RoundToInt(r * (m.y - y - h) / 2);
      return {x - e, y, x + w + e, m.y};
    }
    case 4: {
      const int32_t e = RoundToInt(q * (x - m.x) / 2);
      return {m.x, y - e, x + w, y + h + e};
    }
    default:
      return rc;
  }
}

// ---------------------------------------------------------------- layout

TPrintLayout::TPrintLayout(IPagePreview& preview, double screenPixelsPerInch)
    : preview_(preview),
      picture_(screenPixelsPerInch),
      topOffset_(RoundToInt(1.05 * (preview.HeaderHeight() + preview.Margins().top))) {}

TPrintLayout::TPictureChange TPrintLayout::SetPicture(int pixelWidth, int pixelHeight) {
  if (pixelWidth <= 0 || pixelHeight <= 0) return pcIgnored;
  const bool firstTime = picture_.Empty();
  const bool sameSize =
      pixelWidth == picture_.PixelWidth() && pixelHeight == picture_.PixelHeight();
  picture_.SetPixelSize(pixelWidth, pixelHeight);
  if (firstTime || !sameSize) CentredTop();
  picture_.UpdateHandles();
  DrawPage(!double_);
  return sameSize ? pcSameSize : pcNewSize;
}

void TPrintLayout::CentredTop() {
  preview_.SetLandscape(false);
  const TPageMargins m = preview_.Margins();
  const int32_t sheetWidth = preview_.SheetWidth();
  picture_.SetWidth(sheetWidth - m.left - m.right);
  picture_.Position = {(sheetWidth - picture_.Width()) / 2, topOffset_};
  picture_.UpdateHandles();
  DrawPage(!double_);
}

void TPrintLayout::FullPage() {
  preview_.SetLandscape(true);
  const TPageMargins m = preview_.Margins();
  const int32_t sheetWidth = preview_.SheetWidth(), sheetHeight = preview_.SheetHeight();
  const double s1 = picture_.ScaleForWidth(sheetWidth - m.left - m.right);
  const double s2 =
      picture_.ScaleForHeight(sheetHeight - topOffset_ - m.bottom - preview_.FooterHeight());
  picture_.SetScale(std::min(s1, s2));
  picture_.Position = {(sheetWidth - picture_.Width()) / 2, topOffset_};
  picture_.UpdateHandles();
  DrawPage(!double_);
}

void TPrintLayout::SetLandscape(bool landscape) {
  preview_.SetLandscape(landscape);
  DrawPage(!double_);
}

void TPrintLayout::DrawPage(bool frame) {
  preview_.ClearPage();
  preview_.DrawPicture(picture_.Position, picture_.Scale());
  if (frame) preview_.DrawOutline(picture_.Bounds());
  if (!double_) {
    preview_.RefreshPreview();
    return;
  }
  const int32_t sheetWidth = preview_.SheetWidth(), sheetHeight = preview_.SheetHeight();
  // Two copies must fit one above the other.
  if (sheetHeight < 2 * (picture_.Height() + topOffset_)) {
    picture_.SetHeight(sheetHeight / 2 - topOffset_);
    picture_.Position = {(sheetWidth - picture_.Width()) / 2, topOffset_};
    // The handles follow, so that the mouse finds the picture where it is
    // drawn once "Double" is unchecked.
    picture_.UpdateHandles();
    preview_.ClearPage();
    preview_.DrawPicture(picture_.Position, picture_.Scale());
  }
  // The second copy mirrors the first about the middle of the sheet.
  preview_.DrawPicture({picture_.Position.x, sheetHeight - topOffset_ - picture_.Height()},
                       picture_.Scale());
  preview_.RefreshPreview();
}

void TPrintLayout::SetDouble(bool on) {
  if (on == double_) return;
  if (on) CentredTop();
  double_ = on;
  preview_.SetFooterVisible(!preview_.FooterVisible());
  moving_ = resizing_ = false;
  SetCursor(pcDefault);
  DrawPage(!double_);
}

// ---------------------------------------------------------------- mouse

void TPrintLayout::SetCursor(TPageCursor c) {
  cursor_ = c;
  preview_.SetPageCursor(c);
}

void TPrintLayout::HitTest(TPagePoint p) {
  TContGraphic& g = picture_;
  for (int i = 1; i <= 4; ++i) {
    if (g.Corner(i).StrictlyContains(p)) {
      g.CornerIndex = i;
      g.SideIndex = 0;
      SetCursor(i == 1 || i == 3 ? pcSizeNWSE : pcSizeNESW);
      return;
    }
    if (g.Side(i).StrictlyContains(p)) {
      g.SideIndex = i;
      g.CornerIndex = 0;
      SetCursor(i == 1 || i == 3 ? pcSizeNS : pcSizeWE);
      return;
    }
  }
  g.CornerIndex = g.SideIndex = 0;
  SetCursor(g.Bounds().StrictlyContains(p) ? pcMove : pcDefault);
}

void TPrintLayout::MouseMove(TPagePoint p) {
  if (double_ || picture_.Empty()) return;
  if (moving_) {
    preview_.ClearPage();
    const TPagePoint at{p.x - moveOffset_.x, p.y - moveOffset_.y};
    preview_.DrawOutline({at.x, at.y, at.x + picture_.Width(), at.y + picture_.Height()});
    preview_.RefreshPreview();
  } else if (resizing_) {
    preview_.ClearPage();
    const TPageRect r = picture_.ResizeRectFor(p);
    if (r.left < r.right && r.top < r.bottom) preview_.DrawOutline(r);
    preview_.RefreshPreview();
  } else {
    HitTest(p);
  }
}

void TPrintLayout::MouseDown(TPagePoint p) {
  if (double_ || picture_.Empty() || moving_ || resizing_) return;
  if (cursor_ == pcMove) {
    moving_ = true;
    moveOffset_ = {p.x - picture_.Position.x, p.y - picture_.Position.y};
  } else if (cursor_ != pcDefault) {
    resizing_ = true;
  }
}

void TPrintLayout::MouseUp(TPagePoint p) {
  if (double_ || (!moving_ && !resizing_)) return;
  if (moving_) {
    picture_.Position = {p.x - moveOffset_.x, p.y - moveOffset_.y};
  } else {
    const TPageRect r = picture_.ResizeRectFor(p);
    // An empty or inverted rectangle keeps the picture as it was.
    if (r.left < r.right && r.top < r.bottom) {
      picture_.Position = {r.left, r.top};
      picture_.SetWidth(r.right - r.left);
    }
  }
  moving_ = resizing_ = false;
  picture_.UpdateHandles();
  DrawPage(true);
  SetCursor(pcDefault);
}

}  // namespace kinevo
