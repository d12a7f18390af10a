#include "gui/app/test_script.h"

#include <QAction>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <numbers>
#include <sstream>

#include "core/common/ini_file.h"
#include "gui/app/main_window.h"
#include "gui/capture/capture_ui.h"
#include "gui/formulas/formula_tools.h"
#include "gui/formulas/formulas_dialog.h"
#include "gui/formulas/keyboard_window.h"
#include "gui/results/results_form.h"
#include "gui/tracking/tracking_ui.h"

namespace kinevo::gui {

namespace {

QAction* FindAction(MainWindow& window, const std::string& name) {
  if (QAction* a = window.Action(name)) return a;
  if (QAction* a = window.Tracking().Action(name)) return a;
  if (QAction* a = window.Capture().Action(name)) return a;
  return window.ResultsWindow().Action(name);
}

// A new formula typed in the formulas dialog's last column, as its editor
// gives it back.
void TypeFormula(MainWindow& window, const std::string& text) {
  TResForm& results = window.ResultsWindow();
  if (results.FormulasDialog() == nullptr || !results.FormulasDialog()->isVisible())
    results.Action(TResultsCommand::MenuFormules)->trigger();
  TBoiteFormules& d = *results.FormulasDialog();
  d.GridLogic().ApplyTexts(d.GridLogic().ColCount() - 1, text, "", "");
  d.Refresh();
  if (d.OnChange) d.OnChange();
}

}  // namespace

std::unique_ptr<TestScript> TestScript::FromEnvironment() {
  const char* path = std::getenv("KINEVO_TEST_SCRIPT");
  if (path == nullptr) return nullptr;
  const TResult<std::string> text = ReadWholeFile(path);
  if (!text) return nullptr;
  return std::make_unique<TestScript>(*text);
}

TestScript::TestScript(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto blank = line.find(' ');
    const std::string command = line.substr(0, blank);
    const std::string argument = blank == std::string::npos ? "" : line.substr(blank + 1);
    if (command == "answer")
      answers_.push_back(argument);
    else if (command == "value")
      values_.push_back(argument);
    else
      commands_.emplace_back(command, argument);
  }
}

int32_t TestScript::Present(const TUserDlgContent& content, bool&) {
  int32_t pressed = 0;
  bool found = false;
  for (auto a = answers_.begin(); a != answers_.end() && !found;) {
    for (std::size_t b = 0; b < content.buttons.size() && !found; ++b) {
      found = content.buttons[b].caption == *a;
      if (found) pressed = static_cast<int32_t>(b);
    }
    a = found ? answers_.erase(a) : std::next(a);
  }
  std::string text;
  for (const auto& l : content.lines) text += (text.empty() ? "" : " / ") + l.text;
  std::cerr << "dialog: " << text << " ["
            << (content.buttons.empty() ? "" : content.buttons[pressed].caption) << "]"
            << std::endl;
  return content.buttons.empty() ? -1 : pressed;
}

void TestScript::Present(IValueEntry& entry) {
  std::string text = entry.InitialText();
  if (!values_.empty()) {
    text = values_.front();
    values_.pop_front();
  }
  std::cerr << "value: " << entry.Prompt() << " [" << text << "]" << std::endl;
  entry.TryClose(text);
}

std::string TestScript::OpenFile(const TFileDialogRequest&) { return {}; }

std::string TestScript::SaveFile(const TFileDialogRequest& request) {
  std::cerr << "save proposed: " << request.fileName << std::endl;
  if (saves_.empty()) return {};
  std::string path = saves_.front();
  saves_.pop_front();
  return path;
}

void TestScript::Run(MainWindow& window) {
  QTimer::singleShot(0, &window, [this, &window] { Next(window); });
}

void TestScript::Next(MainWindow& window) {
  if (next_ >= commands_.size()) return;
  const auto& [command, argument] = commands_[next_++];
  Execute(window, command, argument);
  QTimer::singleShot(10, &window, [this, &window] { Next(window); });
}

void TestScript::Execute(MainWindow& window, const std::string& command,
                         const std::string& argument) {
  TSession& s = window.Session();
  std::cerr << "command: " << command << " " << argument << std::endl;
  if (command == "open") {
    window.OpenArgument(QString::fromStdString(argument));
  } else if (command == "tool") {
    s.Data.SetTool(argument == "echelle"   ? otEchelle
                   : argument == "origine" ? otOrigine
                                           : otMarque);
  } else if (command == "systems") {
    s.Data.SetMarksNumberPerFrame(std::atoi(argument.c_str()));
  } else if (command == "click") {
    std::istringstream in(argument);
    TPictureCoord p{};
    in >> p.x >> p.y;
    const TPixel at = s.Video.PictureToScreen(p);
    s.Video.MouseDown(mbLeft, {}, at.x, at.y);
    s.Video.MouseUp(mbLeft, {}, at.x, at.y);
  } else if (command == "saveas") {
    saves_.push_back(argument);
    s.Workflow().SaveAs();
  } else if (command == "action") {
    if (QAction* a = FindAction(window, argument))
      QTimer::singleShot(0, a, &QAction::trigger);
    else
      std::cerr << "no command " << argument << std::endl;
  } else if (command == "image") {
    s.Video.GoToDisplayedImage(std::atoi(argument.c_str()));
  } else if (command == "contour") {
    std::istringstream in(argument);
    double x = 0, y = 0, r = 0;
    in >> x >> y >> r;
    const double ry = r * s.Video.ImageWidth() / std::max(1, s.Video.ImageHeight());
    std::vector<TPictureCoord> circle;
    for (int i = 0; i < 16; ++i) {
      const double a = 2 * std::numbers::pi * i / 16;
      circle.push_back({x + r * std::cos(a), y + ry * std::sin(a)});
    }
    window.Tracking().Tracking().SetContour(circle);
  } else if (command == "track") {
    TTracking& t = window.Tracking().Tracking();
    t.SetLastImage(std::atoi(argument.c_str()));
    t.RunToEnd();
  } else if (command == "formula") {
    TypeFormula(window, argument);
  } else if (command == "keyboard") {
    TClavier& k = window.FormulaTools().Keyboard();
    QTimer::singleShot(0, &k, [&k] { k.exec(); });
  } else if (command == "quit") {
    window.close();
  }
}

}  // namespace kinevo::gui
