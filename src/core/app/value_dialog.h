#pragma once
// The value entry dialog (TBoiteValeur): asks the user for one number (an
// angle, an image rate, a length, a search radius, an image number, a
// count).  The kind of input fixes the caption, the prompt, the note, the
// initial value, what may be typed, the accepted range and the text that
// states it.  The window closes only on a valid value.
//
// This is the logic; the window is shown by a presenter (a Qt dialog in the
// program, a script in tests).
#include <cstdint>
#include <functional>
#include <string>

#include "core/common/canvas.h"
#include "core/common/colour.h"
#include "core/common/user_dialog.h"
#include "core/common/value_entry.h"

namespace kinevo {

enum TTypeSaisie : unsigned char {
  tsAngle = 0,
  tsCadence = 1,
  tsLongueur = 2,
  tsDMax = 3,
  tsLastImg = 4,
  tsNbMqDrawn = 5,
  tsNbMqParImg = 6,
  tsNumImg = 7,
  tsNumOrdre = 8,
  tsNbImgStep = 9,
};

enum TTypeSaisieLongueur : unsigned char {
  slLongueurH = 0,  // the horizontal scale
  slLongueurN = 1,  // the general scale
  slLongueurV = 2,  // the vertical scale
};

// What the dialog reads from the program when a kind is set.
struct TValueDialogContext {
  bool videoOpen = false;
  double xAxisAngle = 0;              // radians
  double recordingRate = 25;          // image rate of the montage recording
  double scaleLength[3] = {1, 1, 1};  // lengths of the scales H, N, V, in metres
  int32_t searchRadius = 40;          // the tracker's search radius
  int32_t trackerFirstImage = 0;      // first image of the tracked object (f)
  int32_t trackerLastImage = 0;       // the tracker's last image (0-based)
  int32_t trackerObject = 0;          // the tracker's current object (0-based)
  int32_t imagesCount = 0;            // N, the displayed number of images
  int32_t currentImage = 0;           // displayed number of the current image (0-based)
  int32_t marksNumberToDraw = 1;
  int32_t marksNumberPerFrame = 1;
  int32_t framesBetweenTwoMarks = 1;
};

class TBoiteValeur : public IValueEntry {
 public:
  TBoiteValeur(TUserDlg& messages, IValueDialogPresenter* presenter = nullptr);

  void SetPresenter(IValueDialogPresenter* p) { presenter_ = p; }
  // Called when a kind is set, to read the program's values of the moment.
  std::function<TValueDialogContext()> ContextProvider;

  TTypeSaisie TypeSaisie() const { return kind_; }
  // Prepares every text and the initial value of the kind.
  void SetTypeSaisie(TTypeSaisie kind);
  TTypeSaisieLongueur TypeSaisieLongueur() const { return lengthKind_; }
  // Refreshes the initial length.
  void SetTypeSaisieLongueur(TTypeSaisieLongueur kind);

  std::string Caption;
  TFont Font;
  TColor BackGroundColor = colors::BtnFace;

  const std::string& WindowCaption() const override { return Caption; }
  const TFont& WindowFont() const override { return Font; }
  TColor WindowColor() const override { return BackGroundColor; }
  const std::string& Prompt() const override { return prompt_; }  // with " :"
  const std::string& Note() const override { return note_; }
  const std::string& RangeText() const override { return range_; }
  const std::string& InitialText() const override { return initial_; }
  bool IsIntegerKind() const { return kind_ >= tsDMax; }

  // Shows the window when a video is open; afterwards Accepted tells
  // whether a value was given.
  void Execute();
  bool Accepted() const { return accepted_; }
  // The number: radians for tsAngle, as typed otherwise (image and object
  // numbers stay 1-based).
  double Value() const { return value_; }
  int32_t IntValue() const { return intValue_; }

  // Typing: answers the character to insert (a typed "." or "," becomes
  // the decimal separator) or 0 when it is dropped.  Backspace (8) and
  // Enter (13) pass.
  char FilterChar(char c) const override;
  // The window's request to close with the text of the edit: converts and
  // checks it, shows the message when it is not acceptable (false, the
  // window stays open), else sets Value and Accepted (true).
  bool TryClose(const std::string& text) override;

  // Geometry of the window from the measured prompt width and note height
  // (word-wrapped to the width given) and the work area's width.
  TValueDialogLayout Layout(int promptWidth, const std::function<int(int width)>& noteHeight,
                            int workAreaWidth) const override;

 private:
  TValueDialogContext Context() const;
  bool InRange(double v) const;
  void ShowBadText(const std::string& text);
  void ShowOutOfRange(const std::string& text);

  TUserDlg& messages_;
  IValueDialogPresenter* presenter_;
  TTypeSaisie kind_ = tsAngle;
  TTypeSaisieLongueur lengthKind_ = slLongueurN;
  std::string prompt_, note_, range_, initial_;
  double lo_ = 0, hi_ = 0;
  bool accepted_ = false;
  double value_ = 0;
  int32_t intValue_ = 0;
  bool videoOpen_ = false;
};

}  // namespace kinevo
