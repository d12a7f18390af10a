#pragma once
// A message dialog presenter for tests: records every dialog shown and
// answers from a script (the index of the button to press, or a caption).
#include <deque>
#include <string>
#include <vector>

#include "core/common/user_dialog.h"

namespace kinevo::test {

class ScriptedDialog : public IUserDlgPresenter {
 public:
  // Answers given in order; when the script is empty the first button is pressed.
  std::deque<int> answers;
  std::deque<bool> checkAnswers;
  std::vector<TUserDlgContent> shown;

  void Answer(int index) { answers.push_back(index); }
  // Presses the button with this caption in the next dialog.
  void AnswerCaption(const std::string& caption) { captions_.push_back(caption); }

  int32_t Present(const TUserDlgContent& content, bool& checkBoxCheck) override;

  // The lines of the last dialog joined with '\n'.
  std::string LastText() const;
  std::string AllText(std::size_t i) const;
  std::size_t Count() const { return shown.size(); }
  bool Contains(const std::string& fragment) const;

 private:
  std::deque<std::string> captions_;
};

}  // namespace kinevo::test
