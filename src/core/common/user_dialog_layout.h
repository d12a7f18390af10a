#pragma once
// Geometry of the message dialog, without a screen: the window width from
// the screen width, the placing of the text block, the icon, the buttons,
// the separating line and the check box, and the layout of the text block
// (TSimMemo) with its five line kinds.  Text is measured through a Canvas
// whose font has been set by the caller.  The Qt window applies the result
// as it stands.
#include <string>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/picture_coord.h"
#include "core/common/user_dialog.h"

namespace kinevo {

// ---------------------------------------------------------------- text block

// One piece of text of the laid-out block, drawn with its top-left corner
// at (x, y) in the block's client area.
struct TMemoRow {
  int x = 0;
  int y = 0;
  std::string text;
  TColor color = colors::Black;
  friend bool operator==(const TMemoRow&, const TMemoRow&) = default;
};

struct TMemoLayout {
  std::vector<TMemoRow> rows;
  // Height the block needs: the final y + 4.
  int height = 8;
};

// Lays out the lines in a block of the given client width, with the
// canvas's current font:
//   lkWrap        wrapped at blanks, from x = 4;
//   lkWrapIndent  the same from x = 16;
//   lkKeepEnd     one row; too wide, it becomes "... " + the end of the text;
//   lkKeepStart   one row; too wide, it becomes the start of the text + "... ";
//   lkBullet      "- " at x = 16, then the text wrapped after it.
// The available width of a row is the client width − indent − 8.  A word
// wider than a whole row is shortened as lkKeepEnd.  An empty line is a gap
// of a third of the height of a blank.
TMemoLayout LayoutMemo(Canvas& canvas, const std::vector<TPropLine>& lines, int clientWidth);

// Fills the block with `background` and draws the laid-out rows in their
// colours, with the canvas's current font.
void DrawMemo(Canvas& canvas, const TMemoLayout& layout, int clientWidth, int clientHeight,
              TColor background);

// The longest "... " + end of `text` (or start + "... " with keepStart)
// that fits in `width`; the text itself when it fits.  Characters are
// dropped whole (UTF-8 sequences are kept together).
std::string ShortenToWidth(Canvas& canvas, const std::string& text, int width, bool keepStart);

// ---------------------------------------------------------------- window

// Client width of the dialog for a screen width: trunc(ln(screen / 150) × 220)
// (422 for 1024, 560 for 1920).  At least 150 for very small screens.
int UserDlgClientWidth(int screenWidth);

// Everything the window needs to place its controls.
struct TUserDlgLayout {
  int width = 0;   // client width W
  int height = 0;  // client height H
  bool showIcon = false;
  TPixelRect icon;
  TPixelRect memo;
  TMemoLayout memoLayout;
  std::vector<TPixelRect> buttons;  // in the order of the buttons
  bool showSeparator = false;
  TPixelRect separator;  // 2 pixels high
  bool showCheckBox = false;
  TPixelRect checkBox;
  // Without buttons the window keeps its close box; with buttons it has no
  // title-bar buttons and only a button closes it.
  bool closeBox = true;
};

// What the measuring needs besides the content: the screen width, the
// picture size for the icon (ignored for icNone), the width of each
// button's glyph (0 when it has none), and the height of a check box.
struct TUserDlgMetrics {
  int screenWidth = 1024;
  TTextSize iconSize{32, 32};
  std::vector<int> glyphWidths;
  int checkBoxHeight = 17;
};

// Lays out the whole window.  The canvas is used to measure text: its font
// is set to content.font.
TUserDlgLayout LayoutUserDlg(Canvas& canvas, const TUserDlgContent& content,
                             const TUserDlgMetrics& metrics);

}  // namespace kinevo
