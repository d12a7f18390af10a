#include "core/app/value_dialog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <numbers>

#include "core/common/number_format.h"
#include "support/scripted_dialog.h"

using namespace kinevo;

namespace {

// Types the scripted texts one after the other, as a user pressing Ok
// again and again, until the dialog lets the window close.
class TypingPresenter : public IValueDialogPresenter {
 public:
  std::deque<std::string> texts;
  int attempts = 0;
  void Present(IValueEntry& d) override {
    while (!texts.empty()) {
      ++attempts;
      std::string t = texts.front();
      texts.pop_front();
      if (d.TryClose(t)) return;
    }
  }
};

// Types characters through the dialog's filter.
std::string Type(const TBoiteValeur& d, const std::string& keys) {
  std::string out;
  for (char c : keys)
    if (char k = d.FilterChar(c)) out += k;
  return out;
}

struct Fixture {
  test::ScriptedDialog messages;
  TUserDlg dlg{&messages};
  TypingPresenter presenter;
  TValueDialogContext ctx;
  TBoiteValeur box{dlg, &presenter};
  Fixture() {
    ctx.videoOpen = true;
    ctx.imagesCount = 50;
    box.ContextProvider = [this] { return ctx; };
  }
};

}  // namespace

TEST(ValueDialog, AngleAcceptsCommaOrPointAndGivesRadians) {
  ScopedDecimalSeparator sep('.');
  Fixture f;
  f.ctx.xAxisAngle = std::numbers::pi / 6;
  f.box.SetTypeSaisie(tsAngle);
  EXPECT_EQ(f.box.Caption, "Angle de rotation du repère");
  EXPECT_EQ(f.box.Prompt(), "Angle de rotation du repère en degré(s) :");
  EXPECT_EQ(f.box.InitialText(), "30");
  EXPECT_EQ(f.box.Note(), "");
  EXPECT_EQ(Type(f.box, "12,5"), "12.5");
  EXPECT_EQ(Type(f.box, "abcxyz!1e-3E+2"), "1e-3E+2");  // only E and e among letters
  f.presenter.texts = {"12,5"};
  f.box.Execute();
  ASSERT_TRUE(f.box.Accepted());
  EXPECT_NEAR(f.box.Value(), 12.5 * std::numbers::pi / 180, 1e-15);
  EXPECT_EQ(f.messages.Count(), 0u);
}

TEST(ValueDialog, BadRealTextShowsTheRealNumberMessageAndStaysOpen) {
  Fixture f;
  f.box.SetTypeSaisie(tsAngle);
  f.presenter.texts = {"1e", "", "-180"};
  f.box.Execute();
  EXPECT_EQ(f.presenter.attempts, 3);
  ASSERT_TRUE(f.box.Accepted());
  EXPECT_NEAR(f.box.Value(), -std::numbers::pi, 1e-15);
  ASSERT_EQ(f.messages.Count(), 2u);
  const auto& m = f.messages.shown[0];
  EXPECT_EQ(m.icon, icWarning);
  ASSERT_EQ(m.buttons.size(), 1u);
  EXPECT_EQ(m.buttons[0].caption, "Ok");
  EXPECT_EQ(m.lines[0].text, "Valeur saisie : 1e");
  EXPECT_EQ(m.lines[0].color, 0xFF0000u);
  EXPECT_EQ(m.lines[0].kind, lkKeepStart);
  EXPECT_EQ(
      f.messages.AllText(0),
      "Valeur saisie : 1e\n\n"
      "Cette chaîne de caractères ne représente pas un nombre réel acceptable.\n\n"
      "La chaîne de caractères doit être constituée d'un signe (facultatif), de chiffres, "
      "d'un séparateur décimal (facultatif), puis d'une mantisse (facultative).\n"
      "La mantisse comprend « E » ou « e » suivi d'un signe (facultatif) et d'un nombre entier.");
}

TEST(ValueDialog, AngleRangeAndItsMessage) {
  Fixture f;
  f.box.SetTypeSaisie(tsAngle);
  f.presenter.texts = {"181", "180"};
  f.box.Execute();
  ASSERT_TRUE(f.box.Accepted());
  EXPECT_NEAR(f.box.Value(), std::numbers::pi, 1e-15);
  ASSERT_EQ(f.messages.Count(), 1u);
  EXPECT_EQ(f.messages.shown[0].icon, icInformation);
  EXPECT_EQ(f.messages.AllText(0),
            "Valeur saisie : 181°\n\n"
            "Saisir une valeur comprise dans l'intervalle ci-dessous :\n\n"
            "-180° <= angle <= +180° dans le sens trigonométrique");
}

TEST(ValueDialog, LengthBoundsAreStrictAndTheMessageShowsMetres) {
  ScopedDecimalSeparator sep(',');
  Fixture f;
  f.ctx.scaleLength[slLongueurH] = 0.25;
  f.ctx.scaleLength[slLongueurN] = 1.234567891234;
  f.box.SetTypeSaisie(tsLongueur);
  EXPECT_EQ(f.box.InitialText(), "1,234567891");  // 10 significant digits
  f.box.SetTypeSaisieLongueur(slLongueurH);
  EXPECT_EQ(f.box.InitialText(), "0,25");
  EXPECT_EQ(Type(f.box, "0.5"), "0,5");
  f.presenter.texts = {"0.0009", "2e13", "0.001", "1.5e13", "0,0011"};
  f.box.Execute();
  ASSERT_TRUE(f.box.Accepted());
  EXPECT_DOUBLE_EQ(f.box.Value(), 0.0011);
  ASSERT_EQ(f.messages.Count(), 4u);
  EXPECT_EQ(f.messages.shown[0].lines[0].text, "Valeur saisie : 0.0009 m");
  EXPECT_EQ(f.messages.shown[1].lines[0].text, "Valeur saisie : 2e13 m");
  EXPECT_TRUE(f.messages.Contains("1 mm < longueur du segment < 15 Tm"));
}

TEST(ValueDialog, IntegerKindsFilterTypingAndCheckTheirRanges) {
  Fixture f;
  f.ctx.framesBetweenTwoMarks = 3;
  f.box.SetTypeSaisie(tsNbImgStep);
  EXPECT_TRUE(f.box.IsIntegerKind());
  EXPECT_EQ(f.box.RangeText(), "1 <= nombre <= 49");
  EXPECT_EQ(f.box.InitialText(), "3");
  EXPECT_NE(f.box.Note(), "");
  EXPECT_EQ(Type(f.box, "4.5e-1,+x9"), "4519");
  EXPECT_EQ(f.box.FilterChar(8), 8);
  EXPECT_EQ(f.box.FilterChar(13), 13);
  f.presenter.texts = {"50", "0", "4.5", "99999999999", "49"};
  f.box.Execute();
  ASSERT_TRUE(f.box.Accepted());
  EXPECT_EQ(f.box.IntValue(), 49);
  ASSERT_EQ(f.messages.Count(), 4u);
  EXPECT_EQ(f.messages.shown[0].icon, icInformation);
  EXPECT_EQ(f.messages.shown[2].icon, icWarning);
  EXPECT_EQ(
      f.messages.AllText(2),
      "Valeur saisie : 4.5\n\nCette chaîne de caractères ne représente pas un entier acceptable.");
  EXPECT_EQ(f.messages.shown[3].icon, icWarning);  // beyond 32 bits is not an integer here
}

TEST(ValueDialog, EveryKindHasItsTextsBoundsAndInitialValue) {
  Fixture f;
  f.ctx.searchRadius = 40;
  f.ctx.trackerFirstImage = 5;
  f.ctx.trackerLastImage = 19;
  f.ctx.trackerObject = 1;
  f.ctx.currentImage = 9;
  f.ctx.marksNumberToDraw = 4;
  f.ctx.marksNumberPerFrame = 3;
  f.ctx.recordingRate = 12.5;
  struct Case {
    TTypeSaisie kind;
    const char* caption;
    const char* initial;
    const char* range;
    const char* refused;
    const char* accepted;
    bool note;
  } cases[] = {
      {tsCadence, "Cadence des images", "12.5", "1 <= cadence <= 100 images par seconde", "100.5",
       "1", false},
      {tsDMax, "Rayon de recherche de la cible", "40", "10 <= distance maximale <= 100", "9", "100",
       true},
      {tsLastImg, "Définir le numéro de la dernière image du suivi", "20", "7 <= numéro <= 50", "6",
       "7", true},
      {tsNbMqDrawn, "Dessiner les dernières marques posées", "4", "nombre >= 1", "0", "100000",
       false},
      {tsNbMqParImg, "Définir le nombre de points suivis", "3", "1 <= nombre <= 32", "33", "32",
       false},
      {tsNumImg, "Rechercher une image avec son numéro", "10", "1 <= numéro <= 50", "51", "50",
       false},
      {tsNumOrdre, "Définir le numéro de l'objet suivi", "2", "1 <= numéro <= 3", "4", "3", true},
  };
  ScopedDecimalSeparator sep('.');
  for (const auto& c : cases) {
    f.box.SetTypeSaisie(c.kind);
    EXPECT_EQ(f.box.Caption, c.caption);
    EXPECT_EQ(f.box.InitialText(), c.initial) << c.caption;
    EXPECT_EQ(f.box.RangeText(), c.range);
    EXPECT_EQ(!f.box.Note().empty(), c.note) << c.caption;
    EXPECT_EQ(f.box.Prompt().substr(f.box.Prompt().size() - 2), " :");
    const auto before = f.messages.Count();
    EXPECT_FALSE(f.box.TryClose(c.refused)) << c.caption;
    EXPECT_EQ(f.messages.Count(), before + 1);
    EXPECT_TRUE(f.box.TryClose(c.accepted)) << c.caption;
    EXPECT_DOUBLE_EQ(f.box.Value(), std::atof(c.accepted));
  }
}

TEST(ValueDialog, NothingHappensWithoutAVideo) {
  Fixture f;
  f.ctx.videoOpen = false;
  f.box.SetTypeSaisie(tsNumImg);
  f.presenter.texts = {"1"};
  f.box.Execute();
  EXPECT_FALSE(f.box.Accepted());
  EXPECT_EQ(f.presenter.attempts, 0);
  // Execute starts with Accepted false even after an earlier success.
  f.ctx.videoOpen = true;
  f.box.SetTypeSaisie(tsNumImg);
  f.box.Execute();
  EXPECT_TRUE(f.box.Accepted());
  f.ctx.videoOpen = false;
  f.box.SetTypeSaisie(tsNumImg);
  f.box.Execute();
  EXPECT_FALSE(f.box.Accepted());
}

TEST(ValueDialog, LayoutFollowsThePromptAndTheNote) {
  Fixture f;
  f.box.SetTypeSaisie(tsAngle);
  auto l = f.box.Layout(200, nullptr, 1600);
  EXPECT_EQ(l.clientWidth, 200 + 36 + 120);
  EXPECT_EQ(l.clientHeight, 21 + 56 + 25 + 23 + 2);
  EXPECT_EQ(l.prompt.left, 12);
  EXPECT_EQ(l.prompt.top, 14);
  EXPECT_EQ(l.edit.left, 12 + 200 + 12);
  EXPECT_EQ(l.edit.top, 12);
  EXPECT_EQ(l.edit.Width(), 120);
  EXPECT_EQ(l.statusBar.top, l.clientHeight - 23);
  EXPECT_EQ(l.button.bottom, l.statusBar.top - 10);
  EXPECT_LE(std::abs(l.button.left + l.button.right - l.clientWidth), 1);
  EXPECT_EQ(l.line.top, l.button.top - 14);
  EXPECT_EQ(l.line.left, 10);
  EXPECT_EQ(l.line.right, l.clientWidth - 10);

  // A narrow work area limits the width and cuts the prompt.
  auto narrow = f.box.Layout(600, nullptr, 400);
  EXPECT_EQ(narrow.clientWidth, 300);
  EXPECT_EQ(narrow.prompt.Width(), 300 - 120 - 36);

  f.box.SetTypeSaisie(tsDMax);
  int askedWidth = 0;
  auto withNote = f.box.Layout(
      200,
      [&](int w) {
        askedWidth = w;
        return 30;
      },
      1600);
  EXPECT_EQ(askedWidth, withNote.clientWidth - 24);
  EXPECT_EQ(withNote.note.top, 14);
  EXPECT_EQ(withNote.clientHeight, l.clientHeight + 30 + 14);
  EXPECT_EQ(withNote.prompt.top, 14 + 30 + 14);
  EXPECT_EQ(withNote.edit.top, withNote.prompt.top - 2);
}

TEST(ValueDialog, GeneralFormat) {
  ScopedDecimalSeparator sep('.');
  EXPECT_EQ(FormatGeneral(30.000000000000004, 6), "30");
  EXPECT_EQ(FormatGeneral(-12.3456789, 6), "-12.3457");
  EXPECT_EQ(FormatGeneral(1e-7, 6), "1E-7");
  EXPECT_EQ(FormatGeneral(1234567, 6), "1.23457E6");
  EXPECT_EQ(FormatGeneral(0.5, 10), "0.5");
}
