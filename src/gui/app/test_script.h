#pragma once
// A hook for the tests that run the real program without a screen.  When
// the environment variable KINEVO_TEST_SCRIPT names a file, the program
// shows no dialog: it answers them from that file, and runs the file's
// commands once it has started.  Every dialog, with the answer given, and
// every save request is written on the standard error.  Without the
// variable nothing changes.
//
// Lines (blank lines and lines starting with "#" are skipped):
//   answer CAPTION    the next dialog that has a button CAPTION presses it;
//                     a dialog without such an answer presses its first button
//   value TEXT        the next value dialog is given TEXT
//   open PATH         opens a video or a document
//   tool echelle|origine|marque
//   systems N         marks per image
//   click FX FY       a left click at these fractions of the picture
//   saveas PATH       saves, the save dialog choosing PATH
//   action NAME       triggers the command NAME of the main window, of its
//                     tracking or capture mode or of the results window,
//                     from the event loop (a modal dialog it opens lets the
//                     script go on)
//   image N           shows the displayed image N (from 0)
//   contour FX FY FR  tracking mode: a circle of radius FR (fraction of the
//                     picture's width) around (FX, FY) on the image shown
//   track N           tracking mode: runs the tracking to displayed image N
//   formula TEXT      types a new formula in the formulas dialog
//   keyboard          opens the formula keyboard
//   quit              closes the window
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/app/file_workflow.h"
#include "core/common/user_dialog.h"
#include "core/common/value_entry.h"

namespace kinevo::gui {

class MainWindow;

class TestScript : public IUserDlgPresenter, public IValueDialogPresenter, public IFileDialogs {
 public:
  // Null when the variable is not set or its file cannot be read.
  static std::unique_ptr<TestScript> FromEnvironment();
  explicit TestScript(const std::string& text);

  // Runs the commands one after the other, letting the window handle its
  // events between them.
  void Run(MainWindow& window);

  int32_t Present(const TUserDlgContent& content, bool& checkBoxCheck) override;
  void Present(IValueEntry& entry) override;
  std::string OpenFile(const TFileDialogRequest& request) override;
  std::string SaveFile(const TFileDialogRequest& request) override;

 private:
  void Next(MainWindow& window);
  void Execute(MainWindow& window, const std::string& command, const std::string& argument);

  std::deque<std::string> answers_, values_, saves_;
  std::vector<std::pair<std::string, std::string>> commands_;
  std::size_t next_ = 0;
};

}  // namespace kinevo::gui
