#include "core/common/user_dialog.h"

namespace kinevo {

void TUserDlg::AddButton(const std::string& caption, TButtonType type) {
  buttons_.push_back({caption, type});
}

void TUserDlg::AddLine(const std::string& text, TLineKind kind, TColor color) {
  std::size_t start = 0;
  for (;;) {
    std::size_t pos = text.find("\r\n", start);
    if (pos == std::string::npos) {
      lines_.push_back({text.substr(start), kind, color});
      return;
    }
    lines_.push_back({text.substr(start, pos - start), kind, color});
    start = pos + 2;
  }
}

int32_t TUserDlg::Execute() {
  if (!enabled_) return 0;
  TUserDlgContent c;
  c.title = Title;
  c.font = Font;
  c.backColor = BackColor;
  c.icon = Icon;
  c.buttons = buttons_;
  c.lines = lines_;
  c.buttonsShowGlyph = ButtonsShowGlyph;
  c.buttonsMinWidth = buttonsMinWidth_;
  c.buttonsSameWidth = ButtonsSameWidth;
  c.checkBoxCaption = CheckBoxCaption;
  c.checkBoxCheck = CheckBoxCheck;
  c.customIcon = customIcon_;
  c.buttonsCursor = ButtonsCursor;
  bool check = CheckBoxCheck;
  int32_t answer = presenter_ != nullptr ? presenter_->Present(c, check) : -1;
  // Closing the window without a button keeps the previous result.
  if (answer >= 0 && answer < static_cast<int32_t>(buttons_.size())) result_ = answer;
  if (!CheckBoxCaption.empty()) CheckBoxCheck = check;
  CheckBoxCaption.clear();
  lines_.clear();
  return result_;
}

int32_t TUserDlg::Show(TDefaultIcons icon, const std::vector<TUserButton>& buttons,
                       const std::vector<std::string>& lines) {
  Icon = icon;
  ClearButtons();
  for (const auto& b : buttons) AddButton(b.caption, b.type);
  for (const auto& l : lines) AddLine(l);
  return Execute();
}

}  // namespace kinevo
