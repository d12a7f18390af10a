#pragma once
// The rules of the main window's commands that need no screen: which tool,
// mode and result buttons and which menu items exist, are enabled and are
// checked for a given state of the program; their French captions and hints;
// the texts of the status fields; the hints of the tools; which files the
// recent-files menu and the command line open, and how.
//
// Commands are named by typed identifiers (core/app/command_ids.h); the
// window creates one action per command, named as its identifier.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/app/command_ids.h"
#include "core/common/video_view.h"
#include "core/marking/mark_set.h"
#include "core/marking/marking_data.h"
#include "core/marking/scale.h"

namespace kinevo {

// The subsystems the program has been built with.  A command of a missing
// subsystem is hidden: no command is shown that would do nothing.
struct TFeatures {
  bool resultsWindow = false;
  bool tracking = false;
  bool capture = false;
  bool montage = false;
  bool montageRecording = false;
  bool calculator = false;
  bool optionsDialog = false;
  bool fileSearch = false;
  bool timeDialog = false;
  bool help = true;
  bool about = true;
  bool properties = true;
};

// The subsystems this program is built with: the options dialog, the file
// search, the time dialog and montage selection; not yet the results window,
// tracking, montage recording or the calculator.
TFeatures ProgramFeatures();

// The state the commands depend on.
struct TCommandContext {
  TVideoMode mode = vmRepereFixe;
  bool videoOpen = false;
  TOutil tool = otMarque;       // the marking data's tool
  TViewTool viewTool = vtNone;  // the view's own pointer tool
  TScaleKind scaleKind = skNormal;
  int scalePoints[3] = {0, 0, 0};  // points of the general, horizontal and vertical segments
  bool separateScales = false;
  bool allowTracking = true;
  bool allowMontage = true;
  bool allowCapture = true;
  std::string undoCaption;  // the marking data's UndoCaption
  int marksCount = 0;       // marks of the active set
  bool hasOrigin = false;   // the active frame has an origin
  bool directX = true;      // direction flags of the active frame
  bool directY = true;
  int marksNumberPerFrame = 1;
  int framesBetween = 1;
  TNumberPosition numberPosition = npDown;
  bool allDrawn = true;
  int marksToDraw = 1;
  int elementSize = 0;
  bool loupe = false;
  bool hideImage = false;
  bool modelsShown = false;       // the models drawn over the picture
  bool lensOn = false;            // the lens correction is on
  bool correctedPicture = false;  // the view shows the corrected picture
  double imageDuration = 0;
  // Montage mode: the current image is hidden from the output.
  bool currentImageHidden = false;
  TFeatures features;
};

struct TCommandState {
  bool visible = true;
  bool enabled = true;
  bool checked = false;
};

using TCommandStates = std::map<TCommand, TCommandState>;

// The state of every command of CommandTexts().
TCommandStates ComputeCommands(const TCommandContext& c);

// Caption, hint (text after "|" shown in the status bar) and whether the
// command is a check or radio item.
struct TCommandText {
  TCommand id;
  const char* caption;
  const char* hint;
  bool checkable;
};
const std::vector<TCommandText>& CommandTexts();
const TCommandText& CommandText(TCommand command);

// Groups of radio items, each listing its members.
const std::vector<std::vector<TCommand>>& RadioGroups();

// The navigation buttons beside the track bar, in their order.
const std::vector<TCommand>& NavigationButtons();
// The montage buttons of the tool bar, in their order.
const std::vector<TCommand>& MontageButtons();

// The caption of MenuAffichageAnnuler: the undo caption, or "Annuler" when
// empty, then two spaces and "(Ctrl A, Ctrl Z)".
std::string UndoMenuCaption(const std::string& undoCaption);

// The button of the tool (with the scale kind for otEchelle); none for
// otNone.
std::optional<TCommand> ToolButton(TOutil tool, TScaleKind kind);
// The view's hint for a marking tool, and for the view's own tools.
std::string ToolHint(TOutil tool);
std::string ViewToolHint(TViewTool tool);
// The status bar's hint in tracking and capture modes, which have no
// marking tool; empty in the other modes.
std::string ModeHint(TVideoMode mode);

// Status fields of the bottom panel; every one is empty without a video.
std::string ImageFieldText(bool videoOpen, int displayedImage, int displayedCount);
std::string MarksFieldText(bool videoOpen, int marksCount);
// The x axis angle (radians) in degrees, with at most one decimal.
std::string AngleFieldText(bool videoOpen, bool hasOrigin, double radians);
std::string ZoomFieldText(bool videoOpen, int zoomPercent);

// What pressing a mode button asks of the view: the mode to set, or 0 when
// the view is already in it.  The capture button pressed again while no
// video is open goes back to Grid marking.
int ModeRequest(TVideoMode current, TVideoMode pressed, bool videoOpen);

enum TOpenKind : unsigned char { okNone = 0, okVideo = 1, okDocument = 2 };
// A recent file or a found file: .avi, .mpg, .mpeg, .wmv, .mov as a video,
// .kvo as a document (without regard to case).
TOpenKind RecentFileKind(const std::string& path);
// The command-line argument: only .avi as a video and .kvo as a document.
TOpenKind StartupArgumentKind(const std::string& path);

inline constexpr const char* kOpenVideoTitle = "Ouvrir un fichier vidéo";
inline constexpr const char* kOpenDocumentTitle = "Ouvrir un fichier KVO";

// The lines of the properties window of a video.
struct TVideoProperties {
  std::string path;
  double imageRate = 0;
  int width = 0;
  int height = 0;
  int displayedImages = 0;
  double imageDuration = 0;
};
std::vector<std::string> VideoPropertiesLines(const TVideoProperties& p);

// The texts of the pan refusal and of the marks-per-image refusal.
inline constexpr const char* kPanRefusedText =
    "Le déplacement de l'image dans son cadre n'est possible que si le taux d'agrandissement est "
    "supérieur à 100%.";
inline constexpr const char* kOneMarkOnLayerText =
    "Par souci de clarté, on ne peut poser qu'une marque par image sur le transparent.";

}  // namespace kinevo
