#include "core/app/readiness.h"

#include <gtest/gtest.h>

#include "core/marking/marking_data.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"

using namespace kinevo;
using kinevo::test::FakeView;
using kinevo::test::ScriptedDialog;

namespace {

struct ReadinessTest : ::testing::Test {
  ScriptedDialog shown;
  TUserDlg dialog{&shown};
  TMainMem mem;

  // Complete scale, an origin, enough marks, real names: nothing to say.
  static TReadinessInput Ready(TVideoMode mode = vmRepereFixe) {
    TReadinessInput in;
    in.mode = mode;
    in.scaleComplete = true;
    in.systems = 1;
    in.minMarksPerSystem = 8;
    in.marksCount = 8;
    in.hasOrigin = true;
    in.defaultNames = false;
    return in;
  }
};

constexpr const char* kFiveMarks =
    "Le calcul de la vitesse ou de l'accélération nécessite au moins cinq marques sur la "
    "trajectoire pour être "
    "fiable.";

}  // namespace

TEST_F(ReadinessTest, EverythingInPlaceShowsNothing) {
  EXPECT_EQ(CheckReadiness(Ready(), dialog, mem), rdGo);
  EXPECT_EQ(CheckReadiness(Ready(vmTransparent), dialog, mem), rdGo);
  EXPECT_EQ(shown.Count(), 0u);
}

TEST_F(ReadinessTest, TheScaleComesFirstWithThePictureOfTheMissingSegment) {
  TReadinessInput in = Ready();
  in.scaleComplete = false;
  in.minMarksPerSystem = 0;  // also missing, but not told
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdStop);
  ASSERT_EQ(shown.Count(), 1u);
  EXPECT_EQ(shown.LastText(),
            "Définir, au préalable, l'échelle à l'aide d'une longueur connue.\nUtiliser le bouton "
            "poussoir « Echelle ».");
  EXPECT_EQ(shown.shown[0].icon, icCustom);
  ASSERT_EQ(shown.shown[0].buttons.size(), 1u);
  EXPECT_EQ(shown.shown[0].buttons[0].caption, "Ok");
  EXPECT_EQ(shown.shown[0].customIcon, ReadinessPicture(rpScale));

  in.separateScales = true;
  in.horizScaleComplete = true;
  CheckReadiness(in, dialog, mem);
  EXPECT_EQ(shown.shown[1].customIcon, ReadinessPicture(rpScaleVert));
  in.horizScaleComplete = false;
  CheckReadiness(in, dialog, mem);
  EXPECT_EQ(shown.shown[2].customIcon, ReadinessPicture(rpScaleHoriz));
  // The pictures differ from one another.
  EXPECT_NE(ReadinessPicture(rpScaleVert), ReadinessPicture(rpScaleHoriz));
  EXPECT_NE(ReadinessPicture(rpMarks), ReadinessPicture(rpFrame));

  // Other modes still need the scale.
  TReadinessInput montage = in;
  montage.mode = vmMontage;
  EXPECT_EQ(CheckReadiness(montage, dialog, mem), rdStop);
}

TEST_F(ReadinessTest, ThreeSystemsOneWithTwoMarks) {
  TReadinessInput in = Ready();
  in.systems = 3;
  in.minMarksPerSystem = 2;
  in.hasOrigin = true;
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdStop);
  EXPECT_EQ(shown.LastText(),
            "Vous avez choisi de pointer simultanément les positions de 3 objets.\n"
            "Poser, au préalable, au moins trois marques par objet.\n"
            "Utiliser le bouton poussoir « Marques ».");
  EXPECT_EQ(shown.shown[0].customIcon, ReadinessPicture(rpMarks));
  // One system: no line about several objects.
  in.systems = 1;
  CheckReadiness(in, dialog, mem);
  EXPECT_EQ(shown.LastText(),
            "Poser, au préalable, au moins trois marques par objet.\nUtiliser le bouton poussoir « "
            "Marques ».");
}

TEST_F(ReadinessTest, GridNeedsAnOriginAfterTheMarks) {
  TReadinessInput in = Ready();
  in.hasOrigin = false;
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdStop);
  EXPECT_EQ(shown.LastText(),
            "Poser, au préalable, l'origine d'un repère.\nUtiliser le bouton poussoir « Repère ».");
  EXPECT_EQ(shown.shown[0].customIcon, ReadinessPicture(rpFrame));
  // The layer does not need the fixed origin.
  in.mode = vmTransparent;
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdGo);
}

TEST_F(ReadinessTest, FewMarksWarningOnlyContinuerGoesOn) {
  TReadinessInput in = Ready();
  in.minMarksPerSystem = 4;
  shown.AnswerCaption("Annuler");
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdStop);
  EXPECT_EQ(shown.LastText(), kFiveMarks);
  EXPECT_EQ(shown.shown[0].icon, icInformation);
  ASSERT_EQ(shown.shown[0].buttons.size(), 2u);
  EXPECT_EQ(shown.shown[0].buttons[1].caption, "Continuer");
  EXPECT_EQ(shown.shown[0].buttons[1].type, btIgnorer);
  shown.AnswerCaption("Continuer");
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdGo);
  // Three marks also warn; five do not.
  in.minMarksPerSystem = 3;
  shown.AnswerCaption("Continuer");
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdGo);
  EXPECT_EQ(shown.Count(), 3u);
  in.minMarksPerSystem = 5;
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdGo);
  EXPECT_EQ(shown.Count(), 3u);
}

TEST_F(ReadinessTest, LayerCountsAllItsMarks) {
  TReadinessInput in = Ready(vmTransparent);
  in.minMarksPerSystem = 0;  // the Grid numbers are not looked at
  in.hasOrigin = false;
  in.marksCount = 2;
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdStop);
  EXPECT_EQ(
      shown.LastText(),
      "Poser, au préalable, au moins trois marques sur la trajectoire.\n"
      "A l'aide de la souris, glisser-déposer le transparent puis pointer la position de l'objet.");
  EXPECT_EQ(shown.shown[0].customIcon, ReadinessPicture(rpLayer));
  // Exactly four: the warning, and "Annuler" shows nothing more.
  in.marksCount = 4;
  in.defaultNames = true;
  shown.AnswerCaption("Annuler");
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdStop);
  EXPECT_EQ(shown.LastText(), kFiveMarks);
  EXPECT_EQ(shown.Count(), 2u);
}

TEST_F(ReadinessTest, AdviceToNameTheSystems) {
  TReadinessInput in = Ready();
  in.defaultNames = true;
  shown.AnswerCaption("Donner un nom");
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdNameFirst);
  const auto& c = shown.shown[0];
  EXPECT_EQ(c.checkBoxCaption, "Ne plus afficher cette boîte de dialogue");
  EXPECT_FALSE(c.checkBoxCheck);
  ASSERT_EQ(c.buttons.size(), 3u);
  EXPECT_EQ(c.buttons[0].type, btCustom);
  EXPECT_EQ(c.buttons[1].type, btAnnuler);
  EXPECT_EQ(c.buttons[2].type, btIgnorer);
  EXPECT_EQ(shown.LastText(),
            "Le nom d'un objet est attribué par défaut (« Point n°1 » par exemple).\n"
            "Pour rendre les résultats plus clairs, il est fortement recommandé de nommer l'objet "
            "de manière plus "
            "explicite.");
  shown.AnswerCaption("Annuler");
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdStop);
  shown.AnswerCaption("Ignorer");
  shown.checkAnswers.push_back(true);  // "Ne plus afficher ..." ticked
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdGo);
  EXPECT_FALSE(mem.adviseNames);
  // Not shown again in this run, and the next check box starts unticked.
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdGo);
  EXPECT_EQ(shown.Count(), 3u);
  EXPECT_FALSE(dialog.CheckBoxCheck);
  EXPECT_TRUE(dialog.CheckBoxCaption.empty());

  // The setting off: never shown.
  TMainMem fresh;
  in.adviseNames = false;
  EXPECT_EQ(CheckReadiness(in, dialog, fresh), rdGo);
  EXPECT_EQ(shown.Count(), 3u);
  // Other modes skip the advice.
  in.adviseNames = true;
  in.mode = vmMontage;
  EXPECT_EQ(CheckReadiness(in, dialog, fresh), rdGo);
  EXPECT_EQ(shown.Count(), 3u);
}

TEST(ReadinessOfData, ReadsTheMarkingData) {
  FakeView view;
  ScriptedDialog shown;
  TUserDlg dialog{&shown};
  TGraphUtils graph;
  TData data{view, dialog, graph};
  data.Reset();
  data.SetMarksNumberPerFrame(2);
  data.SetTool(otMarque);
  // Two systems, three images: each system gets three marks.
  for (int k = 0; k < 3; ++k)
    for (int s = 0; s < 2; ++s) {
      data.MouseDown(0, false, 100 + 50 * s, 100 + 20 * k);
      data.MouseUp(0, false, 100 + 50 * s, 100 + 20 * k);
    }
  TReadinessInput in = ReadinessInputOf(data, vmRepereFixe, false, true);
  EXPECT_EQ(in.systems, 2);
  EXPECT_EQ(in.minMarksPerSystem, 3);
  EXPECT_EQ(in.marksCount, 6);
  EXPECT_FALSE(in.scaleComplete);
  EXPECT_FALSE(in.hasOrigin);
  EXPECT_TRUE(in.defaultNames);
  TMainMem mem;
  EXPECT_EQ(CheckReadiness(in, dialog, mem), rdStop);
  EXPECT_TRUE(shown.Contains("l'échelle à l'aide d'une longueur connue"));

  // In montage and tracking modes the results come from the Grid marks:
  // they are checked as in Grid marking.
  for (TVideoMode mode : {vmMontage, vmTracking}) {
    TReadinessInput other = ReadinessInputOf(data, mode, false, true);
    other.scaleComplete = true;
    other.minMarksPerSystem = 1;
    EXPECT_EQ(CheckReadiness(other, dialog, mem), rdStop) << int(mode);
    EXPECT_TRUE(shown.Contains("Poser, au préalable, au moins trois marques par objet."));
  }

  // The plane's calibration stands for the scale and the origin.
  TMeasureCalibration c;
  c.plane = {true, {{{0.1, 0.9}, {0.9, 0.9}, {0.9, 0.1}, {0.1, 0.1}}}, 2.0, 1.0};
  data.SetCalibration(c);
  in = ReadinessInputOf(data, vmRepereFixe, true, true);
  EXPECT_TRUE(in.scaleComplete);
  EXPECT_TRUE(in.horizScaleComplete);
  EXPECT_TRUE(in.hasOrigin);
}
