#pragma once
// The checks the main window runs before it shows results: a complete
// scale; in Grid marking at least three marks per system and an origin; in
// Layer marking at least three marks; a warning below five marks; and the
// advice to give the systems real names.  Each failing check shows its
// dialog through the message dialog.
#include <cstdint>

#include "core/common/image.h"
#include "core/common/user_dialog.h"
#include "core/common/video_view.h"

namespace kinevo {

class TData;

// What the checks read.
struct TReadinessInput {
  TVideoMode mode = vmRepereFixe;
  bool scaleComplete = false;
  bool separateScales = false;
  bool horizScaleComplete = false;  // with separate scales: which segment is missing
  int32_t systems = 1;              // MarksNumberPerFrame of the active set
  int32_t minMarksPerSystem = 0;    // Grid marking
  int32_t marksCount = 0;           // Layer marking
  bool hasOrigin = false;           // Grid marking
  bool adviseNames = true;          // the setting "CheckBox38ChangeDefaultObjectsName"
  bool defaultNames = false;        // HasDefaultSystemNames
};

TReadinessInput ReadinessInputOf(const TData& data, TVideoMode mode, bool separateScales,
                                 bool adviseNames);

// One boolean kept for the run: the advice to name the systems may still be
// shown.
struct TMainMem {
  bool adviseNames = true;
};

enum TReadiness : unsigned char {
  rdStop = 0,       // a dialog stopped the request
  rdGo = 1,         // the results may be shown
  rdNameFirst = 2,  // "Donner un nom": open the names dialog, then show the results
};

// The pictures of the dialogs (icCustom).
enum TReadinessPicture : unsigned char {
  rpScale = 0,
  rpScaleHoriz = 1,
  rpScaleVert = 2,
  rpMarks = 3,
  rpFrame = 4,
  rpLayer = 5,
  rpNames = 6,
};
// A 32 x 32 picture drawn on a ground of colour kPictureGround (left out
// when shown).
Image ReadinessPicture(TReadinessPicture which);
inline constexpr TColor kPictureGround = 0xFF00FF;

TReadiness CheckReadiness(const TReadinessInput& in, TUserDlg& dialog, TMainMem& mem);

}  // namespace kinevo
