#include "core/common/user_dialog_layout.h"

#include <algorithm>
#include <cmath>

namespace kinevo {

namespace {

constexpr const char* kEllipsis = "... ";

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::vector<std::string> SplitWords(const std::string& text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    std::size_t j = i;
    while (j < text.size() && text[j] != ' ') ++j;
    if (j > i) words.push_back(text.substr(i, j - i));
    i = j;
  }
  return words;
}

}  // namespace

std::string ShortenToWidth(Canvas& canvas, const std::string& text, int width, bool keepStart) {
  if (canvas.TextWidth(text) <= width) return text;
  if (keepStart) {
    for (std::size_t n = text.size(); n-- > 0;) {
      if (IsContinuation(text[n])) continue;
      std::string s = text.substr(0, n) + kEllipsis;
      if (canvas.TextWidth(s) <= width) return s;
    }
  } else {
    for (std::size_t n = 1; n <= text.size(); ++n) {
      if (n < text.size() && IsContinuation(text[n])) continue;
      std::string s = kEllipsis + text.substr(n);
      if (canvas.TextWidth(s) <= width) return s;
    }
  }
  return kEllipsis;
}

TMemoLayout LayoutMemo(Canvas& canvas, const std::vector<TPropLine>& lines, int clientWidth) {
  TMemoLayout out;
  int y = 4;
  const int dashWidth = canvas.TextWidth("- ");
  for (const TPropLine& line : lines) {
    if (line.text.empty()) {
      y += canvas.TextHeight(" ") / 3;
      continue;
    }
    const int h = canvas.TextHeight(line.text);
    auto emit = [&](int x, const std::string& s) { out.rows.push_back({x, y, s, line.color}); };
    switch (line.kind) {
      case lkKeepEnd:
      case lkKeepStart:
        emit(4, ShortenToWidth(canvas, line.text, clientWidth - 8, line.kind == lkKeepStart));
        break;
      case lkWrap:
      case lkWrapIndent:
      case lkBullet:
      default: {
        int indent = 0;
        if (line.kind == lkWrapIndent) indent = 12;
        if (line.kind == lkBullet) {
          emit(16, "- ");
          indent = 12 + dashWidth;
        }
        const int avail = clientWidth - indent - 8;
        const int x = indent + 4;
        if (canvas.TextWidth(line.text) <= avail) {
          emit(x, line.text);
          break;
        }
        const std::vector<std::string> words = SplitWords(line.text);
        std::string row;
        for (std::size_t i = 0; i < words.size(); ++i) {
          const std::string& w = words[i];
          std::string candidate = row.empty() ? w : row + " " + w;
          if (canvas.TextWidth(candidate) <= avail) {
            row = std::move(candidate);
            continue;
          }
          if (!row.empty()) {
            emit(x, row);
            y += h;
            row.clear();
          }
          if (canvas.TextWidth(w) > avail) {
            // A word wider than a whole row keeps its end on a row of its
            // own; the next word starts a new row.
            emit(x, ShortenToWidth(canvas, w, avail, false));
            if (i + 1 < words.size()) y += h;
          } else {
            row = w;
          }
        }
        if (!row.empty()) emit(x, row);
        break;
      }
    }
    y += h;
  }
  out.height = y + 4;
  return out;
}

void DrawMemo(Canvas& canvas, const TMemoLayout& layout, int clientWidth, int clientHeight,
              TColor background) {
  const TBrush oldBrush = canvas.Brush();
  const TFont oldFont = canvas.Font();
  canvas.SetBrush({background, TBrushStyle::bsSolid});
  canvas.FillRect({0, 0, clientWidth, clientHeight});
  TFont font = oldFont;
  for (const TMemoRow& r : layout.rows) {
    if (font.color != r.color) {
      font.color = r.color;
      canvas.SetFont(font);
    }
    canvas.TextOut(r.x, r.y, r.text);
  }
  canvas.SetFont(oldFont);
  canvas.SetBrush(oldBrush);
}

int UserDlgClientWidth(int screenWidth) {
  if (screenWidth <= 0) return 150;
  const double w = std::log(screenWidth / 150.0) * 220.0;
  if (!(w >= 150)) return 150;
  return static_cast<int>(w);
}

TUserDlgLayout LayoutUserDlg(Canvas& canvas, const TUserDlgContent& c, const TUserDlgMetrics& m) {
  TUserDlgLayout L;
  canvas.SetFont(c.font);
  int W = UserDlgClientWidth(m.screenWidth);

  // Icon and text block.
  int memoLeft = 12;
  int pictureHeight = 1;  // icNone: a 1 × 1 picture that is not placed
  if (c.icon != icNone) {
    L.showIcon = true;
    L.icon = {12, 14, 12 + m.iconSize.cx, 14 + m.iconSize.cy};
    memoLeft = L.icon.right + 12;
    pictureHeight = m.iconSize.cy;
  }
  const int memoWidth = std::max(1, W - memoLeft - 12);
  L.memoLayout = LayoutMemo(canvas, c.lines, memoWidth);
  L.memo = {memoLeft, 14, memoLeft + memoWidth, 14 + L.memoLayout.height};
  int H = std::max(L.memoLayout.height, pictureHeight) + 28;

  // Buttons, left to right from x = 12.
  const int minWidth = std::max(20, c.buttonsMinWidth);
  std::vector<int> own;
  int widest = minWidth;
  for (std::size_t i = 0; i < c.buttons.size(); ++i) {
    const int glyph = i < m.glyphWidths.size() ? m.glyphWidths[i] : 0;
    own.push_back(canvas.TextWidth(c.buttons[i].caption) + glyph + 20);
    widest = std::max(widest, own.back());
  }
  int x = 12;
  for (int w : own) {
    const int width = c.buttonsSameWidth ? widest : std::max(minWidth, w);
    L.buttons.push_back({x, 0, x + width, 25});
    x += width + 12;
  }
  if (!L.buttons.empty()) {
    L.closeBox = false;
    H += 25 + 28;
    if (W < x) {
      W = x;
    } else {
      const int shift = (W - x) / 2;
      for (auto& b : L.buttons) {
        b.left += shift;
        b.right += shift;
      }
    }
    L.showSeparator = true;
    H += 2;
  }

  if (!c.checkBoxCaption.empty()) {
    L.showCheckBox = true;
    H += m.checkBoxHeight + 14;
  }

  // Vertical placing from the bottom up.
  int above = H;
  if (!L.buttons.empty()) {
    const int top = H - 25 - 14;
    for (auto& b : L.buttons) {
      b.top = top;
      b.bottom = top + 25;
    }
    const int sepTop = top - 2 - 14;
    L.separator = {12, sepTop, W - 12, sepTop + 2};
    above = sepTop;
  }
  if (L.showCheckBox) {
    const int top = above - m.checkBoxHeight - 14;
    L.checkBox = {12, top, W - 12, top + m.checkBoxHeight};
  }
  L.width = W;
  L.height = H;
  return L;
}

}  // namespace kinevo
