#include "core/common/user_dialog_layout.h"

#include <gtest/gtest.h>

#include "support/recording_canvas.h"
#include "support/scripted_dialog.h"

using namespace kinevo;
using kinevo::test::RecordingCanvas;

// The recording canvas measures 7 pixels per byte and 16 pixels per row.

namespace {

TUserDlgContent Content(std::vector<TUserButton> buttons,
                        std::vector<TPropLine> lines = {{"Bonjour"}}) {
  TUserDlgContent c;
  c.buttons = std::move(buttons);
  c.lines = std::move(lines);
  return c;
}

TUserDlgMetrics Metrics(std::size_t buttons, int glyph = 16) {
  TUserDlgMetrics m;
  m.screenWidth = 1024;
  m.glyphWidths.assign(buttons, glyph);
  return m;
}

bool ValidUtf8Start(const std::string& s) {
  return s.empty() || (static_cast<unsigned char>(s[0]) & 0xC0) != 0x80;
}

}  // namespace

TEST(UserDlgLayout, WindowWidthFollowsTheScreen) {
  EXPECT_EQ(UserDlgClientWidth(1024), 422);
  EXPECT_EQ(UserDlgClientWidth(1920), 560);
  EXPECT_EQ(UserDlgClientWidth(0), 150);
  EXPECT_EQ(UserDlgClientWidth(200), 150);
}

TEST(UserDlgLayout, OneOkButtonIsCentredAtTheMinimumWidth) {
  RecordingCanvas canvas;
  const auto L = LayoutUserDlg(canvas, Content({{"Ok", btOk}}), Metrics(1));
  EXPECT_EQ(L.width, 422);
  ASSERT_EQ(L.buttons.size(), 1u);
  EXPECT_EQ(L.buttons[0].Width(), 75);
  EXPECT_EQ(L.buttons[0].Height(), 25);
  EXPECT_LE(std::abs(L.buttons[0].left - (L.width - L.buttons[0].right)), 1);
  EXPECT_FALSE(L.closeBox);
  EXPECT_TRUE(L.showSeparator);
  EXPECT_EQ(L.separator.left, 12);
  EXPECT_EQ(L.separator.Width(), 422 - 24);
  EXPECT_EQ(canvas.Font().name, "Arial") << "measured with the dialog's font";
}

TEST(UserDlgLayout, WideButtonRowsWidenTheWindow) {
  RecordingCanvas canvas;
  std::vector<TUserButton> five(5, {"Enregistrer", btEnregistrer});  // 77 + 16 + 20 = 113 each
  auto L = LayoutUserDlg(canvas, Content(five), Metrics(5));
  EXPECT_EQ(L.width, 12 + 5 * (113 + 12));
  EXPECT_EQ(L.buttons.front().left, 12);
  EXPECT_EQ(L.buttons.back().right, L.width - 12);
  EXPECT_EQ(L.separator.Width(), L.width - 24);

  // Each button at its own width, or all as wide as the widest.
  auto c = Content({{"Oui", btOk}, {"Enregistrer sous", btEnregistrer}, {"Non", btAnnuler}});
  L = LayoutUserDlg(canvas, c, Metrics(3));
  EXPECT_EQ(L.buttons[0].Width(), 75);
  EXPECT_EQ(L.buttons[1].Width(), 16 * 7 + 16 + 20);
  EXPECT_EQ(L.buttons[1].left, L.buttons[0].right + 12);
  c.buttonsSameWidth = true;
  L = LayoutUserDlg(canvas, c, Metrics(3));
  for (const auto& b : L.buttons) EXPECT_EQ(b.Width(), 16 * 7 + 16 + 20);
  // Without glyphs the buttons are narrower; a tiny minimum counts as 20.
  c.buttonsSameWidth = false;
  c.buttonsMinWidth = 5;
  L = LayoutUserDlg(canvas, c, Metrics(3, 0));
  EXPECT_EQ(L.buttons[0].Width(), 3 * 7 + 20);
}

TEST(UserDlgLayout, VerticalPlacingFromTheBottomUp) {
  RecordingCanvas canvas;
  auto c = Content({{"Ok", btOk}, {"Annuler", btAnnuler}});
  c.checkBoxCaption = "Ne plus afficher ce message";
  TUserDlgMetrics m = Metrics(2);
  m.checkBoxHeight = 17;
  const auto L = LayoutUserDlg(canvas, c, m);
  // Text block: one row, 4 + 16 + 4 high, at (12, 14).
  EXPECT_EQ(L.memo, (TPixelRect{12, 14, 422 - 12, 14 + 24}));
  EXPECT_EQ(L.height, (24 + 28) + (25 + 28) + 2 + (17 + 14));
  EXPECT_EQ(L.buttons[0].top, L.height - 25 - 14);
  EXPECT_EQ(L.buttons[1].top, L.buttons[0].top);
  EXPECT_EQ(L.separator.top, L.buttons[0].top - 2 - 14);
  EXPECT_EQ(L.separator.Height(), 2);
  ASSERT_TRUE(L.showCheckBox);
  EXPECT_EQ(L.checkBox.top, L.separator.top - 17 - 14);
  EXPECT_EQ(L.checkBox.top, L.memo.bottom + 14);
  EXPECT_EQ(L.checkBox.Width(), 422 - 24);

  // Without buttons: close box, no line, the check box at the bottom.
  c.buttons.clear();
  const auto N = LayoutUserDlg(canvas, c, Metrics(0));
  EXPECT_TRUE(N.closeBox);
  EXPECT_FALSE(N.showSeparator);
  EXPECT_EQ(N.height, 24 + 28 + 17 + 14);
  EXPECT_EQ(N.checkBox.top, N.height - 17 - 14);
}

TEST(UserDlgLayout, IconPushesTheTextRight) {
  RecordingCanvas canvas;
  auto c = Content({{"Ok", btOk}});
  c.icon = icWarning;
  TUserDlgMetrics m = Metrics(1);
  m.iconSize = {32, 40};
  const auto L = LayoutUserDlg(canvas, c, m);
  ASSERT_TRUE(L.showIcon);
  EXPECT_EQ(L.icon, (TPixelRect{12, 14, 44, 54}));
  EXPECT_EQ(L.memo.left, 44 + 12);
  EXPECT_EQ(L.memo.right, 422 - 12);
  // The picture is taller than one row of text: it sets the height.
  EXPECT_EQ(L.height, 40 + 28 + 25 + 28 + 2);
  c.icon = icNone;
  EXPECT_FALSE(LayoutUserDlg(canvas, c, m).showIcon);
}

TEST(SimMemo, WrappingIndentsAndGaps) {
  RecordingCanvas canvas;
  const std::string word = "abcdefgh";
  const std::string six = word + " " + word + "  " + word + " " + word + " " + word + "   " + word;
  const auto L = LayoutMemo(canvas,
                            {{"Titre", lkWrap, colors::Red},
                             {""},
                             {six, lkWrap},
                             {"court", lkWrapIndent},
                             {word + " " + word + " " + word + " " + word, lkBullet, colors::Blue}},
                            200);
  // Rows: 192 pixels (27 bytes) available, so three words per row.
  const std::string three = word + " " + word + " " + word;
  std::vector<TMemoRow> expected = {
      {4, 4, "Titre", colors::Red},
      {4, 4 + 16 + 5, three, colors::Black},
      {4, 4 + 16 + 5 + 16, three, colors::Black},
      {16, 4 + 16 + 5 + 32, "court", colors::Black},
      {16, 4 + 16 + 5 + 48, "- ", colors::Blue},
      // 200 − (12 + 14) − 8 = 166 pixels: two words per row, after the dash.
      {30, 4 + 16 + 5 + 48, word + " " + word, colors::Blue},
      {30, 4 + 16 + 5 + 64, word + " " + word, colors::Blue},
  };
  EXPECT_EQ(L.rows, expected);
  EXPECT_EQ(L.height, 4 + 16 + 5 + 80 + 4);

  // A line that fits is drawn whole, blanks included.
  const auto F = LayoutMemo(canvas, {{"a  b", lkWrap}}, 200);
  ASSERT_EQ(F.rows.size(), 1u);
  EXPECT_EQ(F.rows[0].text, "a  b");
  EXPECT_EQ(LayoutMemo(canvas, {}, 200).height, 8);
}

TEST(SimMemo, LongTextsKeepTheirEndOrStart) {
  RecordingCanvas canvas;
  const std::string path = "/home/utilisateur/Documents/videos/chute_libre/essai_numero_12.avi";
  auto L = LayoutMemo(canvas, {{path, lkKeepEnd}, {path, lkKeepStart}}, 200);
  ASSERT_EQ(L.rows.size(), 2u);
  const std::string& end = L.rows[0].text;
  EXPECT_EQ(end.rfind("... ", 0), 0u);
  EXPECT_EQ(path.substr(path.size() - (end.size() - 4)), end.substr(4));
  EXPECT_LE(canvas.TextWidth(end), 192);
  EXPECT_GT(canvas.TextWidth(end) + 7, 192) << "as much of the end as fits";
  const std::string& start = L.rows[1].text;
  EXPECT_EQ(start.substr(start.size() - 4), "... ");
  EXPECT_EQ(path.substr(0, start.size() - 4), start.substr(0, start.size() - 4));
  EXPECT_EQ(L.rows[1].y, 20);
  EXPECT_EQ(L.height, 4 + 32 + 4);

  // A short path is left alone; a word too long for a wrapped row keeps its
  // end on a row of its own, and the next word starts a new row.
  L = LayoutMemo(canvas, {{"court.avi", lkKeepEnd}, {"voir " + path + " ici", lkWrap}}, 200);
  ASSERT_EQ(L.rows.size(), 4u);
  EXPECT_EQ(L.rows[0].text, "court.avi");
  EXPECT_EQ(L.rows[1].text, "voir");
  EXPECT_EQ(L.rows[2].text.rfind("... ", 0), 0u);
  EXPECT_EQ(L.rows[3].text, "ici");
  EXPECT_EQ(L.rows[3].y, L.rows[2].y + 16);
  EXPECT_EQ(L.height, L.rows[3].y + 16 + 4);

  // Multi-byte characters are never cut in the middle.
  std::string accents;
  for (int i = 0; i < 40; ++i) accents += "é";
  const std::string cut = ShortenToWidth(canvas, accents, 100, false);
  EXPECT_TRUE(ValidUtf8Start(cut.substr(4)));
  EXPECT_EQ((cut.size() - 4) % 2, 0u);
  const std::string cut2 = ShortenToWidth(canvas, accents, 100, true);
  EXPECT_EQ((cut2.size() - 4) % 2, 0u);
  // Nothing fits at all: the ellipsis alone.
  EXPECT_EQ(ShortenToWidth(canvas, path, 5, false), "... ");
}

TEST(SimMemo, DrawingFillsTheBackgroundThenWritesInColour) {
  RecordingCanvas canvas;
  const auto L = LayoutMemo(canvas, {{"rouge", lkWrap, colors::Red}, {"noir"}}, 200);
  TFont before = canvas.Font();
  DrawMemo(canvas, L, 200, L.height, colors::BtnFace);
  ASSERT_GE(canvas.calls.size(), 3u);
  EXPECT_EQ(canvas.calls[0].op, "fillrect");
  EXPECT_EQ(canvas.calls[0].brush.color, colors::BtnFace);
  EXPECT_EQ(canvas.calls[0].points, (std::vector<TPixel>{{0, 0}, {200, L.height}}));
  const auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].font.color, colors::Red);
  EXPECT_EQ(texts[1].font.color, colors::Black);
  EXPECT_EQ(texts[1].points[0], (TPixel{4, 20}));
  EXPECT_EQ(canvas.Font(), before);
}

TEST(UserDlg, CustomIconAndCursorReachThePresenter) {
  kinevo::test::ScriptedDialog script;
  TUserDlg dlg(&script);
  Image picture(8, 8, colors::Red);
  dlg.SetCustomIcon(picture);
  EXPECT_EQ(dlg.Icon, icCustom);
  dlg.ButtonsCursor = "Main";
  dlg.AddButton("Ok", btOk);
  dlg.AddButton("Annuler", btAnnuler);
  dlg.AddLine("Question ?");
  script.Answer(1);
  EXPECT_EQ(dlg.Execute(), 1);
  ASSERT_EQ(script.Count(), 1u);
  EXPECT_EQ(script.shown[0].customIcon, picture);
  EXPECT_EQ(script.shown[0].buttonsCursor, "Main");
  EXPECT_EQ(script.shown[0].icon, icCustom);
  dlg.Disable();
  EXPECT_EQ(dlg.Execute(), 0);
  EXPECT_EQ(script.Count(), 1u);
}
