#pragma once
// The results window's commands, each with a typed identifier (see
// core/common/command_set.h). The model buttons and the graph tools are
// named by their kind and tool numbers instead.
#include "core/common/command_set.h"

namespace kinevo {

#define KINEVO_RESULTS_COMMANDS(X) \
  X(MenuExporter)                  \
  X(MenuChronophotographie)        \
  X(MenuImprimer)                  \
  X(MenuFermer)                    \
  X(MenuAnnuler)                   \
  X(MenuCopier)                    \
  X(MenuCopierImage)               \
  X(MenuCopierTableau)             \
  X(MenuCopierLancer)              \
  X(MenuExcel)                     \
  X(MenuOpenOffice)                \
  X(MenuRegressi)                  \
  X(MenuRestaurerGraphe)           \
  X(MenuRestaurerTableau)          \
  X(MenuCoordonnees)               \
  X(MenuVitesse)                   \
  X(MenuAcceleration)              \
  X(MenuPolaires)                  \
  X(MenuDessinerOrigine)           \
  X(MenuDessinerLigne)             \
  X(MenuNumSous)                   \
  X(MenuNumDroite)                 \
  X(MenuRepere)                    \
  X(MenuCommeVideo)                \
  X(MenuTailleGrande)              \
  X(MenuTailleMoyenne)             \
  X(MenuTaillePetite)              \
  X(MenuZoomX)                     \
  X(MenuZoomY)                     \
  X(MenuOrigineX)                  \
  X(MenuOrigineY)                  \
  X(MenuBoiteModele)               \
  X(MenuIncertitudes)              \
  X(MenuEquation)                  \
  X(MenuStatistiques)              \
  X(MenuCalculatrice)              \
  X(MenuFormules)                  \
  X(MenuTemps)                     \
  X(MenuModeleDynamique)           \
  X(MenuLisserVitesse)             \
  X(MenuLisserAcceleration)        \
  X(ButtonModifierModele)

KINEVO_COMMAND_SET(TResultsCommand, KINEVO_RESULTS_COMMANDS)

}  // namespace kinevo
