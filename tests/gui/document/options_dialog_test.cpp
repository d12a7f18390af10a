#include "gui/document/options_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <filesystem>

#include "core/common/ini_file.h"
#include "core/marking/marking_data.h"
#include "gui/document/password_dialog.h"
#include "platform/desktop/freedesktop_association.h"
#include "qt_app.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"
#include "support/temp_dir.h"

// Text drawing loads the system's font configuration, whose caches live
// until the process ends; they are not leaks of this program.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libfreetype.so\n";
}

using namespace kinevo;
using namespace kinevo::gui;
namespace fs = std::filesystem;

namespace {

class TempDir : public test::TempDir {
 public:
  TempDir() : test::TempDir("kinevo-optdlg") {}
};

struct Rig {
  TempDir dir;
  test::ScriptedDialog messages;
  TUserDlg dlg{&messages};
  TQtPasswordPrompt prompt;
  TOptions options{dir.File("Kinevo.ini"), &dlg, &prompt};
  TFreedesktopAssociation assoc{dir.File("data"), dir.File("config")};
  std::string program = QCoreApplication::applicationFilePath().toStdString();
  Rig() {
    assoc.SetRunner([](const std::vector<std::string>&) { return 127; });
  }
};

}  // namespace

TEST(OptionsDialog, ShowsEveryOptionAndClosingSavesAndAnnounces) {
  test::QtApp();
  Rig s;
  s.options.CheckBox36StartByZero = false;
  s.options.ToolButtonTempsModeleSinus = true;
  s.options.EditMRU_Value = 5;
  int changed = 0, invalidated = 0;
  TConnection onChangeLink = s.options.OnChange.Connect([&](void*) { ++changed; });
  TConnection onResultsInvalidatedLink =
      s.options.OnResultsInvalidated.Connect([&](void*) { ++invalidated; });

  TBoiteOptions d(s.options, s.assoc, s.dlg, s.program);
  EXPECT_EQ(d.Pages()->count(), 8);
  for (const auto& k : OptionCheckBoxes()) {
    ASSERT_NE(d.CheckBox(k.name), nullptr) << k.name;
    EXPECT_EQ(d.CheckBox(k.name)->isChecked(), s.options.*k.member) << k.name;
  }
  for (const auto& k : OptionToolButtons()) ASSERT_NE(d.ToolButton(k.name), nullptr) << k.name;
  EXPECT_TRUE(d.ToolButton("ToolButtonTempsModeleSinus")->isChecked());
  EXPECT_EQ(d.MRUEdit()->value(), 5);
  EXPECT_FALSE(d.PasswordBox()->isChecked());
  EXPECT_FALSE(d.AssociationBox()->isChecked());
  EXPECT_EQ(d.Values(), static_cast<const TOptionsValues&>(s.options));

  d.show();
  test::Shot(d, "options_dialog");
  d.Pages()->setCurrentIndex(opVector);
  test::Shot(d, "options_dialog_vectors");
  d.Pages()->setCurrentIndex(opTracking);
  test::Shot(d, "options_dialog_tracking");

  d.CheckBox("CheckBox36StartByZero")->setChecked(true);
  d.CheckBox("CheckBox15TimeShowItem")->setChecked(false);
  d.ToolButton("ToolButtonVecteurArc")->setChecked(true);
  d.MRUEdit()->setValue(12);
  d.accept();
  EXPECT_TRUE(d.Saved());
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(invalidated, 1);
  EXPECT_TRUE(s.options.CheckBox36StartByZero);
  TIniFile ini(s.dir.File("Kinevo.ini"));
  EXPECT_EQ(ini.ReadInteger("Options", "EditMRU_Value", 0), 12);
  EXPECT_EQ(ini.ReadString("Options", "CheckBox36StartByZero_Checked"), "1");
  EXPECT_EQ(ini.ReadString("Options", "CheckBox15TimeShowItem_Checked"), "0");
  EXPECT_EQ(ini.ReadString("Options", "ToolButtonVecteurArc_Down"), "1");
  EXPECT_EQ(s.messages.Count(), 0u);
}

TEST(OptionsDialog, PasswordBoxAsksAndCancellingUnticksIt) {
  test::QtApp();
  Rig s;
  TBoiteOptions d(s.options, s.assoc, s.dlg, s.program);
  s.prompt.onShown = [](TPasswordDlg& p) { p.CancelButton()->click(); };
  d.PasswordBox()->click();
  EXPECT_FALSE(d.PasswordBox()->isChecked());
  EXPECT_FALSE(s.options.Locked());

  s.prompt.onShown = [](TPasswordDlg& p) {
    p.Edit()->setText("labo");
    p.OkButton()->click();
  };
  d.PasswordBox()->click();
  EXPECT_TRUE(d.PasswordBox()->isChecked());
  EXPECT_TRUE(s.options.Locked());
  d.accept();
  const std::string stored = TIniFile(s.dir.File("Kinevo.ini")).ReadString("Options", "Password");
  EXPECT_TRUE(IsPasswordHash(stored));
  EXPECT_TRUE(PasswordMatches(stored, "labo"));

  // Unticking clears it.
  TBoiteOptions again(s.options, s.assoc, s.dlg, s.program);
  EXPECT_TRUE(again.PasswordBox()->isChecked());
  again.PasswordBox()->click();
  EXPECT_FALSE(s.options.Locked());
}

TEST(OptionsDialog, AssociationBoxIsAppliedOnClosing) {
  test::QtApp();
  Rig s;
  {
    TBoiteOptions d(s.options, s.assoc, s.dlg, s.program);
    d.AssociationBox()->setChecked(true);
    d.accept();
  }
  EXPECT_TRUE(s.assoc.IsAssociated());
  {
    TBoiteOptions d(s.options, s.assoc, s.dlg, s.program);
    EXPECT_TRUE(d.AssociationBox()->isChecked());
    d.AssociationBox()->setChecked(false);
    d.reject();  // any way of closing applies
  }
  EXPECT_FALSE(s.assoc.IsAssociated());
  EXPECT_EQ(s.messages.Count(), 0u);
}

TEST(OptionsDialog, FailedSaveIsToldAndAssociationFailureStillSaves) {
  test::QtApp();
  TempDir dir;
  test::ScriptedDialog messages;
  TUserDlg dlg(&messages);
  TOptions options(dir.File("no-such-folder/Kinevo.ini"), &dlg, nullptr);
  TFreedesktopAssociation assoc(dir.File("data"), dir.File("config"));
  {
    TBoiteOptions d(options, assoc, dlg, QCoreApplication::applicationFilePath().toStdString());
    d.accept();
    EXPECT_FALSE(d.Saved());
  }
  ASSERT_EQ(messages.Count(), 1u);
  EXPECT_TRUE(messages.Contains("Impossible d'enregistrer les options."));

  // The association cannot be written (a file stands where a folder is
  // needed): it is told, and the settings are saved all the same.
  TOptions good(dir.File("Kinevo.ini"), &dlg, nullptr);
  fs::create_directories(dir.File("data2"));
  FILE* f = fopen(dir.File("data2/applications").c_str(), "w");
  fclose(f);
  TFreedesktopAssociation broken(dir.File("data2"), dir.File("config"));
  broken.SetRunner([](const std::vector<std::string>&) { return 127; });
  TBoiteOptions d(good, broken, dlg, QCoreApplication::applicationFilePath().toStdString());
  d.AssociationBox()->setChecked(true);
  d.accept();
  EXPECT_TRUE(d.Saved());
  EXPECT_EQ(messages.Count(), 2u);
  EXPECT_TRUE(fs::exists(dir.File("Kinevo.ini")));
}

TEST(OptionsDialog, TheAnalysisTrackerIsChosenBesideTheTrackingSettings) {
  test::QtApp();
  Rig s;
  test::FakeView view;
  TGraphUtils graph;
  TData data{view, s.dlg, graph};
  TBoiteOptions d(s.options, s.assoc, s.dlg, s.program);
  d.show();
  d.Pages()->setCurrentIndex(opTracking);
  EXPECT_FALSE(d.MethodBox()->isVisible());  // no analysis open
  data.SetTrackingMethod(tmAppearance);
  d.SetMarking(&data);
  EXPECT_TRUE(d.MethodBox()->isVisible());
  EXPECT_EQ(d.MethodBox()->currentText().toStdString(), "Suivi par l'apparence");
  test::Shot(d, "options_dialog_tracking_method");
  d.MethodBox()->setCurrentIndex(0);
  d.accept();
  EXPECT_EQ(data.TrackingMethod(), tmColour);
}
