#include "support/scripted_dialog.h"

namespace kinevo::test {

int32_t ScriptedDialog::Present(const TUserDlgContent& content, bool& checkBoxCheck) {
  shown.push_back(content);
  if (!checkAnswers.empty() && !content.checkBoxCaption.empty()) {
    checkBoxCheck = checkAnswers.front();
    checkAnswers.pop_front();
  }
  if (!captions_.empty()) {
    std::string cap = captions_.front();
    captions_.pop_front();
    for (std::size_t i = 0; i < content.buttons.size(); ++i)
      if (content.buttons[i].caption == cap) return static_cast<int32_t>(i);
    return -1;
  }
  if (!answers.empty()) {
    int a = answers.front();
    answers.pop_front();
    return a;
  }
  return content.buttons.empty() ? -1 : 0;
}

std::string ScriptedDialog::AllText(std::size_t i) const {
  std::string out;
  if (i >= shown.size()) return out;
  for (const auto& l : shown[i].lines) {
    if (!out.empty()) out += '\n';
    out += l.text;
  }
  return out;
}

std::string ScriptedDialog::LastText() const {
  return shown.empty() ? std::string() : AllText(shown.size() - 1);
}

bool ScriptedDialog::Contains(const std::string& fragment) const {
  for (std::size_t i = 0; i < shown.size(); ++i)
    if (AllText(i).find(fragment) != std::string::npos) return true;
  return false;
}

}  // namespace kinevo::test
