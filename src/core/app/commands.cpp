#include "core/app/commands.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "core/app/file_workflow.h"
#include "core/common/number_format.h"

namespace kinevo {

namespace {

const std::vector<TCommandText> kTexts = {
    // Tool buttons.
    {TCommand::ButtonOutilZoom, "Zoom", "Agrandir ou réduire l'image", true},
    {TCommand::ButtonOutilPan, "Déplacer l'image", "Déplacer l'image dans son cadre", true},
    {TCommand::ButtonOutilEchelle, "Echelle", "Définir l'échelle à l'aide d'une longueur connue",
     true},
    {TCommand::ButtonOutilEchelleHoriz, "Echelle horizontale", "Définir l'échelle horizontale",
     true},
    {TCommand::ButtonOutilEchelleVert, "Echelle verticale", "Définir l'échelle verticale", true},
    {TCommand::ButtonOutilMarque, "Marques", "Pointer les positions des objets", true},
    {TCommand::ButtonOutilOrigine, "Repère", "Placer l'origine du repère et orienter ses axes",
     true},
    {TCommand::ButtonOutilTsp, "Transparent",
     "Glisser-déposer le transparent puis pointer la position de l'objet", true},
    {TCommand::ButtonOutilDeplacer, "Déplacer", "Déplacer une marque", true},
    {TCommand::ButtonOutilEffacer, "Gomme", "Supprimer des marques", true},
    {TCommand::ButtonOutilNom, "Noms", "Modifier le nom et la couleur de chaque marque", false},
    // Mode buttons.
    {TCommand::ButtonModeRepereFixe, "Repère fixe", "Pointer dans un repère fixe", true},
    {TCommand::ButtonModeTransparent, "Repère mobile", "Pointer sur un transparent (repère mobile)",
     true},
    {TCommand::ButtonModeMontage, "Montage", "Masquer des images et insérer des pauses", true},
    {TCommand::ButtonModeTracking, "Suivi", "Suivi automatique des objets", true},
    {TCommand::ButtonModeCapture, "Capture", "Filmer avec une caméra", true},
    // Montage buttons.
    {TCommand::ButtonMontageBasculer, "Masquer",
     "Masquer ou montrer l'image courante dans le montage", true},
    {TCommand::ButtonMontageBasculerMult, "Groupes", "Masquer ou montrer des groupes d'images",
     false},
    {TCommand::ButtonMontageInstant, "Image manquante",
     "Ouvrir ou fermer un intervalle de temps avant l'image courante", false},
    {TCommand::ButtonMontageEnregistrer, "Enregistrer",
     "Enregistrer le montage dans un fichier vidéo", false},
    {TCommand::ButtonMontageV2p, "Vidéo en images", "Convertir la vidéo en images", false},
    {TCommand::ButtonMontageP2v, "Images en vidéo", "Convertir des images en vidéo", false},
    // Navigation buttons beside the track bar.
    {TCommand::ButtonNavPremiere, "Première image", "Aller à la première image", false},
    {TCommand::ButtonNavPrecedente, "Image précédente", "Aller à l'image précédente", false},
    {TCommand::ButtonNavLecture, "Lecture", "Lire la vidéo à partir de l'image affichée", false},
    {TCommand::ButtonNavPause, "Pause", "Arrêter la lecture", false},
    {TCommand::ButtonNavSuivante, "Image suivante", "Aller à l'image suivante", false},
    {TCommand::ButtonNavDerniere, "Dernière image", "Aller à la dernière image", false},
    // Result buttons.
    {TCommand::ButtonMenuTableau, "Tableau", "Tableau des valeurs", false},
    {TCommand::ButtonMenuTemps, "Temps", "Evolution temporelle", false},
    {TCommand::ButtonMenuReferentiel, "Trajectoire", "Trajectoire dans un référentiel", false},
    {TCommand::ButtonMenuVecteur, "Vecteurs", "Vecteurs vitesse et accélération", false},
    {TCommand::ButtonMenuFormule, "Formules", "Formules personnelles", false},
    // Menu "Fichier".
    {TCommand::MenuFichierOuvrirVideo, "Ouvrir un fichier &vidéo...", "Ouvrir un fichier vidéo",
     false},
    {TCommand::MenuFichierOuvrirKvo, "Ouvrir un fichier &KVO...", "Ouvrir un travail enregistré",
     false},
    {TCommand::MenuFichierRecent, "Fichiers &récents", "Ouvrir un fichier récemment utilisé",
     false},
    {TCommand::MenuFichierRechercher, "Rec&hercher un fichier...",
     "Rechercher un fichier vidéo ou KVO", false},
    {TCommand::MenuFichierFermerVideo, "&Fermer la vidéo", "Fermer le fichier vidéo", false},
    {TCommand::MenuFichierEnregistrer, "&Enregistrer",
     "Enregistrer le travail dans son fichier KVO", false},
    {TCommand::MenuFichierEnregistrerSous, "Enregistrer &sous...",
     "Enregistrer le travail dans un fichier KVO", false},
    {TCommand::MenuFichierProprietes, "&Propriétés...", "Propriétés du fichier vidéo", false},
    {TCommand::MenuFichierChronophotographie, "&Chronophotographie...",
     "Chronophotographie et vidéo annotée de l'analyse", false},
    {TCommand::MenuFichierQuitter, "&Quitter", "Quitter le logiciel", false},
    // Menu "Affichage".
    {TCommand::MenuAffichageAnnuler, "Annuler  (Ctrl A, Ctrl Z)", "Annuler la dernière action",
     false},
    {TCommand::MenuAffichageLoupe, "&Loupe", "Afficher ou masquer la loupe", true},
    {TCommand::MenuAffichageCacherImage, "&Cacher l'image",
     "Cacher ou montrer l'image (les marques restent visibles)", true},
    {TCommand::MenuAffichageModelesVideo, "Modèles sur la vidéo",
     "Dessiner sur la vidéo la position des modèles et leur trajectoire", true},
    {TCommand::MenuAffichageImageCorrigee, "Image corrigée de l'objectif",
     "Montrer l'image redressée par la correction de l'objectif", true},
    {TCommand::MenuAffichageAllerDerniereImagePointee, "Aller à la dernière image &pointée",
     "Aller à la dernière image pointée", false},
    {TCommand::MenuAffichageAllerImageNumero, "Aller à l'image &numéro...",
     "Aller à une image de numéro donné", false},
    {TCommand::MenuAffichageCouleur, "&Noms et couleurs des marques...",
     "Modifier le nom et la couleur de chaque marque", false},
    {TCommand::MenuAffichageTaillePetite, "Petite", "Petite taille des marques et des axes", true},
    {TCommand::MenuAffichageTailleMoyenne, "Moyenne", "Taille moyenne des marques et des axes",
     true},
    {TCommand::MenuAffichageTailleGrande, "Grande", "Grande taille des marques et des axes", true},
    {TCommand::MenuAffichageNumeroterDown, "Sous la marque", "Numéro sous la marque", true},
    {TCommand::MenuAffichageNumeroterRight, "A droite de la marque", "Numéro à droite de la marque",
     true},
    {TCommand::MenuAffichageNumeroterNone, "Aucun numéro", "Pas de numéro", true},
    {TCommand::MenuAffichageDessinerToutesLesMarques, "Toutes les marques",
     "Dessiner toutes les marques", true},
    {TCommand::MenuAffichageDessinerDerniereMarque, "La dernière marque",
     "Dessiner seulement la dernière marque", true},
    {TCommand::MenuAffichageDessinerAutres, "Les dernières marques...",
     "Dessiner seulement les dernières marques", true},
    {TCommand::MenuAffichageEffacerMarques, "Les marques", "Effacer toutes les marques", false},
    {TCommand::MenuAffichageEffacerTransparent, "Le transparent",
     "Effacer les marques du transparent", false},
    {TCommand::MenuAffichageEffacerRepere, "Le repère", "Effacer l'origine du repère", false},
    {TCommand::MenuAffichageEffacerEchelle, "L'échelle", "Effacer l'échelle", false},
    {TCommand::MenuAffichageEffacerTout, "Tout", "Tout effacer", false},
    {TCommand::MenuAffichageEffacerContour, "Le contour", "Effacer le contour de l'objet suivi",
     false},
    {TCommand::MenuAffichageEffacerBanZones, "Les zones ignorées", "Effacer les zones ignorées",
     false},
    {TCommand::MenuAffichageOptions, "&Options...", "Préférences du logiciel", false},
    // Menu "Mesures".
    {TCommand::MenuMesuresAngleRotation, "&Angle de rotation du repère...",
     "Saisir l'angle de l'axe des x", false},
    {TCommand::MenuMesuresInverserAxeX, "Axe des x vers la droite",
     "Inverser le sens de l'axe des x", true},
    {TCommand::MenuMesuresInverserAxeY, "Axe des y vers le haut", "Inverser le sens de l'axe des y",
     true},
    {TCommand::MenuMesuresObjectif, "Correction de l'&objectif...",
     "Redresser les lignes courbées par un objectif grand angle", false},
    {TCommand::MenuMesuresPlan, "Étalonnage du &plan...",
     "Mesurer dans le plan du mouvement filmé de biais", false},
    {TCommand::MenuMesuresNbMarqueParImageUne, "Une", "Une marque par image", true},
    {TCommand::MenuMesuresNbMarqueParImageDeux, "Deux", "Deux marques par image", true},
    {TCommand::MenuMesuresNbMarqueParImageTrois, "Trois", "Trois marques par image", true},
    {TCommand::MenuMesuresNbMarqueParImageAutres, "Autre...", "Autre nombre de marques par image",
     true},
    {TCommand::MenuMesuresNbImagesEntreMarquesUne, "Une",
     "Avancer d'une image après chaque pointage", true},
    {TCommand::MenuMesuresNbImagesEntreMarquesAutres, "Autre...",
     "Autre nombre d'images entre deux pointages", true},
    {TCommand::MenuMesuresTemps, "&Temps entre deux images...",
     "Durée entre deux images successives", false},
    {TCommand::MenuMesuresValeurEchelle, "Longueur de l'é&chelle...",
     "Longueur du segment de l'échelle", false},
    {TCommand::MenuMesuresValeurEchelleHoriz, "Longueur de l'échelle &horizontale...",
     "Longueur de l'échelle horizontale", false},
    {TCommand::MenuMesuresValeurEchelleVert, "Longueur de l'échelle &verticale...",
     "Longueur de l'échelle verticale", false},
    {TCommand::MenuMesuresFormeLibre, "Forme libre", "Contour à main levée", true},
    {TCommand::MenuMesuresFormePolygone, "Polygone", "Contour polygonal", true},
    {TCommand::MenuMesuresFormeCercle, "Cercle", "Contour circulaire", true},
    {TCommand::MenuMesuresEspaceChoix1, "20 pixels", "Rayon de recherche de 20 pixels", true},
    {TCommand::MenuMesuresEspaceChoix2, "40 pixels", "Rayon de recherche de 40 pixels", true},
    {TCommand::MenuMesuresEspaceChoix3, "60 pixels", "Rayon de recherche de 60 pixels", true},
    {TCommand::MenuMesuresEspaceChoixAutres, "Autre...", "Autre rayon de recherche", true},
    {TCommand::MenuMesuresZone, "Zone de recherche", "Afficher la zone de recherche", true},
    {TCommand::MenuMesuresCalculatrice, "&Calculatrice...", "Calculatrice", false},
    // Menu "Aide".
    {TCommand::MenuAideKinevo, "&Aide de Kinevo", "Ouvrir l'aide", false},
    {TCommand::MenuAideApropos, "À &propos...", "À propos de Kinevo", false},
    // Pop-up menu.
    {TCommand::PopupMenuZoom, "Zoom", "", true},
    {TCommand::PopupMenuPan, "Déplacer l'image", "", true},
    {TCommand::PopupMenuEchelle, "Echelle", "", true},
    {TCommand::PopupMenuEchelleHoriz, "Echelle horizontale", "", true},
    {TCommand::PopupMenuEchelleVert, "Echelle verticale", "", true},
    {TCommand::PopupMenuMarque, "Marques", "", true},
    {TCommand::PopupMenuOrigine, "Repère", "", true},
    {TCommand::PopupMenuTsp, "Transparent", "", true},
    {TCommand::PopupMenuDeplacer, "Déplacer une marque", "", true},
    {TCommand::PopupMenuEffacer, "Gomme", "", true},
};

const std::vector<TCommand> kNavigation = {
    TCommand::ButtonNavPremiere, TCommand::ButtonNavPrecedente, TCommand::ButtonNavLecture,
    TCommand::ButtonNavPause,    TCommand::ButtonNavSuivante,   TCommand::ButtonNavDerniere};
const std::vector<TCommand> kMontageButtons = {
    TCommand::ButtonMontageBasculer, TCommand::ButtonMontageBasculerMult,
    TCommand::ButtonMontageInstant,  TCommand::ButtonMontageEnregistrer,
    TCommand::ButtonMontageV2p,      TCommand::ButtonMontageP2v};

const std::vector<std::vector<TCommand>> kRadioGroups = {
    {TCommand::MenuAffichageTaillePetite, TCommand::MenuAffichageTailleMoyenne,
     TCommand::MenuAffichageTailleGrande},
    {TCommand::MenuAffichageNumeroterDown, TCommand::MenuAffichageNumeroterRight,
     TCommand::MenuAffichageNumeroterNone},
    {TCommand::MenuAffichageDessinerToutesLesMarques, TCommand::MenuAffichageDessinerDerniereMarque,
     TCommand::MenuAffichageDessinerAutres},
    {TCommand::MenuMesuresNbMarqueParImageUne, TCommand::MenuMesuresNbMarqueParImageDeux,
     TCommand::MenuMesuresNbMarqueParImageTrois, TCommand::MenuMesuresNbMarqueParImageAutres},
    {TCommand::MenuMesuresNbImagesEntreMarquesUne, TCommand::MenuMesuresNbImagesEntreMarquesAutres},
};

std::string WithSeparator(std::string s) {
  std::replace(s.begin(), s.end(), '.', DecimalSeparator());
  return s;
}

std::string FormatG3(double v) {
  char buf[64];
  ScopedCNumericLocale cNumbers;  // "." below, then the separator
  std::snprintf(buf, sizeof buf, "%.3g", v);
  return WithSeparator(buf);
}

}  // namespace

TFeatures ProgramFeatures() {
  TFeatures f;
  f.optionsDialog = true;
  f.fileSearch = true;
  f.timeDialog = true;
  f.resultsWindow = true;
  f.montage = true;
  f.help = true;
  f.about = true;
  f.properties = true;
  f.calculator = true;
  f.tracking = true;
  f.montageRecording = true;
  f.capture = true;
  return f;
}

const std::vector<TCommandText>& CommandTexts() { return kTexts; }

const TCommandText& CommandText(TCommand command) {
  // The table lists the commands in the order of their identifiers.
  return kTexts[static_cast<std::size_t>(command)];
}

const std::vector<std::vector<TCommand>>& RadioGroups() { return kRadioGroups; }
const std::vector<TCommand>& NavigationButtons() { return kNavigation; }
const std::vector<TCommand>& MontageButtons() { return kMontageButtons; }

TCommandStates ComputeCommands(const TCommandContext& c) {
  TCommandStates s;
  for (const auto& t : kTexts) s[t.id] = TCommandState{};
  auto set = [&s](TCommand command, bool visible, bool enabled, bool checked = false) {
    s[command] = TCommandState{visible, enabled, checked};
  };

  const bool open = c.videoOpen;
  const bool grid = c.mode == vmRepereFixe;
  const bool layer = c.mode == vmTransparent;
  const bool marking = grid || layer;
  const bool tracking = c.mode == vmTracking && c.features.tracking;
  const bool capture = c.mode == vmCapture;
  const bool montage = c.mode == vmMontage && c.features.montage;
  const bool sep = c.separateScales;
  // The marking tools are pressed only when the view's own tool is off.
  auto toolDown = [&](TOutil t) { return open && marking && c.viewTool == vtNone && c.tool == t; };

  // ------------------------------------------------------------ tool buttons
  const std::vector<std::pair<TCommand, TCommand>> pairs = {
      {TCommand::ButtonOutilZoom, TCommand::PopupMenuZoom},
      {TCommand::ButtonOutilPan, TCommand::PopupMenuPan},
      {TCommand::ButtonOutilEchelle, TCommand::PopupMenuEchelle},
      {TCommand::ButtonOutilEchelleHoriz, TCommand::PopupMenuEchelleHoriz},
      {TCommand::ButtonOutilEchelleVert, TCommand::PopupMenuEchelleVert},
      {TCommand::ButtonOutilMarque, TCommand::PopupMenuMarque},
      {TCommand::ButtonOutilOrigine, TCommand::PopupMenuOrigine},
      {TCommand::ButtonOutilTsp, TCommand::PopupMenuTsp},
      {TCommand::ButtonOutilDeplacer, TCommand::PopupMenuDeplacer},
      {TCommand::ButtonOutilEffacer, TCommand::PopupMenuEffacer},
  };
  set(TCommand::ButtonOutilZoom, !capture, open, open && c.viewTool == vtZoom);
  set(TCommand::ButtonOutilPan, !capture, open, open && c.viewTool == vtPan);
  set(TCommand::ButtonOutilEchelle, marking && !sep, open,
      toolDown(otEchelle) && c.scaleKind == skNormal);
  set(TCommand::ButtonOutilEchelleHoriz, marking && sep, open,
      toolDown(otEchelle) && c.scaleKind == skHoriz);
  set(TCommand::ButtonOutilEchelleVert, marking && sep, open,
      toolDown(otEchelle) && c.scaleKind == skVert);
  set(TCommand::ButtonOutilMarque, grid, open, toolDown(otMarque));
  set(TCommand::ButtonOutilOrigine, grid, open, toolDown(otOrigine));
  set(TCommand::ButtonOutilTsp, layer, open, toolDown(otTsp));
  set(TCommand::ButtonOutilDeplacer, marking, open, toolDown(otDeplacer));
  set(TCommand::ButtonOutilEffacer, marking, open, toolDown(otEffacer));
  set(TCommand::ButtonOutilNom, marking, open);
  for (const auto& [button, popup] : pairs) s[popup] = s[button];

  // ------------------------------------------------------------ mode buttons
  set(TCommand::ButtonModeRepereFixe, true, open, grid);
  set(TCommand::ButtonModeTransparent, true, open, layer);
  set(TCommand::ButtonModeMontage, c.allowMontage && c.features.montage, open, montage);
  set(TCommand::ButtonModeTracking, c.allowTracking && c.features.tracking, open, tracking);
  set(TCommand::ButtonModeCapture, c.allowCapture && c.features.capture, true, capture);

  // ------------------------------------------------------------ montage buttons
  // The toggle button is down on a hidden image; the missing-image dialog
  // runs only on a visible one.
  set(TCommand::ButtonMontageBasculer, montage, open, open && c.currentImageHidden);
  set(TCommand::ButtonMontageBasculerMult, montage, open);
  set(TCommand::ButtonMontageInstant, montage, open && !c.currentImageHidden);
  const bool recording = montage && c.features.montageRecording;
  set(TCommand::ButtonMontageEnregistrer, recording, open);
  // All three recordings show with the montage: hidden behind settings that
  // are off at first, they were never found.
  set(TCommand::ButtonMontageV2p, recording, open);
  set(TCommand::ButtonMontageP2v, recording, true);

  // ------------------------------------------------------------ navigation
  // Beside the track bar; the camera preview replaces the picture in capture.
  for (const auto& b : kNavigation) set(b, !capture, open);

  // ------------------------------------------------------------ result buttons
  const int segmentPoints = c.scalePoints[std::min<int>(c.scaleKind, 2)];
  const bool resultsEnabled = open && segmentPoints != 1;
  for (TCommand b :
       {TCommand::ButtonMenuTableau, TCommand::ButtonMenuTemps, TCommand::ButtonMenuReferentiel,
        TCommand::ButtonMenuVecteur, TCommand::ButtonMenuFormule})
    set(b, c.features.resultsWindow, resultsEnabled);

  // ------------------------------------------------------------ "Fichier"
  const bool files = !capture;
  set(TCommand::MenuFichierOuvrirVideo, files, true);
  set(TCommand::MenuFichierOuvrirKvo, files, true);
  set(TCommand::MenuFichierRecent, files, true);
  set(TCommand::MenuFichierRechercher, files && c.features.fileSearch, true);
  set(TCommand::MenuFichierFermerVideo, files, open);
  set(TCommand::MenuFichierEnregistrer, files, true);
  set(TCommand::MenuFichierEnregistrerSous, files, true);
  set(TCommand::MenuFichierProprietes, files && c.features.properties,
      open && c.imageDuration != 0);
  set(TCommand::MenuFichierChronophotographie, files, open && c.marksCount > 0);
  set(TCommand::MenuFichierQuitter, true, true);

  // ------------------------------------------------------------ "Affichage"
  set(TCommand::MenuAffichageAnnuler, marking, open && !c.undoCaption.empty());
  set(TCommand::MenuAffichageLoupe, marking, open, c.loupe);
  set(TCommand::MenuAffichageCacherImage, !capture, open, c.hideImage);
  set(TCommand::MenuAffichageModelesVideo, marking, open, c.modelsShown);
  set(TCommand::MenuAffichageImageCorrigee, grid, open && c.lensOn, c.correctedPicture);
  set(TCommand::MenuAffichageAllerDerniereImagePointee, marking,
      open && c.tool != otEchelle && c.marksCount > 0);
  set(TCommand::MenuAffichageAllerImageNumero, marking, open);
  set(TCommand::MenuAffichageCouleur, marking, open);
  set(TCommand::MenuAffichageTaillePetite, marking, open, c.elementSize == 0);
  set(TCommand::MenuAffichageTailleMoyenne, marking, open, c.elementSize == 1);
  set(TCommand::MenuAffichageTailleGrande, marking, open, c.elementSize == 2);
  set(TCommand::MenuAffichageNumeroterDown, marking, open, c.numberPosition == npDown);
  set(TCommand::MenuAffichageNumeroterRight, marking, open, c.numberPosition == npRight);
  set(TCommand::MenuAffichageNumeroterNone, marking, open, c.numberPosition == npNone);
  set(TCommand::MenuAffichageDessinerToutesLesMarques, marking, open, c.allDrawn);
  set(TCommand::MenuAffichageDessinerDerniereMarque, marking, open,
      !c.allDrawn && c.marksToDraw == 1);
  set(TCommand::MenuAffichageDessinerAutres, marking, open, !c.allDrawn && c.marksToDraw != 1);
  set(TCommand::MenuAffichageEffacerMarques, grid || tracking, open);
  set(TCommand::MenuAffichageEffacerTransparent, layer, open);
  set(TCommand::MenuAffichageEffacerRepere, grid, open);
  set(TCommand::MenuAffichageEffacerEchelle, marking, open);
  set(TCommand::MenuAffichageEffacerTout, marking || tracking, open);
  set(TCommand::MenuAffichageEffacerContour, tracking, open);
  set(TCommand::MenuAffichageEffacerBanZones, tracking, open);
  set(TCommand::MenuAffichageOptions, c.features.optionsDialog, true);

  // ------------------------------------------------------------ "Mesures"
  set(TCommand::MenuMesuresAngleRotation, grid, open && c.hasOrigin);
  // The items read "Axe des x vers la droite" and "Axe des y vers le haut":
  // ticked while the axis points that way, as the frame draws it.
  set(TCommand::MenuMesuresInverserAxeX, marking, open && c.hasOrigin, c.directX);
  set(TCommand::MenuMesuresInverserAxeY, marking, open && c.hasOrigin, c.directY);
  set(TCommand::MenuMesuresObjectif, grid, open);
  set(TCommand::MenuMesuresPlan, grid, open);
  const bool perImage = marking || tracking;
  const int n = c.marksNumberPerFrame;
  set(TCommand::MenuMesuresNbMarqueParImageUne, perImage, open, n == 1);
  set(TCommand::MenuMesuresNbMarqueParImageDeux, perImage, open, n == 2);
  set(TCommand::MenuMesuresNbMarqueParImageTrois, perImage, open, n == 3);
  set(TCommand::MenuMesuresNbMarqueParImageAutres, perImage, open, n < 1 || n > 3);
  set(TCommand::MenuMesuresNbImagesEntreMarquesUne, perImage, open, c.framesBetween == 1);
  set(TCommand::MenuMesuresNbImagesEntreMarquesAutres, perImage, open, c.framesBetween != 1);
  set(TCommand::MenuMesuresTemps, marking && c.features.timeDialog, open);
  set(TCommand::MenuMesuresValeurEchelle, marking && !sep, open && c.scalePoints[skNormal] == 2);
  set(TCommand::MenuMesuresValeurEchelleHoriz, marking && sep, open && c.scalePoints[skHoriz] == 2);
  set(TCommand::MenuMesuresValeurEchelleVert, marking && sep, open && c.scalePoints[skVert] == 2);
  for (TCommand t : {TCommand::MenuMesuresFormeLibre, TCommand::MenuMesuresFormePolygone,
                     TCommand::MenuMesuresFormeCercle, TCommand::MenuMesuresEspaceChoix1,
                     TCommand::MenuMesuresEspaceChoix2, TCommand::MenuMesuresEspaceChoix3,
                     TCommand::MenuMesuresEspaceChoixAutres, TCommand::MenuMesuresZone})
    set(t, tracking, open);
  set(TCommand::MenuMesuresCalculatrice, c.features.calculator, true);

  // ------------------------------------------------------------ "Aide"
  set(TCommand::MenuAideKinevo, c.features.help, true);
  set(TCommand::MenuAideApropos, c.features.about, true);
  return s;
}

std::string UndoMenuCaption(const std::string& undoCaption) {
  return (undoCaption.empty() ? std::string("Annuler") : undoCaption) + "  (Ctrl A, Ctrl Z)";
}

std::optional<TCommand> ToolButton(TOutil tool, TScaleKind kind) {
  switch (tool) {
    case otEchelle:
      return kind == skHoriz  ? TCommand::ButtonOutilEchelleHoriz
             : kind == skVert ? TCommand::ButtonOutilEchelleVert
                              : TCommand::ButtonOutilEchelle;
    case otMarque:
      return TCommand::ButtonOutilMarque;
    case otDeplacer:
      return TCommand::ButtonOutilDeplacer;
    case otOrigine:
      return TCommand::ButtonOutilOrigine;
    case otEffacer:
      return TCommand::ButtonOutilEffacer;
    case otTsp:
      return TCommand::ButtonOutilTsp;
    case otNone:
      break;
  }
  return std::nullopt;
}

std::string ToolHint(TOutil tool) {
  switch (tool) {
    case otEchelle:
      return "|Bouton gauche (ou Entrée) = définir une extrémité ; bouton droit (ou Echap) = "
             "annuler ; "
             "Ctrl + touche de direction = déplacer le pointeur de la souris";
    case otMarque:
      return "|Bouton gauche (ou Entrée) = poser une marque ; bouton droit (ou Echap) = annuler ; "
             "Ctrl + touche de direction = déplacer le pointeur de la souris";
    case otDeplacer:
      return "|Bouton gauche = glisser-déposer la marque sous le pointeur de la souris";
    case otOrigine:
      return "|Bouton gauche (ou Entrée) = poser l'origine ; bouton droit (ou Echap) = annuler ; "
             "Ctrl + touche de direction = déplacer le pointeur de la souris";
    case otEffacer:
      return "|Bouton gauche = supprimer la marque sous le pointeur de la souris ; bouton droit = "
             "supprimer les marques de l'image";
    case otTsp:
      return "|Bouton gauche = glisser-déposer ; bouton droit ou Echap = annuler ; touches + et - "
             "= "
             "taille du transparent";
    case otNone:
      break;
  }
  return "";
}

std::string ModeHint(TVideoMode mode) {
  switch (mode) {
    case vmTracking:
      return "|Dessiner le contour de l'objet à suivre (bouton « Contour »), puis lancer le suivi "
             "avec « Démarrer »";
    case vmCapture:
      return "|Choisir le périphérique et le format, puis lancer l'enregistrement avec "
             "« Enregistrer »";
    default:
      return "";
  }
}

std::string ViewToolHint(TViewTool tool) {
  switch (tool) {
    case vtZoom:
      return "|Bouton gauche = agrandir ; bouton droit = réduire ; appuyer simultanément sur la "
             "touche Ctrl "
             "pour ralentir la progression";
    case vtPan:
      return "|Déplacer l'image dans son cadre";
    case vtNone:
      break;
  }
  return "";
}

std::string ImageFieldText(bool videoOpen, int displayedImage, int displayedCount) {
  if (!videoOpen) return "";
  return " " + std::to_string(displayedImage + 1) + "/" + std::to_string(displayedCount);
}

std::string MarksFieldText(bool videoOpen, int marksCount) {
  if (!videoOpen) return "";
  return " " + std::to_string(marksCount);
}

std::string AngleFieldText(bool videoOpen, bool hasOrigin, double radians) {
  if (!videoOpen || !hasOrigin) return "";
  double deg = std::round(radians * 180.0 / std::numbers::pi * 10.0) / 10.0;
  if (deg == 0) deg = 0;  // no "-0"
  char buf[32];
  ScopedCNumericLocale cNumbers;  // "." below, then the separator
  if (deg == std::floor(deg))
    std::snprintf(buf, sizeof buf, "%.0f", deg);
  else
    std::snprintf(buf, sizeof buf, "%.1f", deg);
  return " " + WithSeparator(buf) + "°";
}

std::string ZoomFieldText(bool videoOpen, int zoomPercent) {
  if (!videoOpen) return "";
  return " " + std::to_string(zoomPercent) + " %";
}

int ModeRequest(TVideoMode current, TVideoMode pressed, bool videoOpen) {
  if (pressed == vmCapture && current == vmCapture) return videoOpen ? 0 : vmRepereFixe;
  return current == pressed ? 0 : pressed;
}

TOpenKind RecentFileKind(const std::string& path) {
  if (IsVideoExtension(path)) return okVideo;
  if (IsDocumentExtension(path)) return okDocument;
  return okNone;
}

TOpenKind StartupArgumentKind(const std::string& path) { return RecentFileKind(path); }

std::vector<std::string> VideoPropertiesLines(const TVideoProperties& p) {
  return {
      "Informations sur le fichier vidéo",
      "",
      p.path,
      "",
      "- Nombre d'images par seconde : " + FormatG3(p.imageRate),
      "- Largeur de l'image en pixels : " + std::to_string(p.width),
      "- Hauteur de l'image en pixels : " + std::to_string(p.height),
      "- Nombre total d'images : " + std::to_string(p.displayedImages),
      "- Durée de la séquence : " + FormatG3(p.displayedImages * p.imageDuration) + " s",
  };
}

}  // namespace kinevo
