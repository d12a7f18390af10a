#include "core/app/commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

#include "core/common/number_format.h"

using namespace kinevo;

namespace {

TCommandContext OpenIn(TVideoMode mode) {
  TCommandContext c;
  c.mode = mode;
  c.videoOpen = true;
  return c;
}

std::set<std::string> Visible(const TCommandStates& s, const std::string& prefix) {
  std::set<std::string> out;
  for (const auto& [name, st] : s)
    if (st.visible && name.rfind(prefix, 0) == 0) out.insert(name);
  return out;
}

}  // namespace

TEST(Commands, ToolButtonsFollowTheMode) {
  using S = std::set<std::string>;
  EXPECT_EQ(
      Visible(ComputeCommands(OpenIn(vmRepereFixe)), "ButtonOutil"),
      (S{"ButtonOutilZoom", "ButtonOutilPan", "ButtonOutilEchelle", "ButtonOutilMarque",
         "ButtonOutilOrigine", "ButtonOutilDeplacer", "ButtonOutilEffacer", "ButtonOutilNom"}));
  EXPECT_EQ(Visible(ComputeCommands(OpenIn(vmTransparent)), "ButtonOutil"),
            (S{"ButtonOutilZoom", "ButtonOutilPan", "ButtonOutilEchelle", "ButtonOutilTsp",
               "ButtonOutilDeplacer", "ButtonOutilEffacer", "ButtonOutilNom"}));
  EXPECT_EQ(Visible(ComputeCommands(OpenIn(vmMontage)), "ButtonOutil"),
            (S{"ButtonOutilZoom", "ButtonOutilPan"}));
  EXPECT_TRUE(Visible(ComputeCommands(OpenIn(vmCapture)), "ButtonOutil").empty());
  // The pop-up menu mirrors the buttons.
  const auto s = ComputeCommands(OpenIn(vmTransparent));
  EXPECT_TRUE(s.at("PopupMenuTsp").visible);
  EXPECT_FALSE(s.at("PopupMenuMarque").visible);
  EXPECT_FALSE(s.at("PopupMenuOrigine").visible);

  TCommandContext sep = OpenIn(vmRepereFixe);
  sep.separateScales = true;
  const auto t = ComputeCommands(sep);
  EXPECT_FALSE(t.at("ButtonOutilEchelle").visible);
  EXPECT_TRUE(t.at("ButtonOutilEchelleHoriz").visible);
  EXPECT_TRUE(t.at("ButtonOutilEchelleVert").visible);
  EXPECT_TRUE(t.at("PopupMenuEchelleVert").visible);
  EXPECT_FALSE(t.at("MenuMesuresValeurEchelle").visible);
  EXPECT_TRUE(t.at("MenuMesuresValeurEchelleHoriz").visible);
}

TEST(Commands, NothingActsWithoutAVideo) {
  TCommandContext c;  // no video
  const auto s = ComputeCommands(c);
  for (const char* name :
       {"ButtonOutilZoom", "ButtonOutilMarque", "ButtonOutilNom", "ButtonModeRepereFixe",
        "ButtonModeTransparent", "MenuFichierFermerVideo", "MenuAffichageEffacerTout",
        "MenuMesuresNbMarqueParImageDeux", "MenuFichierProprietes"})
    EXPECT_FALSE(s.at(name).enabled) << name;
  EXPECT_FALSE(s.at("ButtonOutilMarque").checked);
  // Opening and saving stay available (saving explains that a video is needed).
  EXPECT_TRUE(s.at("MenuFichierOuvrirVideo").enabled);
  EXPECT_TRUE(s.at("MenuFichierEnregistrer").enabled);
  EXPECT_TRUE(s.at("MenuFichierQuitter").enabled);
}

TEST(Commands, PressedButtonsShowTheToolAndTheMode) {
  TCommandContext c = OpenIn(vmRepereFixe);
  c.tool = otOrigine;
  auto s = ComputeCommands(c);
  EXPECT_TRUE(s.at("ButtonOutilOrigine").checked);
  EXPECT_TRUE(s.at("PopupMenuOrigine").checked);
  EXPECT_FALSE(s.at("ButtonOutilMarque").checked);
  EXPECT_TRUE(s.at("ButtonModeRepereFixe").checked);
  EXPECT_FALSE(s.at("ButtonModeTransparent").checked);

  // The view's own tool takes the place of the marking tool.
  c.viewTool = vtZoom;
  s = ComputeCommands(c);
  EXPECT_TRUE(s.at("ButtonOutilZoom").checked);
  EXPECT_FALSE(s.at("ButtonOutilOrigine").checked);

  c.viewTool = vtNone;
  c.tool = otEchelle;
  c.separateScales = true;
  c.scaleKind = skVert;
  s = ComputeCommands(c);
  EXPECT_TRUE(s.at("ButtonOutilEchelleVert").checked);
  EXPECT_FALSE(s.at("ButtonOutilEchelleHoriz").checked);
  EXPECT_EQ(ToolButton(otEchelle, skVert), "ButtonOutilEchelleVert");
  EXPECT_EQ(ToolButton(otEchelle, skNormal), "ButtonOutilEchelle");
  EXPECT_EQ(ToolButton(otTsp, skNormal), "ButtonOutilTsp");
  EXPECT_EQ(ToolButton(otNone, skNormal), "");
}

TEST(Commands, ModeButtonsNeedTheSettingAndTheSubsystem) {
  TCommandContext c = OpenIn(vmRepereFixe);
  auto s = ComputeCommands(c);
  // Not built into this program yet: hidden although the settings allow them.
  EXPECT_FALSE(s.at("ButtonModeTracking").visible);
  EXPECT_FALSE(s.at("ButtonModeCapture").visible);
  EXPECT_FALSE(s.at("ButtonModeMontage").visible);
  EXPECT_TRUE(s.at("ButtonModeRepereFixe").visible);

  c.features.tracking = c.features.capture = c.features.montage = true;
  c.allowTracking = false;
  s = ComputeCommands(c);
  EXPECT_FALSE(s.at("ButtonModeTracking").visible);
  EXPECT_TRUE(s.at("ButtonModeCapture").visible);
  EXPECT_TRUE(s.at("ButtonModeMontage").visible);

  // The capture button works without a video; the others do not.
  c.videoOpen = false;
  s = ComputeCommands(c);
  EXPECT_TRUE(s.at("ButtonModeCapture").enabled);
  EXPECT_FALSE(s.at("ButtonModeMontage").enabled);
}

TEST(Commands, ModeRequests) {
  EXPECT_EQ(ModeRequest(vmRepereFixe, vmRepereFixe, true), 0);
  EXPECT_EQ(ModeRequest(vmRepereFixe, vmTransparent, true), vmTransparent);
  EXPECT_EQ(ModeRequest(vmCapture, vmCapture, false), vmRepereFixe);
  EXPECT_EQ(ModeRequest(vmCapture, vmCapture, true), 0);
  EXPECT_EQ(ModeRequest(vmMontage, vmCapture, true), vmCapture);
}

TEST(Commands, MenusFollowTheMode) {
  auto grid = ComputeCommands(OpenIn(vmRepereFixe));
  auto layer = ComputeCommands(OpenIn(vmTransparent));
  auto montage = ComputeCommands(OpenIn(vmMontage));
  TCommandContext cap = OpenIn(vmCapture);
  cap.features.capture = true;
  auto capture = ComputeCommands(cap);

  EXPECT_TRUE(grid.at("MenuAffichageEffacerRepere").visible);
  EXPECT_TRUE(grid.at("MenuAffichageEffacerMarques").visible);
  EXPECT_FALSE(grid.at("MenuAffichageEffacerTransparent").visible);
  EXPECT_FALSE(layer.at("MenuAffichageEffacerRepere").visible);
  EXPECT_TRUE(layer.at("MenuAffichageEffacerTransparent").visible);
  EXPECT_TRUE(layer.at("MenuAffichageEffacerEchelle").visible);
  EXPECT_TRUE(grid.at("MenuMesuresAngleRotation").visible);
  EXPECT_FALSE(layer.at("MenuMesuresAngleRotation").visible);
  EXPECT_TRUE(layer.at("MenuMesuresInverserAxeX").visible);
  for (const char* m :
       {"MenuAffichageAnnuler", "MenuAffichageLoupe", "MenuAffichageTailleGrande",
        "MenuAffichageNumeroterNone", "MenuAffichageDessinerAutres", "MenuAffichageEffacerEchelle",
        "MenuMesuresInverserAxeY", "MenuMesuresNbMarqueParImageUne"})
    EXPECT_FALSE(montage.at(m).visible) << m;
  EXPECT_TRUE(montage.at("MenuFichierEnregistrer").visible);
  EXPECT_FALSE(capture.at("MenuFichierOuvrirVideo").visible);
  EXPECT_FALSE(capture.at("MenuFichierEnregistrer").visible);
  EXPECT_TRUE(capture.at("MenuFichierQuitter").visible);
  // Tracking items stay hidden while the tracker is not part of the program.
  for (const char* m :
       {"MenuMesuresFormeLibre", "MenuMesuresEspaceChoix2", "MenuAffichageEffacerContour"})
    EXPECT_FALSE(grid.at(m).visible) << m;
  TCommandContext tr = OpenIn(vmTracking);
  tr.features.tracking = true;
  auto tracking = ComputeCommands(tr);
  EXPECT_TRUE(tracking.at("MenuMesuresEspaceChoix2").visible);
  EXPECT_TRUE(tracking.at("MenuMesuresNbImagesEntreMarquesUne").visible);
  EXPECT_TRUE(tracking.at("MenuAffichageEffacerTout").visible);
  EXPECT_FALSE(tracking.at("MenuMesuresTemps").visible);
  EXPECT_FALSE(tracking.at("MenuAffichageEffacerRepere").visible);
}

TEST(Commands, EnablingAndTicks) {
  TCommandContext c = OpenIn(vmRepereFixe);
  auto s = ComputeCommands(c);
  EXPECT_FALSE(s.at("MenuAffichageAnnuler").enabled);
  EXPECT_FALSE(s.at("MenuAffichageAllerDerniereImagePointee").enabled);
  EXPECT_FALSE(s.at("MenuMesuresAngleRotation").enabled);
  EXPECT_FALSE(s.at("MenuMesuresInverserAxeX").enabled);
  EXPECT_FALSE(s.at("MenuMesuresValeurEchelle").enabled);

  c.undoCaption = "Annuler la pose de la marque";
  c.marksCount = 3;
  c.hasOrigin = true;
  c.directX = false;
  c.scalePoints[skNormal] = 2;
  c.marksNumberPerFrame = 5;
  c.framesBetween = 1;
  c.numberPosition = npRight;
  c.allDrawn = false;
  c.marksToDraw = 1;
  c.elementSize = 2;
  s = ComputeCommands(c);
  EXPECT_TRUE(s.at("MenuAffichageAnnuler").enabled);
  EXPECT_TRUE(s.at("MenuAffichageAllerDerniereImagePointee").enabled);
  EXPECT_TRUE(s.at("MenuMesuresAngleRotation").enabled);
  // "Axe des x vers la droite" is not ticked when x points left; y still points up.
  EXPECT_FALSE(s.at("MenuMesuresInverserAxeX").checked);
  EXPECT_TRUE(s.at("MenuMesuresInverserAxeY").checked);
  EXPECT_TRUE(s.at("MenuMesuresValeurEchelle").enabled);
  EXPECT_TRUE(s.at("MenuMesuresNbMarqueParImageAutres").checked);
  EXPECT_FALSE(s.at("MenuMesuresNbMarqueParImageTrois").checked);
  EXPECT_TRUE(s.at("MenuMesuresNbImagesEntreMarquesUne").checked);
  EXPECT_TRUE(s.at("MenuAffichageNumeroterRight").checked);
  EXPECT_TRUE(s.at("MenuAffichageDessinerDerniereMarque").checked);
  EXPECT_FALSE(s.at("MenuAffichageDessinerAutres").checked);
  EXPECT_TRUE(s.at("MenuAffichageTailleGrande").checked);

  c.tool = otEchelle;  // going to the last marked image is off with the scale tool
  EXPECT_FALSE(ComputeCommands(c).at("MenuAffichageAllerDerniereImagePointee").enabled);
  c.marksToDraw = 4;
  EXPECT_TRUE(ComputeCommands(c).at("MenuAffichageDessinerAutres").checked);
}

TEST(Commands, ResultButtonsHiddenUntilTheResultsWindowAndOffWithHalfAScale) {
  TCommandContext c = OpenIn(vmRepereFixe);
  EXPECT_FALSE(ComputeCommands(c).at("ButtonMenuTableau").visible);
  c.features.resultsWindow = true;
  EXPECT_TRUE(ComputeCommands(c).at("ButtonMenuTableau").visible);
  EXPECT_TRUE(ComputeCommands(c).at("ButtonMenuTemps").enabled);
  c.scalePoints[skNormal] = 1;
  EXPECT_FALSE(ComputeCommands(c).at("ButtonMenuFormule").enabled);
  c.scalePoints[skNormal] = 2;
  EXPECT_TRUE(ComputeCommands(c).at("ButtonMenuFormule").enabled);
  // The current segment decides: a horizontal one with one point.
  c.scaleKind = skHoriz;
  c.scalePoints[skHoriz] = 1;
  EXPECT_FALSE(ComputeCommands(c).at("ButtonMenuVecteur").enabled);
}

TEST(Commands, EveryCommandHasATextAndEveryRadioItemExists) {
  const auto s = ComputeCommands(OpenIn(vmRepereFixe));
  EXPECT_EQ(s.size(), CommandTexts().size());
  for (const auto& [name, st] : s) {
    const TCommandText* t = FindCommandText(name);
    ASSERT_NE(t, nullptr) << name;
    EXPECT_NE(std::string(t->caption), "") << name;
  }
  for (const auto& g : RadioGroups())
    for (const auto& name : g) {
      ASSERT_NE(FindCommandText(name), nullptr) << name;
      EXPECT_TRUE(FindCommandText(name)->checkable) << name;
    }
}

TEST(Commands, CaptionsAndHints) {
  EXPECT_EQ(UndoMenuCaption(""), "Annuler  (Ctrl A, Ctrl Z)");
  EXPECT_EQ(UndoMenuCaption("Annuler la pose de la marque"),
            "Annuler la pose de la marque  (Ctrl A, Ctrl Z)");
  EXPECT_EQ(ToolHint(otDeplacer),
            "|Bouton gauche = glisser-déposer la marque sous le pointeur de la souris");
  EXPECT_EQ(ToolHint(otTsp),
            "|Bouton gauche = glisser-déposer ; bouton droit ou Echap = annuler ; touches + et - = "
            "taille du "
            "transparent");
  EXPECT_EQ(ToolHint(otNone), "");
  EXPECT_EQ(ViewToolHint(vtPan), "|Déplacer l'image dans son cadre");
  EXPECT_NE(ToolHint(otMarque).find("poser une marque"), std::string::npos);
  EXPECT_NE(ToolHint(otOrigine).find("poser l'origine"), std::string::npos);
}

TEST(Commands, StatusFields) {
  EXPECT_EQ(ImageFieldText(true, 0, 50), " 1/50");
  EXPECT_EQ(ImageFieldText(false, 0, 50), "");
  EXPECT_EQ(MarksFieldText(true, 12), " 12");
  EXPECT_EQ(MarksFieldText(false, 12), "");
  EXPECT_EQ(ZoomFieldText(true, 150), " 150 %");
  EXPECT_EQ(AngleFieldText(true, false, 1.0), "");
  EXPECT_EQ(AngleFieldText(true, true, 0.0), " 0°");
  EXPECT_EQ(AngleFieldText(true, true, std::numbers::pi / 2), " 90°");
  EXPECT_EQ(AngleFieldText(true, true, -1e-9), " 0°");
  {
    ScopedDecimalSeparator sep(',');
    EXPECT_EQ(AngleFieldText(true, true, 12.5 * std::numbers::pi / 180), " 12,5°");
  }
  {
    ScopedDecimalSeparator sep('.');
    EXPECT_EQ(AngleFieldText(true, true, -12.5 * std::numbers::pi / 180), " -12.5°");
  }
}

TEST(Commands, WhichFilesOpenAndHow) {
  EXPECT_EQ(StartupArgumentKind("/a/b/travail.KVO"), okDocument);
  EXPECT_EQ(StartupArgumentKind("/a/b/film.Avi"), okVideo);
  // Every video type opens from the command line and the recent files.
  EXPECT_EQ(StartupArgumentKind("/a/b/film.wmv"), okVideo);
  EXPECT_EQ(StartupArgumentKind("/a/b/telephone.MP4"), okVideo);
  EXPECT_EQ(RecentFileKind("/a/b/film.mkv"), okVideo);
  EXPECT_EQ(StartupArgumentKind("/a/b.avi/film"), okNone);
  EXPECT_EQ(RecentFileKind("/a/film.WMV"), okVideo);
  EXPECT_EQ(RecentFileKind("/a/film.mpeg"), okVideo);
  EXPECT_EQ(RecentFileKind("/a/film.mov"), okVideo);
  EXPECT_EQ(RecentFileKind("/a/travail.kvo"), okDocument);
  EXPECT_EQ(RecentFileKind("/a/notes.txt"), okNone);
}

TEST(Commands, PropertiesLines) {
  ScopedDecimalSeparator sep(',');
  TVideoProperties p{"/films/chute.avi", 29.97, 640, 480, 120, 1 / 29.97};
  const auto lines = VideoPropertiesLines(p);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0], "Informations sur le fichier vidéo");
  EXPECT_EQ(lines[2], "/films/chute.avi");
  EXPECT_EQ(lines[4], "- Nombre d'images par seconde : 30");
  EXPECT_EQ(lines[5], "- Largeur de l'image en pixels : 640");
  EXPECT_EQ(lines[7], "- Nombre total d'images : 120");
  EXPECT_EQ(lines[8], "- Durée de la séquence : 4 s");
  p.imageRate = 12.5;
  p.imageDuration = 0.08;
  p.displayedImages = 10;
  EXPECT_EQ(VideoPropertiesLines(p)[4], "- Nombre d'images par seconde : 12,5");
  EXPECT_EQ(VideoPropertiesLines(p)[8], "- Durée de la séquence : 0,8 s");
}

namespace {

TCommandContext ProgramIn(TVideoMode mode, bool open = true) {
  TCommandContext c;
  c.mode = mode;
  c.videoOpen = open;
  c.features = ProgramFeatures();
  return c;
}

}  // namespace

// The program shows the commands of every subsystem it is built with.
TEST(Commands, ProgramShowsItsSubsystems) {
  const auto grid = ComputeCommands(ProgramIn(vmRepereFixe));
  for (const char* name :
       {"ButtonModeMontage", "MenuAffichageOptions", "MenuFichierRechercher", "MenuMesuresTemps",
        "MenuAideKinevo", "ButtonNavLecture", "MenuMesuresCalculatrice", "ButtonModeTracking",
        "ButtonMenuTableau", "ButtonMenuTemps", "ButtonMenuReferentiel", "ButtonMenuVecteur",
        "ButtonMenuFormule", "ButtonModeCapture"})
    EXPECT_TRUE(grid.at(name).visible) << name;
  // Tracking is built in: its menu items show in its mode.
  const auto tracking = ComputeCommands(ProgramIn(vmTracking));
  for (const char* name : {"MenuMesuresFormeLibre", "MenuMesuresZone",
                           "MenuAffichageEffacerContour", "MenuAffichageEffacerBanZones"})
    EXPECT_TRUE(tracking.at(name).visible) << name;
  // The options, the search and the help work without a video.
  const auto closed = ComputeCommands(ProgramIn(vmRepereFixe, false));
  EXPECT_TRUE(closed.at("MenuAffichageOptions").enabled);
  EXPECT_TRUE(closed.at("MenuFichierRechercher").enabled);
  EXPECT_FALSE(closed.at("MenuMesuresTemps").enabled);
  EXPECT_FALSE(closed.at("ButtonModeMontage").enabled);
  // The montage button follows the setting.
  TCommandContext noMontage = ProgramIn(vmRepereFixe);
  noMontage.allowMontage = false;
  EXPECT_FALSE(ComputeCommands(noMontage).at("ButtonModeMontage").visible);
  // The time dialog belongs to the marking modes.
  EXPECT_TRUE(ComputeCommands(ProgramIn(vmTransparent)).at("MenuMesuresTemps").visible);
  EXPECT_FALSE(ComputeCommands(ProgramIn(vmMontage)).at("MenuMesuresTemps").visible);
}

TEST(Commands, MontageButtonsInMontageModeOnly) {
  using S = std::set<std::string>;
  auto montage = ComputeCommands(ProgramIn(vmMontage));
  EXPECT_EQ(Visible(montage, "ButtonMontage"),
            (S{"ButtonMontageBasculer", "ButtonMontageBasculerMult", "ButtonMontageEnregistrer",
               "ButtonMontageInstant", "ButtonMontageP2v", "ButtonMontageV2p"}));
  EXPECT_TRUE(montage.at("ButtonModeMontage").checked);
  EXPECT_FALSE(montage.at("ButtonModeRepereFixe").checked);
  EXPECT_FALSE(montage.at("ButtonMontageBasculer").checked);
  EXPECT_TRUE(montage.at("ButtonMontageInstant").enabled);
  for (TVideoMode m : {vmRepereFixe, vmTransparent})
    EXPECT_TRUE(Visible(ComputeCommands(ProgramIn(m)), "ButtonMontage").empty()) << int(m);

  // On a hidden image the toggle button is down and the missing-image
  // dialog, which needs a visible image, is off.
  TCommandContext hidden = ProgramIn(vmMontage);
  hidden.currentImageHidden = true;
  montage = ComputeCommands(hidden);
  EXPECT_TRUE(montage.at("ButtonMontageBasculer").checked);
  EXPECT_TRUE(montage.at("ButtonMontageBasculer").enabled);
  EXPECT_FALSE(montage.at("ButtonMontageInstant").enabled);
  EXPECT_TRUE(montage.at("ButtonMontageBasculerMult").enabled);

  // Without the montage subsystem nothing of it shows, even in its mode.
  TCommandContext none = OpenIn(vmMontage);
  EXPECT_TRUE(Visible(ComputeCommands(none), "ButtonMontage").empty());

  // Recording, once built, shows its three commands with the montage.
  TCommandContext rec = ProgramIn(vmMontage);
  rec.features.montageRecording = true;
  montage = ComputeCommands(rec);
  for (const char* b : {"ButtonMontageEnregistrer", "ButtonMontageV2p", "ButtonMontageP2v"})
    EXPECT_TRUE(montage.at(b).visible) << b;
}

TEST(Commands, NavigationButtonsNeedAVideo) {
  ASSERT_EQ(NavigationButtons().size(), 6u);
  const auto closed = ComputeCommands(ProgramIn(vmRepereFixe, false));
  const auto open = ComputeCommands(ProgramIn(vmMontage));
  TCommandContext cap = ProgramIn(vmCapture);
  cap.features.capture = true;
  const auto capture = ComputeCommands(cap);
  for (const auto& b : NavigationButtons()) {
    ASSERT_NE(FindCommandText(b), nullptr) << b;
    EXPECT_TRUE(closed.at(b).visible) << b;
    EXPECT_FALSE(closed.at(b).enabled) << b;
    EXPECT_TRUE(open.at(b).enabled) << b;
    EXPECT_FALSE(capture.at(b).visible) << b;
  }
  for (const auto& b : MontageButtons()) ASSERT_NE(FindCommandText(b), nullptr) << b;
}
