// The montage's Qt dialogs: the group dialog returns what was chosen, and
// the missing-image dialog's arrows open and close a gap.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "core/common/number_format.h"
#include "gui/montage/group_dialog.h"
#include "gui/montage/missing_image_dialog.h"
#include "support/fake_view.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/shots.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_montage");

TEST(GroupWindow, ReturnsTheChosenActionAndGroups) {
  test::FakeView view(64, 48, 10);
  view.mode = vmMontage;
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  TMontage montage(view, dlg);
  montage.NewVideo(10);
  gui::TBoiteBasculer box;
  box.OnShown = [](QWidget* d) {
    d->findChild<QRadioButton*>("hide")->setChecked(true);
    d->findChild<QLineEdit*>("groups")->setText("1-3 ; 7");
    test::Shot(*d, "montage_groups_dialog");
    d->findChild<QPushButton*>("ok")->click();
  };
  montage.GroupDialog = &box;
  montage.ToggleGroups();
  EXPECT_EQ(montage.VisibleCount(), 6);
  EXPECT_FALSE(montage.IsVisible(6));
  // Cancel changes nothing.
  box.OnShown = [](QWidget* d) {
    d->findChild<QRadioButton*>("even")->setChecked(true);
    d->findChild<QPushButton*>("cancel")->click();
  };
  montage.ToggleGroups();
  EXPECT_EQ(montage.VisibleCount(), 6);
  TGroupChoice choice;
  box.OnShown = [](QWidget* d) {
    d->findChild<QRadioButton*>("show")->setChecked(true);
    d->findChild<QRadioButton*>("odd")->setChecked(true);
    d->findChild<QPushButton*>("ok")->click();
  };
  ASSERT_TRUE(box.Execute(choice));
  EXPECT_FALSE(choice.hide);
  EXPECT_EQ(choice.kind, gkOdd);
}

TEST(MissingImageWindow, ArrowsMoveTheCurrentTime) {
  ScopedDecimalSeparator sep('.');
  test::FakeView view(64, 48, 10);
  view.mode = vmMontage;
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  TMontage montage(view, dlg);
  montage.NewVideo(10);
  montage.RequiredDuration = [] { return 0.04; };
  view.current = 5;
  montage.SetVisible(4, false);
  gui::TBoiteInstant box;
  QString before, afterUp, afterRefusal;
  box.OnShown = [&](QWidget* d) {
    auto* current = d->findChild<QLineEdit*>("current");
    before = current->text();
    test::Shot(*d, "montage_missing_image_dialog");
    d->findChild<QToolButton*>("up")->click();
    afterUp = current->text();
    d->findChild<QToolButton*>("down")->click();
    d->findChild<QToolButton*>("down")->click();  // refused
    afterRefusal = current->text();
    EXPECT_EQ(d->windowTitle(), QString::fromUtf8("Il manque une image dans le flux vidéo"));
    d->findChild<QPushButton*>("ok")->click();
  };
  ASSERT_TRUE(box.Execute(montage, [] { return 0.04; }));
  EXPECT_EQ(before, "0.160");
  EXPECT_EQ(afterUp, "0.200");
  EXPECT_EQ(afterRefusal, "0.160");
  EXPECT_EQ(montage.TimeIndex(5), 4);
  view.current = 4;  // hidden: the dialog does not run
  EXPECT_FALSE(box.Execute(montage, [] { return 0.04; }));
}

}  // namespace
}  // namespace kinevo
