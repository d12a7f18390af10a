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

std::set<TCommand> Visible(const TCommandStates& s, const std::string& prefix) {
  std::set<TCommand> out;
  for (const auto& [command, st] : s)
    if (st.visible && std::string(CommandName(command)).rfind(prefix, 0) == 0) out.insert(command);
  return out;
}

}  // namespace

namespace kinevo {
// Failure messages name the command.
std::ostream& operator<<(std::ostream& out, TCommand command) {
  return out << CommandName(command);
}
}  // namespace kinevo

TEST(Commands, ToolButtonsFollowTheMode) {
  using S = std::set<TCommand>;
  EXPECT_EQ(
      Visible(ComputeCommands(OpenIn(vmRepereFixe)), "ButtonOutil"),
      (S{TCommand::ButtonOutilZoom, TCommand::ButtonOutilPan, TCommand::ButtonOutilEchelle,
         TCommand::ButtonOutilMarque, TCommand::ButtonOutilOrigine, TCommand::ButtonOutilDeplacer,
         TCommand::ButtonOutilEffacer, TCommand::ButtonOutilNom}));
  EXPECT_EQ(Visible(ComputeCommands(OpenIn(vmTransparent)), "ButtonOutil"),
            (S{TCommand::ButtonOutilZoom, TCommand::ButtonOutilPan, TCommand::ButtonOutilEchelle,
               TCommand::ButtonOutilTsp, TCommand::ButtonOutilDeplacer,
               TCommand::ButtonOutilEffacer, TCommand::ButtonOutilNom}));
  EXPECT_EQ(Visible(ComputeCommands(OpenIn(vmMontage)), "ButtonOutil"),
            (S{TCommand::ButtonOutilZoom, TCommand::ButtonOutilPan}));
  EXPECT_TRUE(Visible(ComputeCommands(OpenIn(vmCapture)), "ButtonOutil").empty());
  // The pop-up menu mirrors the buttons.
  const auto s = ComputeCommands(OpenIn(vmTransparent));
  EXPECT_TRUE(s.at(TCommand::PopupMenuTsp).visible);
  EXPECT_FALSE(s.at(TCommand::PopupMenuMarque).visible);
  EXPECT_FALSE(s.at(TCommand::PopupMenuOrigine).visible);

  TCommandContext sep = OpenIn(vmRepereFixe);
  sep.separateScales = true;
  const auto t = ComputeCommands(sep);
  EXPECT_FALSE(t.at(TCommand::ButtonOutilEchelle).visible);
  EXPECT_TRUE(t.at(TCommand::ButtonOutilEchelleHoriz).visible);
  EXPECT_TRUE(t.at(TCommand::ButtonOutilEchelleVert).visible);
  EXPECT_TRUE(t.at(TCommand::PopupMenuEchelleVert).visible);
  EXPECT_FALSE(t.at(TCommand::MenuMesuresValeurEchelle).visible);
  EXPECT_TRUE(t.at(TCommand::MenuMesuresValeurEchelleHoriz).visible);
}

TEST(Commands, NothingActsWithoutAVideo) {
  TCommandContext c;  // no video
  const auto s = ComputeCommands(c);
  for (TCommand name :
       {TCommand::ButtonOutilZoom, TCommand::ButtonOutilMarque, TCommand::ButtonOutilNom,
        TCommand::ButtonModeRepereFixe, TCommand::ButtonModeTransparent,
        TCommand::MenuFichierFermerVideo, TCommand::MenuAffichageEffacerTout,
        TCommand::MenuMesuresNbMarqueParImageDeux, TCommand::MenuFichierProprietes})
    EXPECT_FALSE(s.at(name).enabled) << name;
  EXPECT_FALSE(s.at(TCommand::ButtonOutilMarque).checked);
  // Opening and saving stay available (saving explains that a video is needed).
  EXPECT_TRUE(s.at(TCommand::MenuFichierOuvrirVideo).enabled);
  EXPECT_TRUE(s.at(TCommand::MenuFichierEnregistrer).enabled);
  EXPECT_TRUE(s.at(TCommand::MenuFichierQuitter).enabled);
}

TEST(Commands, PressedButtonsShowTheToolAndTheMode) {
  TCommandContext c = OpenIn(vmRepereFixe);
  c.tool = otOrigine;
  auto s = ComputeCommands(c);
  EXPECT_TRUE(s.at(TCommand::ButtonOutilOrigine).checked);
  EXPECT_TRUE(s.at(TCommand::PopupMenuOrigine).checked);
  EXPECT_FALSE(s.at(TCommand::ButtonOutilMarque).checked);
  EXPECT_TRUE(s.at(TCommand::ButtonModeRepereFixe).checked);
  EXPECT_FALSE(s.at(TCommand::ButtonModeTransparent).checked);

  // The view's own tool takes the place of the marking tool.
  c.viewTool = vtZoom;
  s = ComputeCommands(c);
  EXPECT_TRUE(s.at(TCommand::ButtonOutilZoom).checked);
  EXPECT_FALSE(s.at(TCommand::ButtonOutilOrigine).checked);

  c.viewTool = vtNone;
  c.tool = otEchelle;
  c.separateScales = true;
  c.scaleKind = skVert;
  s = ComputeCommands(c);
  EXPECT_TRUE(s.at(TCommand::ButtonOutilEchelleVert).checked);
  EXPECT_FALSE(s.at(TCommand::ButtonOutilEchelleHoriz).checked);
  EXPECT_EQ(ToolButton(otEchelle, skVert), TCommand::ButtonOutilEchelleVert);
  EXPECT_EQ(ToolButton(otEchelle, skNormal), TCommand::ButtonOutilEchelle);
  EXPECT_EQ(ToolButton(otTsp, skNormal), TCommand::ButtonOutilTsp);
  EXPECT_FALSE(ToolButton(otNone, skNormal));
}

TEST(Commands, ModeButtonsNeedTheSettingAndTheSubsystem) {
  TCommandContext c = OpenIn(vmRepereFixe);
  auto s = ComputeCommands(c);
  // Not built into this program yet: hidden although the settings allow them.
  EXPECT_FALSE(s.at(TCommand::ButtonModeTracking).visible);
  EXPECT_FALSE(s.at(TCommand::ButtonModeCapture).visible);
  EXPECT_FALSE(s.at(TCommand::ButtonModeMontage).visible);
  EXPECT_TRUE(s.at(TCommand::ButtonModeRepereFixe).visible);

  c.features.tracking = c.features.capture = c.features.montage = true;
  c.allowTracking = false;
  s = ComputeCommands(c);
  EXPECT_FALSE(s.at(TCommand::ButtonModeTracking).visible);
  EXPECT_TRUE(s.at(TCommand::ButtonModeCapture).visible);
  EXPECT_TRUE(s.at(TCommand::ButtonModeMontage).visible);

  // The capture button works without a video; the others do not.
  c.videoOpen = false;
  s = ComputeCommands(c);
  EXPECT_TRUE(s.at(TCommand::ButtonModeCapture).enabled);
  EXPECT_FALSE(s.at(TCommand::ButtonModeMontage).enabled);
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

  EXPECT_TRUE(grid.at(TCommand::MenuAffichageEffacerRepere).visible);
  EXPECT_TRUE(grid.at(TCommand::MenuAffichageEffacerMarques).visible);
  EXPECT_FALSE(grid.at(TCommand::MenuAffichageEffacerTransparent).visible);
  EXPECT_FALSE(layer.at(TCommand::MenuAffichageEffacerRepere).visible);
  EXPECT_TRUE(layer.at(TCommand::MenuAffichageEffacerTransparent).visible);
  EXPECT_TRUE(layer.at(TCommand::MenuAffichageEffacerEchelle).visible);
  EXPECT_TRUE(grid.at(TCommand::MenuMesuresAngleRotation).visible);
  EXPECT_FALSE(layer.at(TCommand::MenuMesuresAngleRotation).visible);
  EXPECT_TRUE(layer.at(TCommand::MenuMesuresInverserAxeX).visible);
  for (TCommand m : {TCommand::MenuAffichageAnnuler, TCommand::MenuAffichageLoupe,
                     TCommand::MenuAffichageTailleGrande, TCommand::MenuAffichageNumeroterNone,
                     TCommand::MenuAffichageDessinerAutres, TCommand::MenuAffichageEffacerEchelle,
                     TCommand::MenuMesuresInverserAxeY, TCommand::MenuMesuresNbMarqueParImageUne})
    EXPECT_FALSE(montage.at(m).visible) << m;
  EXPECT_TRUE(montage.at(TCommand::MenuFichierEnregistrer).visible);
  EXPECT_FALSE(capture.at(TCommand::MenuFichierOuvrirVideo).visible);
  EXPECT_FALSE(capture.at(TCommand::MenuFichierEnregistrer).visible);
  EXPECT_TRUE(capture.at(TCommand::MenuFichierQuitter).visible);
  // Tracking items stay hidden while the tracker is not part of the program.
  for (TCommand m : {TCommand::MenuMesuresFormeLibre, TCommand::MenuMesuresEspaceChoix2,
                     TCommand::MenuAffichageEffacerContour})
    EXPECT_FALSE(grid.at(m).visible) << m;
  TCommandContext tr = OpenIn(vmTracking);
  tr.features.tracking = true;
  auto tracking = ComputeCommands(tr);
  EXPECT_TRUE(tracking.at(TCommand::MenuMesuresEspaceChoix2).visible);
  EXPECT_TRUE(tracking.at(TCommand::MenuMesuresNbImagesEntreMarquesUne).visible);
  EXPECT_TRUE(tracking.at(TCommand::MenuAffichageEffacerTout).visible);
  EXPECT_FALSE(tracking.at(TCommand::MenuMesuresTemps).visible);
  EXPECT_FALSE(tracking.at(TCommand::MenuAffichageEffacerRepere).visible);
}

TEST(Commands, EnablingAndTicks) {
  TCommandContext c = OpenIn(vmRepereFixe);
  auto s = ComputeCommands(c);
  EXPECT_FALSE(s.at(TCommand::MenuAffichageAnnuler).enabled);
  EXPECT_FALSE(s.at(TCommand::MenuAffichageAllerDerniereImagePointee).enabled);
  EXPECT_FALSE(s.at(TCommand::MenuMesuresAngleRotation).enabled);
  EXPECT_FALSE(s.at(TCommand::MenuMesuresInverserAxeX).enabled);
  EXPECT_FALSE(s.at(TCommand::MenuMesuresValeurEchelle).enabled);

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
  EXPECT_TRUE(s.at(TCommand::MenuAffichageAnnuler).enabled);
  EXPECT_TRUE(s.at(TCommand::MenuAffichageAllerDerniereImagePointee).enabled);
  EXPECT_TRUE(s.at(TCommand::MenuMesuresAngleRotation).enabled);
  // "Axe des x vers la droite" is not ticked when x points left; y still points up.
  EXPECT_FALSE(s.at(TCommand::MenuMesuresInverserAxeX).checked);
  EXPECT_TRUE(s.at(TCommand::MenuMesuresInverserAxeY).checked);
  EXPECT_TRUE(s.at(TCommand::MenuMesuresValeurEchelle).enabled);
  EXPECT_TRUE(s.at(TCommand::MenuMesuresNbMarqueParImageAutres).checked);
  EXPECT_FALSE(s.at(TCommand::MenuMesuresNbMarqueParImageTrois).checked);
  EXPECT_TRUE(s.at(TCommand::MenuMesuresNbImagesEntreMarquesUne).checked);
  EXPECT_TRUE(s.at(TCommand::MenuAffichageNumeroterRight).checked);
  EXPECT_TRUE(s.at(TCommand::MenuAffichageDessinerDerniereMarque).checked);
  EXPECT_FALSE(s.at(TCommand::MenuAffichageDessinerAutres).checked);
  EXPECT_TRUE(s.at(TCommand::MenuAffichageTailleGrande).checked);

  c.tool = otEchelle;  // going to the last marked image is off with the scale tool
  EXPECT_FALSE(ComputeCommands(c).at(TCommand::MenuAffichageAllerDerniereImagePointee).enabled);
  c.marksToDraw = 4;
  EXPECT_TRUE(ComputeCommands(c).at(TCommand::MenuAffichageDessinerAutres).checked);
}

TEST(Commands, ResultButtonsHiddenUntilTheResultsWindowAndOffWithHalfAScale) {
  TCommandContext c = OpenIn(vmRepereFixe);
  EXPECT_FALSE(ComputeCommands(c).at(TCommand::ButtonMenuTableau).visible);
  c.features.resultsWindow = true;
  EXPECT_TRUE(ComputeCommands(c).at(TCommand::ButtonMenuTableau).visible);
  EXPECT_TRUE(ComputeCommands(c).at(TCommand::ButtonMenuTemps).enabled);
  c.scalePoints[skNormal] = 1;
  EXPECT_FALSE(ComputeCommands(c).at(TCommand::ButtonMenuFormule).enabled);
  c.scalePoints[skNormal] = 2;
  EXPECT_TRUE(ComputeCommands(c).at(TCommand::ButtonMenuFormule).enabled);
  // The current segment decides: a horizontal one with one point.
  c.scaleKind = skHoriz;
  c.scalePoints[skHoriz] = 1;
  EXPECT_FALSE(ComputeCommands(c).at(TCommand::ButtonMenuVecteur).enabled);
}

TEST(Commands, EveryCommandHasATextAndEveryRadioItemExists) {
  const auto s = ComputeCommands(OpenIn(vmRepereFixe));
  EXPECT_EQ(s.size(), CommandTexts().size());
  for (const auto& [name, st] : s) {
    const TCommandText& t = CommandText(name);
    EXPECT_EQ(t.id, name);
    EXPECT_NE(std::string(t.caption), "") << name;
    // The object name is the identifier's, and leads back to it.
    EXPECT_EQ(FindCommand(CommandName(name)), name);
  }
  EXPECT_FALSE(FindCommand("ButtonOutilInconnu"));
  for (const auto& g : RadioGroups())
    for (TCommand name : g) EXPECT_TRUE(CommandText(name).checkable) << name;
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
  for (TCommand name :
       {TCommand::ButtonModeMontage, TCommand::MenuAffichageOptions,
        TCommand::MenuFichierRechercher, TCommand::MenuMesuresTemps, TCommand::MenuAideKinevo,
        TCommand::ButtonNavLecture, TCommand::MenuMesuresCalculatrice, TCommand::ButtonModeTracking,
        TCommand::ButtonMenuTableau, TCommand::ButtonMenuTemps, TCommand::ButtonMenuReferentiel,
        TCommand::ButtonMenuVecteur, TCommand::ButtonMenuFormule, TCommand::ButtonModeCapture})
    EXPECT_TRUE(grid.at(name).visible) << name;
  // Tracking is built in: its menu items show in its mode.
  const auto tracking = ComputeCommands(ProgramIn(vmTracking));
  for (TCommand name :
       {TCommand::MenuMesuresFormeLibre, TCommand::MenuMesuresZone,
        TCommand::MenuAffichageEffacerContour, TCommand::MenuAffichageEffacerBanZones})
    EXPECT_TRUE(tracking.at(name).visible) << name;
  // The options, the search and the help work without a video.
  const auto closed = ComputeCommands(ProgramIn(vmRepereFixe, false));
  EXPECT_TRUE(closed.at(TCommand::MenuAffichageOptions).enabled);
  EXPECT_TRUE(closed.at(TCommand::MenuFichierRechercher).enabled);
  EXPECT_FALSE(closed.at(TCommand::MenuMesuresTemps).enabled);
  EXPECT_FALSE(closed.at(TCommand::ButtonModeMontage).enabled);
  // The montage button follows the setting.
  TCommandContext noMontage = ProgramIn(vmRepereFixe);
  noMontage.allowMontage = false;
  EXPECT_FALSE(ComputeCommands(noMontage).at(TCommand::ButtonModeMontage).visible);
  // The time dialog belongs to the marking modes.
  EXPECT_TRUE(ComputeCommands(ProgramIn(vmTransparent)).at(TCommand::MenuMesuresTemps).visible);
  EXPECT_FALSE(ComputeCommands(ProgramIn(vmMontage)).at(TCommand::MenuMesuresTemps).visible);
}

TEST(Commands, MontageButtonsInMontageModeOnly) {
  using S = std::set<TCommand>;
  auto montage = ComputeCommands(ProgramIn(vmMontage));
  EXPECT_EQ(Visible(montage, "ButtonMontage"),
            (S{TCommand::ButtonMontageBasculer, TCommand::ButtonMontageBasculerMult,
               TCommand::ButtonMontageEnregistrer, TCommand::ButtonMontageInstant,
               TCommand::ButtonMontageP2v, TCommand::ButtonMontageV2p}));
  EXPECT_TRUE(montage.at(TCommand::ButtonModeMontage).checked);
  EXPECT_FALSE(montage.at(TCommand::ButtonModeRepereFixe).checked);
  EXPECT_FALSE(montage.at(TCommand::ButtonMontageBasculer).checked);
  EXPECT_TRUE(montage.at(TCommand::ButtonMontageInstant).enabled);
  for (TVideoMode m : {vmRepereFixe, vmTransparent})
    EXPECT_TRUE(Visible(ComputeCommands(ProgramIn(m)), "ButtonMontage").empty()) << int(m);

  // On a hidden image the toggle button is down and the missing-image
  // dialog, which needs a visible image, is off.
  TCommandContext hidden = ProgramIn(vmMontage);
  hidden.currentImageHidden = true;
  montage = ComputeCommands(hidden);
  EXPECT_TRUE(montage.at(TCommand::ButtonMontageBasculer).checked);
  EXPECT_TRUE(montage.at(TCommand::ButtonMontageBasculer).enabled);
  EXPECT_FALSE(montage.at(TCommand::ButtonMontageInstant).enabled);
  EXPECT_TRUE(montage.at(TCommand::ButtonMontageBasculerMult).enabled);

  // Without the montage subsystem nothing of it shows, even in its mode.
  TCommandContext none = OpenIn(vmMontage);
  EXPECT_TRUE(Visible(ComputeCommands(none), "ButtonMontage").empty());

  // Recording, once built, shows its three commands with the montage.
  TCommandContext rec = ProgramIn(vmMontage);
  rec.features.montageRecording = true;
  montage = ComputeCommands(rec);
  for (TCommand b :
       {TCommand::ButtonMontageEnregistrer, TCommand::ButtonMontageV2p, TCommand::ButtonMontageP2v})
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
    EXPECT_TRUE(closed.at(b).visible) << b;
    EXPECT_FALSE(closed.at(b).enabled) << b;
    EXPECT_TRUE(open.at(b).enabled) << b;
    EXPECT_FALSE(capture.at(b).visible) << b;
  }
  EXPECT_EQ(MontageButtons().size(), 6u);
}
