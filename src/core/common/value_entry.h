#pragma once
// What a window needs to ask the user for one number: the texts, the
// typing filter, the check made when the window is asked to close, and the
// geometry.  The value entry dialog (core/app/value_dialog.h) provides it;
// the Qt window shows it through IValueDialogPresenter.
#include <functional>
#include <string>

#include "core/common/canvas.h"
#include "core/common/colour.h"
#include "core/common/picture_coord.h"

namespace kinevo {

// Geometry of the window, in pixels (client coordinates).
struct TValueDialogLayout {
  int clientWidth = 0, clientHeight = 0;
  TPixelRect note;  // empty when there is no note
  TPixelRect prompt;
  TPixelRect edit;
  TPixelRect line;  // the 2-pixel separating line
  TPixelRect button;
  TPixelRect statusBar;
};

// The same layout at least `width` wide (so that a long title is not cut
// in the title bar): the prompt and the edit stay at the left, the button
// stays centred, the line and the status bar take the whole width.
inline TValueDialogLayout WidenedTo(TValueDialogLayout l, int width) {
  const int extra = width - l.clientWidth;
  if (extra <= 0) return l;
  l.clientWidth = width;
  l.button.left += extra / 2;
  l.button.right += extra / 2;
  l.line.right += extra;
  l.statusBar.right += extra;
  if (l.note.right > l.note.left) l.note.right += extra;
  return l;
}

class IValueEntry {
 public:
  static constexpr int kEditWidth = 120, kEditHeight = 21, kMaxLength = 16;
  static constexpr int kButtonWidth = 75, kButtonHeight = 25, kStatusHeight = 23;

  virtual ~IValueEntry() = default;
  virtual const std::string& WindowCaption() const = 0;
  virtual const TFont& WindowFont() const = 0;
  virtual TColor WindowColor() const = 0;
  virtual const std::string& Prompt() const = 0;
  virtual const std::string& Note() const = 0;
  virtual const std::string& RangeText() const = 0;
  virtual const std::string& InitialText() const = 0;
  // The character to insert for a typed one, or 0 to drop it.
  virtual char FilterChar(char c) const = 0;
  // The window asks to close with the edit's text: true lets it close.
  virtual bool TryClose(const std::string& text) = 0;
  virtual TValueDialogLayout Layout(int promptWidth,
                                    const std::function<int(int width)>& noteHeight,
                                    int workAreaWidth) const = 0;
};

class IValueDialogPresenter {
 public:
  virtual ~IValueDialogPresenter() = default;
  // Shows the window modally.  Each request to close calls
  // entry.TryClose(text); the window closes when it answers true.
  virtual void Present(IValueEntry& entry) = 0;
};

}  // namespace kinevo
