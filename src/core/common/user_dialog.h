#pragma once
// The one message dialog of the program: every warning, information and
// question goes through it.  A caller sets an icon, adds buttons and lines,
// runs it and gets back the index of the button pressed.  The showing itself
// is done by a presenter: a Qt window in the program, a scripted answerer in
// tests.
#include <cstdint>
#include <string>
#include <vector>

#include "core/common/canvas.h"
#include "core/common/colour.h"
#include "core/common/image.h"

namespace kinevo {

enum TDefaultIcons : unsigned char {
  icCustom = 0,
  icWarning = 1,
  icError = 2,
  icInformation = 3,
  icConfirmation = 4,
  icNone = 5,
};

enum TButtonType : unsigned char {
  btOk = 0,
  btAnnuler = 1,
  btIgnorer = 2,
  btAbandonner = 3,
  btTous = 4,
  btQuitter = 5,
  btAide = 6,
  btRecommencer = 7,
  btEnregistrer = 8,
  btCustom = 9,
};

enum TLineKind : unsigned char {
  lkWrap = 0,
  lkWrapIndent = 1,
  lkKeepEnd = 2,
  lkKeepStart = 3,
  lkBullet = 4,
};

struct TPropLine {
  std::string text;
  TLineKind kind = lkWrap;
  TColor color = colors::Black;
};

struct TUserButton {
  std::string caption;
  TButtonType type = btOk;
};

// Everything one run of the dialog shows.
struct TUserDlgContent {
  std::string title;
  TFont font;
  TColor backColor = colors::BtnFace;
  TDefaultIcons icon = icNone;
  std::vector<TUserButton> buttons;
  std::vector<TPropLine> lines;
  bool buttonsShowGlyph = true;
  int buttonsMinWidth = 75;
  bool buttonsSameWidth = false;
  std::string checkBoxCaption;
  bool checkBoxCheck = false;
  // The picture shown for icCustom (drawn transparent: its bottom-left
  // pixel's colour is left out).
  Image customIcon;
  // Named cursor over the buttons; empty for the default one.
  std::string buttonsCursor;
};

class IUserDlgPresenter {
 public:
  virtual ~IUserDlgPresenter() = default;
  // Shows the dialog modally.  Returns the index of the button pressed, or
  // -1 when the window was closed otherwise.  `checkBoxCheck` receives the
  // state of the check box when one was shown.
  virtual int32_t Present(const TUserDlgContent& content, bool& checkBoxCheck) = 0;
};

class TUserDlg {
 public:
  explicit TUserDlg(IUserDlgPresenter* presenter = nullptr) : presenter_(presenter) {}

  void SetPresenter(IUserDlgPresenter* p) { presenter_ = p; }

  std::string Title = "Kinevo";
  TFont Font;
  TColor BackColor = colors::BtnFace;
  TDefaultIcons Icon = icNone;
  bool ButtonsShowGlyph = true;
  bool ButtonsSameWidth = false;
  std::string CheckBoxCaption;
  bool CheckBoxCheck = false;
  std::string ButtonsCursor;

  // The picture for icCustom; assigning it also sets Icon to icCustom.
  const Image& CustomIcon() const { return customIcon_; }
  void SetCustomIcon(const Image& picture) {
    customIcon_ = picture;
    Icon = icCustom;
  }

  int32_t ButtonsMinWidth() const { return buttonsMinWidth_; }
  void SetButtonsMinWidth(int32_t w) { buttonsMinWidth_ = w < 20 ? 20 : w; }

  void ClearButtons() { buttons_.clear(); }
  void AddButton(const std::string& caption, TButtonType type);
  // A text holding CR-LF pairs becomes several lines; an empty text is a
  // paragraph gap.
  void AddLine(const std::string& text, TLineKind kind = lkWrap, TColor color = colors::Black);

  int32_t Execute();
  void Disable() { enabled_ = false; }
  void Enable() { enabled_ = true; }
  bool Enabled() const { return enabled_; }

  const std::vector<TUserButton>& Buttons() const { return buttons_; }
  const std::vector<TPropLine>& Lines() const { return lines_; }
  int32_t Result() const { return result_; }

  // The usual (icon; buttons; lines) call in one step.
  int32_t Show(TDefaultIcons icon, const std::vector<TUserButton>& buttons,
               const std::vector<std::string>& lines);

 private:
  IUserDlgPresenter* presenter_;
  Image customIcon_;
  std::vector<TUserButton> buttons_;
  std::vector<TPropLine> lines_;
  int32_t buttonsMinWidth_ = 75;
  int32_t result_ = 0;
  bool enabled_ = true;
};

}  // namespace kinevo
