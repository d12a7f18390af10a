#include "core/document/options.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <set>

#include "core/common/ini_file.h"
#include "core/common/settings_file.h"
#include "support/french_numeric_locale.h"
#include "support/scripted_dialog.h"
#include "support/temp_dir.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

class TempDir : public test::TempDir {
 public:
  TempDir() : test::TempDir("kinevo-opt") {}
};

// Answers the password dialog from a script; an empty optional is Cancel.
class ScriptedPassword : public IPasswordPrompt {
 public:
  std::deque<std::optional<std::string>> answers;
  int asked = 0;
  bool AskPassword(std::string& entered) override {
    ++asked;
    if (answers.empty()) return false;
    auto a = answers.front();
    answers.pop_front();
    if (!a) return false;
    entered = *a;
    return true;
  }
};

class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~EnvVar() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace

TEST(Options, KeyTablesHaveEveryKeyDefaultAndOrder) {
  const auto& boxes = OptionCheckBoxes();
  ASSERT_EQ(boxes.size(), 54u);
  int trues = 0, previous = 0;
  std::set<std::string> names;
  for (const auto& k : boxes) {
    trues += k.def;
    // Number order: the digits after "CheckBox".
    const int number = std::stoi(std::string(k.name).substr(8));
    EXPECT_GT(number, previous) << k.name;
    previous = number;
    EXPECT_EQ(k.key, std::string(k.name) + "_Checked");
    EXPECT_NE(std::string(k.caption), "") << k.name;
    names.insert(k.key);
  }
  EXPECT_EQ(trues, 38);
  EXPECT_EQ(names.size(), 54u);
  const auto& buttons = OptionToolButtons();
  ASSERT_EQ(buttons.size(), 43u);
  EXPECT_EQ(buttons.front().key, "ToolButtonFormuleReticule_Down");
  EXPECT_EQ(buttons[8].key, "ToolButtonReferentielAngle_Down");
  EXPECT_EQ(buttons[20].key, "ToolButtonTempsReticule_Down");
  EXPECT_EQ(buttons.back().key, "ToolButtonVecteurVideo_Down");
  for (const auto& b : buttons) EXPECT_NE(std::string(b.caption), "") << b.name;

  TOptionsValues v;
  EXPECT_EQ(v.EditMRU_Value, 8);
  EXPECT_EQ(v.TrackingRadius_Value, 40);
  EXPECT_TRUE(v.CheckBox57GridShowPolarQuantities);
  EXPECT_FALSE(v.CheckBox36StartByZero);
  EXPECT_FALSE(v.ToolButtonVecteurSens);
}

TEST(Options, SaveWritesEveryKeyInOrderAndLoadReadsItBack) {
  TempDir dir;
  const auto path = dir.File("Kinevo.ini");
  TOptions opt(path);
  opt.EditMRU_Value = 12;
  opt.PenSize_Value = 2;
  opt.CheckBox36StartByZero = true;
  opt.CheckBox3ConfirmationQuit = false;
  opt.ToolButtonTempsModeleSinus = true;
  opt.TrackingUncertainty_Value = 55;
  ASSERT_TRUE(opt.Save());

  TIniFile ini(path);
  auto keys = ini.ReadSection("Options");
  ASSERT_EQ(keys.size(), 5u + 1u + 54u + 43u + 1u);
  EXPECT_EQ(keys[0], "EditMRU_Value");
  EXPECT_EQ(keys[4], "PenSize4Graph_Value");
  EXPECT_EQ(keys[5], "Password");
  EXPECT_EQ(keys[6], "CheckBox3ConfirmationQuit_Checked");
  EXPECT_EQ(keys[59], "CheckBox57GridShowPolarQuantities_Checked");
  EXPECT_EQ(keys[60], "ToolButtonFormuleReticule_Down");
  // Keys added later come after the older ones.
  EXPECT_EQ(keys.back(), "TrackingUncertainty_Value");
  EXPECT_EQ(ini.ReadString("Options", "CheckBox36StartByZero_Checked"), "1");
  EXPECT_EQ(ini.ReadString("Options", "Password", "?"), "");

  TOptions back(path);
  EXPECT_EQ(static_cast<const TOptionsValues&>(back), static_cast<const TOptionsValues&>(opt));
  EXPECT_FALSE(back.Locked());
}

// A French desktop prints "0,5" through the C library: the settings file is
// written and read the same under it.
TEST(Options, SettingsFileIsTheSameUnderAFrenchNumericLocale) {
  TempDir dir;
  auto write = [&dir](const std::string& name) {
    TOptions opt(dir.File(name));
    opt.PenSize_Value = 2;
    opt.TrackingUncertainty_Value = 55;
    EXPECT_TRUE(opt.Save());
    EXPECT_TRUE(TSettingsFile(dir.File(name)).Update([](IKeyWriter& w) {
      w.WriteFloat("CaptureForm", "Rate", 29.97);
    }));
    std::string text;
    text = ReadWholeFile(dir.File(name)).value_or("");
    EXPECT_FALSE(text.empty());
    return text;
  };
  const std::string c = write("c.ini");
  EXPECT_NE(c.find("Rate=29.97"), std::string::npos) << c;
  test::FrenchNumericLocale french;
  ASSERT_TRUE(french.Active());
  EXPECT_EQ(write("fr.ini"), c);
  double rate = 0;
  TSettingsFile(dir.File("fr.ini")).Read([&rate](const IKeyReader& r) {
    rate = r.ReadFloat("CaptureForm", "Rate", 0);
  });
  EXPECT_EQ(rate, 29.97);
  EXPECT_EQ(TOptions(dir.File("fr.ini")).TrackingUncertainty_Value, 55);
}

TEST(Options, MissingAndBadKeysKeepTheirDefaultsAndOtherSectionsSurvive) {
  TempDir dir;
  const auto path = dir.File("Kinevo.ini");
  {
    TIniFile ini(path);
    ini.WriteString("Montage", "Codec", "MJPG");
    ini.WriteString("Options", "EditMRU_Value", "beaucoup");
    ini.WriteString("Options", "checkbox9speed_checked", "0");
    ini.WriteString("Options", "TrackingUncertainty_Value", "250");
    ASSERT_TRUE(ini.UpdateFile());
  }
  TOptions opt(path);
  EXPECT_EQ(opt.EditMRU_Value, 8);
  EXPECT_EQ(opt.TrackingUncertainty_Value, 70);
  EXPECT_FALSE(opt.CheckBox9Speed);
  EXPECT_TRUE(opt.CheckBox8Acceleration);
  ASSERT_TRUE(opt.Save());
  EXPECT_EQ(TIniFile(path).ReadString("Montage", "Codec"), "MJPG");
}

TEST(Options, MRUCapacityIsClamped) {
  TOptions opt("");
  opt.EditMRU_Value = 0;
  EXPECT_EQ(opt.MRUCapacity(), 1);
  opt.EditMRU_Value = 50;
  EXPECT_EQ(opt.MRUCapacity(), 20);
  opt.EditMRU_Value = 8;
  EXPECT_EQ(opt.MRUCapacity(), 8);
}

TEST(Options, NoSettingsFolderMeansDefaultsAndAFailedSave) {
  TOptions opt("");
  EXPECT_TRUE(opt.CheckBox3ConfirmationQuit);
  EXPECT_FALSE(opt.Save());
}

TEST(Options, SaveIntoAnUnwritablePlaceIsReportedAsFailed) {
  TempDir dir;
  const auto path = dir.File("missing-folder/Kinevo.ini");
  TOptions opt(path);
  const TStatus saved = opt.Save();
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().reason, "Impossible d'enregistrer les options.");
  EXPECT_NE(saved.error().cause.find("n'existe pas"), std::string::npos) << saved.error().cause;
}

TEST(OptionsPassword, HashesAreSaltedAndVerified) {
  const std::string h1 = HashPassword("secret"), h2 = HashPassword("secret");
  EXPECT_NE(h1, h2);  // a new salt each time
  EXPECT_TRUE(IsPasswordHash(h1));
  EXPECT_TRUE(PasswordMatches(h1, "secret"));
  EXPECT_TRUE(PasswordMatches(h2, "secret"));
  EXPECT_FALSE(PasswordMatches(h1, "Secret"));
  EXPECT_FALSE(PasswordMatches(h1, ""));
  EXPECT_FALSE(PasswordMatches("secret", "secret"));  // clear text is not a hash
  EXPECT_FALSE(IsPasswordHash("sha256$10$zz$00"));
  // One iteration is the SHA-256 of salt then password.
  EXPECT_EQ(HashPassword("abc", "00112233445566778899aabbccddeeff", 1),
            "sha256$1$00112233445566778899aabbccddeeff$"
            "b32ea5818c6d41e6b64d3fc5b23ab46524586238e8168f27296d9b580cef1a0c");
}

TEST(OptionsPassword, ClearTextFromAnOlderFileIsAcceptedOnceThenStoredHashed) {
  TempDir dir;
  const auto path = dir.File("Kinevo.ini");
  {
    TIniFile ini(path);
    ini.WriteString("Options", "Password", "physique");
    ASSERT_TRUE(ini.UpdateFile());
  }
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  ScriptedPassword prompt;
  TOptions opt(path, &dlg, &prompt);
  ASSERT_TRUE(opt.Locked());
  EXPECT_TRUE(IsPasswordHash(opt.StoredPassword()));
  prompt.answers = {std::string("physique")};
  EXPECT_TRUE(opt.CheckPassword());

  ASSERT_TRUE(opt.Save());
  const std::string stored = TIniFile(path).ReadString("Options", "Password");
  EXPECT_TRUE(IsPasswordHash(stored));
  EXPECT_EQ(stored.find("physique"), std::string::npos);
  std::string bytes;
  bytes = ReadWholeFile(path).value_or("");
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.find("physique"), std::string::npos);

  // The hashed file opens with the same password, and not with the hash itself.
  TOptions again(path, &dlg, &prompt);
  prompt.answers = {std::string("physique"), stored};
  EXPECT_TRUE(again.CheckPassword());
  EXPECT_FALSE(again.CheckPassword());
}

TEST(OptionsPassword, CheckPasswordAsksOnlyWhenLocked) {
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  ScriptedPassword prompt;
  TOptions opt("", &dlg, &prompt);
  EXPECT_TRUE(opt.CheckPassword());
  EXPECT_EQ(prompt.asked, 0);

  opt.SetPassword("prof");
  prompt.answers = {std::string("eleve")};
  EXPECT_FALSE(opt.CheckPassword());
  ASSERT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(presenter.shown[0].icon, icWarning);
  EXPECT_EQ(presenter.LastText(), "Mot de passe incorrect.");

  prompt.answers = {std::nullopt};  // cancelled: no message
  EXPECT_FALSE(opt.CheckPassword());
  EXPECT_EQ(presenter.Count(), 1u);

  prompt.answers = {std::string("prof")};
  EXPECT_TRUE(opt.CheckPassword());
}

TEST(OptionsPassword, AskNewPasswordKeepsTheOldOneOnEmptyOrCancel) {
  ScriptedPassword prompt;
  TOptions opt("", nullptr, &prompt);
  prompt.answers = {std::nullopt};
  EXPECT_FALSE(opt.AskNewPassword());
  EXPECT_FALSE(opt.Locked());
  prompt.answers = {std::string("")};
  EXPECT_FALSE(opt.AskNewPassword());
  EXPECT_FALSE(opt.Locked());
  prompt.answers = {std::string("labo")};
  EXPECT_TRUE(opt.AskNewPassword());
  ASSERT_TRUE(opt.Locked());
  const std::string h = opt.StoredPassword();
  prompt.answers = {std::nullopt};
  EXPECT_FALSE(opt.AskNewPassword());
  EXPECT_EQ(opt.StoredPassword(), h);
  opt.ClearPassword();
  EXPECT_FALSE(opt.Locked());
}

TEST(Options, AssignInvalidatesResultsOnlyForComputationSettings) {
  TOptions opt("");
  int invalidated = 0, changed = 0;
  TConnection onResultsInvalidatedLink =
      opt.OnResultsInvalidated.Connect([&](void*) { ++invalidated; });
  TConnection onChangeLink = opt.OnChange.Connect([&](void*) { ++changed; });
  TOptionsValues v = opt;
  v.CheckBox15TimeShowItem = false;
  v.ToolButtonVecteurArc = true;
  opt.Assign(v);
  EXPECT_EQ(invalidated, 0);
  EXPECT_TRUE(opt.ToolButtonVecteurArc);
  for (auto member :
       {&TOptionsValues::CheckBox54SmoothSpeed, &TOptionsValues::CheckBox7SmoothAcceleration,
        &TOptionsValues::CheckBox9Speed, &TOptionsValues::CheckBox8Acceleration,
        &TOptionsValues::CheckBox30HideEdgeV, &TOptionsValues::CheckBox31HideEdgeA,
        &TOptionsValues::CheckBox36StartByZero, &TOptionsValues::CheckBox41HorizAndVertScale}) {
    TOptionsValues w = opt;
    w.*member = !(w.*member);
    const int before = invalidated;
    opt.Assign(w);
    EXPECT_EQ(invalidated, before + 1);
  }
  opt.NotifyChanged();
  EXPECT_EQ(changed, 1);
}

TEST(Options, SettingsFileFollowsXdgConfigHome) {
  TempDir dir;
  {
    EnvVar xdg("XDG_CONFIG_HOME", (dir.Path() + "/conf").c_str());
    EXPECT_EQ(SettingsFilePath(), dir.Path() + "/conf/kinevo/Kinevo.ini");
    EXPECT_TRUE(fs::is_directory(dir.Path() + "/conf/kinevo"));
  }
  {
    EnvVar xdg("XDG_CONFIG_HOME", "relative/ignored");
    EnvVar home("HOME", dir.Path().c_str());
    EXPECT_EQ(SettingsFilePath(), dir.Path() + "/.config/kinevo/Kinevo.ini");
  }
  {
    EnvVar xdg("XDG_CONFIG_HOME", nullptr);
    EnvVar home("HOME", nullptr);
    EXPECT_EQ(SettingsFilePath(), "");
  }
}

TEST(Help, FirstExistingFileIsOpenedOrTheWarningShown) {
  TempDir dir;
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  std::string opened;
  auto open = [&](const std::string& f) {
    opened = f;
    return true;
  };
  EXPECT_FALSE(ShowHelp(dir.Path(), open, dlg));
  ASSERT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(presenter.shown[0].icon, icWarning);
  EXPECT_EQ(presenter.LastText(),
            "Impossible de lancer l'aide.\n\n"
            "Vérifier la présence du répertoire « Help » à côté du fichier « Kinevo.exe ».");

  for (const char* n : {"Help.html", "Help_en.html", "Help_es.html"}) {
    FILE* f = fopen(dir.File(n).c_str(), "w");
    fclose(f);
  }
  EXPECT_EQ(FindHelpFile(dir.Path()), dir.File("Help_es.html"));
  EXPECT_TRUE(ShowHelp(dir.Path(), open, dlg));
  EXPECT_EQ(opened, dir.File("Help_es.html"));
  EXPECT_FALSE(ShowHelp(
      dir.Path(), [](const std::string&) { return false; }, dlg));
  EXPECT_EQ(presenter.Count(), 2u);
}
