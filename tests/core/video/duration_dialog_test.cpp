// The choice of the time between two images.
#include "core/video/duration_dialog.h"

#include <gtest/gtest.h>

#include "core/common/number_format.h"
#include "support/scripted_dialog.h"

namespace kinevo {
namespace {

TEST(DurationDialog, TwentyFiveImagesPerSecondSelectsTheDefault) {
  ScopedDecimalSeparator sep(',');
  TDurationDialogModel m(0.04, 0.04);
  EXPECT_TRUE(m.DefaultSelected());
  EXPECT_EQ(
      m.HeaderText(),
      "Le fichier vidéo a été capturé avec une fréquence de trame de\n25 image(s) / seconde.\n"
      "Le temps séparant deux images successives est donc de\nT = 0,04 s.");
  EXPECT_EQ(m.DefaultCaption(), "Utiliser la valeur par défaut T = 0,04 s");
  EXPECT_EQ(m.Text(), "0,04");
  TDurationDialogModel other(1 / 29.97, 0.001);
  EXPECT_FALSE(other.DefaultSelected());
  EXPECT_EQ(other.Text(), "0,001");
  EXPECT_NE(other.HeaderText().find("\n30 image(s) / seconde."), std::string::npos);
  EXPECT_EQ(other.DefaultCaption(), "Utiliser la valeur par défaut T = 0,0334 s");
}

TEST(DurationDialog, GeneralFormatUsesTheSeparatorAndShortExponents) {
  ScopedDecimalSeparator sep('.');
  EXPECT_EQ(FormatGeneral(0.04, 3), "0.04");
  EXPECT_EQ(FormatGeneral(1.5e-7, 3), "1.5E-7");
  EXPECT_EQ(FormatGeneral(2e12, 3), "2E12");
  EXPECT_EQ(FormatGeneral(1.0 / 3, 10), "0.3333333333");
}

TEST(DurationDialog, ChecksBoundsAndBothSeparators) {
  double v = 0;
  for (char s : {',', '.'}) {
    ScopedDecimalSeparator sep(s);
    EXPECT_EQ(CheckDuration("0,5", v), dcOk);
    EXPECT_EQ(v, 0.5);
    EXPECT_EQ(CheckDuration("0.5", v), dcOk);
    EXPECT_EQ(v, 0.5);
  }
  EXPECT_EQ(CheckDuration("0.000001", v), dcOutOfRange);
  EXPECT_EQ(CheckDuration("1000000000", v), dcOutOfRange);
  EXPECT_EQ(CheckDuration("-3", v), dcOutOfRange);
  EXPECT_EQ(CheckDuration("0.0000011", v), dcOk);
  EXPECT_EQ(CheckDuration("1e-3", v), dcOk);
  EXPECT_EQ(v, 0.001);
  EXPECT_EQ(CheckDuration("", v), dcNotANumber);
  EXPECT_EQ(CheckDuration("1e", v), dcNotANumber);
  EXPECT_EQ(CheckDuration("1,2,3", v), dcNotANumber);
}

TEST(DurationDialog, RefusedTextsKeepTheDialogOpenWithTheirMessage) {
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  TDurationDialogModel m(0.04, 0.04);
  m.Typed("abc");
  EXPECT_FALSE(m.DefaultSelected());
  EXPECT_FALSE(m.TryClose(dlg));
  ASSERT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(presenter.shown[0].icon, icWarning);
  EXPECT_EQ(presenter.shown[0].lines[0].text, "Valeur saisie : abc");
  EXPECT_EQ(presenter.shown[0].lines[0].color, colors::Blue);
  m.Typed("1000000000");
  EXPECT_FALSE(m.TryClose(dlg));
  EXPECT_EQ(presenter.shown[1].icon, icInformation);
  EXPECT_EQ(presenter.shown[1].lines[0].text, "Valeur saisie : 1000000000 s");
  EXPECT_EQ(presenter.shown[1].lines[2].text, "1 µs < intervalle de temps < 1 Gs");
  m.Typed("0.001");
  ASSERT_TRUE(m.TryClose(dlg));
  EXPECT_EQ(m.Value(), 0.001);
  EXPECT_EQ(presenter.Count(), 2u);
}

TEST(DurationDialog, RadioButtonsAndEditBox) {
  ScopedDecimalSeparator sep('.');
  double set = 0;
  TDurationDialogModel m(0.04, 0.001);
  m.SetRequiredDuration = [&](double t) { set = t; };
  m.ClickDefault();
  EXPECT_TRUE(m.DefaultSelected());
  EXPECT_EQ(set, 0.04);
  EXPECT_EQ(m.Text(), "0.04");
  m.ClickInEdit();  // selects the other button and the whole text
  EXPECT_FALSE(m.DefaultSelected());
  EXPECT_TRUE(m.SelectAllRequested());
  m.ClickInEdit();
  EXPECT_FALSE(m.SelectAllRequested());
  m.ClickOther();
  EXPECT_EQ(m.Text(), "0.04");  // T is now D
  m.Typed("12345678901234567890");
  EXPECT_EQ(m.Text().size(), 16u);
}

TEST(DurationDialog, KeyFilter) {
  ScopedDecimalSeparator sep(',');
  for (char c : std::string("0123456789+-Ee")) {
    char k = c;
    EXPECT_TRUE(FilterDurationKey(k));
    EXPECT_EQ(k, c);
  }
  char k = '.';
  EXPECT_TRUE(FilterDurationKey(k));
  EXPECT_EQ(k, ',');
  for (char c : std::string("aZ /x")) {
    k = c;
    EXPECT_FALSE(FilterDurationKey(k)) << c;
  }
  k = 8;
  EXPECT_TRUE(FilterDurationKey(k));
}

// A slow-motion video: a line says so; the third choice takes a capture
// rate, refuses what is no rate, and gives T from it.
TEST(DurationDialog, CaptureRateChoiceGivesT) {
  ScopedDecimalSeparator sep(',');
  TDurationDialogModel plain(1 / 30.0, 1 / 30.0);
  plain.SetRates(30, 0);
  EXPECT_EQ(plain.CaptureText(), "");
  EXPECT_EQ(plain.CaptureRateText(), "");
  TDurationDialogModel m(1 / 240.0, 1 / 240.0);
  m.SetRates(29.97, 240);
  EXPECT_EQ(m.CaptureText(), "Vidéo filmée au ralenti à 240 images/s (lecture à 29,97 images/s)");
  EXPECT_EQ(m.CaptureRateText(), "240");
  EXPECT_TRUE(m.DefaultSelected());
  EXPECT_FALSE(m.CaptureSelected());
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  for (const char* refused : {"abc", "0", "2e6"}) {
    m.TypedCapture(refused);
    EXPECT_FALSE(m.TryClose(dlg)) << refused;
  }
  ASSERT_EQ(presenter.Count(), 3u);
  m.TypedCapture("960");
  EXPECT_TRUE(m.CaptureSelected());
  EXPECT_FALSE(m.DefaultSelected());
  ASSERT_TRUE(m.TryClose(dlg));
  EXPECT_DOUBLE_EQ(m.Value(), 1 / 960.0);
  EXPECT_DOUBLE_EQ(m.CaptureRate(), 960);
  // Another choice afterwards gives no capture rate.
  m.Typed("0,01");
  ASSERT_TRUE(m.TryClose(dlg));
  EXPECT_EQ(m.CaptureRate(), 0);
  EXPECT_DOUBLE_EQ(m.Value(), 0.01);
}

}  // namespace
// A file whose image durations mean nothing is said so in the dialog; an
// ordinary one shows no warning.
TEST(DurationDialog, WarnsOfIncoherentDurations) {
  TDurationDialogModel m(0.04, 0.04);
  EXPECT_EQ(m.WarningText(), "");
  m.SetIncoherentDurations(true);
  EXPECT_NE(m.WarningText().find("durées d'images incohérentes"), std::string::npos);
}

}  // namespace kinevo
