// The page layout of the print dialog over a recording page preview: the
// quick layouts, the picture kept or laid out again, the two copies of
// "Double", and moving and resizing with the handles.
#include "core/print/page_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace kinevo {
namespace {

// An A4 sheet whose header and footer are 900 units high when shown.
class RecordingPreview : public IPagePreview {
 public:
  struct Picture {
    TPagePoint at;
    double scale;
  };
  bool landscape = false, footer = false;
  std::vector<Picture> pictures;
  std::vector<TPageRect> outlines;
  TPageCursor cursor = pcDefault;
  int refreshes = 0;

  int32_t SheetWidth() const override { return landscape ? 29700 : 21000; }
  int32_t SheetHeight() const override { return landscape ? 21000 : 29700; }
  bool Landscape() const override { return landscape; }
  void SetLandscape(bool l) override { landscape = l; }
  TPageMargins Margins() const override { return {}; }
  int32_t HeaderHeight() const override { return 900; }
  int32_t FooterHeight() const override { return footer ? 900 : 0; }
  bool FooterVisible() const override { return footer; }
  void SetFooterVisible(bool v) override { footer = v; }
  void ClearPage() override {
    pictures.clear();
    outlines.clear();
  }
  void DrawPicture(TPagePoint at, double scale) override { pictures.push_back({at, scale}); }
  void DrawOutline(const TPageRect& r) override { outlines.push_back(r); }
  void RefreshPreview() override { ++refreshes; }
  void SetPageCursor(TPageCursor c) override { cursor = c; }
};

class PageLayout : public ::testing::Test {
 protected:
  // A drag with the left button from `from` to `to`.
  void Drag(TPagePoint from, TPagePoint to) {
    layout.MouseMove(from);
    layout.MouseDown(from);
    layout.MouseMove(to);
    layout.MouseUp(to);
  }
  TContGraphic& G() { return layout.Picture(); }

  RecordingPreview preview;
  TPrintLayout layout{preview, 96.0};
};

TEST(ContGraphic, PageSizeFollowsPixelsAndScaleAndKeepsProportions) {
  TContGraphic g(96.0);
  g.SetPixelSize(960, 480);
  EXPECT_EQ(g.Width(), 25400);  // ten inches at scale 1
  EXPECT_EQ(g.Height(), 12700);
  g.SetWidth(10000);
  EXPECT_EQ(g.Width(), 10000);
  EXPECT_EQ(g.Height(), 5000);
  g.SetHeight(3000);
  EXPECT_EQ(g.Width(), 6000);
  EXPECT_DOUBLE_EQ(g.RatioWH(), 2.0);
  EXPECT_DOUBLE_EQ(g.RatioHW(), 0.5);
}

TEST_F(PageLayout, TopOffsetIsTheHeaderAndTopMarginWithFivePercentMore) {
  EXPECT_EQ(layout.TopOffset(), 3570);  // 1.05 x (900 + 2500)
}

TEST_F(PageLayout, FirstPictureIsCentredAtTheTopBetweenTheSideMargins) {
  preview.landscape = true;
  EXPECT_EQ(layout.SetPicture(640, 480), TPrintLayout::pcNewSize);
  EXPECT_FALSE(preview.landscape);
  EXPECT_EQ(G().Width(), 21000 - 4000);
  EXPECT_EQ(G().Position, (TPagePoint{2000, layout.TopOffset()}));
  EXPECT_EQ(G().Height(), 12750);
  // Drawn once, with its dotted frame.
  ASSERT_EQ(preview.pictures.size(), 1u);
  EXPECT_EQ(preview.pictures[0].at, G().Position);
  ASSERT_EQ(preview.outlines.size(), 1u);
  EXPECT_EQ(preview.outlines[0], G().Bounds());
}

TEST_F(PageLayout, FullPageFitsTheWidthOfAWidePictureAndTheHeightOfATallOne) {
  layout.SetPicture(1000, 200);
  layout.FullPage();
  EXPECT_TRUE(preview.landscape);
  EXPECT_EQ(G().Width(), 29700 - 4000);
  EXPECT_EQ(G().Position, (TPagePoint{2000, layout.TopOffset()}));

  layout.SetPicture(200, 800);
  layout.FullPage();
  EXPECT_EQ(G().Height(), 21000 - layout.TopOffset() - 2500);
  EXPECT_LE(std::abs(G().Position.x - (29700 - G().Width() - G().Position.x)), 1);
  EXPECT_EQ(G().Position.y, layout.TopOffset());
}

TEST_F(PageLayout, SameSizeKeepsTheLayoutAnotherSizeOrAFirstOneResetsIt) {
  layout.SetPicture(640, 480);
  layout.FullPage();
  Drag({15000, 10000}, {14000, 9000});
  const TPagePoint moved = G().Position;
  const int32_t width = G().Width();
  EXPECT_EQ(layout.SetPicture(640, 480), TPrintLayout::pcSameSize);
  EXPECT_EQ(G().Position, moved);
  EXPECT_EQ(G().Width(), width);
  EXPECT_TRUE(preview.landscape);
  // An empty picture is ignored: the one held stays.
  EXPECT_EQ(layout.SetPicture(0, 480), TPrintLayout::pcIgnored);
  EXPECT_EQ(G().PixelWidth(), 640);
  EXPECT_EQ(G().Position, moved);
  EXPECT_EQ(layout.SetPicture(800, 480), TPrintLayout::pcNewSize);
  EXPECT_FALSE(preview.landscape);
  EXPECT_EQ(G().Position, (TPagePoint{2000, layout.TopOffset()}));
}

TEST_F(PageLayout, DoubleShrinksATallPictureSoTheTwoCopiesMeetAtTheMiddle) {
  layout.SetPicture(400, 400);  // 17000 high once centred: too tall for two
  layout.SetDouble(true);
  const int32_t half = 29700 / 2;
  EXPECT_EQ(G().Height(), half - layout.TopOffset());
  EXPECT_TRUE(preview.footer);  // the title goes at the bottom too
  ASSERT_EQ(preview.pictures.size(), 2u);
  EXPECT_TRUE(preview.outlines.empty());
  const auto& first = preview.pictures[0];
  const auto& second = preview.pictures[1];
  EXPECT_EQ(first.at.y + G().Height(), half);
  EXPECT_EQ(second.at.y, 29700 - layout.TopOffset() - G().Height());
  EXPECT_EQ(second.at.y, half);
  EXPECT_EQ(second.at.x, first.at.x);
  EXPECT_LE(std::abs(first.at.x - (21000 - G().Width() - first.at.x)), 1);

  // The mouse does nothing while "Double" is checked.
  const TPagePoint before = G().Position;
  Drag({10500, 8000}, {5000, 5000});
  EXPECT_EQ(G().Position, before);
  EXPECT_EQ(preview.cursor, pcDefault);

  layout.SetDouble(false);
  EXPECT_FALSE(preview.footer);
  EXPECT_EQ(preview.pictures.size(), 1u);
  EXPECT_EQ(preview.outlines.size(), 1u);
  // The handles are where the smaller picture is drawn.
  layout.MouseMove({G().Position.x + G().Width(), G().Position.y + G().Height()});
  EXPECT_EQ(G().CornerIndex, 3);
}

TEST_F(PageLayout, DoubleKeepsAPictureThatFitsTwiceAndMirrorsIt) {
  layout.SetPicture(800, 300);  // 6375 high: two fit
  const int32_t height = G().Height();
  layout.SetDouble(true);
  EXPECT_EQ(G().Height(), height);
  ASSERT_EQ(preview.pictures.size(), 2u);
  EXPECT_EQ(preview.pictures[0].at.y, layout.TopOffset());
  EXPECT_EQ(preview.pictures[1].at.y, 29700 - layout.TopOffset() - height);
}

TEST_F(PageLayout, CursorsTellTheHandleTheMoveAreaAndOutside) {
  layout.SetPicture(640, 480);
  const TPageRect b = G().Bounds();
  const int32_t cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
  const struct {
    TPagePoint at;
    TPageCursor cursor;
    int corner, side;
  } cases[] = {
      {{b.left, b.top}, pcSizeNWSE, 1, 0},
      {{b.right, b.top}, pcSizeNESW, 2, 0},
      {{b.right, b.bottom}, pcSizeNWSE, 3, 0},
      {{b.left, b.bottom}, pcSizeNESW, 4, 0},
      {{cx, b.top}, pcSizeNS, 0, 1},
      {{b.right, cy}, pcSizeWE, 0, 2},
      {{cx, b.bottom}, pcSizeNS, 0, 3},
      {{b.left, cy}, pcSizeWE, 0, 4},
      {{cx, cy}, pcMove, 0, 0},
      {{cx, b.bottom + 700}, pcDefault, 0, 0},
  };
  for (const auto& c : cases) {
    layout.MouseMove(c.at);
    EXPECT_EQ(layout.Cursor(), c.cursor) << c.at.x << "," << c.at.y;
    EXPECT_EQ(preview.cursor, c.cursor);
    EXPECT_EQ(G().CornerIndex, c.corner);
    EXPECT_EQ(G().SideIndex, c.side);
  }
}

TEST_F(PageLayout, MovingShowsOnlyTheOutlineThenPlacesThePicture) {
  layout.SetPicture(640, 480);
  const TPagePoint start = G().Position;
  layout.MouseMove({10000, 10000});
  layout.MouseDown({10000, 10000});
  layout.MouseMove({9000, 11000});
  EXPECT_TRUE(preview.pictures.empty());
  ASSERT_EQ(preview.outlines.size(), 1u);
  EXPECT_EQ(preview.outlines[0].left, start.x - 1000);
  layout.MouseUp({9000, 11000});
  EXPECT_EQ(G().Position, (TPagePoint{start.x - 1000, start.y + 1000}));
  EXPECT_EQ(preview.pictures.size(), 1u);
  EXPECT_EQ(preview.cursor, pcDefault);
  // A release with nothing under way changes nothing.
  layout.MouseUp({0, 0});
  EXPECT_EQ(G().Position, (TPagePoint{start.x - 1000, start.y + 1000}));
}

TEST_F(PageLayout, TopLeftCornerDraggedOutwardGrowsAboutTheBottomRightCorner) {
  layout.SetPicture(800, 400);
  const TPageRect before = G().Bounds();
  Drag({before.left, before.top}, {before.left - 2000, before.top - 500});
  const TPageRect after = G().Bounds();
  EXPECT_EQ(after.right, before.right);
  EXPECT_LE(std::abs(after.bottom - before.bottom), 1);
  EXPECT_EQ(after.left, before.left - 2000);  // the larger move (horizontal) sets the size
  EXPECT_EQ(G().Width(), before.right - before.left + 2000);
  EXPECT_EQ(G().Height(), G().Width() / 2);

  // Vertically larger: the top follows the mouse.
  const TPageRect b2 = G().Bounds();
  Drag({b2.left, b2.top}, {b2.left - 100, b2.top - 1500});
  EXPECT_EQ(G().Position.y, b2.top - 1500);
  EXPECT_EQ(G().Bounds().right, b2.right);
}

TEST_F(PageLayout, OtherCornersKeepTheirOppositeCorner) {
  layout.SetPicture(800, 400);
  layout.FullPage();
  G().SetWidth(10000);
  G().Position = {8000, 6000};
  G().UpdateHandles();
  const TPageRect b = G().Bounds();
  Drag({b.right, b.top}, {b.right + 1000, b.top});  // corner 2 outward
  EXPECT_EQ(G().Position.x, b.left);
  EXPECT_EQ(G().Bounds().bottom, b.bottom);
  EXPECT_EQ(G().Width(), 11000);
  const TPageRect c = G().Bounds();
  Drag({c.right, c.bottom}, {c.right - 1000, c.bottom - 200});  // corner 3 inward
  EXPECT_EQ(G().Position, (TPagePoint{c.left, c.top}));
  EXPECT_EQ(G().Width(), 10600);  // dv = -400 beats dx = -1000
  const TPageRect d = G().Bounds();
  Drag({d.left, d.bottom}, {d.left - 600, d.bottom});  // corner 4 outward
  EXPECT_EQ(G().Bounds().right, d.right);
  EXPECT_EQ(G().Position.y, d.top);
  EXPECT_EQ(G().Width(), 11200);
}

TEST_F(PageLayout, SidesGrowEquallyAcrossAndKeepTheOppositeSide) {
  layout.SetPicture(800, 400);
  const TPageRect b = G().Bounds();
  const int32_t cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
  Drag({cx, b.top}, {cx, b.top - 1000});  // top side up: 2000 wider, 1000 each way
  EXPECT_EQ(G().Bounds(), (TPageRect{b.left - 1000, b.top - 1000, b.right + 1000, b.bottom}));

  const TPageRect c = G().Bounds();
  Drag({c.right, cy}, {c.right - 2000, cy});  // right side in: 1000 less high, 500 each way
  EXPECT_EQ(G().Bounds(), (TPageRect{c.left, c.top + 500, c.right - 2000, c.bottom - 500}));
}

TEST_F(PageLayout, AnInvertedResizeKeepsThePicture) {
  layout.SetPicture(800, 400);
  const TPageRect b = G().Bounds();
  const int32_t cy = (b.top + b.bottom) / 2;
  layout.MouseMove({b.left, cy});
  layout.MouseDown({b.left, cy});
  layout.MouseMove({b.right + 3000, cy});
  EXPECT_TRUE(preview.outlines.empty());  // no outline for an inverted rectangle
  layout.MouseUp({b.right + 3000, cy});
  EXPECT_EQ(G().Bounds(), b);
  EXPECT_FALSE(layout.Resizing());
}

}  // namespace
}  // namespace kinevo
