#pragma once
// Open and save dialogs that answer from queues, in order, and keep every
// request; an empty queue answers "cancelled".
#include <deque>
#include <string>
#include <vector>

#include "core/app/file_workflow.h"

namespace kinevo::test {

struct ScriptedFiles : IFileDialogs {
  std::deque<std::string> open, save;
  std::vector<TFileDialogRequest> asked;

  std::string OpenFile(const TFileDialogRequest& r) override { return Answer(r, open); }
  std::string SaveFile(const TFileDialogRequest& r) override { return Answer(r, save); }

 private:
  std::string Answer(const TFileDialogRequest& r, std::deque<std::string>& answers) {
    asked.push_back(r);
    if (answers.empty()) return {};
    std::string a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace kinevo::test
