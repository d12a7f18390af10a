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
    {"ButtonOutilZoom", "Zoom", "Agrandir ou réduire l'image", true},
    {"ButtonOutilPan", "Déplacer l'image", "Déplacer l'image dans son cadre", true},
    {"ButtonOutilEchelle", "Echelle", "Définir l'échelle à l'aide d'une longueur connue", true},
    {"ButtonOutilEchelleHoriz", "Echelle horizontale", "Définir l'échelle horizontale", true},
    {"ButtonOutilEchelleVert", "Echelle verticale", "Définir l'échelle verticale", true},
    {"ButtonOutilMarque", "Marques", "Pointer les positions des objets", true},
    {"ButtonOutilOrigine", "Repère", "Placer l'origine du repère et orienter ses axes", true},
    {"ButtonOutilTsp", "Transparent",
     "Glisser-déposer le transparent puis pointer la position de l'objet", true},
    {"ButtonOutilDeplacer", "Déplacer", "Déplacer une marque", true},
    {"ButtonOutilEffacer", "Gomme", "Supprimer des marques", true},
    {"ButtonOutilNom", "Noms", "Modifier le nom et la couleur de chaque marque", false},
    // Mode buttons.
    {"ButtonModeRepereFixe", "Repère fixe", "Pointer dans un repère fixe", true},
    {"ButtonModeTransparent", "Repère mobile", "Pointer sur un transparent (repère mobile)", true},
    {"ButtonModeMontage", "Montage", "Masquer des images et insérer des pauses", true},
    {"ButtonModeTracking", "Suivi", "Suivi automatique des objets", true},
    {"ButtonModeCapture", "Capture", "Filmer avec une caméra", true},
    // Montage buttons.
    {"ButtonMontageBasculer", "Masquer", "Masquer ou montrer l'image courante dans le montage",
     true},
    {"ButtonMontageBasculerMult", "Groupes", "Masquer ou montrer des groupes d'images", false},
    {"ButtonMontageInstant", "Image manquante",
     "Ouvrir ou fermer un intervalle de temps avant l'image courante", false},
    {"ButtonMontageEnregistrer", "Enregistrer", "Enregistrer le montage dans un fichier vidéo",
     false},
    {"ButtonMontageV2p", "Vidéo en images", "Convertir la vidéo en images", false},
    {"ButtonMontageP2v", "Images en vidéo", "Convertir des images en vidéo", false},
    // Navigation buttons beside the track bar.
    {"ButtonNavPremiere", "Première image", "Aller à la première image", false},
    {"ButtonNavPrecedente", "Image précédente", "Aller à l'image précédente", false},
    {"ButtonNavLecture", "Lecture", "Lire la vidéo à partir de l'image affichée", false},
    {"ButtonNavPause", "Pause", "Arrêter la lecture", false},
    {"ButtonNavSuivante", "Image suivante", "Aller à l'image suivante", false},
    {"ButtonNavDerniere", "Dernière image", "Aller à la dernière image", false},
    // Result buttons.
    {"ButtonMenuTableau", "Tableau", "Tableau des valeurs", false},
    {"ButtonMenuTemps", "Temps", "Evolution temporelle", false},
    {"ButtonMenuReferentiel", "Trajectoire", "Trajectoire dans un référentiel", false},
    {"ButtonMenuVecteur", "Vecteurs", "Vecteurs vitesse et accélération", false},
    {"ButtonMenuFormule", "Formules", "Formules personnelles", false},
    // Menu "Fichier".
    {"MenuFichierOuvrirVideo", "Ouvrir un fichier &vidéo...", "Ouvrir un fichier vidéo", false},
    {"MenuFichierOuvrirKvo", "Ouvrir un fichier &KVO...", "Ouvrir un travail enregistré", false},
    {"MenuFichierRecent", "Fichiers &récents", "Ouvrir un fichier récemment utilisé", false},
    {"MenuFichierRechercher", "Rec&hercher un fichier...", "Rechercher un fichier vidéo ou KVO",
     false},
    {"MenuFichierFermerVideo", "&Fermer la vidéo", "Fermer le fichier vidéo", false},
    {"MenuFichierEnregistrer", "&Enregistrer", "Enregistrer le travail dans son fichier KVO",
     false},
    {"MenuFichierEnregistrerSous", "Enregistrer &sous...",
     "Enregistrer le travail dans un fichier KVO", false},
    {"MenuFichierProprietes", "&Propriétés...", "Propriétés du fichier vidéo", false},
    {"MenuFichierQuitter", "&Quitter", "Quitter le logiciel", false},
    // Menu "Affichage".
    {"MenuAffichageAnnuler", "Annuler  (Ctrl A, Ctrl Z)", "Annuler la dernière action", false},
    {"MenuAffichageLoupe", "&Loupe", "Afficher ou masquer la loupe", true},
    {"MenuAffichageCacherImage", "&Cacher l'image",
     "Cacher ou montrer l'image (les marques restent visibles)", true},
    {"MenuAffichageAllerDerniereImagePointee", "Aller à la dernière image &pointée",
     "Aller à la dernière image pointée", false},
    {"MenuAffichageAllerImageNumero", "Aller à l'image &numéro...",
     "Aller à une image de numéro donné", false},
    {"MenuAffichageCouleur", "&Noms et couleurs des marques...",
     "Modifier le nom et la couleur de chaque marque", false},
    {"MenuAffichageTaillePetite", "Petite", "Petite taille des marques et des axes", true},
    {"MenuAffichageTailleMoyenne", "Moyenne", "Taille moyenne des marques et des axes", true},
    {"MenuAffichageTailleGrande", "Grande", "Grande taille des marques et des axes", true},
    {"MenuAffichageNumeroterDown", "Sous la marque", "Numéro sous la marque", true},
    {"MenuAffichageNumeroterRight", "A droite de la marque", "Numéro à droite de la marque", true},
    {"MenuAffichageNumeroterNone", "Aucun numéro", "Pas de numéro", true},
    {"MenuAffichageDessinerToutesLesMarques", "Toutes les marques", "Dessiner toutes les marques",
     true},
    {"MenuAffichageDessinerDerniereMarque", "La dernière marque",
     "Dessiner seulement la dernière marque", true},
    {"MenuAffichageDessinerAutres", "Les dernières marques...",
     "Dessiner seulement les dernières marques", true},
    {"MenuAffichageEffacerMarques", "Les marques", "Effacer toutes les marques", false},
    {"MenuAffichageEffacerTransparent", "Le transparent", "Effacer les marques du transparent",
     false},
    {"MenuAffichageEffacerRepere", "Le repère", "Effacer l'origine du repère", false},
    {"MenuAffichageEffacerEchelle", "L'échelle", "Effacer l'échelle", false},
    {"MenuAffichageEffacerTout", "Tout", "Tout effacer", false},
    {"MenuAffichageEffacerContour", "Le contour", "Effacer le contour de l'objet suivi", false},
    {"MenuAffichageEffacerBanZones", "Les zones ignorées", "Effacer les zones ignorées", false},
    {"MenuAffichageOptions", "&Options...", "Préférences du logiciel", false},
    // Menu "Mesures".
    {"MenuMesuresAngleRotation", "&Angle de rotation du repère...", "Saisir l'angle de l'axe des x",
     false},
    {"MenuMesuresInverserAxeX", "Axe des x vers la droite", "Inverser le sens de l'axe des x",
     true},
    {"MenuMesuresInverserAxeY", "Axe des y vers le haut", "Inverser le sens de l'axe des y", true},
    {"MenuMesuresNbMarqueParImageUne", "Une", "Une marque par image", true},
    {"MenuMesuresNbMarqueParImageDeux", "Deux", "Deux marques par image", true},
    {"MenuMesuresNbMarqueParImageTrois", "Trois", "Trois marques par image", true},
    {"MenuMesuresNbMarqueParImageAutres", "Autre...", "Autre nombre de marques par image", true},
    {"MenuMesuresNbImagesEntreMarquesUne", "Une", "Avancer d'une image après chaque pointage",
     true},
    {"MenuMesuresNbImagesEntreMarquesAutres", "Autre...",
     "Autre nombre d'images entre deux pointages", true},
    {"MenuMesuresTemps", "&Temps entre deux images...", "Durée entre deux images successives",
     false},
    {"MenuMesuresValeurEchelle", "Longueur de l'é&chelle...", "Longueur du segment de l'échelle",
     false},
    {"MenuMesuresValeurEchelleHoriz", "Longueur de l'échelle &horizontale...",
     "Longueur de l'échelle horizontale", false},
    {"MenuMesuresValeurEchelleVert", "Longueur de l'échelle &verticale...",
     "Longueur de l'échelle verticale", false},
    {"MenuMesuresFormeLibre", "Forme libre", "Contour à main levée", true},
    {"MenuMesuresFormePolygone", "Polygone", "Contour polygonal", true},
    {"MenuMesuresFormeCercle", "Cercle", "Contour circulaire", true},
    {"MenuMesuresEspaceChoix1", "20 pixels", "Rayon de recherche de 20 pixels", true},
    {"MenuMesuresEspaceChoix2", "40 pixels", "Rayon de recherche de 40 pixels", true},
    {"MenuMesuresEspaceChoix3", "60 pixels", "Rayon de recherche de 60 pixels", true},
    {"MenuMesuresEspaceChoixAutres", "Autre...", "Autre rayon de recherche", true},
    {"MenuMesuresZone", "Zone de recherche", "Afficher la zone de recherche", true},
    {"MenuMesuresCalculatrice", "&Calculatrice...", "Calculatrice", false},
    // Menu "Aide".
    {"MenuAideKinevo", "&Aide de Kinevo", "Ouvrir l'aide", false},
    {"MenuAideApropos", "À &propos...", "À propos de Kinevo", false},
    // Pop-up menu.
    {"PopupMenuZoom", "Zoom", "", true},
    {"PopupMenuPan", "Déplacer l'image", "", true},
    {"PopupMenuEchelle", "Echelle", "", true},
    {"PopupMenuEchelleHoriz", "Echelle horizontale", "", true},
    {"PopupMenuEchelleVert", "Echelle verticale", "", true},
    {"PopupMenuMarque", "Marques", "", true},
    {"PopupMenuOrigine", "Repère", "", true},
    {"PopupMenuTsp", "Transparent", "", true},
    {"PopupMenuDeplacer", "Déplacer une marque", "", true},
    {"PopupMenuEffacer", "Gomme", "", true},
};

const std::vector<std::string> kNavigation = {"ButtonNavPremiere", "ButtonNavPrecedente",
                                              "ButtonNavLecture",  "ButtonNavPause",
                                              "ButtonNavSuivante", "ButtonNavDerniere"};
const std::vector<std::string> kMontageButtons = {
    "ButtonMontageBasculer",    "ButtonMontageBasculerMult", "ButtonMontageInstant",
    "ButtonMontageEnregistrer", "ButtonMontageV2p",          "ButtonMontageP2v"};

const std::vector<std::vector<std::string>> kRadioGroups = {
    {"MenuAffichageTaillePetite", "MenuAffichageTailleMoyenne", "MenuAffichageTailleGrande"},
    {"MenuAffichageNumeroterDown", "MenuAffichageNumeroterRight", "MenuAffichageNumeroterNone"},
    {"MenuAffichageDessinerToutesLesMarques", "MenuAffichageDessinerDerniereMarque",
     "MenuAffichageDessinerAutres"},
    {"MenuMesuresNbMarqueParImageUne", "MenuMesuresNbMarqueParImageDeux",
     "MenuMesuresNbMarqueParImageTrois", "MenuMesuresNbMarqueParImageAutres"},
    {"MenuMesuresNbImagesEntreMarquesUne", "MenuMesuresNbImagesEntreMarquesAutres"},
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

const TCommandText* FindCommandText(const std::string& name) {
  for (const auto& t : kTexts)
    if (name == t.name) return &t;
  return nullptr;
}

const std::vector<std::vector<std::string>>& RadioGroups() { return kRadioGroups; }
const std::vector<std::string>& NavigationButtons() { return kNavigation; }
const std::vector<std::string>& MontageButtons() { return kMontageButtons; }

TCommandStates ComputeCommands(const TCommandContext& c) {
  TCommandStates s;
  for (const auto& t : kTexts) s[t.name] = TCommandState{};
  auto set = [&s](const std::string& name, bool visible, bool enabled, bool checked = false) {
    s[name] = TCommandState{visible, enabled, checked};
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
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"ButtonOutilZoom", "PopupMenuZoom"},
      {"ButtonOutilPan", "PopupMenuPan"},
      {"ButtonOutilEchelle", "PopupMenuEchelle"},
      {"ButtonOutilEchelleHoriz", "PopupMenuEchelleHoriz"},
      {"ButtonOutilEchelleVert", "PopupMenuEchelleVert"},
      {"ButtonOutilMarque", "PopupMenuMarque"},
      {"ButtonOutilOrigine", "PopupMenuOrigine"},
      {"ButtonOutilTsp", "PopupMenuTsp"},
      {"ButtonOutilDeplacer", "PopupMenuDeplacer"},
      {"ButtonOutilEffacer", "PopupMenuEffacer"},
  };
  set("ButtonOutilZoom", !capture, open, open && c.viewTool == vtZoom);
  set("ButtonOutilPan", !capture, open, open && c.viewTool == vtPan);
  set("ButtonOutilEchelle", marking && !sep, open, toolDown(otEchelle) && c.scaleKind == skNormal);
  set("ButtonOutilEchelleHoriz", marking && sep, open,
      toolDown(otEchelle) && c.scaleKind == skHoriz);
  set("ButtonOutilEchelleVert", marking && sep, open, toolDown(otEchelle) && c.scaleKind == skVert);
  set("ButtonOutilMarque", grid, open, toolDown(otMarque));
  set("ButtonOutilOrigine", grid, open, toolDown(otOrigine));
  set("ButtonOutilTsp", layer, open, toolDown(otTsp));
  set("ButtonOutilDeplacer", marking, open, toolDown(otDeplacer));
  set("ButtonOutilEffacer", marking, open, toolDown(otEffacer));
  set("ButtonOutilNom", marking, open);
  for (const auto& [button, popup] : pairs) s[popup] = s[button];

  // ------------------------------------------------------------ mode buttons
  set("ButtonModeRepereFixe", true, open, grid);
  set("ButtonModeTransparent", true, open, layer);
  set("ButtonModeMontage", c.allowMontage && c.features.montage, open, montage);
  set("ButtonModeTracking", c.allowTracking && c.features.tracking, open, tracking);
  set("ButtonModeCapture", c.allowCapture && c.features.capture, true, capture);

  // ------------------------------------------------------------ montage buttons
  // The toggle button is down on a hidden image; the missing-image dialog
  // runs only on a visible one.
  set("ButtonMontageBasculer", montage, open, open && c.currentImageHidden);
  set("ButtonMontageBasculerMult", montage, open);
  set("ButtonMontageInstant", montage, open && !c.currentImageHidden);
  const bool recording = montage && c.features.montageRecording;
  set("ButtonMontageEnregistrer", recording, open);
  // All three recordings show with the montage: hidden behind settings that
  // are off at first, they were never found.
  set("ButtonMontageV2p", recording, open);
  set("ButtonMontageP2v", recording, true);

  // ------------------------------------------------------------ navigation
  // Beside the track bar; the camera preview replaces the picture in capture.
  for (const auto& b : kNavigation) set(b, !capture, open);

  // ------------------------------------------------------------ result buttons
  const int segmentPoints = c.scalePoints[std::min<int>(c.scaleKind, 2)];
  const bool resultsEnabled = open && segmentPoints != 1;
  for (const char* b : {"ButtonMenuTableau", "ButtonMenuTemps", "ButtonMenuReferentiel",
                        "ButtonMenuVecteur", "ButtonMenuFormule"})
    set(b, c.features.resultsWindow, resultsEnabled);

  // ------------------------------------------------------------ "Fichier"
  const bool files = !capture;
  set("MenuFichierOuvrirVideo", files, true);
  set("MenuFichierOuvrirKvo", files, true);
  set("MenuFichierRecent", files, true);
  set("MenuFichierRechercher", files && c.features.fileSearch, true);
  set("MenuFichierFermerVideo", files, open);
  set("MenuFichierEnregistrer", files, true);
  set("MenuFichierEnregistrerSous", files, true);
  set("MenuFichierProprietes", files && c.features.properties, open && c.imageDuration != 0);
  set("MenuFichierQuitter", true, true);

  // ------------------------------------------------------------ "Affichage"
  set("MenuAffichageAnnuler", marking, open && !c.undoCaption.empty());
  set("MenuAffichageLoupe", marking, open, c.loupe);
  set("MenuAffichageCacherImage", !capture, open, c.hideImage);
  set("MenuAffichageAllerDerniereImagePointee", marking,
      open && c.tool != otEchelle && c.marksCount > 0);
  set("MenuAffichageAllerImageNumero", marking, open);
  set("MenuAffichageCouleur", marking, open);
  set("MenuAffichageTaillePetite", marking, open, c.elementSize == 0);
  set("MenuAffichageTailleMoyenne", marking, open, c.elementSize == 1);
  set("MenuAffichageTailleGrande", marking, open, c.elementSize == 2);
  set("MenuAffichageNumeroterDown", marking, open, c.numberPosition == npDown);
  set("MenuAffichageNumeroterRight", marking, open, c.numberPosition == npRight);
  set("MenuAffichageNumeroterNone", marking, open, c.numberPosition == npNone);
  set("MenuAffichageDessinerToutesLesMarques", marking, open, c.allDrawn);
  set("MenuAffichageDessinerDerniereMarque", marking, open, !c.allDrawn && c.marksToDraw == 1);
  set("MenuAffichageDessinerAutres", marking, open, !c.allDrawn && c.marksToDraw != 1);
  set("MenuAffichageEffacerMarques", grid || tracking, open);
  set("MenuAffichageEffacerTransparent", layer, open);
  set("MenuAffichageEffacerRepere", grid, open);
  set("MenuAffichageEffacerEchelle", marking, open);
  set("MenuAffichageEffacerTout", marking || tracking, open);
  set("MenuAffichageEffacerContour", tracking, open);
  set("MenuAffichageEffacerBanZones", tracking, open);
  set("MenuAffichageOptions", c.features.optionsDialog, true);

  // ------------------------------------------------------------ "Mesures"
  set("MenuMesuresAngleRotation", grid, open && c.hasOrigin);
  // The items read "Axe des x vers la droite" and "Axe des y vers le haut":
  // ticked while the axis points that way, as the frame draws it.
  set("MenuMesuresInverserAxeX", marking, open && c.hasOrigin, c.directX);
  set("MenuMesuresInverserAxeY", marking, open && c.hasOrigin, c.directY);
  const bool perImage = marking || tracking;
  const int n = c.marksNumberPerFrame;
  set("MenuMesuresNbMarqueParImageUne", perImage, open, n == 1);
  set("MenuMesuresNbMarqueParImageDeux", perImage, open, n == 2);
  set("MenuMesuresNbMarqueParImageTrois", perImage, open, n == 3);
  set("MenuMesuresNbMarqueParImageAutres", perImage, open, n < 1 || n > 3);
  set("MenuMesuresNbImagesEntreMarquesUne", perImage, open, c.framesBetween == 1);
  set("MenuMesuresNbImagesEntreMarquesAutres", perImage, open, c.framesBetween != 1);
  set("MenuMesuresTemps", marking && c.features.timeDialog, open);
  set("MenuMesuresValeurEchelle", marking && !sep, open && c.scalePoints[skNormal] == 2);
  set("MenuMesuresValeurEchelleHoriz", marking && sep, open && c.scalePoints[skHoriz] == 2);
  set("MenuMesuresValeurEchelleVert", marking && sep, open && c.scalePoints[skVert] == 2);
  for (const char* t :
       {"MenuMesuresFormeLibre", "MenuMesuresFormePolygone", "MenuMesuresFormeCercle",
        "MenuMesuresEspaceChoix1", "MenuMesuresEspaceChoix2", "MenuMesuresEspaceChoix3",
        "MenuMesuresEspaceChoixAutres", "MenuMesuresZone"})
    set(t, tracking, open);
  set("MenuMesuresCalculatrice", c.features.calculator, true);

  // ------------------------------------------------------------ "Aide"
  set("MenuAideKinevo", c.features.help, true);
  set("MenuAideApropos", c.features.about, true);
  return s;
}

std::string UndoMenuCaption(const std::string& undoCaption) {
  return (undoCaption.empty() ? std::string("Annuler") : undoCaption) + "  (Ctrl A, Ctrl Z)";
}

std::string ToolButton(TOutil tool, TScaleKind kind) {
  switch (tool) {
    case otEchelle:
      return kind == skHoriz  ? "ButtonOutilEchelleHoriz"
             : kind == skVert ? "ButtonOutilEchelleVert"
                              : "ButtonOutilEchelle";
    case otMarque:
      return "ButtonOutilMarque";
    case otDeplacer:
      return "ButtonOutilDeplacer";
    case otOrigine:
      return "ButtonOutilOrigine";
    case otEffacer:
      return "ButtonOutilEffacer";
    case otTsp:
      return "ButtonOutilTsp";
    case otNone:
      break;
  }
  return "";
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
