#pragma once
// The main window's commands, each with a typed identifier (see
// core/common/command_set.h).
#include <optional>
#include <string_view>

#include "core/common/command_set.h"

namespace kinevo {

// Every command, in the order of the captions table (core/app/commands).
#define KINEVO_MAIN_WINDOW_COMMANDS(X)      \
  X(ButtonOutilZoom)                        \
  X(ButtonOutilPan)                         \
  X(ButtonOutilEchelle)                     \
  X(ButtonOutilEchelleHoriz)                \
  X(ButtonOutilEchelleVert)                 \
  X(ButtonOutilMarque)                      \
  X(ButtonOutilOrigine)                     \
  X(ButtonOutilTsp)                         \
  X(ButtonOutilDeplacer)                    \
  X(ButtonOutilEffacer)                     \
  X(ButtonOutilNom)                         \
  X(ButtonModeRepereFixe)                   \
  X(ButtonModeTransparent)                  \
  X(ButtonModeMontage)                      \
  X(ButtonModeTracking)                     \
  X(ButtonModeCapture)                      \
  X(ButtonMontageBasculer)                  \
  X(ButtonMontageBasculerMult)              \
  X(ButtonMontageInstant)                   \
  X(ButtonMontageEnregistrer)               \
  X(ButtonMontageV2p)                       \
  X(ButtonMontageP2v)                       \
  X(ButtonNavPremiere)                      \
  X(ButtonNavPrecedente)                    \
  X(ButtonNavLecture)                       \
  X(ButtonNavPause)                         \
  X(ButtonNavSuivante)                      \
  X(ButtonNavDerniere)                      \
  X(ButtonMenuTableau)                      \
  X(ButtonMenuTemps)                        \
  X(ButtonMenuReferentiel)                  \
  X(ButtonMenuVecteur)                      \
  X(ButtonMenuFormule)                      \
  X(MenuFichierOuvrirVideo)                 \
  X(MenuFichierOuvrirKvo)                   \
  X(MenuFichierRecent)                      \
  X(MenuFichierRechercher)                  \
  X(MenuFichierFermerVideo)                 \
  X(MenuFichierEnregistrer)                 \
  X(MenuFichierEnregistrerSous)             \
  X(MenuFichierProprietes)                  \
  X(MenuFichierChronophotographie)          \
  X(MenuFichierQuitter)                     \
  X(MenuAffichageAnnuler)                   \
  X(MenuAffichageLoupe)                     \
  X(MenuAffichageCacherImage)               \
  X(MenuAffichageModelesVideo)              \
  X(MenuAffichageImageCorrigee)             \
  X(MenuAffichageAllerDerniereImagePointee) \
  X(MenuAffichageAllerImageNumero)          \
  X(MenuAffichageCouleur)                   \
  X(MenuAffichageTaillePetite)              \
  X(MenuAffichageTailleMoyenne)             \
  X(MenuAffichageTailleGrande)              \
  X(MenuAffichageNumeroterDown)             \
  X(MenuAffichageNumeroterRight)            \
  X(MenuAffichageNumeroterNone)             \
  X(MenuAffichageDessinerToutesLesMarques)  \
  X(MenuAffichageDessinerDerniereMarque)    \
  X(MenuAffichageDessinerAutres)            \
  X(MenuAffichageEffacerMarques)            \
  X(MenuAffichageEffacerTransparent)        \
  X(MenuAffichageEffacerRepere)             \
  X(MenuAffichageEffacerEchelle)            \
  X(MenuAffichageEffacerTout)               \
  X(MenuAffichageEffacerContour)            \
  X(MenuAffichageEffacerBanZones)           \
  X(MenuAffichageOptions)                   \
  X(MenuMesuresAngleRotation)               \
  X(MenuMesuresInverserAxeX)                \
  X(MenuMesuresInverserAxeY)                \
  X(MenuMesuresObjectif)                    \
  X(MenuMesuresPlan)                        \
  X(MenuMesuresNbMarqueParImageUne)         \
  X(MenuMesuresNbMarqueParImageDeux)        \
  X(MenuMesuresNbMarqueParImageTrois)       \
  X(MenuMesuresNbMarqueParImageAutres)      \
  X(MenuMesuresNbImagesEntreMarquesUne)     \
  X(MenuMesuresNbImagesEntreMarquesAutres)  \
  X(MenuMesuresTemps)                       \
  X(MenuMesuresValeurEchelle)               \
  X(MenuMesuresValeurEchelleHoriz)          \
  X(MenuMesuresValeurEchelleVert)           \
  X(MenuMesuresFormeLibre)                  \
  X(MenuMesuresFormePolygone)               \
  X(MenuMesuresFormeCercle)                 \
  X(MenuMesuresEspaceChoix1)                \
  X(MenuMesuresEspaceChoix2)                \
  X(MenuMesuresEspaceChoix3)                \
  X(MenuMesuresEspaceChoixAutres)           \
  X(MenuMesuresZone)                        \
  X(MenuMesuresCalculatrice)                \
  X(MenuAideKinevo)                         \
  X(MenuAideApropos)                        \
  X(PopupMenuZoom)                          \
  X(PopupMenuPan)                           \
  X(PopupMenuEchelle)                       \
  X(PopupMenuEchelleHoriz)                  \
  X(PopupMenuEchelleVert)                   \
  X(PopupMenuMarque)                        \
  X(PopupMenuOrigine)                       \
  X(PopupMenuTsp)                           \
  X(PopupMenuDeplacer)                      \
  X(PopupMenuEffacer)

// TCommand, and CommandName(TCommand::ButtonOutilZoom) == "ButtonOutilZoom".
KINEVO_COMMAND_SET(TCommand, KINEVO_MAIN_WINDOW_COMMANDS)

// The command of that object name, if any.
inline std::optional<TCommand> FindCommand(std::string_view name) {
  return CommandOfName<TCommand>(name);
}

}  // namespace kinevo
