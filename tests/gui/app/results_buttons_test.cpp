// The five result buttons of the main window open the results window on
// their page once the readiness checks pass; the settings choose which
// buttons exist.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>

#include "gui/app/main_window.h"
#include "gui/results/results_form.h"
#include "platform/desktop/freedesktop_association.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/temp_dir.h"
#include "support/two_systems_document.h"

namespace kinevo::gui {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_app");

class ResultButtons : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = test::TwoSystems::Write(dir.Path());
    ASSERT_FALSE(doc.empty());
    MainWindowSetup setup;
    setup.settingsPath = dir.File("Kinevo.ini");
    setup.messages = &messages;
    association = std::make_unique<TFreedesktopAssociation>(dir.File("data"), dir.File("config"));
    association->SetRunner([](const std::vector<std::string>&) { return 127; });
    setup.association = association.get();
    window = std::make_unique<MainWindow>(setup);
    window->Session().Options.CheckBox38ChangeDefaultObjectsName = false;
  }
  test::TempDir dir{"kinevo_result_buttons"};
  std::string doc;
  test::ScriptedDialog messages;
  std::unique_ptr<TFreedesktopAssociation> association;
  std::unique_ptr<MainWindow> window;
};

TEST_F(ResultButtons, EachButtonShowsItsPageAfterTheChecks) {
  // No video: the buttons are there but nothing opens.
  window->ShowResults(rvTime);
  EXPECT_FALSE(window->ResultsWindow().isVisible());
  window->OpenArgument(QString::fromStdString(doc));
  ASSERT_TRUE(window->Session().Video.IsOpen());
  for (const auto& [name, view] : kResultButtons) {
    QAction* a = window->Action(name);
    ASSERT_NE(a, nullptr) << CommandName(name);
    EXPECT_TRUE(a->isVisible()) << CommandName(name);
    EXPECT_TRUE(a->isEnabled()) << CommandName(name);
    a->trigger();
    EXPECT_TRUE(window->ResultsWindow().isVisible()) << CommandName(name);
    EXPECT_EQ(window->ResultsWindow().View(), view) << CommandName(name);
    EXPECT_EQ(window->ResultsWindow().windowTitle(), TResForm::ViewTitle(view));
  }
  // A double click in the results goes to that image in the main window.
  window->ResultsWindow().ShowImage(7);
  EXPECT_EQ(window->Session().Video.CurrentImage(), 7);
}

TEST_F(ResultButtons, SettingsHideButtons) {
  window->Session().Options.CheckBox22VectorShowItem = false;
  window->Session().Options.CheckBox28FormulaShowItem = false;
  window->RefreshCommands();
  EXPECT_FALSE(window->Action("ButtonMenuVecteur")->isVisible());
  EXPECT_FALSE(window->Action("ButtonMenuFormule")->isVisible());
  EXPECT_TRUE(window->Action("ButtonMenuTemps")->isVisible());
}

}  // namespace
}  // namespace kinevo::gui
