#pragma once
// The placement of a graph picture on a printed sheet: the picture with its
// position, scale and eight handles (TContGraphic), and the page-layout
// logic of the print dialog (TPrintLayout): the quick layouts, moving and
// resizing with the mouse, the orientation and the two copies of "Double".
// Page coordinates are hundredths of a millimetre from the sheet's top-left
// corner, y downward.  The layout draws through IPagePreview, which the
// dialog's page view implements.
#include <array>
#include <cstdint>

namespace kinevo {

inline constexpr int32_t kPageUnitsPerInch = 2540;

struct TPagePoint {
  int32_t x = 0, y = 0;
  bool operator==(const TPagePoint&) const = default;
};

struct TPageRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const TPageRect&) const = default;
  bool StrictlyContains(TPagePoint p) const {
    return left < p.x && p.x < right && top < p.y && p.y < bottom;
  }
};

struct TPageMargins {
  int32_t left = 2000, top = 2500, right = 2000, bottom = 2500;
};

// The picture on the page.  Its page size follows from its size in pixels,
// its scale and the screen's pixels per inch, so that it never loses its
// proportions.
class TContGraphic {
 public:
  static constexpr int32_t kHandleHalfSize = 600;

  explicit TContGraphic(double screenPixelsPerInch = 96.0);

  // A picture of this size in pixels: the ratios follow, the placement and
  // the scale stay.
  void SetPixelSize(int width, int height);
  int PixelWidth() const { return pixelWidth_; }
  int PixelHeight() const { return pixelHeight_; }
  bool Empty() const { return pixelWidth_ <= 0 || pixelHeight_ <= 0; }

  TPagePoint Position;
  double Scale() const { return scale_; }
  void SetScale(double scale);
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // The scale that gives this page width (height); the other side follows.
  void SetWidth(int32_t width) { SetScale(ScaleForWidth(width)); }
  void SetHeight(int32_t height) { SetScale(ScaleForHeight(height)); }
  double ScaleForWidth(int32_t width) const;
  double ScaleForHeight(int32_t height) const;
  double RatioWH() const { return ratioWH_; }
  double RatioHW() const { return ratioHW_; }
  TPageRect Bounds() const {
    return {Position.x, Position.y, Position.x + width_, Position.y + height_};
  }

  // Recomputes the eight handle rectangles from the position and size.
  void UpdateHandles();
  // Corners 1 top-left, 2 top-right, 3 bottom-right, 4 bottom-left; sides
  // 1 top, 2 right, 3 bottom, 4 left.
  const TPageRect& Corner(int i) const { return corners_.at(static_cast<std::size_t>(i - 1)); }
  const TPageRect& Side(int i) const { return sides_.at(static_cast<std::size_t>(i - 1)); }

  // The handle under the mouse (0 = none).
  int CornerIndex = 0;
  int SideIndex = 0;
  // The rectangle the picture would take if the handle under way were
  // released at `mouse`: a corner keeps the opposite corner, a side keeps
  // the opposite side and grows equally on both sides across.
  TPageRect ResizeRectFor(TPagePoint mouse) const;

 private:
  double PageUnitsPerPixel() const { return kPageUnitsPerInch / ppi_; }
  void Recompute();

  double ppi_;
  int pixelWidth_ = 0, pixelHeight_ = 0;
  double scale_ = 1.0;
  int32_t width_ = 0, height_ = 0;
  double ratioWH_ = 1.0, ratioHW_ = 1.0;
  std::array<TPageRect, 4> corners_{}, sides_{};
};

enum TPageCursor { pcDefault, pcMove, pcSizeNWSE, pcSizeNESW, pcSizeNS, pcSizeWE };

// What the layout needs of the page preview.
class IPagePreview {
 public:
  virtual ~IPagePreview() = default;
  // The sheet in the current orientation.
  virtual int32_t SheetWidth() const = 0;
  virtual int32_t SheetHeight() const = 0;
  virtual bool Landscape() const = 0;
  virtual void SetLandscape(bool landscape) = 0;
  virtual TPageMargins Margins() const = 0;
  // Heights of the header and footer, 0 when hidden.
  virtual int32_t HeaderHeight() const = 0;
  virtual int32_t FooterHeight() const = 0;
  virtual bool FooterVisible() const = 0;
  virtual void SetFooterVisible(bool visible) = 0;
  virtual void ClearPage() = 0;
  // The picture with its top-left corner at `at`, its pixel size times
  // `scale` (in page units through the screen's pixels per inch).
  virtual void DrawPicture(TPagePoint at, double scale) = 0;
  // A dotted outline.
  virtual void DrawOutline(const TPageRect& r) = 0;
  virtual void RefreshPreview() = 0;
  virtual void SetPageCursor(TPageCursor cursor) = 0;
};

class TPrintLayout {
 public:
  // The header is measured once, here, for TopOffset.
  TPrintLayout(IPagePreview& preview, double screenPixelsPerInch = 96.0);

  TContGraphic& Picture() { return picture_; }
  const TContGraphic& Picture() const { return picture_; }
  // Where the picture's top goes below the header.
  int32_t TopOffset() const { return topOffset_; }

  enum TPictureChange { pcIgnored, pcSameSize, pcNewSize };
  // A new picture of this size in pixels.  One of the size of the picture
  // held keeps the layout; a first one or one of another size gets
  // "Centré haut" (and the caller a new zoom).  An empty one is ignored.
  TPictureChange SetPicture(int pixelWidth, int pixelHeight);

  // The quick layouts "Centré haut" and "Pleine page".
  void CentredTop();
  void FullPage();
  // The orientation buttons: the picture keeps its position and size.
  void SetLandscape(bool landscape);

  // Clears and draws the page: the picture, its dotted frame when asked,
  // and the second copy in double mode.
  void DrawPage(bool frame);

  bool Double() const { return double_; }
  // "Double": centred at the top first, the footer shown or hidden so that
  // the title is printed twice, then the page redrawn.
  void SetDouble(bool on);

  // The mouse on the page (ignored in double mode).
  void MouseMove(TPagePoint p);
  void MouseDown(TPagePoint p);
  void MouseUp(TPagePoint p);
  bool Moving() const { return moving_; }
  bool Resizing() const { return resizing_; }
  TPageCursor Cursor() const { return cursor_; }

 private:
  void SetCursor(TPageCursor c);
  void HitTest(TPagePoint p);

  IPagePreview& preview_;
  TContGraphic picture_;
  int32_t topOffset_;
  bool double_ = false;
  bool moving_ = false, resizing_ = false;
  TPagePoint moveOffset_;
  TPageCursor cursor_ = pcDefault;
};

}  // namespace kinevo
